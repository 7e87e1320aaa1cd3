#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/job_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "rotor_test_config.h"
#include "texts/texts.h"

using namespace jobrec;
using u32 = std::uint32_t;

namespace {

// Settings: speed limit 400..2000, weight limit 0.1..100, end drive active
// with a maximum of 1500 rpm, belt drive with direction true and pulley 90,
// E_mar 0.5, machine drill angle 118.
struct Machine {
    TestConfig cfg;
    Machine() {
        cfg.channel(true).channel(true).channel(false).channel(false).channel(false);
        cfg.endDrive({true, 1.0, 1500.0, false, 70});
        cfg.beltDrive({true, 1.0, 1800.0, true, 90});
        cfg.limit(0x1DD640C, 400.0, 2000.0).limit(0x1DD640B, 0.1, 100.0);
        cfg.real(0x1DD6409, 0.5).real(0x1DD644A, 118.0);
    }
};

struct Fixture : Machine {
    Rotor r;
    Fixture() : r(cfg.get()) {}
    Plane& at(int i) { return r.data().planes[static_cast<std::size_t>(i)]; }
    void planes(int n) {
        r.clearPlanes();
        for (int p = 1; p <= n; ++p) r.insertPlane(p);
    }
    bool setPlane(int i, u32 field, const char* text) {
        const u32 path[] = {kPlanes, static_cast<u32>(i), field};
        return r.setParameter(path, 3, text);
    }
    bool setRotor(u32 field, const char* text) {
        const u32 path[] = {field};
        return r.setParameter(path, 1, text);
    }
    bool setFlag(u32 field, bool on) {
        const u32 path[] = {field, on ? 1u : 0u};
        return r.setParameter(path, 2, nullptr);
    }
    bool distanceOk(int i, int k, double v) {
        const u32 path[] = {kPlanes, static_cast<u32>(i), kDistance1 + static_cast<u32>(k - 1)};
        return r.validateRotorParameter(path, 3, v);
    }
};

}  // namespace

TEST(RotorParameters, RadiusPassesOnToPlanesOfTheSameKindAndValue) {
    Fixture f;
    f.planes(3);
    f.r.data().permissibleUnbalance = 100.0;
    f.at(0).radius = 40;
    f.at(1).radius = 40;
    f.at(2).radius = 40;
    f.at(2).mean = kMeanIndexed;  // another kind
    ASSERT_TRUE(f.setPlane(0, kRadius, "50"));
    EXPECT_EQ(f.at(0).radius, 50.0);
    EXPECT_EQ(f.at(1).radius, 50.0);
    EXPECT_EQ(f.at(2).radius, 40.0);
    // e = 100 / 50 = 2: minimum mass 1.0, in every plane that was set.
    EXPECT_EQ(f.at(0).minMass, 1.0);
    EXPECT_EQ(f.at(1).minMass, 1.0);
    EXPECT_EQ(f.at(2).minMass, 0.0);

    // A plane holding another value keeps it.
    f.at(1).radius = 70;
    ASSERT_TRUE(f.setPlane(0, kRadius, "60"));
    EXPECT_EQ(f.at(1).radius, 70.0);
    // Editing a later plane changes that plane only.
    ASSERT_TRUE(f.setPlane(1, kRadius, "60"));
    EXPECT_EQ(f.at(0).radius, 60.0);
    EXPECT_EQ(f.at(1).radius, 60.0);
    ASSERT_TRUE(f.setPlane(1, kRadius, "65"));
    EXPECT_EQ(f.at(0).radius, 60.0);
    EXPECT_EQ(f.at(1).radius, 65.0);
}

