#include <QSignalSpy>
#include <QThread>
#include <functional>

#include "AtmelBoard.h"
#include "KV2260_atmel_API.h"
#include "TestMain.h"
#include "UsbRecorder.h"

using Operation = std::function<bool(canal &)>;
Q_DECLARE_METATYPE(Operation)

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

quint8 *bytes(QByteArray &array)
{
    return reinterpret_cast<quint8 *>(array.data());
}

QByteArray entryList(int first, int count, bool withValues)
{
    QByteArray list;
    for (int i = 0; i < count; ++i)
        list.append(char(first + i)).append(withValues ? char(0xA0 + i) : '\0');
    return list;
}

QByteArray frameOf(const QByteArray &entries, quint8 flag)
{
    QByteArray frame = QByteArray(1, 0x15).append(char(entries.size()));
    for (int k = 0; k < entries.size(); k += 2)
        frame.append(char(quint8(entries.at(k)) | flag)).append(flag ? '\0' : entries.at(k + 1));
    return frame;
}

QByteArray counting(int count)
{
    QByteArray values;
    for (int i = 0; i < count; ++i)
        values.append(char(i + 1));
    return values;
}
}

class tst_atmel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AtmelBoard> board;
    std::unique_ptr<UsbRecorder> usb;
    std::unique_ptr<KV2260_atmel_API> transport;
    std::unique_ptr<QSignalSpy> messages;

    QStringList texts() const
    {
        QStringList list;
        for (const QList<QVariant> &args : *messages)
            list << args.at(0).toString();
        return list;
    }

    void verifyBalanced()
    {
        QCOMPARE(usb->openContexts(), 0);
        QCOMPARE(usb->openHandles(), 0);
        QCOMPARE(usb->claimedInterfaces(), 0);
    }

