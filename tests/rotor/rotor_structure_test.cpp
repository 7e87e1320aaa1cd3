#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "records/job_records.h"
#include "rotor/rotor.h"
#include "rotor_test_config.h"
#include "texts/texts.h"

using namespace jobrec;
using u32 = std::uint32_t;

namespace {

// A rotor over settings without any active channel: it starts with no plane,
// and the test lays out its own planes.
struct Bare {
    TestConfig cfg;
    Rotor rotor;
    Bare() : rotor((cfg.channels(5), cfg.get())) {}
    Plane& at(int p) { return rotor.data().planes[static_cast<std::size_t>(p - 1)]; }
    void planes(int n) {
        rotor.clearPlanes();
        for (int i = 0; i < n; ++i) rotor.insertPlane(i + 1);
    }
};

std::vector<u32> used(Rotor& r) {
    std::vector<u32> v{99};  // cleared by usedChannels
    EXPECT_EQ(r.usedChannels(&v), &v);
    return v;
}

}  // namespace

TEST(RotorStructure, ConstructionWithTwoActiveChannels) {
    TestConfig cfg;
    cfg.channel(false).channel(true).channel(false).channel(true).channel(false);
    cfg.endDrive({true, 1.0, 1000.0, true, 70});
    Rotor r(cfg.get());

    ASSERT_EQ(r.planeCount(false), 2);
    const Plane p1 = r.plane(1);
    const Plane p2 = r.plane(2);
    EXPECT_EQ(p1.channel1, 2u);
    EXPECT_EQ(p1.channel2, 0u);
    EXPECT_EQ(p2.channel1, 0u);
    EXPECT_EQ(p2.channel2, 4u);
    // New planes carry the plane defaults.
    EXPECT_EQ(p1.mode, kModeAddition);
    EXPECT_EQ(p1.mean, kMeanArbitrary);
    EXPECT_EQ(p1.positions, 3u);
    EXPECT_EQ(p1.density, 7.8);
    EXPECT_EQ(p1.radius, 0.0);
    EXPECT_EQ(used(r), (std::vector<u32>{2, 4}));
    EXPECT_EQ(r.channelCount(), 2);

    EXPECT_FALSE(r.isBeltDrive());
    EXPECT_TRUE(r.rotationDirection());
    EXPECT_EQ(r.pulleyDiameter(true), 0.0);

    EXPECT_TRUE(r.startFlag());
    r.clearStartFlag();
    EXPECT_FALSE(r.startFlag());
    EXPECT_STREQ(r.nameText(false), "");
    EXPECT_STREQ(r.nameText(true), "");
    EXPECT_EQ(r.runCount(), 0);
    EXPECT_EQ(r.currentRun(), 0);
    EXPECT_FALSE(r.isComputed());
    EXPECT_FALSE(r.isHistoryActive());
    EXPECT_FALSE(r.isHistoryOpen());
    EXPECT_FALSE(r.isControlRotor());
    EXPECT_FALSE(r.hasFactors());
    EXPECT_FALSE(r.hasResults());
    EXPECT_TRUE(r.hasNoResults());
    r.setName("ROTOR 7");
    EXPECT_STREQ(r.nameText(false), "ROTOR 7");
    r.setName(nullptr);
    EXPECT_STREQ(r.nameText(false), "");
}

TEST(RotorStructure, ConstructionWithOneOrNoActiveChannel) {
    TestConfig one;
    one.channel(false).channel(false).channel(true);
    one.endDrive({true});
    Rotor r1(one.get());
    ASSERT_EQ(r1.planeCount(false), 1);
    EXPECT_EQ(r1.plane(1).channel1, 3u);
    EXPECT_EQ(r1.plane(1).channel2, 0u);
    EXPECT_EQ(r1.channelCount(), 1);

    TestConfig none;
    none.channels(5).endDrive({true});
    Rotor r0(none.get());
    EXPECT_EQ(r0.planeCount(false), 0);
    EXPECT_EQ(r0.channelCount(), 0);
    EXPECT_TRUE(used(r0).empty());
    EXPECT_EQ(r0.lastPlane(true), 0);
    EXPECT_EQ(r0.nextPlane(0, true), 0);
    EXPECT_EQ(r0.measuringPlaneMask(), 1u);
    EXPECT_FALSE(r0.hasArcMilling());

    // Settings without any channel list at all.
    Rotor bare(nullptr);
    EXPECT_EQ(bare.planeCount(false), 0);
}

