#include <QSignalSpy>
#include <functional>

#include "FmcBoardEmulator.h"
#include "KV2260_fmc_API.h"
#include "ReplyTimeouts.h"
#include "TestMain.h"

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

quint16 crcOf(const QByteArray &data)
{
    return crc16Ccitt(reinterpret_cast<const quint8 *>(data.constData()), data.size());
}
}

class tst_fmc : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FmcBoardEmulator> board;
    std::unique_ptr<KV2260_fmc_API> transport;
    std::unique_ptr<QSignalSpy> messages;

    QStringList texts() const
    {
        QStringList list;
        for (const QList<QVariant> &args : *messages)
            list << args.at(0).toString();
        return list;
    }

private slots:
    void init()
    {
        board.reset(new FmcBoardEmulator);
        transport.reset(new KV2260_fmc_API);
        transport->deviceName = board->portPath();
        transport->byteWait = 60;
        transport->replyTimeout = answerTimeoutMs;
        messages.reset(new QSignalSpy(transport.get(), &canal::send_message));
    }

    void cleanup()
    {
        messages.reset();
        transport.reset();
        board.reset();
    }

    void crc_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("crc");
        QTest::newRow("check value") << QByteArray("123456789") << 0x29B1;
        QTest::newRow("nothing") << QByteArray() << 0xFFFF;
        QTest::newRow("reply lead") << hex("AA") << 0xF550;
        QTest::newRow("read request") << hex("550200") << 0x1FC0;
        QTest::newRow("write request") << hex("5501053C") << 0x72A4;
        QTest::newRow("reply of 3C") << hex("AA3C") << 0x1865;
    }

    void crc()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, crc);
        QCOMPARE(int(crcOf(data)), crc);
    }

    void frames_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::newRow("read register 0") << Operation([](canal &t) {
            quint8 v = 0;
            return t.readRegister(0, 0, &v);
        }) << QList<QByteArray>{hex("5502001FC0")};
        QTest::newRow("write 3C to register 5") << Operation([](canal &t) {
            quint8 v = 0x3C;
            return t.writeRegister(0, 5, &v);
        }) << QList<QByteArray>{hex("5501053C72A4")};
        QTest::newRow("register 300 is address 2C") << Operation([](canal &t) {
            quint8 v = 0;
            return t.readRegister(0, 300, &v);
        }) << QList<QByteArray>{hex("55022C") + QByteArray(1, char(crcOf(hex("55022C")) >> 8))
                                + QByteArray(1, char(crcOf(hex("55022C")) & 0xFF))};
        QTest::newRow("auto-increment read wraps at 256") << Operation([](canal &t) {
            QByteArray values(3, '\0');
            quint8 *v = bytes(values);
            return t.readRegisterAutoInc(0, 254, 3, &v);
        }) << QList<QByteArray>{hex("5502FE"), hex("5502FF"), hex("550200")};
        QTest::newRow("list write, one request per entry") << Operation([](canal &t) {
            QByteArray list = hex("0A011402");
            return t.writeRegisterBlock(0, 2, bytes(list));
        }) << QList<QByteArray>{hex("55010A01"), hex("55011402")};
    }

    // Requests carry their CRC; the expectations above may leave it out.
    void frames()
    {
        QFETCH(Operation, operation);
        QFETCH(QList<QByteArray>, expected);
        QVERIFY(operation(*transport));
        const QList<QByteArray> sent = board->frames();
        QCOMPARE(sent.size(), expected.size());
        for (int i = 0; i < sent.size(); ++i) {
            QByteArray want = expected.at(i);
            if (want.size() == 3 || want.size() == 4) {
                const quint16 crc = crcOf(want);
                want.append(char(crc >> 8)).append(char(crc & 0xFF));
            }
            QCOMPARE(sent.at(i), want);
        }
        QVERIFY(messages->isEmpty());
    }

    void valuesTravel()
    {
        board->setRegisterValue(5, 0x3C);
        quint8 value = 0;
        QVERIFY(transport->readRegister(0, 5, &value));
        QCOMPARE(value, quint8(0x3C));

        QByteArray values;
        for (int r = 0; r < 128; ++r)
            values.append(char(r * 7));
        QVERIFY(transport->writeRegisterAutoInc(0, 0, 128, bytes(values)));
        QCOMPARE(board->registers(), values);

        QByteArray back(128, '\0');
        quint8 *v = bytes(back);
        QVERIFY(transport->readRegisterAutoInc(0, 0, 128, &v));
        QCOMPARE(back, values);

        QByteArray list = hex("0300100011001200");
        quint8 *entries = bytes(list);
        QVERIFY(transport->readRegisterBlock(0, 4, &entries));
        QCOMPARE(list, hex("031510701177127E"));
    }

    void pieceByPieceReply()
    {
        board->setRegisterValue(9, 0x99);
        transport->byteWait = 300;
        board->setSplitDelay(30);
        board->setFault(FmcBoardEmulator::Fault::Split);
        quint8 value = 0;
        QVERIFY(transport->readRegister(0, 9, &value));
        QCOMPARE(value, quint8(0x99));
    }

    void strayBytesAreDropped()
    {
        board->setRegisterValue(9, 0x99);
        board->inject(hex("AA0102"));
        QTest::qWait(20);
        quint8 value = 0;
        QVERIFY(transport->readRegister(0, 9, &value));
        QCOMPARE(value, quint8(0x99));
    }

    void failedRead_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("value");
        QTest::newRow("silent board keeps the value") << int(FmcBoardEmulator::Fault::Silent) << 0x12;
        QTest::newRow("echoed request") << int(FmcBoardEmulator::Fault::BadLead) << 0xFF;
        QTest::newRow("bad CRC") << int(FmcBoardEmulator::Fault::BadCrc) << 0xFF;
    }

    // The caller reports a failed exchange in its own words.
    void failedRead()
    {
        QFETCH(int, fault);
        QFETCH(int, value);
        board->setRegisterValue(9, 0x99);
        board->setFault(FmcBoardEmulator::Fault(fault));
        if (fault == int(FmcBoardEmulator::Fault::Silent))
            transport->replyTimeout = silenceTimeoutMs;
        quint8 read = 0x12;
        QVERIFY(!transport->readRegister(0, 9, &read));
        QCOMPARE(int(read), value);
        QVERIFY(messages->isEmpty());

        board->setFault(FmcBoardEmulator::Fault::None);
        transport->replyTimeout = answerTimeoutMs;
        QVERIFY(transport->readRegister(0, 9, &read));
        QCOMPARE(read, quint8(0x99));
    }

    void listReadStopsAtFailedEntry()
    {
        board->setRegisterValue(1, 0x11);
        board->setRegisterValue(2, 0x22);
        board->setFault(FmcBoardEmulator::Fault::BadLead, 2);
        QByteArray list = hex("0100020003000400");
        quint8 *entries = bytes(list);
        QVERIFY(!transport->readRegisterBlock(0, 4, &entries));
        QCOMPARE(list, hex("0111022203FF0400"));
        QCOMPARE(board->frames().size(), 3);
    }

    void refusedArguments_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("text");
        static quint8 storage[8] = {};
        static quint8 *buffer = storage;
        const QString noMap = "Error: Map does not exist";
        const QString noReg = "Error: Register does not exist";
        QTest::newRow("read, map 1") << Operation([](canal &t) { return t.readRegister(1, 0, buffer); }) << noMap;
        QTest::newRow("list read, map 1") << Operation([](canal &t) { return t.readRegisterBlock(1, 1, &buffer); }) << noMap;
        QTest::newRow("auto read, map 1") << Operation([](canal &t) { return t.readRegisterAutoInc(1, 0, 1, &buffer); }) << noMap;
        QTest::newRow("write, map 1") << Operation([](canal &t) { return t.writeRegister(1, 0, buffer); }) << noMap;
        QTest::newRow("list write, map 1") << Operation([](canal &t) { return t.writeRegisterBlock(1, 1, buffer); }) << noMap;
        QTest::newRow("auto write, map 1") << Operation([](canal &t) { return t.writeRegisterAutoInc(1, 0, 1, buffer); }) << noMap;
        QTest::newRow("read register -1") << Operation([](canal &t) { return t.readRegister(0, -1, buffer); }) << noReg;
        QTest::newRow("write register -1") << Operation([](canal &t) { return t.writeRegister(0, -1, buffer); }) << noReg;
        QTest::newRow("list read of 0") << Operation([](canal &t) { return t.readRegisterBlock(0, 0, &buffer); }) << noReg;
        QTest::newRow("list write of 0") << Operation([](canal &t) { return t.writeRegisterBlock(0, 0, buffer); }) << noReg;
        QTest::newRow("auto read from -1") << Operation([](canal &t) { return t.readRegisterAutoInc(0, -1, 1, &buffer); }) << noReg;
        QTest::newRow("auto write of 0") << Operation([](canal &t) { return t.writeRegisterAutoInc(0, 0, 0, buffer); }) << noReg;
    }

    void refusedArguments()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, text);
        QVERIFY(!operation(*transport));
        QCOMPARE(texts(), QStringList{text});
        QTest::qWait(10);
        QVERIFY(board->frames().isEmpty());
    }

    void noPort()
    {
        transport->deviceName = "/dev/kv-no-such-port";
        quint8 value = 0;
        QVERIFY(!transport->readRegister(0, 0, &value));
        quint8 *p = &value;
        QVERIFY(!transport->sendPacket(1, &p));
        QCOMPARE(texts(), QStringList({"Error: OpenSerial", "Error: OpenSerial"}));
    }

    void packets_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("text");
        QTest::newRow("echoed") << int(FmcBoardEmulator::Fault::None) << true << hex("01020304") << "";
        QTest::newRow("in two pieces") << int(FmcBoardEmulator::Fault::Split) << true << hex("01020304") << "";
        QTest::newRow("three bytes back") << int(FmcBoardEmulator::Fault::Short) << false << hex("01020304")
                                          << "Error: bytesAvailable";
        QTest::newRow("no answer") << int(FmcBoardEmulator::Fault::Silent) << false << hex("01020304")
                                   << "Error: waitForReadyRead";
    }

    void packets()
    {
        QFETCH(int, fault);
        QFETCH(bool, ok);
        QFETCH(QByteArray, after);
        QFETCH(QString, text);
        board->setFault(FmcBoardEmulator::Fault(fault));
        if (fault == int(FmcBoardEmulator::Fault::Silent))
            transport->replyTimeout = silenceTimeoutMs;
        QByteArray packet = hex("01020304");
        quint8 *p = bytes(packet);
        QCOMPARE(transport->sendPacket(4, &p), ok);
        QCOMPARE(packet, after);
        QCOMPARE(texts(), text.isEmpty() ? QStringList() : QStringList{text});
        QCOMPARE(board->frames(), QList<QByteArray>{hex("01020304")});
    }

    void packetGetsBoardReply()
    {
        board->setRegisterValue(0, 0x3C);
        // A read request answered by four bytes: one short of the request.
        QByteArray packet = hex("5502001FC0");
        quint8 *p = bytes(packet);
        QVERIFY(!transport->sendPacket(5, &p));
        QCOMPARE(texts(), QStringList{"Error: bytesAvailable"});
        messages->clear();
        QVERIFY(!transport->sendPacket(-1, &p));
        QVERIFY(messages->isEmpty());
        QCOMPARE(board->frames().size(), 1);
    }
};

KV_TEST_MAIN(tst_fmc)
#include "tst_fmc.moc"
