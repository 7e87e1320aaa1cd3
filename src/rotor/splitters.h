#pragma once
// Correction splitters: turn a share of a plane's correction at one fixed
// position (an indexed mass position or a hole of a drilling pattern) into
// what the operator does there, and share a whole correction over the
// positions (distribute).  One splitter serves one plane for one sharing.

#include <vector>

struct SplitItem {
    double angle = 0.0;   // the position's angle, degrees
    double amount = 0.0;  // the splitter's answer: a mass (g) or a depth (mm)
};

class ConstrSplitter {
public:
    // angularStep in radians; roundingStep the plane's minimum mass (0: no
    // rounding); maximum the plane's maximum mass (0: no limit); radius the
    // correction radius in mm.
    ConstrSplitter(double angularStep, double permissibleUnbalance, double roundingStep, double maximum,
                   double radius);

    // Fills item index with the mass (or depth) that corrects the unbalance
    // there and returns the unbalance it really corrects.
    virtual double amount(double unbalance, int index, bool exact);
    // Angle (degrees) at which the operator works for a correction at a.
    virtual double angle(double a);
    // Pieces per position.
    virtual int count();
    virtual ~ConstrSplitter();

    // Shares the unbalance U (g·mm) needed at angle (degrees) over the items,
    // walking outwards from the position nearest to where the correction
    // belongs.  True when the correction does not fit: the residual that the
    // placed amounts leave is above the permissible unbalance.
    bool distribute(double U, double angle);

    std::vector<SplitItem> items;
    double angularStep;
    double permissibleUnbalance;
    double roundingStep;
    double maximum;
    double radius;
    int walkDirection = 1;
    // The residual unbalance that the last distribute left (g·mm).
    double residual = 0.0;
};

class ConstrDrillSplitter : public ConstrSplitter {
public:
    // maximumDepth the plane's maximum hole depth (mm); includedAngle the
    // drill's point angle in degrees (see effectiveDrillAngle); density in
    // g/cm³; additionalHoles only counts for radial drilling.
    ConstrDrillSplitter(double permissibleUnbalance, double maximumDepth, double radius, double holeDiameter,
                        double wallThickness, double includedAngle, double density, bool radial,
                        int additionalHoles);

    double amount(double unbalance, int index, bool exact) override;
    double angle(double a) override;
    int count() override;

    // The unbalance (g·mm) that one hole of depth h (mm) removes.
    double holeMass(double h) const;
    // Height of the drill's conical tip (mm).
    double tipHeight() const;
    // The deepest hole the search considers: the plane's maximum depth, and
    // for radial drilling not beyond the radius.
    double deepestHole() const;

    double holeDiameter;
    double tipHalfAngle;  // radians
    double density;       // g/mm³
    bool radial;
    int holes;
};

// Holes drilled at one position: a radial row of the plane's additional
// holes and the first one, an end-drilled position one.  The depth of a split
// is computed for this many holes, and the operator is told this count.
int drillHoleCount(bool radial, int additionalHoles);

// The drill's included angle to use: the plane's when it is a real point angle
// (0 < a < 180), else the machine's, else the common 118°.
double effectiveDrillAngle(double planeAngle, double machineAngle);

// Angular step (radians) of a drilling pattern: one hole and one wall at the
// correction radius; 0 when the geometry is not usable.
double drillStep(double holeDiameter, double wallThickness, double radius);

// Number of holes that fit around the plane: the whole part of 2πR / (d + s),
// at most kMaxPlanePositions; 0 when R or d + s is not usable.
int drillPositionCount(double holeDiameter, double wallThickness, double radius);
