// The four module classes as the host sees them: their registration, their
// answers to module messages, and what creating, deleting and restoring a
// module does to its settings and to the board claims.
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "TestHost.h"
#include "torq7m/modules/AdModuleData.h"
#include "torq7m/modules/DaModuleData.h"
#include "torq7m/modules/DiModuleData.h"
#include "torq7m/modules/DoModuleData.h"

namespace torq7test {
namespace {

constexpr std::uint32_t kSlot = 3;
constexpr std::uint16_t kBoard = 8;
constexpr std::uint32_t kOtherSlot = 6;
constexpr std::uint16_t kOtherBoard = 12;

struct ClassFacts {
    const char* className;
    std::uint32_t dataSize;
    std::uint32_t menuCommand;
    const char* shortName;
    const char* longName;
    const char* iconBitmap;
    const char* moduleBitmap;
};

// In registration order.
constexpr ClassFacts kClasses[] = {
    {"TORQ7DI", 200, 2953, "Q7DIN", "Torq-Q7 DIN", "ICO_Q7DI", "BMP_Q7DI"},
    {"TORQ7DO", 200, 2954, "Q7DO", "Torq-Q7 DOUT", "ICO_Q7DO", "BMP_Q7DO"},
    {"TORQ7DA", 56, 2952, "Q7DA", "Torq-Q7 DA", "ICO_Q7DA", "BMP_Q7DA"},
    {"TORQ7AD", 252, 2951, "Q7AD", "Torq-Q7 AD", "ICO_Q7AD", "BMP_Q7AD"},
};

// The board number sits at 192 in every settings block but the analog output's.
std::uint16_t BoardOf(const standin::HostModule* module)
{
    return module->className() == "TORQ7DA" ? module->dataAs<DaModuleData>()->wBoardNumber
                                            : module->dataAs<DiModuleData>()->wBoardNumber;
}

// A worksheet file in the temporary folder, removed with the object.
class TempWorksheet {
public:
    TempWorksheet()
    {
        char folder[MAX_PATH];
        char path[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        GetTempFileNameA(folder, "q7w", 0, path);
        path_ = path;
    }
    ~TempWorksheet() { DeleteFileA(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class ModuleDispatchTest : public HostTest {
protected:
    void startWithBoard(std::uint16_t boardNumber = kBoard, bool withOtherBoard = false)
    {
        ASSERT_TRUE(loadLibrary());
        const SimBoardConfig board{1, boardNumber, 1, 0xE800, 32, 0};
        driver().SimTorq7_SetBoard(kSlot, &board);
        const SimBoardConfig other{1, kOtherBoard, 1, 0xD000, 32, 0};
        if (withOtherBoard)
            driver().SimTorq7_SetBoard(kOtherSlot, &other);
        ASSERT_EQ(host().setup(), 1u);
    }

    // The result the module answered to the host's MODMSG_LOADED.
    std::optional<std::uint32_t> loadedResult(const standin::HostModule* module)
    {
        std::optional<std::uint32_t> result;
        for (const standin::ModuleResult& entry : host().moduleResults()) {
            if (entry.moduleId == module->id() && entry.message == MODMSG_LOADED)
                result = entry.result;
        }
        return result;
    }

    // Stores the one module of the worksheet, as the user saves it.
    void saveOnly(standin::HostModule* module, const TempWorksheet& file)
    {
        ASSERT_EQ(host().modules(), std::vector<standin::HostModule*>{module});
        ASSERT_TRUE(host().saveWorksheet(file.path()));
    }

    standin::HostModule* restore(const TempWorksheet& file)
    {
        std::vector<standin::HostModule*> placed;
        EXPECT_TRUE(host().loadWorksheet(file.path(), &placed));
        EXPECT_EQ(placed.size(), 1u);
        return placed.empty() ? nullptr : placed[0];
    }
};

TEST_F(ModuleDispatchTest, RegistersTheFourClassesInOrder)
{
    startWithBoard();
    const std::vector<standin::RegisteredClass> classes = host().classes();
    ASSERT_EQ(classes.size(), std::size(kClasses));
    const HMODULE library = host().library();
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const ClassFacts& facts = kClasses[i];
        const standin::RegisteredClass& cls = classes[i];
        SCOPED_TRACE(facts.className);
        EXPECT_EQ(cls.className, facts.className);
        EXPECT_EQ(cls.shortName, facts.shortName);
        EXPECT_EQ(cls.longName, facts.longName);
        const ModuleClassInfo& info = cls.info;
        EXPECT_EQ(info.hInstance, HandleToHost32(library));
        EXPECT_EQ(info.dwModuleDataSize, facts.dataSize);
        EXPECT_EQ(info.dwHostField12, 0u);
        EXPECT_EQ(info.dwHostField16, 12u);
        EXPECT_EQ(info.dwMenuCommand, facts.menuCommand);
        for (std::uint32_t field : info.dwHostField32)
            EXPECT_EQ(field, 0u);
        EXPECT_EQ(std::vector<std::uint8_t>(std::begin(info.hostReserved60), std::end(info.hostReserved60)),
                  std::vector<std::uint8_t>(sizeof info.hostReserved60, 0));
        EXPECT_NE(cls.handler, nullptr);
        EXPECT_NE(cls.process, nullptr);
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_NE(classes[j].handler, cls.handler) << "the host tells classes apart by their handler";
            EXPECT_NE(classes[j].process, cls.process);
        }

        struct Picture {
            HostAddr32 handle;
            const char* name;
            LONG width, height;
        };
        for (const Picture& picture : {Picture{info.hIconBitmap, facts.iconBitmap, 26, 24},
                                       Picture{info.hModuleBitmap, facts.moduleBitmap, 64, 46}}) {
            SCOPED_TRACE(picture.name);
            BITMAP bitmap{};
            ASSERT_EQ(GetObjectA(HandleFromHost32<HBITMAP>(picture.handle), sizeof bitmap, &bitmap),
                      static_cast<int>(sizeof bitmap));
            EXPECT_EQ(bitmap.bmWidth, picture.width);
            EXPECT_EQ(bitmap.bmHeight, picture.height);
            // The loaded bitmap takes the display's depth; the resource keeps its 16 colours.
            HRSRC resource = FindResourceA(library, picture.name, MAKEINTRESOURCEA(2));   // RT_BITMAP
            ASSERT_NE(resource, nullptr);
            const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(library, resource)));
            ASSERT_NE(header, nullptr);
            EXPECT_EQ(header->biBitCount, 4);
        }
    }
}

TEST_F(ModuleDispatchTest, AnswersOrPassesOnEachMessagePerClass)
{
    enum Answer { kOne, kPassed, kSkip };
    struct Row {
        std::uint32_t message;
        Answer answers[4];   // in the order of kClasses: DI, DO, DA, AD
    };
    constexpr Row kRows[] = {
        {1, {kOne, kOne, kOne, kOne}},
        {104, {kOne, kOne, kOne, kOne}},
        {201, {kOne, kPassed, kPassed, kOne}},
        {MODMSG_START, {kSkip, kSkip, kOne, kSkip}},
        {MODMSG_STOP, {kOne, kSkip, kOne, kSkip}},
        {0, {kPassed, kPassed, kPassed, kPassed}},
        {100, {kPassed, kPassed, kPassed, kPassed}},
        {108, {kPassed, kPassed, kPassed, kPassed}},
        {200, {kPassed, kPassed, kPassed, kPassed}},
        {202, {kPassed, kPassed, kPassed, kPassed}},
    };
    startWithBoard();
    std::vector<standin::HostModule*> modules;
    for (const ClassFacts& facts : kClasses)
        modules.push_back(placeWithFirstBoard(facts.className));
    // 0 as the default action's answer must come back as 0, not as 1.
    for (const std::optional<std::uint32_t> defaultResult : {std::optional<std::uint32_t>{}, std::optional<std::uint32_t>{0}}) {
        host().setDefaultActionResult(defaultResult);
        for (const Row& row : kRows) {
            for (std::size_t c = 0; c < std::size(kClasses); ++c) {
                if (row.answers[c] == kSkip)
                    continue;
                SCOPED_TRACE(testing::Message() << kClasses[c].className << " message " << row.message);
                ASSERT_NE(modules[c], nullptr);
                host().clearRecords();
                const std::uint32_t param1 = 0xA5000000 | row.message;
                const std::uint32_t param2 = 0x5A000000 | row.message;
                const std::uint32_t result = host().sendMessage(modules[c], row.message, param1, param2);
                const std::vector<standin::DefaultActionCall> passed = host().defaultActions();
                if (row.answers[c] == kOne) {
                    EXPECT_EQ(result, 1u);
                    EXPECT_TRUE(passed.empty());
                    EXPECT_TRUE(host().calls().empty()) << "acknowledged with an action";
                } else {
                    ASSERT_EQ(passed.size(), 1u);
                    EXPECT_EQ(passed[0].module, modules[c]->record());
                    EXPECT_EQ(passed[0].message, row.message);
                    EXPECT_EQ(passed[0].param1, param1);
                    EXPECT_EQ(passed[0].param2, param2);
                    EXPECT_EQ(result, passed[0].result);
                }
            }
        }
    }
}

TEST_F(ModuleDispatchTest, CreateTakesTheBoardAndWritesTheDefaults)
{
    struct Case {
        const char* className;
        unsigned inputs, outputs;           // as placed
        unsigned wantInputs, wantOutputs;   // after create
        unsigned names;
        bool outputsAnimate;
    };
    constexpr Case kCases[] = {
        {"TORQ7AD", 0, 0, 0, 1, 8, true},  {"TORQ7AD", 0, 3, 0, 3, 8, true},  {"TORQ7DI", 0, 0, 0, 1, 8, true},
        {"TORQ7DI", 0, 5, 0, 5, 8, true},  {"TORQ7DO", 0, 0, 1, 0, 8, false}, {"TORQ7DO", 4, 0, 4, 0, 8, false},
        {"TORQ7DA", 0, 0, 1, 0, 2, false}, {"TORQ7DA", 2, 0, 2, 0, 2, false},
    };
    startWithBoard();
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.className << " placed with " << c.inputs << "/" << c.outputs);
        // Everything the create should write is spoiled while the dialog is open.
        host().whenDialogOpens([this](HWND dialog) {
            standin::HostModule* module = host().modules().back();
            std::memset(module->data(), 0xEE, module->dataSize());
            for (unsigned slot = 0; slot < kChannelStateSlots; ++slot)
                module->channelState(slot)->nAnimationStep = 7;
            PressButton(dialog, IDOK);
        });
        standin::HostModule* module = host().placeModule(c.className, {c.inputs, c.outputs, ""});
        ASSERT_NE(module, nullptr);
        EXPECT_EQ(module->inputs(), c.wantInputs);
        EXPECT_EQ(module->outputs(), c.wantOutputs);
        EXPECT_EQ(BoardOf(module), kBoard);
        const auto* names = static_cast<const char(*)[kChannelNameSize]>(module->data());
        for (unsigned i = 0; i < c.names; ++i)
            EXPECT_STREQ(names[i], ("ﾁｬﾝﾈﾙ " + std::to_string(i)).c_str());
        if (c.outputsAnimate) {
            for (unsigned slot = 0; slot < kChannelStateSlots; ++slot)
                EXPECT_EQ(module->channelState(slot)->nAnimationStep, 0) << "slot " << slot;
        }
        if (module->className() == "TORQ7AD") {
            const AdModuleData& data = *module->dataAs<AdModuleData>();
            EXPECT_EQ(data.nInputRange, 0);
            EXPECT_EQ(data.nBufferMode, 0);
            EXPECT_EQ(data.nBufferSize, 0);
            EXPECT_EQ(data.nStartMethod, 0);
            EXPECT_EQ(data.dwTotalSamples, 0u);
            EXPECT_EQ(data.pSampleBuffer, 0u);
            EXPECT_EQ(data.wRangeSpan, 5);
            EXPECT_EQ(data.fRangeHigh, 5.0f);
            EXPECT_EQ(data.fRangeLow, 0.0f);
        }
        if (module->className() == "TORQ7DA") {
            EXPECT_EQ(module->dataAs<DaModuleData>()->nOutputRange, 0u);
        }
        // Each kind claims the board for itself only: the next class still finds it.
        host().deleteModule(module);
    }
}

