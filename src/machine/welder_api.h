#pragma once
// The welding remote: how the machine drives the welding unit.
//
// The machine never touches the welding-controller driver itself; it holds a
// `WelderApi` and calls it from its worker thread.  `Welder` is the one
// implementation: a thin adapter over an owned `TamskWelder::Welder_v3` that
// forwards every operation and writes the operator's commands to its own log
// "welder_api" (each line before the command is forwarded).
//
//   WelderApi* remote = new Welder();          // driver logs into "logs", level 2
//   remote->setCallbacks(onError, onFinished, onProgress);
//   if (remote->isConnected()) remote->setJogRotation(90);
//   delete remote;                             // control word 0, worker joined
//
// A new `Welder` is usable at once: when no controller answered at
// construction, commands are accepted and change set-points only.  The
// callbacks run on the driver's worker thread: finished after a jog rotation
// or a weld ends, progress on every ready pass while welding, error once when
// a register access fails (then isError() is true and isConnected() false for
// good).  A remote must never be deleted from inside a callback, and, since
// the driver's state is process-wide, a remote is deleted before the next one
// is made.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "drivers/welding/welder_v3.h"

class LoggerBase;

// The welding parameter block (eight fields, with the driver's defaults
// 10000, 1.0, 15, 61.0, 1340, 1000, true, false).
using WeldingParameters = TamskWelder::WelderParameters;

class WelderApi {
public:
    /*  0 */ virtual ~WelderApi() = default;
    /*  1 */ virtual bool isConnected() = 0;
    /*  2 */ virtual bool isError() = 0;
    /*  3 */ virtual void setCallbacks(std::function<void(int*)> error, std::function<void()> finished,
                                       std::function<void(unsigned int*)> progress) = 0;
    // Copies the parameters in use into *out; false for a null pointer.
    /*  4 */ virtual bool getParameters(WeldingParameters* out) = 0;
    // Validates the whole block; accepted: kept and saved to the parameter
    // file; refused: false, the parameters in use stay.
    /*  5 */ virtual bool setParameters(WeldingParameters parameters) = 0;
    /*  6 */ virtual void setDiameter(float diameter) = 0;
    // Tack-weld pattern index 0..8.
    /*  7 */ virtual void setPipeThickness(int pattern) = 0;
    /*  8 */ virtual void setFastRotation(int value) = 0;
    /*  9 */ virtual void setJogRotation(int degrees) = 0;
    /* 10 */ virtual void setJogWelding(bool on) = 0;
    /* 11 */ virtual void setWeldRotation(bool on) = 0;
    /* 12 */ virtual void setWeldWelding(bool on) = 0;
    // Cheap (no device access): the status of the driver's last pass; bits
    // 0-2 all set mean the controller is ready.
    /* 13 */ virtual std::uint32_t getState() = 0;
};

class Welder : public WelderApi {
public:
    // The program's remote: the driver logs into "logs" at level 2 and keeps
    // its parameters in "./welderParameters.ini".
    Welder();
    // With the driver's options (parameter file, callbacks installed before
    // its worker starts).
    Welder(const std::string& logFolder, unsigned logLevel, TamskWelder::WelderOptions options);
    // Deletes the logger, then the driver (control word 0, worker joined).
    ~Welder() override;
    Welder(const Welder&) = delete;
    Welder& operator=(const Welder&) = delete;

    bool isConnected() override;
    bool isError() override;
    void setCallbacks(std::function<void(int*)> error, std::function<void()> finished,
                      std::function<void(unsigned int*)> progress) override;
    bool getParameters(WeldingParameters* out) override;
    bool setParameters(WeldingParameters parameters) override;
    void setDiameter(float diameter) override;
    void setPipeThickness(int pattern) override;
    void setFastRotation(int value) override;
    void setJogRotation(int degrees) override;
    void setJogWelding(bool on) override;
    void setWeldRotation(bool on) override;
    void setWeldWelding(bool on) override;
    std::uint32_t getState() override;

    TamskWelder::Welder_v3& driver() { return *_driver; }

private:
    std::unique_ptr<TamskWelder::Welder_v3> _driver;
    LoggerBase* _log = nullptr;
};
