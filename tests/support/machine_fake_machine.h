#pragma once
// FakeMachine: a MachineBase for the interface's tests.
//
// Every operation is logged by name in `calls` (with its arguments where it
// has any, e.g. "startProcess(7)", "setSpeed(1500,0)", "onKey(108)"); the
// values it answers are public fields the test scripts.  It holds the rotor
// it was handed and, with `touchRotor`, reads it on every getState call, as
// the real worker may at any time, so a rotor freed while held fails under
// AddressSanitizer.
//
// Connection: setConnectFlag sets the flag when the state is 0 and the flag
// is clear, and answers true then (the first idle frame after a connection);
// `reconnect()` clears it as the connect process does.

#include <string>
#include <vector>

#include "machine/machine_base.h"

class FakeMachine final : public MachineBase {
public:
    // ---- scripted answers ----
    int state = 0;
    double angle = 0;
    double speed = 0;      // min^-1
    double frequency = 0;  // Hz
    int result = 0;
    int resultCount = 0;
    std::string deviceName = "FAKE 1.0";
    std::string errorMessage;
    std::string errorTitle;
    bool demo = false;
    bool invertersOk = true;
    bool connectFlag = false;
    int connectAttempt = 0;
    bool external = false;
    bool welderStatus = false;
    bool welderActive = false;
    bool weldingReady = false;
    int weldValue = 0;
    // initPlaneData(block): the traces of planeBlocks[block] by slot and their
    // length; 0 (not acquired) for a block not listed.
    std::vector<std::vector<std::vector<float>>> planeBlocks;
    int copyLogsProgress = -1;
    int copyLogsResult = 0;
    int channelGain = 1;
    int quitCallsNeeded = 1;  // requestQuit answers true from this call on
    bool refuseStarts = false;  // startProcess answers false (a reconnection on its way)
    bool startPending = false;  // isStartPending: a start accepted and not yet ended
    bool touchRotor = false;
    // getSamples: a copy of `samples` (null when empty), given as
    // `samplePoints` frames per block and `sampleBlocks` blocks, as the
    // machine counts them (256; 1 in a test, else 3).
    std::vector<int> samples;
    int samplePoints = 256;
    int sampleBlocks = 1;
    int planeValueA = 0;
    int planeValueB = 0;

    // ---- what happened ----
    std::vector<std::string> calls;
    Rotor* rotor = nullptr;
    int lastProcess = 0;

    // Calls whose log entry starts with `prefix` ("startProcess", "startProcess(7)").
    int count(const std::string& prefix) const;
    void reconnect() { connectFlag = false; }

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
    /* 12 */ int getState() override;
    /* 13 */ double getAngle() override { return angle; }
    /* 14 */ double getSpeedInfo(bool inHz) override { return inHz ? frequency : speed; }
    /* 15 */ int getMaxSamples() override { return 32768; }
    /* 16 */ int* getSamples(int* points, int* valuesPerSample) override;
    /* 17 */ int initPlaneData(std::vector<float> traces[16], int block) override;
    /* 18 */ const char* getDeviceName() override { return deviceName.c_str(); }
    /* 19 */ int getResult() override { return result; }
    /* 20 */ std::string errorText(int* shownCode, std::string* title) override;
    /* 21 */ double getSpecificUnbalance(char* out, int size) override;
    /* 22 */ void setRotor(Rotor* r) override;
    /* 23 */ Rotor* getRotor() override { return rotor; }
    /* 24 */ int getDriveType() override { return 0; }
    /* 25 */ void setTurnTarget(double angleDeg, double jogDistance) override;
    /* 26 */ int setTurnSpeed(double value, int plane) override;
    /* 27 */ void applyMiscParams() override;
    /* 28 */ void requestDriveSetup() override;
    /* 29 */ void resetBooster() override;
    /* 30 */ int getChannelGain(int) override { return channelGain; }
    /* 31 */ void onKey(int key) override;
    /* 32 */ void setBrake(bool on) override;
    /* 33 */ void setRelay(bool on, int relay) override;
    /* 34 */ bool hasRecentData() override { return false; }
    /* 35 */ bool getWelderStatusFlag() override { return welderStatus; }
    /* 36 */ void restartWelder() override;
    /* 37 */ bool isWelderActive() override { return welderActive; }
    /* 38 */ bool isFrezerActive() override { return false; }
    /* 39 */ bool takeDeviceReleased() override { return false; }
    /* 40 */ int getWeldValue() override { return weldValue; }
    /* 41 */ int getConnectAttempt() override { return connectAttempt; }
    /* 42 */ bool requestUpdateMode() override;
    /* 43 */ void setBoosterLevel(int level) override;
    /* 44 */ bool reserved44() override { return true; }
    /* 45 */ int getResultCount() override { return resultCount; }
    /* 46 */ void resetResults() override;
    /* 47 */ void requestReconnect() override;
    /* 48 */ bool isDemo() override { return demo; }
    /* 49 */ bool isExternalDrive() override { return external; }
    /* 50 */ bool getConnectFlag() override { return connectFlag; }
    /* 51 */ bool isInvertersOk() override { return invertersOk; }
    /* 52 */ void addResult() override { ++resultCount; }
    /* 53 */ void setPlaneValues(int a, int b) override;
    /* 54 */ void getPlaneValues(int* a, int* b) override;
    /* 55 */ void requestCopyLogs() override;
    /* 56 */ int getCopyLogsProgress() override { return copyLogsProgress; }
    /* 57 */ int takeCopyLogsResult() override;
    /* 58 */ bool isWeldingReady() override { return weldingReady; }
    /* 59 */ void setPipeDiameter(float mm) override;
    /* 60 */ void setPipeThickness(int pattern) override;
    /* 61 */ void setFastRotation(int v) override;
    /* 62 */ void setJogRotation(int angleDeg, int tacks) override;
    /* 63 */ void setJogWelding(bool on) override;
    /* 64 */ void setWeldRotation(bool on) override;
    /* 65 */ void setWeldWelding(bool on) override;
    /* 66 */ bool isStartPending() override { return startPending; }

private:
    void log(const std::string& entry) { calls.push_back(entry); }
    int quitCalls_ = 0;
};
