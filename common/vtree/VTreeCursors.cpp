// The cursors wheel panning shows: a ring at the hot spot with arrows to
// the sides the view scrolls to. They are the tree's own resources
// ("VT_MOVEALL" ... "VT_MOVESW"), drawn here as pictures and registered
// with the window layer on first use.

#include "common/vtree/VTreePrivate.h"

#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

namespace {

struct CursorShape {
    const char* Name;
    /// The arrows, as unit steps (x right, y down).
    std::vector<std::pair<int, int>> Arrows;
};

const std::vector<CursorShape>& Shapes()
{
    static const std::vector<CursorShape> List = {
        {"VT_MOVEALL", {{0, -1}, {0, 1}, {-1, 0}, {1, 0}}},
        {"VT_MOVEEW", {{-1, 0}, {1, 0}}},
        {"VT_MOVENS", {{0, -1}, {0, 1}}},
        {"VT_MOVEN", {{0, -1}}},
        {"VT_MOVES", {{0, 1}}},
        {"VT_MOVEE", {{1, 0}}},
        {"VT_MOVEW", {{-1, 0}}},
        {"VT_MOVENE", {{1, -1}}},
        {"VT_MOVENW", {{-1, -1}}},
        {"VT_MOVESE", {{1, 1}}},
        {"VT_MOVESW", {{-1, 1}}},
    };
    return List;
}

constexpr int Size = vtree_private::PanningCursorSize;
constexpr double Centre = Size / 2.0;

/// Signed distance of P from the line A-B, positive on the left of A->B.
double Side(double PX, double PY, double AX, double AY, double BX, double BY)
{
    const double DX = BX - AX;
    const double DY = BY - AY;
    return (DX * (PY - AY) - DY * (PX - AX)) / std::hypot(DX, DY);
}

/// How deep a pixel centre lies in the arrow along (DX, DY): negative
/// outside, else the distance to its nearest edge.
double ArrowDepth(double PX, double PY, int DX, int DY)
{
    const double Length = std::hypot(DX, DY);
    const double UX = DX / Length;
    const double UY = DY / Length;
    // Tip 14 pixels out, base 6 pixels out and 11 wide.
    const double TipX = Centre + 14 * UX;
    const double TipY = Centre + 14 * UY;
    const double BaseX = Centre + 6 * UX;
    const double BaseY = Centre + 6 * UY;
    const double LX = BaseX - 5.5 * UY;
    const double LY = BaseY + 5.5 * UX;
    const double RX = BaseX + 5.5 * UY;
    const double RY = BaseY - 5.5 * UX;
    const double A = Side(PX, PY, TipX, TipY, LX, LY);
    const double B = Side(PX, PY, LX, LY, RX, RY);
    const double C = Side(PX, PY, RX, RY, TipX, TipY);
    // The corners run one way or the other by direction: take both.
    if (A >= 0 && B >= 0 && C >= 0)
        return std::min({A, B, C});
    if (A <= 0 && B <= 0 && C <= 0)
        return std::min({-A, -B, -C});
    return -1;
}

}  // namespace

namespace vtree_private {

std::vector<std::string> PanningCursorRows(const char* Name)
{
    const CursorShape* Shape = nullptr;
    for (const CursorShape& S : Shapes())
        if (std::string(S.Name) == Name)
            Shape = &S;
    if (!Shape)
        return {};
    std::vector<std::string> Rows(Size, std::string(Size, ' '));
    for (int Y = 0; Y < Size; ++Y)
        for (int X = 0; X < Size; ++X) {
            const double PX = X + 0.5;
            const double PY = Y + 0.5;
            // The ring at the hot spot: black, white inside.
            const double R = std::hypot(PX - Centre, PY - Centre);
            if (R <= 2.5)
                Rows[Y][X] = 'o';
            else if (R <= 4)
                Rows[Y][X] = '.';
            for (const auto& [DX, DY] : Shape->Arrows) {
                const double Depth = ArrowDepth(PX, PY, DX, DY);
                if (Depth >= 1.1)
                    Rows[Y][X] = 'o';
                else if (Depth >= 0)
                    Rows[Y][X] = '.';
            }
        }
    return Rows;
}

HCURSOR PanningCursorHandle(const char* Name)
{
    // The picture's bytes stay alive with the registration; a name is
    // registered and loaded once.
    static std::map<std::string, std::pair<std::string, HCURSOR>> Loaded;
    auto It = Loaded.find(Name);
    if (It != Loaded.end())
        return It->second.second;
    const std::vector<std::string> Rows = PanningCursorRows(Name);
    if (Rows.empty())
        return 0;
    std::string Xpm = "/* XPM */\nstatic const char* cursor[] = {\n\"32 32 3 1\",\n"
                      "\"  c None\",\n\". c #000000\",\n\"o c #FFFFFF\",\n";
    for (const std::string& Row : Rows)
        Xpm += "\"" + Row + "\",\n";
    Xpm += "};\n";
    auto& Entry = Loaded[Name];
    Entry.first = std::move(Xpm);
    RegisterCursorResource(Name, Entry.first.data(), Entry.first.size(), Size / 2, Size / 2);
    Entry.second = LoadCursor(HInstance, AnsiString(Name));
    return Entry.second;
}

}  // namespace vtree_private
