#pragma once
// The type and field tags of the records and the ids of their choices: the
// one place that says which number a tag has.  The records (records/) read
// and write their fields by these names, the label tables of the texts
// (groups_records.cpp) give the same names their labels and units.

#include "texts/texts.h"

// ---- Balancing-job records (records/job_records.h) ---------------------------

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
constexpr TextId kMeanArbitrary = 0x1D9C801;       // "On arbitrary positions"
constexpr TextId kMeanIndexed = 0x1D9C802;         // "On indexed positions"
constexpr TextId kMeanArc = 0x1D9C803;             // "On arc"
constexpr TextId kMeanEndDrilling = 0x1D9C804;     // "End drilling"
constexpr TextId kMeanRadialDrilling = 0x1D9C805;  // "Radial drilling"
constexpr TextId kMeanFlatMilling = 0x1D9C806;     // "Flat milling"
constexpr TextId kMeanArcMilling = 0x1D9C807;      // "Arc milling"

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

// ---- Settings records (records/settings_records.h) -------------------------
// Each settings record takes its tags from the struct of its name here.

namespace settingtags {

struct Contact {
    static constexpr TextId kType = 0x1D8C800;
    static constexpr TextId kCompany = 0x1D8C801;
    static constexpr TextId kAddress = 0x1D8C802;
    static constexpr TextId kPhones = 0x1D8C803;
    static constexpr TextId kEmailWeb = 0x1D8C804;
    static constexpr TextId kAddress2 = 0x1D8C805;
    static constexpr TextId kPhones2 = 0x1D8C806;
};

struct Info {
    static constexpr TextId kType = 0x1796800;
    static constexpr TextId kModel = 0x1796801;
    static constexpr TextId kSerialNumber = 0x1796802;
    static constexpr TextId kYear = 0x1796803;
    static constexpr TextId kManufacturer = 0x1796804;
};

struct Limit {
    static constexpr TextId kType = 0x14BCC00;
    static constexpr TextId kMinimum = 0x14BCC01;
    static constexpr TextId kMaximum = 0x14BCC02;
};

struct LocalConfig {
    static constexpr TextId kType = 0x1DD5000;
    static constexpr TextId kRotorsBalanced = 0x1DD5001;
    static constexpr TextId kText2 = 0x1DD5002;
    static constexpr TextId kOperatorName = 0x1DD5003;
    static constexpr TextId kOperatorAccess = 0x1DD5004;
    static constexpr TextId kCorrectionOption = 0x1DD5005;
    static constexpr TextId kFlag6 = 0x1DD5006;
    static constexpr TextId kFlag7 = 0x1DD5007;
    static constexpr TextId kServiceAccess = 0x1DD5008;
    static constexpr TextId kBanner = 0x1DD5009;
    static constexpr TextId kHeader1 = 0x1DD500A;
    static constexpr TextId kHeader2 = 0x1DD500B;
    static constexpr TextId kHeader3 = 0x1DD500C;
    static constexpr TextId kHeader4 = 0x1DD500D;
};

struct AutosettingData {
    static constexpr TextId kType = 0x1F6F000;
    static constexpr TextId kValue1 = 0x1F6F001;
    static constexpr TextId kValue2 = 0x1F6F002;
    static constexpr TextId kValue3 = 0x1F6F003;
    static constexpr TextId kValue4 = 0x1F6F004;
};

struct AccDec {
    static constexpr TextId kType = 0x1FEF400;
    static constexpr TextId kAcceleration = 0x1FEF401;
    static constexpr TextId kDeceleration = 0x1FEF402;
};

struct EngineParams {
    static constexpr TextId kType = 0x1B96400;
    static constexpr TextId kLoadParameters = 0x1B96408;
    static constexpr TextId kRatedPower = 0x1B96401;
    static constexpr TextId kRatedVoltage = 0x1B96402;
    static constexpr TextId kRatedCurrent = 0x1B96403;
    static constexpr TextId kRatedFrequency = 0x1B96404;
    static constexpr TextId kRatedSpeed = 0x1B96405;
    static constexpr TextId kPoles = 0x1B96406;
    static constexpr TextId kAutoAdjusting = 0x1B96407;
};

struct ExtError {
    static constexpr TextId kType = 0x1BDB800;
    static constexpr TextId kMessage = 0x1BDB801;
};

struct Inverter {
    static constexpr TextId kType = 0x1792800;
    static constexpr TextId kInverterType = 0x1792801;
    static constexpr TextId kAddress = 0x1792802;
};

struct Channel {
    static constexpr TextId kType = 0x1DC4800;
    static constexpr TextId kActive = 0x1DC4801;
    static constexpr TextId kGain = 0x1DC4802;
    static constexpr TextId kAutoGain = 0x1DC4803;
    static constexpr TextId kSensitivity = 0x1DC4804;
    static constexpr TextId kAmplifierRatio = 0x1DC4805;
    static constexpr TextId kPcbRatio = 0x1DC4806;
    static constexpr TextId kPhaseShift = 0x1DC4807;
    static constexpr TextId kSoftBearing = 0x1DC4808;
};

struct Operator {
    static constexpr TextId kType = 0x1183800;
    static constexpr TextId kName = 0x1183801;
    static constexpr TextId kAccess = 0x1183802;
    static constexpr TextId kPin = 0x1183803;
};

struct Material {
    static constexpr TextId kType = 0x1363800;
    static constexpr TextId kName = 0x1363801;
    static constexpr TextId kDensity = 0x1363802;
};

struct Drive {
    static constexpr TextId kType = 0x1C72800;
    static constexpr TextId kActive = 0x1C72801;
    static constexpr TextId kExternal = 0x1C72802;
    static constexpr TextId kDrive = 0x1C72803;
    static constexpr TextId kDriveRatio = 0x1C72804;
    static constexpr TextId kMaxSpeed = 0x1C72805;
    static constexpr TextId kRatedTorque = 0x1C72806;
    static constexpr TextId kRatedMotorSpeed = 0x1C72807;
    static constexpr TextId kAutotuningFrequency = 0x1C72808;
    static constexpr TextId kDefaultDirection = 0x1C7280A;
    static constexpr TextId kUnidirectional = 0x1C7280B;
    static constexpr TextId kPulleyDiameter = 0x1C7280C;
    static constexpr TextId kAutosetting = 0x1C7283E;
    static constexpr TextId kAccDecCurve = 0x1C7280F;
    static constexpr TextId kAccDecTime = 0x1C72810;
    static constexpr TextId kAccDecFactors = 0x1C72811;
    static constexpr TextId kStabilizationAccuracy = 0x1C72814;
    static constexpr TextId kStabilizationFromDrive = 0x1C72815;
    static constexpr TextId kStabilizationFactor = 0x1C72816;
    static constexpr TextId kStabilizationAttempts = 0x1C72817;
    static constexpr TextId kUsedPhasor = 0x1C72839;
    static constexpr TextId kAngleTuningAccuracy = 0x1C72828;
    static constexpr TextId kExternalPhasor = 0x1C72829;
    static constexpr TextId kPhasorTimeout = 0x1C7282A;
    static constexpr TextId kEncoderSpeedThreshold = 0x1C7282B;
    static constexpr TextId kPositionTurnActive = 0x1C7282C;
    static constexpr TextId kPositionTurn = 0x1C7282D;
    static constexpr TextId kPositionTurnSpeed = 0x1C7282E;
    static constexpr TextId kPositionTurnAccuracy = 0x1C7282F;
    static constexpr TextId kReverseFeed = 0x1C72832;
    static constexpr TextId kBrakeInstalled = 0x1C72837;
    static constexpr TextId kBrakeHoldTime = 0x1C72838;
    static constexpr TextId kEngine = 0x1C7283A;
    static constexpr TextId kExtErrorStartBit = 0x1C7283B;
    static constexpr TextId kExtErrorCount = 0x1C7283C;
    static constexpr TextId kExtErrors = 0x1C7283D;
    static constexpr TextId kLineSpeed = 0x1C7283F;
    static constexpr TextId kSeamOverlap = 0x1C72840;
    static constexpr TextId kTackTime = 0x1C72841;
    static constexpr TextId kReverseTurning = 0x1C72842;
    static constexpr TextId kTurnSpeed = 0x1C72843;
    static constexpr TextId kReversePermitted = 0x1C72844;
    static constexpr TextId kEncoderResolution = 0x1C72845;
    static constexpr TextId kEncoderRatio = 0x1C72846;
    static constexpr TextId kGearRatio = 0x1C72847;
};

struct Config {
    static constexpr TextId kType = 0x1DD6400;
    static constexpr TextId kLanguage = 0x1DD6401;
    static constexpr TextId kLocal = 0x1DD6402;
    static constexpr TextId kCompany = 0x1DD6403;
    static constexpr TextId kMachineInfo = 0x1DD6404;
    static constexpr TextId kInstrumentInfo = 0x1DD6405;
    static constexpr TextId kServiceContacts = 0x1DD6406;
    static constexpr TextId kServicePeriod = 0x1DD6407;
    static constexpr TextId kRotorsBalanced = 0x1DD6408;
    static constexpr TextId kDataCollection = 0x1DD64CE;
    static constexpr TextId kBalancingAccuracy = 0x1DD6409;
    static constexpr TextId kReductionRatio = 0x1DD640A;
    static constexpr TextId kCompensatorDeviation = 0x1DD64D2;
    static constexpr TextId kTorqueInfluence = 0x1DD64D1;
    static constexpr TextId kWeightLimit = 0x1DD640B;
    static constexpr TextId kSpeedLimit = 0x1DD640C;
    static constexpr TextId kInverters = 0x1DD64C8;
    static constexpr TextId kMachineInterface = 0x1DD64C9;
    static constexpr TextId kExternalWelding = 0x1DD64CF;
    static constexpr TextId kExternalWeldingControl = 0x1DD64D0;
    static constexpr TextId kEndDrive = 0x1DD640D;
    static constexpr TextId kBeltDrive = 0x1DD640E;
    static constexpr TextId kMillDrive = 0x1DD640F;
    static constexpr TextId kWeldDrive = 0x1DD6411;
    static constexpr TextId kChannels = 0x1DD6410;
    static constexpr TextId kMeasurementCycles = 0x1DD641E;
    static constexpr TextId kAmplitudeDeviation = 0x1DD641F;
    static constexpr TextId kTestMeasurements = 0x1DD6420;
    static constexpr TextId kFilterBoard = 0x1DD64CA;
    static constexpr TextId kAlwaysShowSignals = 0x1DD6428;
    static constexpr TextId kTrialWeightHints = 0x1DD642A;
    static constexpr TextId kInterfaceRotation = 0x1DD642B;
    static constexpr TextId kReverseAngle = 0x1DD642C;
    static constexpr TextId kAngleMarkPosition = 0x1DD642D;
    static constexpr TextId kAngleAccuracy = 0x1DD642E;
    static constexpr TextId kTestInMicrons = 0x1DD642F;
    static constexpr TextId kPrinterConnected = 0x1DD6430;
    static constexpr TextId kSpeedBufferSize = 0x1DD643C;
    static constexpr TextId kSpeedPeriod = 0x1DD643D;
    static constexpr TextId kRevolutionsBefore = 0x1DD643E;
    static constexpr TextId kGainReduceThreshold = 0x1DD6446;
    static constexpr TextId kGainIncreaseThreshold = 0x1DD6447;
    static constexpr TextId kEmergencyStop = 0x1DD6448;
    static constexpr TextId kDrillAngle = 0x1DD644A;
    static constexpr TextId kMaterials = 0x1DD644B;
    static constexpr TextId kOperators = 0x1DD644E;
    static constexpr TextId kExtErrorStartBit = 0x1DD64CB;
    static constexpr TextId kExtErrorCount = 0x1DD64CC;
    static constexpr TextId kExtErrors = 0x1DD64CD;
};

}  // namespace settingtags

