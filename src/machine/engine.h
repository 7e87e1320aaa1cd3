#pragma once
// Drive control: brings the rotor to a requested speed and stops it.
//
// `Engine` is a sub-object of the Machine and runs only on its worker thread,
// inside a machine process.  The inverter is driven by frequency
// (`Api::setSpeed`, 0.01 Hz); a target in rpm becomes a frequency through a
// self-learned linear calibration per direction,
//     frequency = (rpm + offset) x scale,
// the frequency is corrected in proportion to the measured speed until the
// speed stays within a tolerance, and the acceleration ends with a RunStatus
// (machine_codes.h) on time-outs, inverter faults, lost data, a frequency the
// device did not take and over-speed; every error but kNoAcquisition (older
// controller) also sets the Machine's cancel flag.  The first error of an
// acceleration is its status (a later loop never clears it), the frequency
// corrected from is always the one the device took, and a stop whose
// frequency 0 the device did not take fails.  The Engine publishes the drive's machine states (ascending,
// descending, adjusting, training, autosetting, waiting for an external
// drive).  Logger "engine", opened for each acceleration.
//
// Values read by the operator interface's thread (`lastRpm`, `lastHz`,
// `targetRpm`, the calibration values, `calibrated`) are atomics written by
// the worker only.  Every wait and time point goes through the Clock.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "machine/api.h"
#include "machine/clock.h"
#include "machine/machine_codes.h"

class LoggerBase;
class RotorBase;
struct Drive;
struct Config;

// The rotor numbers a run's drive values depend on.
struct RotorRunNumbers {
    double accelerationTimeMs = 0.0;  // Rotor::inertiaQuotient of the drive's rated torque
    bool beltDrive = false;           // Rotor::isBeltDrive
    double drivePulley = 0.0;         // Rotor::pulleyDiameter(true)
    double rotorSurface = 0.0;        // Rotor::pulleyDiameter(false)
    double balancingSpeed = 0.0;      // Rotor::balancingSpeed
    double driveCalibration = 0.0;    // Rotor::driveCalibration
    bool rotationDirection = false;   // Rotor::rotationDirection
};
RotorRunNumbers rotorRunNumbers(RotorBase& rotor, const Drive& drive);

// The Engine's values that the Machine fills before every process other than
// the connect process.
struct EngineRunValues {
    bool external = false;
    double accuracy = 0.0;
    double stabFactor = 0.0;
    bool waitInverterSignal = false;
    int maxAdjust = 0;
    int speedUpTimeoutMs = 0;
    int rpmLimit = 0;
    int accelerationMs = 0;
    int decelerationMs = 0;
    int rampType = 0;
    int inverterType = 0;
    int inverterAddress = 0;
    double calibration[4] = {0, 0, 0, 0};  // pair 0 offset, scale; pair 1 offset, scale
    int calSpeed = 0;
    double savedHz = 0.0;
    double savedRpm = 0.0;
};

// Computes the run values from the present drive record, the settings (the
// inverter list and the End drive's calibration values), the process code,
// the rotor (null: none), the device's default calibration step and the
// calibration the Engine holds now (used by a belt-driven turning process).
EngineRunValues engineRunValues(const Drive& drive, const Config& config, int process, const RotorRunNumbers* rotor,
                                int defaultCalibrationStep, const double currentCalibration[4],
                                bool millingActive = false);

class Engine {
public:
    Engine(Api* api, Clock& clock, std::atomic<int>* machineState, std::atomic<bool>* cancel);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void setApi(Api* device) { api = device; }
    // The demonstration device is in use: a present replay file then skips
    // speed control.  `replayPath` is the demonstration device's replay file.
    void setDemo(bool isDemo, std::string replayPath);
    void applyRunValues(const EngineRunValues& v);

    bool setRpm(int rpm, bool first);
    bool accelerate(bool first);
    double getSpeed(bool inHz);
    // Sends a frequency (0.01 Hz, in the direction's sign); false, with the
    // device error as the run's status, when the device did not take it (a
    // frequency 0 of a stop fails only as the stop's last one).
    bool setSpeed(std::int16_t centiHz);

