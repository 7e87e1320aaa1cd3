#pragma once
// The machine's codes by name: process codes, displayed states, process
// results, the device's error codes and the status of the drive control and
// the measuring part.
//
// They stay plain ints because they cross the machine's interface as ints,
// reach the logs and index the state and error texts; these names are the
// only place their values are written down.

// Process code (`MachineBase::startProcess`, the worker's `_process`).  Any
// other non-zero code is a speed-controlled measurement like kBalancing that
// starts at the requested speed.
namespace MachineProcess {
constexpr int kIdle = 0;           // no process: the worker runs idle passes
constexpr int kConnect = 1;        // makes the device
constexpr int kAcceleration = 6;   // calibration run of the drive (autosetting)
constexpr int kBalancing = 7;      // balancing measurement at the rotor's balancing speed
constexpr int kTurnToAngle = 8;    // turns the rotor to a target angle
constexpr int kTest = 9;           // measuring at the present speed, every sample kept
constexpr int kSampledTest = 12;   // as kTest, one sample in "Number of test measurements" kept
constexpr int kRisingSpeeds = 13;  // measuring at speeds rising by 50 rpm per pass

// Measures without speed control, at whatever speed the rotor turns.
constexpr bool withoutSpeedControl(int process) {
    return process == kTest || process == kSampledTest;
}
// Prepares the measuring part before it runs.
constexpr bool setsUpMeasurement(int process) {
    return process == kBalancing || withoutSpeedControl(process) || process == kRisingSpeeds;
}
}  // namespace MachineProcess

// Displayed state (`MachineBase::getState`); the text of state s is item
// s + 1 of the machine-state text group.
namespace MachineState {
constexpr int kIdle = 0;
constexpr int kInitializing = 1;   // a reconnect is under way
constexpr int kAscending = 2;      // the drive speeds up
constexpr int kDescending = 3;     // the drive slows down
constexpr int kAdjusting = 4;      // the drive corrects its frequency
constexpr int kTraining = 5;       // the speed sensor learns the rotor
constexpr int kAutosetting = 6;    // the drive calibrates
constexpr int kMeasuring = 7;
constexpr int kTurning = 8;
constexpr int kTesting = 9;
constexpr int kWaiting = 10;       // an external drive speeds up
constexpr int kWaiting1 = 11;      // an external drive slows down
constexpr int kCertification = 12;
constexpr int kCalibration = 13;
constexpr int kBeginPrompt = 14;   // "Begin?": the process waits for `confirmStart`
constexpr int kConfiguring = 15;   // the drive's motor parameters are sent
constexpr int kCopyingLogs = 16;
}  // namespace MachineState

// Error codes the devices keep and `Api::getErrorInfo` returns; a process
// result may carry them.  Codes below MachineError::kInverterFaultLimit are
// fault codes of the frequency inverter.
namespace ApiError {
constexpr int kNone = 0;
constexpr int kExternalInputFirst = 9981;  // external error input 1 open
constexpr int kExternalInputLast = 9988;   // external error input 8 open
constexpr int kEmergencyStop = 9995;
constexpr int kShaftNotConnected = 9996;
constexpr int kFaultUnreadable = 9997;     // the inverter's last fault code could not be read
constexpr int kInvalidInverterState = 9998;
constexpr int kNoConnection = 9999;        // a register read failed
}  // namespace ApiError

// Result of the last process (`MachineBase::getResult`).  Besides these the
// result carries the device's codes (ApiError), inverter fault codes (below
// kInverterFaultLimit) and the welding remote's state texts.
namespace MachineError {
constexpr int kNone = 0;
constexpr int kOperatorAbort = 1;     // key "z"
constexpr int kDriveNotReady = 2;     // refused or blocked drive
constexpr int kInverterFaultLimit = 9000;
constexpr int kInitializing = 9900;   // shown only: no device yet
constexpr int kNoPhasorSignal = 9901;
constexpr int kVibrationTooHigh = 9902;
constexpr int kSpeedNotReached = 9903;
constexpr int kOverDriveLimit = 9913; // the balancing speed exceeds the drive's maximum
// Codes from here on are titled "Error!", codes below it "Drive fault!".
constexpr int kFirstTitledError = kNoPhasorSignal;
}  // namespace MachineError

// Status of one run of the drive control (`Engine::error`) or the measuring
// part (`Measurer::status`); the Machine turns it into a result.
namespace RunStatus {
constexpr int kOk = 0;
constexpr int kNoPhasorSignal = 1;      // no speed within the speed-up time-out
constexpr int kDeviceError = 2;         // inverter fault or failed device read: the device's code
constexpr int kVibrationTooHigh = 3;    // a channel overflowed with the emergency stop configured
constexpr int kTooManyCorrections = 4;  // the speed did not settle
constexpr int kNoAcquisition = 5;       // the speed acquisition could not start
constexpr int kOverSpeedStop = ApiError::kEmergencyStop;
}  // namespace RunStatus
