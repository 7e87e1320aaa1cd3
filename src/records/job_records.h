#pragma once
// The balancing-job records: the stored data of one rotor (RotorData, the
// content of a ".rotor" file) with its correction planes (Plane), its runs
// (Measurement), the results of a run (Result) and pairs of doubles (Vector).
// Each is a table of fields over the generic record layer; a field equal to
// the default of a freshly built record is not written.
//
// Units: the rotor's balancing speed in rpm, masses in grams (the rotor mass
// in kilograms), lengths in millimetres, unbalance in gram millimetres.
// Angles of Vector records are radians, angles of Plane records degrees.

#include <cstdint>
#include <string>
#include <vector>

#include "records/field_table.h"

namespace jobrec {

// Record type tags (group bases).
constexpr TextId kVectorType = 0xAEB000;
constexpr TextId kResultType = 0xEDB400;
constexpr TextId kMeasurementType = 0x136CC00;
constexpr TextId kPlaneType = 0x10A4800;
constexpr TextId kRotorDataType = 0xE63800;

// Choice groups of a plane and of the rotor's drive.
constexpr TextId kModeGroup = 0x1D9C400;
constexpr TextId kModeAddition = 0x1D9C401;   // "Addition of masses"
constexpr TextId kModeRemoval = 0x1D9C402;    // "Removing of masses"
constexpr TextId kModeCentering = 0x1D9C403;  // "Centering"

constexpr TextId kMeanGroup = 0x1D9C800;
constexpr TextId kMeanArbitrary = 0x1D9C801;      // "On arbitrary positions"
constexpr TextId kMeanIndexed = 0x1D9C802;        // "On indexed positions"
constexpr TextId kMeanArc = 0x1D9C803;            // "On arc"
constexpr TextId kMeanEndDrilling = 0x1D9C804;    // "End drilling"
constexpr TextId kMeanRadialDrilling = 0x1D9C805; // "Radial drilling"
constexpr TextId kMeanFlatMilling = 0x1D9C806;    // "Flat milling"
constexpr TextId kMeanArcMilling = 0x1D9C807;     // "Arc milling"

constexpr TextId kDriveGroup = 0x1C73000;
constexpr TextId kDriveEnd = 0x1C73001;   // "End"
constexpr TextId kDriveBelt = 0x1C73002;  // "Belt"

// Field tags of RotorData.
constexpr TextId kRotation = 0xE63801;
constexpr TextId kDirection = 0xE63802;
constexpr TextId kRotorMass = 0xE63803;
constexpr TextId kDrive = 0xE63804;
constexpr TextId kDrivePulley = 0xE63805;
constexpr TextId kRotorSurface = 0xE63806;
constexpr TextId kPermissibleUnbalance = 0xE63807;
constexpr TextId kPlanes = 0xE63808;
constexpr TextId kFactors = 0xE63809;
constexpr TextId kReferences = 0xE6380A;
constexpr TextId kInternalFactors = 0xE6380B;
constexpr TextId kResults = 0xE6380C;
constexpr TextId kDriveCalibration = 0xE6380D;
constexpr TextId kCalibrationRatio = 0xE6380E;
constexpr TextId kDocumentNumber = 0xE6380F;
constexpr TextId kCustomer = 0xE63810;
constexpr TextId kOperatorName = 0xE63811;
constexpr TextId kRuns = 0xE63812;
constexpr TextId kUnbalanceUnit = 0xE63813;
constexpr TextId kControlRotor = 0xE63814;
constexpr TextId kTestCompany = 0xE63815;
constexpr TextId kTestLocation = 0xE63816;

// Field tags of Plane.
constexpr TextId kChannel1 = 0x10A4801;
constexpr TextId kChannel2 = 0x10A4802;
constexpr TextId kRadius = 0x10A4803;
constexpr TextId kMode = 0x10A4804;
constexpr TextId kMean = 0x10A4805;
constexpr TextId kMinMass = 0x10A4806;
constexpr TextId kMaxMass = 0x10A4807;
constexpr TextId kPositions = 0x10A4808;
constexpr TextId kLinearMass = 0x10A4809;
constexpr TextId kHoleDiameter = 0x10A480A;
constexpr TextId kDrillAngle = 0x10A480B;
constexpr TextId kWallThickness = 0x10A480C;
constexpr TextId kMaxDrillDepth = 0x10A480D;
constexpr TextId kAdditionalHoles = 0x10A480E;
constexpr TextId kMillWidth = 0x10A480F;
constexpr TextId kMaxMillDepth = 0x10A4810;
constexpr TextId kMillSpeed = 0x10A4811;
constexpr TextId kDensity = 0x10A4812;
constexpr TextId kKeptTrialAngle = 0x10A4813;
constexpr TextId kDistance1 = 0x10A4814;
constexpr TextId kDistance2 = 0x10A4815;
constexpr TextId kDistance3 = 0x10A4816;
constexpr TextId kRadiusSmall = 0x10A4817;
constexpr TextId kRadiusR1 = 0x10A4818;
constexpr TextId kMassStation = 0x10A4819;
constexpr TextId kMassTravel = 0x10A481A;
constexpr TextId kMassUmar = 0x10A481B;
constexpr TextId kUnbalanceAmount = 0x10A481D;
constexpr TextId kUnbalanceAngle = 0x10A481E;
constexpr TextId kMassAmount = 0x10A481F;
constexpr TextId kMassAngle = 0x10A4820;
constexpr TextId kTrialMass = 0x10A4821;
constexpr TextId kTrialAngle = 0x10A4822;

// Field tags of Measurement, Result and Vector.
constexpr TextId kRunName = 0x136CC01;
constexpr TextId kRunOperator = 0x136CC02;
constexpr TextId kRunResults = 0x136CC03;
constexpr TextId kRunTime = 0x136CC04;
constexpr TextId kRunFlag = 0x136CC05;
constexpr TextId kResultMeasured = 0xEDB401;
constexpr TextId kResultUnbalance = 0xEDB402;
constexpr TextId kResultConverted = 0xEDB403;
constexpr TextId kResultExtra = 0xEDB404;
constexpr TextId kVectorFirst = 0xAEB001;
constexpr TextId kVectorSecond = 0xAEB002;

}  // namespace jobrec

