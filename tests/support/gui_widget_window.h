#pragma once
// Widgets under test in a plain window of the headless harness.
//
//   showWidgets(h, [&] { pressed = optionButton("A", 10, 10, 80, 50); });
//   h.tap("A");
//
// The body becomes the harness's screen: from the next frame on it runs in
// one full-size window ("widgets") every frame.  Helpers read what the last
// frame drew.

#include <functional>

#include <imgui.h>

#include "support/gui_harness.h"

// Makes `body` the screen and draws one frame with it.
void showWidgets(GuiHarness& h, std::function<void()> body);

// True when the last frame drew a vertex of `colour` inside [min, max] in
// some draw list (`foregroundOnly`: only in the foreground list).
bool drewColour(ImVec2 min, ImVec2 max, ImU32 colour, bool foregroundOnly = false);
// True when the last frame drew with the texture `id`.
bool drewTexture(ImTextureID id);