TEST(RotorStructure, ConstructionTakesTheDrive) {
    // End drive not active: belt drive with the belt's direction and default pulley.
    TestConfig belt;
    belt.channel(true);
    belt.endDrive({false, 1.0, 1000.0, false, 70});
    belt.beltDrive({true, 1.0, 1000.0, true, 90});
    Rotor r(belt.get());
    EXPECT_TRUE(r.isBeltDrive());
    EXPECT_EQ(r.data().drive, kDriveBelt);
    EXPECT_TRUE(r.rotationDirection());
    EXPECT_EQ(r.pulleyDiameter(true), 90.0);
    EXPECT_EQ(r.pulleyDiameter(false), 0.0);

    // Default settings: the end drive is not active either.
    Rotor d(nullptr);
    EXPECT_TRUE(d.isBeltDrive());
    EXPECT_EQ(d.pulleyDiameter(true), 70.0);
    EXPECT_FALSE(d.rotationDirection());

    // End drive active: end drive, its direction, pulley untouched.
    TestConfig end;
    end.endDrive({true, 1.0, 1000.0, false, 70});
    end.beltDrive({true, 1.0, 1000.0, true, 90});
    Rotor e(end.get());
    EXPECT_FALSE(e.isBeltDrive());
    EXPECT_FALSE(e.rotationDirection());
    EXPECT_EQ(e.pulleyDiameter(true), 0.0);
}

TEST(RotorStructure, TwoPlaneLayout) {
    Bare b;
    b.planes(2);
    b.rotor.setPlaneChannels(1, 1, 0);
    b.rotor.setPlaneChannels(2, 0, 2);
    b.at(1).distance1 = 100;
    b.at(2).distance1 = 300;
    b.at(2).distance2 = 50;
    Rotor& r = b.rotor;
    EXPECT_EQ(r.planeScheme(), 0);
    EXPECT_EQ(r.planeCount(true), 2);
    EXPECT_EQ(r.nextPlane(0, true), 1);
    EXPECT_EQ(r.nextPlane(1, true), 2);
    EXPECT_EQ(r.nextPlane(2, true), 0);
    EXPECT_EQ(r.prevPlane(2, true), 1);
    EXPECT_EQ(r.prevPlane(1, true), 0);
    EXPECT_EQ(r.lastPlane(true), 2);
    EXPECT_EQ(r.measuringPlaneMask(), 0x7u);
    EXPECT_EQ(r.measuringCount(), 2);
    double a = -1, bb = -1, c = -1;
    r.supportDistances(&a, &bb, &c);
    EXPECT_EQ(a, 100.0);
    EXPECT_EQ(bb, 300.0);
    EXPECT_EQ(c, 50.0);
    r.supportDistances(nullptr, nullptr, nullptr);  // no crash
}

TEST(RotorStructure, SchemeOneLayout) {
    Bare b;
    b.planes(3);
    b.rotor.setPlaneChannels(1, 1, 0);
    b.rotor.setPlaneChannels(3, 0, 2);
    b.at(1).distance1 = 100;
    b.at(2).distance1 = 200;
    b.at(3).distance1 = 150;
    b.at(3).distance2 = 40;
    Rotor& r = b.rotor;
    EXPECT_EQ(r.planeScheme(), 1);
    EXPECT_EQ(r.planeCount(false), 3);
    EXPECT_EQ(r.planeCount(true), 2);
    EXPECT_TRUE(r.hasChannel(1));
    EXPECT_FALSE(r.hasChannel(2));
    EXPECT_TRUE(r.hasNoChannel(2));
    EXPECT_TRUE(r.hasChannel(3));
    EXPECT_EQ(r.nextPlane(1, true), 3);
    EXPECT_EQ(r.nextPlane(1, false), 2);
    EXPECT_EQ(r.prevPlane(3, true), 1);
    EXPECT_EQ(r.prevPlane(3, false), 2);
    EXPECT_EQ(r.lastPlane(true), 3);
    EXPECT_EQ(r.lastPlane(false), 3);
    EXPECT_EQ(r.measuringPlaneMask(), 0x1u | 0x2u | 0x8u);
    EXPECT_EQ(r.measuringCount(), 2);
    double a, bb, c;
    r.supportDistances(&a, &bb, &c);
    EXPECT_EQ(a, 100.0);
    EXPECT_EQ(bb, 350.0);
    EXPECT_EQ(c, 40.0);

    // A channel on plane 2 makes it an ordinary three-plane rotor.
    r.setPlaneChannels(2, 3, 0);
    EXPECT_EQ(r.planeScheme(), 0);
    EXPECT_EQ(r.planeCount(true), 3);
    r.supportDistances(&a, &bb, &c);
    EXPECT_EQ(a, 0.0);
    EXPECT_EQ(bb, 0.0);
    EXPECT_EQ(c, 0.0);
}

