// The URR diagram sheet: a polar grid in multiples of U|station| round the
// origin of the reading vectors, angle captions for both planes, the four
// limit circles (95, 90, 85 and 80 % URR) of the eleven targets, and the
// legend beside the marks that the writer puts there.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "protoart/palette.h"
#include "protoart/pictures.h"
#include "protocols/diagram_sheets.h"

namespace protoart {

namespace {

namespace ds = diagram_sheets;

// Printed 517 pt wide: 3.66 px per point.
constexpr float kPoint = ds::kUrrSide / 517.f;
constexpr float kGridWidth = 0.5f * kPoint;
constexpr float kAxisWidth = 0.75f * kPoint;
constexpr float kCircleWidth = 0.5f * kPoint;
constexpr float kOuterCircleWidth = 0.75f * kPoint;
constexpr float kPi = 3.14159265358979f;
constexpr float kDegree = kPi / 180;

constexpr float kRingRadius = ds::kUrrRings * ds::kUrrPixelsPerStation;
constexpr int kSpokes = 12;
constexpr float kPlane2Offset = 90;  // plane 2's angle on a spoke: plane 1's + 90°

// Room kept round drawing that a caption must not touch.
constexpr float kHalo = 1.f * kPoint;
constexpr float kCaptionGap = 2.5f * kPoint;
constexpr float kScaleLabelInset = 2.f * kPoint;

// The legend patch round the writer's marks (sheet pixels).
constexpr float kMarkSide = 5 * kPoint;
constexpr float kLegendPad = 4.5f * kPoint;
constexpr float kLegendTextGap = 3.f * kPoint;
constexpr float kLegendRowStep = ds::kUrrLegendY[1] - ds::kUrrLegendY[0];

const char* const kPlaneNames[2] = {"Плоскость 1", "Плоскость 2"};
const char* const kCirclesLegend = "URR, %";
const char* const kScaleUnit = "U / U|station|";

struct Fonts {
    Font scale, circle, plane1, plane2, legend;
};

constexpr float kCx = ds::kUrrOriginX, kCy = ds::kUrrOriginY;

// Unit vector of a direction given clockwise from straight up.
struct Direction {
    float x, y;
};
Direction direction(float degrees) { return {std::sin(degrees * kDegree), -std::cos(degrees * kDegree)}; }

// Clears the lines under a caption's box, so that it reads cleanly.
void knockOut(Canvas& c, const Box& box) {
    const Box b = grown(box, kHalo);
    c.erase(Rect{b.x0, b.y0, b.x1, b.y1, kHalo});
}

void grid(Canvas& c) {
    for (int k = 1; k <= ds::kUrrRings; ++k)
        c.fill(Ring{kCx, kCy, k * ds::kUrrPixelsPerStation, kGridWidth},
               k == ds::kUrrRings ? kGridBorder : kGridLine);
    for (int i = 1; i < kSpokes; ++i) {
        const Direction d = direction(i * ds::kUrrSpokeStep);
        c.fill(Segment{kCx, kCy, kCx + d.x * kRingRadius, kCy + d.y * kRingRadius, kGridWidth}, kGridLine);
    }
    // The stationary test masses' direction carries the radial scale.
    c.fill(Segment{kCx, kCy, kCx, kCy - kRingRadius, kAxisWidth}, kInk);
}

void radialScale(Canvas& c, const Fonts& f) {
    const float cap = f.scale.face->capHeight(f.scale.size);
    for (int k = 0; k <= ds::kUrrRings; ++k) {
        const float y = kCy - k * ds::kUrrPixelsPerStation + kScaleLabelInset + cap;
        const std::string number = std::to_string(k);
        knockOut(c, textBox(f.scale, number, kCx + kScaleLabelInset, y, Align::left));
        drawText(c, f.scale, number, kCx + kScaleLabelInset, y, Align::left);
        if (k == ds::kUrrRings) drawText(c, f.scale, kScaleUnit, kCx - kScaleLabelInset, y, Align::right);
    }
}

struct Label {
    Box box;
    std::string text;
};

// The ring labels of one target run straight down from its centre: the
// writer's mark of an ideal reading covers the centre and a little above and
// left of it, and no target lies close below another.
std::vector<Label> circleLabels(const Fonts& f, const ds::LimitCircles& t) {
    std::vector<Label> labels;
    for (int i = 0; i < ds::kUrrCirclesPerTarget; ++i) {
        const std::string text = std::to_string(ds::kUrrCirclePercents[i]);
        const float y = t.y1 + ds::kUrrCircleFractions[i] * t.outerRadius();
        const float baseline = y + f.circle.face->capHeight(f.circle.size) / 2;
        labels.push_back({textBox(f.circle, text, t.x, baseline, Align::centre), text});
    }
    return labels;
}

void limitCircles(Canvas& c, const Fonts& f) {
    std::vector<Label> labels;
    for (int g = 1; g < ds::kUrrTargets; ++g) {
        const ds::LimitCircles& t = ds::kUrrLimitCircles[g];
        for (int i = 0; i < ds::kUrrCirclesPerTarget; ++i) {
            const bool outer = i == ds::kUrrCirclesPerTarget - 1;
            c.fill(Ring{t.x, t.y1, ds::kUrrCircleFractions[i] * t.outerRadius(),
                        outer ? kOuterCircleWidth : kCircleWidth},
                   kInk);
        }
        for (Label& l : circleLabels(f, t)) labels.push_back(l);
    }
    // Each label interrupts the lines under it.
    for (const Label& l : labels) knockOut(c, l.box);
    for (const Label& l : labels) drawText(c, f.circle, l.text, l.box.x0, l.box.y0 + f.circle.face->capHeight(f.circle.size), Align::left);
}

// How far out along a direction the limit circles reach.
float circleReach(Direction d) {
    float reach = 0;
    for (int g = 1; g < ds::kUrrTargets; ++g) {
        const ds::LimitCircles& t = ds::kUrrLimitCircles[g];
        const float r = t.outerRadius() + kOuterCircleWidth;
        const float along = (t.x - kCx) * d.x + (t.y1 - kCy) * d.y;
        const float across = (t.x - kCx) * d.y - (t.y1 - kCy) * d.x;
        if (std::fabs(across) < r) reach = std::max(reach, along + std::sqrt(r * r - across * across));
    }
    return reach;
}

// Half the extent of a w x h box measured along a direction.
float halfExtent(Direction d, float w, float h) { return (std::fabs(d.x) * w + std::fabs(d.y) * h) / 2; }

std::string degrees(int value) { return std::to_string(value) + "°"; }

// At every spoke plane 1's angle, and outside it plane 2's, beyond the grid
// and the circles.
void angleCaptions(Canvas& c, const Fonts& f) {
    const float h = f.plane1.face->capHeight(f.plane1.size);
    for (int i = 0; i < kSpokes; ++i) {
        const int angle = static_cast<int>(i * ds::kUrrSpokeStep);
        const Direction d = direction(static_cast<float>(angle));
        const std::string inner = degrees(angle);
        const std::string outer = degrees((angle + static_cast<int>(kPlane2Offset)) % 360);
        const float wi = f.plane1.face->width(inner, f.plane1.size);
        const float wo = f.plane2.face->width(outer, f.plane2.size);
        const float start = std::max(kRingRadius, circleReach(d)) + kCaptionGap;
        const float ri = start + halfExtent(d, wi, h);
        const float ro = ri + halfExtent(d, wi, h) + kCaptionGap + halfExtent(d, wo, h);
        drawTextCentred(c, f.plane1, inner, kCx + d.x * ri, kCy + d.y * ri);
        drawTextCentred(c, f.plane2, outer, kCx + d.x * ro, kCy + d.y * ro);
    }
}

// A small set of concentric circles, the legend's sign for the limit circles.
void circlesSign(Canvas& c, float x, float y, float size) {
    for (int i = 1; i <= 3; ++i) c.fill(Ring{x, y, size / 2 * i / 3, kCircleWidth * 0.8f}, kInk);
}

void legend(Canvas& c, const Fonts& f) {
    const float x = ds::kUrrLegendX, textX = x + kMarkSide + kLegendTextGap;
    const float rowCentre[3] = {ds::kUrrLegendY[0] + kMarkSide / 2, ds::kUrrLegendY[1] + kMarkSide / 2,
                                ds::kUrrLegendY[1] + kLegendRowStep + kMarkSide / 2};
    float right = textX + f.legend.face->width(kCirclesLegend, f.legend.size);
    for (const char* name : kPlaneNames) right = std::max(right, textX + f.legend.face->width(name, f.legend.size));
    const Rect patch{x - kLegendPad, ds::kUrrLegendY[0] - kLegendPad, right + kLegendPad,
                     rowCentre[2] + kMarkSide / 2 + kLegendPad, kLegendPad / 2};
    c.fill(patch, kGridLine);
    c.fill(Rect{patch.x0 + kGridWidth, patch.y0 + kGridWidth, patch.x1 - kGridWidth, patch.y1 - kGridWidth,
                patch.radius - kGridWidth},
           kWhite);
    const float halfCap = f.legend.face->capHeight(f.legend.size) / 2;
    for (int p = 0; p < 2; ++p) drawText(c, f.legend, kPlaneNames[p], textX, rowCentre[p] + halfCap, Align::left);
    circlesSign(c, x + kMarkSide / 2, rowCentre[2], kMarkSide);
    drawText(c, f.legend, kCirclesLegend, textX, rowCentre[2] + halfCap, Align::left);
}

}  // namespace

Canvas urrSheet(const Faces& faces) {
    Canvas c(ds::kUrrSide, ds::kUrrSide);
    const Fonts f{{&faces.regular, 7.f * kPoint, kInk},
                  {&faces.regular, 7.f * kPoint, kInk},
                  {&faces.bold, 7.5f * kPoint, kPlane1Rim},
                  {&faces.bold, 7.5f * kPoint, kPlane2Rim},
                  {&faces.regular, 8.f * kPoint, kInk}};
    grid(c);
    radialScale(c, f);
    limitCircles(c, f);
    angleCaptions(c, f);
    legend(c, f);
    return c;
}

}  // namespace protoart
