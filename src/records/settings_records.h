#pragma once
// The settings tree: the root Config with its member records (LocalConfig,
// Contact, Info, Limit), the drive records (Drive, EngineParams,
// AutosettingData, AccDec) and the list elements (Inverter, Channel,
// Operator, Material, ExtError).
//
// Every record is a field table over the record layer (records/field_table.h):
// fields are written in the order they are listed here when they differ from a
// default record of the type (a member record from the same member of the
// default parent, a list element from a default element; every list element is
// written).  Nothing here checks a range: values set from text are read as the
// C library's atof reads them (integers truncated toward zero and clamped into
// their type, NaN giving 0), values read from a file are taken as they stand.
//
// Field tags are the kXxx constants of each record; a choice field holds the
// TextId of the chosen item of its group.  Copies are deep (members, lists
// element by element, unknown items); Tris::equalRecords compares deeply.

#include <cstdint>
#include <string>
#include <vector>

#include "records/field_table.h"

// A company's or a person's contact texts.
struct Contact : Tris::Record<Contact> {
    static constexpr TextId kType = 0x1D8C800;
    static constexpr TextId kCompany = 0x1D8C801;
    static constexpr TextId kAddress = 0x1D8C802;
    static constexpr TextId kPhones = 0x1D8C803;
    static constexpr TextId kEmailWeb = 0x1D8C804;
    static constexpr TextId kAddress2 = 0x1D8C805;
    static constexpr TextId kPhones2 = 0x1D8C806;

    std::string company;
    std::string address;
    std::string phones;
    std::string emailWeb;
    std::string address2;
    std::string phones2;

    static const Tris::RecordTable& fields();
};

// A device's identity.
struct Info : Tris::Record<Info> {
    static constexpr TextId kType = 0x1796800;
    static constexpr TextId kModel = 0x1796801;
    static constexpr TextId kSerialNumber = 0x1796802;
    static constexpr TextId kYear = 0x1796803;
    static constexpr TextId kManufacturer = 0x1796804;

    std::string model;
    std::string serialNumber = "-";
    std::int32_t year = 2020;
    Contact manufacturer;

    static const Tris::RecordTable& fields();
};

// A range of two reals; its unit is that of the field holding it.
struct Limit : Tris::Record<Limit> {
    static constexpr TextId kType = 0x14BCC00;
    static constexpr TextId kMinimum = 0x14BCC01;
    static constexpr TextId kMaximum = 0x14BCC02;

    double minimum = 0.0;
    double maximum = 0.0;

    Limit() = default;
    Limit(double minimumValue, double maximumValue) : minimum(minimumValue), maximum(maximumValue) {}
    static const Tris::RecordTable& fields();
};

// The part of the settings that belongs to this run; never written to the
// settings file (its type tag is excluded by the settings load).
struct LocalConfig : Tris::Record<LocalConfig> {
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

    std::uint32_t rotorsBalanced = 0;
    std::string text2;
    std::string operatorName;
    bool operatorAccess = false;
    bool correctionOption = false;
    bool flag6 = false;
    bool flag7 = false;
    bool serviceAccess = false;
    std::string banner;
    std::string header1;
    std::string header2;
    std::string header3;
    std::string header4;

    static const Tris::RecordTable& fields();
};

// Four unlabelled calibration values of a drive (two pairs).
struct AutosettingData : Tris::Record<AutosettingData> {
    static constexpr TextId kType = 0x1F6F000;
    static constexpr TextId kValue1 = 0x1F6F001;
    static constexpr TextId kValue2 = 0x1F6F002;
    static constexpr TextId kValue3 = 0x1F6F003;
    static constexpr TextId kValue4 = 0x1F6F004;

    double value1 = 0.0;
    double value2 = 0.0;
    double value3 = 0.0;
    double value4 = 0.0;

    static const Tris::RecordTable& fields();
};

// An acceleration and deceleration pair; its unit is that of the holding field.
struct AccDec : Tris::Record<AccDec> {
    static constexpr TextId kType = 0x1FEF400;
    static constexpr TextId kAcceleration = 0x1FEF401;
    static constexpr TextId kDeceleration = 0x1FEF402;

    double acceleration = 0.0;
    double deceleration = 0.0;

    AccDec() = default;
    AccDec(double accelerationValue, double decelerationValue)
        : acceleration(accelerationValue), deceleration(decelerationValue) {}
    static const Tris::RecordTable& fields();
};

