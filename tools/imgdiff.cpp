// imgdiff: compares a screenshot with its reference picture.
//
//   imgdiff [--tolerance N] [--share F] [--mask X,Y,W,H]... [--masks FILE]
//           [--diff OUT.png] REFERENCE.png SHOT.png
//
// A pixel differs when one of its channels differs by more than N (default
// 24 of 255); the pictures match when they have the same size and at most
// the share F (default 0.0002, i.e. 0.02 %) of the pixels outside the masks
// differ.  Masks are rectangles that are not compared (a clock, a date, a
// live value); a masks file holds one "X Y W H" per line, "#" starts a
// comment.  --diff writes the reference dimmed, masks blue, differing
// pixels red.  Exit code 0 match, 1 difference, 2 usage or unreadable input.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <stb_image.h>
#include <stb_image_write.h>

#include "texts/format.h"
#include "tool_options.h"

namespace {

constexpr const char* kUsage =
    "usage: imgdiff [--tolerance N] [--share F] [--mask X,Y,W,H]... [--masks FILE] [--diff OUT.png] "
    "REFERENCE.png SHOT.png\n";
constexpr int kDefaultTolerance = 24;
constexpr double kDefaultShare = 0.0002;
constexpr int kChannels = 3;

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool holds(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

struct Picture {
    unsigned char* pixels = nullptr;
    int w = 0, h = 0;
    explicit Picture(const char* path) {
        int channels = 0;
        pixels = stbi_load(path, &w, &h, &channels, kChannels);
    }
    ~Picture() {
        if (pixels) stbi_image_free(pixels);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    const unsigned char* at(int x, int y) const { return pixels + (static_cast<long>(y) * w + x) * kChannels; }
};

// An option's number as the program reads typed numbers ("0,5" too); false
// when the text is no finite number or anything follows it.
bool optionNumber(const char* text, double& value) {
    std::string whole(text);
    std::replace(whole.begin(), whole.end(), ',', '.');
    char* end = nullptr;
    std::strtod(whole.c_str(), &end);
    return end != whole.c_str() && *end == '\0' && ks::parseDouble(text, value);
}

// A wrong number: what was wanted, then the usage (exit code 2).
int badNumber(const char* option, const char* text, const char* wanted) {
    std::fprintf(stderr, "imgdiff: --%s \"%s\": %s\n", option, text, wanted);
    return tooloptions::usage(kUsage, false);
}

bool parseRect(const std::string& text, Rect& r) {
    std::string t = text;
    for (char& c : t)
        if (c == ',') c = ' ';
    std::istringstream in(t);
    return static_cast<bool>(in >> r.x >> r.y >> r.w >> r.h) && r.w >= 0 && r.h >= 0;
}

bool readMasks(const char* path, std::vector<Rect>& masks) {
    std::ifstream in(path);
    if (!in) return false;
    for (std::string line; std::getline(in, line);) {
        const auto hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        Rect r;
        if (!parseRect(line, r)) {
            std::fprintf(stderr, "imgdiff: %s: not a mask: %s\n", path, line.c_str());
            return false;
        }
        masks.push_back(r);
    }
    return true;
}

bool masked(const std::vector<Rect>& masks, int x, int y) {
    for (const Rect& r : masks)
        if (r.holds(x, y)) return true;
    return false;
}

bool differs(const unsigned char* a, const unsigned char* b, int tolerance) {
    for (int c = 0; c < kChannels; ++c)
        if (std::abs(a[c] - b[c]) > tolerance) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    static const option kOptions[] = {{"tolerance", required_argument, nullptr, 't'},
                                      {"share", required_argument, nullptr, 's'},
                                      {"mask", required_argument, nullptr, 'm'},
                                      {"masks", required_argument, nullptr, 'f'},
                                      {"diff", required_argument, nullptr, 'd'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    int tolerance = kDefaultTolerance;
    double share = kDefaultShare;
    std::vector<Rect> masks;
    const char* diffPath = nullptr;
    for (int c; (c = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
        Rect r;
        double number = 0;
        switch (c) {
            case 't':
                if (!optionNumber(optarg, number) || number != std::floor(number) || number < 0 || number > 255)
                    return badNumber("tolerance", optarg, "a whole number from 0 to 255");
                tolerance = static_cast<int>(number);
                break;
            case 's':
                if (!optionNumber(optarg, share) || share < 0 || share > 1)
                    return badNumber("share", optarg, "a number from 0 to 1");
                break;
            case 'm':
                if (!parseRect(optarg, r)) return tooloptions::usage(kUsage, false);
                masks.push_back(r);
                break;
            case 'f':
                if (!readMasks(optarg, masks)) return 2;
                break;
            case 'd':
                diffPath = optarg;
                break;
            default:
                return tooloptions::usage(kUsage, c == 'h');
        }
    }
    if (argc - optind != 2) return tooloptions::usage(kUsage, false);
    const Picture reference(argv[optind]), shot(argv[optind + 1]);
    for (const auto* p : {&reference, &shot})
        if (!p->pixels) {
            std::fprintf(stderr, "imgdiff: %s: %s\n", argv[optind + (p == &shot)], stbi_failure_reason());
            return 2;
        }
    if (reference.w != shot.w || reference.h != shot.h) {
        std::printf("imgdiff: sizes differ: %dx%d against %dx%d\n", reference.w, reference.h, shot.w, shot.h);
        return 1;
    }
    long compared = 0, different = 0;
    std::vector<unsigned char> diff(diffPath ? static_cast<std::size_t>(shot.w) * shot.h * kChannels : 0);
    for (int y = 0; y < shot.h; ++y)
        for (int x = 0; x < shot.w; ++x) {
            const bool hidden = masked(masks, x, y);
            const bool changed = !hidden && differs(reference.at(x, y), shot.at(x, y), tolerance);
            compared += !hidden;
            different += changed;
            if (!diffPath) continue;
            unsigned char* out = &diff[(static_cast<std::size_t>(y) * shot.w + x) * kChannels];
            const unsigned char* ref = reference.at(x, y);
            for (int c = 0; c < kChannels; ++c) out[c] = static_cast<unsigned char>(128 + ref[c] / 4);
            if (hidden) out[2] = 255;
            if (changed) out[0] = 255, out[1] = out[2] = 0;
        }
    if (diffPath && !stbi_write_png(diffPath, shot.w, shot.h, kChannels, diff.data(), shot.w * kChannels))
        std::fprintf(stderr, "imgdiff: %s could not be written\n", diffPath);
    const double found = compared > 0 ? static_cast<double>(different) / compared : 0.0;
    const bool match = found <= share;
    std::printf("imgdiff: %ld of %ld pixels differ (%.4f %%, at most %.4f %%): %s\n", different, compared,
                100 * found, 100 * share, match ? "match" : "DIFFERENT");
    return match ? 0 : 1;
}
