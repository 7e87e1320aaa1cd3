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

// Where a command can paint: its clip rectangle less what its triangles leave
// out (a window's background is clipped to the whole window, not its own).
ImVec4 painted(const ImDrawList& list, const ImDrawCmd& cmd) {
    ImVec4 box(FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX);
    for (unsigned i = cmd.IdxOffset; i < cmd.IdxOffset + cmd.ElemCount; ++i) {
        const ImVec2 p =
            list.VtxBuffer[static_cast<int>(cmd.VtxOffset + list.IdxBuffer[static_cast<int>(i)])].pos;
        box = ImVec4(std::min(box.x, p.x), std::min(box.y, p.y), std::max(box.z, p.x), std::max(box.w, p.y));
    }
    const ImVec4& c = cmd.ClipRect;
    return ImVec4(std::max(box.x, c.x), std::max(box.y, c.y), std::min(box.z, c.z), std::min(box.w, c.w));
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
    ImDrawList* list = ImGui::GetWindowDrawList();
    _veils.push_back(
        Veil{list, list->VtxBuffer.Size, list->IdxBuffer.Size, min.x, min.y, max.x, max.y, colour});
    list->AddRectFilled(min, max, colour);
}

// A veil of the clear colour changes nothing where only the clear colour
// shows: it is painted over the tiles where something under it is drawn.
void Gui::veilOnlyWhereDrawn(ImDrawData& data, const Veil& v) {
    constexpr float kTile = 16;
    ImDrawList** const end = data.CmdLists + data.CmdListsCount;
    ImDrawList** const at = std::find(data.CmdLists, end, v.list);
    if (at == end || v.list->CmdBuffer.Size == 0) return;
    // The veil's quad ends the last command of its list: more quads can follow it.
    ImDrawCmd& own = v.list->CmdBuffer.back();
    if (own.UserCallback || v.index + 6 != v.list->IdxBuffer.Size ||
        static_cast<int>(own.IdxOffset + own.ElemCount) != v.list->IdxBuffer.Size ||
        v.vertex + 4 != v.list->VtxBuffer.Size)
        return;
    const ImVec4& clip = own.ClipRect;
    const ImVec4 area(std::max(v.minX, clip.x), std::max(v.minY, clip.y), std::min(v.maxX, clip.z),
                      std::min(v.maxY, clip.w));
    if (empty(area)) return;
    const int columns = static_cast<int>(std::ceil((area.z - area.x) / kTile));
    const int rows = static_cast<int>(std::ceil((area.w - area.y) / kTile));
    std::vector<bool> drawn(static_cast<std::size_t>(columns * rows), false);
    for (ImDrawList** list = data.CmdLists; list != at; ++list)
        for (const ImDrawCmd& cmd : (*list)->CmdBuffer) {
            if (cmd.UserCallback) continue;
            for (unsigned i = cmd.IdxOffset; i + 2 < cmd.IdxOffset + cmd.ElemCount; i += 3) {
                ImVec4 box(FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX);
                for (unsigned k = 0; k < 3; ++k) {
                    const ImVec2 p = (*list)
                                         ->VtxBuffer[static_cast<int>(
                                             cmd.VtxOffset + (*list)->IdxBuffer[static_cast<int>(i + k)])]
                                         .pos;
                    box = ImVec4(std::min(box.x, p.x), std::min(box.y, p.y), std::max(box.z, p.x),
                                 std::max(box.w, p.y));
                }
                // A pixel past the triangle's corners may still take its edge.
                box = ImVec4(std::max({box.x - 1, cmd.ClipRect.x, area.x}),
                             std::max({box.y - 1, cmd.ClipRect.y, area.y}),
                             std::min({box.z + 1, cmd.ClipRect.z, area.z}),
                             std::min({box.w + 1, cmd.ClipRect.w, area.w}));
                if (empty(box)) continue;
                const int c0 = static_cast<int>((box.x - area.x) / kTile),
                          c1 = static_cast<int>((box.z - area.x) / kTile);
                const int r0 = static_cast<int>((box.y - area.y) / kTile),
                          r1 = static_cast<int>((box.w - area.y) / kTile);
                for (int r = r0; r <= std::min(r1, rows - 1); ++r)
                    for (int c = c0; c <= std::min(c1, columns - 1); ++c)
                        drawn[static_cast<std::size_t>(r * columns + c)] = true;
            }
        }
    // One quad per run of drawn tiles in a row; the veil's own quad takes the first.
    std::vector<ImVec4> runs;
    for (int r = 0; r < rows; ++r) {
        const float y0 = area.y + static_cast<float>(r) * kTile, y1 = std::min(area.w, y0 + kTile);
        for (int c = 0; c < columns;) {
            if (!drawn[static_cast<std::size_t>(r * columns + c)]) {
                ++c;
                continue;
            }
            const int from = c;
            while (c < columns && drawn[static_cast<std::size_t>(r * columns + c)]) ++c;
            runs.emplace_back(area.x + static_cast<float>(from) * kTile, y0,
                              std::min(area.z, area.x + static_cast<float>(c) * kTile), y1);
        }
    }
    if (runs.empty()) runs.emplace_back(area.x, area.y, area.x, area.y);  // nothing drawn under it
    // The list's indices are 16 bits wide: a veil that would need more stays whole.
    const int first = v.list->VtxBuffer.Size - static_cast<int>(own.VtxOffset);
    if (first + 4 * static_cast<int>(runs.size() - 1) > 0xFFFF) return;
    const ImDrawVert model = v.list->VtxBuffer[v.vertex];
    for (std::size_t k = 0; k < runs.size(); ++k) {
        int base = v.vertex;
        if (k > 0) {
            base = v.list->VtxBuffer.Size;
            for (int n = 0; n < 4; ++n) v.list->VtxBuffer.push_back(model);
            for (const int n : {0, 1, 2, 0, 2, 3})
                v.list->IdxBuffer.push_back(
                    static_cast<ImDrawIdx>(base + n - static_cast<int>(own.VtxOffset)));
            own.ElemCount += 6;
            data.TotalVtxCount += 4;
            data.TotalIdxCount += 6;
        }
        const ImVec4& run = runs[k];
        ImDrawVert* q = &v.list->VtxBuffer[base];
        q[0].pos = ImVec2(run.x, run.y);
        q[1].pos = ImVec2(run.z, run.y);
        q[2].pos = ImVec2(run.z, run.w);
        q[3].pos = ImVec2(run.x, run.w);
    }
}

