#include "records/settings_records.h"

const Tris::RecordTable& Contact::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::text<&Contact::company>(kCompany, "company"),
        Tris::text<&Contact::address>(kAddress, "address"),
        Tris::text<&Contact::phones>(kPhones, "phones"),
        Tris::text<&Contact::emailWeb>(kEmailWeb, "emailWeb"),
        Tris::text<&Contact::address2>(kAddress2, "address2"),
        Tris::text<&Contact::phones2>(kPhones2, "phones2"),
    };
    static const Tris::RecordTable t{kType, "Contact", f};
    return t;
}

const Tris::RecordTable& Info::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::text<&Info::model>(kModel, "model"),
        Tris::text<&Info::serialNumber>(kSerialNumber, "serialNumber"),
        Tris::i32<&Info::year>(kYear, "year"),
        Tris::record<&Info::manufacturer>(kManufacturer, "manufacturer"),
    };
    static const Tris::RecordTable t{kType, "Info", f};
    return t;
}

const Tris::RecordTable& Limit::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::real<&Limit::minimum>(kMinimum, "minimum"),
        Tris::real<&Limit::maximum>(kMaximum, "maximum"),
    };
    static const Tris::RecordTable t{kType, "Limit", f};
    return t;
}

const Tris::RecordTable& LocalConfig::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::u32<&LocalConfig::rotorsBalanced>(kRotorsBalanced, "rotorsBalanced"),
        Tris::text<&LocalConfig::text2>(kText2, "text2"),
        Tris::text<&LocalConfig::operatorName>(kOperatorName, "operatorName"),
        Tris::flag<&LocalConfig::operatorAccess>(kOperatorAccess, "operatorAccess"),
        Tris::flag<&LocalConfig::correctionOption>(kCorrectionOption, "correctionOption"),
        Tris::flag<&LocalConfig::flag6>(kFlag6, "flag6"),
        Tris::flag<&LocalConfig::flag7>(kFlag7, "flag7"),
        Tris::flag<&LocalConfig::serviceAccess>(kServiceAccess, "serviceAccess"),
        Tris::text<&LocalConfig::banner>(kBanner, "banner"),
        Tris::text<&LocalConfig::header1>(kHeader1, "header1"),
        Tris::text<&LocalConfig::header2>(kHeader2, "header2"),
        Tris::text<&LocalConfig::header3>(kHeader3, "header3"),
        Tris::text<&LocalConfig::header4>(kHeader4, "header4"),
    };
    static const Tris::RecordTable t{kType, "LocalConfig", f};
    return t;
}

const Tris::RecordTable& AutosettingData::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::real<&AutosettingData::value1>(kValue1, "value1"),
        Tris::real<&AutosettingData::value2>(kValue2, "value2"),
        Tris::real<&AutosettingData::value3>(kValue3, "value3"),
        Tris::real<&AutosettingData::value4>(kValue4, "value4"),
    };
    static const Tris::RecordTable t{kType, "AutosettingData", f};
    return t;
}

const Tris::RecordTable& AccDec::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::real<&AccDec::acceleration>(kAcceleration, "acceleration"),
        Tris::real<&AccDec::deceleration>(kDeceleration, "deceleration"),
    };
    static const Tris::RecordTable t{kType, "AccDec", f};
    return t;
}

const Tris::RecordTable& EngineParams::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::flag<&EngineParams::loadParameters>(kLoadParameters, "loadParameters"),
        Tris::real<&EngineParams::ratedPower>(kRatedPower, "ratedPower"),
        Tris::real<&EngineParams::ratedVoltage>(kRatedVoltage, "ratedVoltage"),
        Tris::real<&EngineParams::ratedCurrent>(kRatedCurrent, "ratedCurrent"),
        Tris::real<&EngineParams::ratedFrequency>(kRatedFrequency, "ratedFrequency"),
        Tris::real<&EngineParams::ratedSpeed>(kRatedSpeed, "ratedSpeed"),
        Tris::u32<&EngineParams::poles>(kPoles, "poles"),
        Tris::choice<&EngineParams::autoAdjusting>(kAutoAdjusting, settings_choice::kAutoTuningGroup, "autoAdjusting"),
    };
    static const Tris::RecordTable t{kType, "EngineParams", f};
    return t;
}

