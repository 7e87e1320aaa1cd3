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
#include "texts/record_tags.h"

// A pair of doubles; in the rotor's lists an amplitude and an angle in radians.
struct Vector : Tris::Record<Vector> {
    double amplitude = 0.0;
    double angle = 0.0;
    Vector() = default;
    Vector(double a, double b) : amplitude(a), angle(b) {}
    static const Tris::RecordTable& fields();
};

// One result of a run, per plane with a measuring channel.
struct Result : Tris::Record<Result> {
    Vector measured;         // measured vibration (amplitude, radians)
    Vector unbalance;        // the plane's unbalance (amplitude, radians)
    double converted = 0.0;  // measured amplitude converted to unbalance
    double extra = 0.0;
    static const Tris::RecordTable& fields();
};

// One balancing run.
struct Measurement : Tris::Record<Measurement> {
    std::string name;
    std::string operatorName;
    std::vector<Result> results;
    bool flag = false;
    std::int64_t time = 0;        // seconds since 1970
    static const Tris::RecordTable& fields();
};

// One correction plane.
struct Plane : Tris::Record<Plane> {
    std::uint32_t channel1 = 0;             // first measuring channel (from 1), 0 none
    std::uint32_t channel2 = 0;             // second measuring channel
    double radius = 0.0;                    // "Correction radius, R"
    TextId mode = jobrec::kModeAddition;    // "Correction mode"
    TextId mean = jobrec::kMeanArbitrary;   // "Correction mean"
    double minMass = 0.0;
    double maxMass = 0.0;
    std::uint32_t positions = 3;            // "Number of positions in plane, N"
    double linearMass = 0.0;
    double holeDiameter = 0.0;
    double drillAngle = 0.0;
    double wallThickness = 0.0;
    double maxDrillDepth = 0.0;
    std::uint32_t additionalHoles = 0;
    double millWidth = 0.0;
    double maxMillDepth = 0.0;
    double millSpeed = 0.0;
    double density = 7.8;                   // "Material density", g/cm^3
    double keptTrialAngle = 0.0;
    double distance1 = 0.0;                 // plane layout distances
    double distance2 = 0.0;
    double distance3 = 0.0;
    double radiusSmall = 0.0;               // "Correction radius, r"
    double radiusR1 = 0.0;                  // "Correction radius, r~1"
    double massStation = 0.0;
    double massTravel = 0.0;
    double massUmar = 0.0;
    double unbalanceAmount = 0.0;           // current correction as unbalance
    double unbalanceAngle = 0.0;
    double massAmount = 0.0;                // current correction as mass
    double massAngle = 0.0;
    double trialMass = 0.0;
    double trialAngle = 0.0;                // (degrees)
    static const Tris::RecordTable& fields();
};

// The stored data of one rotor.
struct RotorData : Tris::Record<RotorData> {
    std::uint32_t speed = 0;                  // "Rotation", rpm
    bool direction = false;                   // rotation direction
    double mass = 0.0;                        // "Rotor mass", kg
    TextId drive = jobrec::kDriveEnd;         // "Drive"
    std::uint32_t drivePulley = 0;            // "Drive pulley", mm
    std::uint32_t rotorSurface = 0;           // "Rotor surface", mm
    double permissibleUnbalance = 0.0;        // g*mm
    std::vector<Plane> planes;
    std::vector<Vector> factors;              // influence coefficients
    std::vector<Vector> references;           // reference vectors
    bool internalFactors = false;             // internal-factors mode
    std::vector<Vector> results;              // saved result vectors
    double driveCalibration = 0.0;
    double calibrationRatio = 0.0;
    std::string documentNumber;
    std::string customer;
    std::string operatorName;
    std::vector<Measurement> runs;
    double unbalanceUnit = 1.0;               // unbalance unit factor
    bool controlRotor = false;                // "Сontrol rotor"
    std::string testCompany;
    std::string testLocation;
    static const Tris::RecordTable& fields();
};
