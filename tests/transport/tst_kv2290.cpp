#include "KV2270_stm32_API.h"
#include "KV2290_atmel_API.h"
#include "KV2290_stm32_API.h"
#include "Kv2270BoardModel.h"
#include "PtyBoardLink.h"
#include "ReplyTimeouts.h"
#include "TestMain.h"
#include "TransportRig.h"

// The KV2290 transports of both boards and the KV2270 transport of the STM32
// board, against emulated boards that speak their frames.

using Operation = TransportRig::Operation;
Q_DECLARE_METATYPE(Operation)

namespace {
using Rig = TransportRig;

// The KV2290 marks its ranges with 0x40 in the address byte, so the
// emulated chip has registers 0 to 63.
Rig::Chip chip(const QString &name)
{
    SpiBoardModel::Dialect dialect;
    dialect.rangesMarked = true;
    if (name == "atmel") {
        dialect.reversedSingleRead = true;
        return {Rig::Board::Atmel, [] { return new KV2290_atmel_API; }, dialect};
    }
    return {Rig::Board::Stm32, [] { return new KV2290_stm32_API; }, dialect};
}

// The KV2270 on its STM32 board.
struct Kv2270Rig {
    Kv2270BoardModel model;
    PtyBoardLink link{&Kv2270BoardModel::frameLength,
                      [this](const QByteArray &frame) { return model.answer(frame); }};
    KV2270_stm32_API transport;
    QSignalSpy messages{&transport, &canal::send_message};

    Kv2270Rig()
    {
        transport.deviceName = link.portPath();
        transport.replyTimeout = answerTimeoutMs;
    }
};

// A two-byte entry list: registers and values.
Operation list(bool write, const QByteArray &entries)
{
    return [=](canal &t) {
        QByteArray copy = entries;
        quint8 *e = Rig::bytes(copy);
        return write ? t.writeRegisterBlock(0, copy.size() / 2, e)
                     : t.readRegisterBlock(0, copy.size() / 2, &e);
    };
}

QByteArray entriesFrom(int first, int count)
{
    QByteArray entries;
    for (int i = 0; i < count; ++i)
        entries.append(char(first + i)).append('\0');
    return entries;
}

// Range frames with `lead` OR-ed into each start address.
QList<QByteArray> rangeFrames(quint8 lead, int first, const QByteArray &values, int perFrame)
{
    QList<QByteArray> frames;
    for (int i = 0; i < values.size(); i += perFrame) {
        const QByteArray part = values.mid(i, perFrame);
        frames << QByteArray(1, 0x15).append(char(part.size() + 1)).append(char(quint8(first + i) | lead)) + part;
    }
    return frames;
}

QByteArray frameOf(const char *head, int zeros)
{
    return Rig::hex(head) + QByteArray(zeros, '\0');
}
}

