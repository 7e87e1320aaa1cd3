// Paint nobody sees, or paints twice: before the frame is rendered, what the
// windows under an opaque window (a bar, the keyboard, a side panel) draw
// where it stands is cut from it, a box's black veil is applied to the
// colours of what lies under it instead of being painted over it, and a veil
// of the clear colour is painted only where something lies under it.  A
// software renderer pays for every pixel it paints, also for those painted
// over later in the same frame.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui.h>
#include <imgui_internal.h>

#include "gui/gui.h"

namespace {

// `clip` less `cover`, where what remains is one rectangle: a cover that
// spans the clip rectangle's width takes its top or bottom, one that spans
// its height its left or right side.  A cover in the middle leaves it.
ImVec4 uncovered(ImVec4 clip, const ImVec4& cover) {
    if (cover.x <= clip.x && cover.z >= clip.z) {
        if (cover.y <= clip.y)
            clip.y = std::max(clip.y, std::min(cover.w, clip.w));
        else if (cover.w >= clip.w)
            clip.w = std::min(clip.w, std::max(cover.y, clip.y));
    } else if (cover.y <= clip.y && cover.w >= clip.w) {
        if (cover.x <= clip.x)
            clip.x = std::max(clip.x, std::min(cover.z, clip.z));
        else if (cover.z >= clip.z)
            clip.z = std::min(clip.z, std::max(cover.x, clip.x));
    }
    return clip;
}

bool inside(const ImVec4& r, const ImVec4& outer) {
    return r.x >= outer.x && r.y >= outer.y && r.z <= outer.z && r.w <= outer.w;
}

bool apart(const ImVec4& a, const ImVec4& b) {
    return a.x >= b.z || b.x >= a.z || a.y >= b.w || b.y >= a.w;
}

bool empty(const ImVec4& r) {
    return r.x >= r.z || r.y >= r.w;
}

// The part of `r` inside `to`.
ImVec4 clipped(const ImVec4& r, const ImVec4& to) {
    return ImVec4(std::max(r.x, to.x), std::max(r.y, to.y), std::min(r.z, to.z), std::min(r.w, to.w));
}

ImVec4 displayRect(const ImDrawData& data) {
    return ImVec4(data.DisplayPos.x, data.DisplayPos.y, data.DisplayPos.x + data.DisplaySize.x,
                  data.DisplayPos.y + data.DisplaySize.y);
}

// Where `list` is drawn in the frame, -1: not this frame.
int drawnAt(const ImDrawData& data, const ImDrawList* list) {
    ImDrawList* const* const begin = data.CmdLists;
    ImDrawList* const* const end = begin + data.CmdListsCount;
    ImDrawList* const* const at = std::find(begin, end, list);
    return at == end ? -1 : static_cast<int>(at - begin);
}

// The box around the vertices that the indices [from, from + count) of `cmd`
// name; a triangle's count is known when compiled (`bounds<3>`).
template <unsigned Count = 0>
ImVec4 bounds(const ImDrawList& list, const ImDrawCmd& cmd, unsigned from, unsigned count = Count) {
    ImVec4 box(FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX);
    for (unsigned i = from; i < from + (Count ? Count : count); ++i) {
        const ImVec2 p =
            list.VtxBuffer[static_cast<int>(cmd.VtxOffset + list.IdxBuffer[static_cast<int>(i)])].pos;
        box = ImVec4(std::min(box.x, p.x), std::min(box.y, p.y), std::max(box.z, p.x), std::max(box.w, p.y));
    }
    return box;
}

// Where a command can paint: its clip rectangle less what its triangles leave
// out (a window's background is clipped to the whole window, not its own).
ImVec4 painted(const ImDrawList& list, const ImDrawCmd& cmd) {
    return clipped(bounds(list, cmd, cmd.IdxOffset, cmd.ElemCount), cmd.ClipRect);
}

void placeQuad(ImDrawVert* quad, const ImVec4& r) {
    quad[0].pos = ImVec2(r.x, r.y);
    quad[1].pos = ImVec2(r.z, r.y);
    quad[2].pos = ImVec2(r.z, r.w);
    quad[3].pos = ImVec2(r.x, r.w);
}

// A colour under black at `alpha`: what the veil makes of it.
ImU32 veiled(ImU32 colour, unsigned alpha) {
    ImU32 out = colour & IM_COL32_A_MASK;
    for (const int shift : {IM_COL32_R_SHIFT, IM_COL32_G_SHIFT, IM_COL32_B_SHIFT}) {
        const unsigned channel = (colour >> shift) & 0xFF;
        out |= ((channel * (0xFF - alpha) + 0x7F) / 0xFF) << shift;
    }
    return out;
}

}  // namespace

