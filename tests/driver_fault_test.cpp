// Every driver failure, everywhere: the scripted session is run once clean,
// its driver call log gives the calls of each entry point per phase, and
// then the session is run again for each call position n with "the n-th
// call of entry E fails". Each run must end without crash or hang, with
// exactly the warnings (caption, text, driver error code) that the failing
// calls' code paths give, the measurement stopped before each warning whose
// path stops it, the host's memory balanced and every opened board closed.
//
// Positions: every call outside the measurement loop; inside it, the first
// three, ten spread evenly and the last two. Torq7GetLastError is
// called only after a failure, so it is made to fail together with the
// first failing call of each entry that reports one.
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "SessionScript.h"

namespace torq7test {
namespace {

constexpr std::int32_t kInjectedError = -4711;
constexpr unsigned kMeasureRounds = 100;   // 1 s of measurement
constexpr std::size_t kSpacedPositions = 10;   // inside the measurement, besides its first three and last two

enum Phase : unsigned {
    kStartUp,
    kPlace,
    kSetup,
    kRestore,
    kStart,
    kMeasure,
    kStop,
    kShutDown,
    kPhaseCount,
};

constexpr const char* kPhaseNames[kPhaseCount] = {"start-up", "place", "setup",   "restore",
                                                  "start",    "measure", "stop", "shut-down"};

constexpr const char* kEntryNames[] = {
    "Torq7GetVersion",     "Torq7Create",     "Torq7Close",         "Torq7GetResource", "Torq7GetSwitchValue",
    "Torq7SetMode",        "Torq7StartSampling", "Torq7StopSampling", "Torq7GetSamplingStatus", "Torq7GetData",
    "Torq7SetData",        "Torq7InPort",     "Torq7OutPort",       "Torq7GetLastError",
};

// What a message is formatted with, in the order of its format.
enum class TextArgs { Board, Error, ErrorThenBoard, BoardChannelError };

// How a failed call is reported to the user.
struct FailureReport {
    SimEntry entry;
    bool onlyInRestore;   // reported only when the restore check fails
    const char* caption;
    const char* format;
    TextArgs args;
    bool stopsFirst;      // StopExperiment before the warning
};

constexpr FailureReport kFailureReports[] = {
    {SIM_GETRESOURCE, true, "Torq-Q7 ERROR", "指定のソケット %u にデバイスが存在しませんでした", TextArgs::Board, false},
    {SIM_SETMODE, false, "エラー", "サンプリングモードを設定できませんでした\nエラーコード： %d", TextArgs::Error, false},
    {SIM_STARTSAMPLING, false, "Torq-Q7", "サンプリング開始に失敗しました\nエラーコード： %d", TextArgs::Error, true},
    {SIM_GETSAMPLINGSTATUS, false, "Torq-Q7", "サンプリング状態の取得を失敗しました\nエラーコード： %d", TextArgs::Error,
     true},
    {SIM_GETDATA, false, "Torq-Q7", "サンプリングデータ取得を失敗しました\nエラーコード： %d", TextArgs::Error, true},
    {SIM_SETDATA, false, "サンプリングエラー", "データ出力に失敗しました\nエラーコード %d\nソケット番号 %u\n",
     TextArgs::ErrorThenBoard, true},
    {SIM_OUTPORT, false, "サンプリングエラー", "データ出力に失敗しました\nエラーコード %d\nソケット番号 %u\n",
     TextArgs::ErrorThenBoard, true},
    {SIM_INPORT, false, "サンプリングエラー", "LogSlot = %u\nChannel = %u\nErrCode = %d", TextArgs::BoardChannelError,
     true},
};

const FailureReport* ReportOf(const SimCall& call, Phase phase)
{
    for (const FailureReport& report : kFailureReports) {
        if (report.entry == call.dwEntry && (!report.onlyInRestore || phase == kRestore))
            return &report;
    }
    return nullptr;
}

std::string Format(const FailureReport& report, std::uint32_t board, std::int32_t error, unsigned channel)
{
    char text[256];
    switch (report.args) {
    case TextArgs::Board:
        std::snprintf(text, sizeof text, report.format, unsigned{board});
        break;
    case TextArgs::Error:
        std::snprintf(text, sizeof text, report.format, error);
        break;
    case TextArgs::ErrorThenBoard:
        std::snprintf(text, sizeof text, report.format, error, unsigned{board});
        break;
    case TextArgs::BoardChannelError:
        std::snprintf(text, sizeof text, report.format, unsigned{board}, channel, error);
        break;
    }
    return text;
}

struct Fault {
    SimEntry entry;
    std::uint32_t position;   // from 1, among all calls of the entry in the session
};

// A warning the session must show, worked out from the driver's call log.
struct ExpectedWarning {
    const FailureReport* report;   // null for the selection dialog's "no device" warning
    std::string caption;
    std::vector<std::string> texts;   // any one of them (the failing channel of a port read)
};

// What one session left behind.
struct SessionRecord {
    std::vector<SimCall> log;
    std::vector<Phase> phaseOf;   // per log entry
    std::vector<standin::Warning> warnings;
    std::vector<standin::HostCall> hostCalls;
    std::vector<standin::ModuleResult> results;
    bool placed = false;
    std::uint32_t openBoardsAtEnd = 0;
    std::size_t liveAllocations = 0;
    std::size_t damagedBlocks = 0;
};

class DriverFaultTest : public SessionTest, public ::testing::WithParamInterface<unsigned> {
protected:
    const SessionClass& sessionClass() const { return kSessionClasses[GetParam()]; }

