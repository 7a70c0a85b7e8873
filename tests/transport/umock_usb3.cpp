#include <QSignalSpy>

#include "AtmelBoard.h"
#include "KV2260_USB3_API.h"
#include "TestMain.h"
#include "UmockUsbBed.h"
#include "Usb3Board.h"

namespace {
QStringList textsOf(const QSignalSpy &spy)
{
    QStringList list;
    for (const QList<QVariant> &args : spy)
        list << args.at(0).toString();
    return list;
}

QStringList registerRequests(const Usb3Board &board)
{
    return board.requests().filter(QRegularExpression("^(c0 b5|40 b3)"));
}

using Operation = bool (*)(KV2260_USB3_API &, quint8 map, int reg, int count);

QByteArray buffer(256, '\0');
quint8 *bytes() { return reinterpret_cast<quint8 *>(buffer.data()); }
}

Q_DECLARE_METATYPE(Operation)

// The USB3 board transport through the connector and real libusb, against a
// board that umockdev emulates.
class umock_usb3 : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<UmockUsbBed> bed;
    std::unique_ptr<Usb3Board> board;
    UmockUsbBed::Device *node = nullptr;
    std::unique_ptr<KV2260_USB3_API> transport;
    std::unique_ptr<QSignalSpy> messages;

    // Every claim of the interface was released again: no board is left
    // open.
    void verifyClosed()
    {
        const QStringList seen = node->seen();
        QVERIFY(seen.count("claim 0") >= 1);
        QCOMPARE(seen.count("release 0"), seen.count("claim 0"));
    }

