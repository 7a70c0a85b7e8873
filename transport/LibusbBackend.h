#pragma once
#include "UsbBackend.h"

// The real USB access: every call goes straight to libusb.
class LibusbBackend : public UsbBackend
{
public:
    // The one instance the transports use unless they are given another.
    static LibusbBackend &instance();

    int init(libusb_context **context) override;
    void exit(libusb_context *context) override;
    long getDeviceList(libusb_context *context, libusb_device ***list) override;
    void freeDeviceList(libusb_device **list, int unrefDevices) override;
    int getDeviceDescriptor(libusb_device *device, libusb_device_descriptor *descriptor) override;
    uint8_t getBusNumber(libusb_device *device) override;
    uint8_t getDeviceAddress(libusb_device *device) override;
    int open(libusb_device *device, libusb_device_handle **handle) override;
    void close(libusb_device_handle *handle) override;
    int kernelDriverActive(libusb_device_handle *handle, int interfaceNumber) override;
    int detachKernelDriver(libusb_device_handle *handle, int interfaceNumber) override;
    int claimInterface(libusb_device_handle *handle, int interfaceNumber) override;
    int releaseInterface(libusb_device_handle *handle, int interfaceNumber) override;
    int bulkTransfer(libusb_device_handle *handle, unsigned char endpoint, unsigned char *data,
                     int length, int *transferred, unsigned int timeoutMs) override;
};
