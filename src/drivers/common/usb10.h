#pragma once
// The libusb-1.0 calls of the welding controller, behind an interface.
//
// Production code talks to the real library (Debian's libusb-1.0-0-dev,
// <libusb.h>, default context) through realUsb10(); tests install a simulated
// welding controller with setUsb10.  Calls, arguments and return conventions
// are libusb-1.0's, with its LIBUSB_ERROR_* codes (Usb10Error below):
//   - init, open, claim, release, detach return 0 or a negative code;
//   - getDeviceList returns the device count or a negative code; the list is
//     null-terminated and must go back through freeDeviceList;
//   - kernelDriverActive returns 1 (active), 0 (none) or a negative code;
//   - controlTransfer returns the byte count or a negative code;
//   - bulkTransfer returns 0 or a negative code and the bytes moved through
//     `transferred` (also on a time-out).
//
// Thread safety: usb10() / setUsb10() are atomic; transfers on one handle
// come from one thread at a time (the link serialises them).

#include <cstdint>

namespace TamskWelder {

// Opaque libusb objects (libusb_device and libusb_device_handle on the real side).
struct Usb10Device;
struct Usb10Handle;

// The fields of libusb_device_descriptor that the driver uses.
struct Usb10DeviceDescriptor {
    std::uint16_t idVendor = 0;
    std::uint16_t idProduct = 0;
    std::uint16_t bcdDevice = 0;
    std::uint8_t bNumConfigurations = 0;
};

// libusb-1.0's error codes, same values.
enum Usb10Error : int {
    USB10_SUCCESS = 0,
    USB10_ERROR_IO = -1,
    USB10_ERROR_INVALID_PARAM = -2,
    USB10_ERROR_ACCESS = -3,
    USB10_ERROR_NO_DEVICE = -4,
    USB10_ERROR_NOT_FOUND = -5,
    USB10_ERROR_BUSY = -6,
    USB10_ERROR_TIMEOUT = -7,
    USB10_ERROR_OVERFLOW = -8,
    USB10_ERROR_PIPE = -9,
    USB10_ERROR_INTERRUPTED = -10,
    USB10_ERROR_NO_MEM = -11,
    USB10_ERROR_NOT_SUPPORTED = -12,
    USB10_ERROR_OTHER = -99,
};

class Usb10 {
public:
    virtual ~Usb10() = default;

    virtual int init() = 0;                                                   // libusb_init(NULL)
    virtual void exit() = 0;                                                  // libusb_exit(NULL)
    virtual long getDeviceList(Usb10Device*** list) = 0;                      // libusb_get_device_list
    virtual void freeDeviceList(Usb10Device** list, int unrefDevices) = 0;    // libusb_free_device_list
    virtual int getDeviceDescriptor(Usb10Device* device, Usb10DeviceDescriptor* descriptor) = 0;
    virtual int open(Usb10Device* device, Usb10Handle** handle) = 0;          // libusb_open
    virtual void close(Usb10Handle* handle) = 0;                              // libusb_close
    virtual int kernelDriverActive(Usb10Handle* handle, int interfaceNumber) = 0;
    virtual int detachKernelDriver(Usb10Handle* handle, int interfaceNumber) = 0;
    virtual int claimInterface(Usb10Handle* handle, int interfaceNumber) = 0;
    virtual int releaseInterface(Usb10Handle* handle, int interfaceNumber) = 0;
    virtual int controlTransfer(Usb10Handle* handle, std::uint8_t requestType, std::uint8_t request,
                                std::uint16_t value, std::uint16_t index, std::uint8_t* data,
                                std::uint16_t length, unsigned timeoutMs) = 0;
    virtual int bulkTransfer(Usb10Handle* handle, unsigned char endpoint, std::uint8_t* data, int length,
                             int* transferred, unsigned timeoutMs) = 0;
    virtual const char* errorName(int code) = 0;                              // libusb_error_name
};

// The real library.
Usb10& realUsb10();
// The implementation in use (the real one unless a test installed another).
Usb10& usb10();
// Installs an implementation (null restores the real one); returns the previous.
Usb10* setUsb10(Usb10* usb);

// libusb's name of an error code ("LIBUSB_ERROR_TIMEOUT", "LIBUSB_SUCCESS", ...)
// without calling the library; simulated devices use it.
const char* usb10ErrorName(int code);

}  // namespace TamskWelder
