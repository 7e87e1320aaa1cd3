#include "protoart/drawing.h"

#include <vector>

namespace protoart {

void patternedLine(Canvas& c, float x1, float y1, float x2, float y2, float width, Rgb colour,
                   std::initializer_list<float> pattern) {
    const std::vector<float> steps(pattern);
    const float length = std::hypot(x2 - x1, y2 - y1);
    if (length == 0 || steps.empty()) return;
    const float ux = (x2 - x1) / length, uy = (y2 - y1) / length;
    float at = 0;
    for (std::size_t i = 0; at < length; i = (i + 1) % steps.size()) {
        const float end = std::min(length, at + steps[i]);
        if (i % 2 == 0) c.fill(Segment{x1 + ux * at, y1 + uy * at, x1 + ux * end, y1 + uy * end, width}, colour);
        at = end;
    }
}

void dashedLine(Canvas& c, float x1, float y1, float x2, float y2, float width, Rgb colour, float dash, float gap) {
    const float length = std::hypot(x2 - x1, y2 - y1);
    const int dashes = std::max(2, static_cast<int>(std::lround((length + gap) / (dash + gap))));
    patternedLine(c, x1, y1, x2, y2, width, colour, {dash, (length - dashes * dash) / (dashes - 1)});
}

void arrowhead(Canvas& c, float x, float y, float dx, float dy, float length, float width, Rgb colour) {
    const float n = std::hypot(dx, dy);
    const float ux = dx / n, uy = dy / n;
    const float bx = x - ux * length, by = y - uy * length;
    c.fill(Polygon{{x, y, bx - uy * width / 2, by + ux * width / 2, bx + uy * width / 2, by - ux * width / 2}}, colour);
}

}  // namespace protoart
