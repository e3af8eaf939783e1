// The library's use of the board driver: discovery of the boards at
// start-up and their closing at shut-down, the refusal of an incomplete
// driver, the guarded port access and the window that takes the driver's
// notices.
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "TestHost.h"
#include "torq7m/board/DriverTypes.h"
#include "torq7m/modules/DiModuleData.h"

namespace torq7test {
namespace {

constexpr char kEventClass[] = "TORQ7GETMSG";
constexpr char kEventTitle[] = "GETMSG";

std::vector<SimCall> CallsOf(SimTorq7Control& driver, SimEntry entry)
{
    std::vector<SimCall> calls;
    const std::uint32_t count = driver.SimTorq7_CallCount();
    for (std::uint32_t i = 0; i < count; ++i) {
        SimCall call{};
        driver.SimTorq7_GetCall(i, &call);
        if (call.dwEntry == entry)
            calls.push_back(call);
    }
    return calls;
}

// The first argument (the board number, or the slot for Torq7Create) of every call of `entry`.
std::vector<std::uint32_t> BoardsOf(SimTorq7Control& driver, SimEntry entry)
{
    std::vector<std::uint32_t> boards;
    for (const SimCall& call : CallsOf(driver, entry))
        boards.push_back(call.dwArgs[0]);
    return boards;
}

// This process's event window. Other test programs run beside this one in the
// same Wine prefix and window station, each with its own event window of the
// same class and title, so a lookup by name alone can find theirs.
HWND EventWindow()
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, kEventClass, kEventTitle)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId())
            return window;
    }
    return nullptr;
}

class BoardAccessTest : public HostTest {
protected:
    void setBoard(std::uint32_t slot, std::uint32_t boardNumber, std::int32_t resourceOk = 1)
    {
        const SimBoardConfig board{1, boardNumber, resourceOk, 0xE800 + 0x20 * slot, 32, slot};
        driver().SimTorq7_SetBoard(slot, &board);
    }

    std::uint16_t boardOf(const standin::HostModule* module) const
    {
        return module->dataAs<DiModuleData>()->wBoardNumber;
    }
};

TEST_F(BoardAccessTest, DiscoveryKeepsTheBoardNumbersTheDriverWritesBack)
{
    ASSERT_TRUE(loadLibrary());
    setBoard(2, 7);   // the driver renumbers this board
    setBoard(5, 5);
    ASSERT_EQ(host().setup(), 1u);

    const std::vector<SimCall> creates = CallsOf(driver(), SIM_CREATE);
    ASSERT_EQ(creates.size(), kBoardSlots);
    ASSERT_NE(EventWindow(), nullptr);
    for (std::uint32_t slot = 0; slot < kBoardSlots; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(creates[slot].dwArgs[0], slot);
        EXPECT_EQ(creates[slot].dwArgs[1], HandleToHost32(EventWindow()));
        EXPECT_EQ(creates[slot].dwArgs[2], kDriverMessageBase);
        EXPECT_EQ(creates[slot].dwArgs[3], 0u);
    }
    EXPECT_EQ(BoardsOf(driver(), SIM_GETRESOURCE), (std::vector<std::uint32_t>{7, 5}));
    EXPECT_EQ(BoardsOf(driver(), SIM_GETSWITCHVALUE), (std::vector<std::uint32_t>{7, 5}));
    EXPECT_TRUE(BoardsOf(driver(), SIM_CLOSE).empty());

    // Modules name the board by the driver's number, and the table finds it
    // again by that number: at the restore check and when a claim is given up.
    standin::HostModule* first = placeWithFirstBoard("TORQ7DI");
    standin::HostModule* second = placeWithFirstBoard("TORQ7DI");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(boardOf(first), 7);
    EXPECT_EQ(boardOf(second), 5);
    driver().SimTorq7_ClearLog();
    EXPECT_EQ(host().sendMessage(first, MODMSG_LOADED), 1u);
    EXPECT_EQ(BoardsOf(driver(), SIM_GETRESOURCE), (std::vector<std::uint32_t>{7}));
    host().deleteModule(first);
    standin::HostModule* again = placeWithFirstBoard("TORQ7DI");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(boardOf(again), 7);

    driver().SimTorq7_ClearLog();
    EXPECT_EQ(host().finish(), 1u);
    EXPECT_EQ(BoardsOf(driver(), SIM_CLOSE), (std::vector<std::uint32_t>{7, 5}));
    EXPECT_EQ(driver().SimTorq7_OpenBoards(), 0u);
}

