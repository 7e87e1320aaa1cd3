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
// Field tags are the kXxx constants of each record, inherited from its struct
// in texts/record_tags.h; a choice field holds the TextId of the chosen item
// of its group.  Copies are deep (members, lists element by element, unknown
// items); Tris::equalRecords compares deeply.

#include <cstdint>
#include <string>
#include <vector>

#include "records/field_table.h"
#include "texts/record_tags.h"

// A company's or a person's contact texts.
struct Contact : Tris::Record<Contact>, settingtags::Contact {
    std::string company;
    std::string address;
    std::string phones;
    std::string emailWeb;
    std::string address2;
    std::string phones2;

    static const Tris::RecordTable& fields();
};

// A device's identity.
struct Info : Tris::Record<Info>, settingtags::Info {
    std::string model;
    std::string serialNumber = "-";
    std::int32_t year = 2020;
    Contact manufacturer;

    static const Tris::RecordTable& fields();
};

// A range of two reals; its unit is that of the field holding it.
struct Limit : Tris::Record<Limit>, settingtags::Limit {
    double minimum = 0.0;
    double maximum = 0.0;

    Limit() = default;
    Limit(double minimumValue, double maximumValue) : minimum(minimumValue), maximum(maximumValue) {}
    static const Tris::RecordTable& fields();
};

// The part of the settings that belongs to this run; never written to the
// settings file (its type tag is excluded by the settings load).
struct LocalConfig : Tris::Record<LocalConfig>, settingtags::LocalConfig {
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
struct AutosettingData : Tris::Record<AutosettingData>, settingtags::AutosettingData {
    double value1 = 0.0;
    double value2 = 0.0;
    double value3 = 0.0;
    double value4 = 0.0;

    static const Tris::RecordTable& fields();
};

// An acceleration and deceleration pair; its unit is that of the holding field.
struct AccDec : Tris::Record<AccDec>, settingtags::AccDec {
    double acceleration = 0.0;
    double deceleration = 0.0;

    AccDec() = default;
    AccDec(double accelerationValue, double decelerationValue)
        : acceleration(accelerationValue), deceleration(decelerationValue) {}
    static const Tris::RecordTable& fields();
};

// The rated data of the motor that a drive's inverter turns.
struct EngineParams : Tris::Record<EngineParams>, settingtags::EngineParams {
    bool loadParameters = true;
    double ratedPower = 2.2;
    double ratedVoltage = 230.0;
    double ratedCurrent = 9.0;
    double ratedFrequency = 50.0;
    double ratedSpeed = 1400.0;
    std::uint32_t poles = 4;
    TextId autoAdjusting = settings_choice::kAutoTuningDynamic;

    static const Tris::RecordTable& fields();
};

// The message of one additional error bit.
struct ExtError : Tris::Record<ExtError>, settingtags::ExtError {
    std::string message;

    static const Tris::RecordTable& fields();
};

// One frequency inverter on the machine's bus.
struct Inverter : Tris::Record<Inverter>, settingtags::Inverter {
    TextId inverterType = settings_choice::kSchneiderAtv12;
    std::int32_t address = 0;

    static const Tris::RecordTable& fields();
};

// One vibration measuring channel; its list index is the channel number from 0.
struct Channel : Tris::Record<Channel>, settingtags::Channel {
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
struct Operator : Tris::Record<Operator>, settingtags::Operator {
    std::string name;
    bool access = false;
    std::uint32_t pin = 0;

    static const Tris::RecordTable& fields();
};

// One material of correction weights.
struct Material : Tris::Record<Material>, settingtags::Material {
    std::string name;
    double density = 0.0;

    static const Tris::RecordTable& fields();
};

// One drive of the machine (End, Belt, Mill, Weld).
struct Drive : Tris::Record<Drive>, settingtags::Drive {
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
    TextId usedPhasor = settings_choice::kWithoutPhasor;
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
struct Config : Tris::Record<Config>, settingtags::Config {
    std::int32_t language = 0;
    LocalConfig local;
    Contact company;
    Info machineInfo;
    Info instrumentInfo;
    Contact serviceContacts;
    std::int32_t servicePeriod = 100000;
    std::int32_t rotorsBalanced = 0;
    TextId dataCollection = settings_choice::kVersion1;
    double balancingAccuracy = 0.4;
    double reductionRatio = 90.0;
    double compensatorDeviation = 5.0;
    double torqueInfluence = 10.0;
    Limit weightLimit{0.1, 100.0};
    Limit speedLimit{400.0, 2000.0};
    std::vector<Inverter> inverters;
    TextId machineInterface = settings_choice::kHorizontal;
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

