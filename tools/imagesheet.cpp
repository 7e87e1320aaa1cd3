// imagesheet OUT.png
// Draws the interface pictures of the resource store for a person to look at:
// every picture in key order on a light grey cell (the white button pictures on
// a button's colour, the dial face in its tints over white, as the program
// tints it), then the rotor pictures put together as the plane columns show
// them.
#include <stb_image.h>
#include <stb_image_write.h>
#include <stb_truetype.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource_store.h"
#include "texts/text_ids.h"
#include "texts/texts.h"
#include "tool_options.h"

namespace {

struct Rgb {
    unsigned char r, g, b;
};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kCell{0xEE, 0xEE, 0xEE};
constexpr Rgb kLabel{0x77, 0x77, 0x77};
constexpr Rgb kCaption{0x33, 0x33, 0x33};
constexpr Rgb kGreen{0x45, 0xD6, 0x7A};
constexpr Rgb kGreyBlue{0x86, 0x86, 0x95};
constexpr Rgb kSheet{0xFA, 0xFA, 0xFA};

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
};

bool decodeImage(TextId key, Image& out) {
    const ResourceEntry e = findResource(key);
    if (e.size == 0) return false;
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load_from_memory(static_cast<const unsigned char*>(e.data), static_cast<int>(e.size), &w,
                                              &h, &n, 4);
    if (!px) return false;
    out.width = w;
    out.height = h;
    out.rgba.assign(px, px + static_cast<size_t>(w) * h * 4);
    stbi_image_free(px);
    return true;
}

// The tint rule of the texture upload: the colour fills red, green and blue,
// the image's red channel becomes alpha.
Image tinted(const Image& mask, std::uint32_t colour) {
    Image out = mask;
    for (size_t i = 0; i < out.rgba.size(); i += 4) {
        out.rgba[i + 3] = mask.rgba[i];
        out.rgba[i] = colour & 0xFF;
        out.rgba[i + 1] = (colour >> 8) & 0xFF;
        out.rgba[i + 2] = (colour >> 16) & 0xFF;
    }
    return out;
}

// Half size by 2 x 2 averages of premultiplied pixels.
Image halved(const Image& in) {
    Image out;
    out.width = in.width / 2;
    out.height = in.height / 2;
    out.rgba.resize(static_cast<size_t>(out.width) * out.height * 4);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            int sum[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const unsigned char* p = &in.rgba[(static_cast<size_t>(2 * y + dy) * in.width + 2 * x + dx) * 4];
                    for (int c = 0; c < 3; ++c) sum[c] += p[c] * p[3];
                    sum[3] += p[3];
                }
            unsigned char* q = &out.rgba[(static_cast<size_t>(y) * out.width + x) * 4];
            for (int c = 0; c < 3; ++c) q[c] = static_cast<unsigned char>(sum[3] ? sum[c] / sum[3] : 0);
            q[3] = static_cast<unsigned char>(sum[3] / 4);
        }
    return out;
}

class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), rgb_(static_cast<size_t>(width) * height * 3) {
        fill(0, 0, width, height, kSheet);
    }

    void fill(int x0, int y0, int w, int h, Rgb c) {
        for (int y = std::max(0, y0); y < std::min(height_, y0 + h); ++y)
            for (int x = std::max(0, x0); x < std::min(width_, x0 + w); ++x) put(x, y, c, 255);
    }

    void draw(const Image& img, int x0, int y0) {
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                const unsigned char* p = &img.rgba[(static_cast<size_t>(y) * img.width + x) * 4];
                put(x0 + x, y0 + y, Rgb{p[0], p[1], p[2]}, p[3]);
            }
    }

    void coverage(const unsigned char* alpha, int w, int h, int x0, int y0, Rgb c) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) put(x0 + x, y0 + y, c, alpha[static_cast<size_t>(y) * w + x]);
    }

    bool save(const char* file) const { return stbi_write_png(file, width_, height_, 3, rgb_.data(), width_ * 3) != 0; }

