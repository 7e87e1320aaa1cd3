#include "records/job_records.h"

using namespace jobrec;

const Tris::RecordTable& Vector::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::real<&Vector::amplitude>(kVectorFirst),
        Tris::real<&Vector::angle>(kVectorSecond),
    };
    static const Tris::RecordTable t{kVectorType, "Vector", f};
    return t;
}

const Tris::RecordTable& Result::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::record<&Result::measured>(kResultMeasured),
        Tris::record<&Result::unbalance>(kResultUnbalance),
        Tris::real<&Result::converted>(kResultConverted),
        Tris::real<&Result::extra>(kResultExtra),
    };
    static const Tris::RecordTable t{kResultType, "Result", f};
    return t;
}

const Tris::RecordTable& Measurement::fields() {
    // The flag is written before the time.
    static const Tris::FieldDesc f[] = {
        Tris::text<&Measurement::name>(kRunName),
        Tris::text<&Measurement::operatorName>(kRunOperator),
        Tris::list<&Measurement::results>(kRunResults),
        Tris::flag<&Measurement::flag>(kRunFlag),
        Tris::i64<&Measurement::time>(kRunTime),
    };
    static const Tris::RecordTable t{kMeasurementType, "Measurement", f};
    return t;
}

const Tris::RecordTable& Plane::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::u32<&Plane::channel1>(kChannel1),
        Tris::u32<&Plane::channel2>(kChannel2),
        Tris::real<&Plane::radius>(kRadius),
        Tris::choice<&Plane::mode>(kMode, kModeGroup),
        Tris::choice<&Plane::mean>(kMean, kMeanGroup),
        Tris::real<&Plane::minMass>(kMinMass),
        Tris::real<&Plane::maxMass>(kMaxMass),
        Tris::u32<&Plane::positions>(kPositions),
        Tris::real<&Plane::linearMass>(kLinearMass),
        Tris::real<&Plane::holeDiameter>(kHoleDiameter),
        Tris::real<&Plane::drillAngle>(kDrillAngle),
        Tris::real<&Plane::wallThickness>(kWallThickness),
        Tris::real<&Plane::maxDrillDepth>(kMaxDrillDepth),
        Tris::u32<&Plane::additionalHoles>(kAdditionalHoles),
        Tris::real<&Plane::millWidth>(kMillWidth),
        Tris::real<&Plane::maxMillDepth>(kMaxMillDepth),
        Tris::real<&Plane::millSpeed>(kMillSpeed),
        Tris::real<&Plane::density>(kDensity),
        Tris::real<&Plane::keptTrialAngle>(kKeptTrialAngle),
        Tris::real<&Plane::distance1>(kDistance1),
        Tris::real<&Plane::distance2>(kDistance2),
        Tris::real<&Plane::distance3>(kDistance3),
        Tris::real<&Plane::radiusSmall>(kRadiusSmall),
        Tris::real<&Plane::radiusR1>(kRadiusR1),
        Tris::real<&Plane::massStation>(kMassStation),
        Tris::real<&Plane::massTravel>(kMassTravel),
        Tris::real<&Plane::massUmar>(kMassUmar),
        Tris::real<&Plane::unbalanceAmount>(kUnbalanceAmount),
        Tris::real<&Plane::unbalanceAngle>(kUnbalanceAngle),
        Tris::real<&Plane::massAmount>(kMassAmount),
        Tris::real<&Plane::massAngle>(kMassAngle),
        Tris::real<&Plane::trialMass>(kTrialMass),
        Tris::real<&Plane::trialAngle>(kTrialAngle),
    };
    static const Tris::RecordTable t{kPlaneType, "Plane", f};
    return t;
}

const Tris::RecordTable& RotorData::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::u32<&RotorData::speed>(kRotation),
        Tris::flag<&RotorData::direction>(kDirection),
        Tris::real<&RotorData::mass>(kRotorMass),
        Tris::choice<&RotorData::drive>(kDrive, kDriveGroup),
        Tris::u32<&RotorData::drivePulley>(kDrivePulley),
        Tris::u32<&RotorData::rotorSurface>(kRotorSurface),
        Tris::real<&RotorData::permissibleUnbalance>(kPermissibleUnbalance),
        Tris::list<&RotorData::planes>(kPlanes),
        Tris::list<&RotorData::factors>(kFactors),
        Tris::list<&RotorData::references>(kReferences),
        Tris::flag<&RotorData::internalFactors>(kInternalFactors),
        Tris::list<&RotorData::results>(kResults),
        Tris::real<&RotorData::driveCalibration>(kDriveCalibration),
        Tris::real<&RotorData::calibrationRatio>(kCalibrationRatio),
        Tris::text<&RotorData::documentNumber>(kDocumentNumber),
        Tris::text<&RotorData::customer>(kCustomer),
        Tris::text<&RotorData::operatorName>(kOperatorName),
        Tris::list<&RotorData::runs>(kRuns),
        Tris::real<&RotorData::unbalanceUnit>(kUnbalanceUnit),
        Tris::flag<&RotorData::controlRotor>(kControlRotor),
        Tris::text<&RotorData::testCompany>(kTestCompany),
        Tris::text<&RotorData::testLocation>(kTestLocation),
    };
    static const Tris::RecordTable t{kRotorDataType, "RotorData", f};
    return t;
}