const Tris::RecordTable& ExtError::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::text<&ExtError::message>(kMessage, "message"),
    };
    static const Tris::RecordTable t{kType, "ExtError", f};
    return t;
}

const Tris::RecordTable& Inverter::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::choice<&Inverter::inverterType>(kInverterType, settings_choice::kInverterModelGroup, "inverterType"),
        Tris::i32<&Inverter::address>(kAddress, "address"),
    };
    static const Tris::RecordTable t{kType, "Inverter", f};
    return t;
}

const Tris::RecordTable& Channel::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::flag<&Channel::active>(kActive, "active"),
        Tris::i32<&Channel::gain>(kGain, "gain"),
        Tris::flag<&Channel::autoGain>(kAutoGain, "autoGain"),
        Tris::real<&Channel::sensitivity>(kSensitivity, "sensitivity"),
        Tris::real<&Channel::amplifierRatio>(kAmplifierRatio, "amplifierRatio"),
        Tris::real<&Channel::pcbRatio>(kPcbRatio, "pcbRatio"),
        Tris::i32<&Channel::phaseShift>(kPhaseShift, "phaseShift"),
        Tris::flag<&Channel::softBearing>(kSoftBearing, "softBearing"),
    };
    static const Tris::RecordTable t{kType, "Channel", f};
    return t;
}

const Tris::RecordTable& Operator::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::text<&Operator::name>(kName, "name"),
        Tris::flag<&Operator::access>(kAccess, "access"),
        Tris::u32<&Operator::pin>(kPin, "pin"),
    };
    static const Tris::RecordTable t{kType, "Operator", f};
    return t;
}

const Tris::RecordTable& Material::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::text<&Material::name>(kName, "name"),
        Tris::real<&Material::density>(kDensity, "density"),
    };
    static const Tris::RecordTable t{kType, "Material", f};
    return t;
}

