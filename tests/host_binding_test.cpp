// Start-up and shut-down of the real library in the stand-in host: the
// symbol import, the binding of the library's variables and the exports.
#include <cstring>
#include <iterator>
#include <map>
#include <vector>

#include "TestHost.h"
#include "sim/host/binding/HostNames.h"

namespace torq7test {
namespace {

using standin::kHostFunctionCount;
using standin::kHostFunctionNames;
using standin::kHostVariableCount;
using standin::kHostVariables;

class HostBindingTest : public HostTest {};

TEST_F(HostBindingTest, AsksEveryNameOnceInOrderBeforeAnyHostCall)
{
    ASSERT_TRUE(startLibrary(false));
    const auto imports = host().imports();
    ASSERT_EQ(imports.size(), kHostVariableCount + kHostFunctionCount);
    for (std::size_t i = 0; i < kHostVariableCount; ++i) {
        EXPECT_EQ(imports[i].message, kMsgImportVariable) << i;
        EXPECT_EQ(imports[i].name, kHostVariables[i].name) << i;
    }
    for (std::size_t i = 0; i < kHostFunctionCount; ++i) {
        EXPECT_EQ(imports[kHostVariableCount + i].message, kMsgImportFunction) << i;
        EXPECT_EQ(imports[kHostVariableCount + i].name, kHostFunctionNames[i]) << i;
    }
    const auto calls = host().calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().function, "DefineDllModule");
    EXPECT_GT(calls.front().seq, imports.back().seq);
    EXPECT_EQ(host().defineDllModuleCalls(), 1u);
}

TEST_F(HostBindingTest, ValuesStoredWithoutTestMayBeZero)
{
    constexpr const char* kUntested[] = {"bDateDayLeadingZero", "bDateMonthLeadingZero", "bDateYearLong",
                                         "wDateFormat", "bTime24h", "bTimeLeadingZero", "bDecLeadingZero"};
    for (const char* name : kUntested) {
        SCOPED_TRACE(name);
        freshHost();
        host().answerVariable(name, 0);
        ASSERT_TRUE(startLibrary(false));
        EXPECT_EQ(host().imports().size(), kHostVariableCount + kHostFunctionCount);
        EXPECT_EQ(host().boundVariables().size(), 7u);
    }
}

TEST_F(HostBindingTest, RequiredNameAnsweredZeroEndsStartUpThere)
{
    struct Case {
        unsigned message;
        const char* name;
    };
    constexpr Case kCases[] = {
        {kMsgImportVariable, "hInstVireo"},   {kMsgImportVariable, "&CurrentModulePtr"},
        {kMsgImportVariable, "TimeTrenn"},    {kMsgImportVariable, "DateTrenn"},
        {kMsgImportVariable, "&nWindowOrder"}, {kMsgImportFunction, "NewMemAlloc"},
        {kMsgImportFunction, "StopExperiment"}, {kMsgImportFunction, "TimeBaseDialog"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        freshHost();
        if (c.message == kMsgImportVariable)
            host().answerVariable(c.name, 0);
        else
            host().answerFunction(c.name, 0);
        ASSERT_TRUE(loadLibrary(false));
        EXPECT_EQ(host().setup(), 0u);
        const auto imports = host().imports();
        ASSERT_FALSE(imports.empty());
        EXPECT_EQ(imports.back().name, c.name) << "asked after the refused name";
        EXPECT_EQ(imports.back().message, c.message);
        std::size_t functionRequests = 0;
        for (const auto& request : imports)
            functionRequests += request.message == kMsgImportFunction;
        if (c.message == kMsgImportVariable) {
            EXPECT_EQ(functionRequests, 0u);
        }
        EXPECT_EQ(host().defineDllModuleCalls(), 0u);
        EXPECT_TRUE(host().calls().empty()) << "the library called the host";
    }
}

TEST_F(HostBindingTest, BindsItsSevenVariablesInOrderAndTheHostKeepsThemCurrent)
{
    struct Expected {
        const char* name;
        std::uint32_t size;
    };
    constexpr Expected kVariables[] = {
        {"fGlobalMilliSecondsPerSample", 8}, {"uiGlobalBlockSize", 4},          {"bAnimation", 4},
        {"bExperimentIsRunning", 4},         {"bExperimentIsPaused", 4},        {"dwExperimentStartTimeTicks", 4},
        {"BBoxModul", 4},
    };
    ASSERT_TRUE(startLibrary(false));
    const auto bound = host().boundVariables();
    ASSERT_EQ(bound.size(), std::size(kVariables));
    const auto base = reinterpret_cast<std::uintptr_t>(host().library());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const std::uintptr_t end = base + nt->OptionalHeader.SizeOfImage;
    std::map<std::uintptr_t, std::size_t> byAddress;
    for (std::size_t i = 0; i < bound.size(); ++i) {
        SCOPED_TRACE(kVariables[i].name);
        EXPECT_EQ(bound[i].name, kVariables[i].name);
        EXPECT_EQ(bound[i].size, kVariables[i].size);
        EXPECT_TRUE(bound[i].address >= base && bound[i].address < end) << "not a variable of the library";
        byAddress[bound[i].address] = bound[i].size;
    }
    ASSERT_EQ(byAddress.size(), bound.size()) << "two variables at one address";
    for (auto it = byAddress.begin(); std::next(it) != byAddress.end(); ++it)
        EXPECT_LE(it->first + it->second, std::next(it)->first) << "variables overlap";
    host().setTimeBase(2.5, 321);
    EXPECT_EQ(*reinterpret_cast<volatile double*>(bound[0].address), 2.5);
    EXPECT_EQ(*reinterpret_cast<volatile std::uint32_t*>(bound[1].address), 321u);
    EXPECT_EQ(*reinterpret_cast<volatile std::uint32_t*>(bound[3].address), 0u);
}

TEST_F(HostBindingTest, RefusedModuleOrVariableBindingEndsStartUp)
{
    constexpr int kRefuseModule = -1;
    constexpr int kCases[] = {kRefuseModule, 0, 1, 2, 3, 4, 5, 6};
    for (const int refused : kCases) {
        SCOPED_TRACE(refused);
        freshHost();
        if (refused == kRefuseModule)
            host().setDefineDllModuleResult(0);
        else
            host().setDefineDllVariableResult(refused, 0);
        ASSERT_TRUE(loadLibrary(true));
        EXPECT_EQ(host().setup(), 0u);
        EXPECT_EQ(host().boundVariables().size(), static_cast<std::size_t>(refused + 1))
            << "bound on after the refusal";
        EXPECT_TRUE(host().classes().empty());
        EXPECT_TRUE(host().menuEntries().empty());
    }
}

// The class bitmaps the host drew with go with the library.
TEST_F(HostBindingTest, WepAndFinishReturnOneAndFinishDeletesTheClassBitmaps)
{
    ASSERT_TRUE(startLibrary(true));
    std::vector<HGDIOBJ> bitmaps;
    for (const standin::RegisteredClass& cls : host().classes()) {
        bitmaps.push_back(HandleFromHost32<HGDIOBJ>(cls.info.hIconBitmap));
        bitmaps.push_back(HandleFromHost32<HGDIOBJ>(cls.info.hModuleBitmap));
    }
    ASSERT_EQ(bitmaps.size(), 8u);
    for (HGDIOBJ bitmap : bitmaps)
        EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(host().wep(), 1u);
    EXPECT_EQ(host().finish(), 1u);
    for (HGDIOBJ bitmap : bitmaps)
        EXPECT_EQ(GetObjectType(bitmap), 0u) << "a class bitmap outlived the library";
}

TEST_F(HostBindingTest, WithoutTheDriverStartUpSucceedsButOffersNoModules)
{
    const int menuItems = GetMenuItemCount(host().mainMenu());
    ASSERT_TRUE(startLibrary(false));
    EXPECT_TRUE(host().classes().empty());
    EXPECT_TRUE(host().menuEntries().empty());
    EXPECT_EQ(GetMenuItemCount(host().mainMenu()), menuItems) << "vendor menu inserted";
    EXPECT_EQ(host().finish(), 1u);

    // The same host machine with the driver installed offers the four classes.
    freshHost();
    ASSERT_TRUE(startLibrary(true));
    EXPECT_EQ(host().classes().size(), 4u);
}

TEST_F(HostBindingTest, LibrarySeesTheHostClock)
{
    ASSERT_TRUE(loadLibrary(true));
    addBoard(0, 0);
    ASSERT_EQ(host().setup(), 1u);
    EXPECT_EQ(host().patchedClockImports(), 1u);
    standin::HostModule* din = placeWithFirstBoard("TORQ7DI");
    ASSERT_NE(din, nullptr);
    ASSERT_TRUE(host().start(1.0, 100));
    host().runRounds(1, 99);
    EXPECT_TRUE(host().releasedBlocks(din, 0).empty()) << "released before its due time";
    host().runRounds(1, 1);
    const auto blocks = host().releasedBlocks(din, 0);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].tick, kClockStart + 100);
    SimCall create{};
    ASSERT_EQ(driver().SimTorq7_GetCall(0, &create), 1);
    EXPECT_EQ(create.dwTick, kClockStart) << "the driver does not see the host clock";
}