void Gui::coverWithWindow() {
    const ImGuiWindow* w = ImGui::GetCurrentWindow();
    const bool paints = !(w->Flags & ImGuiWindowFlags_NoBackground);
    _covers.push_back({w->DrawList, w->Pos.x, w->Pos.y, w->Pos.x + w->Size.x, w->Pos.y + w->Size.y, paints});
}

void Gui::veilUnder(const ImVec2& min, const ImVec2& max, std::uint32_t colour) {
    // ImGui draws nothing of a clear colour: no quad to record.
    if ((colour & IM_COL32_A_MASK) == 0) return;
    ImDrawList* list = ImGui::GetWindowDrawList();
    _veils.push_back(
        Veil{list, list->VtxBuffer.Size, list->IdxBuffer.Size, min.x, min.y, max.x, max.y, colour});
    list->AddRectFilled(min, max, colour);
}

// A veil of the clear colour changes nothing where only the clear colour
// shows: it is painted over the tiles where something under it is drawn.
void Gui::veilOnlyWhereDrawn(ImDrawData& data, const Veil& v) {
    constexpr float kTile = 16;
    const int at = drawnAt(data, v.list);
    if (at < 0 || v.list->CmdBuffer.Size == 0) return;
    // The veil's quad ends the last command of its list: more quads can follow it.
    ImDrawCmd& own = v.list->CmdBuffer.back();
    if (own.UserCallback || v.index + 6 != v.list->IdxBuffer.Size ||
        static_cast<int>(own.IdxOffset + own.ElemCount) != v.list->IdxBuffer.Size ||
        v.vertex + 4 != v.list->VtxBuffer.Size)
        return;
    const ImVec4 area = clipped(ImVec4(v.minX, v.minY, v.maxX, v.maxY), own.ClipRect);
    if (empty(area)) return;
    const int columns = static_cast<int>(std::ceil((area.z - area.x) / kTile));
    const int rows = static_cast<int>(std::ceil((area.w - area.y) / kTile));
    _trimMarks.assign(static_cast<std::size_t>(columns * rows), 0);
    std::uint8_t* const drawn = _trimMarks.data();  // per tile, row after row
    for (ImDrawList* const* list = data.CmdLists; list != data.CmdLists + at; ++list)
        for (const ImDrawCmd& cmd : (*list)->CmdBuffer) {
            if (cmd.UserCallback) continue;
            for (unsigned i = cmd.IdxOffset; i + 2 < cmd.IdxOffset + cmd.ElemCount; i += 3) {
                const ImVec4 corners = bounds<3>(**list, cmd, i);
                // A pixel past the triangle's corners may still take its edge.
                const ImVec4 box = clipped(
                    clipped(ImVec4(corners.x - 1, corners.y - 1, corners.z + 1, corners.w + 1), cmd.ClipRect),
                    area);
                if (empty(box)) continue;
                const int c0 = static_cast<int>((box.x - area.x) / kTile),
                          c1 = static_cast<int>((box.z - area.x) / kTile);
                const int r0 = static_cast<int>((box.y - area.y) / kTile),
                          r1 = static_cast<int>((box.w - area.y) / kTile);
                for (int r = r0; r <= std::min(r1, rows - 1); ++r)
                    for (int c = c0; c <= std::min(c1, columns - 1); ++c)
                        drawn[static_cast<std::size_t>(r * columns + c)] = 1;
            }
        }
    // One quad per run of drawn tiles in a row.
    const auto forEachRun = [=](auto&& take) {
        for (int r = 0; r < rows; ++r) {
            const float y0 = area.y + static_cast<float>(r) * kTile, y1 = std::min(area.w, y0 + kTile);
            for (int c = 0; c < columns;) {
                if (!drawn[static_cast<std::size_t>(r * columns + c)]) {
                    ++c;
                    continue;
                }
                const int from = c;
                while (c < columns && drawn[static_cast<std::size_t>(r * columns + c)]) ++c;
                take(ImVec4(area.x + static_cast<float>(from) * kTile, y0,
                            std::min(area.z, area.x + static_cast<float>(c) * kTile), y1));
            }
        }
    };
    int runs = 0;
    forEachRun([&](const ImVec4&) { ++runs; });
    if (runs == 0) {  // nothing drawn under it
        placeQuad(&v.list->VtxBuffer[v.vertex], ImVec4(area.x, area.y, area.x, area.y));
        return;
    }
    // The list's indices are 16 bits wide: a veil that would need more stays whole.
    const int first = v.list->VtxBuffer.Size - static_cast<int>(own.VtxOffset);
    if (first + 4 * (runs - 1) > 0xFFFF) return;
    // The veil's own quad takes the first run.
    const ImDrawVert model = v.list->VtxBuffer[v.vertex];
    int base = v.vertex;
    forEachRun([&](const ImVec4& run) {
        if (base < 0) {
            base = v.list->VtxBuffer.Size;
            for (int n = 0; n < 4; ++n) v.list->VtxBuffer.push_back(model);
            for (const int n : {0, 1, 2, 0, 2, 3})
                v.list->IdxBuffer.push_back(
                    static_cast<ImDrawIdx>(base + n - static_cast<int>(own.VtxOffset)));
            own.ElemCount += 6;
            data.TotalVtxCount += 4;
            data.TotalIdxCount += 6;
        }
        placeQuad(&v.list->VtxBuffer[base], run);
        base = -1;
    });
}

