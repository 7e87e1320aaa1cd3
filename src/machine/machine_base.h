#pragma once
// MachineBase: the balancing machine as the operator interface sees it.
//
// `Machine` (machine/machine.h) is its one implementation.  The operator
// interface calls these operations on its own thread; almost every one stores
// an atomic request that the machine's worker thread serves, or reads a value
// the worker published.  None of them touches the device from the calling
// thread.  The operations stand in a fixed slot order (the number before each
// declaration); the destructor is the last slot.
//
// The process codes, states and results that cross this interface as ints
// have their names in machine/machine_codes.h.

#include <string>
#include <vector>

#include "machine/machine_codes.h"

class Rotor;

class MachineBase {
public:
    // The interface takes a new connection: true once per connection, when
    // the machine is idle or a start held behind the reconnection waits for
    // this (it turns only after it).
    /*  0 */ virtual bool setConnectFlag() = 0;
    /*  1 */ virtual void clearConnectFlag() = 0;
    /*  2 */ virtual bool startProcess(int code) = 0;
    /*  3 */ virtual bool requestQuit() = 0;
    /*  4 */ virtual bool stop() = 0;
    /*  5 */ virtual void setSpeed(double value, bool isFrequency) = 0;
    /*  6 */ virtual void confirmStart() = 0;
    /*  7 */ virtual void startTraining() = 0;
    /*  8 */ virtual void clearSampleBuffer() = 0;
    /*  9 */ virtual bool reserved9() = 0;  // false
    /* 10 */ virtual void saveCalibration(bool onlyAfterAcceleration) = 0;
    /* 11 */ virtual void setEventLogging(bool on) = 0;
    /* 12 */ virtual int getState() = 0;
    /* 13 */ virtual double getAngle() = 0;
    /* 14 */ virtual double getSpeedInfo(bool inHz) = 0;
    /* 15 */ virtual int getMaxSamples() = 0;
    // A malloc'ed copy of the newest sample rows (the caller frees it), or null.
    /* 16 */ virtual int* getSamples(int* points, int* valuesPerSample) = 0;
    // Copies sample block `block` of every listed channel into traces[k];
    // returns the samples per channel, 0 while that block is not acquired.
    /* 17 */ virtual int initPlaneData(std::vector<float> traces[16], int block) = 0;
    /* 18 */ virtual const char* getDeviceName() = 0;
    /* 19 */ virtual int getResult() = 0;
    /* 20 */ virtual std::string errorText(int* shownCode, std::string* title) = 0;
    /* 21 */ virtual double getSpecificUnbalance(char* out, int size) = 0;
    /* 22 */ virtual void setRotor(Rotor* rotor) = 0;
    /* 23 */ virtual Rotor* getRotor() = 0;
    /* 24 */ virtual int getDriveType() = 0;
    /* 25 */ virtual void setTurnTarget(double angle, double jogDistance) = 0;
    /* 26 */ virtual int setTurnSpeed(double value, int plane) = 0;
    /* 27 */ virtual void applyMiscParams() = 0;
    /* 28 */ virtual void requestDriveSetup() = 0;
    /* 29 */ virtual void resetBooster() = 0;
    /* 30 */ virtual int getChannelGain(int slot) = 0;
    /* 31 */ virtual void onKey(int key) = 0;
    /* 32 */ virtual void setBrake(bool on) = 0;
    /* 33 */ virtual void setRelay(bool on, int relay) = 0;
    /* 34 */ virtual bool hasRecentData() = 0;
    /* 35 */ virtual bool getWelderStatusFlag() = 0;
    /* 36 */ virtual void restartWelder() = 0;
    /* 37 */ virtual bool isWelderActive() = 0;
    /* 38 */ virtual bool isFrezerActive() = 0;
    /* 39 */ virtual bool takeDeviceReleased() = 0;
    /* 40 */ virtual int getWeldValue() = 0;
    /* 41 */ virtual int getConnectAttempt() = 0;
    /* 42 */ virtual bool requestUpdateMode() = 0;
    /* 43 */ virtual void setBoosterLevel(int level) = 0;
    /* 44 */ virtual bool reserved44() = 0;  // true
    /* 45 */ virtual int getResultCount() = 0;
    /* 46 */ virtual void resetResults() = 0;
    /* 47 */ virtual void requestReconnect() = 0;
    /* 48 */ virtual bool isDemo() = 0;
    /* 49 */ virtual bool isExternalDrive() = 0;
    /* 50 */ virtual bool getConnectFlag() = 0;
    /* 51 */ virtual bool isInvertersOk() = 0;
    /* 52 */ virtual void addResult() = 0;
    /* 53 */ virtual void setPlaneValues(int a, int b) = 0;
    /* 54 */ virtual void getPlaneValues(int* a, int* b) = 0;
    /* 55 */ virtual void requestCopyLogs() = 0;
    /* 56 */ virtual int getCopyLogsProgress() = 0;
    /* 57 */ virtual int takeCopyLogsResult() = 0;
    /* 58 */ virtual bool isWeldingReady() = 0;
    /* 59 */ virtual void setPipeDiameter(float mm) = 0;
    /* 60 */ virtual void setPipeThickness(int pattern) = 0;
    /* 61 */ virtual void setFastRotation(int v) = 0;
    /* 62 */ virtual void setJogRotation(int angle, int tacks) = 0;
    /* 63 */ virtual void setJogWelding(bool on) = 0;
    /* 64 */ virtual void setWeldRotation(bool on) = 0;
    /* 65 */ virtual void setWeldWelding(bool on) = 0;
    // True from an accepted startProcess until that process has ended, also
    // while it waits behind a reconnection (the state then "Initializing").
    /* 66 */ virtual bool isStartPending() = 0;
    /* 67 */ virtual ~MachineBase() = default;
};
