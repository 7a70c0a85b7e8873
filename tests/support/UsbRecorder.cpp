#include "UsbRecorder.h"

#include <libusb.h>

#include "AtmelBoard.h"

namespace {
// What the recorder hands out as a libusb context: any distinct address.
char contextToken;
}

UsbRecorder::UsbRecorder() = default;

UsbRecorder::~UsbRecorder() = default;

void UsbRecorder::addDevice(int bus, int address, quint16 vid, quint16 pid, AtmelBoard *board)
{
    std::lock_guard<std::mutex> guard(mutex);
    devices.push_back(std::unique_ptr<Device>(new Device{bus, address, vid, pid, board, false}));
}

void UsbRecorder::breakDescriptor(int bus, int address)
{
    std::lock_guard<std::mutex> guard(mutex);
    for (auto &device : devices)
        if (device->bus == bus && device->address == address)
            device->brokenDescriptor = true;
}

QStringList UsbRecorder::calls() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return transcript;
}

void UsbRecorder::clearCalls()
{
    std::lock_guard<std::mutex> guard(mutex);
    transcript.clear();
}

int UsbRecorder::openContexts() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return contexts;
}

int UsbRecorder::openHandles() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return handles;
}

int UsbRecorder::claimedInterfaces() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return claims;
}

unsigned UsbRecorder::lastTimeout() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return timeout;
}

void UsbRecorder::record(const QString &call)
{
    std::lock_guard<std::mutex> guard(mutex);
    transcript << call;
}

UsbRecorder::Device *UsbRecorder::deviceOf(libusb_device *device)
{
    return reinterpret_cast<Device *>(device);
}

QString UsbRecorder::keyOf(const Device *device)
{
    return QStringLiteral("%1%2")
        .arg(device->bus, 2, 16, QLatin1Char('0'))
        .arg(device->address, 2, 16, QLatin1Char('0'))
        .toUpper();
}

int UsbRecorder::init(libusb_context **context)
{
    record(QStringLiteral("init"));
    if (failInit)
        return LIBUSB_ERROR_OTHER;
    std::lock_guard<std::mutex> guard(mutex);
    ++contexts;
    if (context)
        *context = reinterpret_cast<libusb_context *>(&contextToken);
    return 0;
}

void UsbRecorder::exit(libusb_context *)
{
    record(QStringLiteral("exit"));
    std::lock_guard<std::mutex> guard(mutex);
    --contexts;
}

long UsbRecorder::getDeviceList(libusb_context *, libusb_device ***list)
{
    record(QStringLiteral("get_device_list"));
    if (failDeviceList)
        return LIBUSB_ERROR_NO_MEM;
    std::lock_guard<std::mutex> guard(mutex);
    *list = new libusb_device *[devices.size() + 1];
    for (size_t i = 0; i < devices.size(); ++i)
        (*list)[i] = reinterpret_cast<libusb_device *>(devices[i].get());
    (*list)[devices.size()] = nullptr;
    return long(devices.size());
}

void UsbRecorder::freeDeviceList(libusb_device **list, int unrefDevices)
{
    record(QStringLiteral("free_device_list %1").arg(unrefDevices));
    delete[] list;
}

int UsbRecorder::getDeviceDescriptor(libusb_device *device, libusb_device_descriptor *descriptor)
{
    const Device *d = deviceOf(device);
    if (d->brokenDescriptor)
        return LIBUSB_ERROR_IO;
    *descriptor = libusb_device_descriptor();
    descriptor->idVendor = d->vid;
    descriptor->idProduct = d->pid;
    return 0;
}

uint8_t UsbRecorder::getBusNumber(libusb_device *device)
{
    return uint8_t(deviceOf(device)->bus);
}

uint8_t UsbRecorder::getDeviceAddress(libusb_device *device)
{
    return uint8_t(deviceOf(device)->address);
}

int UsbRecorder::open(libusb_device *device, libusb_device_handle **handle)
{
    record(QStringLiteral("open ") + keyOf(deviceOf(device)));
    if (failOpen)
        return LIBUSB_ERROR_ACCESS;
    std::lock_guard<std::mutex> guard(mutex);
    ++handles;
    *handle = reinterpret_cast<libusb_device_handle *>(new Handle{deviceOf(device)});
    return 0;
}

void UsbRecorder::close(libusb_device_handle *handle)
{
    Handle *h = reinterpret_cast<Handle *>(handle);
    record(QStringLiteral("close ") + keyOf(h->device));
    delete h;
    std::lock_guard<std::mutex> guard(mutex);
    --handles;
}

int UsbRecorder::kernelDriverActive(libusb_device_handle *, int interfaceNumber)
{
    record(QStringLiteral("kernel_driver_active %1").arg(interfaceNumber));
    return kernelDriverBound ? 1 : 0;
}

int UsbRecorder::detachKernelDriver(libusb_device_handle *, int interfaceNumber)
{
    record(QStringLiteral("detach %1").arg(interfaceNumber));
    return 0;
}

int UsbRecorder::claimInterface(libusb_device_handle *, int interfaceNumber)
{
    record(QStringLiteral("claim %1").arg(interfaceNumber));
    if (failClaim)
        return LIBUSB_ERROR_BUSY;
    std::lock_guard<std::mutex> guard(mutex);
    ++claims;
    return 0;
}

int UsbRecorder::releaseInterface(libusb_device_handle *, int interfaceNumber)
{
    record(QStringLiteral("release %1").arg(interfaceNumber));
    std::lock_guard<std::mutex> guard(mutex);
    --claims;
    return 0;
}

int UsbRecorder::bulkTransfer(libusb_device_handle *handle, unsigned char endpoint,
                              unsigned char *data, int length, int *transferred,
                              unsigned int timeoutMs)
{
    const QString call = QStringLiteral("bulk %1 %2").arg(endpoint, 2, 16, QLatin1Char('0')).arg(length);
    {
        std::lock_guard<std::mutex> guard(mutex);
        timeout = timeoutMs;
    }
    *transferred = 0;
    AtmelBoard *board = reinterpret_cast<Handle *>(handle)->device->board;
    if (unplugged || !board) {
        record(call);
        return LIBUSB_ERROR_NO_DEVICE;
    }
    if (!(endpoint & LIBUSB_ENDPOINT_IN)) {
        record(call);
        board->receive(data, length);
        *transferred = length;
        return 0;
    }
    QByteArray reply;
    if (!board->takeReply(length, reply)) {
        record(call + QStringLiteral(", timeout"));
        return LIBUSB_ERROR_TIMEOUT;
    }
    record(call);
    std::copy(reply.cbegin(), reply.cend(), reinterpret_cast<char *>(data));
    *transferred = reply.size();
    return 0;
}
