// The report after a run, per output channel.
#include "RunSummary.h"

#include <algorithm>
#include <cstdio>

#include "RunCsv.h"
#include "WarningGlosses.h"
#include "sim/text/CodePage.h"
#include "torq7m/modules/DaModuleData.h"

namespace standin {

namespace {

// A code page 932 text in UTF-8, padded to `columns` columns of a terminal:
// a double-byte character takes two, as it takes two bytes.
std::string Padded(const std::string& cp932, std::size_t columns)
{
    return Cp932ToUtf8(cp932) + std::string(columns > cp932.size() ? columns - cp932.size() : 0, ' ');
}

std::string Times(std::size_t count)
{
    return count == 1 ? "once" : std::to_string(count) + " times";
}

// Where the samples of one input channel went.
struct SampleAccount {
    std::uint64_t made = 0;       // by the board
    std::uint64_t reached = 0;    // the host, in released blocks
    std::uint64_t lost = 0;
    std::uint64_t underway = 0;   // at the stop: in a block the library held, or not yet read from the board
};

// An analog input's samples come from the board's buffered sampling; they
// are lost when the buffer drops them or when the library reads them and
// never releases them. A digital input's samples are taken from the port
// when the library fills a block, so it loses none: it can only fall behind.
SampleAccount AccountFor(StandinHost& host, const HostModule& module, unsigned channel, const ChannelTally& tally)
{
    SampleAccount account;
    account.reached = tally.samples;
    SimSamplingCounts counts{};
    SimTorq7Control* driver = host.driver();
    if (module.className() != "TORQ7AD" || !driver || !driver->SimTorq7_GetSamplingCounts(BoardOf(module), &counts) ||
        channel >= counts.dwChannels) {
        account.made = tally.samples + tally.heldAtStop;
        account.underway = tally.heldAtStop;
        return account;
    }
    account.made = counts.qwProduced / counts.dwChannels;
    const std::uint64_t read = counts.qwRead / counts.dwChannels;
    const std::uint64_t delivered = std::min(read, tally.samples + tally.heldAtStop);
    account.lost = counts.qwDropped / counts.dwChannels + (read - delivered);
    const std::uint64_t accounted = account.reached + account.lost;
    account.underway = account.made > accounted ? account.made - accounted : 0;
    return account;
}

void PrintAccounts(StandinHost& host, std::size_t nameColumns, RunVerdict* verdict)
{
    std::printf("samples per input channel: made by the board, reached the host, lost, on their way at the stop\n");
    for (const HostModule* module : host.modules()) {
        for (unsigned channel = 0; channel < module->outputs(); ++channel) {
            const SampleAccount account = AccountFor(host, *module, channel, host.channelTally(module, channel));
            std::printf("%s ch%u %12llu made, %12llu reached the host, lost %llu, %llu on their way\n",
                        Padded(module->name(), nameColumns).c_str(), channel,
                        static_cast<unsigned long long>(account.made), static_cast<unsigned long long>(account.reached),
                        static_cast<unsigned long long>(account.lost),
                        static_cast<unsigned long long>(account.underway));
            if (account.lost == 0)
                continue;
            verdict->lostSamples += account.lost;
            verdict->lossyChannels.push_back(Cp932ToUtf8(module->name()) + " ch" + std::to_string(channel) + ": " +
                                             std::to_string(account.lost));
        }
    }
}

// The overflow and overrun notices of each board that sampled.
void PrintNotices(StandinHost& host)
{
    SimTorq7Control* driver = host.driver();
    if (!driver)
        return;
    std::vector<std::uint32_t> boards;
    for (const HostModule* module : host.modules()) {
        SimSamplingCounts counts{};
        const std::uint32_t board = BoardOf(*module);
        if (module->className() != "TORQ7AD" || std::count(boards.begin(), boards.end(), board) ||
            !driver->SimTorq7_GetSamplingCounts(board, &counts))
            continue;
        boards.push_back(board);
        std::printf("board %u: %u %s notices from the driver to the library's window\n", board, counts.dwNotices,
                    counts.dwNoticeMessage == kMsgBufferOverrun ? "buffer overrun" : "buffer overflow");
    }
}

}  // namespace

void NoteValues(RunValues& values, const HostModule& module, unsigned channel, const BlockView& block)
{
    ValueRange& range = values[{module.id(), channel}];
    if (block.count == 0)
        return;
    // Kept in locals over the block: a day of the demo passes half a billion samples.
    float low = block.samples[0];
    float high = low;
    for (std::uint32_t j = 1; j < block.count; ++j) {
        low = std::min(low, block.samples[j]);
        high = std::max(high, block.samples[j]);
    }
    range.low = range.any ? std::min(range.low, low) : low;
    range.high = range.any ? std::max(range.high, high) : high;
    range.any = true;
}

std::uint64_t ReleasedBlocks(const StandinHost& host)
{
    std::uint64_t blocks = 0;
    for (const HostModule* module : host.modules()) {
        for (unsigned channel = 0; channel < module->outputs(); ++channel)
            blocks += host.channelTally(module, channel).blocks;
    }
    return blocks;
}

RunVerdict PrintRunSummary(StandinHost& host, const RunValues& values)
{
    RunVerdict verdict;
    std::size_t nameColumns = 5;
    for (const HostModule* module : host.modules())
        nameColumns = std::max(nameColumns, module->name().size());
    for (const HostModule* module : host.modules()) {
        for (unsigned channel = 0; channel < module->outputs(); ++channel) {
            const ChannelTally tally = host.channelTally(module, channel);
            std::string name;
            if (!Utf8ToCp932(ChannelName(*module, channel), &name))
                name = "?";
            std::printf("%s ch%u %s %8llu blocks, %11llu samples", Padded(module->name(), nameColumns).c_str(), channel,
                        Padded("(" + name + ")", 12).c_str(), static_cast<unsigned long long>(tally.blocks),
                        static_cast<unsigned long long>(tally.samples));
            const auto range = values.find({module->id(), channel});
            if (tally.blocks != 0 && range != values.end())
                std::printf(", start times %.3f..%.3f s, largest delay %llu ms, values %.3f..%.3f",
                            tally.firstStartTime, tally.lastStartTime,
                            static_cast<unsigned long long>(tally.largestDelay), range->second.low,
                            range->second.high);
            std::printf("\n");
        }
    }
    PrintAccounts(host, nameColumns, &verdict);
    PrintNotices(host);
    if (SimTorq7Control* driver = host.driver()) {
        for (const HostModule* module : host.modules()) {
            if (module->className() == "TORQ7DA") {
                for (std::uint32_t channel = 0; channel < kDaChannels; ++channel) {
                    std::printf("%s: analog output ch%u: %u codes written\n", Cp932ToUtf8(module->name()).c_str(), channel,
                                driver->SimTorq7_GetOutputCodes(BoardOf(*module), channel, nullptr, 0));
                }
            } else if (module->className() == "TORQ7DO") {
                std::printf("%s: digital output port: %u writes\n", Cp932ToUtf8(module->name()).c_str(),
                            driver->SimTorq7_GetOutPortHistory(BoardOf(*module), nullptr, 0));
            }
        }
    }
    verdict.warnings = host.warnings();
    verdict.stopRequests = host.stopRequests();
    std::printf("library warnings: %zu, stop requests from the library: %zu\n", verdict.warnings.size(),
                verdict.stopRequests);
    return verdict;
}

bool PrintVerdict(const RunVerdict& verdict)
{
    if (verdict.lostSamples == 0 && verdict.stopRequests == 0 && verdict.warnings.empty() &&
        verdict.droppedBlocks == 0)
        return true;
    std::printf("the run was not clean:\n");
    if (verdict.lostSamples != 0) {
        std::string channels;
        for (const std::string& channel : verdict.lossyChannels)
            channels += (channels.empty() ? "" : ", ") + channel;
        std::printf("  %llu samples lost (%s)\n", static_cast<unsigned long long>(verdict.lostSamples),
                    channels.c_str());
    }
    if (verdict.stopRequests != 0)
        std::printf("  the library asked to stop the measurement %s\n", Times(verdict.stopRequests).c_str());
    if (!verdict.warnings.empty())
        std::printf("  the library warned %s, first: %s\n", Times(verdict.warnings.size()).c_str(),
                    WarningLine(verdict.warnings.front().caption, verdict.warnings.front().text).c_str());
    if (verdict.droppedBlocks != 0)
        std::printf("  %llu blocks were sent into inputs no module takes, and dropped\n",
                    static_cast<unsigned long long>(verdict.droppedBlocks));
    return false;
}

std::uint64_t PrintDroppedBlocks(const StandinHost& host)
{
    std::uint64_t total = 0;
    for (const DroppedInputBlocks& dropped : host.droppedInputBlocks()) {
        total += dropped.blocks;
        if (const HostModule* module = host.findModule(dropped.moduleId)) {
            const std::string why = dropped.noSuchInput
                                        ? "the module has " + std::to_string(module->inputs()) + " inputs"
                                        : "the module took none of the last " + std::to_string(kMaxWaitingBlocks);
            std::printf("warning: module '%s' (%s) input %u: %llu blocks dropped, no module takes them (%s)\n",
                        Cp932ToUtf8(module->name()).c_str(), module->className().c_str(), dropped.input,
                        static_cast<unsigned long long>(dropped.blocks), why.c_str());
        }
    }
    return total;
}

}  // namespace standin
