// standin-host.exe: runs the library in the stand-in host with the simulated
// driver laid out by a board profile, on a stored worksheet (by default the
// demo's), prints what happens and can write the recorded channels as CSV.
// On a screen it also lets a person prepare a worksheet with the library's
// dialogs, or takes pictures of the dialogs.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ProgramFiles.h"
#include "ProgramOptions.h"
#include "sim/host/run/LoadFailures.h"
#include "sim/host/run/RunChecks.h"
#include "sim/host/run/RunCsv.h"
#include "sim/host/run/RunSummary.h"
#include "sim/host/run/WarningGlosses.h"
#include "sim/host/screen/ProgramModes.h"
#include "sim/host/standin/StandinHost.h"
#include "sim/host/storage/StoredBoards.h"
#include "sim/profile/BoardProfile.h"
#include "sim/text/CodePage.h"
#include "sim/text/Counted.h"
#include "sim/text/FileNames.h"

namespace {

using namespace standin;

// The virtual clock's reading when the program begins: any fixed value makes
// every run the same.
constexpr std::uint32_t kVirtualClockStart = 1000000;

std::string ProgramFolder()
{
    char path[MAX_PATH];
    const std::string program(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return program.substr(0, NameStart(program));
}

void PrintWarning(const Warning& warning)
{
    std::printf("warning %s\n", WarningLine(warning.caption, warning.text).c_str());
}

// How the library bound itself to the host: what --verbose shows.
void PrintBinding(const StandinHost& host)
{
    std::size_t variables = 0;
    std::size_t functions = 0;
    for (const auto& request : host.imports())
        (request.message == kMsgImportVariable ? variables : functions) += 1;
    std::printf("imported: %zu variables (message 30000), %zu functions (message 30001)\n", variables, functions);
    for (const auto& variable : host.boundVariables())
        std::printf("bound: %-30s %u bytes at 0x%08llx\n", variable.name.c_str(), variable.size,
                    static_cast<unsigned long long>(variable.address));
    for (const auto& cls : host.classes())
        std::printf("registered: %-8s \"%s\" / \"%s\", %u bytes of module data, menu %u\n", cls.className.c_str(),
                    Cp932ToUtf8(cls.shortName).c_str(), Cp932ToUtf8(cls.longName).c_str(), cls.info.dwModuleDataSize,
                    cls.info.dwMenuCommand);
    for (const auto& entry : host.menuEntries())
        std::printf("menu entry: %u\n", entry.command);
    HMENU menu = host.mainMenu();
    std::printf("main menu:");
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char caption[64] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), caption, sizeof caption, MF_BYPOSITION);
        std::printf(" [%s]", Cp932ToUtf8(caption).c_str());
    }
    std::printf("\n");
}

// Deletes the modules, finishes the library and reports what the host saw.
int ShutDown(StandinHost& host)
{
    for (HostModule* module : host.modules())
        host.deleteModule(module);
    std::printf("FinishVireoDLL: %u\n", host.finish());
    host.shutdown();
    const auto errors = host.protocolErrors();
    std::printf("host memory in use after shut-down: %zu blocks; host checks failed: %zu\n", host.liveAllocations(),
                errors.size());
    return errors.empty() && host.liveAllocations() == 0 ? kExitOk : kExitFailed;
}

bool OnScreen(const Options& options)
{
    return options.interactive || !options.pictureDialog.empty();
}

// The screen modes: a person's session or a picture of one dialog.
int RunOnScreen(StandinHost& host, const Options& options, const BoardProfile& profile, bool boardsKept)
{
    int result = kExitOk;
    if (options.interactive) {
        std::string problem;
        if (!options.worksheet.empty() && !host.loadWorksheet(options.worksheet, nullptr, &problem)) {
            std::printf("worksheet refused: %s\n", problem.c_str());
            result = kExitRefused;
        } else {
            result = RunInteractive(host, {options.save, options.board, boardsKept, options.overwrite}, profile);
        }
    } else {
        result = RunDialogPicture(host, options.pictureDialog, options.pictureFile);
    }
    const int shutDown = ShutDown(host);
    return shutDown != kExitOk ? shutDown : result;
}

// The modules whose start message answered 0: they measure nothing.
int ReportSilentModules(const StandinHost& host)
{
    int result = kExitOk;
    for (const ModuleResult& answer : host.moduleResults()) {
        if (answer.message != MODMSG_START || answer.result != 0)
            continue;
        if (const HostModule* module = host.findModule(answer.moduleId))
            std::printf("module '%s' (%s) answered 0 to its start: it measured nothing\n",
                        Cp932ToUtf8(module->name()).c_str(), module->className().c_str());
        result = kExitNothingMeasured;
    }
    return result;
}

// The measurement itself: on the virtual clock with the calls a real host
// would make, so that every run gives the same blocks; with --realtime
// against the wall clock, rounds as fast as they come.
void Measure(StandinHost& host, const Options& options, std::uint64_t duration)
{
    const auto progress = [&host] {
        std::printf("  +%6llu ms: %s released, %s\n", static_cast<unsigned long long>(host.elapsed()),
                    Counted(ReleasedBlocks(host), "block").c_str(), Counted(host.warnings().size(), "warning").c_str());
    };
    if (options.realtime)
        host.runFor(static_cast<std::uint32_t>(duration), progress);
    else
        host.runOnVirtualClock(duration, progress);
}

