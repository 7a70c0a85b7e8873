#include "KV2240_atmel_API.h"
#include "KV2240_stm32_API.h"
#include "ReplyTimeouts.h"
#include "TestMain.h"
#include "TransportRig.h"

// The KV2240 transports of both boards, and the failures of both board
// kinds, against the emulated boards taught two-byte addresses.

using Operation = TransportRig::Operation;
Q_DECLARE_METATYPE(Operation)

namespace {
using Rig = TransportRig;

Rig::Chip chip(const QString &name)
{
    SpiBoardModel::Dialect dialect;
    dialect.addressBytes = 2;
    dialect.rangesMarked = true;
    if (name == "atmel")
        return {Rig::Board::Atmel, [] { return new KV2240_atmel_API; }, dialect};
    return {Rig::Board::Stm32, [] { return new KV2240_stm32_API; }, dialect};
}

// Three-byte entries for the registers first, first + 1, ...; values 0xA0 + i.
QByteArray entries(int first, int count)
{
    QByteArray list;
    for (int i = 0; i < count; ++i)
        list.append(char((first + i) >> 8)).append(char(first + i)).append(char(0xA0 + i));
    return list;
}

QByteArray listFrame(const QByteArray &list, quint8 flag)
{
    QByteArray frame = QByteArray(1, 0x15).append(char(list.size()));
    for (int k = 0; k < list.size(); k += 3)
        frame.append(char(list.at(k) | flag)).append(list.at(k + 1)).append(flag ? '\0' : list.at(k + 2));
    return frame;
}

// Range frames of at most `perFrame` values from register `first`.
QList<QByteArray> rangeFrames(quint8 flag, int first, const QByteArray &values, int perFrame)
{
    QList<QByteArray> frames;
    for (int i = 0; i < values.size(); i += perFrame) {
        const QByteArray part = values.mid(i, perFrame);
        frames << QByteArray(1, 0x15).append(char(part.size() + 2)).append(char(((first + i) >> 8) | flag))
                          .append(char(first + i)) + part;
    }
    return frames;
}

Operation readList(int first, int count)
{
    return [=](canal &t) {
        QByteArray list = entries(first, count);
        quint8 *e = Rig::bytes(list);
        return t.readRegisterBlock(0, count, &e);
    };
}

}

class tst_kv2240 : public QObject
{
    Q_OBJECT

private slots:
    void frames_data()
    {
        QTest::addColumn<QString>("board");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QList<QByteArray>>("expected");
        const QByteArray zeros28(28, '\0');
        for (const char *board : {"atmel", "stm32"}) {
            const QString b = board;
            QTest::addRow("%s: read 0x105", board) << b << Rig::readOne(0, 0x105) << QList<QByteArray>{Rig::hex("1503810500")};
            QTest::addRow("%s: write 3C to 0x105", board) << b << Rig::writeOne(0, 0x105, 0x3C) << QList<QByteArray>{Rig::hex("150301053C")};
            QTest::addRow("%s: range read 0 to 63", board) << b << Rig::range(false, 0, 0, 64)
                << QList<QByteArray>{Rig::hex("151EC000") + zeros28, Rig::hex("151EC01C") + zeros28,
                                     Rig::hex("150AC038") + QByteArray(8, '\0')};
            QTest::addRow("%s: list read of 10", board) << b << readList(0, 10)
                << QList<QByteArray>{listFrame(entries(0, 10), 0x80)};
            QTest::addRow("%s: list read of 11", board) << b << readList(0x100, 11)
                << QList<QByteArray>{listFrame(entries(0x100, 10), 0x80), Rig::hex("1503810A00")};
        }
        QTest::newRow("atmel: range read of 3 from 5") << QString("atmel") << Rig::range(false, 0, 5, 3)
            << QList<QByteArray>{Rig::hex("1505C005000000")};
        QTest::newRow("atmel: range read of 29") << QString("atmel") << Rig::range(false, 0, 0, 29)
            << QList<QByteArray>{Rig::hex("151EC000") + zeros28, Rig::hex("1503C01C00")};
        QTest::newRow("atmel: range read from 1000") << QString("atmel") << Rig::range(false, 0, 1000, 300)
            << rangeFrames(0xC0, 1000, QByteArray(300, '\0'), 28);
        QTest::newRow("atmel: range write of 64") << QString("atmel") << Rig::range(true, 0, 0, 64)
            << rangeFrames(0x40, 0, Rig::counting(64), 28);
        QTest::newRow("stm32: range write of 64") << QString("stm32") << Rig::range(true, 0, 0, 64)
            << rangeFrames(0x40, 0, Rig::counting(64), 24);
        QTest::newRow("stm32: range write of 25") << QString("stm32") << Rig::range(true, 0, 0, 25)
            << QList<QByteArray>{rangeFrames(0x40, 0, Rig::counting(24), 24).first(), Rig::hex("15034018") + char(25)};
        QTest::newRow("atmel: list write of 20 closes empty") << QString("atmel") << Operation([](canal &t) {
            QByteArray list = entries(0, 20);
            return t.writeRegisterBlock(0, 20, Rig::bytes(list));
        }) << QList<QByteArray>{listFrame(entries(0, 10), 0), listFrame(entries(0, 20).mid(30), 0), Rig::hex("1500")};
        QTest::newRow("atmel: list write of 21") << QString("atmel") << Operation([](canal &t) {
            QByteArray list = entries(0, 21);
            return t.writeRegisterBlock(0, 21, Rig::bytes(list));
        }) << QList<QByteArray>{listFrame(entries(0, 10), 0), listFrame(entries(0, 20).mid(30), 0),
                                listFrame(entries(0, 21).mid(60), 0)};
        QTest::newRow("stm32: list write of 11") << QString("stm32") << Operation([](canal &t) {
            QByteArray list = entries(0, 11);
            return t.writeRegisterBlock(0, 11, Rig::bytes(list));
        }) << QList<QByteArray>{listFrame(entries(0, 10), 0), listFrame(entries(0, 11).mid(30), 0)};
    }