    void mark(Phase phase, SessionRecord& record)
    {
        record.phaseOf.resize(driver().SimTorq7_CallCount(), phase);
    }

    SessionRecord runSession(const std::vector<Fault>& faults)
    {
        SessionRecord record;
        freshHost();
        if (!loadLibrary())
            return record;
        addBoard(0, kSessionBoard);
        driver().SimTorq7_ClearLog();
        driver().SimTorq7_ClearFaults();
        for (const Fault& fault : faults)
            driver().SimTorq7_SetFault(fault.entry, 0xFFFFFFFF, fault.position - 1, 1, kInjectedError);
        EXPECT_EQ(host().setup(), 1u);
        mark(kStartUp, record);

        standin::HostModule* module =
            answeringDialogs(IDOK, [&] { return host().placeModule(sessionClass().className); });
        record.placed = module != nullptr;
        mark(kPlace, record);
        if (module) {
            setUpWithOkAndCancel(module);
            // The stored worksheet the user opens next replaces this one.
            host().deleteModule(module);
        }
        mark(kSetup, record);

        EXPECT_TRUE(host().restoreModules(
            {StoredModuleOf(sessionClass(), DefaultStoredData(sessionClass(), kSessionBoard))}));
        mark(kRestore, record);
        host().start(kSessionMsPerSample, kSessionBlockSize);
        mark(kStart, record);
        measure(kMeasureRounds);
        mark(kMeasure, record);
        host().stop();
        mark(kStop, record);
        for (standin::HostModule* placed : host().modules())
            host().deleteModule(placed);
        host().finish();
        record.openBoardsAtEnd = driver().SimTorq7_OpenBoards();
        mark(kShutDown, record);

        record.log.resize(driver().SimTorq7_CallCount());
        for (std::uint32_t i = 0; i < record.log.size(); ++i)
            EXPECT_EQ(driver().SimTorq7_GetCall(i, &record.log[i]), 1);
        record.warnings = host().warnings();
        record.hostCalls = host().calls();
        record.results = host().moduleResults();
        host().shutdown();
        record.liveAllocations = host().liveAllocations();
        record.damagedBlocks = host().damagedBlocks();
        return record;
    }

