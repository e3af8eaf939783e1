// standin-host.exe: runs the library in the stand-in host with the simulated
// driver, either on a stored worksheet or on the demo set-up, prints what
// happens and can write the recorded channels as CSV. On a screen it also
// lets a person prepare a worksheet with the library's dialogs, or takes
// pictures of the dialogs.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sim/host/ProgramModes.h"
#include "sim/host/StandinHost.h"
#include "torq7m/modules/AdModuleData.h"
#include "torq7m/modules/DaModuleData.h"

namespace {

using standin::HostModule;
using standin::StandinHost;

constexpr std::uint32_t kDemoBoard = 0;
constexpr unsigned kDemoRange0To10V = 1;   // the analog input and output range 0..10 V

struct Options {
    std::string library;
    std::string driver;
    std::string worksheet;
    std::string save;
    std::string csv;
    std::string pictureDialog;
    std::string pictureFile;
    bool interactive = false;
    double seconds = 3.0;
    double msPerSample = 1.0;
    std::uint32_t blockSize = 100;
};

std::string ProgramFolder()
{
    char path[MAX_PATH];
    const std::string program(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return program.substr(0, program.find_last_of("\\/") + 1);
}

// The library's texts are code page 932; the console of the demo reads UTF-8.
std::string Utf8(const std::string& cp932)
{
    if (cp932.empty())
        return cp932;
    std::wstring wide(cp932.size(), L'\0');
    wide.resize(MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), &wide[0],
                                    static_cast<int>(wide.size())));
    std::string utf8(wide.size() * 4, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0],
                                    static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

std::string OneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', '/');
    return text;
}

void Usage()
{
    std::puts("usage: standin-host.exe [--worksheet FILE] [--save FILE] [--seconds S] [--ms X] [--block N]\n"
              "                        [--csv DIR] [--no-driver] [--library DLL] [--driver DLL]\n"
              "       standin-host.exe --interactive [--worksheet FILE] [--save FILE]\n"
              "       standin-host.exe --picture DIALOG FILE.bmp\n"
              "Without --worksheet the demo set-up is placed: analog input (4 channels), digital output,\n"
              "digital input and analog output on one simulated board with port loopback.\n"
              "--interactive shows the host's window (a display is needed): place modules from the HALDEN\n"
              "menu, double-click a module for its settings dialog; closing the window stores the worksheet\n"
              "in the --save file. The simulated driver offers two boards then.\n"
              "--picture opens the dialog Q7_DEVSEL, TORQ7_ADDLG, TORQ7_DIDLG, TORQ7_DODLG, TORQ7_DADLG or\n"
              "TORQ7_ABOUT as a user would and saves a picture of it (exit code 3: it did not open).");
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    options->library = ProgramFolder() + "Torq7m.dll";
    options->driver = ProgramFolder() + "driver\\torq7.dll";
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

// One board with four different signals on its first analog inputs, and the
// digital output port wired back to the digital input port.
void LayOutBoard(SimTorq7Control& driver)
{
    const SimBoardConfig board{1, kDemoBoard, 1, 0xE800, 32, 0};
    driver.SimTorq7_SetBoard(0, &board);
    const SimSignal signals[] = {
        {SIM_SIGNAL_SINE, 2048, 1600, 1000, 0},
        {SIM_SIGNAL_RAMP, 2048, 2000, 2000, 0},
        {SIM_SIGNAL_SQUARE, 2048, 2047, 1000, 0},
        {SIM_SIGNAL_CONSTANT, 1024, 0, 1, 0},
    };
    for (std::uint32_t channel = 0; channel < std::size(signals); ++channel)
        driver.SimTorq7_SetSignal(kDemoBoard, channel, &signals[channel]);
    driver.SimTorq7_SetLoopback(kDemoBoard, 1);
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
                    Utf8(cls.shortName).c_str(), Utf8(cls.longName).c_str(), cls.info.dwModuleDataSize,
                    cls.info.dwMenuCommand);
    for (const auto& entry : host.menuEntries())
        std::printf("menu entry: %u\n", entry.command);
    HMENU menu = host.mainMenu();
    std::printf("main menu:");
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char caption[64] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), caption, sizeof caption, MF_BYPOSITION);
        std::printf(" [%s]", Utf8(caption).c_str());
    }
    std::printf("\n");
}

HostModule* Place(StandinHost& host, const char* className, const standin::Placement& placement)
{
    host.whenDialogOpens([](HWND dialog) {
        char title[128] = "";
        GetWindowTextA(dialog, title, sizeof title);
        std::printf("dialog \"%s\": OK\n", Utf8(title).c_str());
        SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);
    });
    HostModule* module = host.placeModule(className, placement);
    std::printf("placed %s as %s: %s\n", className, placement.name.c_str(), module ? "yes" : "refused");
    return module;
}