private:
    void put(int x, int y, Rgb c, int a) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_ || a == 0) return;
        unsigned char* p = &rgb_[(static_cast<size_t>(y) * width_ + x) * 3];
        p[0] = static_cast<unsigned char>((c.r * a + p[0] * (255 - a) + 127) / 255);
        p[1] = static_cast<unsigned char>((c.g * a + p[1] * (255 - a) + 127) / 255);
        p[2] = static_cast<unsigned char>((c.b * a + p[2] * (255 - a) + 127) / 255);
    }

    int width_, height_;
    std::vector<unsigned char> rgb_;
};

// Plain ASCII captions in the program's regular face.
class Captions {
public:
    bool load() {
        const ResourceEntry e = findResource(textid::kFontFace2);
        return e.size != 0 && stbtt_InitFont(&font_, static_cast<const unsigned char*>(e.data), 0);
    }

    int width(const std::string& text, float px) const {
        const float scale = stbtt_ScaleForPixelHeight(&font_, px);
        int w = 0;
        for (char ch : text) {
            int adv, lsb;
            stbtt_GetCodepointHMetrics(&font_, ch, &adv, &lsb);
            w += adv;
        }
        return static_cast<int>(w * scale);
    }

    // text with its top-left corner at (x, y)
    void draw(Canvas& canvas, const std::string& text, int x, int y, float px, Rgb colour) const {
        const float scale = stbtt_ScaleForPixelHeight(&font_, px);
        int ascent, descent, gap;
        stbtt_GetFontVMetrics(&font_, &ascent, &descent, &gap);
        const int baseline = y + static_cast<int>(ascent * scale);
        float pen = static_cast<float>(x);
        for (char ch : text) {
            int adv, lsb, x0, y0, x1, y1;
            stbtt_GetCodepointHMetrics(&font_, ch, &adv, &lsb);
            stbtt_GetCodepointBitmapBox(&font_, ch, scale, scale, &x0, &y0, &x1, &y1);
            if (x1 > x0 && y1 > y0) {
                std::vector<unsigned char> glyph(static_cast<size_t>(x1 - x0) * (y1 - y0));
                stbtt_MakeCodepointBitmap(&font_, glyph.data(), x1 - x0, y1 - y0, x1 - x0, scale, scale, ch);
                canvas.coverage(glyph.data(), x1 - x0, y1 - y0, static_cast<int>(pen) + x0, baseline + y0, colour);
            }
            pen += adv * scale;
        }
    }

private:
    stbtt_fontinfo font_{};
};

constexpr int kSheetWidth = 1800;
constexpr int kMargin = 24;
constexpr int kGap = 16;
constexpr int kLabelHeight = 22;
constexpr int kColumn = 248;

// Lays out boxes in rows from left to right and records how to draw them, so
// that the canvas can be made once the height is known.
class Flow {
public:
    using Paint = std::function<void(Canvas&, int x, int y)>;

    void box(int w, int h, Paint paint) {
        if (x_ + w > kSheetWidth - kMargin && x_ > kMargin) newRow();
        ops_.push_back([paint, x = x_, y = y_](Canvas& c) { paint(c, x, y); });
        x_ += w + kGap;
        rowHeight_ = std::max(rowHeight_, h);
    }
    void newRow() {
        y_ += rowHeight_ + kGap;
        x_ = kMargin;
        rowHeight_ = 0;
    }
    void heading(const Captions& captions, const std::string& text) {
        if (x_ > kMargin) newRow();
        box(kSheetWidth - 2 * kMargin, 30,
            [&captions, text](Canvas& c, int x, int y) { captions.draw(c, text, x, y + 2, 24.f, kCaption); });
        newRow();
    }
    int height() const { return y_ + rowHeight_ + kMargin; }
    void paint(Canvas& c) const {
        for (const auto& op : ops_) op(c);
    }

private:
    int x_ = kMargin, y_ = kMargin, rowHeight_ = 0;
    std::vector<std::function<void(Canvas&)>> ops_;
};