TEST_F(ModuleDispatchTest, CancelledCreateChangesNothing)
{
    startWithBoard(kBoard, true);
    for (const ClassFacts& facts : kClasses) {
        SCOPED_TRACE(facts.className);
        standin::HostModule* module = placeWithFirstBoard(facts.className);
        ASSERT_NE(module, nullptr);
        const auto* bytes = static_cast<const std::uint8_t*>(module->data());
        const std::vector<std::uint8_t> before(bytes, bytes + module->dataSize());
        const unsigned inputs = module->inputs();
        const unsigned outputs = module->outputs();
        // The host sends the create again; the user cancels the selection.
        host().whenDialogOpens([](HWND dialog) { PressButton(dialog, IDCANCEL); });
        EXPECT_EQ(host().sendMessage(module, MODMSG_CREATE), 0u);
        EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + module->dataSize()), before);
        EXPECT_EQ(module->inputs(), inputs);
        EXPECT_EQ(module->outputs(), outputs);
        // The module kept its board and the offered one stayed free.
        standin::HostModule* next = placeWithFirstBoard(facts.className);
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(BoardOf(next), kOtherBoard);
        host().deleteModule(next);
        host().deleteModule(module);
    }
}

TEST_F(ModuleDispatchTest, RestoredModulesOfOneKindShareTheClaimOfTheirBoard)
{
    startWithBoard();
    TempWorksheet file;
    standin::HostModule* placed = placeWithFirstBoard("TORQ7AD");
    ASSERT_NE(placed, nullptr);
    saveOnly(placed, file);
    host().deleteModule(placed);

    standin::HostModule* first = restore(file);
    standin::HostModule* second = restore(file);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(loadedResult(first), 1u);
    EXPECT_EQ(loadedResult(second), 1u);
    EXPECT_TRUE(host().warnings().empty());
    EXPECT_EQ(host().placeModule("TORQ7AD"), nullptr) << "the restored modules did not claim the board";
    host().deleteModule(first);
    EXPECT_EQ(host().placeModule("TORQ7AD"), nullptr) << "the board was offered while the second module holds it";
    host().deleteModule(second);
    standin::HostModule* again = placeWithFirstBoard("TORQ7AD");
    ASSERT_NE(again, nullptr) << "the last delete frees the board";
    EXPECT_EQ(BoardOf(again), kBoard);
}