// The veil's rectangle is black at some alpha, and every pixel of it ends as
// what lies under it times (1 - alpha): the colours of what is drawn under it
// take that factor themselves, and so does the clear colour when nothing
// outside the veil shows it.  Where an opaque window under the veil stands at
// its lower edge (the keyboard), the veil stays painted over it.
void Gui::veilColours(ImDrawData& data, const Veil& v) {
    const int at = drawnAt(data, v.list);
    if (at < 0 || v.vertex + 4 > v.list->VtxBuffer.Size) return;
    const ImVec4 display = displayRect(data);
    // The part applied to colours: the veil less the opaque windows under it at its lower edge.
    ImVec4 applied(v.minX, v.minY, v.maxX, v.maxY);
    for (const Cover& c : _covers)
        if (c.drawnAt >= 0 && c.drawnAt < at && c.paints && c.minX <= applied.x && c.maxX >= applied.z &&
            c.minY < applied.w && c.maxY >= applied.w)
            applied.w = std::max(applied.y, c.minY);
    if (applied.x > display.x || applied.y > display.y || applied.z < display.z) return;
    // Below it the clear colour must not show: opaque windows that paint take it all.
    float shown = applied.w;
    for (bool grew = true; grew && shown < display.w;) {
        grew = false;
        for (const Cover& c : _covers)
            if (c.paints && c.minX <= display.x && c.maxX >= display.z && c.minY <= shown && c.maxY > shown) {
                shown = c.maxY;
                grew = true;
            }
    }
    if (shown < display.w) return;
    // Each command under the veil lies wholly inside the applied part or
    // wholly outside it; the vertices of those inside are marked, list after list.
    ImDrawList* const* const under = data.CmdLists + at;
    std::size_t vertices = 0;
    for (ImDrawList* const* list = data.CmdLists; list != under; ++list)
        vertices += static_cast<std::size_t>((*list)->VtxBuffer.Size);
    std::vector<std::uint8_t>& marked = _trimMarks;
    marked.assign(vertices, 0);
    std::size_t first = 0;  // the list's first vertex among the marks
    for (ImDrawList* const* list = data.CmdLists; list != under; ++list) {
        for (const ImDrawCmd& cmd : (*list)->CmdBuffer) {
            if (cmd.UserCallback) continue;
            const ImVec4 r = painted(**list, cmd);
            if (empty(r) || apart(r, applied)) continue;
            if (!inside(r, applied)) return;
            for (unsigned i = cmd.IdxOffset; i < cmd.IdxOffset + cmd.ElemCount; ++i)
                marked[first + cmd.VtxOffset + (*list)->IdxBuffer[static_cast<int>(i)]] = 1;
        }
        first += static_cast<std::size_t>((*list)->VtxBuffer.Size);
    }

    const unsigned alpha = v.colour >> IM_COL32_A_SHIFT;
    first = 0;
    for (ImDrawList* const* list = data.CmdLists; list != under; ++list) {
        ImVector<ImDrawVert>& vertex = (*list)->VtxBuffer;
        for (int n = 0; n < vertex.Size; ++n)
            if (marked[first + static_cast<std::size_t>(n)]) vertex[n].col = veiled(vertex[n].col, alpha);
        first += static_cast<std::size_t>(vertex.Size);
    }
    _clearColour = veiled(_clearColour, alpha);
    // What stays painted of the veil: the strip over the opaque windows, or nothing.
    const float y = applied.w < v.maxY ? applied.w : v.minY;
    const float bottom = applied.w < v.maxY ? v.maxY : v.minY;
    placeQuad(&v.list->VtxBuffer[v.vertex], ImVec4(v.minX, y, v.maxX, bottom));
}

