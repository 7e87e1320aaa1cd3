// shot_check PNG WIDTH HEIGHT [veil | rows N]: accepts a screenshot of the program
// when it has the given size and
//   - shows the window colour (238, 238, 238) over at least 2 % of it and
//     dark text on that colour (dark pixels beside window-colour pixels on
//     the same row); or, with "veil",
//   - shows a message box: the box's veil (black at alpha 0xDD over the
//     window colour or white) over at least 60 % of it, white text on the
//     veil, and the white bottom bar below it (its last 80 rows mostly white);
//     or, with "rows N", N operator rows of the home screen.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <stb_image.h>

namespace {
constexpr int kWindowGrey = 238;
constexpr int kDark = 100;
constexpr int kNear = 3;
constexpr int kMinTextPixels = 40;
// Black at alpha 0xDD over 238 gives 32, over white 34; the blend may round.
constexpr int kVeilLow = 29;
constexpr int kVeilHigh = 37;
constexpr int kLight = 230;
constexpr int kBarRows = 80;

struct Shot {
    unsigned char* px = nullptr;
    int w = 0, h = 0;
    const unsigned char* at(int x, int y) const { return px + (static_cast<long>(y) * w + x) * 3; }
    bool grey(int x, int y, int low, int high) const {
        const unsigned char* p = at(x, y);
        return p[0] == p[1] && p[1] == p[2] && p[0] >= low && p[0] <= high;
    }
    // Pixels that pass `ink` with a pixel passing `ground` within kNear on the row.
    template <typename Ink, typename Ground>
    long besides(Ink ink, Ground ground) const {
        long n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (!ink(x, y)) continue;
                for (int dx = -kNear; dx <= kNear; ++dx)
                    if (x + dx >= 0 && x + dx < w && ground(x + dx, y)) {
                        ++n;
                        break;
                    }
            }
        return n;
    }
};

bool windowWithText(const Shot& s) {
    auto window = [&](int x, int y) { return s.grey(x, y, kWindowGrey, kWindowGrey); };
    auto dark = [&](int x, int y) {
        const unsigned char* p = s.at(x, y);
        return p[0] < kDark && p[1] < kDark && p[2] < kDark;
    };
    long windowPixels = 0;
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) windowPixels += window(x, y);
    const long text = s.besides(dark, window);
    std::printf("shot %dx%d: %ld window-colour pixels, %ld dark text pixels\n", s.w, s.h, windowPixels, text);
    return windowPixels * 50 >= static_cast<long>(s.w) * s.h && text >= kMinTextPixels;
}

bool veiledBox(const Shot& s) {
    auto veil = [&](int x, int y) { return s.grey(x, y, kVeilLow, kVeilHigh); };
    auto light = [&](int x, int y) { return s.grey(x, y, kLight, 255); };
    long veiled = 0, barWhite = 0;
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
            veiled += veil(x, y);
            if (y >= s.h - kBarRows) barWhite += light(x, y);
        }
    const long text = s.besides(light, veil);
    std::printf("shot %dx%d: %ld veiled pixels, %ld light text pixels on them, %ld white in the bottom bar\n", s.w,
                s.h, veiled, text, barWhite);
    return veiled * 10 >= static_cast<long>(s.w) * s.h * 6 && text >= kMinTextPixels &&
           barWhite * 10 >= static_cast<long>(s.w) * kBarRows * 9;
}
// Operator rows: thin window-colour lines at least kRowLine px long across a
// white screen, 60 px apart (59 between the first two: the first row's own
// line above it), with dark text between each two.
bool operatorRows(const Shot& s, int wanted) {
    constexpr int kRowLine = 400;
    auto lineAt = [&](int y) {
        int run = 0;
        for (int x = 0; x < s.w; ++x) {
            const bool thin = s.grey(x, y, kWindowGrey, kWindowGrey) && y > 0 && y + 1 < s.h &&
                              s.grey(x, y - 1, 255, 255) && s.grey(x, y + 1, 255, 255);
            run = thin ? run + 1 : 0;
            if (run >= kRowLine) return true;
        }
        return false;
    };
    auto darkBetween = [&](int y0, int y1) {
        for (int y = y0 + 1; y < y1; ++y)
            for (int x = 0; x < s.w; ++x) {
                const unsigned char* p = s.at(x, y);
                if (p[0] < kDark && p[1] < kDark && p[2] < kDark) return true;
            }
        return false;
    };
    std::vector<int> lines;
    for (int y = 0; y < s.h; ++y)
        if (lineAt(y)) lines.push_back(y);
    int rows = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const int gap = lines[i] - lines[i - 1];
        if ((gap == 59 || gap == 60) && darkBetween(lines[i - 1], lines[i])) ++rows;
    }
    std::printf("shot %dx%d: %zu row lines, %d operator rows\n", s.w, s.h, lines.size(), rows);
    return rows >= wanted;
}
}  // namespace

int main(int argc, char** argv) {
    const bool veilMode = argc == 5 && std::strcmp(argv[4], "veil") == 0;
    const int rowsWanted = argc == 6 && std::strcmp(argv[4], "rows") == 0 ? std::atoi(argv[5]) : 0;
    if (argc != 4 && !veilMode && rowsWanted <= 0) {
        std::fprintf(stderr, "usage: shot_check PNG WIDTH HEIGHT [veil | rows N]\n");
        return 2;
    }
    Shot shot;
    int channels = 0;
    shot.px = stbi_load(argv[1], &shot.w, &shot.h, &channels, 3);
    if (!shot.px) {
        std::printf("cannot read %s\n", argv[1]);
        return 1;
    }
    const bool sized = shot.w == std::atoi(argv[2]) && shot.h == std::atoi(argv[3]);
    const bool ok = sized && (rowsWanted > 0 ? operatorRows(shot, rowsWanted)
                              : veilMode     ? veiledBox(shot)
                                             : windowWithText(shot));
    stbi_image_free(shot.px);
    return ok ? 0 : 1;
}
