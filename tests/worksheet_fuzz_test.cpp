// Damaged stored worksheets: random and mutated ModuleData blocks of all
// four layouts are restored and taken through setup (OK, then Cancel),
// start, process calls, stop and delete. Nothing may crash, write outside
// the host's blocks (canaries and guard pages of the stand-in host's arena)
// or leak; every warning has a caption and a text; the stored bytes stay as
// the user stored them, apart from what the user changed with OK and the
// fields that a start rewrites by design.
//
// The seeded run below is what CI runs. A longer run:
//   TORQ7_FUZZ_CASES=20000 TORQ7_FUZZ_SEED=7 ../wine-run.sh ./torq7m_tests.exe --gtest_filter='WorksheetFuzz*'
// A case that fails is written to fuzz-failures/ beside the test program as a
// worksheet; copied into tests/fuzz-corpus/ it is run by every build.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "SessionScript.h"

namespace torq7test {
namespace {

constexpr unsigned kCasesPerLayout = 400;
constexpr unsigned kRoundsPerCase = 4;
// A settings dialog costs a few tenths of a second under Wine: every case of
// the corpus opens them, and one generated case in this many.
constexpr unsigned kSettingsEvery = 8;
constexpr std::uint32_t kDefaultSeed = 20261208;
constexpr std::uint16_t kOtherBoard = 9;   // present in slot 1

// A field of a layout that a mutation aims at.
enum class FieldKind { Index, Number, Float, Board, Pointer, Names };

struct Field {
    std::uint32_t offset;
    std::uint32_t size;
    FieldKind kind;
};

constexpr Field kAdFields[] = {
    {0, 192, FieldKind::Names},   {192, 2, FieldKind::Board},   {196, 4, FieldKind::Index},
    {200, 4, FieldKind::Index},   {204, 4, FieldKind::Index},   {208, 4, FieldKind::Index},
    {212, 4, FieldKind::Number},  {216, 4, FieldKind::Pointer}, {220, 2, FieldKind::Number},
    {224, 4, FieldKind::Number},  {228, 4, FieldKind::Number},  {232, 4, FieldKind::Number},
    {236, 4, FieldKind::Number},  {240, 4, FieldKind::Number},  {244, 4, FieldKind::Float},
    {248, 4, FieldKind::Float},
};
constexpr Field kDiFields[] = {{0, 192, FieldKind::Names}, {192, 2, FieldKind::Board}, {194, 4, FieldKind::Number}};
constexpr Field kDoFields[] = {{0, 192, FieldKind::Names}, {192, 2, FieldKind::Board}, {196, 4, FieldKind::Pointer}};
constexpr Field kDaFields[] = {{0, 48, FieldKind::Names}, {48, 2, FieldKind::Board}, {52, 4, FieldKind::Index}};

struct Layout {
    const SessionClass* cls;
    const Field* fields;
    unsigned fieldCount;
    // Bytes [from, to) that a start or stop rewrites by design.
    std::uint32_t runtimeFrom;
    std::uint32_t runtimeTo;
};

template <unsigned N>
constexpr Layout LayoutOf(unsigned classIndex, const Field (&fields)[N], std::uint32_t from, std::uint32_t to)
{
    return Layout{&kSessionClasses[classIndex], fields, N, from, to};
}

// The start writes dwTotalSamples, the buffer reference and Mode of the
// analog input block and the buffer reference of the digital output block.
const Layout kLayouts[] = {
    LayoutOf(0, kAdFields, 212, 244),
    LayoutOf(1, kDiFields, 0, 0),
    LayoutOf(2, kDoFields, 196, 200),
    LayoutOf(3, kDaFields, 0, 0),
};

const Layout& LayoutOfClass(const std::string& className)
{
    for (const Layout& layout : kLayouts) {
        if (className == layout.cls->className)
            return layout;
    }
    return kLayouts[0];
}

std::uint32_t EnvironmentNumber(const char* name, std::uint32_t fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10)) : fallback;
}

