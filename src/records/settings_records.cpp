#include "records/settings_records.h"

const Tris::RecordTable& Contact::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::text<&Contact::company>(kCompany),
        Tris::text<&Contact::address>(kAddress),
        Tris::text<&Contact::phones>(kPhones),
        Tris::text<&Contact::emailWeb>(kEmailWeb),
        Tris::text<&Contact::address2>(kAddress2),
        Tris::text<&Contact::phones2>(kPhones2),
    };
    static const Tris::RecordTable t{kType, "Contact", f};
    return t;
}

const Tris::RecordTable& Info::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::text<&Info::model>(kModel),
        Tris::text<&Info::serialNumber>(kSerialNumber),
        Tris::i32<&Info::year>(kYear),
        Tris::record<&Info::manufacturer>(kManufacturer),
    };
    static const Tris::RecordTable t{kType, "Info", f};
    return t;
}

const Tris::RecordTable& Limit::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::real<&Limit::minimum>(kMinimum),
        Tris::real<&Limit::maximum>(kMaximum),
    };
    static const Tris::RecordTable t{kType, "Limit", f};
    return t;
}

const Tris::RecordTable& LocalConfig::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::u32<&LocalConfig::rotorsBalanced>(kRotorsBalanced),
        Tris::text<&LocalConfig::text2>(kText2),
        Tris::text<&LocalConfig::operatorName>(kOperatorName),
        Tris::flag<&LocalConfig::operatorAccess>(kOperatorAccess),
        Tris::flag<&LocalConfig::correctionOption>(kCorrectionOption),
        Tris::flag<&LocalConfig::flag6>(kFlag6),
        Tris::flag<&LocalConfig::flag7>(kFlag7),
        Tris::flag<&LocalConfig::serviceAccess>(kServiceAccess),
        Tris::text<&LocalConfig::banner>(kBanner),
        Tris::text<&LocalConfig::header1>(kHeader1),
        Tris::text<&LocalConfig::header2>(kHeader2),
        Tris::text<&LocalConfig::header3>(kHeader3),
        Tris::text<&LocalConfig::header4>(kHeader4),
    };
    static const Tris::RecordTable t{kType, "LocalConfig", f};
    return t;
}

const Tris::RecordTable& AutosettingData::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::real<&AutosettingData::value1>(kValue1),
        Tris::real<&AutosettingData::value2>(kValue2),
        Tris::real<&AutosettingData::value3>(kValue3),
        Tris::real<&AutosettingData::value4>(kValue4),
    };
    static const Tris::RecordTable t{kType, "AutosettingData", f};
    return t;
}

const Tris::RecordTable& AccDec::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::real<&AccDec::acceleration>(kAcceleration),
        Tris::real<&AccDec::deceleration>(kDeceleration),
    };
    static const Tris::RecordTable t{kType, "AccDec", f};
    return t;
}

const Tris::RecordTable& EngineParams::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::flag<&EngineParams::loadParameters>(kLoadParameters),
        Tris::real<&EngineParams::ratedPower>(kRatedPower),
        Tris::real<&EngineParams::ratedVoltage>(kRatedVoltage),
        Tris::real<&EngineParams::ratedCurrent>(kRatedCurrent),
        Tris::real<&EngineParams::ratedFrequency>(kRatedFrequency),
        Tris::real<&EngineParams::ratedSpeed>(kRatedSpeed),
        Tris::u32<&EngineParams::poles>(kPoles),
        Tris::choice<&EngineParams::autoAdjusting>(kAutoAdjusting, 0x1FFB000),
    };
    static const Tris::RecordTable t{kType, "EngineParams", f};
    return t;
}

const Tris::RecordTable& ExtError::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::text<&ExtError::message>(kMessage),
    };
    static const Tris::RecordTable t{kType, "ExtError", f};
    return t;
}

const Tris::RecordTable& Inverter::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::choice<&Inverter::inverterType>(kInverterType, 0x1793000),
        Tris::i32<&Inverter::address>(kAddress),
    };
    static const Tris::RecordTable t{kType, "Inverter", f};
    return t;
}