    // The warnings that the failed calls of the log must have produced, in order.
    std::vector<ExpectedWarning> expectedWarnings(const SessionRecord& record, unsigned outputs)
    {
        std::vector<ExpectedWarning> expected;
        bool noDeviceAdded = false;
        for (std::size_t i = 0; i < record.log.size(); ++i) {
            const SimCall& call = record.log[i];
            const Phase phase = record.phaseOf[i];
            if (phase >= kPlace && !record.placed && !noDeviceAdded) {
                expected.push_back({nullptr, "エラー", {"使えるデバイスがありません"}});
                noDeviceAdded = true;
            }
            if (call.nResult != 0 || call.dwEntry == SIM_GETLASTERROR)
                continue;
            const FailureReport* report = ReportOf(call, phase);
            if (!report)
                continue;
            std::int32_t error = 0;
            if (report->args != TextArgs::Board) {
                std::size_t k = i + 1;
                while (k < record.log.size() &&
                       !(record.log[k].dwEntry == SIM_GETLASTERROR && record.log[k].dwArgs[0] == call.dwArgs[0]))
                    ++k;
                if (k == record.log.size()) {
                    ADD_FAILURE() << "no Torq7GetLastError after the failed " << kEntryNames[call.dwEntry]
                                  << " (call " << i << ")";
                    continue;
                }
                error = record.log[k].nResult;
            }
            ExpectedWarning warning{report, report->caption, {}};
            const unsigned channels = report->args == TextArgs::BoardChannelError ? outputs : 1;
            for (unsigned c = 0; c < channels; ++c)
                warning.texts.push_back(Format(*report, call.dwArgs[0], error, c));
            expected.push_back(warning);
        }
        return expected;
    }

    void checkSession(const SessionRecord& record)
    {
        EXPECT_EQ(record.liveAllocations, 0u) << "host memory not given back";
        EXPECT_EQ(record.damagedBlocks, 0u) << "host blocks written outside their bounds";
        EXPECT_EQ(record.phaseOf.size(), record.log.size());

        // The warnings, one per failed call, with their captions, texts and codes.
        const std::vector<ExpectedWarning> expected = expectedWarnings(record, sessionClass().storedOutputs);
        ASSERT_EQ(record.warnings.size(), expected.size()) << "warnings shown";
        for (std::size_t w = 0; w < expected.size(); ++w) {
            EXPECT_EQ(record.warnings[w].caption, expected[w].caption) << "warning " << w;
            bool matched = false;
            for (const std::string& text : expected[w].texts)
                matched |= record.warnings[w].text == text;
            EXPECT_TRUE(matched) << "warning " << w << " reads \"" << record.warnings[w].text << "\", expected \""
                                 << expected[w].texts.front() << "\"";
        }

        // StopExperiment exactly once before each warning whose path stops, never otherwise.
        std::size_t stops = 0;
        std::size_t shown = 0;
        for (const standin::HostCall& call : record.hostCalls) {
            if (call.function == "StopExperiment") {
                ++stops;
            } else if (call.function == "ShowWarning" && shown < expected.size()) {
                const bool stopsFirst = expected[shown].report && expected[shown].report->stopsFirst;
                EXPECT_EQ(stops, stopsFirst ? 1u : 0u) << "StopExperiment calls before warning " << shown;
                stops = 0;
                ++shown;
            }
        }
        EXPECT_EQ(stops, 0u) << "StopExperiment without a warning after it";

        // Every board that was opened is closed once; it stays open only when that close failed.
        std::size_t opened = 0;
        std::size_t closes = 0;
        bool closeFailed = false;
        for (const SimCall& call : record.log) {
            if (call.dwEntry == SIM_CREATE && call.nResult != 0)
                ++opened;
            if (call.dwEntry == SIM_CLOSE && call.dwArgs[0] == kSessionBoard) {
                ++closes;
                closeFailed |= call.nResult == 0;
            }
        }
        EXPECT_EQ(closes, opened) << "Torq7Close calls for the opened board";
        EXPECT_EQ(record.openBoardsAtEnd, closeFailed ? 1u : 0u) << "boards left open at shut-down";

        // The restore answers 0 exactly when the board did not answer its check.
        bool restoreFailed = false;
        for (std::size_t i = 0; i < record.log.size(); ++i)
            restoreFailed |= record.phaseOf[i] == kRestore && record.log[i].dwEntry == SIM_GETRESOURCE &&
                             record.log[i].nResult == 0;
        for (const standin::ModuleResult& result : record.results) {
            if (result.message == MODMSG_LOADED) {
                EXPECT_EQ(result.result, restoreFailed ? 0u : 1u) << "MODMSG_LOADED";
            }
        }
    }