class tst_kv2290 : public QObject
{
    Q_OBJECT

private slots:
    void frames_data()
    {
        QTest::addColumn<QString>("board");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QList<QByteArray>>("expected");
        const QString atmel = "atmel", stm32 = "stm32", kv2270 = "kv2270";
        QTest::newRow("atmel: read 5") << atmel << Rig::readOne(0, 5) << QList<QByteArray>{Rig::hex("1502A1FF")};
        QTest::newRow("atmel: read 0") << atmel << Rig::readOne(0, 0) << QList<QByteArray>{Rig::hex("150201FF")};
        QTest::newRow("atmel: write 0") << atmel << Rig::writeOne(0, 0, 7) << QList<QByteArray>{Rig::hex("15020007")};
        QTest::newRow("atmel: list read keeps plain addresses") << atmel << list(false, entriesFrom(5, 2))
            << QList<QByteArray>{Rig::hex("150485008600")};
        QTest::newRow("atmel: range read of 128") << atmel << Rig::range(false, 0, 0, 128)
            << rangeFrames(0xC0, 0, QByteArray(128, '\0'), 29);
        QTest::newRow("atmel: range write of 30") << atmel << Rig::range(true, 0, 16, 30)
            << rangeFrames(0x40, 16, Rig::counting(30), 29);
        QTest::newRow("stm32: read 5") << stm32 << Rig::readOne(0, 5) << QList<QByteArray>{Rig::hex("15028500")};
        QTest::newRow("stm32: range read of 30") << stm32 << Rig::range(false, 0, 0, 30)
            << QList<QByteArray>{frameOf("151EC0", 29), Rig::hex("1502DD00")};
        QTest::newRow("stm32: range write of 40") << stm32 << Rig::range(true, 0, 0, 40)
            << QList<QByteArray>{Rig::hex("151B40") + Rig::counting(26), Rig::hex("150F5A") + Rig::counting(40).mid(26)};
        QTest::newRow("stm32: range read past 290") << stm32 << Rig::range(false, 0, 280, 20)
            << rangeFrames(0xC0, 280, QByteArray(20, '\0'), 29);
        QTest::newRow("kv2270: read 0") << kv2270 << Rig::readOne(0, 0) << QList<QByteArray>{Rig::hex("15021800")};
        QTest::newRow("kv2270: read 16") << kv2270 << Rig::readOne(0, 16) << QList<QByteArray>{Rig::hex("1503900000")};
        QTest::newRow("kv2270: read 5 of map 2") << kv2270 << Rig::readOne(2, 5) << QList<QByteArray>{Rig::hex("1503852000")};
        QTest::newRow("kv2270: write 0") << kv2270 << Rig::writeOne(0, 0, 0x77) << QList<QByteArray>{Rig::hex("150404770000")};
        QTest::newRow("kv2270: write 20") << kv2270 << Rig::writeOne(0, 20, 0x77) << QList<QByteArray>{Rig::hex("1504940C7700")};
        QTest::newRow("kv2270: write 3 of map 1") << kv2270 << Rig::writeOne(1, 3, 0x77) << QList<QByteArray>{Rig::hex("1504831C7700")};
        QTest::newRow("kv2270: list read of 11") << kv2270 << list(false, entriesFrom(0, 11))
            << QList<QByteArray>{Rig::hex("1514 8000810082008300840085008600870088008900"), Rig::hex("15028A00")};
        QTest::newRow("kv2270: list write as entries") << kv2270 << list(true, Rig::hex("0311 1422"))
            << QList<QByteArray>{Rig::hex("15041C110000"), Rig::hex("1504940C2200")};
        QTest::newRow("kv2270: range write over 0 to 17") << kv2270 << Rig::range(true, 0, 0, 18)
            << QList<QByteArray>{Rig::hex("151304") + Rig::counting(16) + Rig::hex("0000"),
                                 Rig::hex("1504900C1100"), Rig::hex("1504910C1200")};
        QTest::newRow("kv2270: range write of 2 from 2") << kv2270 << Rig::range(true, 0, 2, 2)
            << QList<QByteArray>{Rig::hex("150414010000"), Rig::hex("15041C020000")};
        QTest::newRow("kv2270: range read of map 0") << kv2270 << Rig::range(false, 0, 5, 3)
            << QList<QByteArray>{frameOf("151100", 16), frameOf("151E9000", 28), frameOf("151EAC00", 28),
                                 frameOf("151EC800", 28), frameOf("151EE400", 28)};
        QTest::newRow("kv2270: range read of map 1") << kv2270 << Rig::range(false, 1, 0, 128)
            << QList<QByteArray>{frameOf("151E8010", 28), frameOf("151E9C10", 28), frameOf("151EB810", 28),
                                 frameOf("151ED410", 28), frameOf("1512F010", 16)};
    }

    void frames()
    {
        QFETCH(QString, board);
        QFETCH(Operation, operation);
        QFETCH(QList<QByteArray>, expected);
        if (board == "kv2270") {
            Kv2270Rig rig;
            QVERIFY(operation(rig.transport));
            QCOMPARE(rig.link.frames(), expected);
            QVERIFY(rig.messages.isEmpty());
            return;
        }
        Rig(chip(board)).expectFrames(operation, expected);
    }

    // An empty text means accepted.
    void kv2290Bounds_data()
    {
        QTest::addColumn<QString>("board");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("text");
        const QString noReg = "Error: Register does not exist";
        QTest::newRow("atmel: read -1 as FF") << "atmel" << Rig::readOne(0, -1) << QString();
        QTest::newRow("atmel: range read to 289") << "atmel" << Rig::range(false, 0, 280, 10) << QString();
        QTest::newRow("atmel: range read to 290") << "atmel" << Rig::range(false, 0, 281, 10) << noReg;
        QTest::newRow("atmel: range write to 290") << "atmel" << Rig::range(true, 0, 281, 10) << noReg;
        QTest::newRow("stm32: read -1") << "stm32" << Rig::readOne(0, -1) << noReg;
        QTest::newRow("stm32: range read from -1") << "stm32" << Rig::range(false, 0, -1, 2) << noReg;
        QTest::newRow("stm32: range read of none") << "stm32" << Rig::range(false, 0, 0, 0) << noReg;
        QTest::newRow("stm32: range read map 1") << "stm32" << Rig::range(false, 1, 0, 1) << "Error: Map does not exist";
    }

    void kv2290Bounds()
    {
        QFETCH(QString, board);
        QFETCH(Operation, operation);
        QFETCH(QString, text);
        Rig(chip(board)).expectOutcome(operation, text);
    }

    void kv2290ValuesTravel_data()
    {
        Rig::addBoardRows();
    }