    // Calibration pair of a direction index (0 forward, 2 reversed).
    double calibrationValue(int index) const { return calibration[index & 3].load(); }
    void setCalibrationValue(int index, double v) { calibration[index & 3].store(v); }
    // Selects the forward (false) or reversed (true) direction.
    void setDirection(bool reversed) {
        directionSign = reversed ? -1 : 1;
        direction = reversed ? 2 : 0;
    }
    bool replayFilePresent() const;
    LoggerBase* log() const { return logger; }

    // ---- fields (the Machine fills and reads them) ----
    Api* api = nullptr;
    std::atomic<bool>* cancel = nullptr;
    int error = RunStatus::kOk;
    bool external = false;
    std::atomic<int>* machineState = nullptr;
    double rpm = 0.0;
    double startRpm = 0.0;
    double fromRpm = 0.0;
    std::atomic<double> targetRpm{0.0};
    std::atomic<double> lastRpm{0.0};
    double savedHz = 0.0;
    double savedRpm = 0.0;
    double tolerance = 1.0;
    double accuracy = 0.0;
    int stabCount = 5;
    double stabFactor = 0.0;
    int stabCounter = 0;
    bool waitInverterSignal = false;
    bool hasTurnData = false;
    double samplesPerMinute = 0.0;
    bool noSpeedUpdate = false;
    int rpmLimit = 0;
    int inverterType = 0;
    int inverterAddress = 0;
    std::atomic<double> calibration[4] = {{0.0}, {0.0}, {0.0}, {0.0}};
    int direction = 0;
    bool calibrating = false;
    std::atomic<bool> calibrated{false};
    bool sameBothWays = false;
    int calSamples = 0;
    int calSpeed = 0;
    int calDoublings = 0;
    bool calSpeedChecked = false;
    double calValues[2] = {0.0, 0.0};
    std::int16_t directionSign = 1;
    std::int16_t frequency = 0;
    std::atomic<double> lastHz{0.0};
    int adjustCount = 0;
    int maxAdjust = 0;
    int speedUpTimeoutMs = 0;
    int accelerationMs = 0;
    int decelerationMs = 0;
    int rampType = 0;
    bool trainRequested = false;
    // Step of the acceleration loop: set the frequency, (older controller)
    // measure the speed, wait for it to settle, correct the frequency, or end.
    enum AccelerationStep : int { kSetFrequency = 1, kMeasure = 2, kSettle = 3, kCorrect = 4, kFinished = 6 };
    int procState = 0;

private:
    bool calibrationNeeded() const;
    void accelerationLoop();
    void setSpeedStep();
    bool checkExit();
    void processSamples();
    void waitRpmRaw();
    void waitRpmTurns();
    void checkReached();
    bool calibrate();
    void checkCalibration(std::int64_t elapsedMs, double reading);
    void publish(int state);
    // Sets the run's status unless an earlier error set it already.
    void fail(int status);
    void raiseCancel();
    bool cancelled() const;
    double offsetValue() const { return calibration[direction & 2].load(); }
    double scaleValue() const { return calibration[(direction & 2) + 1].load(); }
    double readSpeed();

    Clock& clock_;
    LoggerBase* logger = nullptr;
    // The demo device's replay file, set by the connect process on the worker
    // and read from the interface thread through getSpeed: null when the
    // device is not the demo device or has no replay file.
    std::shared_ptr<const std::string> replayPath_;

    // Mark detector of the older controller's raw samples.
    int sampleIndex = 0;
    int markStart = 0;
    int lastMarkCentre = 0;
    bool hasMarkCentre = false;
    bool inMark = false;
    Clock::time_point markTime{};
    bool markSeen = false;
    Clock::time_point firstSpeedTime{};
    bool firstSpeedSet = false;

    Clock::time_point setSpeedTime{};
    bool setSpeedTimeSet = false;
    Clock::time_point reachTime{};
    bool reachTimeSet = false;
    double lastReading = 0.0;
};
