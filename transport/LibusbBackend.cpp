#include "LibusbBackend.h"

#include <libusb.h>

LibusbBackend &LibusbBackend::instance()
{
    static LibusbBackend backend;
    return backend;
}

int LibusbBackend::init(libusb_context **context)
{
    return libusb_init(context);
}

void LibusbBackend::exit(libusb_context *context)
{
    libusb_exit(context);
}

long LibusbBackend::getDeviceList(libusb_context *context, libusb_device ***list)
{
    return long(libusb_get_device_list(context, list));
}

void LibusbBackend::freeDeviceList(libusb_device **list, int unrefDevices)
{
    libusb_free_device_list(list, unrefDevices);
}

int LibusbBackend::getDeviceDescriptor(libusb_device *device, libusb_device_descriptor *descriptor)
{
    return libusb_get_device_descriptor(device, descriptor);
}

uint8_t LibusbBackend::getBusNumber(libusb_device *device)
{
    return libusb_get_bus_number(device);
}

uint8_t LibusbBackend::getDeviceAddress(libusb_device *device)
{
    return libusb_get_device_address(device);
}

int LibusbBackend::open(libusb_device *device, libusb_device_handle **handle)
{
    return libusb_open(device, handle);
}

void LibusbBackend::close(libusb_device_handle *handle)
{
    libusb_close(handle);
}

int LibusbBackend::kernelDriverActive(libusb_device_handle *handle, int interfaceNumber)
{
    return libusb_kernel_driver_active(handle, interfaceNumber);
}

int LibusbBackend::detachKernelDriver(libusb_device_handle *handle, int interfaceNumber)
{
    return libusb_detach_kernel_driver(handle, interfaceNumber);
}

int LibusbBackend::claimInterface(libusb_device_handle *handle, int interfaceNumber)
{
    return libusb_claim_interface(handle, interfaceNumber);
}

int LibusbBackend::releaseInterface(libusb_device_handle *handle, int interfaceNumber)
{
    return libusb_release_interface(handle, interfaceNumber);
}

int LibusbBackend::bulkTransfer(libusb_device_handle *handle, unsigned char endpoint,
                                unsigned char *data, int length, int *transferred,
                                unsigned int timeoutMs)
{
    return libusb_bulk_transfer(handle, endpoint, data, length, transferred, timeoutMs);
}
