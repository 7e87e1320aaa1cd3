#pragma once
// The libusb-0.1 calls of the measuring controllers, behind an interface.
//
// Production code talks to the real library (Debian's libusb-dev, <usb.h>)
// through realUsb01(); tests install a simulated controller with setUsb01.
// The return conventions are libusb-0.1's:
//   - transfers return the byte count moved, or a negative errno
//     (-ETIMEDOUT on a time-out, -ENODEV when the device is gone, ...);
//   - open returns a null handle on failure;
//   - configuration, claim, detach and close return 0 or a negative errno
//     (-EBUSY when another driver holds the interface).
//
// Thread safety: usb01() / setUsb01() are atomic; an implementation must allow
// a transfer on one handle from one thread while another thread opens or
// closes another handle.

#include <cstdint>
#include <vector>

namespace drivers {

// Opaque device handle (libusb's usb_dev_handle on the real side).
struct Usb01Handle;

// One device met by the walk of usb_get_busses, in bus order.
struct Usb01Device {
    unsigned bus = 0;         // position of the bus in the walk
    unsigned address = 0;     // device number on its bus
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    const void* token = nullptr;  // identifies the device to open()
};

class Usb01 {
public:
    virtual ~Usb01() = default;

    virtual void init() = 0;                                  // usb_init
    virtual int findBusses() = 0;                             // usb_find_busses
    virtual int findDevices() = 0;                            // usb_find_devices
    virtual std::vector<Usb01Device> devices() = 0;           // usb_get_busses walk
    virtual Usb01Handle* open(const Usb01Device& device) = 0; // usb_open, null on failure
    virtual int setConfiguration(Usb01Handle* h, int configuration) = 0;
    virtual int claimInterface(Usb01Handle* h, int interface) = 0;
    virtual int detachKernelDriver(Usb01Handle* h, int interface) = 0;  // usb_detach_kernel_driver_np
    virtual int bulkWrite(Usb01Handle* h, int endpoint, const std::uint8_t* bytes, int size, int timeoutMs) = 0;
    virtual int bulkRead(Usb01Handle* h, int endpoint, std::uint8_t* bytes, int size, int timeoutMs) = 0;
    virtual int close(Usb01Handle* h) = 0;                    // usb_close
};

// The real library.
Usb01& realUsb01();
// The implementation in use (the real one unless a test installed another).
Usb01& usb01();
// Installs an implementation (null restores the real one); returns the previous.
Usb01* setUsb01(Usb01* usb);

// Vendor and products of the controllers.
constexpr std::uint16_t kTamskVendorId = 0x2E91;
constexpr std::uint16_t kMeasuringControllerProductId = 0x7688;     // current controller
constexpr std::uint16_t kOlderMeasuringControllerProductId = 0x7687; // older controller

}  // namespace drivers
