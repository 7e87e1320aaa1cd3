#pragma once
// Register and block transfers with the older measuring controller over the
// Usb01 seam (older_protocol.h gives the frames).  A failed transfer is
// reported to the owner's message sink and becomes false or a negative count.
// Replies are paired with their requests (drivers/common/reply_pairing.h):
// one that answers another request is dropped, and what came late is drained
// after a time-out and before the first request of a link.  The controller
// answers no write, so the writes that must arrive are read back
// (`writeVerified`).  Not thread-safe; one owner uses it.

#include <cstdint>
#include <functional>
#include <string>

#include "drivers/common/usb01.h"
#include "drivers/older/older_protocol.h"

namespace older {

// One line of text for the owner's log.
using MessageSink = std::function<void(const std::string& text)>;

class Link {
public:
    // Takes over an opened and claimed handle; closes it on destruction.
    Link(drivers::Usb01Handle* handle, MessageSink sink);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // A request and its reply; *value is 0 unless a whole reply answered
    // this register within the time-out.
    bool readRegister(std::uint32_t reg, std::uint32_t* value);
    bool writeRegister(std::uint32_t reg, std::uint32_t value);
    // A write confirmed by reading the register back, after `settle` (when
    // given) has waited for the controller to act on it; one that does not
    // read back is written once more, then reported (false).
    bool writeVerified(std::uint32_t reg, std::uint32_t value, const std::function<void()>& settle = {});
    bool startTraining();
    // One bulk read of the data endpoint into bytes[0..size): the count of
    // bytes moved or a negative errno.
    int readBlocks(std::uint8_t* bytes, int size);

private:
    void report(const std::string& text) const;

    drivers::Usb01Handle* handle_;
    MessageSink sink_;
    bool drainPending_ = true;  // a new link may meet replies an earlier one left
};

// Finds the first older controller on the bus, opens it, sets its
// configuration and claims its interface.  Null when none is found or a step
// fails (the failure is reported and the handle closed).
drivers::Usb01Handle* openController(const MessageSink& sink);

}  // namespace older
