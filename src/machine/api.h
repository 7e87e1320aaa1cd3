#pragma once
// The device interface of machine control.
//
// `Api` is the one interface through which the Machine, its drive control
// (`Engine`) and its measuring sessions (`Measurer`) reach the measuring
// controller: rotor speed and angle, the frequency inverter that turns the
// rotor, the measuring channels and their gains, brake and relays, the welding
// and milling units wired to the controller, and error states.  Three devices
// implement it: `EApi` (the older controller, raw register protocol over USB),
// `IApi` (the measuring controller through its driver) and `MApi` (the
// demonstration device without hardware).  The connection process creates one
// of them and the Machine owns it; every call comes from the Machine's worker
// thread, so no object holds a lock.
//
// Contracts shared by every implementation
// -----------------------------------------
// Channel numbering.  A plane's channel fields and `Rotor::usedChannels` count
// from 1: channel c is element c-1 of the `Config` channel list.  Device
// channels count from 0 and equal that element index: the Measurer's channel
// list, `getChannelGain`, the gains[] of `setBooster`, the index of a per-turn
// result, the channel argument of `Rotor::initChannel` and `addMeasureResult`.
//
// Read request.  `channelTable` entry i, for i = 0 .. nChannels-2, holds the
// device channel + 1 (a channel code 1..5) of position i of the caller's
// channel list; `nChannels` is the list length + 1 (the mark column); further
// entries are 0 (padding).  Every implementation reads entries 0 .. nChannels-2
// and at most 5 of them; `getSampleValue(i)` is the raw value of the channel of
// entry i, 0 for an i outside the copied entries.  The drive control's speed
// acquisition (nChannels 1, table {0}) therefore copies no entry.
//
// Per-turn results.  The caller empties the list before each `getData`; the
// device fills it so that index = device channel (five entries).
//
// Sample buffers.  Five rotating buffers of u16 frames: a mark word (1 when
// the phase mark is active in that sample, else 0), then one raw value per
// recorded channel in the order of the channel table.  A frame is stored only
// while it fits within `capacity` = (nRecorded + 1) x sampleRate x 150 values
// (150 seconds of samples).  Raw values are the controller's signed 16-bit
// samples stored as u16.
//
// Units.  `getSpeed` is in rpm; `setSpeed` takes the inverter frequency in
// hundredths of a hertz as a signed 16-bit value (0 stops, negative turns the
// other way, at most 327.67 Hz either way).
//
// Set-up writes.  The gains, ramps, accuracies and inverter type that a run's
// results depend on report whether the device took them (the older controller
// then reports no connection); a device without such a setting takes it as
// done.
//
// Failures are logged by the implementation and returned as false, -1, 0.0 or
// an error code; nothing throws.

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "machine/clock.h"
#include "machine/machine_codes.h"  // ApiError

class LoggerBase;
namespace TamskKWZv2 {
class KWZUSB;
}

// Argument of `Api::startReading`, fields in the order the devices take them.
struct ReadRequest {
    std::uint32_t rate = 0;       // sample rate (code)
    std::uint32_t blocks = 0;     // 64-byte blocks per raw read / block count of the driver
    std::uint32_t nChannels = 0;  // channel list length + 1 (the mark column)
    std::uint32_t nRecorded = 0;  // channels copied into the sample buffers (0 = none)
    std::uint32_t extra = 0;      // measuring controller only: revolutions before measurement
    std::uint8_t speedFlag = 0;   // older controller: set control flag 0x4000 before starting
    const int* channelTable = nullptr;  // channel codes 1..5, see the header comment
    std::uint8_t testMode = 0;    // measuring controller only: raw test-mode sampling
    std::uint8_t filter = 0;      // measuring controller only: use the speed-band filter
};

// One per-turn result of one device channel.
struct TurnResult {
    std::uint8_t valid = 0;  // 1 valid
    double amplitude = 0.0;
    double phase = 0.0;      // degrees
};
using TurnResults = std::vector<TurnResult>;

// Motor nameplate values handed to `Api::setMotorParams`.
struct MotorParams {
    double power = 0.0;
    double voltage = 0.0;
    double current = 0.0;
    double frequency = 0.0;
    double speed = 0.0;
    int poles = 0;
    int autoTune = 0;
};

// One configured frequency inverter for `Api::setInverters`.
struct InverterEntry {
    std::uint32_t address = 0;  // bus address
    std::uint32_t type = 0;     // inverter model index
};

class Api {
public:
    static constexpr int kBufferCount = 5;
    static constexpr int kMaxChannels = 5;

    explicit Api(Clock& clock);
    Api(const Api&) = delete;
    Api& operator=(const Api&) = delete;

