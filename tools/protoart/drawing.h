#pragma once
// Drafting helpers over the canvas: patterned lines and arrows.

#include <initializer_list>

#include "protoart/canvas.h"

namespace protoart {

// A straight line drawn as a repeating pattern of dash and gap lengths
// (dash, gap, dash, gap, ...), starting with a dash at (x1, y1); dashes keep
// square ends.
void patternedLine(Canvas& c, float x1, float y1, float x2, float y2, float width, Rgb colour,
                   std::initializer_list<float> pattern);

// A dashed line that begins and ends with a whole dash: the gaps are
// stretched from about gap to fit.
void dashedLine(Canvas& c, float x1, float y1, float x2, float y2, float width, Rgb colour, float dash, float gap);

// A filled arrowhead with its tip at (x, y), pointing in direction (dx, dy).
void arrowhead(Canvas& c, float x, float y, float dx, float dy, float length, float width, Rgb colour);

}  // namespace protoart
