#pragma once
// Register and block transfers with the older measuring controller over the
// Usb01 seam (older_protocol.h gives the frames).  Nothing is retried: a
// failed transfer is reported to the owner's message sink and becomes false
// or a negative count.  Not thread-safe; one owner uses it.

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

    // A request and its reply; *value is 0 unless the reply is whole and
    // answers this register.
    bool readRegister(std::uint32_t reg, std::uint32_t* value);
    bool writeRegister(std::uint32_t reg, std::uint32_t value);
    bool startTraining();
    // One bulk read of the data endpoint into bytes[0..size): the count of
    // bytes moved or a negative errno.
    int readBlocks(std::uint8_t* bytes, int size);

private:
    void report(const std::string& text) const;

    drivers::Usb01Handle* handle_;
    MessageSink sink_;
};

// Finds the first older controller on the bus, opens it, sets its
// configuration and claims its interface.  Null when none is found or a step
// fails (the failure is reported and the handle closed).
drivers::Usb01Handle* openController(const MessageSink& sink);

}  // namespace older
