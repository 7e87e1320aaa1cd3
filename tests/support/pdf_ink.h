#pragma once
// Ink checks on a page rendered by `pdftoppm -gray` (a binary PGM): text
// extraction alone misses glyphs that are drawn blank.

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <string>
#include <vector>

struct Pgm {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;

    unsigned char at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }

    // True when a pixel darker than mid-grey lies in [x0, x1) x [y0, y1).
    bool inkIn(int x0, int y0, int x1, int y1) const {
        for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
                if (at(x, y) < 128) return true;
        return false;
    }
};

inline bool readPgm(const std::string& path, Pgm& out) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> out.width >> out.height >> maxval;
    in.get();
    if (magic != "P5" || maxval != 255 || out.width <= 0 || out.height <= 0) return false;
    out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
    in.read(reinterpret_cast<char*>(out.pixels.data()), static_cast<std::streamsize>(out.pixels.size()));
    return static_cast<bool>(in);
}