TEST(RotorParameters, MinimumMassTable) {
    Fixture f;
    f.planes(1);
    const struct { double P, R, m; } cases[] = {
        {5, 50, 0.01},   // e = 0.1 exactly
        {5.5, 50, 0.1},  // 0.11
        {50, 50, 0.1},   // 1
        {100, 50, 1.0},  // 2
        {250, 50, 1.0},  // 5
        {300, 50, 5.0},  // 6
        {500, 50, 5.0},  // 10
        {501, 50, 10.0},
    };
    for (const auto& c : cases) {
        f.r.data().permissibleUnbalance = c.P;
        ASSERT_TRUE(f.setPlane(0, kRadius, std::to_string(static_cast<int>(c.R)).c_str()));
        EXPECT_EQ(f.at(0).minMass, c.m) << c.P;
    }
    // R = 0 leaves the minimum mass alone.
    f.at(0).minMass = 3.0;
    ASSERT_TRUE(f.setPlane(0, kRadius, "0"));
    EXPECT_EQ(f.at(0).minMass, 3.0);

    // Changing the permissible unbalance recomputes every plane with R != 0.
    f.planes(2);
    f.at(0).radius = 50;
    f.at(1).minMass = 7.0;
    ASSERT_TRUE(f.setRotor(kPermissibleUnbalance, "100"));
    EXPECT_EQ(f.at(0).minMass, 1.0);
    EXPECT_EQ(f.at(1).minMass, 7.0);
}

TEST(RotorParameters, MinimumMassCanOnlyBeLowered) {
    Fixture f;
    f.planes(1);
    f.at(0).minMass = 2.0;
    ASSERT_TRUE(f.setPlane(0, kMinMass, "5"));
    EXPECT_EQ(f.at(0).minMass, 2.0);
    ASSERT_TRUE(f.setPlane(0, kMinMass, "0.5"));
    EXPECT_EQ(f.at(0).minMass, 0.5);
}

TEST(RotorParameters, DrillAngleDefaultAfterASet) {
    Fixture f;
    f.planes(2);
    ASSERT_TRUE(f.setPlane(1, kHoleDiameter, "8"));
    EXPECT_EQ(f.at(1).drillAngle, 118.0);
    EXPECT_EQ(f.at(0).drillAngle, 0.0);  // not visited
    ASSERT_TRUE(f.setPlane(1, kDrillAngle, "0"));
    EXPECT_EQ(f.at(1).drillAngle, 118.0);
    ASSERT_TRUE(f.setPlane(1, kDrillAngle, "90"));
    EXPECT_EQ(f.at(1).drillAngle, 90.0);
}

TEST(RotorParameters, ChoicesAndFlagsSetOnePlane) {
    Fixture f;
    f.planes(3);
    const u32 mode[] = {kPlanes, 0, kMode, kModeRemoval};
    ASSERT_TRUE(f.r.setParameter(mode, 4, nullptr));
    EXPECT_EQ(f.at(0).mode, kModeRemoval);
    EXPECT_EQ(f.at(1).mode, kModeAddition);
    const u32 mean[] = {kPlanes, 2, kMean, kMeanArcMilling};
    ASSERT_TRUE(f.r.setParameter(mean, 4, ""));
    EXPECT_EQ(f.at(2).mean, kMeanArcMilling);
    // Texts of the rotor.
    ASSERT_TRUE(f.setRotor(kCustomer, "ACME"));
    EXPECT_EQ(f.r.data().customer, "ACME");
    ASSERT_TRUE(f.setRotor(kDocumentNumber, nullptr));
    EXPECT_EQ(f.r.data().documentNumber, "");
}