// The generator draws raw 32-bit numbers only, so that a seed gives the same
// cases with every standard library.
class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : random_(seed) {}

    std::uint32_t below(std::uint32_t n) { return n == 0 ? 0 : random_() % n; }
    std::uint32_t any() { return random_(); }

    std::uint32_t interestingNumber()
    {
        static const std::uint32_t kValues[] = {
            0, 1, 2, 4, 5, 6, 7, 8, 10, 11, 12, 47, 48, 255, 256, 0x7FFF, 0x8000, 0xFFFF, 0x10000,
            0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFF6, 0xDDDDDDDD, 0xCDCDCDCD,
        };
        return below(3) == 0 ? any() : kValues[below(sizeof kValues / sizeof kValues[0])];
    }

    float interestingFloat()
    {
        const float kValues[] = {
            0.0f, -0.0f, 5.0f, -5.0f, 10.0f, -10.0f, 2.5f, 1e-38f, 1e38f, -1e38f,
            std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
            std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max(),
        };
        if (below(3) == 0) {
            const std::uint32_t bits = any();
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        return kValues[below(sizeof kValues / sizeof kValues[0])];
    }

    std::uint16_t board()
    {
        const std::uint16_t kValues[] = {kSessionBoard, kOtherBoard, 0, 1, 15, 16, 0xFFFF, 0x8000};
        return below(4) == 0 ? static_cast<std::uint16_t>(any()) : kValues[below(sizeof kValues / sizeof kValues[0])];
    }

    // Names without terminators, with lead bytes of double-byte characters
    // cut off at the end, or random bytes.
    void names(std::uint8_t* area, std::uint32_t size)
    {
        switch (below(4)) {
        case 0:
            std::memset(area, 'A' + below(26), size);
            break;
        case 1:
            for (std::uint32_t i = 0; i < size; ++i)
                area[i] = static_cast<std::uint8_t>(0x81 + below(0x1F));   // lead bytes only
            break;
        case 2:
            for (std::uint32_t i = 0; i < size; ++i)
                area[i] = static_cast<std::uint8_t>(any());
            break;
        default: {
            const std::uint32_t at = below(size);
            std::memset(area + at, 0x82, size - at);
            break;
        }
        }
    }

    void mutateField(std::vector<std::uint8_t>& data, const Field& field)
    {
        std::uint8_t* at = &data[field.offset];
        switch (field.kind) {
        case FieldKind::Index: {
            const std::int32_t kIndexes[] = {-1, 0, 1, 4, 5, 10, 11, 12, 47, 48, -2147483647 - 1, 2147483647};
            const std::int32_t value = below(2) ? kIndexes[below(sizeof kIndexes / sizeof kIndexes[0])]
                                                : static_cast<std::int32_t>(interestingNumber());
            std::memcpy(at, &value, field.size);
            break;
        }
        case FieldKind::Number:
        case FieldKind::Pointer: {
            const std::uint32_t value = interestingNumber();
            std::memcpy(at, &value, field.size);
            break;
        }
        case FieldKind::Float: {
            const float value = interestingFloat();
            std::memcpy(at, &value, field.size);
            break;
        }
        case FieldKind::Board: {
            const std::uint16_t value = board();
            std::memcpy(at, &value, field.size);
            break;
        }
        case FieldKind::Names:
            names(at, field.size);
            break;
        }
    }

    // A damaged module of the layout: a mutated good block, or random bytes
    // throughout; channel counts sometimes beyond the class's.
    standin::StoredModule module(const Layout& layout)
    {
        std::vector<std::uint8_t> data = DefaultStoredData(*layout.cls, below(4) ? kSessionBoard : kOtherBoard);
        if (below(8) == 0) {
            for (std::uint8_t& byte : data)
                byte = static_cast<std::uint8_t>(any());
        } else {
            for (unsigned m = 1 + below(4); m > 0; --m)
                mutateField(data, layout.fields[below(layout.fieldCount)]);
        }
        standin::StoredModule stored = StoredModuleOf(*layout.cls, data);
        if (below(3) == 0) {
            stored.inputs = below(17);   // the host offers up to 16 inputs and 8 outputs
            stored.outputs = below(9);
        }
        return stored;
    }

private:
    std::mt19937 random_;
};

// A worksheet with `modules`, in the stand-in host's format.
void WriteWorksheet(const std::string& path, double msPerSample, std::uint32_t blockSize,
                    const std::vector<standin::StoredModule>& modules)
{
    std::ofstream out(path, std::ios::binary);
    char line[64];
    std::snprintf(line, sizeof line, "timebase %.17g %u\n", msPerSample, blockSize);
    out << "standin-worksheet 1\n" << line;
    for (const standin::StoredModule& module : modules) {
        out << "module " << module.className << ' ' << module.inputs << ' ' << module.outputs << "\ndata ";
        for (std::uint8_t byte : module.data) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", byte);
            out << hex;
        }
        out << '\n';
    }
}

