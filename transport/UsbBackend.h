#pragma once
#include <cstdint>

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;
struct libusb_device_descriptor;

// The libusb calls the transports make, behind one interface, so their USB
// logic can run against a recording double as well as against libusb itself.
// Every call has the meaning and the return codes of the libusb function of
// the same name.
class UsbBackend
{
public:
    virtual ~UsbBackend();

    virtual int init(libusb_context **context) = 0;
    virtual void exit(libusb_context *context) = 0;
    virtual long getDeviceList(libusb_context *context, libusb_device ***list) = 0;
    virtual void freeDeviceList(libusb_device **list, int unrefDevices) = 0;
    virtual int getDeviceDescriptor(libusb_device *device, libusb_device_descriptor *descriptor) = 0;
    virtual uint8_t getBusNumber(libusb_device *device) = 0;
    virtual uint8_t getDeviceAddress(libusb_device *device) = 0;
    virtual int open(libusb_device *device, libusb_device_handle **handle) = 0;
    virtual void close(libusb_device_handle *handle) = 0;
    virtual int kernelDriverActive(libusb_device_handle *handle, int interfaceNumber) = 0;
    virtual int detachKernelDriver(libusb_device_handle *handle, int interfaceNumber) = 0;
    virtual int claimInterface(libusb_device_handle *handle, int interfaceNumber) = 0;
    virtual int releaseInterface(libusb_device_handle *handle, int interfaceNumber) = 0;
    virtual int bulkTransfer(libusb_device_handle *handle, unsigned char endpoint,
                             unsigned char *data, int length, int *transferred,
                             unsigned int timeoutMs) = 0;
};