TEST(RotorParameters, SpeedIsClampedAndWipesCoefficientsOnlyOnChange) {
    Fixture f;
    ASSERT_FALSE(f.r.isBeltDrive());
    RotorData& d = f.r.data();
    d.factors.resize(4);
    d.references.resize(4);
    f.r.setDriveCalibration(33.0);

    ASSERT_TRUE(f.setRotor(kRotation, "1800"));  // above the end drive's 1500
    EXPECT_EQ(d.speed, 1500u);
    EXPECT_TRUE(d.factors.empty());
    EXPECT_TRUE(d.references.empty());
    EXPECT_EQ(d.driveCalibration, 0.0);

    d.factors.resize(4);
    d.references.resize(2);
    f.r.setDriveCalibration(33.0);
    ASSERT_TRUE(f.setRotor(kRotation, "1500"));  // the same speed again
    EXPECT_EQ(d.factors.size(), 4u);
    EXPECT_EQ(d.references.size(), 2u);
    EXPECT_EQ(f.r.driveCalibration(), 33.0);
    ASSERT_TRUE(f.setRotor(kRotation, "1600"));  // clamped to the same 1500
    EXPECT_EQ(d.factors.size(), 4u);

    ASSERT_TRUE(f.setRotor(kRotation, "100"));  // below the minimum
    EXPECT_EQ(d.speed, 400u);
    EXPECT_TRUE(d.factors.empty());
    ASSERT_TRUE(f.setRotor(kRotation, "1234.9"));
    EXPECT_EQ(d.speed, 1234u);

    // A belt drive takes the belt's maximum.
    const u32 belt[] = {kDrive, kDriveBelt};
    ASSERT_TRUE(f.r.setParameter(belt, 2, nullptr));
    ASSERT_TRUE(f.setRotor(kRotation, "1900"));
    EXPECT_EQ(d.speed, 1800u);
}

TEST(RotorParameters, MassClampAndControlRotor) {
    Fixture f;
    f.planes(3);
    ASSERT_TRUE(f.setRotor(kRotorMass, "150"));
    EXPECT_EQ(f.r.rotorMass(), 100.0);
    ASSERT_TRUE(f.setRotor(kRotorMass, "0.01"));
    EXPECT_EQ(f.r.rotorMass(), 0.1);
    EXPECT_EQ(f.r.data().permissibleUnbalance, 0.0);

    ASSERT_TRUE(f.setFlag(kControlRotor, true));
    f.at(0).radiusSmall = 4.0;
    ASSERT_TRUE(f.setRotor(kRotorMass, "20"));
    // P = 20 kg x 0.5 gmm/kg = 10; e = 10 / 4 = 2.5.
    EXPECT_DOUBLE_EQ(f.r.permissibleUnbalance(1), 10.0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(f.at(i).massUmar, 25.0);
        EXPECT_DOUBLE_EQ(f.at(i).massStation, 125.0);
        EXPECT_DOUBLE_EQ(f.at(i).massTravel, 625.0);
    }
    EXPECT_DOUBLE_EQ(f.r.testMass(3, 0), 25.0);
    EXPECT_DOUBLE_EQ(f.r.testMass(1, 1), 125.0);
    EXPECT_DOUBLE_EQ(f.r.testMass(2, 2), 625.0);
    EXPECT_EQ(f.r.testMass(1, 3), 0.0);
    EXPECT_EQ(f.r.testMass(1, -1), 0.0);
    // U|mar| typed: e = 30 / 4 = 7.5.
    ASSERT_TRUE(f.setRotor(kPermissibleUnbalance, "30"));
    EXPECT_DOUBLE_EQ(f.r.testMass(1, 1), 375.0);
}