// The veil's rectangle is black at some alpha, and every pixel of it ends as
// what lies under it times (1 - alpha): the colours of what is drawn under it
// take that factor themselves, and so does the clear colour when nothing
// outside the veil shows it.  Where an opaque window under the veil stands at
// its lower edge (the keyboard), the veil stays painted over it.
void Gui::veilColours(ImDrawData& data, const Veil& v) {
    ImDrawList** const end = data.CmdLists + data.CmdListsCount;
    ImDrawList** const at = std::find(data.CmdLists, end, v.list);
    if (at == end || v.vertex + 4 > v.list->VtxBuffer.Size) return;
    const ImVec4 display(data.DisplayPos.x, data.DisplayPos.y, data.DisplayPos.x + data.DisplaySize.x,
                         data.DisplayPos.y + data.DisplaySize.y);
    // The part applied to colours: the veil less the opaque windows under it at its lower edge.
    ImVec4 applied(v.minX, v.minY, v.maxX, v.maxY);
    for (const Cover& c : _covers) {
        ImDrawList** const coverAt = std::find(data.CmdLists, at, c.list);
        if (coverAt != at && c.paints && c.minX <= applied.x && c.maxX >= applied.z && c.minY < applied.w &&
            c.maxY >= applied.w)
            applied.w = std::max(applied.y, c.minY);
    }
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
    // Each command under the veil lies wholly inside the applied part or wholly outside it.
    std::vector<std::vector<bool>> under;  // per list and command: inside the applied part
    for (ImDrawList** list = data.CmdLists; list != at; ++list) {
        under.emplace_back();
        for (const ImDrawCmd& cmd : (*list)->CmdBuffer) {
            const ImVec4 r = cmd.UserCallback ? ImVec4() : painted(**list, cmd);
            if (!empty(r) && !inside(r, applied) && !apart(r, applied)) return;
            under.back().push_back(!empty(r) && inside(r, applied));
        }
    }

    const unsigned alpha = v.colour >> IM_COL32_A_SHIFT;
    for (ImDrawList** list = data.CmdLists; list != at; ++list) {
        std::vector<bool> done(static_cast<std::size_t>((*list)->VtxBuffer.Size), false);
        const std::vector<bool>& inApplied = under[static_cast<std::size_t>(list - data.CmdLists)];
        for (int c = 0; c < (*list)->CmdBuffer.Size; ++c) {
            if (!inApplied[static_cast<std::size_t>(c)]) continue;
            const ImDrawCmd& cmd = (*list)->CmdBuffer[c];
            for (unsigned i = cmd.IdxOffset; i < cmd.IdxOffset + cmd.ElemCount; ++i) {
                const unsigned vertex = cmd.VtxOffset + (*list)->IdxBuffer[static_cast<int>(i)];
                if (done[vertex]) continue;
                done[vertex] = true;
                ImDrawVert& vert = (*list)->VtxBuffer[static_cast<int>(vertex)];
                vert.col = veiled(vert.col, alpha);
            }
        }
    }
    _clearColour = veiled(_clearColour, alpha);
    // What stays painted of the veil: the strip over the opaque windows, or nothing.
    const float y = applied.w < v.maxY ? applied.w : v.minY;
    const float bottom = applied.w < v.maxY ? v.maxY : v.minY;
    ImDrawVert* quad = &v.list->VtxBuffer[v.vertex];
    quad[0].pos = ImVec2(v.minX, y);
    quad[1].pos = ImVec2(v.maxX, y);
    quad[2].pos = ImVec2(v.maxX, bottom);
    quad[3].pos = ImVec2(v.minX, bottom);
}