TEST_F(ModuleDispatchTest, RestoringAModuleWhoseBoardIsGoneWarnsAndFails)
{
    for (const ClassFacts& facts : kClasses) {
        SCOPED_TRACE(facts.className);
        TempWorksheet file;
        freshHost();
        startWithBoard(kBoard);
        standin::HostModule* placed = placeWithFirstBoard(facts.className);
        ASSERT_NE(placed, nullptr);
        saveOnly(placed, file);

        // Another machine: its only board has another number.
        freshHost();
        startWithBoard(kBoard + 1);
        standin::HostModule* restored = restore(file);
        ASSERT_NE(restored, nullptr);
        EXPECT_EQ(loadedResult(restored), 0u);
        const std::vector<standin::Warning> warnings = host().warnings();
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].caption, "Torq-Q7 ERROR");
        EXPECT_EQ(warnings[0].text, "指定のソケット 8 にデバイスが存在しませんでした");
        EXPECT_NE(placeWithFirstBoard(facts.className), nullptr) << "the present board was claimed";
    }
}

TEST_F(ModuleDispatchTest, RestoredAnalogOutputWithAnUnknownRangeWarnsAndUsesTheFirstRange)
{
    startWithBoard();
    TempWorksheet file;
    standin::HostModule* placed = placeWithFirstBoard("TORQ7DA");
    ASSERT_NE(placed, nullptr);
    placed->dataAs<DaModuleData>()->nOutputRange = 7;
    saveOnly(placed, file);
    host().deleteModule(placed);
    host().clearRecords();

    standin::HostModule* restored = restore(file);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(loadedResult(restored), 1u);
    const std::vector<standin::Warning> warnings = host().warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].caption, "Torq-Q7 ERROR");
    EXPECT_NE(warnings[0].text.find('7'), std::string::npos) << warnings[0].text;

    host().start(1.0, 3);
    host().feedInput(restored, 0, {0.0f, 2.5f, 5.0f});
    host().runRound();
    std::uint16_t codes[3] = {};
    ASSERT_EQ(driver().SimTorq7_GetOutputCodes(kBoard, 0, codes, 3), 3u);
    EXPECT_EQ(codes[0], 0);
    EXPECT_EQ(codes[1], 2048);   // 0 to 5 V
    EXPECT_EQ(codes[2], 4096);
}

}  // namespace
}  // namespace torq7test