// A pair of doubles; in the rotor's lists an amplitude and an angle in radians.
struct Vector : Tris::Record<Vector> {
    double amplitude = 0.0;  // 0xAEB001
    double angle = 0.0;      // 0xAEB002
    Vector() = default;
    Vector(double a, double b) : amplitude(a), angle(b) {}
    static const Tris::RecordTable& fields();
};

// One result of a run, per plane with a measuring channel.
struct Result : Tris::Record<Result> {
    Vector measured;         // 0xEDB401: measured vibration (amplitude, radians)
    Vector unbalance;        // 0xEDB402: the plane's unbalance (amplitude, radians)
    double converted = 0.0;  // 0xEDB403: measured amplitude converted to unbalance
    double extra = 0.0;      // 0xEDB404
    static const Tris::RecordTable& fields();
};

// One balancing run.
struct Measurement : Tris::Record<Measurement> {
    std::string name;             // 0x136CC01
    std::string operatorName;     // 0x136CC02
    std::vector<Result> results;  // 0x136CC03
    bool flag = false;            // 0x136CC05
    std::int64_t time = 0;        // 0x136CC04: seconds since 1970
    static const Tris::RecordTable& fields();
};

// One correction plane.
struct Plane : Tris::Record<Plane> {
    std::uint32_t channel1 = 0;             // 0x10A4801: first measuring channel (from 1), 0 none
    std::uint32_t channel2 = 0;             // 0x10A4802: second measuring channel
    double radius = 0.0;                    // 0x10A4803 "Correction radius, R"
    TextId mode = jobrec::kModeAddition;    // 0x10A4804 "Correction mode"
    TextId mean = jobrec::kMeanArbitrary;   // 0x10A4805 "Correction mean"
    double minMass = 0.0;                   // 0x10A4806
    double maxMass = 0.0;                   // 0x10A4807
    std::uint32_t positions = 3;            // 0x10A4808 "Number of positions in plane, N"
    double linearMass = 0.0;                // 0x10A4809
    double holeDiameter = 0.0;              // 0x10A480A
    double drillAngle = 0.0;                // 0x10A480B
    double wallThickness = 0.0;             // 0x10A480C
    double maxDrillDepth = 0.0;             // 0x10A480D
    std::uint32_t additionalHoles = 0;      // 0x10A480E
    double millWidth = 0.0;                 // 0x10A480F
    double maxMillDepth = 0.0;              // 0x10A4810
    double millSpeed = 0.0;                 // 0x10A4811
    double density = 7.8;                   // 0x10A4812 "Material density", g/cm^3
    double keptTrialAngle = 0.0;            // 0x10A4813
    double distance1 = 0.0;                 // 0x10A4814: plane layout distances
    double distance2 = 0.0;                 // 0x10A4815
    double distance3 = 0.0;                 // 0x10A4816
    double radiusSmall = 0.0;               // 0x10A4817 "Correction radius, r"
    double radiusR1 = 0.0;                  // 0x10A4818 "Correction radius, r~1"
    double massStation = 0.0;               // 0x10A4819
    double massTravel = 0.0;                // 0x10A481A
    double massUmar = 0.0;                  // 0x10A481B
    double unbalanceAmount = 0.0;           // 0x10A481D: current correction as unbalance
    double unbalanceAngle = 0.0;            // 0x10A481E
    double massAmount = 0.0;                // 0x10A481F: current correction as mass
    double massAngle = 0.0;                 // 0x10A4820
    double trialMass = 0.0;                 // 0x10A4821
    double trialAngle = 0.0;                // 0x10A4822 (degrees)
    static const Tris::RecordTable& fields();
};

// The stored data of one rotor.
struct RotorData : Tris::Record<RotorData> {
    std::uint32_t speed = 0;                  // 0xE63801 "Rotation", rpm
    bool direction = false;                   // 0xE63802 rotation direction
    double mass = 0.0;                        // 0xE63803 "Rotor mass", kg
    TextId drive = jobrec::kDriveEnd;         // 0xE63804 "Drive"
    std::uint32_t drivePulley = 0;            // 0xE63805 "Drive pulley", mm
    std::uint32_t rotorSurface = 0;           // 0xE63806 "Rotor surface", mm
    double permissibleUnbalance = 0.0;        // 0xE63807, g*mm
    std::vector<Plane> planes;                // 0xE63808
    std::vector<Vector> factors;              // 0xE63809 influence coefficients
    std::vector<Vector> references;           // 0xE6380A reference vectors
    bool internalFactors = false;             // 0xE6380B internal-factors mode
    std::vector<Vector> results;              // 0xE6380C saved result vectors
    double driveCalibration = 0.0;            // 0xE6380D
    double calibrationRatio = 0.0;            // 0xE6380E
    std::string documentNumber;               // 0xE6380F
    std::string customer;                     // 0xE63810
    std::string operatorName;                 // 0xE63811
    std::vector<Measurement> runs;            // 0xE63812
    double unbalanceUnit = 1.0;               // 0xE63813 unbalance unit factor
    bool controlRotor = false;                // 0xE63814 "Сontrol rotor"
    std::string testCompany;                  // 0xE63815
    std::string testLocation;                 // 0xE63816
    static const Tris::RecordTable& fields();
};