TEST(RotorStructure, SchemeTwoLayout) {
    Bare b;
    b.planes(1);
    b.rotor.setPlaneChannels(1, 1, 2);
    b.at(1).distance1 = 100;
    Rotor& r = b.rotor;
    EXPECT_EQ(r.planeScheme(), 2);
    EXPECT_EQ(r.planeCount(true), 1);
    EXPECT_EQ(r.channelCount(), 2);
    EXPECT_EQ(used(r), (std::vector<u32>{1, 2}));
    EXPECT_EQ(r.measuringPlaneMask(), 0x3u);
    double a = -1, bb = -1, c = -1;
    r.supportDistances(&a, &bb, &c);
    EXPECT_EQ(a, 0.0);
    EXPECT_EQ(bb, 0.0);
    EXPECT_EQ(c, 0.0);
    // One channel only: scheme 0.
    r.setPlaneChannels(1, 1, 0);
    EXPECT_EQ(r.planeScheme(), 0);
}

TEST(RotorStructure, ManyPlanesSkipAndMask) {
    Bare b;
    b.planes(6);
    b.rotor.setPlaneChannels(1, 1, 0);
    b.rotor.setPlaneChannels(4, 0, 2);
    Rotor& r = b.rotor;
    // Planes 2, 3 and 5 have no channel; 6 is the last plane and counts.
    EXPECT_EQ(r.nextPlane(1, true), 4);
    EXPECT_EQ(r.nextPlane(4, true), 6);
    EXPECT_EQ(r.prevPlane(6, true), 4);
    EXPECT_EQ(r.prevPlane(4, true), 1);
    EXPECT_EQ(r.measuringPlaneMask(), 0x1u | 0x2u | 0x10u | 0x40u);
    EXPECT_EQ(r.measuringCount(), 3);
    EXPECT_EQ(r.planeCount(true), 6);
    EXPECT_EQ(used(r), (std::vector<u32>{1, 2}));
}

TEST(RotorStructure, KindTestsPerModeAndMean) {
    Bare b;
    b.planes(1);
    Rotor& r = b.rotor;
    const u32 modes[] = {kModeAddition, kModeRemoval, kModeCentering};
    const u32 means[] = {kMeanArbitrary, kMeanIndexed, kMeanArc, kMeanEndDrilling,
                         kMeanRadialDrilling, kMeanFlatMilling, kMeanArcMilling};
    for (u32 mode : modes) {
        for (u32 mean : means) {
            b.at(1).mode = mode;
            b.at(1).mean = mean;
            const bool add = mode == kModeAddition;
            const bool rem = mode == kModeRemoval;
            SCOPED_TRACE(testing::Message() << std::hex << mode << " " << mean);
            EXPECT_EQ(r.isAddition(1), add);
            EXPECT_EQ(r.isRemoval(1), rem);
            EXPECT_EQ(r.isCentering(1), mode == kModeCentering);
            EXPECT_EQ(r.isRemovalArbitrary(1), rem && mean == kMeanArbitrary);
            EXPECT_EQ(r.isAdditionIndexed(1), add && mean == kMeanIndexed);
            EXPECT_EQ(r.isAdditionArc(1), add && mean == kMeanArc);
            EXPECT_EQ(r.isDrilling(1), rem && (mean == kMeanEndDrilling || mean == kMeanRadialDrilling));
            EXPECT_EQ(r.isRadialDrilling(1), rem && mean == kMeanRadialDrilling);
            EXPECT_EQ(r.isFlatMilling(1), rem && mean == kMeanFlatMilling);
            EXPECT_EQ(r.isArcMilling(1), rem && mean == kMeanArcMilling);
            EXPECT_EQ(r.hasArcMilling(), rem && mean == kMeanArcMilling);
            EXPECT_EQ(r.isMachiningRemoval(1), rem && mean != kMeanArbitrary && mean != kMeanIndexed);
        }
    }
    // A stored mean outside the group is no known kind.
    b.at(1).mode = kModeRemoval;
    b.at(1).mean = 0x1D9C80A;
    EXPECT_FALSE(r.isDrilling(1));
    EXPECT_FALSE(r.isRemovalArbitrary(1));
    EXPECT_TRUE(r.isMachiningRemoval(1));
}