TEST_F(BoardAccessTest, BoardWithoutResourcesIsClosedOnceAndNotOffered)
{
    ASSERT_TRUE(loadLibrary());
    setBoard(3, 9, 0);
    setBoard(4, 4);
    ASSERT_EQ(host().setup(), 1u);
    EXPECT_EQ(BoardsOf(driver(), SIM_CLOSE), (std::vector<std::uint32_t>{9}));
    EXPECT_EQ(BoardsOf(driver(), SIM_GETSWITCHVALUE), (std::vector<std::uint32_t>{4}));

    standin::HostModule* module = placeWithFirstBoard("TORQ7DI");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(boardOf(module), 4);
    // Only the warning of an empty selection: the board without resources is not offered.
    const std::size_t dialogs = host().dialogsSeen();
    EXPECT_EQ(host().placeModule("TORQ7DI"), nullptr);
    EXPECT_EQ(host().dialogsSeen(), dialogs);
    EXPECT_EQ(host().warnings().size(), 1u);

    driver().SimTorq7_ClearLog();
    host().finish();
    EXPECT_EQ(BoardsOf(driver(), SIM_CLOSE), (std::vector<std::uint32_t>{4}));
}

// The library finds torq7.dll by its bare name; each case puts one driver
// on the search path, so that whether the library let it go again shows in
// whether the driver is still loaded.
TEST_F(BoardAccessTest, DriverLackingAnEntryPointIsRefusedAndReleased)
{
    struct Case {
        std::string folder;
        bool complete;
    };
    // The programs' own folder holds no torq7.dll: a machine without the driver.
    std::vector<Case> cases = {{ProgramFolder() + "driver", true}, {ProgramFolder(), false}};
    for (const char* entry : kDriverEntryNames)
        cases.push_back({ProgramFolder() + "drivers-missing\\" + entry, false});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        freshHost();
        ASSERT_TRUE(loadLibrary(false));
        ASSERT_TRUE(SetDllDirectoryA(c.folder.c_str()));
        const std::uint32_t result = host().setup();
        SetDllDirectoryA(nullptr);
        EXPECT_EQ(result, 1u);
        EXPECT_EQ(host().classes().size(), c.complete ? 4u : 0u);
        EXPECT_EQ(GetModuleHandleA(kDriverFileName) != nullptr, c.complete);
        host().finish();
        EXPECT_EQ(GetModuleHandleA(kDriverFileName), nullptr) << "the driver outlived FinishVireoDLL";
    }
}

TEST_F(BoardAccessTest, EventWindowAndItsClassGoAtFinishAndComeBackAtTheNextStartUp)
{
    const HINSTANCE hostInstance = GetModuleHandleA(nullptr);   // hInstVireo
    for (int startUp = 0; startUp < 2; ++startUp) {
        SCOPED_TRACE(startUp);
        freshHost();
        ASSERT_TRUE(startLibrary());
        EXPECT_EQ(host().classes().size(), 4u);
        WNDCLASSA info{};
        ASSERT_TRUE(GetClassInfoA(hostInstance, kEventClass, &info));
        EXPECT_EQ(info.style, static_cast<UINT>(CS_NOCLOSE | CS_DBLCLKS));
        EXPECT_EQ(info.cbWndExtra, 4);
        const HWND window = EventWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(GetWindow(window, GW_OWNER), host().mainWindow());
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & (WS_POPUP | WS_CHILD), DWORD{WS_POPUP});

        host().finish();
        EXPECT_EQ(EventWindow(), nullptr);
        EXPECT_FALSE(GetClassInfoA(hostInstance, kEventClass, &info));
    }
}

TEST_F(BoardAccessTest, DriverNoticesStopTheMeasurementAndWarn)
{
    struct Case {
        std::uint32_t notice;   // message base + notice
        bool running;
        const char* warning;    // null: no warning
    };
    constexpr Case kCases[] = {
        {1, true, nullptr},
        {2, true, nullptr},
        {3, true, "バッファオーバーフロー"},
        {3, false, "バッファオーバーフロー"},
        {4, true, "バッファオーバーラン"},
        {4, false, "バッファオーバーラン"},
    };
    ASSERT_TRUE(loadLibrary());
    setBoard(6, 6);
    ASSERT_EQ(host().setup(), 1u);
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << "notice " << c.notice << (c.running ? " running" : " idle"));
        if (c.running)
            host().start(1.0, 16);
        host().clearRecords();
        // The driver reaches the window it was given when the board was opened.
        EXPECT_EQ(driver().SimTorq7_SendNotice(6, c.notice), 1);
        EXPECT_EQ(SendMessageA(EventWindow(), kDriverMessageBase + c.notice, 0, 0), 0);
        const bool stops = c.running && c.warning;
        EXPECT_EQ(host().stopRequests(), stops ? 2u : 0u);
        const std::vector<standin::Warning> warnings = host().warnings();
        ASSERT_EQ(warnings.size(), c.warning ? 2u : 0u);
        for (const standin::Warning& warning : warnings) {
            EXPECT_EQ(warning.caption, "Torq-Q7");
            EXPECT_EQ(warning.text, c.warning);
        }
        if (stops) {
            const auto calls = host().calls();
            ASSERT_GE(calls.size(), 2u);
            EXPECT_EQ(calls[0].function, "StopExperiment") << "the warning came before the stop";
        }
        host().stop();
    }

    host().start(1.0, 16);
    host().clearRecords();
    EXPECT_EQ(SendMessageA(EventWindow(), kDriverMessageBase + 5, 0, 0), 0);
    char title[16] = {};
    SendMessageA(EventWindow(), WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title));
    EXPECT_STREQ(title, kEventTitle) << "other messages go to the default window procedure";
    EXPECT_EQ(host().stopRequests(), 0u);
    EXPECT_TRUE(host().warnings().empty());
    EXPECT_TRUE(host().calls().empty());
}

