#include "gallery/draw_coverage.h"

#include <cmath>

namespace drawcoverage {
namespace {

using Polygon = std::vector<ImVec2>;

// One side of the clip rectangle: keeps what lies on the inner side of x = edge
// (or y = edge) of the polygon.
template <class Inside, class Cross>
Polygon clipSide(const Polygon& in, Inside inside, Cross cross) {
    Polygon out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const ImVec2& a = in[i];
        const ImVec2& b = in[(i + 1) % in.size()];
        if (inside(a)) out.push_back(a);
        if (inside(a) != inside(b)) out.push_back(cross(a, b));
    }
    return out;
}

Polygon clip(Polygon p, const ImVec4& r) {
    auto atX = [](float x) {
        return [x](const ImVec2& a, const ImVec2& b) {
            const float t = (x - a.x) / (b.x - a.x);
            return ImVec2(x, a.y + t * (b.y - a.y));
        };
    };
    auto atY = [](float y) {
        return [y](const ImVec2& a, const ImVec2& b) {
            const float t = (y - a.y) / (b.y - a.y);
            return ImVec2(a.x + t * (b.x - a.x), y);
        };
    };
    p = clipSide(p, [&](const ImVec2& v) { return v.x >= r.x; }, atX(r.x));
    p = clipSide(p, [&](const ImVec2& v) { return v.x <= r.z; }, atX(r.z));
    p = clipSide(p, [&](const ImVec2& v) { return v.y >= r.y; }, atY(r.y));
    p = clipSide(p, [&](const ImVec2& v) { return v.y <= r.w; }, atY(r.w));
    return p;
}

double area(const Polygon& p) {
    double twice = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const ImVec2& a = p[i];
        const ImVec2& b = p[(i + 1) % p.size()];
        twice += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    return std::fabs(twice) / 2;
}

}  // namespace

Coverage measure(const ImDrawData& data) {
    Coverage out;
    const ImVec2 min = data.DisplayPos;
    const ImVec2 max(min.x + data.DisplaySize.x, min.y + data.DisplaySize.y);
    const double window = static_cast<double>(data.DisplaySize.x) * data.DisplaySize.y;
    if (window <= 0) return out;
    for (int l = 0; l < data.CmdListsCount; ++l) {
        const ImDrawList& list = *data.CmdLists[l];
        double covered = 0;
        for (const ImDrawCmd& cmd : list.CmdBuffer) {
            if (cmd.UserCallback) continue;
            const ImVec4 rect(std::fmax(cmd.ClipRect.x, min.x), std::fmax(cmd.ClipRect.y, min.y),
                              std::fmin(cmd.ClipRect.z, max.x), std::fmin(cmd.ClipRect.w, max.y));
            if (rect.x >= rect.z || rect.y >= rect.w) continue;
            for (unsigned i = 0; i + 2 < cmd.ElemCount; i += 3) {
                Polygon triangle;
                for (unsigned k = 0; k < 3; ++k)
                    triangle.push_back(list.VtxBuffer[cmd.VtxOffset + list.IdxBuffer[cmd.IdxOffset + i + k]].pos);
                covered += area(clip(std::move(triangle), rect));
            }
        }
        out.lists.emplace_back(list._OwnerName ? list._OwnerName : "", covered / window);
        out.total += covered / window;
    }
    return out;
}

}  // namespace drawcoverage