    void frames()
    {
        QFETCH(QString, board);
        QFETCH(Operation, operation);
        QFETCH(QList<QByteArray>, expected);
        Rig(chip(board)).expectFrames(operation, expected);
    }

    // Register and map limits of each board: an empty text means accepted.
    void bounds_data()
    {
        QTest::addColumn<QString>("board");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("text");
        const QString noReg = "Error: Register does not exist";
        for (const char *board : {"atmel", "stm32"}) {
            const QString b = board;
            QTest::addRow("%s: read 291", board) << b << Rig::readOne(0, 291) << QString();
            QTest::addRow("%s: read 292", board) << b << Rig::readOne(0, 292) << noReg;
            QTest::addRow("%s: read -1", board) << b << Rig::readOne(0, -1) << noReg;
            QTest::addRow("%s: read map 1", board) << b << Rig::readOne(1, 0) << "Error: Map does not exist";
            QTest::addRow("%s: write 291", board) << b << Rig::writeOne(0, 291, 1) << QString();
            QTest::addRow("%s: write 292", board) << b << Rig::writeOne(0, 292, 1) << noReg;
            QTest::addRow("%s: range write at 290", board) << b << Rig::range(true, 0, 290, 1) << QString();
            QTest::addRow("%s: range write at 291", board) << b << Rig::range(true, 0, 291, 1) << noReg;
            QTest::addRow("%s: range read from -1", board) << b << Rig::range(false, 0, -1, 2) << noReg;
        }
        QTest::newRow("atmel: range read to 1372") << QString("atmel") << Rig::range(false, 0, 1000, 373) << QString();
        QTest::newRow("atmel: range read to 1373") << QString("atmel") << Rig::range(false, 0, 1000, 374) << noReg;
        QTest::newRow("stm32: range read to 290") << QString("stm32") << Rig::range(false, 0, 0, 291) << QString();
        QTest::newRow("stm32: range read from 1000") << QString("stm32") << Rig::range(false, 0, 1000, 300) << noReg;
        QTest::newRow("atmel: list of none") << QString("atmel") << readList(0, 0) << "Error: Registernumber incorrect";
        QTest::newRow("stm32: list of none") << QString("stm32") << readList(0, 0) << noReg;
    }

    void bounds()
    {
        QFETCH(QString, board);
        QFETCH(Operation, operation);
        QFETCH(QString, text);
        Rig(chip(board)).expectOutcome(operation, text);
    }

    void valuesTravel_data()
    {
        Rig::addBoardRows();
    }

    void valuesTravel()
    {
        QFETCH(QString, board);
        Rig rig(chip(board));
        canal &t = rig.transport();
        QByteArray values;
        for (int i = 0; i < 64; ++i)
            values.append(char(0xC0 ^ i));
        QVERIFY(t.writeRegisterAutoInc(0, 200, 64, Rig::bytes(values)));
        QCOMPARE(rig.model().value(263), quint8(0xC0 ^ 63));

        QByteArray back(64, '\0');
        quint8 *v = Rig::bytes(back);
        QVERIFY(t.readRegisterAutoInc(0, 200, 64, &v));
        QCOMPARE(back, values);

        QByteArray list = entries(250, 12);
        QVERIFY(t.writeRegisterBlock(0, 12, Rig::bytes(list)));
        QCOMPARE(rig.model().value(261), quint8(0xA0 + 11));
        QByteArray read = entries(250, 12);
        for (int k = 0; k < 12; ++k)
            read[3 * k + 2] = 0;
        quint8 *e = Rig::bytes(read);
        QVERIFY(t.readRegisterBlock(0, 12, &e));
        QCOMPARE(read, list);

        quint8 value = 0x5A;
        QVERIFY(t.writeRegister(0, 0x105, &value));
        value = 0;
        QVERIFY(t.readRegister(0, 0x105, &value));
        QCOMPARE(value, quint8(0x5A));
        QCOMPARE(rig.texts(), QStringList());
    }

