// fontsample OUT.png
// Renders the icon code points and a sample line in the program's three font
// faces at 28 and 64 px, for a person to look at.
#include <stb_image_write.h>
#include <stb_truetype.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource_store.h"
#include "tool_options.h"

namespace {

std::vector<std::uint32_t> decodeUtf8(const std::string& s) {
    std::vector<std::uint32_t> out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::uint32_t cp;
        int extra;
        if (c < 0x80) { cp = c; extra = 0; }
        else if ((c >> 5) == 6) { cp = c & 0x1F; extra = 1; }
        else if ((c >> 4) == 14) { cp = c & 0x0F; extra = 2; }
        else { cp = c & 0x07; extra = 3; }
        ++i;
        for (int k = 0; k < extra && i < s.size(); ++k, ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
        out.push_back(cp);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    static const char* kUsage = "usage: fontsample OUT.png\n";
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    if (argc - optind != 1) return tooloptions::usage(kUsage, false);
    const char* out = argv[optind];
    if (!indexEmbeddedResources()) {
        std::fprintf(stderr, "fontsample: the embedded resource store is damaged\n");
        return 1;
    }
    const std::string text = "À Á Â Ã Ä Å Æ Ç È É × ± ° Привод Ã  1";
    const auto cps = decodeUtf8(text);
    const int width = 1400, rowH = 80;
    const float sizes[] = {28.f, 64.f};
    const int height = rowH * 6 + 20;
    std::vector<unsigned char> img(static_cast<size_t>(width) * height, 255);

    int row = 0;
    for (TextId key : {0xC66801u, 0xC66802u, 0xC66803u}) {
        const ResourceEntry e = findResource(key);
        stbtt_fontinfo info;
        if (e.size == 0 || !stbtt_InitFont(&info, static_cast<const unsigned char*>(e.data), 0)) {
            std::fprintf(stderr, "fontsample: face 0x%X missing or unreadable\n", key);
            return 1;
        }
        for (float px : sizes) {
            const float scale = stbtt_ScaleForPixelHeight(&info, px);
            int ascent, descent, gap;
            stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
            const int baseline = 10 + row * rowH + static_cast<int>(ascent * scale * (rowH - 10) / (px * 1.2f));
            float x = 10;
            for (std::uint32_t cp : cps) {
                int adv, lsb, x0, y0, x1, y1;
                stbtt_GetCodepointHMetrics(&info, static_cast<int>(cp), &adv, &lsb);
                stbtt_GetCodepointBitmapBox(&info, static_cast<int>(cp), scale, scale, &x0, &y0, &x1, &y1);
                const int w = x1 - x0, h = y1 - y0;
                if (w > 0 && h > 0) {
                    std::vector<unsigned char> glyph(static_cast<size_t>(w) * h);
                    stbtt_MakeCodepointBitmap(&info, glyph.data(), w, h, w, scale, scale, static_cast<int>(cp));
                    for (int gy = 0; gy < h; ++gy)
                        for (int gx = 0; gx < w; ++gx) {
                            const int ix = static_cast<int>(x) + x0 + gx, iy = baseline + y0 + gy;
                            if (ix < 0 || iy < 0 || ix >= width || iy >= height) continue;
                            unsigned char& p = img[static_cast<size_t>(iy) * width + ix];
                            const int v = 255 - glyph[static_cast<size_t>(gy) * w + gx];
                            if (v < p) p = static_cast<unsigned char>(v);
                        }
                }
                x += adv * scale;
            }
            ++row;
        }
    }
    if (!stbi_write_png(out, width, height, 1, img.data(), width)) {
        std::fprintf(stderr, "fontsample: cannot write %s\n", out);
        return 1;
    }
    return 0;
}