bool PlaceDemo(StandinHost& host)
{
    HostModule* ad = Place(host, "TORQ7AD", {0, 4, "AD"});
    HostModule* dout = Place(host, "TORQ7DO", {1, 0, "DOUT"});
    HostModule* din = Place(host, "TORQ7DI", {0, 1, "DIN"});
    HostModule* da = Place(host, "TORQ7DA", {2, 0, "DA"});
    if (!ad || !dout || !din || !da)
        return false;
    // The ranges as the settings dialogs would store them: 0..10 V, so that
    // the square wave reaches the 5 V switching level of the digital output.
    const InputRange& range = kInputRanges[kDemoRange0To10V];
    AdModuleData& adData = *ad->dataAs<AdModuleData>();
    adData.nInputRange = kDemoRange0To10V;
    adData.wRangeSpan = range.wRangeSpan;
    adData.fRangeHigh = range.fRangeHigh;
    adData.fRangeLow = range.fRangeLow;
    da->dataAs<DaModuleData>()->nOutputRange = kDemoRange0To10V;
    host.connect(ad, 2, dout, 0);
    host.connect(ad, 0, da, 0);
    host.connect(ad, 1, da, 1);
    return true;
}

std::string FileName(const HostModule& module)
{
    std::string name = module.name();
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    }
    return name.empty() ? "module" + std::to_string(module.id()) : name;
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
    for (std::uint32_t channel = 0; channel < 2; ++channel) {
        std::uint16_t last = 0;
        const std::uint32_t total = driver->SimTorq7_GetOutputCodes(kDemoBoard, channel, nullptr, 0);
        std::vector<std::uint16_t> codes(total);
        driver->SimTorq7_GetOutputCodes(kDemoBoard, channel, codes.data(), total);
        if (!codes.empty())
            last = codes.back();
        std::printf("analog output ch%u: %u codes written, last %u\n", channel, total, last);
    }
    const std::uint32_t writes = driver->SimTorq7_GetOutPortHistory(kDemoBoard, nullptr, 0);
    std::printf("digital output port: %u writes\n", writes);
}

bool WriteCsv(const StandinHost& host, const std::string& folder)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const HostModule* module : host.modules()) {
        for (unsigned channel = 0; channel < module->outputs(); ++channel) {
            const std::string path = folder + "/" + FileName(*module) + "-ch" + std::to_string(channel) + ".csv";
            FILE* file = std::fopen(path.c_str(), "w");
            if (!file)
                return false;
            std::fprintf(file, "time_s,value\n");
            for (const auto& block : host.releasedBlocks(module, channel)) {
                for (std::size_t j = 0; j < block.samples.size(); ++j)
                    std::fprintf(file, "%.6f,%.6f\n", block.startTime + j * block.sampleDistance, block.samples[j]);
            }
            std::fclose(file);
        }
    }
    if (SimTorq7Control* driver = const_cast<StandinHost&>(host).driver()) {
        for (std::uint32_t channel = 0; channel < 2; ++channel) {
            const std::uint32_t total = driver->SimTorq7_GetOutputCodes(kDemoBoard, channel, nullptr, 0);
            std::vector<std::uint16_t> codes(total);
            driver->SimTorq7_GetOutputCodes(kDemoBoard, channel, codes.data(), total);
            FILE* file = std::fopen((folder + "/analog-out-ch" + std::to_string(channel) + ".csv").c_str(), "w");
            if (!file)
                return false;
            std::fprintf(file, "index,code\n");
            for (std::size_t i = 0; i < codes.size(); ++i)
                std::fprintf(file, "%zu,%u\n", i, codes[i]);
            std::fclose(file);
        }
    }
    std::printf("CSV written to %s\n", folder.c_str());
    return true;
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
    StandinHost host;
    host.setFailureHook([](const std::string& what) { std::printf("HOST CHECK FAILED: %s\n", what.c_str()); });
    host.setWarningListener([](const standin::Warning& warning) {
        std::printf("warning [%s] %s\n", Utf8(warning.caption).c_str(), OneLine(Utf8(warning.text)).c_str());
    });
    host.useRealClock();
    if (options.driver.empty()) {
        std::printf("driver: none (a machine without torq7.dll)\n");
    } else if (host.loadDriver(options.driver)) {
        std::printf("driver: %s\n", options.driver.c_str());
        LayOutBoard(*host.driver());
        if (OnScreen(options))
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
    host.setTimeBase(options.msPerSample, options.blockSize);
    if (OnScreen(options))
        return RunOnScreen(host, options);
    const bool placed = options.worksheet.empty() ? PlaceDemo(host) : host.loadWorksheet(options.worksheet);
    if (!placed) {
        std::printf("the worksheet could not be set up\n");
        return 1;
    }
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
    if (!options.csv.empty() && !WriteCsv(host, options.csv))
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
