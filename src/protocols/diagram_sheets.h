#pragma once
// Pixel geometry of the two diagram sheets of the verification protocol (the
// U|mar| sheet and the URR sheet): what the pictures are drawn against and
// where the section writers plot readings on them.  Sheet pixels, y downward.

namespace diagram_sheets {

// ---- U|mar| sheet: one graph per test plane, one under the other ----------
constexpr int kUmarSide = 1805;
struct UmarGraph {
    float x0;  // x of test-mass position 0°
    float y0;  // y of the multiple 1.0
};
constexpr UmarGraph kUmarGraphs[2] = {{225, 442}, {228, 1360}};
constexpr float kUmarPositionStep = 117;  // 30° of test-mass position
constexpr int kUmarPositions = 13;        // 0° ... 360°, the last again 0°
constexpr float kUmarDegreesPerPosition = 30;
constexpr float kUmarPixelsPerUnit = 1760;  // one multiple of the mean
constexpr float kUmarAxisLow = 0.8f, kUmarAxisHigh = 1.2f;
constexpr float kUmarBandLow = 0.88f, kUmarBandHigh = 1.12f;

// y of a multiple of the mean on a graph.
constexpr float umarY(const UmarGraph& g, float multiple) { return g.y0 - (multiple - 1) * kUmarPixelsPerUnit; }
// x of test-mass position i (0 ... 12).
constexpr float umarX(const UmarGraph& g, int position) { return g.x0 + position * kUmarPositionStep; }

// ---- URR sheet: a polar grid with the limit circles of eleven targets ------
constexpr int kUrrSide = 1893;
constexpr float kUrrOriginX = 935, kUrrOriginY = 1052;  // where a zero reading lies
constexpr float kUrrPixelsPerStation = 117;              // one U|station|
constexpr int kUrrRings = 6;
constexpr float kUrrSpokeStep = 30;                      // degrees

// The limit circles of one target: centre (x, y1); y2 - y1 is the radius of
// the outermost (80 %) circle.  Entry 0 (the origin) has no circles; plane 1's
// run j uses entry 11 - j, plane 2's run j entry j + 1.
struct LimitCircles {
    float x, y1, y2;
    constexpr float outerRadius() const { return y2 - y1; }
};
constexpr int kUrrTargets = 12;
constexpr LimitCircles kUrrLimitCircles[kUrrTargets] = {
    {947, 1064, 947},   {654, 437, 576},    {436, 649, 786},    {358, 947, 1071},
    {436, 1241, 1352},  {652, 1459, 1558},  {948, 1537, 1634},  {1242, 1457, 1558},
    {1458, 1242, 1351}, {1538, 947, 1070},  {1459, 651, 785},   {1242, 436, 576},
};
// The circles of a target, innermost first, as fractions of the outer radius,
// and the URR in percent that each stands for.
constexpr int kUrrCirclesPerTarget = 4;
constexpr float kUrrCircleFractions[kUrrCirclesPerTarget] = {0.25f, 0.5f, 0.75f, 1.f};
constexpr int kUrrCirclePercents[kUrrCirclesPerTarget] = {95, 90, 85, 80};

// Top-left corners of the legend's plane marks.
constexpr float kUrrLegendX = 1062;
constexpr float kUrrLegendY[2] = {1216, 1252};

}  // namespace diagram_sheets
