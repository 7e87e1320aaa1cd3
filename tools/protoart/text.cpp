#include "protoart/text.h"

#include <cstdint>
#include <vector>

namespace protoart {

namespace {

constexpr char kRunMark = '|';
constexpr float kRunSize = 2.f / 3;   // a lowered run's share of the size
constexpr float kRunDrop = 1.f / 3;   // and its drop below the baseline, in sizes

std::vector<std::uint32_t> codepoints(const std::string& s) {
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i++]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : 3;
        std::uint32_t cp = extra == 0 ? c : extra == 1 ? c & 0x1F : extra == 2 ? c & 0x0F : c & 0x07;
        for (; extra > 0 && i < s.size(); --extra, ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
        out.push_back(cp);
    }
    return out;
}

struct Placed {
    int glyph;
    float x, baseline, scale;
};

// Pen positions of a caption's glyphs; returns the advance width.
float layout(const stbtt_fontinfo& info, const std::string& text, float size, float x, float baseline,
             std::vector<Placed>* out, bool& missed) {
    const float full = stbtt_ScaleForMappingEmToPixels(&info, size);
    const float lowered = stbtt_ScaleForMappingEmToPixels(&info, size * kRunSize);
    bool inRun = false;
    float pen = x;
    int previous = 0;
    for (std::uint32_t cp : codepoints(text)) {
        if (cp == static_cast<std::uint32_t>(kRunMark)) {
            inRun = !inRun;
            previous = 0;
            continue;
        }
        const int glyph = stbtt_FindGlyphIndex(&info, static_cast<int>(cp));
        if (glyph == 0) missed = true;
        const float s = inRun ? lowered : full;
        if (previous) pen += s * stbtt_GetGlyphKernAdvance(&info, previous, glyph);
        if (out) out->push_back({glyph, pen, baseline + (inRun ? size * kRunDrop : 0), s});
        int advance = 0, bearing = 0;
        stbtt_GetGlyphHMetrics(&info, glyph, &advance, &bearing);
        pen += s * advance;
        previous = glyph;
    }
    return pen - x;
}

float alignedLeft(float x, float width, Align align) {
    return align == Align::left ? x : align == Align::centre ? x - width / 2 : x - width;
}

}  // namespace

bool Face::load(const void* data) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (!stbtt_InitFont(&info_, bytes, stbtt_GetFontOffsetForIndex(bytes, 0))) return false;
    int x0, y0, x1, y1;
    if (!stbtt_GetCodepointBox(&info_, 'H', &x0, &y0, &x1, &y1)) return false;
    capHeight_ = static_cast<float>(y1);
    int ascent, descent, gap;
    stbtt_GetFontVMetrics(&info_, &ascent, &descent, &gap);
    descent_ = static_cast<float>(descent);
    return true;
}

float Face::width(const std::string& text, float size) const {
    return layout(info_, text, size, 0, 0, nullptr, missed_);
}

Mask Face::render(const std::string& text, float size, float x, float baseline, int& originX, int& originY) const {
    std::vector<Placed> glyphs;
    layout(info_, text, size, x, baseline, &glyphs, missed_);
    struct Cell {
        int x0, y0, x1, y1;
    };
    std::vector<Cell> cells;
    int left = 1 << 30, top = 1 << 30, right = -(1 << 30), bottom = -(1 << 30);
    for (const Placed& g : glyphs) {
        const float ix = std::floor(g.x), iy = std::floor(g.baseline);
        Cell c{};
        stbtt_GetGlyphBitmapBoxSubpixel(&info_, g.glyph, g.scale, g.scale, g.x - ix, g.baseline - iy, &c.x0, &c.y0,
                                        &c.x1, &c.y1);
        c.x0 += static_cast<int>(ix);
        c.x1 += static_cast<int>(ix);
        c.y0 += static_cast<int>(iy);
        c.y1 += static_cast<int>(iy);
        cells.push_back(c);
        if (c.x1 <= c.x0 || c.y1 <= c.y0) continue;  // a space
        left = std::min(left, c.x0);
        top = std::min(top, c.y0);
        right = std::max(right, c.x1);
        bottom = std::max(bottom, c.y1);
    }
    Mask mask;
    originX = left;
    originY = top;
    if (right <= left) return mask;
    mask.width = right - left;
    mask.height = bottom - top;
    mask.cover.assign(static_cast<std::size_t>(mask.width) * mask.height, 0.f);
    std::vector<unsigned char> bitmap;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const Placed& g = glyphs[i];
        const Cell& c = cells[i];
        const int w = c.x1 - c.x0, h = c.y1 - c.y0;
        if (w <= 0 || h <= 0) continue;
        bitmap.assign(static_cast<std::size_t>(w) * h, 0);
        stbtt_MakeGlyphBitmapSubpixel(&info_, bitmap.data(), w, h, w, g.scale, g.scale, g.x - std::floor(g.x),
                                      g.baseline - std::floor(g.baseline), g.glyph);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float& m = mask.cover[static_cast<std::size_t>(c.y0 - top + y) * mask.width + (c.x0 - left + x)];
                m += bitmap[static_cast<std::size_t>(y) * w + x] / 255.f * (1 - m);
            }
    }
    return mask;
}

Box textBox(const Font& font, const std::string& text, float x, float y, Align align) {
    const float width = font.face->width(text, font.size);
    const float left = alignedLeft(x, width, align);
    return {left, y - font.face->capHeight(font.size), left + width, y + font.face->descent(font.size)};
}

Box drawText(Canvas& canvas, const Font& font, const std::string& text, float x, float y, Align align) {
    const Box box = textBox(font, text, x, y, align);
    int ox = 0, oy = 0;
    const Mask mask = font.face->render(text, font.size, box.x0, y, ox, oy);
    canvas.paintMask(mask, ox, oy, font.colour);
    return box;
}

Box drawTextCentred(Canvas& canvas, const Font& font, const std::string& text, float cx, float cy) {
    return drawText(canvas, font, text, cx, cy + font.face->capHeight(font.size) / 2, Align::centre);
}

void drawTextUpright(Canvas& canvas, const Font& font, const std::string& text, float cx, float cy) {
    const float width = font.face->width(text, font.size);
    int ox = 0, oy = 0;
    const Mask mask = font.face->render(text, font.size, 0, 0, ox, oy);
    // The pen line runs upward through cx: a mask pixel (u, v) lands at
    // (cx + v + cap / 2, cy + width / 2 - u).
    const int x = static_cast<int>(std::lround(cx + font.face->capHeight(font.size) / 2)) + oy;
    const int y = static_cast<int>(std::lround(cy + width / 2)) - ox - mask.width;
    canvas.paintMask(mask, x, y, font.colour, true);
}

Box grown(Box b, float margin) { return {b.x0 - margin, b.y0 - margin, b.x1 + margin, b.y1 + margin}; }

}  // namespace protoart
