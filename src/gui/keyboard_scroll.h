#pragma once
// A content window whose entries the on-screen keyboard may cover.

class Gui;

// While the keyboard stands and `follow` holds, the window named `window`
// (of `windowHeight` px) is scrolled so that `keptY` (the screen y, at no
// scroll, that must stay above the keyboard) meets the keyboard's top, with
// room below its content for that; once the keyboard leaves, or the screen
// stops following, the content is back at the scroll the operator left it
// at.  `scrollBefore` keeps that scroll (negative while not following).
// Call before the window's Begin; returns the content height to give it.
float followKeyboard(const Gui& gui, const char* window, float windowHeight, float contentHeight, float keptY,
                     bool follow, float& scrollBefore);
