#include "DriverReport.h"

#include <windows.h>

#include <cstdio>

#include "board/DriverApi.h"

namespace {

// Module kinds by ModuleKind, as the host's module list names them.
constexpr const char* kKindNames[kModuleKinds] = {"Torq-Q7 AD", "Torq-Q7 DA", "Torq-Q7 DIN", "Torq-Q7 DOUT"};

// By StartUpVerdict.
constexpr const char* kStartUpTexts[] = {
    "メニュー \"HALDEN\" と 4 つのモジュールを登録します (menu and module classes installed)",
    "メニューもモジュールも登録しません (no menu, no module classes): torq7.dll が見つかりません (no driver)",
    "メニューもモジュールも登録しません (no menu, no module classes): エントリポイントが欠けています "
    "(incomplete driver)",
    "メニューもモジュールも登録しません (no menu, no module classes): torq7.dll を結び付けられません (not bound)",
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
    if (driver.path.empty())
        std::printf("torq7.dll: 見つかりません (not found)\n");
    else if (!driver.module)
        std::printf("torq7.dll: %s を読み込めません (cannot be loaded), Windows のエラー (error) %lu\n",
                    driver.path.c_str(), driver.loadError);
    else
        std::printf("torq7.dll: %s を読み込みました (loaded)\n", driver.path.c_str());
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
    std::printf("起動時 (start-up): %s\n", kStartUpTexts[verdict]);
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
        }
    }
    if (present == 0)
        std::printf("ボード (board): 見つかりません (no board in slots 0-15)\n");
    else
        std::printf("ボード (board): %u 枚 (boards found)\n", present);
    return present;
}
