// The build's programs (standin-host.exe, Torq7Check.exe) run by a test as
// a person runs them: started from the test program's folder, their output
// collected, their exit code read.
#pragma once

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "TestHost.h"

namespace torq7test {

struct ProgramRun {
    int exitCode = -1;
    std::string output;

    // The output's lines, without their line ends.
    std::vector<std::string> lines() const
    {
        std::vector<std::string> all;
        std::istringstream text(output);
        for (std::string line; std::getline(text, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            all.push_back(line);
        }
        return all;
    }
};

inline std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

// The program's output goes to a file beside the test program that goes
// when the last handle to it closes: Wine may hold the child's handles a
// while after the child ends, so a pipe would not end, and a file in the
// test's own folder would keep that folder from being removed.
class RunningProgram {
public:
    RunningProgram(const std::string& program, const std::string& arguments)
        : RunningProgram(program, Wide(arguments))
    {
    }
    // Arguments as a person types them, with characters that code page 932
    // cannot hold.
    RunningProgram(const std::string& program, const std::wstring& arguments)
    {
        static int serial = 0;
        const std::string outputFile = ProgramFolder() + "output-" + std::to_string(GetCurrentProcessId()) + "-" +
                                       std::to_string(++serial) + ".txt";
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        output_ = CreateFileA(outputFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (output_ == INVALID_HANDLE_VALUE) {
            startError_ = "the test could not make the output file " + outputFile + ": error " +
                          std::to_string(GetLastError());
            return;
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output_;
        startup.hStdError = output_;
        std::wstring command = Wide(Quoted(ProgramFolder() + program) + " ") + arguments;
        // No console of its own: the program writes into the file only.
        // Wine under heavy load has been seen to refuse a start once; a second
        // refusal is reported in the run's output.
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                               Wide(ProgramFolder()).c_str(), &startup, &process_)) {
                startError_.clear();
                return;
            }
            process_ = PROCESS_INFORMATION{};
            startError_ = program + " could not be started: error " + std::to_string(GetLastError());
            Sleep(500);
        }
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
        if (!startError_.empty())
            run.output = startError_ + "\n" + run.output;
        return run;
    }

private:
    static std::wstring Wide(const std::string& text)
    {
        std::wstring wide(text.size(), L'\0');
        wide.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                        static_cast<int>(wide.size())));
        return wide;
    }

    HANDLE output_ = INVALID_HANDLE_VALUE;
    PROCESS_INFORMATION process_{};
    std::string startError_;  // why the program never ran, for the failing test's output
};

// Runs standin-host.exe with `arguments` to its end.
template <typename Text>
ProgramRun RunProgram(const Text& arguments)
{
    return RunningProgram("standin-host.exe", arguments).finish();
}

}  // namespace torq7test
