#include "drivers/common/reply_pairing.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "drivers/common/driver_timing.h"

namespace drivers {

int readAnswer(Usb01& usb, Usb01Handle* h, int endpoint, std::uint8_t* frame, int size, int timeoutMs,
               const ReplyCheck& answers, const ReplyCheck& dropped) {
    const DriverTiming& timing = driverTiming();
    const double start = timing.nowMs();
    int waitMs = timeoutMs;
    for (int read = 0; read <= kMaxDroppedReplies && waitMs > 0; ++read) {
        std::memset(frame, 0, static_cast<std::size_t>(size));
        const int got = usb.bulkRead(h, endpoint, frame, size, waitMs);
        if (got < 0) return got;
        if (answers(frame, got)) return got;
        if (dropped) dropped(frame, got);
        waitMs = timeoutMs - static_cast<int>(timing.nowMs() - start);
    }
    return -ETIMEDOUT;
}

int drainReplies(Usb01& usb, Usb01Handle* h, int endpoint, int size) {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(size));
    int n = 0;
    while (n < kMaxDrainedReplies && usb.bulkRead(h, endpoint, frame.data(), size, kDrainWaitMs) > 0) ++n;
    return n;
}

}  // namespace drivers