TEST(RotorStructure, CorrectionModeLabel) {
    setLanguage(true);
    Bare b;
    b.planes(1);
    Rotor& r = b.rotor;
    EXPECT_STREQ(r.correctionModeLabel(1), "Addition of masses");
    b.at(1).mode = kModeRemoval;
    EXPECT_STREQ(r.correctionModeLabel(1), "Removing of masses");
    b.at(1).mode = kModeCentering;
    EXPECT_STREQ(r.correctionModeLabel(1), "Centering");
    b.at(1).mode = 0x1D9C40A;  // unknown mode reads as removal
    EXPECT_STREQ(r.correctionModeLabel(1), "Removing of masses");
    setLanguage(false);
    b.at(1).mode = kModeAddition;
    EXPECT_STREQ(r.correctionModeLabel(1), "Добавлением масс");
    EXPECT_STREQ(r.correctionModeLabel(0), "");
    EXPECT_STREQ(r.correctionModeLabel(2), "");
}

TEST(RotorStructure, RoundedCorrectionMass) {
    Bare b;
    b.planes(2);
    Rotor& r = b.rotor;
    b.at(1).minMass = 2.0;
    b.at(1).massAmount = 7.4;
    EXPECT_DOUBLE_EQ(r.roundedCorrectionMass(0, false), 8.0);
    EXPECT_DOUBLE_EQ(r.roundedCorrectionMass(0, true), 7.4);
    b.at(1).massAmount = 6.6;
    EXPECT_DOUBLE_EQ(r.roundedCorrectionMass(0, false), 6.0);
    b.at(1).massAmount = 7.0;  // tie between 6 and 8: the lower one
    EXPECT_DOUBLE_EQ(r.roundedCorrectionMass(0, false), 6.0);
    b.at(1).massAmount = 8.0;  // already a multiple
    EXPECT_DOUBLE_EQ(r.roundedCorrectionMass(0, false), 8.0);
    b.at(1).minMass = 0.0;
    b.at(1).massAmount = 7.4;
    EXPECT_DOUBLE_EQ(r.roundedCorrectionMass(0, false), 7.4);
    b.at(2).minMass = 0.5;
    b.at(2).massAmount = 1.3;
    EXPECT_DOUBLE_EQ(r.roundedCorrectionMass(1, false), 1.5);
    EXPECT_EQ(r.roundedCorrectionMass(2, false), 0.0);
    EXPECT_EQ(r.roundedCorrectionMass(-1, false), 0.0);
}

TEST(RotorStructure, DriveRatioAndDrillAngleFallbacks) {
    TestConfig cfg;
    cfg.endDrive({true, 3.5, 1000.0, false, 70});
    cfg.real(0x1DD644A, 135.0);
    Rotor r(cfg.get());
    ASSERT_FALSE(r.isBeltDrive());
    EXPECT_DOUBLE_EQ(r.driveRatio(), 3.5);

    TestConfig zero;
    zero.endDrive({true, 0.0, 1000.0, false, 70});
    Rotor z(zero.get());
    EXPECT_DOUBLE_EQ(z.driveRatio(), 1.0);
    TestConfig neg;
    neg.endDrive({true, -2.0, 1000.0, false, 70});
    Rotor n(neg.get());
    EXPECT_DOUBLE_EQ(n.driveRatio(), 1.0);

    // Belt drive: rotor surface over drive pulley, 1 when either is 0.
    Rotor belt(nullptr);
    ASSERT_TRUE(belt.isBeltDrive());
    belt.data().drivePulley = 80;
    belt.data().rotorSurface = 160;
    EXPECT_DOUBLE_EQ(belt.driveRatio(), 2.0);
    belt.data().rotorSurface = 0;
    EXPECT_DOUBLE_EQ(belt.driveRatio(), 1.0);
    belt.data().rotorSurface = 160;
    belt.data().drivePulley = 0;
    EXPECT_DOUBLE_EQ(belt.driveRatio(), 1.0);

    // Drill angle: the plane's own when above 0, else the machine's.
    r.insertPlane(1);
    EXPECT_DOUBLE_EQ(r.drillAngle(1), 135.0);
    r.data().planes[0].drillAngle = 118.0;
    EXPECT_DOUBLE_EQ(r.drillAngle(1), 118.0);
    r.data().planes[0].drillAngle = -5.0;
    EXPECT_DOUBLE_EQ(r.drillAngle(1), 135.0);
    Rotor d(nullptr);
    d.insertPlane(1);
    EXPECT_DOUBLE_EQ(d.drillAngle(1), 120.0);
    EXPECT_EQ(d.drillAngle(2), 0.0);
}

