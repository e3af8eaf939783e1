// standin-host.exe run by a test as a person runs it: started from the test
// program's folder, its output collected, its exit code read.
#pragma once

#include <windows.h>

#include <string>

#include "TestHost.h"

namespace torq7test {

struct ProgramRun {
    int exitCode = -1;
    std::string output;
};

inline std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

// The program's output goes to a file that goes when the last handle to it
// closes (Wine's console host may hold the child's handles a while after
// the child ends, so a pipe would not end and a delete fail).
class RunningProgram {
public:
    RunningProgram(const std::string& arguments, const std::string& outputFile)
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        output_ = CreateFileA(outputFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (output_ == INVALID_HANDLE_VALUE)
            return;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output_;
        startup.hStdError = output_;
        std::string command = "\"" + ProgramFolder() + "standin-host.exe\" " + arguments;
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, ProgramFolder().c_str(),
                            &startup, &process_))
            process_ = PROCESS_INFORMATION{};
    }
    ~RunningProgram() { finish(); }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    DWORD processId() const { return process_.dwProcessId; }

    // Waits for the program to end (ending it after a minute) and reads
    // what it printed.
    ProgramRun finish()
    {
        ProgramRun run;
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 60000) != WAIT_OBJECT_0)
                TerminateProcess(process_.hProcess, 99);
            DWORD code = 0;
            GetExitCodeProcess(process_.hProcess, &code);
            run.exitCode = static_cast<int>(code);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
            process_ = PROCESS_INFORMATION{};
        }
        if (output_ != INVALID_HANDLE_VALUE) {
            SetFilePointer(output_, 0, nullptr, FILE_BEGIN);
            char buffer[4096];
            DWORD got = 0;
            while (ReadFile(output_, buffer, sizeof buffer, &got, nullptr) && got > 0)
                run.output.append(buffer, got);
            CloseHandle(output_);
            output_ = INVALID_HANDLE_VALUE;
        }
        return run;
    }

private:
    HANDLE output_ = INVALID_HANDLE_VALUE;
    PROCESS_INFORMATION process_{};
};

// Runs standin-host.exe with `arguments` to its end.
inline ProgramRun RunProgram(const std::string& arguments, const std::string& outputFile)
{
    return RunningProgram(arguments, outputFile).finish();
}

}  // namespace torq7test
