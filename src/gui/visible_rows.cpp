#include "gui/visible_rows.h"

#include <imgui.h>

#include <algorithm>
#include <climits>

void drawVisibleRows(std::size_t count, float pitch, const std::function<bool(std::size_t)>& row) {
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(std::min<std::size_t>(count, INT_MAX)), pitch);
    while (clipper.Step())
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i)
            if (!row(static_cast<std::size_t>(i))) {
                clipper.End();  // the cursor still goes below the whole list
                return;
            }
}