// The checks before anything runs; kExitOk when the run may go on.
int ReadInputs(const Options& options, BoardProfile* profile, StoredWorksheet* worksheet, std::string* worksheetPath)
{
    std::string problem;
    if (!options.driver.empty() && !ReadBoardProfile(options.board, profile, &problem)) {
        std::printf("board profile refused: %s\n", problem.c_str());
        return kExitRefused;
    }
    if (OnScreen(options))
        return kExitOk;
    *worksheetPath = options.worksheet.empty() ? ProgramFolder() + "profiles\\demo-worksheet.toml" : options.worksheet;
    if (!ReadWorksheet(*worksheetPath, worksheet, &problem) || !CheckOneOfEachKind(*worksheet, &problem) ||
        (!options.driver.empty() && !CheckBoards(*worksheet, *profile, options.board, &problem))) {
        std::printf("worksheet refused: %s\n", problem.c_str());
        return kExitRefused;
    }
    if (!options.driver.empty()) {
        for (const std::string& warning : RangeWarnings(*worksheet, *profile))
            std::printf("warning: %s\n", warning.c_str());
    }
    return kExitOk;
}

// Runs the worksheet in a host whose library is set up.
int RunWorksheet(StandinHost& host, const Options& options, const BoardProfile& profile,
                 const StoredWorksheet& worksheet, const std::string& path, RunVerdict* verdict)
{
    std::string problem;
    if (!host.placeWorksheet(worksheet, path, nullptr, &problem)) {
        std::printf("worksheet refused: %s\n", problem.c_str());
        return kExitRefused;
    }
    std::printf("worksheet: %s\n", Cp932ToUtf8(path).c_str());
    host.setTimeBase(options.msPerSample > 0.0 ? options.msPerSample : host.millisecondsPerSample(),
                     options.blockSize > 0 ? options.blockSize : host.blockSize());
    for (const auto& result : host.moduleResults()) {
        if (result.message == MODMSG_LOADED)
            std::printf("restored module %d: MODMSG_LOADED answered %u\n", result.moduleId, result.result);
    }
    // Every CSV file is checked before the worksheet is stored, and both
    // before a file of an earlier run is replaced.
    RunCsv csv;
    const bool writeCsv = !options.csv.empty();
    if (writeCsv && !OpenRunCsv(host, options.csv, &csv)) {
        std::printf("the CSV files could not be written: %s\n", csv.error.c_str());
        return kExitNotWritten;
    }
    if (writeCsv && !CheckCsvReplacesNothingOfTheRun(csv, profile, options.board, options.save, &problem)) {
        std::printf("%s\n", problem.c_str());
        AbandonRunCsv(&csv);
        return kExitRefused;
    }
    if (!options.save.empty()) {
        const bool stored = host.saveWorksheet(options.save, &problem);
        if (!stored)
            std::printf("the worksheet could not be stored: %s\n", problem.c_str());
        else
            std::printf("worksheet stored in %s\n", Cp932ToUtf8(options.save).c_str());
        if (!stored || !StoreProfileBeside(options, profile)) {
            AbandonRunCsv(&csv);
            return kExitNotWritten;
        }
    }
    if (writeCsv && !StartRunCsv(host, &csv)) {
        std::printf("the CSV files could not be written: %s\n", csv.error.c_str());
        return kExitNotWritten;
    }
    if (csv.heldEarlierRun)
        std::printf("note: %s held an earlier run; files of it that this run does not write stay there, and "
                    "channels.tsv lists this run's\n",
                    Cp932ToUtf8(options.csv).c_str());
    RunValues values;
    host.setBlockListener([&](const HostModule& module, unsigned channel, const BlockView& block) {
        NoteValues(values, module, channel, block);
        if (writeCsv)
            WriteCsvBlock(csv, module, channel, block);
    });
    host.useCountsMode(true);

    // The virtual clock runs whole blocks: the length said is the one run.
    const auto asked = static_cast<std::uint64_t>(options.seconds * 1000.0);
    const std::uint64_t duration = options.realtime ? asked : host.virtualRunLength(asked);
    std::printf("measurement: %g ms per sample, blocks of %u, %llu ms on the %s clock",
                host.millisecondsPerSample(), host.blockSize(), static_cast<unsigned long long>(duration),
                options.realtime ? "wall" : "virtual");
    if (duration != asked)
        std::printf(" (--seconds %g rounded up to whole blocks)", options.seconds);
    std::printf("\n");
    if (SimTorq7Control* driver = host.driver())
        ArmTimedFaults(profile, *driver, host.now());
    const bool started = host.start();
    std::printf("start: %s\n", started ? "every module ready" : "a module answered 0");
    Measure(host, options, duration);
    host.setBlockListener({});
    std::printf("stopped\n");
    *verdict = PrintRunSummary(host, values);
    verdict->droppedBlocks = PrintDroppedBlocks(host);
    int result = ReportSilentModules(host);
    if (writeCsv && !CloseRunCsv(host, &csv)) {
        std::printf("the CSV files could not be written: %s\n", csv.error.c_str());
        result = kExitNotWritten;
    } else if (writeCsv) {
        std::printf("CSV written to %s\n", Cp932ToUtf8(options.csv).c_str());
    }
    return result;
}

