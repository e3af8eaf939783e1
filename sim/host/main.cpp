// standin-host.exe: runs the library in the stand-in host with the simulated
// driver laid out by a board profile, on a stored worksheet (by default the
// demo's), prints what happens and can write the recorded channels as CSV.
// On a screen it also lets a person prepare a worksheet with the library's
// dialogs, or takes pictures of the dialogs.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim/host/ProgramModes.h"
#include "sim/host/BoardProfile.h"
#include "sim/host/CodePage.h"
#include "sim/host/RunCsv.h"
#include "sim/host/StandinHost.h"
#include "torq7m/modules/DaModuleData.h"

namespace {

using standin::BoardOf;
using standin::Cp932ToUtf8;
using standin::HostModule;
using standin::OutputCodes;
using standin::StandinHost;

struct Options {
    std::string library;
    std::string driver;
    std::string board;
    std::string worksheet;
    std::string save;
    std::string csv;
    std::string pictureDialog;
    std::string pictureFile;
    bool interactive = false;
    double seconds = 3.0;
    // 0: the worksheet's time base (1 ms and 100 for a worksheet without one)
    double msPerSample = 0.0;
    std::uint32_t blockSize = 0;
};

std::string ProgramFolder()
{
    char path[MAX_PATH];
    const std::string program(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return program.substr(0, program.find_last_of("\\/") + 1);
}

std::string OneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', '/');
    return text;
}

void Usage()
{
    std::puts("usage: standin-host.exe [--board FILE] [--worksheet FILE] [--save FILE] [--seconds S] [--ms X]\n"
              "                        [--block N] [--csv DIR] [--no-driver] [--library DLL] [--driver DLL]\n"
              "       standin-host.exe [--board FILE] --interactive [--worksheet FILE] [--save FILE]\n"
              "       standin-host.exe [--board FILE] --picture DIALOG FILE.bmp\n"
              "--board: the board profile (TOML) that lays out the simulated boards; --worksheet: the\n"
              "worksheet to run (TOML, or an earlier hexadecimal one). Without them the demo's files\n"
              "profiles\\demo-board.toml and profiles\\demo-worksheet.toml beside the program are used:\n"
              "analog input (4 channels), digital output, digital input and analog output on one board.\n"
              "--interactive shows the host's window (a display is needed): place modules from the HALDEN\n"
              "menu, double-click a module for its settings dialog; closing the window stores the worksheet\n"
              "in the --save file. The simulated driver offers a second board then, unless the profile\n"
              "fills slot 1.\n"
              "--picture opens the dialog Q7_DEVSEL, TORQ7_ADDLG, TORQ7_DIDLG, TORQ7_DODLG, TORQ7_DADLG or\n"
              "TORQ7_ABOUT as a user would and saves a picture of it (exit code 3: it did not open).");
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    options->library = ProgramFolder() + "Torq7m.dll";
    options->driver = ProgramFolder() + "driver\\torq7.dll";
    options->board = ProgramFolder() + "profiles\\demo-board.toml";
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--no-driver")
            options->driver.clear();
        else if (option == "--interactive")
            options->interactive = true;
        else if (option == "--picture" && i + 2 < argc) {
            options->pictureDialog = argv[++i];
            options->pictureFile = argv[++i];
        }
        else if (option == "--board" && hasValue)
            options->board = argv[++i];
        else if (option == "--worksheet" && hasValue)
            options->worksheet = argv[++i];
        else if (option == "--save" && hasValue)
            options->save = argv[++i];
        else if (option == "--csv" && hasValue)
            options->csv = argv[++i];
        else if (option == "--library" && hasValue)
            options->library = argv[++i];
        else if (option == "--driver" && hasValue)
            options->driver = argv[++i];
        else if (option == "--seconds" && hasValue)
            options->seconds = std::atof(argv[++i]);
        else if (option == "--ms" && hasValue)
            options->msPerSample = std::atof(argv[++i]);
        else if (option == "--block" && hasValue)
            options->blockSize = static_cast<std::uint32_t>(std::atoi(argv[++i]));
        else
            return false;
    }
    return true;
}

// A second board, so that the selection dialog offers a choice.
void AddSecondBoard(SimTorq7Control& driver)
{
    const SimBoardConfig board{1, 1, 1, 0xD000, 32, 3};
    driver.SimTorq7_SetBoard(1, &board);
}

void PrintStartUp(const StandinHost& host)
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

void PrintSummary(const StandinHost& host, std::uint32_t startTick)
{
    for (const HostModule* module : host.modules()) {
        for (unsigned channel = 0; channel < module->outputs(); ++channel) {
            const auto blocks = host.releasedBlocks(module, channel);
            std::size_t samples = 0;
            float low = 0.0f;
            float high = 0.0f;
            for (const auto& block : blocks) {
                for (float value : block.samples) {
                    low = samples == 0 ? value : std::min(low, value);
                    high = samples == 0 ? value : std::max(high, value);
                    ++samples;
                }
            }
            std::printf("%-5s ch%u: %3zu blocks, %6zu samples", module->name().c_str(), channel, blocks.size(),
                        samples);
            if (!blocks.empty())
                std::printf(", start times %.3f..%.3f s, released at +%u..+%u ms, values %.3f..%.3f",
                            blocks.front().startTime, blocks.back().startTime, blocks.front().tick - startTick,
                            blocks.back().tick - startTick, low, high);
            std::printf("\n");
        }
    }
}

