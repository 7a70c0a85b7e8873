#include <QElapsedTimer>
#include <QSerialPortInfo>
#include <QSignalSpy>

#include "AtmelBoard.h"
#include "KV2260_atmel_API.h"
#include "KV2260_fmc_API.h"
#include "KV2260_stm32_API.h"
#include "KV2210_atmel_API.h"
#include "ReplyTimeouts.h"
#include "TestMain.h"
#include "UmockUsbBed.h"

namespace {
QStringList textsOf(const QSignalSpy &spy)
{
    QStringList list;
    for (const QList<QVariant> &args : spy)
        list << args.at(0).toString();
    return list;
}

QStringList unknownRequests(UmockUsbBed::Device &device)
{
    return device.seen().filter("unknown");
}
}

// The Atmel transport through real libusb against boards that umockdev
// emulates.
class umock_atmel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<UmockUsbBed> bed;
    std::unique_ptr<AtmelBoard> board;
    UmockUsbBed::Device *device = nullptr;
    std::unique_ptr<KV2260_atmel_API> transport;
    std::unique_ptr<QSignalSpy> messages;

private slots:
    void initTestCase()
    {
        QVERIFY2(qgetenv("LD_PRELOAD").contains("umockdev-preload"), "run under umockdev-wrapper");
    }

    void init()
    {
        bed.reset(new UmockUsbBed);
        board.reset(new AtmelBoard);
        device = &bed->addUsbDevice(1, 1, 5, 0x2976, 0x0003, board.get());
        transport.reset(new KV2260_atmel_API);
        transport->deviceName = "0105";
        transport->replyTimeout = answerTimeoutMs;
        messages.reset(new QSignalSpy(transport.get(), &canal::send_message));
    }

    void cleanup()
    {
        if (device)
            QCOMPARE(unknownRequests(*device), QStringList());
        messages.reset();
        transport.reset();
        bed.reset();
        board.reset();
    }

    void bulkRoundTrip()
    {
        board->setRegisterValue(5, 0x3C);
        quint8 value = 0;
        QVERIFY(transport->readRegister(0, 5, &value));
        QCOMPARE(value, quint8(0x3C));
        QCOMPARE(board->frames(), QList<QByteArray>{QByteArray::fromHex("15028500")});
        QCOMPARE(device->seen(), QStringList({"getdriver", "claim 0", "bulk 02 4", "bulk 81 4", "release 0"}));
        QVERIFY(messages->isEmpty());
    }

    void wholeMapBothWays()
    {
        QByteArray values;
        for (int r = 0; r < 128; ++r)
            values.append(char(200 - r));
        board->board().setWriteFrames(SpiBoardModel::WriteFrames::Ranges);
        QVERIFY(transport->writeRegisterAutoInc(0, 0, 128, reinterpret_cast<quint8 *>(values.data())));
        QCOMPARE(board->board().registers(), values);

        QByteArray back(128, '\0');
        quint8 *v = reinterpret_cast<quint8 *>(back.data());
        QVERIFY(transport->readRegisterAutoInc(0, 0, 128, &v));
        QCOMPARE(back, values);
    }

    void kernelDriverIsDetached()
    {
        device->driverBound = true;
        quint8 value = 0;
        QVERIFY(transport->readRegister(0, 0, &value));
        const QStringList seen = device->seen();
        QVERIFY(seen.indexOf("disconnect 0") >= 0);
        QVERIFY(seen.indexOf("claim 0") > seen.indexOf("disconnect 0"));
    }

    void claimRefused()
    {
        device->refuseClaim = true;
        quint8 value = 0;
        QVERIFY(!transport->readRegister(0, 0, &value));
        QCOMPARE(textsOf(*messages), QStringList{"Error: libusb_claim_interface"});
        QVERIFY(board->frames().isEmpty());

        device->refuseClaim = false;
        QVERIFY(transport->readRegister(0, 0, &value));
    }

    void statusByteRejects()
    {
        board->setFault(AtmelBoard::Fault::Reject);
        quint8 value = 1;
        QVERIFY(!transport->writeRegister(0, 3, &value));
        QCOMPARE(textsOf(*messages), QStringList{"Error: UsbTransaction"});
        QVERIFY(device->seen().contains("release 0"));
    }

    // One-byte chip-select frames and bit-reversed bytes through real libusb.
    void siblingChipSelectFrames()
    {
        SpiBoardModel::Dialect kv2210;
        kv2210.command = 0x12;
        kv2210.bitReversed = true;
        kv2210.chipSelect = true;
        board->board().setDialect(kv2210);
        KV2210_atmel_API sibling;
        sibling.deviceName = "0105";
        sibling.replyTimeout = answerTimeoutMs;
        quint8 value = 0x3A;
        QVERIFY(sibling.writeRegister(0, 5, &value));
        QCOMPARE(board->registerValue(5), quint8(0x3A));
        value = 0;
        QVERIFY(sibling.readRegister(0, 5, &value));
        QCOMPARE(value, quint8(0x3A));
        QCOMPARE(board->frames().mid(0, 3),
                 QList<QByteArray>({QByteArray::fromHex("14"), QByteArray::fromHex("1202A05C"),
                                    QByteArray::fromHex("13")}));
        QCOMPARE(device->seen().filter("bulk").mid(0, 6),
                 QStringList({"bulk 02 1", "bulk 81 1", "bulk 02 4", "bulk 81 4", "bulk 02 1", "bulk 81 1"}));
    }

    // A reply that never comes fails the read within the transfer time-out.
    void replyTimesOut()
    {
        board->setFault(AtmelBoard::Fault::Silent);
        transport->replyTimeout = silenceTimeoutMs;
        quint8 value = 0x99;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!transport->readRegister(0, 3, &value));
        QVERIFY(clock.elapsed() < 2000);
        QCOMPARE(value, quint8(0x99));
        QCOMPARE(textsOf(*messages), QStringList{"Error: UsbTransaction"});
        QVERIFY(device->seen().contains("discard"));
    }

    void unpluggedDuringOperation()
    {
        device->unplugged = true;
        quint8 value = 0;
        QVERIFY(!transport->readRegister(0, 3, &value));
        QCOMPARE(textsOf(*messages), QStringList{"Error: UsbTransaction"});
    }

    void unpluggedBeforeOperation()
    {
        bed->removeUsbDevice(1, 1);
        quint8 value = 0;
        QVERIFY(!transport->readRegister(0, 3, &value));
        QCOMPARE(textsOf(*messages), QStringList{"Error: device not found"});
    }

    void onlyBoardIsTakenForAnotherName()
    {
        transport->deviceName = "0307";
        quint8 value = 0;
        QVERIFY(transport->readRegister(0, 3, &value));
        QCOMPARE(textsOf(*messages), QStringList{"Warning: autocorrect of device name"});
    }

    // Atmel boards, then USB3 boards, then the serial ports but the built-in
    // UART, whatever the enumeration order.
    void deviceList()
    {
        bed->addUsbDevice(2, 1, 7, 0x1209, 0xF010);
        bed->addUsbDevice(3, 1, 10, 0x2976, 0x0003);
        bed->addUsbDevice(4, 1, 12, 0x1D6B, 0x0002);
        bed->addSerialPort("ttyS0", -1);
        bed->addSerialPort("ttyACM0", 0x0483);
        bed->addSerialPort("ttyUSB0", 0x0403);

        QStringList serial;
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            serial << info.portName();
        QVERIFY(serial.contains("ttyS0"));
        QVERIFY(serial.contains("ttyACM0"));
        QVERIFY(serial.contains("ttyUSB0"));

        canal plain;
        const QStringList names = plain.deviceList();
        // The USB3 board lies between the two Atmel boards in enumeration.
        QStringList atmel = names.mid(0, 2);
        atmel.sort();
        QCOMPARE(atmel, QStringList({"0105", "010A"}));
        QCOMPARE(names.value(2), QString("USB#0"));
        serial.removeAll("ttyS0");
        QCOMPARE(names.mid(3), serial);

        QCOMPARE(KV2260_stm32_API().deviceList(), QStringList{"ttyACM0"});
        QVERIFY(KV2260_fmc_API().deviceList().contains("ttyS0"));
        QCOMPARE(transport->deviceList(), names.mid(0, 2));
    }

    void nothingButBuiltinUart()
    {
        device = nullptr;
        bed.reset(new UmockUsbBed);
        bed->addSerialPort("ttyS0", -1);
        QCOMPARE(QSerialPortInfo::availablePorts().size(), 1);
        QCOMPARE(canal().deviceList(), QStringList());
    }
};

KV_TEST_MAIN(umock_atmel)
#include "umock_atmel.moc"