void Gui::trimFrame(ImDrawData& data) {
    cutCoveredPaint(data);
    // Veils of the clear colour first: a black one may change it.
    const ImU32 clear = _clearColour & ~IM_COL32_A_MASK;
    for (const Veil& v : _veils)
        if ((v.colour & ~IM_COL32_A_MASK) == clear) veilOnlyWhereDrawn(data, v);
    for (const Veil& v : _veils)
        if ((v.colour & ~IM_COL32_A_MASK) == 0 && clear != 0) veilColours(data, v);
}

void Gui::cutCoveredPaint(ImDrawData& data) const {
    // Where each cover's list is drawn (-1: not this frame).
    std::vector<int> drawnAt;
    for (const Cover& cover : _covers) {
        ImDrawList** const end = data.CmdLists + data.CmdListsCount;
        ImDrawList** const at = std::find(data.CmdLists, end, cover.list);
        drawnAt.push_back(at == end ? -1 : static_cast<int>(at - data.CmdLists));
    }
    const ImVec4 display(data.DisplayPos.x, data.DisplayPos.y, data.DisplayPos.x + data.DisplaySize.x,
                         data.DisplayPos.y + data.DisplaySize.y);
    for (int i = 0; i < data.CmdListsCount; ++i)
        for (ImDrawCmd& cmd : data.CmdLists[i]->CmdBuffer) {
            if (cmd.UserCallback) continue;
            // Nothing is painted outside the window: a cover from its edge
            // then reaches the clip rectangle's edge.
            cmd.ClipRect = ImVec4(std::max(cmd.ClipRect.x, display.x), std::max(cmd.ClipRect.y, display.y),
                                  std::min(cmd.ClipRect.z, display.z), std::min(cmd.ClipRect.w, display.w));
            // Again after any cut: one cover may bring another to the clip
            // rectangle's edge (the bottom bar the keyboard above it).
            for (bool cut = true; cut;) {
                cut = false;
                for (std::size_t k = 0; k < _covers.size(); ++k) {
                    if (drawnAt[k] <= i) continue;  // not over this list
                    const Cover& c = _covers[k];
                    const ImVec4 clip = uncovered(cmd.ClipRect, ImVec4(c.minX, c.minY, c.maxX, c.maxY));
                    cut = cut || std::memcmp(&clip, &cmd.ClipRect, sizeof clip) != 0;
                    cmd.ClipRect = clip;
                }
            }
        }
}
