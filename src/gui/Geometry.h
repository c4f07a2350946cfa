#pragma once
// Plain value types of the widget toolkit: rectangles, points and colours.
// Free of any window-system header so that views can be described anywhere.

#include <cstdint>

namespace tine {

struct Point {
    int32_t h = 0;
    int32_t v = 0;

    Point() = default;
    Point(int32_t hh, int32_t vv) : h(hh), v(vv) {}
    Point& offset(int32_t dh, int32_t dv) {
        h += dh;
        v += dv;
        return *this;
    }
    bool operator==(const Point& o) const { return h == o.h && v == o.v; }
    bool operator!=(const Point& o) const { return !(*this == o); }
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    Rect() = default;
    Rect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    Point topLeft() const { return Point(left, top); }

    Rect& offset(int32_t dh, int32_t dv) {
        left += dh;
        right += dh;
        top += dv;
        bottom += dv;
        return *this;
    }
    Rect& moveTo(int32_t l, int32_t t) { return offset(l - left, t - top); }

    // Both edges count: a click on the right or bottom edge still hits.
    bool isInside(const Point& p) const { return p.h >= left && p.h <= right && p.v >= top && p.v <= bottom; }
    bool overlaps(const Rect& o) const { return left < o.right && o.left < right && top < o.bottom && o.top < bottom; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};

struct Color {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t unused = 0;  // kept at 0

    constexpr Color() = default;
    constexpr Color(uint8_t r, uint8_t g, uint8_t b) : red(r), green(g), blue(b), unused(0) {}
    constexpr bool operator==(const Color& o) const { return red == o.red && green == o.green && blue == o.blue; }
    constexpr bool operator!=(const Color& o) const { return !(*this == o); }
};

inline constexpr Color kBlackColor{0, 0, 0};
inline constexpr Color kWhiteColor{255, 255, 255};
inline constexpr Color kGreyColor{127, 127, 127};
inline constexpr Color kRedColor{255, 0, 0};
inline constexpr Color kGreenColor{0, 255, 0};
inline constexpr Color kBlueColor{0, 0, 255};
inline constexpr Color kYellowColor{255, 255, 0};
inline constexpr Color kMagentaColor{255, 0, 255};
inline constexpr Color kCyanColor{0, 255, 255};
// Pixels of this colour are left out by a transparent bitmap draw unless the
// bitmap names another one.
inline constexpr Color kDefaultTransparentColor{255, 255, 255};

// Mouse buttons and modifier keys as DrawContext::getMouseButtons reports them.
enum MouseButtons : int32_t {
    kLButton = 1,
    kMButton = 2,
    kRButton = 4,
    kShift = 8,
    kControl = 16,
    kAlt = 32,
};

}  // namespace tine
