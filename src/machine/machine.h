#pragma once
// Machine: the one implementation of MachineBase.
//
// The Machine owns the device (`Api`, made by the connect process), the drive
// control (`Engine`), the measuring part (`Measurer`), three loggers
// ("machine", "engine", "measurer") and the worker thread.  It holds, without
// owning, the settings (`Config`) and the active rotor.
//
// The operator interface's thread never touches the device: its operations
// store atomic requests that the worker serves at the top of an idle pass (or
// at a poll point inside a process), or read values that the worker published
// after each idle pass and process (device present, error code and inverter
// type, the data-gap flag, the device's five gain steps, the device name).
//
// A reconnection asked for and not yet made keeps the machine busy: a start
// is refused meanwhile, and one the worker had not begun when it took the
// reconnection runs after it, on the new device (one that finds the demo
// device in place of a lost controller ends with no connection instead).
//
// Lifecycle: no thread runs until the first `startProcess` (normally 1, the
// connect process).  Shutdown: call `requestQuit` until it returns true, then
// delete the Machine; the destructor joins the worker.  A Machine whose worker
// ended (update mode, a quit) starts a new one on the next `startProcess`.
//
// Everything that waits or asks for the time goes through the Clock of the
// dependencies, so tests run the machine in virtual time.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "machine/api.h"
#include "machine/clock.h"
#include "machine/engine.h"
#include "machine/machine_base.h"
#include "machine/measurer.h"
#include "texts/texts.h"  // TextId

class EApiFactory;
class LoggerBase;
class Rotor;
class WelderApi;
struct Config;
struct Drive;
struct EngineParams;

// What the Machine makes its devices and services with.  Every member left
// empty takes the program's own.
struct MachineDeps {
    Clock* clock = nullptr;                     // default: SteadyClock::instance()
    std::function<Api*(Clock&)> makeOlder;      // default: EApiFactory::createEApi (one factory per connect)
    std::function<Api*(Clock&)> makeMeasuring;  // default: createIApi
    std::function<Api*(Clock&)> makeDemo;       // default: MApi on its default replay file
    std::string demoReplayPath;                 // default: MApi::kDefaultReplayPath
    // Writes the log archive (result, percent): default exportLogsArchive.
    std::function<void(std::atomic<int>* result, std::atomic<int>* percent)> exportLogs;
    // Makes the welding remote: default a new Welder (driver logs into "logs").
    std::function<WelderApi*()> makeWelder;
};

