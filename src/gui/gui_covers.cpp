// Paint nobody sees: what the windows under an opaque window (a bar, the
// keyboard, a side panel) draw where it stands is cut from the frame before
// it is rendered.  A software renderer pays for every pixel it paints, also
// for those painted over later in the same frame.

#include <algorithm>
#include <cstring>
#include <vector>

#include <imgui.h>

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

}  // namespace

void Gui::coverWithWindow() {
    const ImVec2 min = ImGui::GetWindowPos();
    const ImVec2 size = ImGui::GetWindowSize();
    _covers.push_back({ImGui::GetWindowDrawList(), min.x, min.y, min.x + size.x, min.y + size.y});
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