// The choice groups of the settings.
namespace settings_choice {
constexpr TextId kVersionGroup = 0x1CEB400;  // data collection system type
constexpr TextId kVersion1 = 0x1CEB401;      // older measuring controller
constexpr TextId kVersion2 = 0x1CEB402;      // measuring controller
constexpr TextId kMachineLayoutGroup = 0x1364000;
constexpr TextId kHorizontal = 0x1364001;
constexpr TextId kVertical = 0x1364002;
constexpr TextId kConsole = 0x1364003;
constexpr TextId kPhasorGroup = 0x10C3000;
constexpr TextId kWithoutPhasor = 0x10C3001;
constexpr TextId kOptic1 = 0x10C3002;
constexpr TextId kEncoder1 = 0x10C3003;
constexpr TextId kOptic2 = 0x10C3004;
constexpr TextId kEncoder2 = 0x10C3005;
constexpr TextId kAutoTuningGroup = 0x1FFB000;
constexpr TextId kAutoTuningOff = 0x1FFB001;
constexpr TextId kAutoTuningStatic = 0x1FFB002;
constexpr TextId kAutoTuningDynamic = 0x1FFB003;
constexpr TextId kInverterModelGroup = 0x1793000;
constexpr TextId kSchneiderAtv12 = 0x1793001;  // the first model; the others follow in the models' group
}  // namespace settings_choice
