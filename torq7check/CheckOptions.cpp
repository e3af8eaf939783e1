#include "CheckOptions.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "ExitCodes.h"
#include "modules/ClassTable.h"

namespace {

constexpr std::uint32_t kMaxChannels = 8;

// A whole number in [0, max]; false for anything else.
bool ReadNumber(const char* text, unsigned long max, unsigned long* value)
{
    char* end = nullptr;
    *value = std::strtoul(text, &end, 10);
    return *text >= '0' && *text <= '9' && *end == '\0' && *value <= max;
}

bool ReadVolts(const std::string& text, double* volts)
{
    char* end = nullptr;
    *volts = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0';
}

// The range as the settings dialog lists it ("0～10V"), or plainly
// ("0..10V", "-5..5", the V may be left out), to its index.
bool ReadRange(const std::string& text, unsigned* range)
{
    for (unsigned i = 0; i < kInputRangeCount; ++i) {
        if (text == kInputRangeTexts[i]) {
            *range = i;
            return true;
        }
    }
    std::string plain = text;
    if (!plain.empty() && (plain.back() == 'V' || plain.back() == 'v'))
        plain.pop_back();
    const std::size_t gap = plain.find("..");
    double low = 0.0;
    double high = 0.0;
    if (gap == std::string::npos || !ReadVolts(plain.substr(0, gap), &low) || !ReadVolts(plain.substr(gap + 2), &high))
        return false;
    for (unsigned i = 0; i < kInputRangeCount; ++i) {
        if (kInputRanges[i].fRangeLow == low && kInputRanges[i].fRangeHigh == high) {
            *range = i;
            return true;
        }
    }
    return false;
}

// Whether every character of the command line has a place in the system's
// code page: the arguments would hold '?' in its stead, and a folder named
// with such a character would read as one that does not exist.
bool CommandLineFits()
{
    const wchar_t* line = GetCommandLineW();
    std::string narrow(std::wcslen(line) * 2 + 1, '\0');
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, line, -1, &narrow[0], static_cast<int>(narrow.size()), nullptr,
                        &lost);
    return !lost;
}

std::string Problem(const char* option, const char* value, const char* what)
{
    return std::string(option) + " " + value + ": " + what;
}

// --host: "C:\folder\" on a command line reaches the program as C:\folder"
// (the backslash escapes the quote); the quote is no part of any folder.
bool ReadHost(const char* value, CheckOptions* options, std::string* problem)
{
    std::string folder = value;
    if (!folder.empty() && folder.back() == '"')
        folder.pop_back();
    // A mistyped folder would read as one without torq7.dll.
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        *problem = Problem("--host", value, "そのフォルダはありません (no such folder)");
        return false;
    }
    options->hostFolder = folder;
    return true;
}

bool ReadTest(const char* value, CheckOptions* options, std::string* problem)
{
    unsigned long number = 0;
    if (!ReadNumber(value, kNoBoard - 1, &number)) {
        *problem = Problem("--test", value, "ボード番号は 0～65534 です (board number 0..65534)");
        return false;
    }
    options->selfTest = true;
    options->board = static_cast<std::uint16_t>(number);
    return true;
}

bool ReadChannels(const char* value, CheckOptions* options, std::string* problem)
{
    unsigned long number = 0;
    if (!ReadNumber(value, kMaxChannels, &number) || number == 0) {
        *problem = Problem("--channels", value, "チャンネル数は 1～8 です (channels 1..8)");
        return false;
    }
    options->channels = static_cast<std::uint32_t>(number);
    return true;
}

bool ReadRangeOption(const char* value, CheckOptions* options, std::string* problem)
{
    if (!ReadRange(value, &options->range)) {
        *problem = Problem("--range", value,
                           "ボードのレンジは 0～5V, 0～10V, ±2.5V, ±5V, ±10V です (not a range of the board)");
        return false;
    }
    return true;
}

bool SetHelp(const char*, CheckOptions* options, std::string*)
{
    options->help = true;
    return true;
}

bool SetOutputs(const char*, CheckOptions* options, std::string*)
{
    options->writeOutputs = true;
    return true;
}

using OptionReader = bool (*)(const char* value, CheckOptions* options, std::string* problem);

struct OptionRule {
    const char* names[3];   // the option and its other spellings
    bool takesValue;
    OptionReader read;
};