    // The operations in interface order.
    virtual ~Api();                                                      // 0
    virtual bool getAngle(double* degrees) = 0;                          // 1: 0 <= a < 360
    virtual bool hasInverterError() = 0;                                 // 2
    virtual bool isBlocked(std::uint32_t externalInputConfig) = 0;       // 3
    virtual bool isConnected() { return true; }                          // 4
    virtual bool hasTurnData() { return false; }                         // 5
    virtual int getErrorInfo(int* inverterType) = 0;                     // 6: type may be null
    virtual int defaultCalibrationStep() = 0;                            // 7: 0.01 Hz
    virtual double getSampleRate() { return sampleRate; }                // 8
    virtual double getSpeed() { return 0.0; }                            // 9: rpm
    virtual bool setBooster(const int gains[5]) = 0;                     // 10: steps 0-3
    virtual int getChannelGain(int channel) { (void)channel; return -1; }  // 11
    virtual void setBrake(bool on) = 0;                                  // 12
    virtual void setRelay(bool on, int relay) = 0;                       // 13
    virtual bool reserved14() { return false; }                          // 14
    virtual void setMiscParams(bool belt, int speedBufferSize, int speedPeriod) = 0;  // 15
    virtual bool needsTrain() { return true; }                           // 16
    virtual void startTraining() = 0;                                    // 17
    virtual bool setAccTime(int accelerationMs, int decelerationMs, int rampType) = 0;  // 18
    virtual bool setMotorParams(const MotorParams& params) { (void)params; return true; }  // 19
    virtual bool setAccuracy(int a, int b, int c) = 0;                   // 20
    virtual bool setInverters(const std::vector<InverterEntry>& list) { (void)list; return true; }  // 21
    virtual int setCurrentInverter(int index, int phasor) { (void)index; (void)phasor; return 0; }  // 22
    virtual bool setInverterType(int type, int busAddress) = 0;          // 23
    virtual int getTurnScale() { return 0; }                             // 24: ms
    virtual bool setSpeed(std::int16_t centiHz) = 0;                     // 25
    virtual bool startReading(const ReadRequest* request) = 0;           // 26
    virtual void stopReading() = 0;                                      // 27
    virtual bool getData(TurnResults* results) { (void)results; return false; }  // 28
    virtual bool readData() { return false; }                            // 29
    virtual bool isMarkSample() = 0;                                     // 30
    virtual int getSampleValue(int channel) = 0;                         // 31
    virtual bool nextSample() = 0;                                       // 32
    virtual bool hasRecentDataGap();                                     // 33
    virtual void resetPacketCounter() {}                                 // 34
    virtual void onKey(int key) = 0;                                     // 35
    virtual int getDemoParam() = 0;                                      // 36
    virtual const char* getVersionString() = 0;                          // 37
    virtual bool getWelderStatusFlag() { return false; }                 // 38
    virtual TamskKWZv2::KWZUSB* getDriver() { return nullptr; }          // 39
    virtual void restartWelder() {}                                      // 40
    virtual bool isWelderActive() { return false; }                      // 41
    virtual int getWeldingProgress() { return -1; }                      // 42
    virtual bool isFrezerActive() { return false; }                      // 43: milling unit
    virtual bool setUpdateMode() { return true; }                        // 44
    virtual void openLog(bool on) = 0;                                   // 45
    virtual bool isRpmReached() { return false; }                        // 46
    virtual bool saveBuffer(std::FILE* f) { (void)f; return false; }     // 47
    virtual bool nextBuffer();                                           // 48

    // The rotor's drive ratio, set by the Machine before every measuring
    // process run with a rotor.
    double driveRatio = 0.0;

    // Read access to the acquisition state and the sample buffers.
    int channelCount() const { return nChannels; }
    int recordedChannels() const { return nRecorded; }
    int blockCount() const { return blocks; }
    int currentBufferIndex() const { return currentBuffer; }
    const std::uint16_t* bufferData(int index) const;
    int bufferCount(int index) const;
    int bufferCapacity() const { return capacity; }
    // Packet-number gaps seen since the device was made: samples were lost
    // between two data packets.
    int packetGaps() const { return packetGaps_; }
    Clock& clock() const { return clock_; }

    // The error code of the first open external error input, or 0.  The
    // configuration word gives the first input bit in bits 0-4 and the number
    // of inputs in bits 5-9 (at most 8; the range ends at bit 32).  `bit`
    // receives the input bit of the code.
    static int externalInputError(std::uint32_t config, std::uint32_t inputs, int* bit = nullptr);

    // Number of channel-table entries a request carries (0 .. 5), per the
    // contract above; 0 without a table.
    static int requestEntries(const ReadRequest& request);

protected:
    // (Re)allocates the current sample buffer for an acquisition with
    // `nRecorded` > 0: capacity (nRecorded + 1) x sampleRate x 150, count 0.
    // False (buffer released, capacity 0) when it cannot be made.
    bool allocateCurrentBuffer();
    // Allocates the current buffer with an explicit capacity (replay data).
    bool allocateCurrentBuffer(int values);
    void releaseCurrentBuffer();
    std::uint16_t* currentData() { return buffers[currentBuffer].get(); }
    // Stores one frame (mark word, then `nRecorded` values) into the current
    // buffer while it fits; false when it was dropped.
    bool storeFrame(bool mark, const int* values);
    // Writes the current buffer's values to `f` in one block and logs
    // "saveBuffer: %d(%d)%s"; true only when every value was written.
    bool saveCurrentBuffer(std::FILE* f, LoggerBase** log);

    // Packet numbering: compares a data packet's number with the previous
    // one.  Returns true when the previous number is known and this one is
    // not its successor; that marks a gap (for `hasRecentDataGap`) unless the
    // previous number was 10000, where the controller's count wraps to 0.
    bool notePacketNumber(int number);
    // Marks a data gap now.
    void markDataGap();

    int nChannels = 0;
    int nRecorded = 0;
    int sampleRate = 0;
    int blocks = 0;
    int currentBuffer = 0;
    std::unique_ptr<std::uint16_t[]> buffers[kBufferCount];
    int counts[kBufferCount] = {0, 0, 0, 0, 0};
    int capacity = 0;

    int previousPacket = -1;
    Clock::time_point gapTime{};
    bool gapSeen = false;

private:
    Clock& clock_;
    int packetGaps_ = 0;
};
