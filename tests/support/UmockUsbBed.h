#pragma once
// Emulated USB devices for real libusb, through umockdev: a testbed whose
// sysfs and /dev/bus/usb nodes libusb enumerates and opens, with an ioctl
// handler per board that answers usbdevfs requests from an AtmelBoard.
// Also serial ports (tty devices) for the port enumeration. Header-only: only
// the tests run under umockdev-wrapper include it.
//
// Create the bed before anything starts libusb or lists serial ports; it
// removes its testbed when it goes.
#include <QByteArray>
#include <algorithm>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <linux/usbdevice_fs.h>
#include <memory>
#include <mutex>
#include <sys/ioctl.h>
#include <vector>
// GLib names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <umockdev.h>
#pragma pop_macro("signals")

#include "AtmelBoard.h"
#include "UsbControlFunction.h"

class UmockUsbBed
{
public:
    // One emulated device node and what its handler knows.
    struct Device {
        int bus = 0;
        int address = 0;
        AtmelBoard *board = nullptr;
        UsbControlFunction *function = nullptr;
        QString node;
        UMockdevIoctlBase *handler = nullptr;

        std::mutex mutex;
        bool driverBound = false;
        bool refuseClaim = false;
        bool unplugged = false;
        QStringList requests;
        // URBs by the connection (open file) that submitted them: each is
        // reaped only through its own connection.
        struct Urb {
            UMockdevIoctlClient *client;
            UMockdevIoctlData *data;
        };
        std::vector<Urb> waitingIn;
        std::vector<Urb> finished;

        QStringList seen()
        {
            std::lock_guard<std::mutex> guard(mutex);
            return requests;
        }
        void clearSeen()
        {
            std::lock_guard<std::mutex> guard(mutex);
            requests.clear();
        }
    };

    UmockUsbBed() : bed(umockdev_testbed_new()) {}

    ~UmockUsbBed()
    {
        for (auto &device : devices) {
            for (const Device::Urb &urb : device->waitingIn)
                g_object_unref(urb.data);
            for (const Device::Urb &urb : device->finished)
                g_object_unref(urb.data);
            if (device->handler)
                g_object_unref(device->handler);
        }
        g_free(serialParent);
        g_object_unref(bed);
    }

    UmockUsbBed(const UmockUsbBed &) = delete;
    UmockUsbBed &operator=(const UmockUsbBed &) = delete;

    // A USB device with one vendor-class interface and bulk endpoints 0x02
    // and 0x81; its transfers go to `board` when one is given. `slot` orders
    // the devices in sysfs (port 1-slot).
    Device &addUsbDevice(int slot, int bus, int address, quint16 vid, quint16 pid,
                         AtmelBoard *board = nullptr)
    {
        const QByteArray descriptors =
            QByteArray::fromHex(QString::asprintf("1201000200000040%02X%02X%02X%02X000100000001", vid & 0xFF,
                                                  vid >> 8, pid & 0xFF, pid >> 8)
                                    .toLatin1())
            + QByteArray::fromHex("0902200001010080320904000002FF0000000705020240000007058102400000");
        Device &device = attach(slot, bus, address, descriptors, 480);
        device.board = board;
        return device;
    }

    // A device whose descriptors, speed and control requests come from
    // `function`.
    Device &addUsbDevice(int slot, int bus, int address, UsbControlFunction &function)
    {
        Device &device = attach(slot, bus, address, function.descriptors(), function.speed());
        device.function = &function;
        return device;
    }

    void removeUsbDevice(int slot, int bus)
    {
        umockdev_testbed_remove_device(
            bed, QString::asprintf("/sys/devices/usb%d/%d-%d", bus, bus, slot).toUtf8().constData());
    }

