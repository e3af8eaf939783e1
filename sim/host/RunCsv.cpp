#include "RunCsv.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "torq7m/modules/ClassTable.h"

namespace standin {

namespace {

std::string FileName(const HostModule& module)
{
    std::string name = module.name();
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    }
    return name.empty() ? "module" + std::to_string(module.id()) : name;
}

}  // namespace

std::vector<std::uint16_t> OutputCodes(SimTorq7Control& driver, std::uint32_t board, std::uint32_t channel)
{
    const std::uint32_t total = driver.SimTorq7_GetOutputCodes(board, channel, nullptr, 0);
    std::vector<std::uint16_t> codes(total);
    codes.resize(driver.SimTorq7_GetOutputCodes(board, channel, codes.data(), total) > 0 ? total : 0);
    return codes;
}

std::uint32_t BoardOf(const HostModule& module)
{
    const ClassDescription* row = FindClass(module.className().c_str());
    std::uint16_t board = 0;
    if (row && module.data())
        std::memcpy(&board, static_cast<const char*>(module.data()) + row->boardOffset, sizeof board);
    return board;
}

bool WriteRunCsv(StandinHost& host, const std::string& folder)
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
    SimTorq7Control* driver = host.driver();
    for (const HostModule* module : host.modules()) {
        if (!driver || module->className() != "TORQ7DA")
            continue;
        // The codes each analog output received, one per driver call.
        for (std::uint32_t channel = 0; channel < kDaChannels; ++channel) {
            const std::vector<std::uint16_t> codes = OutputCodes(*driver, BoardOf(*module), channel);
            const std::string path = folder + "/" + FileName(*module) + "-codes-ch" + std::to_string(channel) + ".csv";
            FILE* file = std::fopen(path.c_str(), "w");
            if (!file)
                return false;
            std::fprintf(file, "index,code\n");
            for (std::size_t i = 0; i < codes.size(); ++i)
                std::fprintf(file, "%zu,%u\n", i, codes[i]);
            std::fclose(file);
        }
    }
    return true;
}

}  // namespace standin
