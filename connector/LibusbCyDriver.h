#pragma once
#include <memory>
#include <mutex>

#include "CyDriver.h"

struct libusb_context;
struct libusb_device;

// The driver over libusb, with a libusb context of its own. Its devices are
// the USB devices whose vendor and product id are in its table. A device
// path has the platform's form, e.g.
//   \\?\usb#vid_1209&pid_f010#1-2.4#{ae18aa60-7f6a-11d4-97dd-00010229b959}
// with the bus number and the port path after the ids.
//
// The context lives while a listing runs or a device is open and is ended
// with the last of them, so a device plugged in between two uses is seen.
class LibusbCyDriver : public CyDriver
{
public:
    struct Id
    {
        quint16 vendorId;
        quint16 productId;
    };
    static const QVector<Id> &deviceTable();

    QVector<Device> devices(const QUuid &deviceClass) override;
    CyDriverHandle *open(const QString &path) override;
    quint32 lastError() const override;

    using Context = std::shared_ptr<libusb_context>;

private:
    Context context();
    static QString pathOf(libusb_device *device, quint16 vendorId, quint16 productId);
    // Calls `visit` for every device of the table, with its path.
    template <typename Visit>
    bool walk(libusb_context *context, Visit visit);

    std::mutex mutex;
    std::weak_ptr<libusb_context> shared;
};
