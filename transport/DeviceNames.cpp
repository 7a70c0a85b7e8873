#include "DeviceNames.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

// The file a path finally names, links followed; the path itself when it
// names nothing there is.
QString resolved(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    return target.isEmpty() ? path : target;
}

} // namespace

QList<DeviceNames::Port> DeviceNames::serialPorts()
{
    QList<Port> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append({info.portName(), info.systemLocation(),
                      info.hasVendorIdentifier() ? info.vendorIdentifier() : quint16(0)});
    return ports;
}

const DeviceNames::Port *DeviceNames::findPort(const QString &name, const QList<Port> &ports)
{
    for (const Port &port : ports)
        if (port.name == name)
            return &port;
    if (!name.startsWith('/'))
        return nullptr;
    const QString path = resolved(name);
    for (const Port &port : ports)
        if (!port.location.isEmpty() && resolved(port.location) == path)
            return &port;
    return nullptr;
}

DeviceNames::Board DeviceNames::boardOf(const QString &name, const QList<Port> &ports)
{
    const Port *port = findPort(name, ports);
    if (port || name.startsWith('/'))
        return port && port->vendor == stm32VendorId ? Stm32Board : FmcBoard;
    if (name.contains(QLatin1String("USB#")))
        return Usb3Board;
    return AtmelBoard;
}