class Machine : public MachineBase {
public:
    Machine(int pauseMs, Config* config, MachineDeps deps = {});
    ~Machine() override;
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    /*  0 */ bool setConnectFlag() override;
    /*  1 */ void clearConnectFlag() override;
    /*  2 */ bool startProcess(int code) override;
    /*  3 */ bool requestQuit() override;
    /*  4 */ bool stop() override;
    /*  5 */ void setSpeed(double value, bool isFrequency) override;
    /*  6 */ void confirmStart() override;
    /*  7 */ void startTraining() override;
    /*  8 */ void clearSampleBuffer() override;
    /*  9 */ bool reserved9() override { return false; }
    /* 10 */ void saveCalibration(bool onlyAfterAcceleration) override;
    /* 11 */ void setEventLogging(bool on) override;
    /* 12 */ int getState() override { return _state.load(); }
    /* 13 */ double getAngle() override { return _angle.load(); }
    /* 14 */ double getSpeedInfo(bool inHz) override;
    /* 15 */ int getMaxSamples() override { return 32768; }
    /* 16 */ int* getSamples(int* points, int* valuesPerSample) override;
    /* 17 */ int initPlaneData(std::vector<float> traces[16], int block) override;
    /* 18 */ const char* getDeviceName() override;
    /* 19 */ int getResult() override { return _result.load(); }
    /* 20 */ std::string errorText(int* shownCode, std::string* title) override;
    /* 21 */ double getSpecificUnbalance(char* out, int size) override;
    /* 22 */ void setRotor(Rotor* rotor) override;
    /* 23 */ Rotor* getRotor() override { return _rotor.load(); }
    /* 24 */ int getDriveType() override { return _driveType.load(); }
    /* 25 */ void setTurnTarget(double angle, double jogDistance) override;
    /* 26 */ int setTurnSpeed(double value, int plane) override;
    /* 27 */ void applyMiscParams() override;
    /* 28 */ void requestDriveSetup() override { _reqDriveSetup.store(true); }
    /* 29 */ void resetBooster() override;
    /* 30 */ int getChannelGain(int slot) override;
    /* 31 */ void onKey(int key) override;
    /* 32 */ void setBrake(bool on) override;
    /* 33 */ void setRelay(bool on, int relay) override;
    /* 34 */ bool hasRecentData() override { return _pubGap.load(); }
    /* 35 */ bool getWelderStatusFlag() override { return _welderStatus.load(); }
    /* 36 */ void restartWelder() override { _reqWelderRestart.store(true); }
    /* 37 */ bool isWelderActive() override { return _welderActive.load(); }
    /* 38 */ bool isFrezerActive() override { return _frezerActive.load(); }
    /* 39 */ bool takeDeviceReleased() override { return _deviceReleased.exchange(false); }
    /* 40 */ int getWeldValue() override;
    /* 41 */ int getConnectAttempt() override { return _connectAttempt.load(); }
    /* 42 */ bool requestUpdateMode() override;
    /* 43 */ void setBoosterLevel(int level) override;
    /* 44 */ bool reserved44() override { return true; }
    /* 45 */ int getResultCount() override { return _resultCount.load(); }
    /* 46 */ void resetResults() override;
    /* 47 */ void requestReconnect() override { _reqReconnect.store(true); }
    /* 48 */ bool isDemo() override { return _isDemo.load(); }
    /* 49 */ bool isExternalDrive() override;
    /* 50 */ bool getConnectFlag() override { return _connectFlag.load(); }
    /* 51 */ bool isInvertersOk() override { return _invertersOk.load(); }
    /* 52 */ void addResult() override { _resultCount.fetch_add(1); }
    /* 53 */ void setPlaneValues(int a, int b) override;
    /* 54 */ void getPlaneValues(int* a, int* b) override;
    /* 55 */ void requestCopyLogs() override;
    /* 56 */ int getCopyLogsProgress() override;
    /* 57 */ int takeCopyLogsResult() override { return _copyLogsResult.exchange(0); }
    /* 58 */ bool isWeldingReady() override;
    /* 59 */ void setPipeDiameter(float mm) override;
    /* 60 */ void setPipeThickness(int pattern) override;
    /* 61 */ void setFastRotation(int v) override;
    /* 62 */ void setJogRotation(int angle, int tacks) override;
    /* 63 */ void setJogWelding(bool on) override;
    /* 64 */ void setWeldRotation(bool on) override;
    /* 65 */ void setWeldWelding(bool on) override;
    /* 66 */ bool isStartPending() override;

    // ---- for tests and diagnostics ----
    Clock& clock() const { return clock_; }
    int process() const { return _process.load(); }
    bool workerRunning() const { return _threadRunning.load(); }
    // A frequency request not yet served.
    bool frequencyPending() const { return _reqFrequency.load(); }
    Engine& engine() { return _engine; }
    Measurer& measurer() { return _measurer; }
    int connectPauseMs() const { return _pauseMs; }
    // The turning frequency (0.01 Hz) that the turn to an angle takes next.
    int turnSpeedValue() const { return _turnSpeed.load(); }

