#pragma once
#include <QFlags>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

class QSerialPort;
struct libusb_device_handle;

// Base of every board transport: the register-access interface, the fields
// that describe a board's frames, and the services the boards share (serial
// port set-up, the libusb connection to the Atmel boards, device listing).
// The base answers every register operation with false: not supported.
class canal : public QObject
{
    Q_OBJECT
public:
    // The operations a transport class provides itself; callers skip an
    // operation its class does not provide as unsupported.
    enum Operation {
        ReadRegister = 0x01,
        ReadRegisterBlock = 0x02,
        ReadRegisterAutoInc = 0x04,
        WriteRegister = 0x08,
        WriteRegisterBlock = 0x10,
        WriteRegisterAutoInc = 0x20,
        SendPacket = 0x40,
    };
    Q_DECLARE_FLAGS(Operations, Operation)

    canal();
    ~canal() override;

    virtual Operations provides() const { return {}; }
    bool provides(Operation op) const { return provides().testFlag(op); }

    virtual bool readRegister(quint8 map, int reg, quint8 *value);
    virtual bool readRegisterBlock(quint8 map, int count, quint8 **entries);
    virtual bool readRegisterAutoInc(quint8 map, int first, int count, quint8 **values);
    virtual bool writeRegister(quint8 map, int reg, quint8 *value);
    virtual bool writeRegisterBlock(quint8 map, int count, quint8 *entries);
    virtual bool writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values);
    virtual bool sendPacket(int length, quint8 **packet);
    virtual QStringList deviceList();
    virtual bool openSerial(QSerialPort *port, QString name, int baud);

    static quint8 reverseBits(quint8 b);

    quint8 csAssertCmd = 0;
    quint8 csReleaseCmd = 0;
    quint8 spiCmd = 0;
    quint8 writeFlag = 0;
    quint8 readFlag = 0;
    quint8 autoIncFlag = 0;
    quint8 cmd20 = 0;
    quint8 cmd21 = 0;
    quint8 cmd22 = 0;
    quint8 cmd23 = 0;
    quint8 addrBytes = 0;
    quint8 blockSize = 0;
    quint16 usbVid = 0x2976;
    quint16 usbPid = 0x0003;
    QString deviceName;
    int interfaceKind = 0;
    int baud = 460800;

signals:
    void send_message(QString text);

protected:
    bool openUsb();
    void closeUsb();
    int usbWrite(quint8 *buffer, int length);
    int usbRead(quint8 *buffer, int length);
    int usbTransaction(quint8 *out, quint8 *in, int length);

    libusb_device_handle *usbHandle = nullptr;
    // Serialises the operations on one transport: the settings window (GUI
    // thread) and the worker may call the same object.
    QRecursiveMutex lock;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(canal::Operations)