    // Silence, a short or a long reply, or a refused status end a list read
    // after its first frame: the first frame's values stay, the rest of the
    // list is untouched, and the connection or port is freed.
    void faults_data()
    {
        QTest::addColumn<QString>("board");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("text");
        QTest::newRow("stm32 silent") << "stm32" << int(Rig::Fault::Silent) << "Error: waitForReadyRead";
        QTest::newRow("stm32 short") << "stm32" << int(Rig::Fault::Short) << "Error: bytesAvailable";
        QTest::newRow("stm32 long") << "stm32" << int(Rig::Fault::Long) << "Error: bytesAvailable";
        QTest::newRow("atmel silent") << "atmel" << int(Rig::Fault::Silent) << "Error: UsbTransaction";
        QTest::newRow("atmel short") << "atmel" << int(Rig::Fault::Short) << "Error: UsbTransaction";
        QTest::newRow("atmel status") << "atmel" << int(Rig::Fault::Reject) << "Error: UsbTransaction";
    }

    void faults()
    {
        QFETCH(QString, board);
        QFETCH(int, fault);
        QFETCH(QString, text);
        Rig rig(chip(board));
        for (int r = 0; r < 20; ++r)
            rig.model().setValue(r, quint8(r + 1));
        rig.setFault(Rig::Fault(fault), 1);
        QByteArray list = entries(0, 15);
        quint8 *e = Rig::bytes(list);
        QVERIFY(!rig.transport().readRegisterBlock(0, 15, &e));
        for (int k = 0; k < 15; ++k)
            QCOMPARE(quint8(list.at(3 * k + 2)), quint8(k < 10 ? k + 1 : 0xA0 + k));
        QCOMPARE(rig.texts(), QStringList{text});
        // A reply that never came in whole means the board is gone; a
        // wrong one means it refused.
        const bool lost = fault == int(Rig::Fault::Silent)
                          || (board == "atmel" && fault == int(Rig::Fault::Short));
        QCOMPARE(rig.transport().boardLost(), lost);
        QVERIFY(rig.usbBalanced());

        rig.setFault(Rig::Fault::None);
        quint8 value = 0;
        QVERIFY(rig.transport().readRegister(0, 3, &value));
        QCOMPARE(value, quint8(4));
    }

    void stm32SilentReadLeavesMarker()
    {
        Rig rig(chip("stm32"));
        rig.setFault(Rig::Fault::Silent);
        rig.transport().replyTimeout = silenceTimeoutMs;
        quint8 value = 0;
        QVERIFY(!rig.transport().readRegister(0, 7, &value));
        QCOMPARE(value, quint8(0xAA));
        QCOMPARE(rig.texts(), QStringList{"Error: waitForReadyRead"});
    }

    void atmelFailedReadKeepsValue()
    {
        Rig rig(chip("atmel"));
        rig.model().setValue(7, 0x42);
        rig.setFault(Rig::Fault::Reject);
        quint8 value = 0x99;
        QVERIFY(!rig.transport().readRegister(0, 7, &value));
        QCOMPARE(value, quint8(0x99));
    }

    // The caller's list is only read, and a refused full frame is noticed.
    void atmelListWrite()
    {
        Rig rig(chip("atmel"));
        QByteArray list = entries(0, 10);
        const QByteArray before = list;
        QVERIFY(rig.transport().writeRegisterBlock(0, 10, Rig::bytes(list)));
        QCOMPARE(list, before);

        rig.clearFrames();
        rig.setFault(Rig::Fault::Reject);
        QVERIFY(!rig.transport().writeRegisterBlock(0, 20, Rig::bytes(list.append(entries(10, 10)))));
        QCOMPARE(rig.frames().size(), 1);
        QCOMPARE(rig.texts(), QStringList{"Error: UsbTransaction"});
        QVERIFY(rig.usbBalanced());
    }
};

KV_TEST_MAIN(tst_kv2240)
#include "tst_kv2240.moc"
