#pragma once
#include <QByteArray>
#include <QFlags>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>
#include <atomic>

class QSerialPort;
class UsbBackend;
struct libusb_context;
struct libusb_device;
struct libusb_device_handle;

// Base of every board transport: the register-access interface, the fields
// that describe a board's frames, and the services the boards share (serial
// port set-up, the libusb connection to the Atmel boards, device listing).
// The base answers every register operation with false: not supported.
//
// Every operation locks the object's mutex for its whole run: the settings
// window (GUI thread) and the worker may call the same transport, and their
// frames must never interleave on one port or USB connection.
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

    // Why the last failed operation failed: a board that does not answer or
    // cannot be opened is told apart from one that refused a request, so a
    // caller can give up on a board that is gone. Callers clear it before
    // the operation they ask about.
    enum class Failure { None, Refused, Silent, Unreachable };
    void clearFailure() { failure = Failure::None; }
    // True when the last failure says the board is not there to answer.
    bool boardLost() const
    {
        const Failure last = failure;
        return last == Failure::Silent || last == Failure::Unreachable;
    }

    // The USB access used by openUsb and deviceList; libusb itself unless a
    // test hands in another. The object is not owned.
    void setUsbBackend(UsbBackend *backend) { usb = backend; }

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
    // Longest wait, in ms, for a board's reply to one frame and for one USB
    // transfer.
    int replyTimeout = 5000;

signals:
    void send_message(QString text);

protected:
    // Frame bytes of the KV2260 boards (Atmel, STM32 and "fmc").
    void useKv2260Frames(int kind);
    // What a transport that replaces every register operation provides.
    static Operations allOperations();

    // How the collection of a serial reply ended.
    enum class Reply { Complete, Silent, WrongLength };

    bool openUsb();
    void closeUsb();
    int usbWrite(quint8 *buffer, int length);
    int usbRead(quint8 *buffer, int length);
    int usbTransaction(quint8 *out, quint8 *in, int length);

    // Board key of a USB device: bus number and device address as two
    // upper-case hexadecimal digits each (bus 1, address 10 gives 010A).
    static QString boardKey(int bus, int address);

    // Reads a reply of exactly `expected` bytes into `reply`, however many
    // pieces it comes in, waiting at most `timeoutMs` in all. A reply of
    // another length is read off the port and dropped.
    static Reply collectReply(QSerialPort &port, int expected, int timeoutMs, QByteArray &reply);

    // Lists the Atmel boards by board key and the USB3 boards as "USB#" and
    // a counter, each in enumeration order. False, after the report, when
    // libusb cannot enumerate.
    bool listUsbBoards(QStringList &atmelBoards, QStringList &usb3Boards);
    struct UsbDevice
    {
        libusb_device *device;
        quint16 vendor;
        quint16 product;
    };
    bool startUsb(libusb_context **context);
    QString keyOf(libusb_device *device) const;
    libusb_device **readUsbDevices(libusb_context *context, QVector<UsbDevice> &devices);

    // Writes the Russian line to the debug log, notes the kind of failure
    // (none for a warning), then emits the English text.
    void report(const char *debugLine, const char *text, Failure kind = Failure::Refused);
    // The KV2260 has the single register map 0: any other is reported.
    bool mapExists(quint8 map);
    // The checks every register operation starts with: map 0 only, then its
    // register arguments; each refusal is reported.
    bool acceptRequest(quint8 map, bool argumentsValid);
    // Opens the board's serial port at the given speed, reporting a failure.
    bool openBoardPort(QSerialPort &port, int speed);

    UsbBackend *usb;
    libusb_context *usbContext = nullptr;
    libusb_device_handle *usbHandle = nullptr;
    QRecursiveMutex lock;
    std::atomic<Failure> failure{Failure::None};

private:
    void releaseUsb();
    libusb_device_handle *openBoard(const QMap<QString, libusb_device *> &boards);
};

Q_DECLARE_OPERATORS_FOR_FLAGS(canal::Operations)
