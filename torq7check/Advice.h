// What to do next, one line under each line that reports a failure: the
// person at the bench reads what is wrong and, right below, what to try.
#pragma once

// Prints "  対処 (what to do): <text>".
void PrintAdvice(const char* text);

constexpr const char kAdviceInstallDriver[] =
    "ボードのドライバをインストールするか、torq7.dll をホストのフォルダにコピーしてください "
    "(install the board's driver, or copy torq7.dll into the host's folder)";
#if defined(_WIN64)
#define TORQ7_CHECK_BITS "64"
#else
#define TORQ7_CHECK_BITS "32"
#endif

// The driver must be of the host's kind; this program is built as the host is.
constexpr const char kAdviceRightKind[] =
    "ボードのドライバの " TORQ7_CHECK_BITS " ビット版 torq7.dll を入れてください: ホストは " TORQ7_CHECK_BITS
    " ビットです (install the board driver's " TORQ7_CHECK_BITS "-bit torq7.dll: the host is " TORQ7_CHECK_BITS
    "-bit)";
constexpr const char kAdviceRestartHost[] =
    "torq7.dll を直したらホストを起動し直してください: ホストは起動時にだけドライバを読み込みます "
    "(restart the host once torq7.dll is fixed: it loads the driver only at start-up)";
constexpr const char kAdviceCurrentDriver[] =
    "ボードの新しいドライバをインストールし直し、ホストを起動し直してください "
    "(reinstall the board's current driver, then restart the host)";
constexpr const char kAdviceNoBoard[] =
    "ボードが差し込まれ、デバイス マネージャーに表示されるか、ボード番号スイッチを確かめてください "
    "(check that the board is seated and shown in Device Manager, and its board number switch)";
constexpr const char kAdviceResource[] =
    "デバイス マネージャーでボードのリソース (I/O ポート) が割り当てられているか確かめてください "
    "(check the board's resources, its I/O ports, in Device Manager)";
constexpr const char kAdviceNoSuchBoard[] =
    "上に挙げたボード番号を --test に指定するか、ボード番号スイッチを確かめてください "
    "(give --test a board number listed above, or check the board number switch)";
constexpr const char kAdviceDriverError[] =
    "ボードとケーブルを確かめてもう一度実行し、繰り返すときはエントリポイントとエラーコードを控えて問い合わせてください "
    "(check the board and its cable and run again; if it repeats, note the entry point and error code)";
constexpr const char kAdviceSetNotReady[] =
    "ボードのサンプリングが進みません: ボードを差し直し、ドライバをインストールし直してください "
    "(the board does not sample: reseat the board and reinstall its driver)";
constexpr const char kAdviceSelfTestAgain[] =
    "上の対処のあと、もう一度 --test で確かめてください (after the steps above, run --test again)";
constexpr const char kAdviceUsage[] =
    "Torq7Check.exe --help で使い方を表示します (--help lists the options)";
