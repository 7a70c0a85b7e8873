#pragma once
#include <QList>
#include <QStringList>
#include <memory>
#include <mutex>
#include <vector>

#include "UsbBackend.h"

class AtmelBoard;

// A stand-in for libusb that records every call a transport makes, so tests
// can check order, arguments and balance (init/exit, open/close,
// claim/release), and routes bulk transfers to an emulated board.
//
// Transcript entries: "init", "exit", "get_device_list", "free_device_list
// 1", "open 010A", "close 010A", "kernel_driver_active 0", "detach 0",
// "claim 0", "release 0", "bulk 02 4" and "bulk 81 4" (endpoint and length;
// ", timeout" is appended when an IN transfer found no reply).
class UsbRecorder : public UsbBackend
{
public:
    UsbRecorder();
    ~UsbRecorder() override;

    // Adds a device; its bulk transfers go to `board` when one is given.
    void addDevice(int bus, int address, quint16 vid, quint16 pid, AtmelBoard *board = nullptr);
    // Devices whose descriptor cannot be read.
    void breakDescriptor(int bus, int address);

    // Failures on request; set them before the transport runs.
    bool failInit = false;
    bool failDeviceList = false;
    bool failOpen = false;
    bool failClaim = false;
    bool kernelDriverBound = false;
    bool unplugged = false;  // every transfer fails with LIBUSB_ERROR_NO_DEVICE

    QStringList calls() const;
    void clearCalls();
    // Contexts, handles and claims not yet undone.
    int openContexts() const;
    int openHandles() const;
    int claimedInterfaces() const;
    // Time-out, in ms, of the last bulk transfer.
    unsigned lastTimeout() const;

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

private:
    struct Device {
        int bus;
        int address;
        quint16 vid;
        quint16 pid;
        AtmelBoard *board;
        bool brokenDescriptor;
    };
    struct Handle {
        Device *device;
    };

    void record(const QString &call);
    static Device *deviceOf(libusb_device *device);
    static QString keyOf(const Device *device);

    mutable std::mutex mutex;
    std::vector<std::unique_ptr<Device>> devices;
    QStringList transcript;
    int contexts = 0;
    int handles = 0;
    int claims = 0;
    unsigned timeout = 0;
};