    // A serial port; `vendorId` below 0 gives it no USB vendor.
    void addSerialPort(const char *name, int vendorId)
    {
        if (!serialParent)
            serialParent = umockdev_testbed_add_device(bed, "platform", "kv-serial", nullptr, nullptr,
                                                       nullptr);
        const QByteArray devname = QByteArray("/dev/") + name;
        const QByteArray vendor = QByteArray::number(vendorId, 16).rightJustified(4, '0');
        gchar *path = vendorId < 0
                          ? umockdev_testbed_add_device(bed, "tty", name, serialParent, nullptr,
                                                        "DEVNAME", devname.constData(), nullptr)
                          : umockdev_testbed_add_device(bed, "tty", name, serialParent, nullptr,
                                                        "DEVNAME", devname.constData(),
                                                        "ID_VENDOR_ID", vendor.constData(), nullptr);
        g_free(path);
    }

private:
    Device &attach(int slot, int bus, int address, const QByteArray &descriptors, int speed)
    {
        devices.emplace_back(new Device);
        Device &device = *devices.back();
        device.bus = bus;
        device.address = address;
        device.node = QString::asprintf("/dev/bus/usb/%03d/%03d", bus, address);
        const QString text = QString::asprintf(
            "P: /devices/usb%d/%d-%d\nN: bus/usb/%03d/%03d\nE: SUBSYSTEM=usb\n"
            "E: DEVTYPE=usb_device\nE: DEVNAME=/dev/bus/usb/%03d/%03d\nE: BUSNUM=%03d\n"
            "E: DEVNUM=%03d\nA: busnum=%d\\n\nA: devnum=%d\\n\nA: speed=%d\\n\n"
            "A: bConfigurationValue=1\\n\nH: descriptors=%s\n",
            bus, bus, slot, bus, address, bus, address, bus, address, bus, address, speed,
            descriptors.toHex().toUpper().constData());
        GError *error = nullptr;
        if (!umockdev_testbed_add_from_string(bed, text.toUtf8().constData(), &error))
            qFatal("umockdev: cannot add a USB device: %s", error->message);
        device.handler = umockdev_ioctl_base_new();
        g_signal_connect(device.handler, "handle-ioctl", G_CALLBACK(&UmockUsbBed::onIoctl), &device);
        if (!umockdev_testbed_attach_ioctl(bed, device.node.toUtf8().constData(), device.handler,
                                           &error))
            qFatal("umockdev: cannot attach the ioctl handler: %s", error->message);
        return device;
    }

    static UMockdevIoctlData *resolve(UMockdevIoctlData *data, size_t offset, size_t length)
    {
        GError *error = nullptr;
        UMockdevIoctlData *resolved = umockdev_ioctl_data_resolve(data, offset, length, &error);
        if (!resolved)
            qFatal("umockdev: cannot resolve ioctl data: %s", error->message);
        return resolved;
    }

