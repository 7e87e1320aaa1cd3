// Dials: the ring's geometry, the value text, the face's variants and touch.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "gui/dial.h"
#include "gui/texture.h"
#include "support/gui_widget_window.h"
#include "texts/texts.h"

namespace {

constexpr float kNear = 0.01f;

#define EXPECT_POINT(p, x_, y_)               \
    do {                                      \
        EXPECT_NEAR((p).x, (x_), kNear) << #p; \
        EXPECT_NEAR((p).y, (y_), kNear) << #p; \
    } while (0)

struct RingCase {
    ImVec2 origin, size;
    float left, top;
    float cx, cy, inner, outer;
};

TEST(GuiDialLayout, CentresAndSizesTheRing) {
    const float sized = (960 - 168 - 100) / 2.0f;
    const RingCase cases[] = {
        {{0, 0}, {1280, 960}, 0, 200, 640, 212, 85, 110},                // 12 px lower from 700 px up
        {{0, 0}, {1280, 699}, 0, 200, 640, 200, 85, 110},
        {{20, 30}, {600, 700}, -5, 150, 320, 192, 85, 110},              // in a window's own origin
        {{0, 0}, {1280, 960}, 300, 100, 790, 100 + sized + 84, sized - sized * 25 / 110, sized},
    };
    for (const RingCase& c : cases) {
        const DialRing ring = dialRing(c.origin, c.size, c.left, c.top);
        EXPECT_POINT(ring.centre, c.cx, c.cy);
        EXPECT_NEAR(ring.inner, c.inner, kNear);
        EXPECT_NEAR(ring.outer, c.outer, kNear);
    }
}

TEST(GuiDialPointer, TipPointsUpAtZeroAndRightAt90) {
    const ImVec2 c(500, 400);
    const float r = 82;
    const auto up = dialPointerCorners(c, 0, r);
    EXPECT_POINT(up[0], 500, 400 - r);
    EXPECT_NEAR(up[1].y, up[2].y, kNear);  // the base lies across
    EXPECT_NEAR(std::hypot(up[1].x - c.x, up[1].y - c.y), r - 15, kNear);
    EXPECT_NEAR(std::fabs(up[2].x - up[1].x), 2 * (r - 15) * std::sin(3 * M_PI / r), kNear);
    const auto right = dialPointerCorners(c, 90, r);
    EXPECT_POINT(right[0], 500 + r, 400);
}

DialLayout ring(double value, bool reversed) {
    DialLayout layout;
    layout.centre = ImVec2(640, 300);
    layout.innerRadius = 85;
    layout.outerRadius = 110;
    layout.value = value;
    layout.reversed = reversed;
    layout.zeroOffset = 37;  // the reading mark does not move the markers
    return layout;
}

TEST(GuiDialMarker, StandsAtTheTopWhenTheValueEqualsItsAngle) {
    struct Case {
        double value, angle;
        bool reversed;
        float x, y;
    };
    const float mid = 97.5f;
    const Case cases[] = {
        {0, 0, false, 640, 300 - mid},      {123.4, 123.4, true, 640, 300 - mid},
        {0, 90, false, 640 + mid, 300},     {0, 90, true, 640 - mid, 300},
        {90, 0, false, 640 - mid, 300},     {0, 180, true, 640, 300 + mid},
    };
    for (const Case& c : cases) {
        const ImVec2 at = dialMarkerCentre(ring(c.value, c.reversed), c.angle);
        EXPECT_POINT(at, std::trunc(c.x), std::trunc(c.y));
    }
}

TEST(GuiDialTouch, GivesTheAngleUnderTheFinger) {
    struct Case {
        ImVec2 touch;
        bool reversed;
        double reference;
        std::optional<double> angle;
    };
    const Case cases[] = {
        {{640, 200}, false, 0, 0.0},     {{640, 200}, true, 0, 0.0},
        {{740, 300}, false, 0, 90.0},    {{740, 300}, true, 0, 270.0},
        {{640, 400}, false, 30, 210.0},  {{540, 300}, false, 350, 260.0},
        {{640, 230}, false, 0, {}},      // inside the inner radius
        {{748, 210}, false, 0, {}},      // in the square, outside the ring
        {{640, 420}, false, 0, {}},      // off the square
    };
    for (const Case& c : cases) {
        const std::optional<double> angle = dialTouchAngle(ring(c.reference, c.reversed), c.reference, c.touch);
        ASSERT_EQ(angle.has_value(), c.angle.has_value()) << c.touch.x << "," << c.touch.y;
        if (angle) {
            EXPECT_NEAR(*angle, *c.angle, 1e-9) << c.touch.x << "," << c.touch.y;
        }
    }
}

TEST(GuiDialLabel, RoundsPlainlyWithTheLanguagesPoint) {
    struct Case {
        double value;
        int decimals;
        const char* unit;
        bool english;
        const char* text;
    };
    const Case cases[] = {{359.96, 1, "°", true, "360.0°"},
                          {359.96, 1, "°", false, "360,0°"},
                          {12.345, 2, "°", true, "12.35°"},  // the binary value lies above the half
                          {1499.6, 0, "", true, "1500"}};
    const bool was = isEnglish();
    for (const Case& c : cases) {
        setLanguage(c.english);
        EXPECT_EQ(dialValueLabel(&c.value, &c.decimals, &c.unit), c.text);
    }
    setLanguage(was);
}

// ---- drawn in the harness -------------------------------------------------------

ImTextureID faceId(int variant) { return reinterpret_cast<ImTextureID>(static_cast<std::intptr_t>(0x5500 + variant)); }

void giveFace(GuiHarness& h) {
    h.gui()._textures.resize(59);
    h.gui()._textures[55].ids = {faceId(0), faceId(1), faceId(2)};
    h.gui()._textures[55].width = h.gui()._textures[55].height = 512;
}

void runToBlink(GuiHarness& h, bool phase) {
    for (int i = 0; i < 100 && h.gui().blink() != phase; ++i) h.frame();
}

TEST(GuiDialSpeed, StandingRotorShowsTheNumberOnlyInTheBlinkPhase) {
    GuiHarness h;
    giveFace(h);
    showWidgets(h, [] {
        DialLayout layout;
        dialLayout(layout, 0, 300);
        drawDial(layout, 0, kDialSpeed);
    });
    runToBlink(h, false);
    EXPECT_TRUE(drewTexture(faceId(0)));
    EXPECT_FALSE(h.probe().shows("0"));
    EXPECT_FALSE(h.probe().shows("min"));
    runToBlink(h, true);
    EXPECT_TRUE(drewTexture(faceId(1)));
    EXPECT_TRUE(h.probe().shows("0"));
    EXPECT_TRUE(h.probe().shows("min^-1"));
}

TEST(GuiDialAngle, ShowsValueMarkersAndTheHighlightedFace) {
    GuiHarness h;
    giveFace(h);
    showWidgets(h, [] {
        DialLayout layout;
        dialLayout(layout, 0, 300);
        drawDial(layout, 359.96, kDialHighlight | kDialInTolerance);
        drawDialMarker(layout, 7, 0, 90);
        drawDialMarker(layout, 12, 1, 180);
    });
    EXPECT_TRUE(drewTexture(faceId(2)));
    for (const char* text : {"360", ".0°", "IN TOLERANCE", "7", "12"}) EXPECT_TRUE(h.probe().shows(text)) << text;
}

TEST(GuiDialTarget, HoldingTheRingSetsTheAngle) {
    GuiHarness h;
    double angle = 45;
    int changes = 0;
    DialLayout layout;
    showWidgets(h, [&] {
        dialLayout(layout, 0, 300);
        changes += DialTarget(layout, 0, &angle);
    });
    const ImVec2 c = layout.centre;
    h.press(ImVec2(c.x + 50, c.y));  // inside the ring
    h.frame(2);
    EXPECT_EQ(angle, 45);
    h.release();
    h.frame();
    h.press(ImVec2(c.x + 100, c.y));
    h.frame(2);
    EXPECT_EQ(angle, 90);
    EXPECT_EQ(changes, 1);
}

}  // namespace
