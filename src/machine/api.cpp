#include "machine/api.h"

#include <algorithm>
#include <new>

#include "files/logger.h"

namespace {
// Largest sample buffer made: 64 Mi values (128 MiB), far above 150 s of the
// fastest acquisition with five channels.
constexpr std::int64_t kMaxBufferValues = std::int64_t(1) << 26;
constexpr std::int64_t kGapWindowNs = 1000000000;
}  // namespace

Api::Api(Clock& clock) : clock_(clock) {}

Api::~Api() = default;

bool Api::hasRecentDataGap() { return gapSeen && clock_.nsSince(gapTime) < kGapWindowNs; }

bool Api::nextBuffer() {
    currentBuffer = (currentBuffer + 1) % kBufferCount;
    return buffers[currentBuffer] != nullptr;
}

const std::uint16_t* Api::bufferData(int index) const {
    if (index < 0 || index >= kBufferCount) return nullptr;
    return buffers[index].get();
}

int Api::bufferCount(int index) const {
    if (index < 0 || index >= kBufferCount) return 0;
    return counts[index];
}

int Api::externalInputError(std::uint32_t config, std::uint32_t inputs, int* bit) {
    const int first = static_cast<int>(config & 31u);
    const int count = std::min(static_cast<int>((config >> 5) & 31u), 8);
    const int end = std::min(first + count, 32);
    for (int b = first; b < end; ++b) {
        if (((inputs >> b) & 1u) == 0) {
            if (bit) *bit = b;
            return ApiError::kExternalInputFirst + (b - first);
        }
    }
    return ApiError::kNone;
}

int Api::requestEntries(const ReadRequest& request) {
    if (request.channelTable == nullptr || request.nChannels < 2) return 0;
    return static_cast<int>(std::min<std::uint32_t>(request.nChannels - 1, kMaxChannels));
}

bool Api::allocateCurrentBuffer() {
    const std::int64_t values =
        (static_cast<std::int64_t>(nRecorded) + 1) * static_cast<std::int64_t>(sampleRate) * 150;
    if (nRecorded <= 0 || sampleRate <= 0 || values > kMaxBufferValues) {
        releaseCurrentBuffer();
        return false;
    }
    return allocateCurrentBuffer(static_cast<int>(values));
}

bool Api::allocateCurrentBuffer(int values) {
    releaseCurrentBuffer();
    if (values <= 0 || values > kMaxBufferValues) return false;
    buffers[currentBuffer].reset(new (std::nothrow) std::uint16_t[static_cast<std::size_t>(values)]);
    if (!buffers[currentBuffer]) return false;
    capacity = values;
    return true;
}

void Api::releaseCurrentBuffer() {
    buffers[currentBuffer].reset();
    counts[currentBuffer] = 0;
    capacity = 0;
}

bool Api::storeFrame(bool mark, const int* values) {
    std::uint16_t* data = buffers[currentBuffer].get();
    if (data == nullptr || nRecorded <= 0) return false;
    const int frame = nRecorded + 1;
    int& count = counts[currentBuffer];
    if (count + frame > capacity) return false;
    data[count] = mark ? 1 : 0;
    for (int i = 0; i < nRecorded; ++i) data[count + 1 + i] = static_cast<std::uint16_t>(values[i]);
    count += frame;
    return true;
}

bool Api::saveCurrentBuffer(std::FILE* f, LoggerBase** log) {
    const int count = counts[currentBuffer];
    const std::uint16_t* data = buffers[currentBuffer].get();
    std::size_t written = 0;
    if (f != nullptr && data != nullptr && count > 0) {
        // The values go out little-endian whatever the host order.
        std::vector<unsigned char> bytes(static_cast<std::size_t>(count) * 2);
        for (int i = 0; i < count; ++i) {
            bytes[2 * i] = static_cast<unsigned char>(data[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<unsigned char>(data[i] >> 8);
        }
        written = std::fwrite(bytes.data(), 1, bytes.size(), f);
    }
    const bool ok = f != nullptr && written == static_cast<std::size_t>(count) * 2;
    logPrintf(log, "saveBuffer: %d(%d)%s", count, static_cast<int>(written), ok ? "" : " error");
    return ok;
}

bool Api::notePacketNumber(int number) {
    const bool mismatch = previousPacket != -1 && number != previousPacket + 1;
    if (mismatch && previousPacket != 10000) {
        markDataGap();
        ++packetGaps_;
    }
    previousPacket = number;
    return mismatch;
}

void Api::markDataGap() {
    gapTime = clock_.now();
    gapSeen = true;
}