// The case under way, written out when it fails or crashes the process.
struct CurrentCase {
    std::string path;
    double msPerSample;
    std::uint32_t blockSize;
    std::vector<standin::StoredModule> modules;
};
CurrentCase g_currentCase;

void WriteCurrentCase()
{
    if (!g_currentCase.path.empty())
        WriteWorksheet(g_currentCase.path, g_currentCase.msPerSample, g_currentCase.blockSize, g_currentCase.modules);
}

LONG WINAPI WriteCaseOnCrash(EXCEPTION_POINTERS*)
{
    WriteCurrentCase();
    std::fprintf(stderr, "crashed in the fuzz case written to %s\n", g_currentCase.path.c_str());
    return EXCEPTION_CONTINUE_SEARCH;
}

// The stored blocks of a worksheet file, in module order.
std::vector<std::vector<std::uint8_t>> StoredBlocks(const std::string& path)
{
    std::vector<std::vector<std::uint8_t>> blocks;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("data ", 0) != 0)
            continue;
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 5; i + 1 < line.size(); i += 2)
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)));
        blocks.push_back(bytes);
    }
    return blocks;
}

std::vector<std::string> CorpusFiles()
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    const std::string folder = ProgramFolder() + "fuzz-corpus\\";
    HANDLE search = FindFirstFileA((folder + "*.worksheet").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do
        files.push_back(folder + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

class WorksheetFuzz : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        ASSERT_TRUE(loadLibrary());
        addBoard(0, kSessionBoard);
        addBoard(1, kOtherBoard);
        ASSERT_EQ(host().setup(), 1u);
        SetUnhandledExceptionFilter(WriteCaseOnCrash);
    }

    // The bytes outside the fields that a start rewrites.
    static std::vector<std::uint8_t> StoredPart(const standin::HostModule* module)
    {
        const Layout& layout = LayoutOfClass(module->className());
        const auto* bytes = static_cast<const std::uint8_t*>(module->data());
        std::vector<std::uint8_t> kept(bytes, bytes + module->dataSize());
        std::fill(kept.begin() + layout.runtimeFrom, kept.begin() + layout.runtimeTo, 0);
        return kept;
    }

    static std::vector<std::uint8_t> Bytes(const standin::HostModule* module)
    {
        const auto* bytes = static_cast<const std::uint8_t*>(module->data());
        return std::vector<std::uint8_t>(bytes, bytes + module->dataSize());
    }

    // Restore, setup with OK and Cancel (`withSettings`), start, some rounds,
    // stop, delete: true when every check held.
    bool runCase(const std::vector<standin::HostModule*>& modules, const std::vector<std::vector<std::uint8_t>>& stored,
                 bool withSettings)
    {
        for (std::size_t m = 0; m < modules.size(); ++m)
            EXPECT_EQ(Bytes(modules[m]), stored[m]) << "restoring changed the stored block of module " << m;
        std::vector<std::vector<std::uint8_t>> afterOk;
        for (standin::HostModule* module : modules) {
            if (withSettings)
                answeringDialogs(IDOK, [&] { return host().setupModule(module); });
            afterOk.push_back(Bytes(module));
            if (!withSettings)
                continue;
            answeringDialogs(IDCANCEL, [&] { return host().setupModule(module); });
            EXPECT_EQ(Bytes(module), afterOk.back()) << "Cancel changed the stored block";
        }
        host().start();
        measure(kRoundsPerCase);
        host().stop();
        for (std::size_t m = 0; m < modules.size(); ++m) {
            std::vector<std::uint8_t> expected = afterOk[m];
            const Layout& layout = LayoutOfClass(modules[m]->className());
            std::fill(expected.begin() + layout.runtimeFrom, expected.begin() + layout.runtimeTo, 0);
            EXPECT_EQ(StoredPart(modules[m]), expected) << "the measurement changed the stored settings of module " << m;
        }
        for (const standin::Warning& warning : host().warnings()) {
            EXPECT_FALSE(warning.caption.empty());
            EXPECT_FALSE(warning.text.empty());
        }
        // A refused message or start is always explained.
        std::size_t refusals = 0;
        for (const standin::ModuleResult& result : host().moduleResults())
            refusals += (result.message == MODMSG_LOADED || result.message == MODMSG_START) && result.result == 0;
        EXPECT_LE(refusals, host().warnings().size()) << "a refusal without a warning";
        // Whatever the stored settings, the host gets numbers.
        for (const standin::ReleasedBlock& block : host().releasedBlocks()) {
            std::size_t notNumbers = 0;
            for (float sample : block.samples)
                notNumbers += !std::isfinite(sample);
            EXPECT_EQ(notNumbers, 0u) << "samples that are no number, from module " << block.moduleId;
            blocksDelivered_ += 1;
        }
        for (standin::HostModule* module : modules)
            host().deleteModule(module);
        EXPECT_EQ(host().liveAllocations(), 0u) << "host memory not given back";
        EXPECT_EQ(host().damagedBlocks(), 0u) << "host blocks written outside their bounds";
        EXPECT_TRUE(host().protocolErrors().empty());
        host().clearRecords();
        return !HasFailure();
    }

    std::size_t blocksDelivered_ = 0;

    void runFuzz(const Layout& layout)
    {
        const std::uint32_t cases = EnvironmentNumber("TORQ7_FUZZ_CASES", kCasesPerLayout);
        const std::uint32_t seed = EnvironmentNumber("TORQ7_FUZZ_SEED", kDefaultSeed) + std::uint32_t(&layout - kLayouts);
        Mutator mutator(seed);
        CreateDirectoryA((ProgramFolder() + "fuzz-failures").c_str(), nullptr);
        for (std::uint32_t n = 0; n < cases; ++n) {
            // One to three modules, the first of the layout under test.
            std::vector<standin::StoredModule> stored{mutator.module(layout)};
            for (unsigned extra = mutator.below(3); extra > 0; --extra)
                stored.push_back(mutator.module(kLayouts[mutator.below(4)]));
            const double kIntervals[] = {1.0, 0.03, 120000.0, 0.02, 2.0};
            const double msPerSample = kIntervals[mutator.below(5)];
            const std::uint32_t blockSize = 1 + mutator.below(40);
            host().setTimeBase(msPerSample, blockSize);
            const std::string path = ProgramFolder() + "fuzz-failures\\" + layout.cls->className + "-seed" +
                                     std::to_string(seed) + "-case" + std::to_string(n) + ".worksheet";
            g_currentCase = {path, msPerSample, blockSize, stored};
            std::vector<standin::HostModule*> placed;
            ASSERT_TRUE(host().restoreModules(stored, &placed));
            std::vector<std::vector<std::uint8_t>> blocks;
            for (const standin::StoredModule& module : stored)
                blocks.push_back(module.data);
            if (!runCase(placed, blocks, n % kSettingsEvery == 0)) {
                WriteCurrentCase();
                FAIL() << "case " << n << " of seed " << seed << " failed; written to " << path;
            }
        }
        g_currentCase = {};
        if (layout.cls->storedOutputs > 0) {
            EXPECT_GT(blocksDelivered_, 0u) << "no case reached the process function";
        }
        std::printf("%s: %u cases, seed %u\n", layout.cls->className, cases, seed);
    }
};

TEST_F(WorksheetFuzz, AnalogInputBlocks) { runFuzz(kLayouts[0]); }
TEST_F(WorksheetFuzz, DigitalInputBlocks) { runFuzz(kLayouts[1]); }
TEST_F(WorksheetFuzz, DigitalOutputBlocks) { runFuzz(kLayouts[2]); }
TEST_F(WorksheetFuzz, AnalogOutputBlocks) { runFuzz(kLayouts[3]); }

// The seed corpus and every case that once failed.
TEST_F(WorksheetFuzz, CorpusCases)
{
    const std::vector<std::string> files = CorpusFiles();
    ASSERT_FALSE(files.empty()) << "no worksheets in " << ProgramFolder() << "fuzz-corpus";
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        std::vector<standin::HostModule*> placed;
        ASSERT_TRUE(host().loadWorksheet(file, &placed));
        const std::vector<std::vector<std::uint8_t>> stored = StoredBlocks(file);
        ASSERT_EQ(stored.size(), placed.size());
        EXPECT_TRUE(runCase(placed, stored, true));
    }
}

}  // namespace
}  // namespace torq7test