    static gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data)
    {
        Device &device = *static_cast<Device *>(data);
        std::lock_guard<std::mutex> guard(device.mutex);
        const gulong request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
        switch (request) {
        case USBDEVFS_GET_CAPABILITIES:
            *reinterpret_cast<__u32 *>(resolve(arg, 0, sizeof(__u32))->data) = 0;
            return complete(client, 0, 0);
        case USBDEVFS_GETDRIVER: {
            device.requests << "getdriver";
            if (!device.driverBound)
                return complete(client, -1, ENODATA);
            auto *query = reinterpret_cast<usbdevfs_getdriver *>(
                resolve(arg, 0, sizeof(usbdevfs_getdriver))->data);
            std::strcpy(query->driver, "usbhid");
            return complete(client, 0, 0);
        }
        case USBDEVFS_IOCTL: {
            auto *command = reinterpret_cast<usbdevfs_ioctl *>(resolve(arg, 0, sizeof(usbdevfs_ioctl))->data);
            if (command->ioctl_code != int(USBDEVFS_DISCONNECT))
                break;
            device.requests << QString("disconnect %1").arg(command->ifno);
            device.driverBound = false;
            return complete(client, 0, 0);
        }
        case USBDEVFS_CLAIMINTERFACE: {
            const unsigned number = *reinterpret_cast<unsigned *>(resolve(arg, 0, sizeof(unsigned))->data);
            device.requests << QString("claim %1").arg(number);
            return device.refuseClaim ? complete(client, -1, EBUSY) : complete(client, 0, 0);
        }
        case USBDEVFS_RELEASEINTERFACE: {
            const unsigned number = *reinterpret_cast<unsigned *>(resolve(arg, 0, sizeof(unsigned))->data);
            device.requests << QString("release %1").arg(number);
            return complete(client, 0, 0);
        }
        case USBDEVFS_SETINTERFACE: {
            auto *setting = reinterpret_cast<usbdevfs_setinterface *>(
                resolve(arg, 0, sizeof(usbdevfs_setinterface))->data);
            device.requests << QString("setinterface %1 %2").arg(setting->interface).arg(setting->altsetting);
            if (device.function)
                device.function->setInterface(int(setting->interface), int(setting->altsetting));
            return complete(client, 0, 0);
        }
        case USBDEVFS_CLEAR_HALT: {
            const unsigned endpoint = *reinterpret_cast<unsigned *>(resolve(arg, 0, sizeof(unsigned))->data);
            device.requests << QString("clear_halt %1").arg(endpoint, 2, 16, QLatin1Char('0'));
            return complete(client, 0, 0);
        }
        case USBDEVFS_RESET:
            device.requests << "reset";
            return complete(client, 0, 0);
        case USBDEVFS_SUBMITURB:
            return submit(device, client, arg);
        case USBDEVFS_REAPURBNDELAY:
            return reap(device, client, arg);
        case USBDEVFS_DISCARDURB:
            return discard(device, client, arg);
        default:
            break;
        }
        device.requests << QString("unknown 0x%1").arg(request, 0, 16);
        return complete(client, -1, ENOTTY);
    }

    static gboolean complete(UMockdevIoctlClient *client, long result, int error)
    {
        umockdev_ioctl_client_complete(client, result, error);
        return TRUE;
    }

    static gboolean submit(Device &device, UMockdevIoctlClient *client, UMockdevIoctlData *arg)
    {
        UMockdevIoctlData *urbData = resolve(arg, 0, sizeof(usbdevfs_urb));
        auto *urb = reinterpret_cast<usbdevfs_urb *>(urbData->data);
        if (urb->type == USBDEVFS_URB_TYPE_CONTROL)
            return submitControl(device, client, urbData);
        const bool in = urb->endpoint & 0x80;
        device.requests << QString("bulk %1 %2").arg(urb->endpoint, 2, 16, QLatin1Char('0')).arg(urb->buffer_length);
        if (device.unplugged || !device.board || urb->type != USBDEVFS_URB_TYPE_BULK)
            return complete(client, -1, ENODEV);
        UMockdevIoctlData *buffer =
            resolve(urbData, offsetof(usbdevfs_urb, buffer), size_t(urb->buffer_length));
        urb->status = 0;
        urb->actual_length = 0;
        if (!in) {
            device.board->receive(buffer->data, urb->buffer_length);
            urb->actual_length = urb->buffer_length;
            device.finished.push_back({client, static_cast<UMockdevIoctlData *>(g_object_ref(urbData))});
            return complete(client, 0, 0);
        }
        QByteArray reply;
        if (device.board->takeReply(urb->buffer_length, reply)) {
            std::memcpy(buffer->data, reply.constData(), size_t(reply.size()));
            urb->actual_length = reply.size();
            device.finished.push_back({client, static_cast<UMockdevIoctlData *>(g_object_ref(urbData))});
        } else {
            device.waitingIn.push_back({client, static_cast<UMockdevIoctlData *>(g_object_ref(urbData))});
        }
        return complete(client, 0, 0);
    }

    // A control URB: the setup packet, then the data stage. The function
    // answers it at once; a stall finishes the URB with -EPIPE.
    static gboolean submitControl(Device &device, UMockdevIoctlClient *client, UMockdevIoctlData *urbData)
    {
        auto *urb = reinterpret_cast<usbdevfs_urb *>(urbData->data);
        device.requests << "control";
        if (device.unplugged || !device.function || urb->buffer_length < 8)
            return complete(client, -1, ENODEV);
        quint8 *bytes = resolve(urbData, offsetof(usbdevfs_urb, buffer), size_t(urb->buffer_length))->data;
        const UsbSetup setup{bytes[0], bytes[1], quint16(bytes[2] | bytes[3] << 8),
                             quint16(bytes[4] | bytes[5] << 8), quint16(bytes[6] | bytes[7] << 8)};
        if (8 + int(setup.length) > urb->buffer_length)
            return complete(client, -1, EINVAL);
        const int moved = device.function->control(setup, bytes + 8);
        if (moved == UsbControlFunction::NoAnswer) {
            device.waitingIn.push_back({client, static_cast<UMockdevIoctlData *>(g_object_ref(urbData))});
            return complete(client, 0, 0);
        }
        urb->status = moved < 0 ? -EPIPE : 0;
        urb->actual_length = moved < 0 ? 0 : moved;
        device.finished.push_back({client, static_cast<UMockdevIoctlData *>(g_object_ref(urbData))});
        return complete(client, 0, 0);
    }

    static gboolean reap(Device &device, UMockdevIoctlClient *client, UMockdevIoctlData *arg)
    {
        auto mine = std::find_if(device.finished.begin(), device.finished.end(),
                                 [client](const Device::Urb &urb) { return urb.client == client; });
        if (mine == device.finished.end())
            return complete(client, -1, EAGAIN);
        UMockdevIoctlData *urbData = mine->data;
        device.finished.erase(mine);
        umockdev_ioctl_data_set_ptr(resolve(arg, 0, sizeof(void *)), 0, urbData);
        complete(client, 0, 0);
        g_object_unref(urbData);
        return TRUE;
    }

    // An IN transfer that timed out: its URB finishes as cancelled.
    static gboolean discard(Device &device, UMockdevIoctlClient *client, UMockdevIoctlData *arg)
    {
        device.requests << "discard";
        const gulong address = *reinterpret_cast<gulong *>(arg->data);
        for (auto it = device.waitingIn.begin(); it != device.waitingIn.end(); ++it) {
            if (it->client != client || it->data->client_addr != address)
                continue;
            reinterpret_cast<usbdevfs_urb *>(it->data->data)->status = -ENOENT;
            device.finished.push_back(*it);
            device.waitingIn.erase(it);
            return complete(client, 0, 0);
        }
        return complete(client, -1, EINVAL);
    }

    UMockdevTestbed *bed;
    gchar *serialParent = nullptr;
    std::vector<std::unique_ptr<Device>> devices;
};