// Each mass to 0.01 g, or finer where that would take it beyond its stated
// tolerance (1 %, 0.5 %, 0.5 %); the added one to 0.1 g, or finer where it
// would no longer add 7.5 × U|mar|.  Setting r on a control rotor remakes them.
TEST(RotorParameters, TestMassesHoldTheirTolerance) {
    const double cases[][6] = {  // U|mar|, r, then the U|mar|, stationary, travelling and added masses
        {7, 3, 23.33, 116.67, 583.33, 17.5},       {0.25, 20, 0.125, 0.625, 3.13, 0.094},  // 0.13 is 4 % off
        {0.8, 140, 0.057, 0.286, 1.43, 0.043},     // 2 kg: 0.06, 0.29 and 0.0 before
        {4.8, 140, 0.34, 1.71, 8.57, 0.257},       {10, 0, 0, 0, 0, 0}};  // 12 kg: 0.3 g adds 8.75 × U|mar|
    for (const auto& c : cases) {
        Fixture f;
        f.planes(3);
        f.r.data().controlRotor = true;
        f.r.data().permissibleUnbalance = c[0];
        ASSERT_TRUE(f.setPlane(0, kRadiusSmall, ks::format("{}", c[1]).c_str()));
        const double masses[] = {f.at(2).massUmar, f.at(2).massStation, f.at(2).massTravel, f.r.addedTestMass()};
        for (int k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(masses[k], c[k + 2]) << c[0] << " " << k;
    }
}

TEST(RotorParameters, SettingTheControlFlag) {
    Fixture f;
    f.planes(3);
    f.r.setPlaneChannels(1, 0, 1);
    f.r.setPlaneChannels(3, 2, 0);
    for (int i = 0; i < 3; ++i) {
        f.at(i).distance1 = 10;
        f.at(i).distance2 = 20;
        f.at(i).distance3 = 30;
        f.at(i).radius = 100;
        f.at(i).radiusSmall = 90;
        f.at(i).radiusR1 = 80;
        f.at(i).trialMass = 5;
    }
    f.r.data().permissibleUnbalance = 44;
    f.r.data().mass = 12;
    ASSERT_TRUE(f.setFlag(kControlRotor, true));
    EXPECT_TRUE(f.r.isControlRotor());
    EXPECT_EQ(f.r.plane(1).channel1, 1u);
    EXPECT_EQ(f.r.plane(1).channel2, 0u);
    EXPECT_EQ(f.r.plane(3).channel1, 0u);
    EXPECT_EQ(f.r.plane(3).channel2, 2u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(f.at(i).distance1 + f.at(i).distance2 + f.at(i).distance3, 0.0);
        EXPECT_EQ(f.at(i).radius + f.at(i).radiusSmall + f.at(i).radiusR1, 0.0);
        EXPECT_EQ(f.at(i).trialMass, 5.0);
    }
    EXPECT_EQ(f.r.permissibleUnbalance(1), 0.0);
    EXPECT_EQ(f.r.rotorMass(), 0.0);

    // Set again while set: nothing else changes.
    f.r.data().permissibleUnbalance = 9;
    f.at(0).radius = 55;
    ASSERT_TRUE(f.setFlag(kControlRotor, true));
    EXPECT_EQ(f.r.permissibleUnbalance(1), 9.0);
    EXPECT_EQ(f.at(0).radius, 55.0);
    ASSERT_TRUE(f.setFlag(kControlRotor, false));
    EXPECT_FALSE(f.r.isControlRotor());
    EXPECT_EQ(f.r.permissibleUnbalance(1), 9.0);
}

TEST(RotorParameters, ControlRotorFirstDistanceGoesToPlanesOneAndTwo) {
    Fixture f;
    f.planes(3);
    f.r.data().controlRotor = true;
    f.at(0).distance1 = 1;
    ASSERT_TRUE(f.setPlane(2, kDistance1, "77"));
    EXPECT_EQ(f.at(1).distance1, 77.0);
    EXPECT_EQ(f.at(2).distance1, 77.0);
    EXPECT_EQ(f.at(0).distance1, 1.0);
    // Only planes that exist are written.
    f.planes(2);
    f.r.data().controlRotor = true;
    ASSERT_TRUE(f.setPlane(1, kDistance1, "12"));
    EXPECT_EQ(f.at(1).distance1, 12.0);
    EXPECT_EQ(f.r.planeCount(false), 2);
    // Distances of plane index 0 do not pass on to later planes.
    f.planes(3);
    ASSERT_TRUE(f.setPlane(0, kDistance2, "5"));
    EXPECT_EQ(f.at(0).distance2, 5.0);
    EXPECT_EQ(f.at(1).distance2, 0.0);
}

TEST(RotorParameters, DriveChangeTakesThatDrivesDefaults) {
    Fixture f;
    ASSERT_FALSE(f.r.isBeltDrive());
    EXPECT_FALSE(f.r.rotationDirection());
    const u32 belt[] = {kDrive, kDriveBelt};
    ASSERT_TRUE(f.r.setParameter(belt, 2, nullptr));
    EXPECT_TRUE(f.r.isBeltDrive());
    EXPECT_TRUE(f.r.rotationDirection());
    EXPECT_EQ(f.r.pulleyDiameter(true), 90.0);
    // A pulley already set stays.
    f.r.data().drivePulley = 120;
    const u32 end[] = {kDrive, kDriveEnd};
    ASSERT_TRUE(f.r.setParameter(end, 2, nullptr));
    EXPECT_FALSE(f.r.rotationDirection());
    ASSERT_TRUE(f.r.setParameter(belt, 2, nullptr));
    EXPECT_EQ(f.r.pulleyDiameter(true), 120.0);
}

TEST(RotorParameters, BadPathsSetNothing) {
    Fixture f;
    f.planes(2);
    const RotorData before = f.r.data();
    const u32 beyond[] = {kPlanes, 2, kRadius};
    EXPECT_FALSE(f.r.setParameter(beyond, 3, "5"));
    const u32 shortPath[] = {kPlanes, 0};
    EXPECT_FALSE(f.r.setParameter(shortPath, 2, "5"));
    EXPECT_FALSE(f.r.setParameter(shortPath, 1, "5"));
    EXPECT_FALSE(f.r.setParameter(nullptr, 1, "5"));
    EXPECT_FALSE(f.r.setParameter(shortPath, 0, "5"));
    const u32 unknown[] = {0xE63830};
    EXPECT_FALSE(f.r.setParameter(unknown, 1, "5"));
    const u32 unknownPlaneField[] = {kPlanes, 0, 0x10A481C};
    EXPECT_FALSE(f.r.setParameter(unknownPlaneField, 3, "5"));
    EXPECT_TRUE(Tris::equalRecords(before, f.r.data()));

    std::string text = "x";
    double value = -1;
    EXPECT_EQ(f.r.readParameter(beyond, 3, &text, &value), 0);
    EXPECT_EQ(text, "N/A");
    EXPECT_EQ(value, -1.0);
    EXPECT_EQ(f.r.readParameter(nullptr, 1, &text, &value), 0);
    EXPECT_EQ(f.r.readParameter(shortPath, 2, &text, nullptr), 0);
    EXPECT_EQ(f.r.readParameter(unknown, 1, &text, nullptr), 0);
    EXPECT_EQ(text, "N/A");
}

TEST(RotorParameters, ReadParameterKindsAndChecks) {
    setLanguage(true);
    Fixture f;
    f.planes(2);
    std::string text;
    double value = 0;
    const u32 speed[] = {kRotation};
    f.r.data().speed = 1000;
    EXPECT_EQ(f.r.readParameter(speed, 1, &text, &value), 3);
    EXPECT_EQ(text, "1000");
    EXPECT_EQ(value, 1000.0);
    f.r.data().speed = 1600;  // above the end drive's maximum
    EXPECT_EQ(f.r.readParameter(speed, 1, &text, &value), 6);
    EXPECT_EQ(text, "1600");
    EXPECT_EQ(value, 1600.0);

    const u32 mass[] = {kRotorMass};
    f.r.data().mass = 12.5;
    EXPECT_EQ(f.r.readParameter(mass, 1, &text, &value), 2);
    EXPECT_EQ(text, "12.5");
    setLanguage(false);
    EXPECT_EQ(f.r.readParameter(mass, 1, &text, nullptr), 2);
    EXPECT_EQ(text, "12,5");
    setLanguage(true);

    // A plane field at 0 is outside the limits; a choice answers its TextId.
    const u32 radius[] = {kPlanes, 1, kRadius};
    EXPECT_EQ(f.r.readParameter(radius, 3, &text, &value), 6);
    f.at(1).radius = 80;
    EXPECT_EQ(f.r.readParameter(radius, 3, &text, &value), 2);
    const u32 mode[] = {kPlanes, 1, kMode};
    EXPECT_EQ(f.r.readParameter(mode, 3, &text, nullptr), static_cast<int>(kModeAddition));
    // A bool: 5 set, 6 clear (not a limit check).
    const u32 control[] = {kControlRotor};
    EXPECT_EQ(f.r.readParameter(control, 1, nullptr, nullptr), 6);
    f.r.data().controlRotor = true;
    EXPECT_EQ(f.r.readParameter(control, 1, nullptr, nullptr), 5);
    // A text field.
    f.r.data().customer = std::string(600, 'a');
    const u32 customer[] = {kCustomer};
    EXPECT_EQ(f.r.readParameter(customer, 1, &text, nullptr), 1);
    EXPECT_EQ(text.size(), 500u);
    // A rotor field without a check is outside the limits.
    const u32 calibration[] = {kDriveCalibration};
    EXPECT_EQ(f.r.readParameter(calibration, 1, &text, nullptr), 6);

    std::string out;
    EXPECT_TRUE(f.r.rotorParameter(kCustomer, &out));
    EXPECT_FALSE(f.r.rotorParameter(0xE63830, &out));
    EXPECT_EQ(out, "N/A");
    EXPECT_TRUE(f.r.rotorParameter(kRotation, nullptr));
}

TEST(RotorParameters, LimitChecks) {
    Fixture f;
    const u32 speed[] = {kRotation};
    EXPECT_TRUE(f.r.validateRotorParameter(speed, 1, 400));
    EXPECT_TRUE(f.r.validateRotorParameter(speed, 1, 1500));
    EXPECT_FALSE(f.r.validateRotorParameter(speed, 1, 399));
    EXPECT_FALSE(f.r.validateRotorParameter(speed, 1, 1501));
    const u32 mass[] = {kRotorMass};
    EXPECT_TRUE(f.r.validateRotorParameter(mass, 1, 0.1));
    EXPECT_TRUE(f.r.validateRotorParameter(mass, 1, 100));
    EXPECT_FALSE(f.r.validateRotorParameter(mass, 1, 100.5));
    const u32 pulley[] = {kDrivePulley};
    EXPECT_TRUE(f.r.validateRotorParameter(pulley, 1, 0));  // end drive: always
    f.r.data().drive = kDriveBelt;
    EXPECT_FALSE(f.r.validateRotorParameter(pulley, 1, 0));
    EXPECT_TRUE(f.r.validateRotorParameter(pulley, 1, 80));
    const u32 pu[] = {kPermissibleUnbalance};
    EXPECT_FALSE(f.r.validateRotorParameter(pu, 1, 0));
    EXPECT_TRUE(f.r.validateRotorParameter(pu, 1, 0.5));
}

TEST(RotorParameters, DistanceRulesTwoPlanes) {
    Fixture f;
    f.planes(2);
    // F = 30 (plane index 0), Z = 100 and W = 50 (plane index 1); L = Z.
    f.at(0).distance1 = 30;
    f.at(1).distance1 = 100;
    f.at(1).distance2 = 50;

    // Rule 1: plane without channels.
    f.r.setPlaneChannels(1, 0, 0);
    f.r.setPlaneChannels(2, 0, 0);
    EXPECT_FALSE(f.distanceOk(0, 1, 99.9));
    EXPECT_TRUE(f.distanceOk(0, 1, 100));
    EXPECT_TRUE(f.distanceOk(0, 1, 150));
    EXPECT_FALSE(f.distanceOk(0, 1, 150.1));
    EXPECT_FALSE(f.distanceOk(1, 2, 99));
    EXPECT_TRUE(f.distanceOk(1, 2, 130));
    EXPECT_FALSE(f.distanceOk(1, 2, 131));
    EXPECT_TRUE(f.distanceOk(0, 2, 1e6));  // rule 5, not the last plane: rule 6, scheme 0
    EXPECT_TRUE(f.distanceOk(1, 1, -5));   // rule 6, scheme 0
    EXPECT_TRUE(f.distanceOk(0, 3, -5));

    // Rule 2: second channel only.
    f.r.setPlaneChannels(1, 0, 1);
    EXPECT_TRUE(f.distanceOk(0, 1, 100));
    EXPECT_FALSE(f.distanceOk(0, 1, 100.5));
    f.r.setPlaneChannels(2, 0, 2);
    EXPECT_TRUE(f.distanceOk(1, 1, 1e6));  // rule 6
    EXPECT_TRUE(f.distanceOk(1, 2, 1e6));  // rule 4 -> 5 (c2 set) -> 6

    // Rule 3: first channel only, second distance.
    f.r.setPlaneChannels(2, 2, 0);
    EXPECT_TRUE(f.distanceOk(1, 2, 100));
    EXPECT_FALSE(f.distanceOk(1, 2, 100.5));
    f.r.setPlaneChannels(1, 1, 0);
    EXPECT_TRUE(f.distanceOk(0, 2, 1e6));  // rule 5 -> 6
    // First channel only, first distance of the last plane: rule 5, v < L.
    EXPECT_TRUE(f.distanceOk(1, 1, 99.9));
    EXPECT_FALSE(f.distanceOk(1, 1, 100));
    EXPECT_TRUE(f.distanceOk(1, 1, 0));  // v = 0: rule 6
    // L = 0: rule 6.
    f.at(1).distance1 = 0;
    EXPECT_TRUE(f.distanceOk(1, 1, 500));

    // Through readParameter: 6 when the rule refuses.
    f.at(1).distance1 = 100;
    f.at(1).distance2 = 150;
    const u32 path[] = {kPlanes, 1, kDistance2};
    f.r.setPlaneChannels(2, 2, 0);
    EXPECT_EQ(f.r.readParameter(path, 3, nullptr, nullptr), 6);
    f.at(1).distance2 = 90;
    EXPECT_EQ(f.r.readParameter(path, 3, nullptr, nullptr), 2);
}

TEST(RotorParameters, DistanceRulesSchemeOneAndControlRotor) {
    Fixture f;
    f.planes(3);
    f.r.setPlaneChannels(1, 0, 1);
    f.r.setPlaneChannels(3, 2, 0);
    ASSERT_EQ(f.r.planeScheme(), 1);
    f.at(1).distance1 = 100;  // Z
    f.at(2).distance1 = 300;  // L
    f.at(2).distance2 = 40;
    // Rule 4, k = 1: v < Z for plane index 0 without a first channel.
    EXPECT_TRUE(f.distanceOk(0, 1, 99));
    EXPECT_FALSE(f.distanceOk(0, 1, 100));
    EXPECT_FALSE(f.distanceOk(0, 1, 0));   // rule 6: v > 0
    EXPECT_TRUE(f.distanceOk(1, 1, 5));    // rule 6
    EXPECT_FALSE(f.distanceOk(1, 1, -5));
    // Rule 4, k = 2 -> rule 5 on the last plane (second channel clear): v < L.
    EXPECT_TRUE(f.distanceOk(2, 2, 299));
    EXPECT_FALSE(f.distanceOk(2, 2, 300));
    EXPECT_TRUE(f.distanceOk(1, 2, 1000));  // not the last plane: rule 6
    // Rule 4, k = 3 -> rule 6.
    EXPECT_TRUE(f.distanceOk(0, 3, 1));
    EXPECT_FALSE(f.distanceOk(0, 3, 0));
    // Control rotor: a third distance below plane index 2's second distance.
    f.r.data().controlRotor = true;
    EXPECT_TRUE(f.distanceOk(0, 3, 39));
    EXPECT_FALSE(f.distanceOk(0, 3, 40));
    EXPECT_FALSE(f.distanceOk(0, 3, 0));
    EXPECT_TRUE(f.distanceOk(0, 3, -1));
    // One plane: rule 6 at once (scheme 0 accepts).
    f.planes(1);
    EXPECT_TRUE(f.distanceOk(0, 1, -3));
    EXPECT_FALSE(f.distanceOk(1, 1, 3));  // no such plane
}

TEST(RotorParameters, VisibleParameters) {
    Fixture f;
    f.planes(2);
    std::vector<u32> out{1, 2, 3};
    f.at(0).mode = kModeRemoval;
    f.at(0).mean = kMeanRadialDrilling;
    f.r.visibleParameters(&out, 1, 0);
    EXPECT_EQ(out, (std::vector<u32>{kRadius, kMode, kMean, kHoleDiameter, kDrillAngle, kWallThickness,
                                     kAdditionalHoles, kMaxDrillDepth, kDensity}));
    f.at(0).mean = kMeanEndDrilling;
    f.r.visibleParameters(&out, 1, 0);
    EXPECT_EQ(out.size(), 8u);
    EXPECT_EQ(out[0], kRadius);
    f.at(0).mean = kMeanFlatMilling;
    f.r.visibleParameters(&out, 1, 0);
    EXPECT_EQ(out, (std::vector<u32>{kRadius, kMode, kMean, kMillWidth, kMaxMillDepth, kMillSpeed, kDensity}));
    f.at(0).mean = kMeanIndexed;
    f.r.visibleParameters(&out, 1, 0);
    EXPECT_EQ(out, (std::vector<u32>{kRadius, kMode, kMean, kMinMass}));
    f.r.visibleParameters(&out, 1, kMean);
    EXPECT_EQ(out, (std::vector<u32>{kMeanArbitrary, kMeanEndDrilling, kMeanRadialDrilling, kMeanFlatMilling,
                                     kMeanArcMilling}));

    // Addition planes.
    f.r.visibleParameters(&out, 2, 0);
    EXPECT_EQ(out, (std::vector<u32>{kRadius, kMode, kMean, kMinMass}));
    f.at(1).mean = kMeanIndexed;
    f.r.visibleParameters(&out, 2, 0);
    EXPECT_EQ(out, (std::vector<u32>{kRadius, kMode, kMean, kMinMass, kMaxMass, kPositions}));
    f.at(1).mean = kMeanArc;
    f.r.visibleParameters(&out, 2, 0);
    EXPECT_EQ(out, (std::vector<u32>{kRadius, kMode, kMean, kMinMass, kLinearMass}));
    f.r.visibleParameters(&out, 2, kMean);
    EXPECT_EQ(out, (std::vector<u32>{kMeanArbitrary, kMeanIndexed, kMeanArc}));
    f.r.visibleParameters(&out, 2, kMode);
    EXPECT_EQ(out, (std::vector<u32>{kModeAddition, kModeRemoval, kModeCentering}));

    // Centering: radius and mode only, for the mean's choices too.
    f.at(1).mode = kModeCentering;
    f.r.visibleParameters(&out, 2, 0);
    EXPECT_EQ(out, (std::vector<u32>{kRadius, kMode}));
    f.r.visibleParameters(&out, 2, kMean);
    EXPECT_EQ(out, (std::vector<u32>{kRadius, kMode}));

    // No such plane.
    f.r.visibleParameters(&out, 3, 0);
    EXPECT_TRUE(out.empty());
    f.r.visibleParameters(nullptr, 1, 0);

    // Control rotor.
    f.r.data().controlRotor = true;
    f.r.visibleParameters(&out, 2, 0);
    EXPECT_EQ(out, (std::vector<u32>{kRadius, kRadiusSmall, kMassUmar}));
    f.r.visibleParameters(&out, 1, kMean);
    EXPECT_EQ(out, (std::vector<u32>{kRadius, kRadiusSmall, kRadiusR1, kMassStation, kMassTravel}));
}
