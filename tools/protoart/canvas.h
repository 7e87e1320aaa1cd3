#pragma once
// A picture drawn from exact shapes: every shape is a signed distance (negative
// inside, 1-Lipschitz), and a pixel's coverage is the share of a fixed 8 x 8
// grid of sample points inside it.  Pixels farther than a pixel's half
// diagonal from the edge skip the sampling.  No clock, no random input: the
// same calls give the same bytes.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace protoart {

struct Rgb {
    float r = 0, g = 0, b = 0;  // 0 ... 1
};
// 0xRRGGBB.
constexpr Rgb rgb(std::uint32_t hex) {
    return {((hex >> 16) & 0xFF) / 255.f, ((hex >> 8) & 0xFF) / 255.f, (hex & 0xFF) / 255.f};
}

struct Box {
    float x0, y0, x1, y1;
};

// ---- Shapes (signed distances in pixels) ------------------------------------

struct Disc {
    float cx, cy, r;
    Box bounds() const { return {cx - r, cy - r, cx + r, cy + r}; }
    float operator()(float x, float y) const { return std::hypot(x - cx, y - cy) - r; }
};

// A circle line of width w centred on radius r.
struct Ring {
    float cx, cy, r, w;
    Box bounds() const { return {cx - r - w, cy - r - w, cx + r + w, cy + r + w}; }
    float operator()(float x, float y) const { return std::fabs(std::hypot(x - cx, y - cy) - r) - w / 2; }
};

// A straight line of width w with square-cut ends at its end points.
struct Segment {
    float x1, y1, x2, y2, w;
    Box bounds() const {
        return {std::min(x1, x2) - w, std::min(y1, y2) - w, std::max(x1, x2) + w, std::max(y1, y2) + w};
    }
    float operator()(float x, float y) const;
};

// A straight line of width w with round ends.
struct Stroke {
    float x1, y1, x2, y2, w;
    Box bounds() const {
        return {std::min(x1, x2) - w, std::min(y1, y2) - w, std::max(x1, x2) + w, std::max(y1, y2) + w};
    }
    float operator()(float x, float y) const;
};

// An axis-parallel rectangle with corners rounded by radius (0: sharp).
struct Rect {
    float x0, y0, x1, y1, radius = 0;
    Box bounds() const { return {x0, y0, x1, y1}; }
    float operator()(float x, float y) const;
};

// A closed polygon (any winding).
struct Polygon {
    std::vector<float> xy;  // x0, y0, x1, y1, ...
    Box bounds() const;
    float operator()(float x, float y) const;
};

// A circular arc of width w with round ends, from angle a0 to a1 (radians,
// clockwise from straight up, a0 < a1).
struct Arc {
    float cx, cy, r, w, a0, a1;
    Box bounds() const { return {cx - r - w, cy - r - w, cx + r + w, cy + r + w}; }
    float operator()(float x, float y) const;
};

// A shape turned clockwise by an angle (radians) about a point.
template <class Shape>
struct Turned {
    Shape shape;
    float cx, cy, angle;
    Box bounds() const {
        const Box b = shape.bounds();
        const float r = std::max({std::hypot(b.x0 - cx, b.y0 - cy), std::hypot(b.x1 - cx, b.y0 - cy),
                                  std::hypot(b.x0 - cx, b.y1 - cy), std::hypot(b.x1 - cx, b.y1 - cy)});
        return {cx - r, cy - r, cx + r, cy + r};
    }
    float operator()(float x, float y) const {
        const float c = std::cos(angle), s = std::sin(angle), dx = x - cx, dy = y - cy;
        return shape(cx + dx * c + dy * s, cy - dx * s + dy * c);
    }
};
template <class Shape>
Turned<Shape> turned(Shape shape, float cx, float cy, float angle) {
    return {shape, cx, cy, angle};
}

// ---- The canvas ---------------------------------------------------------------

// A grey coverage mask, 0 ... 1, for text.
struct Mask {
    int width = 0, height = 0;
    std::vector<float> cover;
    float at(int x, int y) const { return cover[static_cast<std::size_t>(y) * width + x]; }
};

class Canvas {
public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // Paints a shape in a colour over what is there.
    template <class Shape>
    void fill(const Shape& shape, Rgb colour, float opacity = 1) {
        paint(shape.bounds(), [&](float x, float y) { return shape(x, y); }, colour, opacity, false);
    }
    // Makes a shape's area transparent again (a knock-out behind a label).
    template <class Shape>
    void erase(const Shape& shape) {
        paint(shape.bounds(), [&](float x, float y) { return shape(x, y); }, {}, 1, true);
    }
    // Paints a mask with its top-left pixel at (x, y); turned a quarter
    // counter-clockwise when upright is set (text reading upward).
    void paintMask(const Mask& mask, int x, int y, Rgb colour, bool upright = false);

    // 8-bit RGBA PNG (straight alpha), as stb's writer makes it.
    std::string png() const;
    // Baseline JPEG of the picture laid on white.
    std::string jpegOnWhite(int quality) const;

    // Straight-alpha RGBA bytes, row by row.
    std::vector<unsigned char> rgba() const;

private:
    template <class F>
    void paint(Box box, const F& distance, Rgb colour, float opacity, bool clear);
    void blend(int x, int y, Rgb colour, float cover, bool clear);

    int width_, height_;
    std::vector<float> pixels_;  // premultiplied RGBA
};

constexpr int kSamplesPerAxis = 8;
// A point farther than this from an edge leaves a whole pixel on one side.
constexpr float kHalfDiagonal = 0.7072f;

template <class F>
void Canvas::paint(Box box, const F& distance, Rgb colour, float opacity, bool clear) {
    const int xa = std::max(0, static_cast<int>(std::floor(box.x0)) - 1);
    const int ya = std::max(0, static_cast<int>(std::floor(box.y0)) - 1);
    const int xb = std::min(width_, static_cast<int>(std::ceil(box.x1)) + 1);
    const int yb = std::min(height_, static_cast<int>(std::ceil(box.y1)) + 1);
    for (int y = ya; y < yb; ++y)
        for (int x = xa; x < xb; ++x) {
            const float d = distance(x + 0.5f, y + 0.5f);
            if (d > kHalfDiagonal) continue;
            float cover = 1;
            if (d > -kHalfDiagonal) {
                int inside = 0;
                for (int sy = 0; sy < kSamplesPerAxis; ++sy)
                    for (int sx = 0; sx < kSamplesPerAxis; ++sx)
                        if (distance(x + (sx + 0.5f) / kSamplesPerAxis, y + (sy + 0.5f) / kSamplesPerAxis) < 0)
                            ++inside;
                if (inside == 0) continue;
                cover = static_cast<float>(inside) / (kSamplesPerAxis * kSamplesPerAxis);
            }
            blend(x, y, colour, cover * opacity, clear);
        }
}

}  // namespace protoart
