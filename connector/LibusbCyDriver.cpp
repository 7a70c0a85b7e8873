#include "LibusbCyDriver.h"

#include <QDebug>
#include <libusb.h>

#include "LibusbCyHandle.h"

namespace {
thread_local quint32 driverError = CyError::None;
}

const QVector<LibusbCyDriver::Id> &LibusbCyDriver::deviceTable()
{
    // The USB3 evaluation board, and the FX3 boot loader that takes its
    // firmware.
    static const QVector<Id> table = {{0x1209, 0xF010}, {0x04B4, 0x00F3}};
    return table;
}

LibusbCyDriver::Context LibusbCyDriver::context()
{
    std::lock_guard<std::mutex> guard(mutex);
    if (Context existing = shared.lock())
        return existing;
    libusb_context *raw = nullptr;
    if (libusb_init(&raw) != 0) {
        qWarning("USB driver layer: libusb cannot start");
        return nullptr;
    }
    Context fresh(raw, [](libusb_context *c) { libusb_exit(c); });
    shared = fresh;
    return fresh;
}

QString LibusbCyDriver::pathOf(libusb_device *device, quint16 vendorId, quint16 productId)
{
    uint8_t ports[8];
    const int depth = libusb_get_port_numbers(device, ports, int(sizeof ports));
    QString portPath;
    for (int i = 0; i < depth; ++i)
        portPath += (i ? QStringLiteral(".") : QString()) + QString::number(ports[i]);
    if (depth <= 0)
        portPath = QStringLiteral("a%1").arg(libusb_get_device_address(device));
    return QStringLiteral("\\\\?\\usb#vid_%1&pid_%2#%3-%4#%5")
        .arg(vendorId, 4, 16, QLatin1Char('0'))
        .arg(productId, 4, 16, QLatin1Char('0'))
        .arg(libusb_get_bus_number(device))
        .arg(portPath, interfaceClass().toString());
}

template <typename Visit>
bool LibusbCyDriver::walk(libusb_context *context, Visit visit)
{
    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    if (count < 0) {
        driverError = CyError::GenFailure;
        return false;
    }
    bool stopped = false;
    for (ssize_t i = 0; i < count && !stopped; ++i) {
        libusb_device_descriptor descriptor;
        if (libusb_get_device_descriptor(list[i], &descriptor) != 0)
            continue;
        for (const Id &id : deviceTable())
            if (id.vendorId == descriptor.idVendor && id.productId == descriptor.idProduct) {
                stopped = visit(list[i], pathOf(list[i], id.vendorId, id.productId), id);
                break;
            }
    }
    libusb_free_device_list(list, 1);
    return true;
}

QVector<CyDriver::Device> LibusbCyDriver::devices(const QUuid &deviceClass)
{
    QVector<Device> found;
    if (deviceClass != interfaceClass()) {
        driverError = CyError::None;
        return found;
    }
    Context use = context();
    if (!use) {
        driverError = CyError::GenFailure;
        return found;
    }
    walk(use.get(), [&](libusb_device *, const QString &path, const Id &id) {
        found.append({path, id.vendorId, id.productId});
        return false;
    });
    driverError = CyError::None;
    return found;
}

CyDriverHandle *LibusbCyDriver::open(const QString &path)
{
    Context use = context();
    if (!use) {
        driverError = CyError::GenFailure;
        return nullptr;
    }
    libusb_device_handle *handle = nullptr;
    int result = LIBUSB_ERROR_NOT_FOUND;
    walk(use.get(), [&](libusb_device *device, const QString &candidate, const Id &) {
        if (candidate.compare(path, Qt::CaseInsensitive) != 0)
            return false;
        result = libusb_open(device, &handle);
        return true;
    });
    if (result != 0 || !handle) {
        driverError = result == LIBUSB_ERROR_ACCESS  ? CyError::AccessDenied
                      : result == LIBUSB_ERROR_NOT_FOUND ? CyError::FileNotFound
                                                         : CyError::GenFailure;
        return nullptr;
    }
    driverError = CyError::None;
    return new LibusbCyHandle(use, handle, path);
}

quint32 LibusbCyDriver::lastError() const
{
    return driverError;
}
