// The exit codes of Torq7Check.exe, for scripts and for the person who reads
// them in the installation notes.
#pragma once

enum ExitCode : int {
    kExitReady = 0,
    kExitUsage = 1,
    kExitNoDriver = 2,
    kExitIncompleteDriver = 3,
    kExitNoBoard = 4,
    kExitSelfTestFailed = 5,
    kExitNoSuchBoard = 6,
};

struct ExitCodeText {
    ExitCode code;
    const char* meaning;
};

// Listed by --help in this order.
constexpr ExitCodeText kExitCodeTexts[] = {
    {kExitReady, "使えます (ready): ライブラリはこの torq7.dll で動き、ボードが 1 枚以上あります"},
    {kExitUsage, "使い方の誤り (usage error)"},
    {kExitNoDriver, "torq7.dll が見つからないか読み込めません (no driver)"},
    {kExitIncompleteDriver, "torq7.dll にエントリポイントが欠けています (incomplete driver)"},
    {kExitNoBoard, "ボードが見つかりません (no board): ドライバはどのボードにも応答しません"},
    {kExitSelfTestFailed, "自己診断でドライバがエラーを返しました (self-test failed)"},
    {kExitNoSuchBoard, "--test のボード番号のボードはありません (no such board): 他のボードは見つかりました"},
};