TEST(RotorStructure, RotorAndPlaneAccessors) {
    Bare b;
    b.planes(2);
    Rotor& r = b.rotor;
    RotorData& d = r.data();
    d.speed = 1500;
    d.mass = 12.5;
    d.permissibleUnbalance = 40.0;
    d.drivePulley = 80;
    d.rotorSurface = 200;
    d.internalFactors = true;
    d.controlRotor = true;
    d.factors.emplace_back();
    d.results.emplace_back();
    EXPECT_EQ(r.balancingSpeed(), 1500.0);
    EXPECT_EQ(r.rotorMass(), 12.5);
    EXPECT_EQ(r.permissibleUnbalance(1), 40.0);
    EXPECT_EQ(r.permissibleUnbalance(99), 40.0);  // the rotor's value for any plane
    EXPECT_EQ(r.pulleyDiameter(true), 80.0);
    EXPECT_EQ(r.pulleyDiameter(false), 200.0);
    EXPECT_TRUE(r.usesInternalFactors());
    EXPECT_TRUE(r.isControlRotor());
    EXPECT_TRUE(r.hasFactors());
    EXPECT_TRUE(r.hasResults());
    EXPECT_FALSE(r.hasNoResults());

    Plane& p = b.at(2);
    p.radius = 150;
    p.minMass = 1;
    p.maxMass = 20;
    p.positions = 12;
    p.additionalHoles = 2;
    p.holeDiameter = 8;
    p.wallThickness = 2;
    p.maxDrillDepth = 30;
    p.density = 2.7;
    EXPECT_EQ(r.correctionRadius(2), 150.0);
    EXPECT_EQ(r.minMass(2), 1.0);
    EXPECT_EQ(r.maxMass(2), 20.0);
    EXPECT_EQ(r.positionCount(2), 12);
    EXPECT_EQ(r.additionalHoles(2), 2);
    EXPECT_EQ(r.drillDiameter(2), 8.0);
    EXPECT_EQ(r.wallThickness(2), 2.0);
    EXPECT_EQ(r.maxDrillDepth(2), 30.0);
    EXPECT_EQ(r.materialDensity(2), 2.7);
    r.setMaterialDensity(2, 8.9);
    EXPECT_EQ(p.density, 8.9);
    EXPECT_EQ(r.materialDensity(1), 7.8);

    // By plane index.
    p.unbalanceAmount = 12.0;
    p.unbalanceAngle = 45.0;
    p.massAmount = 3.0;
    p.massAngle = 225.0;
    EXPECT_EQ(r.correctionAmount(1, true), 12.0);
    EXPECT_EQ(r.correctionAngle(1, true), 45.0);
    EXPECT_EQ(r.correctionAmount(1, false), 3.0);
    EXPECT_EQ(r.correctionAngle(1, false), 225.0);

    r.setTrialMass(5.0, 1);
    EXPECT_EQ(r.trialMass(0), 0.0);
    EXPECT_EQ(r.trialMass(1), 5.0);
    r.setTrialMass(4.0, 0);
    EXPECT_EQ(r.trialMass(0), 4.0);
    EXPECT_EQ(r.trialMass(1), 4.0);
    r.setTrialAngle(0, 30.0);
    r.setTrialAngle(1, 120.0);
    EXPECT_EQ(r.trialAngle(0), 30.0);
    EXPECT_EQ(r.trialAngle(1), 120.0);
    r.keepTrialAngles();
    EXPECT_EQ(b.at(1).keptTrialAngle, 30.0);
    EXPECT_EQ(b.at(2).keptTrialAngle, 120.0);
    r.clearTrialAngles();
    EXPECT_EQ(r.trialAngle(0), 0.0);
    EXPECT_EQ(r.trialAngle(1), 0.0);
    EXPECT_EQ(b.at(2).keptTrialAngle, 120.0);
}