private slots:
    void init()
    {
        bed.reset(new UmockUsbBed);
        board.reset(new Usb3Board);
        node = &bed->addUsbDevice(1, 3, 2, *board);
        transport.reset(new KV2260_USB3_API);
        transport->deviceName = "USB#0";
        messages.reset(new QSignalSpy(transport.get(), &canal::send_message));
    }

    void cleanup()
    {
        QCOMPARE(node->seen().filter("unknown"), QStringList());
        messages.reset();
        transport.reset();
        bed.reset();
        board.reset();
    }

    void singleRegisters()
    {
        board->setValue(17, 0x5A);
        quint8 value = 0x03;
        QVERIFY(transport->readRegister(0, 17, &value));
        QCOMPARE(value, quint8(0x5A));
        value = 0xC3;
        QVERIFY(transport->writeRegister(0, 18, &value));
        QCOMPARE(board->value(18), quint8(0xC3));
        QCOMPARE(registerRequests(*board), QStringList({"c0 b5 0003 0011 1", "40 b3 0000 0012 1 c3"}));
        QVERIFY(messages->isEmpty());
        verifyClosed();
    }

    void blocksAndRanges()
    {
        for (int r = 0; r < 128; ++r)
            board->setValue(r, quint8(r * 3));
        quint8 entries[] = {4, 0, 100, 0, 7, 9};
        quint8 *list = entries;
        QVERIFY(transport->readRegisterBlock(0, 3, &list));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(entries), 6), QByteArray::fromHex("040c 642c 0715"));

        // A range from register 10 lands at elements 0 to 3.
        quint8 four[4] = {};
        quint8 *values = four;
        QVERIFY(transport->readRegisterAutoInc(0, 10, 4, &values));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(four), 4), QByteArray::fromHex("1e 21 24 27"));

        quint8 written[] = {1, 2, 3};
        QVERIFY(transport->writeRegisterAutoInc(0, 125, 3, written));
        quint8 pairs[] = {0, 0xAA, 127, 0xBB};
        QVERIFY(transport->writeRegisterBlock(0, 2, pairs));
        QCOMPARE(board->registers().right(3), QByteArray::fromHex("01 02 bb"));
        QCOMPARE(board->value(0), quint8(0xAA));
        QVERIFY(messages->isEmpty());
    }

    // A read that fails at the fifth register keeps the four before it and
    // leaves the rest as they were.
    void readFailsAtTheFifth()
    {
        for (int r = 0; r < 8; ++r)
            board->setValue(r, quint8(0x10 + r));
        QByteArray entries = QByteArray::fromHex("00ee 01ee 02ee 03ee 04ee 05ee");
        quint8 *list = reinterpret_cast<quint8 *>(entries.data());
        board->stallRegisterRequest(5);
        QVERIFY(!transport->readRegisterBlock(0, 6, &list));
        QCOMPARE(entries, QByteArray::fromHex("0010 0111 0212 0313 04ee 05ee"));
        QCOMPARE(textsOf(*messages), QStringList{"Error: transmition fail"});
        // A refused request: the board is still there.
        QVERIFY(!transport->boardLost());
        QCOMPARE(registerRequests(*board).size(), 5);
        verifyClosed();
    }

    void writeFails()
    {
        board->stallRegisterRequest(2);
        quint8 values[] = {1, 2, 3};
        QVERIFY(!transport->writeRegisterAutoInc(0, 0, 3, values));
        QCOMPARE(textsOf(*messages), QStringList{"Error: writting fail"});
        QCOMPARE(registerRequests(*board).size(), 2);
        verifyClosed();
    }

    void refusedRequests_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<int>("map");
        QTest::addColumn<int>("reg");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        const Operation read = [](KV2260_USB3_API &t, quint8 m, int r, int) { return t.readRegister(m, r, bytes()); };
        const Operation write = [](KV2260_USB3_API &t, quint8 m, int r, int) { return t.writeRegister(m, r, bytes()); };
        const Operation readBlock = [](KV2260_USB3_API &t, quint8 m, int, int c) {
            quint8 *list = bytes();
            return t.readRegisterBlock(m, c, &list);
        };
        const Operation writeBlock = [](KV2260_USB3_API &t, quint8 m, int, int c) { return t.writeRegisterBlock(m, c, bytes()); };
        const Operation readRange = [](KV2260_USB3_API &t, quint8 m, int r, int c) {
            quint8 *values = bytes();
            return t.readRegisterAutoInc(m, r, c, &values);
        };
        const Operation writeRange = [](KV2260_USB3_API &t, quint8 m, int r, int c) { return t.writeRegisterAutoInc(m, r, c, bytes()); };
        const QString noMap("Error: Map does not exist"), noRegister("Error: Register does not exist"),
            badCount("Error: Registernumber incorrect");
        QTest::newRow("read, map 1") << read << 1 << 0 << 1 << noMap;
        QTest::newRow("read, register -1") << read << 0 << -1 << 1 << noRegister;
        QTest::newRow("write, register -1") << write << 0 << -1 << 1 << noRegister;
        QTest::newRow("write block, map 2") << writeBlock << 2 << 0 << 1 << noMap;
        QTest::newRow("read block, count 0") << readBlock << 0 << 0 << 0 << badCount;
        QTest::newRow("write block, count 0") << writeBlock << 0 << 0 << 0 << badCount;
        QTest::newRow("read range, 0 + 291") << readRange << 0 << 0 << 291 << noRegister;
        QTest::newRow("read range, first -1") << readRange << 0 << -1 << 2 << noRegister;
        QTest::newRow("write range, count 0") << writeRange << 0 << 0 << 0 << noRegister;
        QTest::newRow("write range, map 1") << writeRange << 1 << 0 << 1 << noMap;
    }

    void refusedRequests()
    {
        QFETCH(Operation, operation);
        QFETCH(int, map);
        QFETCH(int, reg);
        QFETCH(int, count);
        QFETCH(QString, text);
        QVERIFY(!operation(*transport, quint8(map), reg, count));
        QCOMPARE(textsOf(*messages), QStringList{text});
        QCOMPARE(board->requests(), QStringList());
    }

    void fullRangeIsAccepted()
    {
        QByteArray values(290, '\0');
        quint8 *v = reinterpret_cast<quint8 *>(values.data());
        QVERIFY(transport->readRegisterAutoInc(0, 0, 290, &v));
        QCOMPARE(registerRequests(*board).size(), 290);
    }

    void noSuchBoard_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("unplug");
        QTest::newRow("USB#1") << "USB#1" << false;
        QTest::newRow("USB#x") << "USB#x" << false;
        QTest::newRow("unplugged") << "USB#0" << true;
    }

    void noSuchBoard()
    {
        QFETCH(QString, name);
        QFETCH(bool, unplug);
        if (unplug)
            bed->removeUsbDevice(1, 3);
        transport->deviceName = name;
        quint8 value = 0;
        QVERIFY(!transport->readRegister(0, 1, &value));
        QVERIFY(!transport->writeRegister(0, 1, &value));
        QCOMPARE(textsOf(*messages), QStringList({"Error: Can not connect", "Error: Can not connect"}));
        QVERIFY(transport->boardLost());
        QCOMPARE(registerRequests(*board), QStringList());
    }

    // The board has no raw packets: nothing is opened, nothing sent, not
    // even to an Atmel board with the transport's own ids, and nothing is
    // reported.
    void noPackets()
    {
        AtmelBoard atmel;
        UmockUsbBed::Device &atmelNode = bed->addUsbDevice(2, 1, 5, 0x2976, 0x0003, &atmel);
        quint8 packet[] = {0x15, 0x02, 0x85, 0x00};
        quint8 *p = packet;
        QVERIFY(!transport->sendPacket(4, &p));
        QVERIFY(!static_cast<canal &>(*transport).provides(canal::SendPacket));
        QCOMPARE(node->seen(), QStringList());
        QCOMPARE(board->requests(), QStringList());
        QCOMPARE(atmelNode.seen(), QStringList());
        QCOMPARE(textsOf(*messages), QStringList());
    }

    void boardsListed()
    {
        QCOMPARE(transport->deviceList(), QStringList{"USB#0"});
        bed->removeUsbDevice(1, 3);
        QCOMPARE(transport->deviceList(), QStringList());
    }
};

KV_TEST_MAIN(umock_usb3)
#include "umock_usb3.moc"