// The rated data of the motor that a drive's inverter turns.
struct EngineParams : Tris::Record<EngineParams> {
    static constexpr TextId kType = 0x1B96400;
    static constexpr TextId kLoadParameters = 0x1B96408;
    static constexpr TextId kRatedPower = 0x1B96401;
    static constexpr TextId kRatedVoltage = 0x1B96402;
    static constexpr TextId kRatedCurrent = 0x1B96403;
    static constexpr TextId kRatedFrequency = 0x1B96404;
    static constexpr TextId kRatedSpeed = 0x1B96405;
    static constexpr TextId kPoles = 0x1B96406;
    static constexpr TextId kAutoAdjusting = 0x1B96407;

    bool loadParameters = true;
    double ratedPower = 2.2;
    double ratedVoltage = 230.0;
    double ratedCurrent = 9.0;
    double ratedFrequency = 50.0;
    double ratedSpeed = 1400.0;
    std::uint32_t poles = 4;
    TextId autoAdjusting = 0x1FFB003;

    static const Tris::RecordTable& fields();
};

// The message of one additional error bit.
struct ExtError : Tris::Record<ExtError> {
    static constexpr TextId kType = 0x1BDB800;
    static constexpr TextId kMessage = 0x1BDB801;

    std::string message;

    static const Tris::RecordTable& fields();
};

// One frequency inverter on the machine's bus.
struct Inverter : Tris::Record<Inverter> {
    static constexpr TextId kType = 0x1792800;
    static constexpr TextId kInverterType = 0x1792801;
    static constexpr TextId kAddress = 0x1792802;

    TextId inverterType = 0x1793001;
    std::int32_t address = 0;

    static const Tris::RecordTable& fields();
};

// One vibration measuring channel; its list index is the channel number from 0.
struct Channel : Tris::Record<Channel> {
    static constexpr TextId kType = 0x1DC4800;
    static constexpr TextId kActive = 0x1DC4801;
    static constexpr TextId kGain = 0x1DC4802;
    static constexpr TextId kAutoGain = 0x1DC4803;
    static constexpr TextId kSensitivity = 0x1DC4804;
    static constexpr TextId kAmplifierRatio = 0x1DC4805;
    static constexpr TextId kPcbRatio = 0x1DC4806;
    static constexpr TextId kPhaseShift = 0x1DC4807;
    static constexpr TextId kSoftBearing = 0x1DC4808;

    bool active = false;
    std::int32_t gain = 3;
    bool autoGain = true;
    double sensitivity = 0.0;
    double amplifierRatio = 0.000305;
    double pcbRatio = 0.0;
    std::int32_t phaseShift = 0;
    bool softBearing = false;

    static const Tris::RecordTable& fields();
};

// One person who may log in.
struct Operator : Tris::Record<Operator> {
    static constexpr TextId kType = 0x1183800;
    static constexpr TextId kName = 0x1183801;
    static constexpr TextId kAccess = 0x1183802;
    static constexpr TextId kPin = 0x1183803;

    std::string name;
    bool access = false;
    std::uint32_t pin = 0;

    static const Tris::RecordTable& fields();
};

// One material of correction weights.
struct Material : Tris::Record<Material> {
    static constexpr TextId kType = 0x1363800;
    static constexpr TextId kName = 0x1363801;
    static constexpr TextId kDensity = 0x1363802;

    std::string name;
    double density = 0.0;

    static const Tris::RecordTable& fields();
};

// One drive of the machine (End, Belt, Mill, Weld).
struct Drive : Tris::Record<Drive> {
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

