// Torq7Check.exe: tells a person at the test bench, without the host, which
// torq7.dll Windows finds for the host, whether the library would accept it,
// which boards the library would see and, when asked, whether a board
// answers. It runs the library's own driver binding and board discovery.
#include <windows.h>

#include <cstdio>
#include <string>

#include "Advice.h"
#include "CheckOptions.h"
#include "DriverReport.h"
#include "DriverSearch.h"
#include "ExitCodes.h"
#include "SelfTest.h"
#include "board/BoardDiscovery.h"
#include "board/DriverApi.h"

namespace {

// The driver's notices go to a window, as in the library; nobody needs them here.
HWND CreateNoticeWindow()
{
    return CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
}

const BoardEntry* FindPresentBoard(const BoardSlots& slots, std::uint16_t board)
{
    for (const BoardEntry& entry : slots) {
        if (entry.present && entry.boardNumber == board)
            return &entry;
    }
    return nullptr;
}

// "--test 5: ..." with the board numbers that are there.
void ReportNoSuchBoard(const BoardSlots& slots, std::uint16_t board)
{
    std::printf("--test %u: ボード番号 (board number) %u のボードはありません (no such board); 見つかったボード番号 "
                "(boards found):",
                unsigned{board}, unsigned{board});
    const char* separator = " ";
    for (const BoardEntry& entry : slots) {
        if (entry.present) {
            std::printf("%s%u", separator, unsigned{entry.boardNumber});
            separator = ", ";
        }
    }
    std::printf("\n");
    PrintAdvice(kAdviceNoSuchBoard);
}

// Discovery, the board lines and the self-test, with the driver bound.
ExitCode CheckBoards(const CheckOptions& options)
{
    BoardSlots slots;
    SlotTrace trace[kBoardSlots];
    const HWND window = CreateNoticeWindow();
    DiscoverBoards(slots, window, trace);
    ExitCode result = ReportBoards(slots, trace) > 0 ? kExitReady : kExitNoBoard;
    if (options.selfTest && result == kExitReady) {
        if (!FindPresentBoard(slots, options.board)) {
            ReportNoSuchBoard(slots, options.board);
            result = kExitNoSuchBoard;
        } else if (!RunSelfTest({options.board, options.channels, options.range, options.writeOutputs})) {
            result = kExitSelfTestFailed;
        }
    }
    CloseBoards(slots);
    std::printf("ボード (boards): すべて閉じました (all closed)\n");
    if (window)
        DestroyWindow(window);
    return result;
}

ExitCode Check(const CheckOptions& options)
{
    const std::vector<SearchFolder> folders = DriverSearchOrder(options.hostFolder);
    ReportSearchOrder(folders);
    const FoundDriver driver = LoadFirstDriver(folders);
    ReportFoundDriver(driver);
    if (!driver.module) {
        ReportStartUp(driver.path.empty() ? kStartUpNoDriver : kStartUpNotLoaded);
        return kExitNoDriver;
    }
    const bool complete = ReportEntryPoints(driver.module);
    const bool bound = LoadDriverLibrary() != 0;
    ReportStartUp(bound ? kStartUpInstalls : complete ? kStartUpNotBound : kStartUpIncomplete);
    const ExitCode result = bound ? CheckBoards(options) : kExitIncompleteDriver;
    UnloadDriverLibrary();
    FreeLibrary(driver.module);
    return result;
}

const char* ResultText(ExitCode code)
{
    for (const ExitCodeText& entry : kExitCodeTexts) {
        if (entry.code == code)
            return entry.meaning;
    }
    return "";
}

}  // namespace

int main(int argc, char** argv)
{
    CheckOptions options;
    std::string problem;
    if (!ParseCheckOptions(argc, argv, &options, &problem)) {
        std::printf("%s\n", problem.c_str());
        PrintAdvice(kAdviceUsage);
        return kExitUsage;
    }
    if (options.help) {
        PrintUsage();
        return kExitReady;
    }
    const ExitCode result = Check(options);
    std::printf("結果 (result): %s, 終了コード (exit code) %d\n", ResultText(result), int{result});
    return result;
}
