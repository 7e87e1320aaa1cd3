#pragma once
// The area a frame paints: the triangles of its ImDrawData, each clipped to
// its command's clip rectangle and to the window, summed, over the window's
// area.  1.0 is a window painted once; what lies above it is overdraw, which
// a software renderer pays for pixel by pixel.

#include <string>
#include <utility>
#include <vector>

#include <imgui.h>

namespace drawcoverage {

// Covered area per draw list (its window's name) and in all.
struct Coverage {
    std::vector<std::pair<std::string, double>> lists;  // name, share of the window's area
    double total = 0;
};

Coverage measure(const ImDrawData& data);

}  // namespace drawcoverage