void PrintDriver(StandinHost& host)
{
    SimTorq7Control* driver = host.driver();
    if (!driver)
        return;
    for (const HostModule* module : host.modules()) {
        if (module->className() == "TORQ7DA") {
            for (std::uint32_t channel = 0; channel < kDaChannels; ++channel) {
                const std::vector<std::uint16_t> codes = OutputCodes(*driver, BoardOf(*module), channel);
                std::printf("%s: analog output ch%u: %zu codes written, last %u\n", module->name().c_str(), channel,
                            codes.size(), codes.empty() ? 0u : codes.back());
            }
        } else if (module->className() == "TORQ7DO") {
            std::printf("%s: digital output port: %u writes\n", module->name().c_str(),
                        driver->SimTorq7_GetOutPortHistory(BoardOf(*module), nullptr, 0));
        }
    }
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
    return errors.empty() && host.liveAllocations() == 0 ? 0 : 1;
}

bool OnScreen(const Options& options)
{
    return options.interactive || !options.pictureDialog.empty();
}

// The screen modes: a person's session or a picture of one dialog.
int RunOnScreen(StandinHost& host, const Options& options)
{
    int result = 0;
    if (options.interactive) {
        if (!options.worksheet.empty() && !host.loadWorksheet(options.worksheet)) {
            std::printf("the worksheet %s could not be restored\n", options.worksheet.c_str());
            return 1;
        }
        result = RunInteractive(host, options.save);
    } else {
        result = RunDialogPicture(host, options.pictureDialog, options.pictureFile);
    }
    const int shutDown = ShutDown(host);
    return result != 0 ? result : shutDown;
}

int Run(const Options& options)
{
    standin::BoardProfile profile;
    std::string problem;
    if (!options.driver.empty() && !standin::ReadBoardProfile(options.board, &profile, &problem)) {
        std::printf("board profile refused: %s\n", problem.c_str());
        return 2;
    }
    StandinHost host;
    host.setFailureHook([](const std::string& what) { std::printf("HOST CHECK FAILED: %s\n", what.c_str()); });
    host.setWarningListener([](const standin::Warning& warning) {
        std::printf("warning [%s] %s\n", Cp932ToUtf8(warning.caption).c_str(), OneLine(Cp932ToUtf8(warning.text)).c_str());
    });
    host.useRealClock();
    if (options.driver.empty()) {
        std::printf("driver: none (a machine without torq7.dll)\n");
    } else if (host.loadDriver(options.driver)) {
        std::printf("driver: %s\nboards: %s (%zu)\n", options.driver.c_str(), options.board.c_str(),
                    profile.boards.size());
        standin::ApplyBoardProfile(profile, *host.driver());
        const bool slotOneTaken = std::any_of(profile.boards.begin(), profile.boards.end(),
                                              [](const standin::BoardSlotProfile& board) { return board.slot == 1; });
        if (OnScreen(options) && !slotOneTaken)
            AddSecondBoard(*host.driver());
    } else {
        std::printf("driver: cannot load %s\n", options.driver.c_str());
        return 1;
    }
    if (!host.loadLibrary(options.library)) {
        std::printf("cannot load %s\n", options.library.c_str());
        return 1;
    }
    std::printf("library: %s (%u clock imports redirected)\n", options.library.c_str(), host.patchedClockImports());
    const std::uint32_t setup = host.setup();
    std::printf("SetupVireoDLL: %u\n", setup);
    PrintStartUp(host);
    if (setup == 0)
        return 1;
    if (host.classes().empty()) {
        std::printf("no module classes: nothing to measure\nFinishVireoDLL: %u\n", host.finish());
        return 0;
    }
    host.setTimeBase(1.0, 100);
    if (OnScreen(options))
        return RunOnScreen(host, options);
    const std::string worksheet =
        options.worksheet.empty() ? ProgramFolder() + "profiles\\demo-worksheet.toml" : options.worksheet;
    if (!host.loadWorksheet(worksheet, nullptr, &problem)) {
        std::printf("worksheet refused: %s\nFinishVireoDLL: %u\n", problem.c_str(), host.finish());
        host.shutdown();
        return 2;
    }
    std::printf("worksheet: %s\n", worksheet.c_str());
    host.setTimeBase(options.msPerSample > 0.0 ? options.msPerSample : host.millisecondsPerSample(),
                     options.blockSize > 0 ? options.blockSize : host.blockSize());
    for (const auto& result : host.moduleResults()) {
        if (result.message == MODMSG_LOADED)
            std::printf("restored module %d: MODMSG_LOADED answered %u\n", result.moduleId, result.result);
    }
    if (!options.save.empty())
        std::printf("worksheet stored in %s: %s\n", options.save.c_str(),
                    host.saveWorksheet(options.save) ? "yes" : "FAILED");

    const std::uint32_t duration = static_cast<std::uint32_t>(options.seconds * 1000.0);
    std::printf("measurement: %.3f ms per sample, blocks of %u, %u ms\n", host.millisecondsPerSample(),
                host.blockSize(), duration);
    if (SimTorq7Control* driver = host.driver())
        standin::ArmTimedFaults(profile, *driver, host.now());
    const bool started = host.start();
    const std::uint32_t startTick = host.experimentStartTicks();
    std::printf("start: %s\n", started ? "every module ready" : "a module answered 0");
    host.runFor(duration, [&host, startTick] {
        std::printf("  +%5u ms: %zu blocks released, %zu warnings\n", host.now() - startTick,
                    host.releasedBlocks().size(), host.warnings().size());
    });
    std::printf("stopped (%zu stop requests from the library)\n", host.stopRequests());
    PrintSummary(host, startTick);
    PrintDriver(host);
    std::printf("warnings: %zu\n", host.warnings().size());
    if (!options.csv.empty() && standin::WriteRunCsv(host, options.csv))
        std::printf("CSV written to %s\n", options.csv.c_str());
    else if (!options.csv.empty())
        std::printf("CSV could not be written to %s\n", options.csv.c_str());
    return ShutDown(host);
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        Usage();
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return Run(options);
}