const Tris::RecordTable& Channel::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::flag<&Channel::active>(kActive),
        Tris::i32<&Channel::gain>(kGain),
        Tris::flag<&Channel::autoGain>(kAutoGain),
        Tris::real<&Channel::sensitivity>(kSensitivity),
        Tris::real<&Channel::amplifierRatio>(kAmplifierRatio),
        Tris::real<&Channel::pcbRatio>(kPcbRatio),
        Tris::i32<&Channel::phaseShift>(kPhaseShift),
        Tris::flag<&Channel::softBearing>(kSoftBearing),
    };
    static const Tris::RecordTable t{kType, "Channel", f};
    return t;
}

const Tris::RecordTable& Operator::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::text<&Operator::name>(kName),
        Tris::flag<&Operator::access>(kAccess),
        Tris::u32<&Operator::pin>(kPin),
    };
    static const Tris::RecordTable t{kType, "Operator", f};
    return t;
}

const Tris::RecordTable& Material::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::text<&Material::name>(kName),
        Tris::real<&Material::density>(kDensity),
    };
    static const Tris::RecordTable t{kType, "Material", f};
    return t;
}

const Tris::RecordTable& Drive::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::flag<&Drive::active>(kActive),
        Tris::flag<&Drive::external>(kExternal),
        Tris::i32<&Drive::drive>(kDrive),
        Tris::real<&Drive::driveRatio>(kDriveRatio),
        Tris::real<&Drive::maxSpeed>(kMaxSpeed),
        Tris::real<&Drive::ratedTorque>(kRatedTorque),
        Tris::real<&Drive::ratedMotorSpeed>(kRatedMotorSpeed),
        Tris::real<&Drive::autotuningFrequency>(kAutotuningFrequency),
        Tris::flag<&Drive::defaultDirection>(kDefaultDirection),
        Tris::flag<&Drive::unidirectional>(kUnidirectional),
        Tris::u32<&Drive::pulleyDiameter>(kPulleyDiameter),
        Tris::record<&Drive::autosetting>(kAutosetting),
        Tris::u32<&Drive::accDecCurve>(kAccDecCurve),
        Tris::record<&Drive::accDecTime>(kAccDecTime),
        Tris::record<&Drive::accDecFactors>(kAccDecFactors),
        Tris::real<&Drive::stabilizationAccuracy>(kStabilizationAccuracy),
        Tris::flag<&Drive::stabilizationFromDrive>(kStabilizationFromDrive),
        Tris::real<&Drive::stabilizationFactor>(kStabilizationFactor),
        Tris::u32<&Drive::stabilizationAttempts>(kStabilizationAttempts),
        Tris::choice<&Drive::usedPhasor>(kUsedPhasor, 0x10C3000),
        Tris::u32<&Drive::angleTuningAccuracy>(kAngleTuningAccuracy),
        Tris::flag<&Drive::externalPhasor>(kExternalPhasor),
        Tris::u32<&Drive::phasorTimeout>(kPhasorTimeout),
        Tris::u32<&Drive::encoderSpeedThreshold>(kEncoderSpeedThreshold),
        Tris::flag<&Drive::positionTurnActive>(kPositionTurnActive),
        Tris::i32<&Drive::positionTurn>(kPositionTurn),
        Tris::real<&Drive::positionTurnSpeed>(kPositionTurnSpeed),
        Tris::real<&Drive::positionTurnAccuracy>(kPositionTurnAccuracy),
        Tris::flag<&Drive::reverseFeed>(kReverseFeed),
        Tris::flag<&Drive::brakeInstalled>(kBrakeInstalled),
        Tris::real<&Drive::brakeHoldTime>(kBrakeHoldTime),
        Tris::record<&Drive::engine>(kEngine),
        Tris::u32<&Drive::extErrorStartBit>(kExtErrorStartBit),
        Tris::u32<&Drive::extErrorCount>(kExtErrorCount),
        Tris::list<&Drive::extErrors>(kExtErrors),
        Tris::i32<&Drive::lineSpeed>(kLineSpeed),
        Tris::i32<&Drive::seamOverlap>(kSeamOverlap),
        Tris::real<&Drive::tackTime>(kTackTime),
        Tris::flag<&Drive::reverseTurning>(kReverseTurning),
        Tris::real<&Drive::turnSpeed>(kTurnSpeed),
        Tris::flag<&Drive::reversePermitted>(kReversePermitted),
        Tris::u32<&Drive::encoderResolution>(kEncoderResolution),
        Tris::real<&Drive::encoderRatio>(kEncoderRatio),
        Tris::real<&Drive::gearRatio>(kGearRatio),
    };
    static const Tris::RecordTable t{kType, "Drive", f};
    return t;
}

