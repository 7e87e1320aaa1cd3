#include "drivers/common/usb01.h"

#include <usb.h>

#include <atomic>

namespace drivers {

namespace {

usb_dev_handle* raw(Usb01Handle* h) { return reinterpret_cast<usb_dev_handle*>(h); }

class RealUsb01 final : public Usb01 {
public:
    void init() override { usb_init(); }
    int findBusses() override { return usb_find_busses(); }
    int findDevices() override { return usb_find_devices(); }

    std::vector<Usb01Device> devices() override {
        std::vector<Usb01Device> list;
        unsigned busIndex = 0;
        for (struct usb_bus* bus = usb_get_busses(); bus; bus = bus->next, ++busIndex) {
            for (struct usb_device* dev = bus->devices; dev; dev = dev->next) {
                Usb01Device d;
                d.bus = busIndex;
                d.address = dev->devnum;
                d.vendor = dev->descriptor.idVendor;
                d.product = dev->descriptor.idProduct;
                d.token = dev;
                list.push_back(d);
            }
        }
        return list;
    }

    Usb01Handle* open(const Usb01Device& device) override {
        if (!device.token) return nullptr;
        auto* dev = static_cast<struct usb_device*>(const_cast<void*>(device.token));
        return reinterpret_cast<Usb01Handle*>(usb_open(dev));
    }
    int setConfiguration(Usb01Handle* h, int configuration) override {
        return usb_set_configuration(raw(h), configuration);
    }
    int claimInterface(Usb01Handle* h, int interface) override { return usb_claim_interface(raw(h), interface); }
    int detachKernelDriver(Usb01Handle* h, int interface) override {
        return usb_detach_kernel_driver_np(raw(h), interface);
    }
    int bulkWrite(Usb01Handle* h, int endpoint, const std::uint8_t* bytes, int size, int timeoutMs) override {
        // libusb-0.1 takes a non-const buffer but does not change it.
        return usb_bulk_write(raw(h), endpoint, reinterpret_cast<char*>(const_cast<std::uint8_t*>(bytes)), size,
                              timeoutMs);
    }
    int bulkRead(Usb01Handle* h, int endpoint, std::uint8_t* bytes, int size, int timeoutMs) override {
        return usb_bulk_read(raw(h), endpoint, reinterpret_cast<char*>(bytes), size, timeoutMs);
    }
    int close(Usb01Handle* h) override { return h ? usb_close(raw(h)) : 0; }
};

std::atomic<Usb01*> g_usb{nullptr};

}  // namespace

Usb01& realUsb01() {
    static RealUsb01 real;
    return real;
}

Usb01& usb01() {
    Usb01* u = g_usb.load(std::memory_order_acquire);
    return u ? *u : realUsb01();
}

Usb01* setUsb01(Usb01* usb) {
    Usb01* previous = g_usb.exchange(usb, std::memory_order_acq_rel);
    return previous ? previous : &realUsb01();
}

}  // namespace drivers