TEST_F(HostBindingTest, StoredWorksheetComesBackWithDataAndConnections)
{
    const std::string path = ProgramFolder() + "host_binding_test.worksheet";
    ASSERT_TRUE(loadLibrary(true));
    addBoard(0, 7);
    ASSERT_EQ(host().setup(), 1u);
    standin::HostModule* din = placeWithFirstBoard("TORQ7DI", {0, 2, "IN"});
    standin::HostModule* dout = placeWithFirstBoard("TORQ7DO", {1, 0, "OUT"});
    ASSERT_TRUE(din && dout);
    host().connect(din, 1, dout, 0);
    std::strcpy(din->record()->szDescription, "stored");
    const auto* bytes = static_cast<const std::uint8_t*>(din->data());
    const std::vector<std::uint8_t> data(bytes, bytes + din->dataSize());
    host().setTimeBase(2.0, 50);
    ASSERT_TRUE(host().saveWorksheet(path));

    freshHost();
    ASSERT_TRUE(loadLibrary(true));
    addBoard(0, 7);
    ASSERT_EQ(host().setup(), 1u);
    std::vector<standin::HostModule*> placed;
    ASSERT_TRUE(host().loadWorksheet(path, &placed));
    DeleteFileA(path.c_str());
    ASSERT_EQ(placed.size(), 2u);
    const standin::HostModule& in = *placed[0];
    EXPECT_EQ(in.className(), "TORQ7DI");
    EXPECT_EQ(in.name(), "IN");
    EXPECT_STREQ(in.record()->szDescription, "stored");
    EXPECT_EQ(in.outputs(), 2u);
    EXPECT_EQ(placed[1]->inputs(), 1u);
    const auto* restored = static_cast<const std::uint8_t*>(in.data());
    EXPECT_EQ(std::vector<std::uint8_t>(restored, restored + in.dataSize()), data);
    EXPECT_EQ(host().millisecondsPerSample(), 2.0);
    EXPECT_EQ(host().blockSize(), 50u);
    EXPECT_EQ(host().dialogsSeen(), 0u) << "restoring asked for a board";
    const auto results = host().moduleResults();
    ASSERT_EQ(results.size(), 2u);
    for (const auto& result : results) {
        EXPECT_EQ(result.message, MODMSG_LOADED);
        EXPECT_EQ(result.result, 1u);
    }

    // The restored connection carries the digital input's second channel to the output.
    ASSERT_TRUE(host().start());
    host().runRounds(1, 100);
    ASSERT_EQ(host().releasedBlocks(&in, 1).size(), 1u);
    host().runRounds(1, 1);
    bool delivered = false;
    for (const auto& call : host().inputBlockCalls())
        delivered |= call.moduleId == placed[1]->id() && !call.release && call.withBlock;
    EXPECT_TRUE(delivered);
}

}  // namespace
}  // namespace torq7test