const Tris::RecordTable& Drive::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::flag<&Drive::active>(kActive, "active"),
        Tris::flag<&Drive::external>(kExternal, "external"),
        Tris::i32<&Drive::drive>(kDrive, "drive"),
        Tris::real<&Drive::driveRatio>(kDriveRatio, "driveRatio"),
        Tris::real<&Drive::maxSpeed>(kMaxSpeed, "maxSpeed"),
        Tris::real<&Drive::ratedTorque>(kRatedTorque, "ratedTorque"),
        Tris::real<&Drive::ratedMotorSpeed>(kRatedMotorSpeed, "ratedMotorSpeed"),
        Tris::real<&Drive::autotuningFrequency>(kAutotuningFrequency, "autotuningFrequency"),
        Tris::flag<&Drive::defaultDirection>(kDefaultDirection, "defaultDirection"),
        Tris::flag<&Drive::unidirectional>(kUnidirectional, "unidirectional"),
        Tris::u32<&Drive::pulleyDiameter>(kPulleyDiameter, "pulleyDiameter"),
        Tris::record<&Drive::autosetting>(kAutosetting, "autosetting"),
        Tris::u32<&Drive::accDecCurve>(kAccDecCurve, "accDecCurve"),
        Tris::record<&Drive::accDecTime>(kAccDecTime, "accDecTime"),
        Tris::record<&Drive::accDecFactors>(kAccDecFactors, "accDecFactors"),
        Tris::real<&Drive::stabilizationAccuracy>(kStabilizationAccuracy, "stabilizationAccuracy"),
        Tris::flag<&Drive::stabilizationFromDrive>(kStabilizationFromDrive, "stabilizationFromDrive"),
        Tris::real<&Drive::stabilizationFactor>(kStabilizationFactor, "stabilizationFactor"),
        Tris::u32<&Drive::stabilizationAttempts>(kStabilizationAttempts, "stabilizationAttempts"),
        Tris::choice<&Drive::usedPhasor>(kUsedPhasor, settings_choice::kPhasorGroup, "usedPhasor"),
        Tris::u32<&Drive::angleTuningAccuracy>(kAngleTuningAccuracy, "angleTuningAccuracy"),
        Tris::flag<&Drive::externalPhasor>(kExternalPhasor, "externalPhasor"),
        Tris::u32<&Drive::phasorTimeout>(kPhasorTimeout, "phasorTimeout"),
        Tris::u32<&Drive::encoderSpeedThreshold>(kEncoderSpeedThreshold, "encoderSpeedThreshold"),
        Tris::flag<&Drive::positionTurnActive>(kPositionTurnActive, "positionTurnActive"),
        Tris::i32<&Drive::positionTurn>(kPositionTurn, "positionTurn"),
        Tris::real<&Drive::positionTurnSpeed>(kPositionTurnSpeed, "positionTurnSpeed"),
        Tris::real<&Drive::positionTurnAccuracy>(kPositionTurnAccuracy, "positionTurnAccuracy"),
        Tris::flag<&Drive::reverseFeed>(kReverseFeed, "reverseFeed"),
        Tris::flag<&Drive::brakeInstalled>(kBrakeInstalled, "brakeInstalled"),
        Tris::real<&Drive::brakeHoldTime>(kBrakeHoldTime, "brakeHoldTime"),
        Tris::record<&Drive::engine>(kEngine, "engine"),
        Tris::u32<&Drive::extErrorStartBit>(kExtErrorStartBit, "extErrorStartBit"),
        Tris::u32<&Drive::extErrorCount>(kExtErrorCount, "extErrorCount"),
        Tris::list<&Drive::extErrors>(kExtErrors, "extErrors"),
        Tris::i32<&Drive::lineSpeed>(kLineSpeed, "lineSpeed"),
        Tris::i32<&Drive::seamOverlap>(kSeamOverlap, "seamOverlap"),
        Tris::real<&Drive::tackTime>(kTackTime, "tackTime"),
        Tris::flag<&Drive::reverseTurning>(kReverseTurning, "reverseTurning"),
        Tris::real<&Drive::turnSpeed>(kTurnSpeed, "turnSpeed"),
        Tris::flag<&Drive::reversePermitted>(kReversePermitted, "reversePermitted"),
        Tris::u32<&Drive::encoderResolution>(kEncoderResolution, "encoderResolution"),
        Tris::real<&Drive::encoderRatio>(kEncoderRatio, "encoderRatio"),
        Tris::real<&Drive::gearRatio>(kGearRatio, "gearRatio"),
    };
    static const Tris::RecordTable t{kType, "Drive", f};
    return t;
}