    void kv2290ValuesTravel()
    {
        QFETCH(QString, board);
        Rig rig(chip(board));
        canal &t = rig.transport();
        QByteArray values;
        for (int i = 0; i < 60; ++i)
            values.append(char(0x81 + 3 * i));
        QVERIFY(t.writeRegisterAutoInc(0, 2, 60, Rig::bytes(values)));
        QCOMPARE(rig.model().value(61), quint8(values.at(59)));
        QByteArray back(60, '\0');
        quint8 *v = Rig::bytes(back);
        QVERIFY(t.readRegisterAutoInc(0, 2, 60, &v));
        QCOMPARE(back, values);
        quint8 value = 0;
        QVERIFY(t.readRegister(0, 37, &value));
        QCOMPARE(value, quint8(values.at(35)));
        QCOMPARE(rig.texts(), QStringList());
    }

    void kv2290Stm32RangesNameClosedPort()
    {
        Rig rig(chip("stm32"));
        rig.transport().deviceName = "/dev/kv-no-such-port";
        QVERIFY(!Rig::range(false, 0, 0, 4)(rig.transport()));
        QVERIFY(!Rig::range(true, 0, 0, 4)(rig.transport()));
        QCOMPARE(rig.texts(), QStringList({"Error: OpenSerial", "Error: OpenSerial"}));
    }

    // Refused before anything is sent, and silently, as every KV2270 failure.
    void kv2270Refusals_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("read 128") << Rig::readOne(0, 128);
        QTest::newRow("read -1") << Rig::readOne(0, -1);
        QTest::newRow("write 128") << Rig::writeOne(0, 128, 1);
        QTest::newRow("write 255 of map 1") << Rig::writeOne(1, 255, 1);
        QTest::newRow("write -1") << Rig::writeOne(0, -1, 1);
        QTest::newRow("list write naming 0x80") << list(true, Rig::hex("0101 8002"));
        QTest::newRow("range read past 127") << Rig::range(false, 0, 100, 29);
        QTest::newRow("range read from -1") << Rig::range(false, 0, -1, 2);
        QTest::newRow("range write past 127") << Rig::range(true, 0, 127, 2);
    }

    void kv2270Refusals()
    {
        QFETCH(Operation, operation);
        Kv2270Rig rig;
        QVERIFY(!operation(rig.transport));
        QTest::qWait(20);
        QVERIFY(rig.link.frames().isEmpty());
        QVERIFY(rig.messages.isEmpty());
    }

    // A board that does not answer fails every operation.
    void kv2270SilentBoard_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("read") << Rig::readOne(0, 3);
        QTest::newRow("long read") << Rig::readOne(1, 3);
        QTest::newRow("write") << Rig::writeOne(0, 3, 1);
        QTest::newRow("list write") << list(true, Rig::hex("0311"));
        QTest::newRow("list read") << list(false, entriesFrom(0, 3));
        QTest::newRow("range read") << Rig::range(false, 0, 0, 4);
        QTest::newRow("range write") << Rig::range(true, 0, 0, 16);
    }

    void kv2270SilentBoard()
    {
        QFETCH(Operation, operation);
        Kv2270Rig rig;
        rig.transport.replyTimeout = silenceTimeoutMs;
        rig.link.setFault(PtyBoardLink::Fault::Silent);
        QVERIFY(!operation(rig.transport));
        QVERIFY(rig.messages.isEmpty());
        QVERIFY(rig.transport.boardLost());
    }

    void kv2270ValuesTravel()
    {
        Kv2270Rig rig;
        for (int map : {0, 2})
            for (int r = 0; r < 128; ++r)
                rig.model.setValue(map, r, quint8(r * 7 + map));
        for (int map : {0, 2}) {
            QByteArray whole(128, '\0');
            quint8 *v = Rig::bytes(whole);
            QVERIFY(rig.transport.readRegisterAutoInc(quint8(map), 0, 128, &v));
            QCOMPARE(whole, rig.model.registers(map));
        }
        // Only the asked registers reach the caller's array.
        QByteArray part(6, char(0xEE));
        quint8 *p = Rig::bytes(part);
        QVERIFY(rig.transport.readRegisterAutoInc(0, 14, 4, &p));
        QCOMPARE(part, rig.model.registers(0).mid(14, 4) + Rig::hex("EEEE"));

        quint8 value = 0;
        for (int reg : {0, 6, 15, 16, 127}) {
            QVERIFY(rig.transport.readRegister(0, reg, &value));
            QCOMPARE(value, rig.model.value(0, reg));
        }
        QVERIFY(rig.transport.readRegister(2, 9, &value));
        QCOMPARE(value, rig.model.value(2, 9));

        QByteArray values = Rig::counting(20);
        QVERIFY(rig.transport.writeRegisterAutoInc(0, 0, 20, Rig::bytes(values)));
        QCOMPARE(rig.model.registers(0).left(20), values);
        QByteArray entries = Rig::hex("0511 4022");
        QVERIFY(rig.transport.writeRegisterBlock(2, 2, Rig::bytes(entries)));
        QCOMPARE(rig.model.value(2, 5), quint8(0x11));
        QCOMPARE(rig.model.value(2, 0x40), quint8(0x22));
        QVERIFY(rig.messages.isEmpty());
    }
};

KV_TEST_MAIN(tst_kv2290)
#include "tst_kv2290.moc"
