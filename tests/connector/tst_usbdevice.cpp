#include <QtTest>
#include <algorithm>
#include <cstring>

#include "CCyUSBDevice.h"
#include "CyRequestRecord.h"
#include "TestMain.h"

namespace {
// A device behind the driver: GET_DESCRIPTOR answered from its tables,
// every other request with zeros. The driver may leave bytes of its own
// behind those that arrived, as `trailing` does.
struct DeviceTables
{
    QByteArray device = QByteArray::fromHex("12 01 0002 00 00 00 40 0912 10f0 0001 00 00 00 00");
    QMap<int, QByteArray> configs;
    QMap<int, QByteArray> strings;
    QByteArray trailing;
};

class TableHandle : public CyDriverHandle
{
public:
    explicit TableHandle(const DeviceTables &tables) : tables(tables) {}

    bool ioControl(quint32 code, void *, quint32, void *out, quint32 outLength, quint32 *returned,
                   CyOverlapped *) override
    {
        auto *bytes = static_cast<quint8 *>(out);
        quint32 count = outLength;
        if (code == CyIoctl::ControlTransfer)
            count = answer(bytes, outLength);
        else if (bytes)
            std::memset(bytes, 0, outLength);
        if (returned)
            *returned = count;
        return true;
    }
    bool waitFor(CyOverlapped &, quint32) override { return true; }
    quint32 lastError() const override { return CyError::None; }

private:
    quint32 answer(quint8 *record, quint32 size)
    {
        const quint16 value = CyRequestRecord::read16(record + CyRequestRecord::Value);
        const int index = value & 0xFF;
        QByteArray table;
        switch (value >> 8) {
        case 1:
            table = tables.device;
            break;
        case 2:
            table = tables.configs.value(index);
            break;
        case 3:
            table = tables.strings.value(index);
            break;
        default:
            break;
        }
        const QByteArray room(int(size - CyRequestRecord::Size), '\0');
        const QByteArray sent = table.left(room.size());
        const QByteArray behind = tables.trailing.left(room.size() - sent.size());
        std::memcpy(record + CyRequestRecord::Size, sent.constData(), size_t(sent.size()));
        std::memcpy(record + CyRequestRecord::Size + sent.size(), behind.constData(), size_t(behind.size()));
        return CyRequestRecord::Size + quint32(sent.size());
    }

    DeviceTables tables;
};

class TableDriver : public CyDriver
{
public:
    DeviceTables tables;
    QString path = QStringLiteral("\\\\?\\usb#vid_1209&pid_f010#1-1#{ae18aa60-7f6a-11d4-97dd-00010229b959}");
    int opened = 0;

    QVector<Device> devices(const QUuid &) override { return {{path, 0x1209, 0xF010}}; }
    CyDriverHandle *open(const QString &) override
    {
        ++opened;
        return new TableHandle(tables);
    }
    quint32 lastError() const override { return CyError::None; }
};

// A configuration with one interface, naming `name` in iConfiguration.
QByteArray config(quint8 name)
{
    QByteArray bytes = QByteArray::fromHex("09 02 1200 01 01 00 80 32  09 04 00 00 00 ff 00 00 00");
    bytes[6] = char(name);
    return bytes;
}
}

// The device class over a driver that answers from descriptor tables.
class tst_usbdevice : public QObject
{
    Q_OBJECT

private slots:
    // Record n when record 0 or 1 names n and record n exists, else
    // record 0.
    void configSelection_data()
    {
        QTest::addColumn<QList<int>>("names");
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("selected");
        QTest::newRow("both unnamed, 0") << QList<int>{0, 0} << 0 << 0;
        QTest::newRow("both unnamed, 1") << QList<int>{0, 0} << 1 << 0;
        QTest::newRow("second named 1") << QList<int>{0, 1} << 1 << 1;
        QTest::newRow("first named 1") << QList<int>{1, 0} << 1 << 1;
        QTest::newRow("named 5, no record 5") << QList<int>{5, 5} << 5 << 0;
        QTest::newRow("one record named 1") << QList<int>{1} << 1 << 0;
    }

    void configSelection()
    {
        QFETCH(QList<int>, names);
        QFETCH(int, asked);
        QFETCH(int, selected);
        TableDriver driver;
        driver.tables.device[17] = char(names.size());
        for (int n = 0; n < names.size(); ++n)
            driver.tables.configs.insert(n, config(quint8(names.at(n))));
        CCyUSBDevice usb(false, driver);
        QVERIFY(usb.Open(0));
        QCOMPARE(int(usb.Config()), 0);
        usb.SetConfig(quint8(asked));
        QCOMPARE(int(usb.Config()), selected);
    }

    // Only the bytes that arrived become text, whatever the descriptor's
    // length claims and whatever the driver left behind them.
    void stringTakesWhatArrived()
    {
        TableDriver driver;
        driver.tables.strings.insert(0, QByteArray::fromHex("04 03 0904"));
        driver.tables.strings.insert(4, QByteArray::fromHex("0a 03 4100 4200"));
        driver.tables.trailing = QByteArray::fromHex("5800 5900 5a00");
        CCyUSBDevice usb(false, driver);
        QVERIFY(usb.Open(0));
        quint16 field[CCyUSBDevice::TextUnits];
        std::memset(field, 0xEE, sizeof field);
        usb.GetString(field, 4);
        QCOMPARE(CCyUSBDevice::text(field), QString("AB"));
        QVERIFY(std::all_of(field + 2, field + CCyUSBDevice::TextUnits, [](quint16 unit) { return unit == 0; }));
    }

    // A path that does not fit the path field (127 units and its closing
    // zero) is refused before the driver opens anything.
    void devicePathLength_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("opens");
        QTest::newRow("127") << 127 << true;
        QTest::newRow("128") << 128 << false;
    }

    void devicePathLength()
    {
        QFETCH(int, length);
        QFETCH(bool, opens);
        TableDriver driver;
        driver.path = driver.path.leftJustified(length, QLatin1Char('x'));
        CCyUSBDevice usb(false, driver);
        if (!opens)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^USB device 0: path longer than 127 characters"));
        QCOMPARE(usb.Open(0), opens);
        QCOMPARE(driver.opened, opens ? 1 : 0);
        QCOMPARE(CCyUSBDevice::text(usb.DevicePath), opens ? driver.path : QString());
    }
};

KV_TEST_MAIN(tst_usbdevice)
#include "tst_usbdevice.moc"
