#pragma once
// The protocol texts: every text that the balancing protocol and the
// verification-test protocol print, and the texts of the protocol
// print-and-save dialog, in English and Russian (UTF-8).
//
// Placeholders are fmt fields, filled through ks::format; the three dates
// and numbers whose order differs between the languages use indexed fields,
// so that writers pass their arguments in one order.  Runs between '|' marks
// ("U|mar|") are drawn lowered by the Doc.  A few texts are two or three
// lines of one caption, drawn one under the other.

#include <cstdint>

#include "texts/text_ids.h"
#include "texts/texts.h"

namespace reporttext {

// Balancing protocol: header, rotor data, runs table and evaluation.
constexpr TextId kBalancingProtocolTitle = 0x1074401;
constexpr TextId kAddressLabel = 0x1074402;
constexpr TextId kPhonesLabel = 0x1074403;
constexpr TextId kMachineDataHeading = 0x1074404;
constexpr TextId kMachineLabel = 0x1074405;
constexpr TextId kInstrumentLabel = 0x1074406;
constexpr TextId kMachineSerialLabel = 0x1074407;
constexpr TextId kInstrumentSerialLabel = 0x1074408;
constexpr TextId kBalancingRunsHeading = 0x1074409;
constexpr TextId kPlane = 0x107440A;
constexpr TextId kRotorDataHeading = 0x107440B;
constexpr TextId kCustomerLabel = 0x107440C;
constexpr TextId kCompanyLabel = 0x107440D;
constexpr TextId kRotorNameLabel = 0x107440E;
constexpr TextId kRotorNumberLabel = 0x107440F;
constexpr TextId kRotorMassLabel = 0x1074410;
constexpr TextId kBalancingSpeedLabel = 0x1074411;
constexpr TextId kBalancingSpeedLabel2 = 0x1074412;
constexpr TextId kPlaneCountLabel = 0x1074413;
constexpr TextId kCorrectionRadiusHead = 0x1074414;
constexpr TextId kCorrectionMethodHead = 0x1074415;
constexpr TextId kToleranceHead = 0x1074416;
constexpr TextId kMassHead = 0x1074417;
constexpr TextId kAngleHead = 0x1074418;
constexpr TextId kAmplitudeHead = 0x1074419;
constexpr TextId kPhaseHead = 0x107441A;
constexpr TextId kUnbalanceHeadOpen = 0x107441B;
constexpr TextId kEvaluationLabel = 0x107441C;
constexpr TextId kInTolerance = 0x107441D;
constexpr TextId kNotInTolerance = 0x107441E;
constexpr TextId kBalancingDateLabel = 0x107441F;
constexpr TextId kWorkDoneByLabel = 0x1074420;
// Not printed.
constexpr TextId kDotComma = 0x1074421;
// Print-and-save dialog (with the balancing date in between).
constexpr TextId kPrintError = 0x1074422;
constexpr TextId kBalancingDate = 0x1074423;
constexpr TextId kSaveError = 0x1074424;
constexpr TextId kSaved = 0x1074425;
constexpr TextId kPrintTitle = 0x1074426;
constexpr TextId kSaveTitle = 0x1074427;
constexpr TextId kDocumentNumberPrompt = 0x1074428;
constexpr TextId kCustomerNamePrompt = 0x1074429;
// Verification-test protocol: page frame and title.
constexpr TextId kProtocolNumberLabel = 0x107442A;
constexpr TextId kTestDate = 0x107442B;
constexpr TextId kExpertNameLabel = 0x107442C;
constexpr TextId kPageLabel = 0x107442D;
constexpr TextId kPagesLabel = 0x107442E;
constexpr TextId kVerificationTitle = 0x107442F;
constexpr TextId kVerificationNumberLine = 0x1074430;
// Section 1: machine and instrument, with its values.
constexpr TextId kSection1Title = 0x1074431;
constexpr TextId kS1Customer = 0x1074432;
constexpr TextId kS1Manufacturer = 0x1074433;
constexpr TextId kS1MachineModel = 0x1074434;
constexpr TextId kS1MachineSerial = 0x1074435;
constexpr TextId kS1BalancingInstrument = 0x1074436;
constexpr TextId kS1InstrumentSerial = 0x1074437;
constexpr TextId kS1MachineType = 0x1074438;
constexpr TextId kS1DriveType = 0x1074439;
constexpr TextId kS1RotationDirection = 0x107443A;
constexpr TextId kS1BalancingAccuracy = 0x107443B;
constexpr TextId kS1UnbalanceReductionRatio = 0x107443C;
constexpr TextId kS1CompensatorDeviation = 0x107443D;
constexpr TextId kS1TorqueCoefficient = 0x107443E;
constexpr TextId kS1TorqueCoefficient2 = 0x107443F;
constexpr TextId kHardBearingHorizontal = 0x1074440;
constexpr TextId kEndDrive = 0x1074441;
constexpr TextId kBeltDrive = 0x1074442;
constexpr TextId kRotationNormal = 0x1074443;
constexpr TextId kRotationReverse = 0x1074444;
constexpr TextId kProvided = 0x1074445;
constexpr TextId kAccuracyHigh = 0x1074446;
constexpr TextId kAccuracyIncreased = 0x1074447;
constexpr TextId kAccuracyStandard = 0x1074448;
// Section 2: who tests where.
constexpr TextId kSection2Title = 0x1074449;
constexpr TextId kS2TestCompany = 0x107444A;
constexpr TextId kS2TestingSite = 0x107444B;
constexpr TextId kS2MachineOperator = 0x107444C;
constexpr TextId kS2Examiner = 0x107444D;
// Section 3: proving rotor.
constexpr TextId kSection3Title = 0x107444E;
constexpr TextId kS3RotorType = 0x107444F;
constexpr TextId kS3RotorNumber = 0x1074450;
constexpr TextId kS3RotorSerial = 0x1074451;
constexpr TextId kS3RotorMass = 0x1074452;
constexpr TextId kS3PlaneCount = 0x1074453;
// Section 4: test masses; the second line of a label continues the first.
constexpr TextId kSection4Title = 0x1074454;
constexpr TextId kS4MinimumResidual = 0x1074455;
constexpr TextId kS4MinimumResidualPerPlane = 0x1074456;
constexpr TextId kS4UmarUnbalance = 0x1074457;
constexpr TextId kS4UmarUnbalance2 = 0x1074458;
constexpr TextId kS4UmarTestMass = 0x1074459;
constexpr TextId kS4UmarTestMass2 = 0x107445A;
constexpr TextId kS4StationaryUnbalance = 0x107445B;
constexpr TextId kS4UrrContinuation = 0x107445C;
constexpr TextId kS4StationaryTestMass = 0x107445D;
constexpr TextId kS4UrrTestMassContinuation = 0x107445E;
constexpr TextId kS4TravellingUnbalance = 0x107445F;
constexpr TextId kS4TravellingTestMass = 0x1074460;
// Section 5.1 to 5.3: column heads, row labels and notes.
constexpr TextId kSection5Title = 0x1074461;
constexpr TextId kS51Title = 0x1074462;
constexpr TextId kUnbalancePlaneHead = 0x1074463;
constexpr TextId kAssessmentHead = 0x1074464;
constexpr TextId kValueHead = 0x1074465;
constexpr TextId kBalancingRunsHead = 0x1074466;
constexpr TextId kBalancingRunsHead2 = 0x1074467;
constexpr TextId kInToleranceFiveUmar = 0x1074468;
constexpr TextId kS52Title = 0x1074469;
constexpr TextId kSettingAngleHead = 0x107446A;
constexpr TextId kSettingAngleHead2 = 0x107446B;
constexpr TextId kMassColumnHead = 0x107446C;
constexpr TextId kS53Title = 0x107446D;
constexpr TextId kCorrectionNumberHead = 0x107446E;
constexpr TextId kRun = 0x107446F;
constexpr TextId kBalancingRequired = 0x1074470;
constexpr TextId kNotAllowed = 0x1074471;
constexpr TextId kInToleranceHalfUmar = 0x1074472;
constexpr TextId kUmarTestAllowed = 0x1074473;
constexpr TextId kResidualNote = 0x1074474;
constexpr TextId kResidualNote2 = 0x1074475;
constexpr TextId kReferenceNote = 0x1074476;
constexpr TextId kReferenceNote60 = 0x1074477;
constexpr TextId kReferenceNote90 = 0x1074478;
// Section 5.4 to 5.6.
constexpr TextId kS54Title = 0x1074479;
constexpr TextId kTestPositionHead = 0x107447A;
constexpr TextId kTestPositionHead2 = 0x107447B;
constexpr TextId kUnbalanceAmountHead = 0x107447C;
constexpr TextId kMultipleOfMeanHead = 0x107447D;
constexpr TextId kMultipleOfMeanHead2 = 0x107447E;
constexpr TextId kSum = 0x107447F;
constexpr TextId kMeanValue = 0x1074480;
constexpr TextId kS55Title = 0x1074481;
constexpr TextId kS56Fail = 0x1074482;
constexpr TextId kS56Fail2 = 0x1074483;
constexpr TextId kS56Pass = 0x1074484;
constexpr TextId kS56Pass2 = 0x1074485;
constexpr TextId kS56Accuracy = 0x1074486;
// Section 6: URR test.
constexpr TextId kSection6Title = 0x1074487;
constexpr TextId kS61Title = 0x1074488;
constexpr TextId kTestMassPositionsHead = 0x1074489;
constexpr TextId kMultipleOfMeanShort = 0x107448A;
constexpr TextId kMultipleOfMeanShort2 = 0x107448B;
constexpr TextId kStationary = 0x107448C;
constexpr TextId kStationary2 = 0x107448D;
constexpr TextId kTravelling = 0x107448E;
constexpr TextId kTravelling2 = 0x107448F;
constexpr TextId kS62Title = 0x1074490;
constexpr TextId kS63Line1 = 0x1074491;
constexpr TextId kS63Line2 = 0x1074492;
constexpr TextId kS63Line3 = 0x1074493;
constexpr TextId kUrrExceeds = 0x1074494;
constexpr TextId kUrrCorresponds = 0x1074495;
constexpr TextId kUrrDoesNotCorrespond = 0x1074496;
constexpr TextId kUrrTestPassed = 0x1074497;
constexpr TextId kUrrTestFailed = 0x1074498;
// Section 7: compensator test.
constexpr TextId kSection7Title = 0x1074499;
constexpr TextId kS71Title = 0x107449A;
constexpr TextId kS71NotCarriedOut = 0x107449B;
constexpr TextId kS71NotCompleted = 0x107449C;
constexpr TextId kTestMassHead = 0x107449D;
constexpr TextId kTestMassHead2 = 0x107449E;
constexpr TextId kProvingRotorCheck = 0x107449F;
constexpr TextId kProvingRotorCheck2 = 0x10744A0;
constexpr TextId kProvingRotorCheckFiveUmar = 0x10744A1;
constexpr TextId kCompensatorOnlyRun = 0x10744A2;
constexpr TextId kCompensatorOnlyRun2 = 0x10744A3;
constexpr TextId kCompensatorOnlyRun3 = 0x10744A4;
constexpr TextId kCompensatorStepRun = 0x10744A5;
constexpr TextId kS72Passes = 0x10744A6;
constexpr TextId kS72Fails = 0x10744A7;
constexpr TextId kS72NoPlaneExceeds = 0x10744A8;
constexpr TextId kS72OnePlaneExceeds = 0x10744A9;
constexpr TextId kS72BothPlanesExceed = 0x10744AA;
// Section 8: moment unbalance.
constexpr TextId kSection8Title = 0x10744AB;
constexpr TextId kS81Title = 0x10744AC;
constexpr TextId kS81NotCarriedOut = 0x10744AD;
constexpr TextId kS81NotCompleted = 0x10744AE;
constexpr TextId kProvingRotorCheckUmar = 0x10744AF;
constexpr TextId kTorqueStepRun = 0x10744B0;
constexpr TextId kS82Passed = 0x10744B1;
constexpr TextId kS82NotExceeded = 0x10744B2;
constexpr TextId kS82Failed = 0x10744B3;
constexpr TextId kS82Exceeded = 0x10744B4;
// Section 9: conclusions.
constexpr TextId kSection9Title = 0x10744B5;
constexpr TextId kS91Title = 0x10744B6;
constexpr TextId kS91Machine = 0x10744B7;
constexpr TextId kS91Standard = 0x10744B8;
constexpr TextId kS91UmarConfirmed = 0x10744B9;
constexpr TextId kS91UmarConfirmed2 = 0x10744BA;
constexpr TextId kS91UmarNotConfirmed = 0x10744BB;
constexpr TextId kS91UmarNotConfirmed2 = 0x10744BC;
constexpr TextId kS91Urr = 0x10744BD;
constexpr TextId kS91UrrConforms = 0x10744BE;
constexpr TextId kS91UrrDoesNotConform = 0x10744BF;
constexpr TextId kS91Urr2 = 0x10744C0;
constexpr TextId kS91CompensatorNotTested = 0x10744C1;
constexpr TextId kS91CompensatorPassed = 0x10744C2;
constexpr TextId kS91CompensatorFailed = 0x10744C3;
constexpr TextId kS91StationInOnePlane = 0x10744C4;
constexpr TextId kS91StationInAllPlanes = 0x10744C5;
constexpr TextId kS91TorqueNotTested = 0x10744C6;
constexpr TextId kS91TorquePassed = 0x10744C7;
constexpr TextId kS91TorqueFailed = 0x10744C8;
constexpr TextId kS91IscConforms = 0x10744C9;
constexpr TextId kS91IscDoesNotConform = 0x10744CA;
constexpr TextId kVerdictApproved = 0x10744CB;
constexpr TextId kVerdictNotApproved = 0x10744CC;
// After the conclusions: a machine type, a label continuation, dialog labels, the runs table's number head.
constexpr TextId kSoftBearingHorizontal = 0x10744CD;
constexpr TextId kS1CompensatorDeviation2 = 0x10744CE;
constexpr TextId kExpertNamePrompt = 0x10744CF;
constexpr TextId kTestCompanyPrompt = 0x10744D0;
constexpr TextId kTestLocationPrompt = 0x10744D1;
constexpr TextId kNumberSign = 0x10744D2;
// Verdicts the data bear out: U|mar| passed with one point outside the band,
// and tests that were not carried out or not completed.
constexpr TextId kS56PassButOne = 0x10744D3;
constexpr TextId kS56PassButOne2 = 0x10744D4;
constexpr TextId kS56NotCompleted = 0x10744D5;
constexpr TextId kS63NotCarriedOut = 0x10744D6;
constexpr TextId kS63NotCompleted = 0x10744D7;
constexpr TextId kS91UrrNotTested = 0x10744D8;
// The compensator's limit by its value, where the compensator radius r|1| is
// not the test masses' r and the limit no multiple of U|station|.
constexpr TextId kS91LimitInOnePlane = 0x10744D9;
constexpr TextId kS91LimitInAllPlanes = 0x10744DA;

constexpr TextId kFirst = kBalancingProtocolTitle;
constexpr TextId kLast = kS91LimitInAllPlanes;
static_assert(groupBase(kFirst) == textid::kProtocolTextsGroup && itemNumber(kFirst) == 1, "first item");

}  // namespace reporttext

// The item's UTF-8 text: English when uiEnglish is non-zero, else Russian; a
// Russian-only item gives its one text in both languages.  Null for an id
// outside reporttext::kFirst to reporttext::kLast.  The texts are static.
const char* getReportText(TextId id);

// The attribute list of every protocol text: empty.
const std::uint32_t* reportTextAttrs(TextId id);