TEST(RotorStructure, PlaneListEdits) {
    Bare b;
    b.planes(2);
    Rotor& r = b.rotor;
    b.at(1).radius = 10;
    b.at(2).radius = 20;

    r.insertPlane(2);  // new plane 2, the old plane 2 becomes 3
    ASSERT_EQ(r.planeCount(false), 3);
    EXPECT_EQ(b.at(1).radius, 10.0);
    EXPECT_EQ(b.at(2).radius, 0.0);
    EXPECT_EQ(b.at(3).radius, 20.0);
    r.insertPlane(9);  // beyond the count: appended
    ASSERT_EQ(r.planeCount(false), 4);
    EXPECT_EQ(b.at(4).radius, 0.0);

    r.removePlane(1);
    ASSERT_EQ(r.planeCount(false), 3);
    EXPECT_EQ(b.at(2).radius, 20.0);

    b.at(2).mode = kModeRemoval;
    b.at(2).channel1 = 4;
    r.resetPlane(2);
    EXPECT_TRUE(Tris::equalRecords(b.at(2), Plane()));

    r.setPlaneChannels(3, 5, 1);
    EXPECT_EQ(r.plane(3).channel1, 5u);
    EXPECT_EQ(r.plane(3).channel2, 1u);

    r.clearPlanes();
    EXPECT_EQ(r.planeCount(false), 0);
}

TEST(RotorStructure, PlaneEditsClearTheControlFlag) {
    Bare b;
    b.planes(2);
    Rotor& r = b.rotor;
    auto control = [&] { r.data().controlRotor = true; };

    control();
    r.resetPlane(1);
    EXPECT_TRUE(r.isControlRotor());  // resetting is no edit of the list
    r.insertPlane(0);                 // refused: nothing changes
    r.removePlane(0);
    r.removePlane(3);
    EXPECT_TRUE(r.isControlRotor());
    EXPECT_EQ(r.planeCount(false), 2);
    r.insertPlane(1);
    EXPECT_FALSE(r.isControlRotor());
    control();
    r.removePlane(3);
    EXPECT_FALSE(r.isControlRotor());
    control();
    r.clearPlanes();
    EXPECT_FALSE(r.isControlRotor());
}

TEST(RotorStructure, CorrectionLimitMask) {
    Bare b;
    Rotor& r = b.rotor;
    for (int i = 0; i < 64; ++i) EXPECT_FALSE(r.isCorrectionLimited(i));
    r.setCorrectionLimited(1);
    EXPECT_TRUE(r.isCorrectionLimited(0));
    EXPECT_FALSE(r.isCorrectionLimited(1));
    r.setCorrectionLimited(33);
    EXPECT_TRUE(r.isCorrectionLimited(32));
    r.setCorrectionLimited(64);
    EXPECT_TRUE(r.isCorrectionLimited(63));
    r.setCorrectionLimited(0);
    r.setCorrectionLimited(65);
    r.setCorrectionLimited(-1);
    int set = 0;
    for (int i = 0; i < 64; ++i) set += r.isCorrectionLimited(i);
    EXPECT_EQ(set, 3);
    EXPECT_FALSE(r.isCorrectionLimited(-1));
    EXPECT_FALSE(r.isCorrectionLimited(64));
    r.clearCorrectionLimits();
    for (int i = 0; i < 64; ++i) EXPECT_FALSE(r.isCorrectionLimited(i));
}

TEST(RotorStructure, FlaggedChannel) {
    TestConfig cfg;
    cfg.channel(true).channel(false, true).channel(true);
    Rotor r(cfg.get());
    // Planes use channels 1 and 3: neither is a soft-bearing channel.
    EXPECT_FALSE(r.hasFlaggedChannel());
    r.setPlaneChannels(1, 2, 0);
    EXPECT_TRUE(r.hasFlaggedChannel());
    // A channel number outside the settings' list is not flagged.
    r.setPlaneChannels(1, 9, 0);
    r.setPlaneChannels(2, 0, 4);
    EXPECT_FALSE(r.hasFlaggedChannel());
}