    bool active = false;
    bool external = false;
    std::int32_t drive = 0;
    double driveRatio = 1.0;
    double maxSpeed = 1000.0;
    double ratedTorque = 10.0;
    double ratedMotorSpeed = 0.0;
    double autotuningFrequency = 0.0;
    bool defaultDirection = false;
    bool unidirectional = false;
    std::uint32_t pulleyDiameter = 70;
    AutosettingData autosetting;
    std::uint32_t accDecCurve = 0;
    AccDec accDecTime{2.0, 2.0};
    AccDec accDecFactors{1.0, 1.0};
    double stabilizationAccuracy = 0.004;
    bool stabilizationFromDrive = false;
    double stabilizationFactor = 0.02;
    std::uint32_t stabilizationAttempts = 50;
    TextId usedPhasor = 0x10C3001;
    std::uint32_t angleTuningAccuracy = 2;
    bool externalPhasor = false;
    std::uint32_t phasorTimeout = 15;
    std::uint32_t encoderSpeedThreshold = 100;
    bool positionTurnActive = false;
    std::int32_t positionTurn = 0;
    double positionTurnSpeed = 0.0;
    double positionTurnAccuracy = 10.0;
    bool reverseFeed = false;
    bool brakeInstalled = false;
    double brakeHoldTime = 60.0;
    EngineParams engine;
    std::uint32_t extErrorStartBit = 0;
    std::uint32_t extErrorCount = 0;
    std::vector<ExtError> extErrors;
    std::int32_t lineSpeed = 315;
    std::int32_t seamOverlap = 15;
    double tackTime = 1.5;
    bool reverseTurning = false;
    double turnSpeed = 0.5;
    bool reversePermitted = true;
    std::uint32_t encoderResolution = 10000;
    double encoderRatio = 1.0;
    double gearRatio = 61.0;

    static const Tris::RecordTable& fields();
};

// The root of the settings tree: one instance, owned by the operator interface.
struct Config : Tris::Record<Config> {
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

    std::int32_t language = 0;
    LocalConfig local;
    Contact company;
    Info machineInfo;
    Info instrumentInfo;
    Contact serviceContacts;
    std::int32_t servicePeriod = 100000;
    std::int32_t rotorsBalanced = 0;
    TextId dataCollection = 0x1CEB401;
    double balancingAccuracy = 0.4;
    double reductionRatio = 90.0;
    double compensatorDeviation = 5.0;
    double torqueInfluence = 10.0;
    Limit weightLimit{0.1, 100.0};
    Limit speedLimit{400.0, 2000.0};
    std::vector<Inverter> inverters;
    TextId machineInterface = 0x1364001;
    bool externalWelding = false;
    bool externalWeldingControl = false;
    Drive endDrive;
    Drive beltDrive;
    Drive millDrive;
    Drive weldDrive;
    std::vector<Channel> channels;
    std::uint32_t measurementCycles = 5;
    double amplitudeDeviation = 3.0;
    std::uint32_t testMeasurements = 500;
    bool filterBoard = false;
    bool alwaysShowSignals = true;
    bool trialWeightHints = false;
    bool interfaceRotation = false;
    bool reverseAngle = false;
    std::int32_t angleMarkPosition = 0;
    double angleAccuracy = 6.0;
    bool testInMicrons = false;
    bool printerConnected = false;
    std::int32_t speedBufferSize = 0;
    double speedPeriod = 0.0;
    std::int32_t revolutionsBefore = 12;
    double gainReduceThreshold = 85.0;
    double gainIncreaseThreshold = 2.0;
    bool emergencyStop = true;
    double drillAngle = 120.0;
    std::vector<Material> materials;
    std::vector<Operator> operators;
    std::uint32_t extErrorStartBit = 0;
    std::uint32_t extErrorCount = 0;
    std::vector<ExtError> extErrors;

    static const Tris::RecordTable& fields();
};

// A channel reading in the measuring controller's units as acceleration in G:
// reading x 1000 / sensitivity / PCB ratio / amplifier ratio.  0 when any of
// the three is not above 0 (a channel whose transducer data are not yet set).
double channelReadingToG(const Channel& channel, double reading);

// The choice groups of the settings.
namespace settings_choice {
constexpr TextId kVersionGroup = 0x1CEB400;  // data collection system type
constexpr TextId kVersion1 = 0x1CEB401;      // older measuring controller
constexpr TextId kVersion2 = 0x1CEB402;      // measuring controller
constexpr TextId kMachineLayoutGroup = 0x1364000;
constexpr TextId kHorizontal = 0x1364001;
constexpr TextId kPhasorGroup = 0x10C3000;
constexpr TextId kWithoutPhasor = 0x10C3001;
constexpr TextId kAutoTuningGroup = 0x1FFB000;  // "Off", "Static", "Dynamic"
constexpr TextId kAutoTuningOff = 0x1FFB001;
constexpr TextId kAutoTuningDynamic = 0x1FFB003;
constexpr TextId kInverterModelGroup = 0x1793000;
constexpr TextId kSchneiderAtv12 = 0x1793001;
}  // namespace settings_choice