enum OptionId : unsigned { kOptionHelp, kOptionOutputs, kOptionHost, kOptionTest, kOptionChannels, kOptionRange };

// By OptionId.
constexpr OptionRule kOptionRules[] = {
    {{"--help", "-h", "/?"}, false, SetHelp},  {{"--outputs"}, false, SetOutputs},
    {{"--host"}, true, ReadHost},              {{"--test"}, true, ReadTest},
    {{"--channels"}, true, ReadChannels},      {{"--range"}, true, ReadRangeOption},
};
constexpr unsigned kOptions = sizeof kOptionRules / sizeof kOptionRules[0];
static_assert(kOptionRange + 1 == kOptions, "one rule per option");

// The option's place in kOptionRules; kOptions for an unknown one.
unsigned FindOption(const std::string& text)
{
    for (unsigned option = 0; option < kOptions; ++option) {
        for (const char* name : kOptionRules[option].names) {
            if (name && text == name)
                return option;
        }
    }
    return kOptions;
}

}  // namespace

bool ParseCheckOptions(int argc, char** argv, CheckOptions* options, std::string* problem)
{
    if (!CommandLineFits()) {
        *problem = "コマンドラインに、コードページ 932 で表せない文字があります (a character that code page 932 "
                   "cannot hold): フォルダやファイルの名前を変えてください (rename the folder or file); "
                   "レンジは 0..10V の形でも書けます (a range can be written as 0..10V)";
        return false;
    }
    // How each option was first given, so that a second one can name it.
    std::string given[kOptions];
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const unsigned found = FindOption(option);
        if (found == kOptions) {
            *problem = option + ": 知らないオプションです (unknown option)";
            return false;
        }
        const OptionRule& rule = kOptionRules[found];
        if (rule.takesValue && i + 1 >= argc) {
            *problem = option + ": 値がありません (value missing)";
            return false;
        }
        const char* value = rule.takesValue ? argv[++i] : nullptr;
        const std::string typed = value ? option + " " + value : option;
        if (!given[found].empty()) {
            *problem = typed + ": " + given[found] + " と重ねて指定されています (repeated option: given before as " +
                       given[found] + ")";
            return false;
        }
        given[found] = typed;
        if (!rule.read(value, options, problem))
            return false;
    }
    const bool testOnly = !given[kOptionChannels].empty() || !given[kOptionRange].empty() || options->writeOutputs;
    if (!options->selfTest && testOnly) {
        *problem = "--channels, --range, --outputs: --test BOARD と一緒に使います (only with --test)";
        return false;
    }
    return true;
}

void PrintUsage()
{
    std::printf(
        "使い方 (usage): Torq7Check.exe [--host DIR] [--test BOARD [--channels N] [--range RANGE] [--outputs]]\n"
        "\n"
        "ホストを起動せずに、Torq7m.dll がこのパソコンで torq7.dll と Torq-Q7 ボードを使えるか確かめます。\n"
        "(Checks, without the host, whether Torq7m.dll can use torq7.dll and the Torq-Q7 boards.)\n"
        "\n"
        "  --host DIR     ホストのフォルダ (the host's folder): torq7.dll をホストと同じ順で探します\n"
        "                 (searches torq7.dll as Windows does for the host); 省略時はこのプログラムのフォルダ\n"
        "  --test BOARD   ボード番号 BOARD の自己診断 (self-test of board BOARD): 入力ポートを 10 回読み、\n"
        "                 アナログ入力を 1 ms で 100 サンプル取ります (reads the input port ten times and\n"
        "                 takes 100 analog input samples at 1 ms)\n"
        "  --channels N   アナログ入力のチャンネル数 1～8 (analog input channels, default 1)\n"
        "  --range RANGE  入力レンジ (input range) 0～5V, 0～10V, ±2.5V, ±5V, ±10V (default 0～5V;\n"
        "                 0..10V, -5..5V でも可)\n"
        "  --outputs      出力も試します (also tries the outputs): デジタル出力にパターン、アナログ出力に\n"
        "                 中央のコードを書き、最後にすべて 0 に戻します (writes a pattern and mid-range\n"
        "                 codes, then sets every output back to 0). 省略時は出力に触れません.\n"
        "オプションはそれぞれ 1 度だけ指定します (each option once).\n"
        "\n"
        "終了コード (exit codes):\n");
    for (const ExitCodeText& entry : kExitCodeTexts)
        std::printf("  %d  %s\n", entry.code, entry.meaning);
}
