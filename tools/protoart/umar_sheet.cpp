// The U|mar| diagram sheet: one graph per test plane, the unbalance of each
// test-mass position as a multiple of its plane's mean over the positions
// 0° ... 360°, with the band 0.88 ... 1.12 between dashed lines.
#include <cmath>
#include <cstdio>
#include <string>

#include "protoart/drawing.h"
#include "protoart/palette.h"
#include "protoart/pictures.h"
#include "protocols/diagram_sheets.h"

namespace protoart {

namespace {

namespace ds = diagram_sheets;

// Printed 517 pt wide: 3.49 px per point.
constexpr float kPoint = ds::kUmarSide / 517.f;
constexpr float kFrameLine = 0.75f * kPoint;
constexpr float kGridWidth = 0.5f * kPoint;
constexpr float kMeanLine = 1.5f * kPoint;
constexpr float kBandLine = 1.f * kPoint;
constexpr float kTick = 4 * kPoint;

constexpr float kGridStep = 0.04f;  // multiples of the mean between grid lines
constexpr float kPlotWidth = (ds::kUmarPositions - 1) * ds::kUmarPositionStep;
constexpr float kHalfHeight = (ds::kUmarAxisHigh - 1) * ds::kUmarPixelsPerUnit;
constexpr float kDash = 26, kDashGap = 13;

// Where the captions stand around a graph.
constexpr float kLabelGap = 3 * kPoint;
constexpr float kAxisTitleX = 20 * kPoint;
constexpr float kPositionTitleDrop = 20.5f * kPoint;
constexpr float kHeaderRise = 7 * kPoint;

const char* const kHeaders[2] = {"Плоскость I", "Плоскость II"};
const char* const kValueTitle = "Кратность среднему значению";
const char* const kPositionTitle = "Положение испытательного груза, °";

struct Fonts {
    Font label, emphasis, title, header;
};

std::string decimalComma(float v) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(v));
    std::string out = text;
    for (char& ch : out)
        if (ch == '.') ch = ',';
    return out;
}

bool near(float a, float b) { return std::fabs(a - b) < 1e-4f; }

// The lines that carry the test's meaning: the mean and the band's edges.
bool isMarked(float v) { return near(v, 1) || near(v, ds::kUmarBandLow) || near(v, ds::kUmarBandHigh); }

void gridAndBand(Canvas& c, const ds::UmarGraph& g) {
    const float right = g.x0 + kPlotWidth;
    c.fill(Rect{g.x0, ds::umarY(g, ds::kUmarBandHigh), right, ds::umarY(g, ds::kUmarBandLow)}, kBandTint);
    const int steps = static_cast<int>(std::lround((ds::kUmarAxisHigh - ds::kUmarAxisLow) / kGridStep));
    for (int i = 1; i < steps; ++i) {
        const float v = ds::kUmarAxisLow + i * kGridStep;
        if (isMarked(v)) continue;
        c.fill(Segment{g.x0, ds::umarY(g, v), right, ds::umarY(g, v), kGridWidth}, kGridLine);
    }
    for (int i = 1; i < ds::kUmarPositions - 1; ++i)
        c.fill(Segment{ds::umarX(g, i), ds::umarY(g, ds::kUmarAxisHigh), ds::umarX(g, i),
                       ds::umarY(g, ds::kUmarAxisLow), kGridWidth},
               kGridLine);
}

void frameAndMarkedLines(Canvas& c, const ds::UmarGraph& g) {
    const float right = g.x0 + kPlotWidth, top = ds::umarY(g, ds::kUmarAxisHigh),
                bottom = ds::umarY(g, ds::kUmarAxisLow);
    for (float v : {ds::kUmarBandLow, ds::kUmarBandHigh})
        dashedLine(c, g.x0, ds::umarY(g, v), right, ds::umarY(g, v), kBandLine, kInk, kDash, kDashGap);
    c.fill(Segment{g.x0, ds::umarY(g, 1), right, ds::umarY(g, 1), kMeanLine}, kInk);
    const float h = kFrameLine / 2;  // the frame's corners close
    c.fill(Segment{g.x0 - h, top, right + h, top, kFrameLine}, kInk);
    c.fill(Segment{g.x0 - h, bottom, right + h, bottom, kFrameLine}, kInk);
    c.fill(Segment{g.x0, top, g.x0, bottom, kFrameLine}, kInk);
    c.fill(Segment{right, top, right, bottom, kFrameLine}, kInk);
}

void valueAxis(Canvas& c, const Fonts& f, const ds::UmarGraph& g) {
    const int steps = static_cast<int>(std::lround((ds::kUmarAxisHigh - ds::kUmarAxisLow) / kGridStep));
    for (int i = 0; i <= steps; ++i) {
        const float v = ds::kUmarAxisLow + i * kGridStep;
        const float y = ds::umarY(g, v);
        c.fill(Segment{g.x0 - kTick, y, g.x0, y, kFrameLine}, kInk);
        const Font& font = isMarked(v) ? f.emphasis : f.label;
        drawText(c, font, decimalComma(v), g.x0 - kTick - kLabelGap, y + font.face->capHeight(font.size) / 2,
                 Align::right);
    }
    drawTextUpright(c, f.title, kValueTitle, kAxisTitleX, g.y0);
}

void positionAxis(Canvas& c, const Fonts& f, const ds::UmarGraph& g) {
    const float bottom = ds::umarY(g, ds::kUmarAxisLow);
    const float baseline = bottom + kTick + kLabelGap + f.label.face->capHeight(f.label.size);
    for (int i = 0; i < ds::kUmarPositions; ++i) {
        const float x = ds::umarX(g, i);
        c.fill(Segment{x, bottom, x, bottom + kTick, kFrameLine}, kInk);
        const int degrees = static_cast<int>(i * ds::kUmarDegreesPerPosition);
        const Box label = drawText(c, f.label, std::to_string(degrees) + "°", x, baseline, Align::centre);
        // 360° is the starting position again.
        if (i == ds::kUmarPositions - 1) drawText(c, f.label, " = 0°", label.x1, baseline, Align::left);
    }
    drawText(c, f.title, kPositionTitle, g.x0 + kPlotWidth / 2, bottom + kPositionTitleDrop, Align::centre);
}

}  // namespace

Canvas umarSheet(const Faces& faces) {
    Canvas c(ds::kUmarSide, ds::kUmarSide);
    const Fonts f{{&faces.regular, 7.5f * kPoint, kInk},
                  {&faces.bold, 7.5f * kPoint, kInk},
                  {&faces.regular, 8.f * kPoint, kInk},
                  {&faces.bold, 9.5f * kPoint, kInk}};
    for (int p = 0; p < 2; ++p) {
        const ds::UmarGraph& g = ds::kUmarGraphs[p];
        gridAndBand(c, g);
        frameAndMarkedLines(c, g);
        valueAxis(c, f, g);
        positionAxis(c, f, g);
        drawText(c, f.header, kHeaders[p], g.x0, g.y0 - kHalfHeight - kHeaderRise, Align::left);
    }
    return c;
}

}  // namespace protoart