bool whiteOnButton(TextId key) {
    switch (key) {
    case 0x179E419: case 0x179E41A: case 0x179E41D: case 0x179E41E: case 0x179E43C: case 0x179E43D:
        return true;
    default:
        return false;
    }
}

std::string keyLabel(TextId key) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", key);
    return buf;
}

void addCatalogue(Flow& flow, const Captions& captions, const std::vector<Image>& images) {
    flow.heading(captions, "Interface pictures in key order");
    for (TextId key = textid::kInterfaceImageFirst; key <= textid::kInterfaceImageLast; ++key) {
        const Image& img = images[key - textid::kInterfaceImageFirst];
        const std::string label = keyLabel(key);
        if (key == textid::kTintedImage) {
            // As the program uploads it: one texture per tint colour, here over white at half size.
            const std::uint32_t* tints = attrsOf(key);
            std::vector<Image> faces;
            for (const std::uint32_t* t = tints; *t; ++t) faces.push_back(halved(tinted(img, *t)));
            const int side = img.width / 2 + 2 * kGap;
            const int w = static_cast<int>(faces.size()) * side;
            flow.box(w, side + kLabelHeight, [=, &captions](Canvas& c, int x, int y) {
                c.fill(x, y, w, side, kWhite);
                for (size_t i = 0; i < faces.size(); ++i) c.draw(faces[i], x + static_cast<int>(i) * side + kGap, y + kGap);
                captions.draw(c, label, x, y + side + 2, 16.f, kLabel);
            });
            continue;
        }
        const int w = std::max(img.width + 2 * kGap, 96), h = img.height + 2 * kGap;
        const bool onButton = whiteOnButton(key);
        flow.box(w, h + kLabelHeight, [=, &captions, &img](Canvas& c, int x, int y) {
            c.fill(x, y, w, h, kCell);
            const int ix = x + (w - img.width) / 2, iy = y + kGap;
            if (onButton) c.fill(ix - 12, iy - 12, img.width + 24, img.height + 24, key == 0x179E41D ? kGreen : kGreyBlue);
            c.draw(img, ix, iy);
            if (key == 0x179E433) {  // the sensor mark carries a channel number
                const int tw = captions.width("3", 20.f);
                captions.draw(c, "3", ix + (img.width - tw) / 2, iy + img.height / 2 - 13, 20.f, Rgb{0, 0, 0});
            }
            captions.draw(c, label, x, y + h + 2, 16.f, kLabel);
        });
    }
}

const Image& byKey(const std::vector<Image>& images, TextId key) { return images[key - textid::kInterfaceImageFirst]; }

// A rotor picture as the plane columns show it: the machine picture centred
// on the columns (and the control-rotor overlay under the segments), one
// segment per column, and on a Horizontal machine the sensor marks with their
// channel numbers 212 px below the top.
struct Composition {
    std::string caption;
    TextId machine;  // 0: none
    bool control;
    std::vector<TextId> segments;
    bool sensors;
};

void addComposition(Flow& flow, const Captions& captions, const std::vector<Image>& images, const Composition& comp) {
    const int columns = static_cast<int>(comp.segments.size());
    const Image* machine = comp.machine ? &byKey(images, comp.machine) : nullptr;
    const int span = columns * kColumn;
    const int w = std::max(span, machine ? machine->width : 0) + 2 * kGap;
    const int bandH = comp.sensors ? 250 : (machine ? machine->height : 160);
    const int h = bandH + 2 * kGap;
    flow.box(w, h + kLabelHeight, [=, &captions, &images](Canvas& c, int x, int y) {
        c.fill(x, y, w, h, kWhite);
        const int left = x + (w - span) / 2, top = y + kGap;
        if (machine) c.draw(*machine, left + span / 2 - machine->width / 2, top);
        if (comp.control) c.draw(byKey(images, 0x179E438), left, top);
        for (int i = 0; i < columns; ++i) c.draw(byKey(images, comp.segments[i]), left + i * kColumn, top);
        if (comp.sensors) {
            const Image& mark = byKey(images, 0x179E433);
            const int origin = left + 16;
            std::vector<int> xs;
            if (columns == 1) xs = {origin + 83, origin + 83 + 128};
            else
                for (int i = 0; i < columns; ++i) {
                    xs.push_back(origin + i * kColumn);
                    xs.push_back(origin + i * kColumn + 64);
                }
            int channel = 1;
            for (int mx : xs) {
                const int my = top + 212;
                c.draw(mark, mx - mark.width / 2, my - mark.height / 2);
                const std::string n = std::to_string(channel++);
                captions.draw(c, n, mx - captions.width(n, 20.f) / 2, my - 13, 20.f, Rgb{0, 0, 0});
            }
        }
        captions.draw(c, comp.caption, x, y + h + 2, 16.f, kLabel);
    });
}

