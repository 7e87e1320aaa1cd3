#include "drivers/common/usb10.h"

#include <libusb.h>

#include <atomic>

namespace TamskWelder {

static_assert(int(USB10_ERROR_IO) == int(LIBUSB_ERROR_IO), "libusb code");
static_assert(int(USB10_ERROR_ACCESS) == int(LIBUSB_ERROR_ACCESS), "libusb code");
static_assert(int(USB10_ERROR_NO_DEVICE) == int(LIBUSB_ERROR_NO_DEVICE), "libusb code");
static_assert(int(USB10_ERROR_NOT_FOUND) == int(LIBUSB_ERROR_NOT_FOUND), "libusb code");
static_assert(int(USB10_ERROR_BUSY) == int(LIBUSB_ERROR_BUSY), "libusb code");
static_assert(int(USB10_ERROR_TIMEOUT) == int(LIBUSB_ERROR_TIMEOUT), "libusb code");
static_assert(int(USB10_ERROR_PIPE) == int(LIBUSB_ERROR_PIPE), "libusb code");
static_assert(int(USB10_ERROR_NOT_SUPPORTED) == int(LIBUSB_ERROR_NOT_SUPPORTED), "libusb code");
static_assert(int(USB10_ERROR_OTHER) == int(LIBUSB_ERROR_OTHER), "libusb code");

namespace {

libusb_device* dev(Usb10Device* d) { return reinterpret_cast<libusb_device*>(d); }
libusb_device_handle* hnd(Usb10Handle* h) { return reinterpret_cast<libusb_device_handle*>(h); }

class RealUsb10 final : public Usb10 {
public:
    int init() override { return libusb_init(nullptr); }
    void exit() override { libusb_exit(nullptr); }
    long getDeviceList(Usb10Device*** list) override {
        libusb_device** devices = nullptr;
        const ssize_t n = libusb_get_device_list(nullptr, &devices);
        *list = reinterpret_cast<Usb10Device**>(devices);
        return static_cast<long>(n);
    }
    void freeDeviceList(Usb10Device** list, int unrefDevices) override {
        libusb_free_device_list(reinterpret_cast<libusb_device**>(list), unrefDevices);
    }
    int getDeviceDescriptor(Usb10Device* device, Usb10DeviceDescriptor* descriptor) override {
        libusb_device_descriptor d{};
        const int rc = libusb_get_device_descriptor(dev(device), &d);
        if (rc == 0) {
            descriptor->idVendor = d.idVendor;
            descriptor->idProduct = d.idProduct;
            descriptor->bcdDevice = d.bcdDevice;
            descriptor->bNumConfigurations = d.bNumConfigurations;
        }
        return rc;
    }
    int open(Usb10Device* device, Usb10Handle** handle) override {
        libusb_device_handle* h = nullptr;
        const int rc = libusb_open(dev(device), &h);
        *handle = reinterpret_cast<Usb10Handle*>(h);
        return rc;
    }
    void close(Usb10Handle* handle) override { libusb_close(hnd(handle)); }
    int kernelDriverActive(Usb10Handle* handle, int interfaceNumber) override {
        return libusb_kernel_driver_active(hnd(handle), interfaceNumber);
    }
    int detachKernelDriver(Usb10Handle* handle, int interfaceNumber) override {
        return libusb_detach_kernel_driver(hnd(handle), interfaceNumber);
    }
    int claimInterface(Usb10Handle* handle, int interfaceNumber) override {
        return libusb_claim_interface(hnd(handle), interfaceNumber);
    }
    int releaseInterface(Usb10Handle* handle, int interfaceNumber) override {
        return libusb_release_interface(hnd(handle), interfaceNumber);
    }
    int controlTransfer(Usb10Handle* handle, std::uint8_t requestType, std::uint8_t request,
                        std::uint16_t value, std::uint16_t index, std::uint8_t* data, std::uint16_t length,
                        unsigned timeoutMs) override {
        return libusb_control_transfer(hnd(handle), requestType, request, value, index, data, length,
                                       timeoutMs);
    }
    int bulkTransfer(Usb10Handle* handle, unsigned char endpoint, std::uint8_t* data, int length,
                     int* transferred, unsigned timeoutMs) override {
        return libusb_bulk_transfer(hnd(handle), endpoint, data, length, transferred, timeoutMs);
    }
    const char* errorName(int code) override { return libusb_error_name(code); }
};

std::atomic<Usb10*> g_usb{nullptr};

}  // namespace

Usb10& realUsb10() {
    static RealUsb10 real;
    return real;
}

Usb10& usb10() {
    Usb10* u = g_usb.load(std::memory_order_acquire);
    return u ? *u : realUsb10();
}

Usb10* setUsb10(Usb10* usb) { return g_usb.exchange(usb, std::memory_order_acq_rel); }

const char* usb10ErrorName(int code) {
    switch (code) {
        case USB10_SUCCESS: return "LIBUSB_SUCCESS / LIBUSB_TRANSFER_COMPLETED";
        case USB10_ERROR_IO: return "LIBUSB_ERROR_IO";
        case USB10_ERROR_INVALID_PARAM: return "LIBUSB_ERROR_INVALID_PARAM";
        case USB10_ERROR_ACCESS: return "LIBUSB_ERROR_ACCESS";
        case USB10_ERROR_NO_DEVICE: return "LIBUSB_ERROR_NO_DEVICE";
        case USB10_ERROR_NOT_FOUND: return "LIBUSB_ERROR_NOT_FOUND";
        case USB10_ERROR_BUSY: return "LIBUSB_ERROR_BUSY";
        case USB10_ERROR_TIMEOUT: return "LIBUSB_ERROR_TIMEOUT";
        case USB10_ERROR_OVERFLOW: return "LIBUSB_ERROR_OVERFLOW";
        case USB10_ERROR_PIPE: return "LIBUSB_ERROR_PIPE";
        case USB10_ERROR_INTERRUPTED: return "LIBUSB_ERROR_INTERRUPTED";
        case USB10_ERROR_NO_MEM: return "LIBUSB_ERROR_NO_MEM";
        case USB10_ERROR_NOT_SUPPORTED: return "LIBUSB_ERROR_NOT_SUPPORTED";
        case USB10_ERROR_OTHER: return "LIBUSB_ERROR_OTHER";
        default: return "**UNKNOWN**";
    }
}

}  // namespace TamskWelder
