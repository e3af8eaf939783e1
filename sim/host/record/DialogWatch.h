// Watching the library's modal dialogs: each new dialog gets the next action
// queued for it (or is reported and cancelled when nothing waits to answer
// it), an idle hook sees every idle moment of a module's dialog, and a
// dialog left open too long is reported and ended. Used on the host's
// window thread only, so it needs no lock.
#pragma once

#include <windows.h>

#include <cstddef>
#include <deque>
#include <functional>
#include <map>

#include "CallLog.h"

namespace standin {

struct DialogWatch {
    explicit DialogWatch(CallLog& log) : log(log) {}
    // A dialog's first idle message (fromIdle) or the poll that finds it.
    void onDialog(HWND dialog, bool fromIdle);
    // The poll, about every 25 ms inside any modal loop.
    void poll();

    CallLog& log;
    std::function<void(HWND)> idleHook;
    std::deque<std::function<void(HWND)>> actions;
    std::map<HWND, DWORD> open;   // dialog -> real tick when first seen
    std::size_t seen = 0;
    bool forUser = false;          // a person answers: no reports, no cancelling, no time limit
};

}  // namespace standin