TEST(RotorStructure, OutOfRangePlanesChangeNothing) {
    Bare b;
    b.planes(2);
    Rotor& r = b.rotor;
    b.at(1).mode = kModeCentering;
    b.at(2).mode = kModeRemoval;
    b.at(2).mean = kMeanArcMilling;
    const RotorData before = r.data();

    for (int p : {-1, 0, 3, 100}) {
        SCOPED_TRACE(p);
        EXPECT_FALSE(r.isPlaneIndex(p));
        EXPECT_FALSE(r.isPlaneIndex2(p));
        EXPECT_FALSE(r.hasChannel(p));
        EXPECT_FALSE(r.hasNoChannel(p));
        EXPECT_FALSE(r.isAddition(p));
        EXPECT_FALSE(r.isRemoval(p));
        EXPECT_FALSE(r.isCentering(p));
        EXPECT_FALSE(r.isRemovalArbitrary(p));
        EXPECT_FALSE(r.isAdditionIndexed(p));
        EXPECT_FALSE(r.isAdditionArc(p));
        EXPECT_FALSE(r.isDrilling(p));
        EXPECT_FALSE(r.isRadialDrilling(p));
        EXPECT_FALSE(r.isFlatMilling(p));
        EXPECT_FALSE(r.isArcMilling(p));
        EXPECT_FALSE(r.isMachiningRemoval(p));
        EXPECT_EQ(r.correctionRadius(p), 0.0);
        EXPECT_EQ(r.minMass(p), 0.0);
        EXPECT_EQ(r.maxMass(p), 0.0);
        EXPECT_EQ(r.positionCount(p), 0);
        EXPECT_EQ(r.additionalHoles(p), 0);
        EXPECT_EQ(r.drillDiameter(p), 0.0);
        EXPECT_EQ(r.drillAngle(p), 0.0);
        EXPECT_EQ(r.wallThickness(p), 0.0);
        EXPECT_EQ(r.maxDrillDepth(p), 0.0);
        EXPECT_EQ(r.materialDensity(p), 0.0);
        EXPECT_TRUE(Tris::equalRecords(r.plane(p), Plane()));
        r.setMaterialDensity(p, 1.0);
        r.resetPlane(p);
        r.setPlaneChannels(p, 4, 5);
        if (p != 3 && p != 100) r.insertPlane(p);  // above the count it appends
        r.removePlane(p);
    }
    for (int i : {-1, 2, 64}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(r.trialMass(i), 0.0);
        EXPECT_EQ(r.trialAngle(i), 0.0);
        EXPECT_EQ(r.correctionAmount(i, true), 0.0);
        EXPECT_EQ(r.correctionAngle(i, false), 0.0);
        EXPECT_EQ(r.roundedCorrectionMass(i, false), 0.0);
        r.setTrialAngle(i, 10.0);
    }
    r.setTrialMass(3.0, -1);
    r.setTrialMass(3.0, 2);
    EXPECT_TRUE(Tris::equalRecords(before, r.data()));

    EXPECT_EQ(r.nextPlane(-3, false), 0);
    EXPECT_EQ(r.nextPlane(2, false), 0);
    EXPECT_EQ(r.nextPlane(7, false), 0);
    EXPECT_EQ(r.prevPlane(0, false), 0);
    EXPECT_EQ(r.prevPlane(3, false), 2);  // the plane before "one past the last"
    EXPECT_EQ(r.prevPlane(9, false), 0);
    EXPECT_EQ(r.runName(0), nullptr);
    EXPECT_EQ(r.runName(-1), nullptr);
    EXPECT_EQ(r.usedChannels(nullptr), nullptr);

    // Non-finite numbers are not stored.
    r.setMaterialDensity(1, std::numeric_limits<double>::quiet_NaN());
    r.setTrialAngle(0, std::numeric_limits<double>::infinity());
    r.setTrialMass(std::numeric_limits<double>::quiet_NaN(), 0);
    EXPECT_TRUE(Tris::equalRecords(before, r.data()));
}

TEST(RotorStructure, CorrectionRadiusMeansNothingWithoutPlanes) {
    Bare b;
    Rotor& r = b.rotor;
    EXPECT_EQ(r.planeCount(false), 0);
    EXPECT_EQ(r.planeCount(true), 0);
    EXPECT_EQ(r.planeScheme(), 0);
    EXPECT_FALSE(r.hasChannel(1));
    EXPECT_EQ(r.lastPlane(false), 0);
    EXPECT_EQ(r.prevPlane(1, true), 0);
    double a = 1, bb = 1, c = 1;
    r.supportDistances(&a, &bb, &c);
    EXPECT_EQ(a + bb + c, 0.0);
}