    // Frequency (0.01 Hz) for a frequency in Hz: x 100, truncated, limited to
    // the signed 16-bit range.
    static std::int16_t frequencyValue(double hz);
    // The status rule of the drive control and the measuring part.
    int statusResult(int status);

private:
    // A request for the running process: wakes the worker and, while a
    // process runs, cancels its device operation.  From idle nothing runs
    // that it must stop.
    void wakeProcess();
    // A request that stops whatever runs: the process and an idle training.
    void cancelAll();
    // ---- worker ----
    void workerLoop();
    bool takeReconnect();
    bool awaitInterface();
    // A step of the running process begins: earlier wakes and cancels are spent.
    void beginStep();
    void idlePass();
    // Serves the requests that every poll point serves: the frequency and
    // the pending device key.
    void servePollRequests();
    // Publishes the device values the interface reads; `force` refreshes the
    // device's error info and gains now, else at most once a second.
    void publish(bool force);
    // Idle pass parts; serveIdleRequests is false when the update mode ends
    // the worker.
    bool serveIdleRequests(Api* a);
    void serveBoosterRequest();
    void switchRelay(Api* a, const Drive& d);
    void setUpDrive(Api* a, const Drive& d);
    void serveLogRequests(Api* a);
    void sendMiscParams(bool belt);
    void pollDevice();
    // The rotor angle as the interface shows it (reversed when configured).
    bool readAngle(double* angle);
    // Connect process parts.
    void connectDevice(bool connectFlag);
    void openDevice();
    Api* makeDevice(TextId system, std::unique_ptr<EApiFactory>& olderFactory);
    void sendInverterList();
    void publishDeviceName();
    void attachDevice();
    void deleteDevice();
    // Process frame and the processes.
    void runProcessFrame(int code);
    bool initProcess(int code);
    bool setUpNotTaken(const char* what);
    bool selectInverter(const Drive& d, int code, bool milling);
    int processStartRpm(int code, Rotor* rotor) const;
    void setRunValues(const Drive& d, int code, Rotor* rotor, bool milling);
    void resetRunRequests(int startRpm);
    void dispatch(int code);
    void runAcceleration();
    void runProcess(int code);
    bool blockedCheck();
    void stopDrive();
    bool reachSpeed(int rpm, bool first);
    void prepareTestMeasurement(int code);
    void measureAt(const Drive& d, int code, int rpm, Rotor* rotor);
    void waitForBegin(const Drive& d);
    void injectChosenResults(Rotor* rotor);
    void nextRisingSpeed(int rpm, Rotor* rotor);
    void measureStep();
    void turnToAngle();
    int turnSign(Rotor* rotor, double target, double current, bool jog) const;
    void turnPass();
    void copyLogs();
    void weldingService();
    void deleteWelder();
    // Welding service parts (machine_welding.cpp).
    void createWelder();
    bool sendWeldingParameters();
    bool selectWeldInverter(const char* request);
    int weldRotationFrequency();
    void weldingSequence();
    void remoteTackSequence();
    void checkRemoteState();
    std::string demoReplayPath() const;

    const Drive& drive() const;
    Drive* drivePtr() const { return _drive.load(); }

    Config* _config;
    MachineDeps deps_;
    Clock& clock_;
    int _pauseMs;

    Api* _api = nullptr;
    std::atomic<bool> _apiPresent{false};
    std::unique_ptr<EngineParams> _sentEngineParams;

    std::atomic<int> _state{0};
    // Wakes the worker out of a wait of the running process and ends the
    // step under way (the drive control and the measuring part take it as
    // their cancel flag); cleared as each step of a process begins.
    std::atomic<bool> _wake{false};
    // Cancels the device operation under way (a speed-sensor training, from
    // a process or from idle): cleared when such an operation or a process
    // step begins, set only by a request that must stop it (a Stop, the quit,
    // or a wake while a process runs).
    std::atomic<bool> _cancel{false};
    Engine _engine;
    Measurer _measurer;

    std::thread _thread;
    std::atomic<bool> _threadRunning{false};

    std::atomic<int> _result{0};
    std::atomic<bool> _isDemo{false};
    LoggerBase* _machineLog = nullptr;
    LoggerBase* _guiLog = nullptr;  // the "machine" log written on the interface's thread
    LoggerBase* _engineLog = nullptr;
    std::atomic<int> _injectRow{-1};
    std::atomic<bool> _reverseAngle{false};
    std::atomic<Rotor*> _rotor{nullptr};
    std::atomic<Drive*> _drive{nullptr};
    std::atomic<int> _driveType{0};
    std::atomic<int> _process{0};
    std::atomic<double> _angle{0.0};
    std::atomic<int> _requestedRpm{0};
    std::atomic<bool> _stopRequested{false};
    std::atomic<bool> _connectFlag{false};
    std::atomic<bool> _measuring{false};
    std::atomic<bool> _driveRunning{false};
    std::atomic<bool> _blocked{false};
    std::atomic<bool> _quit{false};
    std::atomic<bool> _deviceReleased{false};
    std::atomic<int> _resultCount{0};
    std::atomic<int> _planeValues[2] = {{0}, {0}};
    std::atomic<bool> _invertersOk{false};
    std::atomic<int> _connectAttempt{0};
    std::atomic<int> _requestedBoosterLevel{0};
    std::atomic<int> _turnSpeed{0};
    std::atomic<double> _turnTarget{0.0};
    std::atomic<double> _jogDistance{0.0};
    std::atomic<bool> _jogTurn{false};
    std::atomic<bool> _overDriveLimit{false};
    std::atomic<bool> _extendedKeys{false};
    bool _lastRoundOk = true;  // worker only: the last round was idle or ended without an error
    bool _runBelt = false;     // worker only: the running process drives a belt-driven rotor
    std::atomic<int> _heldStart{0};  // the start that runs after the reconnect under way
    std::atomic<bool> _heldAwaitsReady{false};  // connected; the held start waits for the interface to take it

