#pragma once
// The look every window of the interface starts from: ImGui's light colours,
// square windows, the window grey, wide scroll bars, a touch's extra reach.
// The program sets it at start; measures of the frames use it too.

// Applies it to the current GUI context.
void applyInterfaceStyle();
