#pragma once
// Dialog units to pixels. A dialog unit is a quarter of the dialog font's
// average character width horizontally and an eighth of its height
// vertically, so a layout made for one font keeps its proportions in another.
// Pure integer arithmetic, usable without a window system.

namespace tmx7::gui {

// The font measure the conversion rests on, in pixels.
struct DialogBase {
    int cx = 0; // average character width
    int cy = 0; // character height
};

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// a * b / c rounded to the nearest integer, halves away from zero; what the
// window system uses for these conversions, so neighbouring controls that
// touch in dialog units also touch in pixels.
constexpr int MulDivRound(int a, int b, int c) {
    if (c == 0)
        return -1;
    const long long p = static_cast<long long>(a) * b;
    const bool negative = (p < 0) != (c < 0);
    const long long ap = p < 0 ? -p : p;
    const long long ac = c < 0 ? -static_cast<long long>(c) : c;
    const long long q = (ap + ac / 2) / ac;
    return static_cast<int>(negative ? -q : q);
}

// Average width from the width of the 52 letters A-Z a-z, rounded the way
// the window system does it: ((extent / 26) + 1) / 2.
constexpr int AverageCharWidth(int extentOf52Letters) {
    return (extentOf52Letters / 26 + 1) / 2;
}

constexpr int DluToPixelsX(int x, DialogBase base) {
    return MulDivRound(x, base.cx, 4);
}
constexpr int DluToPixelsY(int y, DialogBase base) {
    return MulDivRound(y, base.cy, 8);
}

constexpr PixelRect DluToPixels(int x, int y, int width, int height, DialogBase base) {
    // Convert the edges, not the size, so adjacent rectangles stay adjacent.
    const int left = DluToPixelsX(x, base);
    const int top = DluToPixelsY(y, base);
    return {left, top, DluToPixelsX(x + width, base) - left, DluToPixelsY(y + height, base) - top};
}

// Pixels back to dialog units (rounded), for code that was written against
// pixel positions measured in the original font.
constexpr int PixelsToDluX(int px, DialogBase base) {
    return MulDivRound(px, 4, base.cx);
}
constexpr int PixelsToDluY(int py, DialogBase base) {
    return MulDivRound(py, 8, base.cy);
}

} // namespace tmx7::gui