void Gui::trimFrame(ImDrawData& data) {
    for (Cover& cover : _covers) cover.drawnAt = drawnAt(data, cover.list);
    cutCoveredPaint(data);
    // Veils of the clear colour first: a black one may change it.
    const ImU32 clear = _clearColour & ~IM_COL32_A_MASK;
    for (const Veil& v : _veils)
        if ((v.colour & ~IM_COL32_A_MASK) == clear) veilOnlyWhereDrawn(data, v);
    for (const Veil& v : _veils)
        if ((v.colour & ~IM_COL32_A_MASK) == 0 && clear != 0) veilColours(data, v);
}

void Gui::cutCoveredPaint(ImDrawData& data) const {
    const ImVec4 display = displayRect(data);
    for (int i = 0; i < data.CmdListsCount; ++i)
        for (ImDrawCmd& cmd : data.CmdLists[i]->CmdBuffer) {
            if (cmd.UserCallback) continue;
            // Nothing is painted outside the window: a cover from its edge
            // then reaches the clip rectangle's edge.
            cmd.ClipRect = clipped(cmd.ClipRect, display);
            // Again after any cut: one cover may bring another to the clip
            // rectangle's edge (the bottom bar the keyboard above it).
            for (bool cut = true; cut;) {
                cut = false;
                for (const Cover& c : _covers) {
                    if (c.drawnAt <= i) continue;  // not over this list
                    const ImVec4 clip = uncovered(cmd.ClipRect, ImVec4(c.minX, c.minY, c.maxX, c.maxY));
                    cut = cut || std::memcmp(&clip, &cmd.ClipRect, sizeof clip) != 0;
                    cmd.ClipRect = clip;
                }
            }
        }
}