const Tris::RecordTable& Config::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::i32<&Config::language>(kLanguage),
        Tris::record<&Config::local>(kLocal),
        Tris::record<&Config::company>(kCompany),
        Tris::record<&Config::machineInfo>(kMachineInfo),
        Tris::record<&Config::instrumentInfo>(kInstrumentInfo),
        Tris::record<&Config::serviceContacts>(kServiceContacts),
        Tris::i32<&Config::servicePeriod>(kServicePeriod),
        Tris::i32<&Config::rotorsBalanced>(kRotorsBalanced),
        Tris::choice<&Config::dataCollection>(kDataCollection, 0x1CEB400),
        Tris::real<&Config::balancingAccuracy>(kBalancingAccuracy),
        Tris::real<&Config::reductionRatio>(kReductionRatio),
        Tris::real<&Config::compensatorDeviation>(kCompensatorDeviation),
        Tris::real<&Config::torqueInfluence>(kTorqueInfluence),
        Tris::record<&Config::weightLimit>(kWeightLimit),
        Tris::record<&Config::speedLimit>(kSpeedLimit),
        Tris::list<&Config::inverters>(kInverters),
        Tris::choice<&Config::machineInterface>(kMachineInterface, 0x1364000),
        Tris::flag<&Config::externalWelding>(kExternalWelding),
        Tris::flag<&Config::externalWeldingControl>(kExternalWeldingControl),
        Tris::record<&Config::endDrive>(kEndDrive),
        Tris::record<&Config::beltDrive>(kBeltDrive),
        Tris::record<&Config::millDrive>(kMillDrive),
        Tris::record<&Config::weldDrive>(kWeldDrive),
        Tris::list<&Config::channels>(kChannels),
        Tris::u32<&Config::measurementCycles>(kMeasurementCycles),
        Tris::real<&Config::amplitudeDeviation>(kAmplitudeDeviation),
        Tris::u32<&Config::testMeasurements>(kTestMeasurements),
        Tris::flag<&Config::filterBoard>(kFilterBoard),
        Tris::flag<&Config::alwaysShowSignals>(kAlwaysShowSignals),
        Tris::flag<&Config::trialWeightHints>(kTrialWeightHints),
        Tris::flag<&Config::interfaceRotation>(kInterfaceRotation),
        Tris::flag<&Config::reverseAngle>(kReverseAngle),
        Tris::i32<&Config::angleMarkPosition>(kAngleMarkPosition),
        Tris::real<&Config::angleAccuracy>(kAngleAccuracy),
        Tris::flag<&Config::testInMicrons>(kTestInMicrons),
        Tris::flag<&Config::printerConnected>(kPrinterConnected),
        Tris::i32<&Config::speedBufferSize>(kSpeedBufferSize),
        Tris::real<&Config::speedPeriod>(kSpeedPeriod),
        Tris::i32<&Config::revolutionsBefore>(kRevolutionsBefore),
        Tris::real<&Config::gainReduceThreshold>(kGainReduceThreshold),
        Tris::real<&Config::gainIncreaseThreshold>(kGainIncreaseThreshold),
        Tris::flag<&Config::emergencyStop>(kEmergencyStop),
        Tris::real<&Config::drillAngle>(kDrillAngle),
        Tris::list<&Config::materials>(kMaterials),
        Tris::list<&Config::operators>(kOperators),
        Tris::u32<&Config::extErrorStartBit>(kExtErrorStartBit),
        Tris::u32<&Config::extErrorCount>(kExtErrorCount),
        Tris::list<&Config::extErrors>(kExtErrors),
    };
    static const Tris::RecordTable t{kType, "Config", f};
    return t;
}
double channelReadingToG(const Channel& channel, double reading) {
    if (!(channel.sensitivity > 0.0) || !(channel.pcbRatio > 0.0) || !(channel.amplifierRatio > 0.0)) return 0.0;
    return reading * 1000.0 / channel.sensitivity / channel.pcbRatio / channel.amplifierRatio;
}