TEST_F(BoardAccessTest, PortWritesPassTheByteAndPortReadsFillIt)
{
    constexpr std::uint8_t kInputByte = 0xA5;
    constexpr unsigned kBlock = 4;
    ASSERT_TRUE(loadLibrary());
    setBoard(2, 7);
    ASSERT_EQ(host().setup(), 1u);
    driver().SimTorq7_SetInputPattern(7, &kInputByte, 1);
    standin::HostModule* output = placeWithFirstBoard("TORQ7DO");
    standin::HostModule* input = placeWithFirstBoard("TORQ7DI", {0, 8, ""});
    ASSERT_TRUE(output && input);

    ASSERT_TRUE(host().start(1.0, kBlock));
    host().feedInput(output, 0, {5.0f, 0.0f, 7.0f, 4.9f});
    driver().SimTorq7_ClearLog();
    host().runRounds(1, kBlock + 1);

    std::vector<std::uint32_t> written;
    for (const SimCall& call : CallsOf(driver(), SIM_OUTPORT)) {
        EXPECT_EQ(call.dwArgs[0], 7u);
        written.push_back(call.dwArgs[1]);
    }
    EXPECT_EQ(written, (std::vector<std::uint32_t>{1, 0, 1, 0}));
    const std::vector<SimCall> reads = CallsOf(driver(), SIM_INPORT);
    EXPECT_EQ(reads.size(), 8u * kBlock);
    for (const SimCall& call : reads)
        EXPECT_EQ(call.dwArgs[0], 7u);
    for (unsigned c = 0; c < 8; ++c) {
        SCOPED_TRACE(c);
        const auto blocks = host().releasedBlocks(input, c);
        ASSERT_EQ(blocks.size(), 1u);
        const float level = (kInputByte >> c) & 1 ? 5.0f : 0.0f;
        EXPECT_EQ(blocks[0].samples, std::vector<float>(kBlock, level));
    }

    // Outside a measurement the port is left alone and every access succeeds.
    host().stop();
    host().clearRecords();
    driver().SimTorq7_ClearLog();
    EXPECT_EQ(host().findClass("TORQ7DI")->process(input->record()), 1u);
    EXPECT_GT(host().callCount("GetCurrentOutputBlock"), 0u) << "no sample was taken";
    EXPECT_TRUE(CallsOf(driver(), SIM_INPORT).empty());
    EXPECT_TRUE(host().warnings().empty());
    EXPECT_EQ(host().stopRequests(), 0u);
}

TEST_F(BoardAccessTest, PortCallsFromTwoThreadsNeverOverlap)
{
    ASSERT_TRUE(loadLibrary());
    setBoard(2, 2);
    setBoard(5, 5);
    ASSERT_EQ(host().setup(), 1u);
    standin::HostModule* modules[] = {placeWithFirstBoard("TORQ7DI", {0, 8, ""}), placeWithFirstBoard("TORQ7DI", {0, 8, ""})};
    ASSERT_TRUE(modules[0] && modules[1]);
    const ModuleProcessFunction process = host().findClass("TORQ7DI")->process;
    driver().SimTorq7_SetPortHoldMicroseconds(50);
    ASSERT_TRUE(host().start(1.0, 40));
    driver().SimTorq7_ClearLog();

    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (standin::HostModule* module : modules) {
        threads.emplace_back([&ready, process, module] {
            ++ready;
            while (ready < 2) {
            }
            EXPECT_EQ(process(module->record()), 1u);
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    const std::vector<SimCall> reads = CallsOf(driver(), SIM_INPORT);
    EXPECT_EQ(reads.size(), 2u * 8u * 40u);
    std::set<std::uint32_t> threadIds;
    for (const SimCall& call : reads)
        threadIds.insert(call.dwThreadId);
    EXPECT_EQ(threadIds.size(), 2u);
    EXPECT_EQ(driver().SimTorq7_PortOverlaps(), 0u);
}

}  // namespace
}  // namespace torq7test
