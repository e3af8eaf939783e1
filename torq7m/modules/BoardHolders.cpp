#include "BoardHolders.h"

#include <cstdio>

#include "../board/BoardTable.h"
#include "../host/HostImport.h"
#include "ModuleTable.h"

namespace {

struct BoardHold {
    ModuleKind kind;
    std::uint16_t board;
};

// A worksheet may hold many modules; a few hundred measure at most.
constexpr unsigned kMaxHolders = 1024;
constexpr unsigned kMaxMeasuring = 256;

ModuleTable<BoardHold, kMaxHolders> g_holders;
ModuleTable<BoardHold, kMaxMeasuring> g_measuring;

// Whether a module other than `module` is kept in `table` with `kind` and `board`.
template <typename Table>
bool HeldByAnother(Table& table, const ModuleRecord* module, ModuleKind kind, std::uint16_t board)
{
    bool found = false;
    table.ForEach([&](const ModuleRecord* other, const BoardHold& hold) {
        found |= other != module && hold.kind == kind && hold.board == board;
    });
    return found;
}

void WarnBoardMeasured(std::uint16_t board)
{
    char text[192];
    std::snprintf(text, sizeof text,
                  "ソケット %u のボードは同じ種類の別のモジュールが測定に使っています\nこのモジュールは測定しません",
                  unsigned{board});
    g_host.ShowWarning("Torq-Q7 ERROR", text);
}

}  // namespace

void HoldBoard(const ModuleRecord* module, ModuleKind kind, std::uint16_t board)
{
    g_holders.Keep(module, BoardHold{kind, board});
}

void LetBoardGo(const ModuleRecord* module, ModuleKind kind, std::uint16_t board)
{
    g_holders.Take(module);
    g_measuring.Take(module);
    if (!HeldByAnother(g_holders, module, kind, board))
        ReleaseBoardSlot(kind, board);
}

int BeginBoardMeasurement(const ModuleRecord* module, ModuleKind kind, std::uint16_t board)
{
    if (HeldByAnother(g_measuring, module, kind, board)) {
        WarnBoardMeasured(board);
        return 0;
    }
    if (!g_measuring.Keep(module, BoardHold{kind, board})) {
        g_host.ShowWarning("Torq-Q7 ERROR", "測定するモジュールが多すぎます\nこのモジュールは測定しません");
        return 0;
    }
    return 1;
}

void EndBoardMeasurement(const ModuleRecord* module)
{
    g_measuring.Take(module);
}

bool MeasuresOnItsBoard(const ModuleRecord* module)
{
    return g_measuring.Find(module) != nullptr;
}