int Run(Options options)
{
    PickProfileBeside(options);
    BoardProfile profile;
    StoredWorksheet worksheet;
    std::string worksheetPath;
    if (const int refused = ReadInputs(options, &profile, &worksheet, &worksheetPath))
        return refused;
    const bool boardsKept = BoardsKept(profile, OnScreen(options));
    if (const int refused = CheckSaveTarget(options, boardsKept))
        return refused;
    StandinHost host;
    host.setFailureHook([](const std::string& what) { std::printf("HOST CHECK FAILED: %s\n", what.c_str()); });
    host.setWarningListener(PrintWarning);
    // People at the screen and --realtime runs see the wall clock; the rest
    // runs on the virtual one from the start, discovery included.
    if (OnScreen(options) || options.realtime)
        host.useRealClock();
    else
        host.useVirtualClock(kVirtualClockStart);
    if (options.driver.empty()) {
        std::printf("driver: none (a machine without torq7.dll)\n");
    } else if (host.loadDriver(options.driver)) {
        std::printf("driver: %s\nboards: %s (%zu)\n", Cp932ToUtf8(options.driver).c_str(),
                    Cp932ToUtf8(options.board).c_str(), profile.boards.size());
        if (OnScreen(options))
            AddSecondBoard(profile);
        ApplyBoardProfile(profile, *host.driver());
    } else {
        const DWORD error = GetLastError();
        std::printf("driver: cannot load %s: %s\n", Cp932ToUtf8(options.driver).c_str(), LoadFailure(error).c_str());
        return kExitFailed;
    }
    if (!host.loadLibrary(options.library)) {
        const DWORD error = GetLastError();
        std::printf("cannot load %s: %s\n", Cp932ToUtf8(options.library).c_str(), LoadFailure(error).c_str());
        return kExitFailed;
    }
    std::printf("library: %s\n", Cp932ToUtf8(options.library).c_str());
    const std::uint32_t setup = host.setup();
    std::printf("SetupVireoDLL: %u, %zu module classes\n", setup, host.classes().size());
    if (options.verbose)
        PrintBinding(host);
    if (setup == 0)
        return kExitFailed;
    if (host.classes().empty()) {
        // Without a driver the library offers no classes, as on a machine without the board.
        std::printf("no module classes: nothing to measure\nFinishVireoDLL: %u\n", host.finish());
        if (OnScreen(options) || worksheet.modules.empty())
            return kExitOk;
        std::printf("the worksheet's %zu modules cannot be placed: they measured nothing\n", worksheet.modules.size());
        return kExitNothingMeasured;
    }
    host.setTimeBase(1.0, 100);
    if (OnScreen(options))
        return RunOnScreen(host, options, profile, boardsKept);
    RunVerdict verdict;
    const int result = RunWorksheet(host, options, profile, worksheet, worksheetPath, &verdict);
    const int shutDown = ShutDown(host);
    // Why a run was not clean comes last, where a person or a script looks.
    const bool clean = PrintVerdict(verdict);
    if (shutDown != kExitOk || result != kExitOk)
        return shutDown != kExitOk ? shutDown : result;
    return clean ? kExitOk : kExitNotClean;
}

}  // namespace

int main()
{
    // LF line ends, as every other file of the project has them.
    _setmode(_fileno(stdout), _O_BINARY);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    Options options;
    std::vector<std::string> arguments;
    std::string error;
    if (!ProgramArguments(&arguments, &error)) {
        std::printf("standin-host: %s\n", error.c_str());
        return kExitRefused;
    }
    if (!ParseOptions(arguments, ProgramFolder(), &options, &error)) {
        std::printf("standin-host: %s\n(standin-host.exe --help lists the options)\n", Cp932ToUtf8(error).c_str());
        return kExitRefused;
    }
    if (options.help) {
        std::fputs(UsageText(), stdout);
        return kExitOk;
    }
    if (!options.pictureDialog.empty() && !IsPictureDialog(options.pictureDialog)) {
        std::printf("standin-host: --picture %s: not a dialog of the library; the dialogs are %s\n",
                    Cp932ToUtf8(options.pictureDialog).c_str(), PictureDialogNames().c_str());
        return kExitRefused;
    }
    // Pictures are made again and again: a bitmap is replaced, any other file stays.
    if (!options.pictureDialog.empty() && FileExists(options.pictureFile) &&
        !FileBeginsWith(options.pictureFile, "BM")) {
        std::printf("standin-host: --picture: %s is not a bitmap, and a picture replaces only a bitmap: name "
                    "another file\n",
                    Cp932ToUtf8(options.pictureFile).c_str());
        return kExitRefused;
    }
    return Run(options);
}
