#pragma once
// The welding-controller driver.
//
// Welder_v3 keeps the eight welding parameters (file "welderParameters.ini",
// section "WelderParameters"), turns operator commands into set-points and
// bits of the controller's control word, and runs one worker thread that
// every 500 ms (from the end of a pass) reads the controller's status, reports
// progress, completion and errors through three callbacks, and writes the
// set-points that changed through WelderMaster.
//
// One welding controller per process: the register layer, the control word
// and the set-points are process-wide (welderSetpoints()).  Commands change
// their fields as one unit under a short lock, and the worker takes one
// consistent snapshot of them per pass; the control word goes out last.
// The first failing register access ends the worker: control 0 is tried once
// on a fresh link (the broken one is closed), the error callback gets its
// code (-100..-103), isConnected() turns false and isError() true for good;
// the owner then deletes the driver and makes a new one, which sends every
// set-point again.  A new driver takes a controller only when its firmware
// reads, and attaches with the motion bits cleared.  A driver that refuses a
// controller after its control word went out, or whose closing control 0
// fails, sends control 0 once more on a fresh link too.
//
// Callbacks run on the worker thread; the destructor must not be called from
// one (it joins the worker).

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "drivers/welding/welder_master.h"

namespace TamskWelder {

// The welding parameter block, with its defaults.
struct WelderParameters {
    std::uint32_t encoderSamples = 10000;       // 1..20000
    float encoderRatio = 1.0f;                  // 1.0..100.0
    std::uint32_t seamOverlap = 15;             // degrees, 0..360
    float gearRatio = 61.0f;                    // 1.0..100.0
    std::uint32_t motorNominalRPM = 1340;       // 100..10000
    std::uint32_t weldingLinearSpeed = 1000;    // 100..10000
    bool reverseRotationPermission = true;
    bool weldingDirectionRotation = false;
};

// True when every field lies in its range (bounds included; NaN fails).
bool checkWelderParameters(const WelderParameters& p);

// Control word bits.
enum WelderControlBits : std::uint32_t {
    kControlFastRotation = 1u << 0,
    kControlJogRotation = 1u << 1,
    kControlWeldRotation = 1u << 2,
    kControlWelding = 1u << 3,
    kControlAttached = 1u << 15,
};
constexpr std::uint32_t kControlMotionBits =
    kControlFastRotation | kControlJogRotation | kControlWeldRotation | kControlWelding;
// A control word with its motion bits cleared and the attached bit set.
std::uint32_t stoppedControl(std::uint32_t control);

// Status word bits used by the driver.
constexpr std::uint32_t kStatusFinished = 1u << 12;
constexpr std::uint32_t kStatusReady = (1u << 13) | (1u << 14) | (1u << 15);

// Motion modes.
enum WelderMotion : std::uint8_t { kMotionNone = 0, kMotionJog = 1, kMotionWelding = 2 };

// A consistent copy of the process-wide set-points.
struct WelderSetpoints {
    std::uint32_t control = 0;
    float diameterFrequency = 0;
    std::uint32_t weldingMode = 0;
    float fastRotationFrequency = 0;
    float weldingRotationFrequency = 0;
    std::uint32_t stopAngle = 0;
    std::uint8_t motionMode = kMotionNone;
};

WelderSetpoints welderSetpoints();
// The last Status register value read (0 after a stop) and the last progress.
std::uint32_t welderStatus();
std::uint32_t welderProgress();
// Tests: back to the start values.  No Welder_v3 may exist.
void resetWelderDriverState();

// Reading of the parameter file's numbers: leading blanks skipped, an
// optional sign, stop at the first character that does not fit.  No digits,
// or an integer beyond 32 bits, is a failure; a negative integer wraps modulo
// 2^32.  The float reading does not depend on the process locale.
bool parseWelderUnsigned(const std::string& text, std::uint32_t& value);
bool parseWelderFloat(const std::string& text, float& value);

using WelderErrorCallback = std::function<void(int*)>;
using WelderFinishedCallback = std::function<void()>;
using WelderProgressCallback = std::function<void(unsigned int*)>;

struct WelderOptions {
    std::string parameterFile = "./welderParameters.ini";
    // Installed before the worker starts (setCallbacks may still replace them).
    WelderErrorCallback onError;
    WelderFinishedCallback onFinished;
    WelderProgressCallback onProgress;
};

class Welder_v3 {
public:
    Welder_v3(const std::string& logFolder, unsigned logLevel);
    Welder_v3(const std::string& logFolder, unsigned logLevel, WelderOptions options);
    ~Welder_v3();
    Welder_v3(const Welder_v3&) = delete;
    Welder_v3& operator=(const Welder_v3&) = delete;

    void setCallbacks(WelderErrorCallback error, WelderFinishedCallback finished, WelderProgressCallback progress);

    bool isConnected() const { return _connected.load(std::memory_order_acquire); }
    bool isError() const { return _error.load(std::memory_order_acquire); }

    bool getParameters(WelderParameters* out);
    bool setParameters(const WelderParameters& parameters);

    void setDiameter(float diameter);
    void setWeldingMode(std::uint32_t mode);
    void setFastRotation(int value);
    void setJogRotation(int degrees);
    void setJogWelding(bool on);
    void setWeldRotation(bool on);
    void setWeldWelding(bool on);

    // Bits 0-2 = status bits 13-15, bits 3-5 = status bits 0-2, bit 6 = status bit 4.
    std::uint32_t getState() const;

    void loadParameters();
    void saveParameters();

    const WelderFirmwareVersion& firmwareVersion() const { return _firmwareVersion; }
    const WelderFirmwareDate& firmwareDate() const { return _firmwareDate; }
    const std::string& parameterFile() const { return _parameterFile; }

private:
    void start(const std::string& logFolder, unsigned logLevel);
    void workerLoop();
    void fail(int code);
    void stopOnFreshLink();
    void waitPeriod();

    std::atomic<bool> _connected{false};
    std::atomic<bool> _error{false};
    std::mutex _callbackLock;
    WelderErrorCallback _onError;
    WelderFinishedCallback _onFinished;
    WelderProgressCallback _onProgress;
    WelderParameters _parameters;
    std::atomic<bool> _running{false};
    std::thread _worker;
    WelderFirmwareVersion _firmwareVersion;
    WelderFirmwareDate _firmwareDate;
    std::string _parameterFile;
    std::string _logFolder;  // for the fresh link of the stop after a failure
    unsigned _logLevel = 0;
};

}  // namespace TamskWelder
