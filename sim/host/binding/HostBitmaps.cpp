// Drawing the host's channel bar bitmaps.
#include "HostBitmaps.h"

#include "HostNames.h"

namespace standin {

namespace {

constexpr COLORREF kFace = RGB(212, 208, 200);
constexpr COLORREF kSelectedFace = RGB(255, 255, 255);
constexpr COLORREF kAbsentFace = RGB(128, 128, 128);
constexpr COLORREF kInitialFace = RGB(176, 176, 176);
constexpr COLORREF kLamp = RGB(0, 176, 64);
constexpr COLORREF kSelectionBar = RGB(0, 64, 192);
constexpr COLORREF kArrow = RGB(0, 0, 0);
constexpr COLORREF kDisabledArrow = RGB(150, 150, 150);
constexpr COLORREF kDisabledShadow = RGB(255, 255, 255);

enum class Edge { Flat, Raised, Sunken };

struct ChannelLook {
    COLORREF face;
    Edge edge;
    bool lamp;           // the channel exists
    bool selectionBar;   // the channel is the selected one
};
constexpr ChannelLook kChannelLooks[kChannelBitmapStates] = {
    {kInitialFace, Edge::Flat, false, false},
    {kSelectedFace, Edge::Raised, true, true},
    {kFace, Edge::Raised, true, false},
    {kAbsentFace, Edge::Sunken, false, false},
};

struct ArrowLook {
    bool pointsRight;   // the add arrow
    bool enabled;
    bool held;
};
constexpr ArrowLook kArrowLooks[kLessMoreBitmapStates] = {
    {false, false, false}, {false, true, false}, {false, true, true},
    {true, false, false},  {true, true, false},  {true, true, true},
};

// A bitmap of the screen's format with a DC selected into it while drawing.
class Canvas {
public:
    Canvas(int width, int height) : area_{0, 0, width, height}
    {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas()
    {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    RECT area() const { return area_; }
    HBITMAP take() { return bitmap_; }

    void fill(const RECT& rect, COLORREF colour)
    {
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc_, &rect, brush);
        DeleteObject(brush);
    }

    void edge(Edge kind)
    {
        RECT rect = area_;
        if (kind == Edge::Flat)
            FrameRect(dc_, &rect, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        else
            DrawEdge(dc_, &rect, kind == Edge::Raised ? EDGE_RAISED : EDGE_SUNKEN, BF_RECT);
    }

    void polygon(const POINT* points, int count, COLORREF colour, int dx = 0, int dy = 0)
    {
        POINT moved[8];
        for (int i = 0; i < count; ++i)
            moved[i] = {points[i].x + dx, points[i].y + dy};
        HBRUSH brush = CreateSolidBrush(colour);
        HPEN pen = CreatePen(PS_SOLID, 1, colour);
        const HGDIOBJ oldBrush = SelectObject(dc_, brush);
        const HGDIOBJ oldPen = SelectObject(dc_, pen);
        Polygon(dc_, moved, count);
        SelectObject(dc_, oldBrush);
        SelectObject(dc_, oldPen);
        DeleteObject(brush);
        DeleteObject(pen);
    }

    void disc(const RECT& box, COLORREF colour)
    {
        HBRUSH brush = CreateSolidBrush(colour);
        const HGDIOBJ oldBrush = SelectObject(dc_, brush);
        const HGDIOBJ oldPen = SelectObject(dc_, GetStockObject(BLACK_PEN));
        Ellipse(dc_, box.left, box.top, box.right, box.bottom);
        SelectObject(dc_, oldBrush);
        SelectObject(dc_, oldPen);
        DeleteObject(brush);
    }

private:
    RECT area_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

}  // namespace

HBITMAP MakeChannelBitmap(unsigned state)
{
    const ChannelLook& look = kChannelLooks[state % kChannelBitmapStates];
    Canvas canvas(kChannelBitmapWidth, kChannelBitmapHeight);
    canvas.fill(canvas.area(), look.face);
    canvas.edge(look.edge);
    if (look.lamp)
        canvas.disc({5, 6, 17, 18}, kLamp);
    if (look.selectionBar)
        canvas.fill({3, 22, kChannelBitmapWidth - 3, 27}, kSelectionBar);
    return canvas.take();
}

HBITMAP MakeLessMoreBitmap(unsigned state)
{
    const ArrowLook& look = kArrowLooks[state % kLessMoreBitmapStates];
    Canvas canvas(kLessMoreBitmapWidth, kLessMoreBitmapHeight);
    canvas.fill(canvas.area(), kFace);
    canvas.edge(look.held ? Edge::Sunken : Edge::Raised);
    constexpr POINT kLeft[] = {{7, 16}, {16, 8}, {16, 24}};
    constexpr POINT kRight[] = {{16, 16}, {7, 8}, {7, 24}};
    const POINT* arrow = look.pointsRight ? kRight : kLeft;
    if (!look.enabled) {
        canvas.polygon(arrow, 3, kDisabledShadow, 1, 1);
        canvas.polygon(arrow, 3, kDisabledArrow);
    } else {
        const int shift = look.held ? 1 : 0;
        canvas.polygon(arrow, 3, kArrow, shift, shift);
    }
    return canvas.take();
}

}  // namespace standin
