// shot_check PNG WIDTH HEIGHT: accepts a screenshot of the program when it
// has the given size, shows the window colour (238, 238, 238) over at least
// 2 % of it, and dark text on that colour (dark pixels beside window-colour
// pixels on the same row).
#include <cstdio>
#include <cstdlib>

#include <stb_image.h>

namespace {
constexpr int kWindowGrey = 238;
constexpr int kDark = 100;
constexpr int kNear = 3;
constexpr int kMinTextPixels = 40;
}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: shot_check PNG WIDTH HEIGHT\n");
        return 2;
    }
    int w = 0, h = 0, channels = 0;
    unsigned char* px = stbi_load(argv[1], &w, &h, &channels, 3);
    if (!px) {
        std::printf("cannot read %s\n", argv[1]);
        return 1;
    }
    auto at = [&](int x, int y) { return px + (static_cast<long>(y) * w + x) * 3; };
    auto isWindow = [&](int x, int y) {
        const unsigned char* p = at(x, y);
        return p[0] == kWindowGrey && p[1] == kWindowGrey && p[2] == kWindowGrey;
    };
    long window = 0, text = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (isWindow(x, y)) {
                ++window;
                continue;
            }
            const unsigned char* p = at(x, y);
            if (p[0] >= kDark || p[1] >= kDark || p[2] >= kDark) continue;
            for (int dx = -kNear; dx <= kNear; ++dx)
                if (x + dx >= 0 && x + dx < w && isWindow(x + dx, y)) {
                    ++text;
                    break;
                }
        }
    stbi_image_free(px);
    std::printf("shot %dx%d: %ld window-colour pixels, %ld dark text pixels\n", w, h, window, text);
    const bool ok = w == std::atoi(argv[2]) && h == std::atoi(argv[3]) && window * 50 >= static_cast<long>(w) * h &&
                    text >= kMinTextPixels;
    return ok ? 0 : 1;
}
