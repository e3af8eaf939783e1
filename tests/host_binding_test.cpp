// Start-up and shut-down of the real library in the stand-in host: the
// symbol import, the binding of the library's variables and the exports.
#include <iterator>
#include <map>

#include "TestHost.h"
#include "sim/host/HostNames.h"

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

TEST_F(HostBindingTest, WepAndFinishReturnOne)
{
    ASSERT_TRUE(startLibrary(true));
    EXPECT_EQ(host().wep(), 1u);
    EXPECT_EQ(host().finish(), 1u);
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

}  // namespace
}  // namespace torq7test
