// The type B proving rotor on its two supports: planes 1 to 3 (the test
// planes are 1 and 3), the support distances A, B, C as section 3 lists them,
// and the correction radius R and test-mass radius r at plane 1.  Drawn at
// 4 pixels per printed point (680 x 600 for the 170 x 150 pt box).
#include <string>

#include "protoart/drawing.h"
#include "protoart/palette.h"
#include "protoart/pictures.h"

namespace protoart {

namespace {

constexpr int kWidth = 680, kHeight = 600;
constexpr float kOutline = 3;  // 0.75 pt
constexpr float kThin = 2;     // 0.5 pt: centre, dimension and extension lines

constexpr float kAxisY = 252;
constexpr float kShaftLeft = 22, kShaftRight = 658, kShaftRadius = 22;
constexpr float kBodyLeft = 140, kBodyRight = 540, kBodyRadius = 110, kBodyRounding = 8;
constexpr float kSupportX[2] = {72, 608};
constexpr float kSupportFoot = 384, kSupportHalfWidth = 38;
constexpr float kPlaneX[3] = {166, 340, 514};
constexpr float kHoleRadius = 82;  // the test-mass holes' radius r
constexpr float kHoleDot = 7;
constexpr float kNumberY = 72, kNumberRadius = 25;
constexpr float kPlaneTop = kNumberY + kNumberRadius + 8, kPlaneBottom = 552;
// The middle plane is no dimension's end: its line stops below the body.
constexpr float kMiddlePlaneBottom = kAxisY + kBodyRadius + 40;
constexpr float kDimensionY = 534;
constexpr float kRadiusDimensionX = 212;
constexpr float kArrowLength = 18, kArrowWidth = 11;

// Dash-dot centre lines.
const std::initializer_list<float> kCentreLine = {28, 7, 5, 7};

void dimension(Canvas& c, const Font& font, float x1, float x2, float y, const std::string& label) {
    c.fill(Segment{x1, y, x2, y, kThin}, kInk);
    arrowhead(c, x1, y, -1, 0, kArrowLength, kArrowWidth, kInk);
    arrowhead(c, x2, y, 1, 0, kArrowLength, kArrowWidth, kInk);
    drawText(c, font, label, (x1 + x2) / 2, y - 10, Align::centre);
}

void support(Canvas& c, float x) {
    const float top = kAxisY + kShaftRadius;
    const Polygon body{{x, top, x + kSupportHalfWidth, kSupportFoot, x - kSupportHalfWidth, kSupportFoot}};
    c.fill(body, kInk);
    const float inset = kOutline * 1.8f;
    c.fill(Polygon{{x, top + 2 * inset, x + kSupportHalfWidth - inset, kSupportFoot - inset,
                    x - kSupportHalfWidth + inset, kSupportFoot - inset}},
           kSteelShade);
    // The ground under the support.
    c.fill(Segment{x - kSupportHalfWidth - 14, kSupportFoot + 5, x + kSupportHalfWidth + 14, kSupportFoot + 5,
                   kOutline},
           kInk);
}

void planeNumber(Canvas& c, const Font& font, float x, int number) {
    // Test planes carry their diagram colour; the middle plane is only outlined.
    const bool testPlane = number != 2;
    c.fill(Disc{x, kNumberY, kNumberRadius}, testPlane ? (number == 1 ? kPlane1Rim : kPlane2Rim) : kInk);
    c.fill(Disc{x, kNumberY, kNumberRadius - kOutline}, testPlane ? (number == 1 ? kPlane1 : kPlane2) : kWhite);
    Font digit = font;
    digit.colour = testPlane ? kWhite : kInk;
    drawTextCentred(c, digit, std::to_string(number), x, kNumberY);
}

}  // namespace

Canvas provingRotor(const Faces& faces) {
    Canvas c(kWidth, kHeight);
    const Font letters{&faces.regular, 36, kInk};
    const Font digits{&faces.bold, 30, kInk};

    // Shaft with its journals, then the body over it.
    c.fill(Rect{kShaftLeft, kAxisY - kShaftRadius, kShaftRight, kAxisY + kShaftRadius, 4}, kInk);
    c.fill(Rect{kShaftLeft + kOutline, kAxisY - kShaftRadius + kOutline, kShaftRight - kOutline,
                kAxisY + kShaftRadius - kOutline, 2},
           kSteelShade);
    for (float x : kSupportX) support(c, x);
    c.fill(Rect{kBodyLeft, kAxisY - kBodyRadius, kBodyRight, kAxisY + kBodyRadius, kBodyRounding}, kInk);
    c.fill(Rect{kBodyLeft + kOutline, kAxisY - kBodyRadius + kOutline, kBodyRight - kOutline,
                kAxisY + kBodyRadius - kOutline, kBodyRounding - kOutline},
           kSteel);

    // Centre lines: the axis, the supports and the planes, which also serve as
    // the extension lines of the dimensions.
    patternedLine(c, 4, kAxisY, kWidth - 4, kAxisY, kThin, kInk, kCentreLine);
    for (float x : kSupportX) patternedLine(c, x, kAxisY - 60, x, kPlaneBottom, kThin, kInk, kCentreLine);
    for (int i = 0; i < 3; ++i) {
        patternedLine(c, kPlaneX[i], kPlaneTop, kPlaneX[i], i == 1 ? kMiddlePlaneBottom : kPlaneBottom, kThin, kInk,
                      kCentreLine);
        for (float side : {-1.f, 1.f}) c.fill(Disc{kPlaneX[i], kAxisY + side * kHoleRadius, kHoleDot}, kInk);
        planeNumber(c, digits, kPlaneX[i], i + 1);
    }

    // A, B, C chained from support to support through the test planes.
    dimension(c, letters, kSupportX[0], kPlaneX[0], kDimensionY, "A");
    dimension(c, letters, kPlaneX[0], kPlaneX[2], kDimensionY, "B");
    dimension(c, letters, kPlaneX[2], kSupportX[1], kDimensionY, "C");

    // R up to the body's surface, r down to the test-mass holes, at plane 1.
    const float x = kRadiusDimensionX;
    c.fill(Segment{x, kAxisY, x, kAxisY - kBodyRadius + kArrowLength, kThin}, kInk);
    arrowhead(c, x, kAxisY - kBodyRadius + kOutline, 0, -1, kArrowLength, kArrowWidth, kInk);
    c.fill(Segment{x, kAxisY, x, kAxisY + kHoleRadius - kArrowLength, kThin}, kInk);
    arrowhead(c, x, kAxisY + kHoleRadius, 0, 1, kArrowLength, kArrowWidth, kInk);
    c.fill(Segment{kPlaneX[0] + kHoleDot, kAxisY + kHoleRadius, x + 14, kAxisY + kHoleRadius, kThin}, kInk);
    c.fill(Disc{x, kAxisY, 5}, kInk);
    drawText(c, letters, "R", x + 12, kAxisY - kBodyRadius / 2 + 14, Align::left);
    drawText(c, letters, "r", x + 12, kAxisY + kHoleRadius / 2 + 14, Align::left);
    return c;
}

}  // namespace protoart
