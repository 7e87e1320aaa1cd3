#pragma once
// The device of the older measuring controller: `EApi` adapts the older
// controller's link (drivers/older: register packets and raw data blocks over
// libusb-0.1) to the device interface `Api`, as `IApi` adapts `KWZUSB`.  It
// keeps the Api's semantics: the averaged speed, the walk through the samples
// of the blocks read, the error codes and the inverter and welder state.
//
// `EApiFactory::createEApi` finds, opens and initialises the controller.
// Loggers: "api" for the factory, "api_e" for the device.  A failed transfer
// is logged and becomes false, -1 or an error code (the data, frequency and
// set-up transfers leave ApiError::kNoConnection).  The frequency and the
// set-up values (gains, ramps, accuracies, inverter type, sample rate) are
// read back after every write.  `readData` waits a step while the conversion
// runs and fails when it does not end within its samples' time and 2 s; a
// failed data transfer forgets the speed of the blocks.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "drivers/older/older_link.h"
#include "machine/api.h"

class EApi : public Api {
public:
    static constexpr int kMaxBlocks = 65536;
    static constexpr int kMaxSpeedBuffer = 10000;

    // Takes over an opened and claimed handle; creates and opens "api_e".
    EApi(Clock& clock, drivers::Usb01Handle* handle);
    ~EApi() override;

    // Reads the firmware word (register 19) and the inverter type; the
    // factory's initialisation step.  False when the firmware word could not
    // be read.
    bool initialize();

    bool getAngle(double* degrees) override;
    bool hasInverterError() override;
    bool isBlocked(std::uint32_t externalInputConfig) override;
    bool isConnected() override;
    int getErrorInfo(int* inverterType) override;
    int defaultCalibrationStep() override { return 1000; }
    double getSpeed() override;
    bool setBooster(const int gains[5]) override;
    void setBrake(bool on) override;
    void setRelay(bool on, int relay) override;
    void setMiscParams(bool belt, int speedBufferSize, int speedPeriod) override;
    void startTraining() override;
    bool setAccTime(int accelerationMs, int decelerationMs, int rampType) override;
    bool setAccuracy(int a, int b, int c) override;
    bool setInverterType(int type, int busAddress) override;
    bool setSpeed(std::int16_t centiHz) override;
    bool startReading(const ReadRequest* request) override;
    void stopReading() override;
    bool readData() override;
    bool isMarkSample() override;
    int getSampleValue(int channel) override;
    bool nextSample() override;
    void resetPacketCounter() override { previousPacket = -1; }
    void onKey(int) override {}
    int getDemoParam() override { return 0; }
    const char* getVersionString() override { return versionText.c_str(); }
    bool isWelderActive() override;
    int getWeldingProgress() override;
    bool isFrezerActive() override;
    bool setUpdateMode() override;
    void openLog(bool on) override;
    bool isRpmReached() override;
    bool saveBuffer(std::FILE* f) override { return saveCurrentBuffer(f, &logger); }

    int firmwareNumber() const { return firmware.number(); }
    int startupInverterType() const { return inverterType; }
    double currentBlockSpeed() const { return blockSpeed; }

private:
    int externalInputCode();
    bool readControlFlags(std::uint32_t* flags);
    bool writeControlFlags(std::uint32_t flags);
    void processBlockHeader(const std::uint8_t* block);
    // Starts the next conversion of `blocks` blocks and notes when it may end.
    bool startConversion();
    // A failed data transfer: no connection, and nothing the blocks told stays.
    bool dataLost();
    const std::uint8_t* currentBlock() const;
    bool readRegister(std::uint32_t reg, std::uint32_t* value) { return link.readRegister(reg, value); }
    bool writeRegister(std::uint32_t reg, std::uint32_t value) { return link.writeRegister(reg, value); }
    // A set-up value the run's results depend on: written, read back and
    // written once more on a mismatch (read back after `settle`, when given);
    // a failure is no connection.
    bool setUpWrite(std::uint32_t reg, std::uint32_t value, const std::function<void()>& settle = {});

    LoggerBase* logger = nullptr;
    older::Link link;
    older::Firmware firmware;
    int inverterType = 0;          // read at start-up
    std::vector<std::uint8_t> blockBuffer;
    int validBlocks = 0;           // whole blocks received by the last read
    Clock::time_point conversionStart{};
    std::int64_t conversionTimeoutMs = 0;
    int errorCode = ApiError::kNone;
    std::vector<float> speedBuffer;
    int speedWrites = 0;
    int speedBufferSize = 0;
    int speedPeriod = 0;
    double blockSpeed = 0.0;
    int blockIndex = -1;
    int sampleInBlock = -1;
    bool waitingForFlip = false;
    bool blockReached = false;
    std::uint32_t extConfig = 0;
    int channelTable[5] = {0, 0, 0, 0, 0};
    int tableEntries = 0;          // entries copied from the read request
    std::string versionText;

    // Kept per connection (a new controller object starts afresh).
    std::int64_t lastInverterValue = -1;  // last value written to register 24
    int reportedInverterType = 0;         // type last given to setInverterType
    bool welderAnswer = false;
    bool speedResetSet = false;
    Clock::time_point speedResetTime{};
    double averagedSpeed = 0.0;
};

// Finds and opens the older controller.  One object per connection process,
// which keeps the logger "api" for its attempts.  Every attempt tries the
// controller: one that failed for a moment is found at the next, and the
// connection process pauses between them.
class EApiFactory {
public:
    explicit EApiFactory(Clock& clock);
    ~EApiFactory();
    EApiFactory(const EApiFactory&) = delete;
    EApiFactory& operator=(const EApiFactory&) = delete;

    // Null when no controller is found or when it cannot be opened and
    // initialised.
    EApi* createEApi();

private:
    Clock& clock_;
    LoggerBase* logger_ = nullptr;
};