const Tris::RecordTable& Config::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::i32<&Config::language>(kLanguage, "language"),
        Tris::record<&Config::local>(kLocal, "local"),
        Tris::record<&Config::company>(kCompany, "company"),
        Tris::record<&Config::machineInfo>(kMachineInfo, "machineInfo"),
        Tris::record<&Config::instrumentInfo>(kInstrumentInfo, "instrumentInfo"),
        Tris::record<&Config::serviceContacts>(kServiceContacts, "serviceContacts"),
        Tris::i32<&Config::servicePeriod>(kServicePeriod, "servicePeriod"),
        Tris::i32<&Config::rotorsBalanced>(kRotorsBalanced, "rotorsBalanced"),
        Tris::choice<&Config::dataCollection>(kDataCollection, settings_choice::kVersionGroup, "dataCollection"),
        Tris::real<&Config::balancingAccuracy>(kBalancingAccuracy, "balancingAccuracy"),
        Tris::real<&Config::reductionRatio>(kReductionRatio, "reductionRatio"),
        Tris::real<&Config::compensatorDeviation>(kCompensatorDeviation, "compensatorDeviation"),
        Tris::real<&Config::torqueInfluence>(kTorqueInfluence, "torqueInfluence"),
        Tris::record<&Config::weightLimit>(kWeightLimit, "weightLimit"),
        Tris::record<&Config::speedLimit>(kSpeedLimit, "speedLimit"),
        Tris::list<&Config::inverters>(kInverters, "inverters"),
        Tris::choice<&Config::machineInterface>(kMachineInterface, settings_choice::kMachineLayoutGroup, "machineInterface"),
        Tris::flag<&Config::externalWelding>(kExternalWelding, "externalWelding"),
        Tris::flag<&Config::externalWeldingControl>(kExternalWeldingControl, "externalWeldingControl"),
        Tris::record<&Config::endDrive>(kEndDrive, "endDrive"),
        Tris::record<&Config::beltDrive>(kBeltDrive, "beltDrive"),
        Tris::record<&Config::millDrive>(kMillDrive, "millDrive"),
        Tris::record<&Config::weldDrive>(kWeldDrive, "weldDrive"),
        Tris::list<&Config::channels>(kChannels, "channels"),
        Tris::u32<&Config::measurementCycles>(kMeasurementCycles, "measurementCycles"),
        Tris::real<&Config::amplitudeDeviation>(kAmplitudeDeviation, "amplitudeDeviation"),
        Tris::u32<&Config::testMeasurements>(kTestMeasurements, "testMeasurements"),
        Tris::flag<&Config::filterBoard>(kFilterBoard, "filterBoard"),
        Tris::flag<&Config::alwaysShowSignals>(kAlwaysShowSignals, "alwaysShowSignals"),
        Tris::flag<&Config::trialWeightHints>(kTrialWeightHints, "trialWeightHints"),
        Tris::flag<&Config::interfaceRotation>(kInterfaceRotation, "interfaceRotation"),
        Tris::flag<&Config::reverseAngle>(kReverseAngle, "reverseAngle"),
        Tris::i32<&Config::angleMarkPosition>(kAngleMarkPosition, "angleMarkPosition"),
        Tris::real<&Config::angleAccuracy>(kAngleAccuracy, "angleAccuracy"),
        Tris::flag<&Config::testInMicrons>(kTestInMicrons, "testInMicrons"),
        Tris::flag<&Config::printerConnected>(kPrinterConnected, "printerConnected"),
        Tris::i32<&Config::speedBufferSize>(kSpeedBufferSize, "speedBufferSize"),
        Tris::real<&Config::speedPeriod>(kSpeedPeriod, "speedPeriod"),
        Tris::i32<&Config::revolutionsBefore>(kRevolutionsBefore, "revolutionsBefore"),
        Tris::real<&Config::gainReduceThreshold>(kGainReduceThreshold, "gainReduceThreshold"),
        Tris::real<&Config::gainIncreaseThreshold>(kGainIncreaseThreshold, "gainIncreaseThreshold"),
        Tris::flag<&Config::emergencyStop>(kEmergencyStop, "emergencyStop"),
        Tris::real<&Config::drillAngle>(kDrillAngle, "drillAngle"),
        Tris::list<&Config::materials>(kMaterials, "materials"),
        Tris::list<&Config::operators>(kOperators, "operators"),
        Tris::u32<&Config::extErrorStartBit>(kExtErrorStartBit, "extErrorStartBit"),
        Tris::u32<&Config::extErrorCount>(kExtErrorCount, "extErrorCount"),
        Tris::list<&Config::extErrors>(kExtErrors, "extErrors"),
    };
    static const Tris::RecordTable t{kType, "Config", f};
    return t;
}
double channelReadingToG(const Channel& channel, double reading) {
    if (!(channel.sensitivity > 0.0) || !(channel.pcbRatio > 0.0) || !(channel.amplifierRatio > 0.0))
        return 0.0;
    return reading * 1000.0 / channel.sensitivity / channel.pcbRatio / channel.amplifierRatio;
}
