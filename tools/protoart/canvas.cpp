#include "protoart/canvas.h"

#include <stb_image_write.h>

namespace protoart {

namespace {

constexpr float kPi = 3.14159265358979f;

// Distance of a point from the centre-aligned box of half sizes (hx, hy).
float boxDistance(float px, float py, float hx, float hy) {
    const float qx = std::fabs(px) - hx, qy = std::fabs(py) - hy;
    return std::hypot(std::max(qx, 0.f), std::max(qy, 0.f)) + std::min(std::max(qx, qy), 0.f);
}

void append(void* out, void* data, int size) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

unsigned char toByte(float v) { return static_cast<unsigned char>(std::lround(std::clamp(v, 0.f, 1.f) * 255)); }

}  // namespace

float Segment::operator()(float x, float y) const {
    const float dx = x2 - x1, dy = y2 - y1;
    const float length = std::hypot(dx, dy);
    if (length == 0) return std::hypot(x - x1, y - y1) - w / 2;
    const float ux = dx / length, uy = dy / length;
    const float px = x - (x1 + x2) / 2, py = y - (y1 + y2) / 2;
    return boxDistance(px * ux + py * uy, -px * uy + py * ux, length / 2, w / 2);
}

float Stroke::operator()(float x, float y) const {
    const float ex = x2 - x1, ey = y2 - y1, wx = x - x1, wy = y - y1;
    const float lengthSquared = ex * ex + ey * ey;
    const float t = lengthSquared > 0 ? std::clamp((wx * ex + wy * ey) / lengthSquared, 0.f, 1.f) : 0.f;
    return std::hypot(wx - ex * t, wy - ey * t) - w / 2;
}

float Rect::operator()(float x, float y) const {
    const float hx = (x1 - x0) / 2, hy = (y1 - y0) / 2;
    return boxDistance(x - (x0 + x1) / 2, y - (y0 + y1) / 2, hx - radius, hy - radius) - radius;
}

Box Polygon::bounds() const {
    Box b{xy[0], xy[1], xy[0], xy[1]};
    for (std::size_t i = 0; i + 1 < xy.size(); i += 2) {
        b.x0 = std::min(b.x0, xy[i]);
        b.x1 = std::max(b.x1, xy[i]);
        b.y0 = std::min(b.y0, xy[i + 1]);
        b.y1 = std::max(b.y1, xy[i + 1]);
    }
    return b;
}

// The nearest edge gives the distance; crossings of a horizontal ray give the
// side.
float Polygon::operator()(float x, float y) const {
    const std::size_t n = xy.size() / 2;
    float best = (x - xy[0]) * (x - xy[0]) + (y - xy[1]) * (y - xy[1]);
    float sign = 1;
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
        const float ex = xj - xi, ey = yj - yi, wx = x - xi, wy = y - yi;
        const float t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.f, 1.f);
        const float bx = wx - ex * t, by = wy - ey * t;
        best = std::min(best, bx * bx + by * by);
        const bool above = y >= yi, below = y < yj, left = ex * wy > ey * wx;
        if ((above && below && left) || (!above && !below && !left)) sign = -sign;
    }
    return sign * std::sqrt(best);
}

float Arc::operator()(float x, float y) const {
    const float dx = x - cx, dy = y - cy;
    float t = std::atan2(dx, -dy) - a0;
    while (t < 0) t += 2 * kPi;
    while (t >= 2 * kPi) t -= 2 * kPi;
    if (t <= a1 - a0) return std::fabs(std::hypot(dx, dy) - r) - w / 2;
    const float e0 = std::hypot(x - (cx + r * std::sin(a0)), y - (cy - r * std::cos(a0)));
    const float e1 = std::hypot(x - (cx + r * std::sin(a1)), y - (cy - r * std::cos(a1)));
    return std::min(e0, e1) - w / 2;
}

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height * 4, 0.f) {}

void Canvas::blend(int x, int y, Rgb colour, float cover, bool clear) {
    float* p = &pixels_[(static_cast<std::size_t>(y) * width_ + x) * 4];
    const float keep = 1 - cover;
    if (clear) {
        for (int c = 0; c < 4; ++c) p[c] *= keep;
        return;
    }
    p[0] = colour.r * cover + p[0] * keep;
    p[1] = colour.g * cover + p[1] * keep;
    p[2] = colour.b * cover + p[2] * keep;
    p[3] = cover + p[3] * keep;
}

void Canvas::paintMask(const Mask& mask, int x, int y, Rgb colour, bool upright) {
    for (int my = 0; my < mask.height; ++my)
        for (int mx = 0; mx < mask.width; ++mx) {
            const float cover = mask.at(mx, my);
            if (cover <= 0) continue;
            const int px = upright ? x + my : x + mx;
            const int py = upright ? y + (mask.width - 1 - mx) : y + my;
            if (px >= 0 && py >= 0 && px < width_ && py < height_) blend(px, py, colour, cover, false);
        }
}

std::vector<unsigned char> Canvas::rgba() const {
    std::vector<unsigned char> out(pixels_.size());
    for (std::size_t i = 0; i < pixels_.size(); i += 4) {
        const float a = pixels_[i + 3];
        const unsigned char alpha = toByte(a);
        if (alpha == 0) continue;  // fully transparent pixels stay 0, 0, 0, 0
        for (int c = 0; c < 3; ++c) out[i + c] = toByte(pixels_[i + c] / a);
        out[i + 3] = alpha;
    }
    return out;
}

std::string Canvas::png() const {
    const std::vector<unsigned char> bytes = rgba();
    std::string out;
    stbi_write_png_to_func(append, &out, width_, height_, 4, bytes.data(), width_ * 4);
    return out;
}

std::string Canvas::jpegOnWhite(int quality) const {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(width_) * height_ * 3);
    for (std::size_t i = 0, o = 0; i < pixels_.size(); i += 4, o += 3)
        for (int c = 0; c < 3; ++c) bytes[o + c] = toByte(pixels_[i + c] + 1 - pixels_[i + 3]);
    std::string out;
    stbi_write_jpg_to_func(append, &out, width_, height_, 3, bytes.data(), quality);
    return out;
}

}  // namespace protoart
