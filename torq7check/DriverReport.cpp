#include "DriverReport.h"

#include <windows.h>

#include <cstdio>

#include "Advice.h"
#include "DllKind.h"
#include "board/DriverApi.h"

namespace {

// Why Windows would not load a torq7.dll, by its error code.
struct LoadFailure {
    unsigned long error;
    const char* what;
    const char* advice;
    bool tellKind;   // the file's own header says which kind it is
};

constexpr LoadFailure kLoadFailures[] = {
    {ERROR_BAD_EXE_FORMAT, "DLL ではないか、32/64 ビットの種類が違います (not a DLL, or the wrong 32/64-bit kind)",
     kAdviceRightKind, true},
    {ERROR_MOD_NOT_FOUND, "torq7.dll が使う DLL が見つかりません (a DLL it needs is missing)", kAdviceCurrentDriver,
     false},
    {ERROR_ACCESS_DENIED, "読むことが許されていません (access denied)",
     "ファイルのアクセス許可を確かめてください (check the file's permissions)", false},
    {ERROR_DLL_INIT_FAILED, "torq7.dll の初期化が失敗しました (DLL initialization failed)", kAdviceCurrentDriver,
     false},
};

constexpr LoadFailure kOtherLoadFailure = {0, "", kAdviceCurrentDriver, false};

const LoadFailure& FindLoadFailure(unsigned long error)
{
    for (const LoadFailure& failure : kLoadFailures) {
        if (failure.error == error)
            return failure;
    }
    return kOtherLoadFailure;
}

// Module kinds by ModuleKind, as the host's module list names them.
constexpr const char* kKindNames[kModuleKinds] = {"Torq-Q7 AD", "Torq-Q7 DA", "Torq-Q7 DIN", "Torq-Q7 DOUT"};

struct StartUpText {
    const char* text;
    const char* advice;   // null: nothing to do
};

// By StartUpVerdict.
constexpr StartUpText kStartUpTexts[] = {
    {"メニュー \"HALDEN\" と 4 つのモジュールを登録します (menu and module classes installed)", nullptr},
    {"メニューもモジュールも登録しません (no menu, no module classes): torq7.dll が見つかりません (no driver)",
     kAdviceRestartHost},
    {"メニューもモジュールも登録しません (no menu, no module classes): torq7.dll を読み込めません (driver not loaded)",
     kAdviceRestartHost},
    {"メニューもモジュールも登録しません (no menu, no module classes): エントリポイントが欠けています "
     "(incomplete driver)",
     kAdviceCurrentDriver},
    {"メニューもモジュールも登録しません (no menu, no module classes): torq7.dll を結び付けられません (not bound)",
     kAdviceCurrentDriver},
};

const char* Presence(bool present)
{
    return present ? "あり (present)" : "ありません (missing)";
}

void ReportBoard(unsigned slot, const BoardEntry& entry)
{
    std::printf("ボード (board) スロット %u: ボード番号 (board number) %u, ポート (port) 0x%04X, 長さ (length) %u, "
                "スイッチ (switch) %u\n",
                slot, unsigned{entry.boardNumber}, unsigned{entry.ioPortAddress}, unsigned{entry.ioPortLength},
                unsigned{entry.switchValue});
    std::printf("ボード (board) スロット %u: 使えるモジュール (modules):", slot);
    const char* separator = " ";
    for (unsigned kind = 0; kind < kModuleKinds; ++kind) {
        if (!entry.inUse[kind]) {
            std::printf("%s%s", separator, kKindNames[kind]);
            separator = ", ";
        }
    }
    std::printf("\n");
}

}  // namespace

void ReportSearchOrder(const std::vector<SearchFolder>& folders)
{
    std::printf("torq7.dll の検索順 (search order):\n");
    unsigned place = 0;
    for (const SearchFolder& folder : folders)
        std::printf("  %u. %s %s: %s\n", ++place, folder.what, folder.path.c_str(),
                    folder.hasDriver ? "torq7.dll あり (found)" : "なし (not found)");
}

void ReportFoundDriver(const FoundDriver& driver)
{
    if (driver.path.empty()) {
        std::printf("torq7.dll: 見つかりません (not found)\n");
        PrintAdvice(kAdviceInstallDriver);
    } else if (!driver.module) {
        const LoadFailure& failure = FindLoadFailure(driver.loadError);
        std::printf("torq7.dll: %s を読み込めません (cannot be loaded), Windows のエラー (error) %lu%s%s%s%s\n",
                    driver.path.c_str(), driver.loadError, *failure.what ? ": " : "", failure.what,
                    failure.tellKind ? "; " : "", failure.tellKind ? DllKindText(ReadDllKind(driver.path)) : "");
        PrintAdvice(failure.advice);
    } else {
        std::printf("torq7.dll: %s を読み込みました (loaded)\n", driver.path.c_str());
    }
}

bool ReportEntryPoints(HINSTANCE__* module)
{
    bool complete = true;
    for (const char* name : kDriverEntryNames) {
        const bool present = GetProcAddress(module, name) != nullptr;
        complete = complete && present;
        std::printf("エントリポイント (entry point) %s: %s\n", name, Presence(present));
    }
    return complete;
}

void ReportStartUp(StartUpVerdict verdict)
{
    if (verdict == kStartUpInstalls)
        std::printf("torq7.dll の版数 (version): 0x%04X\n", unsigned{Torq7GetVersion()});
    std::printf("起動時 (start-up): %s\n", kStartUpTexts[verdict].text);
    if (kStartUpTexts[verdict].advice)
        PrintAdvice(kStartUpTexts[verdict].advice);
}

unsigned ReportBoards(const BoardSlots& slots, const SlotTrace (&trace)[kBoardSlots])
{
    unsigned present = 0;
    for (unsigned slot = 0; slot < kBoardSlots; ++slot) {
        if (trace[slot].outcome == kSlotPresent) {
            ReportBoard(slot, slots[slot]);
            ++present;
        } else if (trace[slot].outcome == kSlotNoResource) {
            std::printf("ボード (board) スロット %u: ボード番号 (board number) %u は開けましたが Torq7GetResource が"
                        "失敗しました (resource query failed), エラーコード (error code) %d; 閉じました (closed)\n",
                        slot, unsigned{trace[slot].boardNumber}, int{trace[slot].resourceError});
            PrintAdvice(kAdviceResource);
        }
    }
    if (present == 0) {
        std::printf("ボード (board): 見つかりません (no board in slots 0-15)\n");
        PrintAdvice(kAdviceNoBoard);
    } else {
        std::printf("ボード (board): %u 枚 (boards found)\n", present);
    }
    return present;
}
