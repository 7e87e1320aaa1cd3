// The two plane marks and the page frame's emblem.
#include <cmath>

#include "protoart/palette.h"
#include "protoart/pictures.h"

namespace protoart {

namespace {

constexpr int kMarkSide = 400;
constexpr float kMarkCentre = kMarkSide / 2.f;
constexpr float kMarkRadius = 196;  // a few pixels of clear edge for the smoothing
constexpr float kMarkRim = 22;      // about 0.5 pt at the 10 pt print size
// The square has the disc's area, so neither mark looks heavier.
const float kSquareHalf = kMarkRadius * std::sqrt(3.14159265f) / 2;

constexpr int kEmblemWidth = 1034, kEmblemHeight = 400;
// The window icon's drawing is 128 units square with its disc of radius 58;
// here it fills the box's height but for a small margin, at its right end.
constexpr float kIconUnits = 128;
constexpr float kIconDisc = 58;
constexpr float kEmblemRadius = 188;
constexpr float kEmblemMargin = 12;

}  // namespace

Canvas plane1Mark() {
    Canvas c(kMarkSide, kMarkSide);
    c.fill(Disc{kMarkCentre, kMarkCentre, kMarkRadius}, kPlane1Rim);
    c.fill(Disc{kMarkCentre, kMarkCentre, kMarkRadius - kMarkRim}, kPlane1);
    return c;
}

Canvas plane2Mark() {
    Canvas c(kMarkSide, kMarkSide);
    const float a = kMarkCentre - kSquareHalf, b = kMarkCentre + kSquareHalf;
    c.fill(Rect{a, a, b, b, kMarkRim / 2}, kPlane2Rim);
    c.fill(Rect{a + kMarkRim, a + kMarkRim, b - kMarkRim, b - kMarkRim, 0}, kPlane2);
    return c;
}

// The window icon: a rotor disc with its zero mark, the correction weight and
// the angle from the mark to the weight.
Canvas emblem() {
    Canvas c(kEmblemWidth, kEmblemHeight);
    const float f = kEmblemRadius / kIconDisc;  // pixels per icon unit
    const float cx = kEmblemWidth - kEmblemMargin - kEmblemRadius, cy = kEmblemHeight / 2.f;
    // Icon coordinates (0 ... 128, centre 64) to pixels.
    auto X = [&](float u) { return cx + (u - kIconUnits / 2) * f; };
    auto Y = [&](float v) { return cy + (v - kIconUnits / 2) * f; };
    const float degree = 3.14159265f / 180;

    c.fill(Disc{cx, cy, kIconDisc * f}, kPlane1);
    c.fill(Ring{cx, cy, 50 * f, 2 * f}, kWhite, 0.35f);
    const float stroke = 5 * f;
    c.fill(Stroke{X(64), Y(13), X(64), Y(23), stroke}, kWhite);
    c.fill(Arc{cx, cy, 34 * f, stroke, 0, 60 * degree}, kWhite);
    c.fill(Stroke{X(81.95f), Y(42.09f), X(93.44f), Y(47), stroke}, kWhite);
    c.fill(Stroke{X(93.44f), Y(47), X(94.94f), Y(34.59f), stroke}, kWhite);
    // The weight: a rounded block at the rim, 60° on, in a white outline.
    const float outline = 1.5f * f;
    c.fill(turned(Rect{X(54) - outline, Y(10) - outline, X(74) + outline, Y(25) + outline, 3 * f + outline}, cx,
                  cy, 60 * degree),
           kWhite);
    c.fill(turned(Rect{X(54) + outline, Y(10) + outline, X(74) - outline, Y(25) - outline, 3 * f - outline}, cx,
                  cy, 60 * degree),
           kPlane2);
    c.fill(Disc{cx, cy, 12 * f}, kWhite);
    c.fill(Disc{cx, cy, 5 * f}, kPlane1);
    return c;
}

}  // namespace protoart