    // Requests.
    std::atomic<bool> _reqReconnect{false};
    std::atomic<bool> _reqBooster{false};
    std::atomic<bool> _reqBoosterReset{false};
    std::atomic<bool> _reqMisc{false};
    std::atomic<bool> _reqDriveSetup{false};
    std::atomic<bool> _reqWelderRestart{false};
    std::atomic<bool> _reqBrake{false};
    std::atomic<bool> _brakeValue{false};
    std::atomic<std::int64_t> _brakeTimeNs{0};
    std::atomic<bool> _reqRelay{false};
    std::atomic<bool> _relayOn{false};
    std::atomic<int> _relayNumber{0};
    std::atomic<bool> _reqTraining{false};
    std::atomic<bool> _reqUpdateMode{false};
    std::atomic<bool> _reqLogOn{false};
    std::atomic<bool> _reqLogOff{false};
    std::atomic<bool> _reqCopyLogs{false};
    std::atomic<bool> _reqTurnSpeed{false};
    std::atomic<bool> _reqFrequency{false};
    std::atomic<int> _frequencyValue{0};
    std::atomic<int> _reqKey{-1};

    // Polled and published values.
    std::atomic<bool> _welderStatus{false};
    std::atomic<bool> _welderActive{false};
    std::atomic<int> _weldProgress{-1};
    std::atomic<bool> _frezerActive{false};
    std::atomic<int> _copyLogsProgress{-1};
    std::atomic<int> _copyLogsResult{0};
    std::atomic<int> _pubErrorCode{0};
    std::atomic<int> _pubInverterType{0};
    std::atomic<bool> _pubGap{false};
    std::atomic<int> _pubGains[5] = {{-1}, {-1}, {-1}, {-1}, {-1}};
    std::atomic<const std::string*> _deviceName{nullptr};
    std::string _deviceNames[2];  // two copies; the published one is never rewritten
    int _deviceNameSlot = 0;

    // Welding.
    std::atomic<bool> _weldReady{false};
    std::atomic<bool> _welderFailed{false};  // the remote's error callback came; the idle pass shows it
    std::atomic<int> _weldValue{0};
    std::atomic<int> _tacksLeft{0};
    std::atomic<int> _tackStep{0};
    std::atomic<double> _pipeDiameter{0.0};
    std::atomic<bool> _reqPipeDiameter{false};
    std::atomic<int> _pipePattern{0};
    std::atomic<bool> _reqPipePattern{false};
    std::atomic<int> _fastValue{0};
    std::atomic<bool> _reqFast{false};
    std::atomic<int> _jogValue{0};
    std::atomic<bool> _reqJog{false};
    std::atomic<bool> _jogWeldValue{false};
    std::atomic<bool> _reqJogWeld{false};
    std::atomic<bool> _weldRotValue{false};
    std::atomic<bool> _reqWeldRot{false};
    std::atomic<bool> _weldWeldValue{false};
    std::atomic<bool> _reqWeldWeld{false};
    // Worker only: the welding remote and the turning bookkeeping of the
    // sequence without it.
    WelderApi* _welder = nullptr;
    LoggerBase* _welderLog = nullptr;  // the "machine" log written by the remote's callbacks
    bool _pipeDiameterGiven = false;
    bool _pipePatternGiven = false;
    double _weldRemaining = 0.0;     // degrees still to turn
    double _weldLastAngle = 0.0;     // angle where the last limit was taken
    double _weldPassAngle = 0.0;     // angle seen by the previous pass
    double _weldTargetAngle = -1.0;  // -1.0: none
    double _weldLimit = 1.0;         // degrees the drive still turns after frequency 0
    int _weldFrequency = 0;          // frequency (0.01 Hz) of the running turn
    Clock::time_point _weldStepTime{};
    Clock::time_point _fastRotationTime{};
    bool _fastRotationServed = false;
    Clock::time_point _publishTime{};
    bool _publishTimeSet = false;
};