void addCompositions(Flow& flow, const Captions& captions, const std::vector<Image>& images) {
    flow.heading(captions, "Rotor pictures under the plane columns");
    const Composition comps[] = {
        {"Horizontal, one plane, end drive (21)", 0, false, {0x179E41F}, true},
        {"Horizontal, one plane, belt drive (85)", 0, false, {0x179E431}, true},
        {"Horizontal, two planes, end drive (10, 20)", 0, false, {0x179E421, 0x179E420}, true},
        {"Horizontal, two planes, belt drive (81, 84)", 0, false, {0x179E427, 0x179E426}, true},
        {"Horizontal, four planes, end drive (51, 41, 44, 61)", 0, false,
         {0x179E425, 0x179E42D, 0x179E42E, 0x179E430}, true},
        {"Horizontal, three planes, belt drive (54, 41, 61)", 0, false, {0x179E424, 0x179E42D, 0x179E430}, true},
        {"Control rotor (overlay 438; 151, 44, 61)", 0, true, {0x179E423, 0x179E42E, 0x179E430}, true},
        {"Spares: first and last without a channel (42C, 422)", 0, false, {0x179E42C, 0x179E422}, false},
        {"Spares: middle with a belt, plain shaft (42F, 432)", 0, false, {0x179E425, 0x179E42F, 0x179E432, 0x179E430},
         false},
        {"Vertical, one plane (436; 04)", 0x179E436, false, {0x179E429}, false},
        {"Vertical, two planes (437; 01, 02)", 0x179E437, false, {0x179E428, 0x179E42B}, false},
        {"Console, one plane (434; 00)", 0x179E434, false, {0x179E42A}, false},
        {"Console, two planes (435; 01, 02)", 0x179E435, false, {0x179E428, 0x179E42B}, false},
    };
    for (const auto& comp : comps) addComposition(flow, captions, images, comp);
}

}  // namespace

int main(int argc, char** argv) {
    static const char* kUsage = "usage: imagesheet OUT.png\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    if (argc - optind != 1) return tooloptions::usage(kUsage, false);
    const char* out = argv[optind];
    if (!indexEmbeddedResources()) {
        std::fprintf(stderr, "imagesheet: the embedded resource store is damaged\n");
        return 1;
    }
    Captions captions;
    if (!captions.load()) {
        std::fprintf(stderr, "imagesheet: the regular face is missing\n");
        return 1;
    }
    std::vector<Image> images(textid::kInterfaceImageLast - textid::kInterfaceImageFirst + 1);
    for (TextId key = textid::kInterfaceImageFirst; key <= textid::kInterfaceImageLast; ++key) {
        if (!decodeImage(key, images[key - textid::kInterfaceImageFirst])) {
            std::fprintf(stderr, "imagesheet: image 0x%X missing or not decodable\n", key);
            return 1;
        }
    }
    Flow flow;
    addCatalogue(flow, captions, images);
    addCompositions(flow, captions, images);
    Canvas canvas(kSheetWidth, flow.height());
    flow.paint(canvas);
    if (!canvas.save(out)) {
        std::fprintf(stderr, "imagesheet: cannot write %s\n", out);
        return 1;
    }
    return 0;
}