    // The faulty sessions for one entry point. Torq7GetLastError fails
    // together with the first call of each entry whose failure it reports.
    std::vector<std::vector<Fault>> runsFor(const SessionRecord& clean, SimEntry failing)
    {
        std::vector<std::vector<Fault>> runs;
        if (failing == SIM_GETLASTERROR) {
            for (const FailureReport& report : kFailureReports) {
                const std::vector<std::uint32_t> positions = positionsOf(clean, report.entry);
                if (!positions.empty() && !report.onlyInRestore)
                    runs.push_back({{report.entry, positions.front()}, {SIM_GETLASTERROR, 1}});
            }
            return runs;
        }
        for (std::uint32_t position : positionsOf(clean, failing))
            runs.push_back({{failing, position}});
        return runs;
    }

    // Positions (from 1) of the entry's calls to make fail: all outside the
    // measurement, representative ones inside it.
    std::vector<std::uint32_t> positionsOf(const SessionRecord& clean, SimEntry failing)
    {
        std::map<Phase, std::vector<std::uint32_t>> byPhase;
        std::uint32_t n = 0;
        for (std::size_t i = 0; i < clean.log.size(); ++i) {
            if (clean.log[i].dwEntry == failing)
                byPhase[clean.phaseOf[i]].push_back(++n);
        }
        std::set<std::uint32_t> chosen;
        for (const auto& phase : byPhase) {
            const std::vector<std::uint32_t>& calls = phase.second;
            if (phase.first != kMeasure) {
                chosen.insert(calls.begin(), calls.end());
                continue;
            }
            for (std::size_t k = 0; k < 3 && k < calls.size(); ++k)
                chosen.insert(calls[k]);
            for (std::size_t k = 1; k <= kSpacedPositions; ++k)
                chosen.insert(calls[(calls.size() - 1) * k / (kSpacedPositions + 1)]);
            chosen.insert(calls[calls.size() - 2 < calls.size() ? calls.size() - 2 : 0]);
            chosen.insert(calls.back());
        }
        return {chosen.begin(), chosen.end()};
    }
};

TEST_P(DriverFaultTest, EachCallPositionFailsCleanly)
{
    const SessionRecord clean = runSession({});
    ASSERT_TRUE(clean.placed);
    ASSERT_TRUE(clean.warnings.empty()) << clean.warnings.front().caption << ": " << clean.warnings.front().text;
    checkSession(clean);

    std::size_t covered = 0;
    for (unsigned failing = 0; failing < sizeof kEntryNames / sizeof kEntryNames[0] && !HasFailure(); ++failing) {
        const std::vector<std::vector<Fault>> runs = runsFor(clean, static_cast<SimEntry>(failing));
        for (const std::vector<Fault>& faults : runs) {
            SCOPED_TRACE(std::string(kEntryNames[faults.front().entry]) + " fails at call " +
                         std::to_string(faults.front().position) +
                         (faults.size() > 1 ? ", with Torq7GetLastError" : ""));
            checkSession(runSession(faults));
            if (HasFailure())
                break;
        }
        std::printf("%s, %s: %zu fault positions\n", sessionClass().className, kEntryNames[failing], runs.size());
        covered += runs.size();
    }
    RecordProperty("fault_positions", static_cast<int>(covered));
    std::printf("%s: %zu fault positions in all\n", sessionClass().className, covered);
}

std::string CaseName(const ::testing::TestParamInfo<unsigned>& info)
{
    return kSessionClasses[info.param].className;
}

INSTANTIATE_TEST_SUITE_P(EveryEntry, DriverFaultTest, ::testing::Range(0u, 4u), CaseName);

}  // namespace
}  // namespace torq7test