private slots:
    void init()
    {
        board.reset(new AtmelBoard);
        usb.reset(new UsbRecorder);
        usb->addDevice(1, 5, 0x2976, 0x0003, board.get());
        usb->addDevice(1, 6, 0x1209, 0xF010);
        transport.reset(new KV2260_atmel_API);
        transport->setUsbBackend(usb.get());
        transport->deviceName = "0105";
        messages.reset(new QSignalSpy(transport.get(), &canal::send_message));
    }

    void cleanup()
    {
        messages.reset();
        transport.reset();
        usb.reset();
        board.reset();
    }

    void frames_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::newRow("read register 5") << Operation([](canal &t) {
            quint8 v = 0;
            return t.readRegister(0, 5, &v);
        }) << QList<QByteArray>{hex("15028500")};
        QTest::newRow("read register -1 as FF") << Operation([](canal &t) {
            quint8 v = 0;
            return t.readRegister(0, -1, &v);
        }) << QList<QByteArray>{hex("1502FF00")};
        QTest::newRow("write 3C to register 5") << Operation([](canal &t) {
            quint8 v = 0x3C;
            return t.writeRegister(0, 5, &v);
        }) << QList<QByteArray>{hex("1502053C")};
        QTest::newRow("list read of 15") << Operation([](canal &t) {
            QByteArray list = entryList(0, 15, true);
            quint8 *e = bytes(list);
            return t.readRegisterBlock(0, 15, &e);
        }) << QList<QByteArray>{frameOf(entryList(0, 15, false), 0x80)};
        QTest::newRow("list read of 16") << Operation([](canal &t) {
            QByteArray list = entryList(0, 16, false);
            quint8 *e = bytes(list);
            return t.readRegisterBlock(0, 16, &e);
        }) << QList<QByteArray>{frameOf(entryList(0, 15, false), 0x80), hex("15028F00")};
        QTest::newRow("list write of 30 closes with an empty frame") << Operation([](canal &t) {
            QByteArray list = entryList(0, 30, true);
            return t.writeRegisterBlock(0, 30, bytes(list));
        }) << QList<QByteArray>{frameOf(entryList(0, 15, true), 0),
                                frameOf(entryList(0, 30, true).mid(30), 0), hex("1500")};
        QTest::newRow("list write of 17") << Operation([](canal &t) {
            QByteArray list = entryList(0, 17, true);
            return t.writeRegisterBlock(0, 17, bytes(list));
        }) << QList<QByteArray>{frameOf(entryList(0, 15, true), 0),
                                frameOf(entryList(0, 17, true).mid(30), 0)};
        QList<QByteArray> ranges;
        const QByteArray values = counting(128);
        for (int f = 0; f < 4; ++f)
            ranges << QByteArray(1, 0x15).append(char(30)).append(char(29 * f)) + values.mid(29 * f, 29);
        ranges << hex("150D74") + values.mid(116);
        QTest::newRow("range write of 128") << Operation([](canal &t) {
            QByteArray v = counting(128);
            return t.writeRegisterAutoInc(0, 0, 128, bytes(v));
        }) << ranges;
        QTest::newRow("raw packet of 32") << Operation([](canal &t) {
            QByteArray packet = frameOf(entryList(0, 15, false), 0x80);
            quint8 *p = bytes(packet);
            return t.sendPacket(32, &p);
        }) << QList<QByteArray>{frameOf(entryList(0, 15, false), 0x80)};
    }

    void frames()
    {
        QFETCH(Operation, operation);
        QFETCH(QList<QByteArray>, expected);
        QVERIFY(operation(*transport));
        QCOMPARE(board->frames(), expected);
        QVERIFY(messages->isEmpty());
        verifyBalanced();
    }

    void oneConnectionPerOperation()
    {
        quint8 value = 0;
        QVERIFY(transport->readRegister(0, 5, &value));
        QCOMPARE(usb->calls(), QStringList({"init", "get_device_list", "open 0105", "free_device_list 1",
                                            "kernel_driver_active 0", "claim 0", "bulk 02 4",
                                            "bulk 81 4", "release 0", "close 0105", "exit"}));
        QCOMPARE(usb->lastTimeout(), 5000u);
    }

    void valuesTravel()
    {
        for (int r = 0; r < 128; ++r)
            board->setRegisterValue(r, quint8(r * 5));
        quint8 value = 0;
        QVERIFY(transport->readRegister(0, 33, &value));
        QCOMPARE(value, quint8(165));

        QByteArray values(128, '\0');
        quint8 *v = bytes(values);
        QVERIFY(transport->readRegisterAutoInc(0, 0, 128, &v));
        QCOMPARE(values, board->board().registers());

        QByteArray fresh = counting(128);
        board->board().setWriteFrames(SpiBoardModel::WriteFrames::Ranges);
        QVERIFY(transport->writeRegisterAutoInc(0, 0, 128, bytes(fresh)));
        QCOMPARE(board->board().registers(), fresh);
        verifyBalanced();
    }

    // Whatever fails the frame, the result is false with the transaction
    // error and a closed connection; the next operation opens anew.
    void failedFrame_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("status not 0") << int(AtmelBoard::Fault::Reject);
        QTest::newRow("reply never comes") << int(AtmelBoard::Fault::Silent);
        QTest::newRow("reply one byte short") << int(AtmelBoard::Fault::Short);
    }

    void failedFrame()
    {
        QFETCH(int, fault);
        board->setRegisterValue(5, 0x42);
        board->setFault(AtmelBoard::Fault(fault));
        quint8 value = 0x99;
        QVERIFY(!transport->readRegister(0, 5, &value));
        QCOMPARE(value, quint8(0x99));
        QVERIFY(!transport->writeRegister(0, 5, &value));
        QCOMPARE(texts(), QStringList({"Error: UsbTransaction", "Error: UsbTransaction"}));
        verifyBalanced();

        board->setFault(AtmelBoard::Fault::None);
        quint8 again = 0;
        QVERIFY(transport->readRegister(0, 5, &again));
        QCOMPARE(again, board->registerValue(5));
    }

    // A board that rejects a full frame of a list write is noticed, and
    // nothing more is sent after it.
    void rejectedFullFrameFailsListWrite()
    {
        board->setFault(AtmelBoard::Fault::Reject);
        QByteArray list = entryList(0, 30, true);
        QVERIFY(!transport->writeRegisterBlock(0, 30, bytes(list)));
        QCOMPARE(board->frames().size(), 1);
        QCOMPARE(texts(), QStringList{"Error: UsbTransaction"});
        verifyBalanced();
    }

    void listReadKeepsEarlierFrames()
    {
        for (int r = 0; r < 128; ++r)
            board->setRegisterValue(r, quint8(r + 1));
        board->setFault(AtmelBoard::Fault::Silent, 1);
        QByteArray list = entryList(0, 20, false);
        quint8 *e = bytes(list);
        QVERIFY(!transport->readRegisterBlock(0, 20, &e));
        for (int k = 0; k < 20; ++k)
            QCOMPARE(quint8(list.at(2 * k + 1)), quint8(k < 15 ? k + 1 : 0));
    }

    void refusedArguments_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("text");
        static quint8 storage[600] = {};
        static quint8 *buffer = storage;
        const QString noMap = "Error: Map does not exist";
        const QString noReg = "Error: Register does not exist";
        const QString badCount = "Error: Registernumber incorrect";
        QTest::newRow("read, map 1") << Operation([](canal &t) { return t.readRegister(1, 0, buffer); }) << noMap;
        QTest::newRow("list read, map 1") << Operation([](canal &t) { return t.readRegisterBlock(1, 1, &buffer); }) << noMap;
        QTest::newRow("auto read, map 1") << Operation([](canal &t) { return t.readRegisterAutoInc(1, 0, 1, &buffer); }) << noMap;
        QTest::newRow("write, map 1") << Operation([](canal &t) { return t.writeRegister(1, 0, buffer); }) << noMap;
        QTest::newRow("list write, map 1") << Operation([](canal &t) { return t.writeRegisterBlock(1, 1, buffer); }) << noMap;
        QTest::newRow("auto write, map 1") << Operation([](canal &t) { return t.writeRegisterAutoInc(1, 0, 1, buffer); }) << noMap;
        QTest::newRow("write register -1") << Operation([](canal &t) { return t.writeRegister(0, -1, buffer); }) << noReg;
        QTest::newRow("list read of 0") << Operation([](canal &t) { return t.readRegisterBlock(0, 0, &buffer); }) << badCount;
        QTest::newRow("list write of 0") << Operation([](canal &t) { return t.writeRegisterBlock(0, 0, buffer); }) << badCount;
        QTest::newRow("auto read to 291") << Operation([](canal &t) { return t.readRegisterAutoInc(0, 1, 290, &buffer); }) << noReg;
        QTest::newRow("auto write of 0") << Operation([](canal &t) { return t.writeRegisterAutoInc(0, 0, 0, buffer); }) << noReg;
        QTest::newRow("auto write from -1") << Operation([](canal &t) { return t.writeRegisterAutoInc(0, -1, 1, buffer); }) << noReg;
        QTest::newRow("auto write past 290") << Operation([](canal &t) { return t.writeRegisterAutoInc(0, 100, 191, buffer); }) << noReg;
    }

    // Refused before the board is touched.
    void refusedArguments()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, text);
        QVERIFY(!operation(*transport));
        QCOMPARE(texts(), QStringList{text});
        QVERIFY(usb->calls().isEmpty());
    }

    void packets()
    {
        board->setRegisterValue(3, 0x77);
        QByteArray packet = hex("15028300");
        quint8 *p = bytes(packet);
        QVERIFY(transport->sendPacket(4, &p));
        QCOMPARE(packet, hex("00028377"));

        QByteArray big(33, '\x15');
        p = bytes(big);
        QVERIFY(!transport->sendPacket(33, &p));
        QCOMPARE(texts(), QStringList{"Error: block size limit overflow"});
        verifyBalanced();

        usb->clearCalls();
        QVERIFY(!transport->sendPacket(-1, &p));
        QVERIFY(usb->calls().isEmpty());

        board->setFault(AtmelBoard::Fault::Reject);
        packet = hex("15028300");
        p = bytes(packet);
        QVERIFY(!transport->sendPacket(4, &p));
        QCOMPARE(packet, hex("01028377"));
        QCOMPARE(texts().last(), QString("Error: UsbTransaction"));
        verifyBalanced();
    }

    // openUsb has reported why; the operation adds nothing of its own.
    void boardMissing()
    {
        transport->deviceName = "0107";
        usb->addDevice(2, 9, 0x2976, 0x0003);
        quint8 value = 0;
        QVERIFY(!transport->readRegister(0, 0, &value));
        QCOMPARE(texts(), QStringList{"Error: device not found"});
        verifyBalanced();
    }

    void unplugged()
    {
        usb->unplugged = true;
        quint8 value = 0;
        QVERIFY(!transport->readRegister(0, 0, &value));
        QCOMPARE(texts(), QStringList{"Error: UsbTransaction"});
        verifyBalanced();
    }

    void lowerTimeoutReachesTransfers()
    {
        transport->replyTimeout = 50;
        quint8 value = 0;
        QVERIFY(transport->readRegister(0, 0, &value));
        QCOMPARE(usb->lastTimeout(), 50u);
    }

    void deviceListHoldsBoardKeysOnly()
    {
        UsbRecorder other;
        other.addDevice(2, 3, 0x2976, 0x0003);
        other.addDevice(2, 4, 0x1209, 0xF010);
        other.addDevice(2, 17, 0x2976, 0x0003);
        transport->setUsbBackend(&other);
        QCOMPARE(transport->deviceList(), QStringList({"0203", "0211"}));
        QCOMPARE(other.openContexts(), 0);
    }

    // Two threads on one transport: the recorder's board holds one reply at
    // a time, so interleaved frames would take each other's replies.
    void operationsFromTwoThreads()
    {
        for (int r = 0; r < 128; ++r)
            board->setRegisterValue(r, quint8(r ^ 0x33));
        std::atomic<int> failures{0};
        QThread *worker = QThread::create([&] {
            for (int i = 0; i < 50; ++i) {
                QByteArray values(128, '\0');
                quint8 *v = bytes(values);
                if (!transport->readRegisterAutoInc(0, 0, 128, &v)
                    || values != board->board().registers())
                    ++failures;
            }
        });
        worker->start();
        for (int i = 0; i < 500; ++i) {
            quint8 value = 0;
            if (!transport->readRegister(0, i % 128, &value) || value != quint8((i % 128) ^ 0x33))
                ++failures;
        }
        QVERIFY(worker->wait(20000));
        delete worker;
        QCOMPARE(failures.load(), 0);
        verifyBalanced();
    }
};

KV_TEST_MAIN(tst_atmel)
#include "tst_atmel.moc"
