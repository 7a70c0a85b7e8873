#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <mutex>

// The setup packet of a control request.
struct UsbSetup
{
    quint8 requestType;
    quint8 request;
    quint16 value;
    quint16 index;
    quint16 length;

    bool in() const { return requestType & 0x80; }
    // "c0 b5 0005 0003 1": the fields in hex, the length in decimal.
    QString text() const
    {
        return QString::asprintf("%02x %02x %04x %04x %d", requestType, request, value, index, length);
    }
};

// An emulated USB device as seen through endpoint 0: its descriptors and its
// answers to control requests. The umockdev bed drives it from its own
// thread, so implementations guard their state with `mutex`.
class UsbControlFunction
{
public:
    static constexpr int NoAnswer = -2;

    virtual ~UsbControlFunction() = default;

    // The device descriptor followed by the configuration descriptor, as the
    // system's device list holds them.
    virtual QByteArray descriptors() const = 0;
    // Link speed in Mbit/s.
    virtual int speed() const { return 480; }
    // A request and its data stage (OUT: the bytes sent; IN: room for
    // setup.length bytes). Returns the bytes moved, -1 to stall, or
    // NoAnswer to leave the request unanswered until the host gives up.
    virtual int control(const UsbSetup &setup, quint8 *data) = 0;
    virtual void setInterface(int interface, int alt)
    {
        std::lock_guard<std::mutex> guard(mutex);
        log << QString::asprintf("set_interface %d %d", interface, alt);
    }

    // Every request in order: "c0 b5 0005 0003 1" lines and set_interface.
    QStringList requests() const
    {
        std::lock_guard<std::mutex> guard(mutex);
        return log;
    }
    void clearRequests()
    {
        std::lock_guard<std::mutex> guard(mutex);
        log.clear();
    }

protected:
    mutable std::mutex mutex;
    QStringList log;
};
