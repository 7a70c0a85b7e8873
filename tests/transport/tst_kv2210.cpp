#include "KV2210_atmel_API.h"
#include "KV2210_stm32_API.h"
#include "TestMain.h"
#include "TransportRig.h"

// The KV2210 transports: bit-reversed bytes between chip-select frames on
// the Atmel board, the KV2240's frames under command 0x12 on the STM32 board.

using Operation = TransportRig::Operation;
Q_DECLARE_METATYPE(Operation)

namespace {
using Rig = TransportRig;

Rig::Chip chip(const QString &name)
{
    SpiBoardModel::Dialect dialect;
    dialect.command = 0x12;
    if (name == "atmel") {
        dialect.bitReversed = true;
        dialect.chipSelect = true;
        return {Rig::Board::Atmel, [] { return new KV2210_atmel_API; }, dialect};
    }
    dialect.addressBytes = 2;
    dialect.rangesMarked = true;
    return {Rig::Board::Stm32, [] { return new KV2210_stm32_API; }, dialect};
}

const QByteArray assertCs = Rig::hex("14");
const QByteArray releaseCs = Rig::hex("13");

// An entry list of `width`-byte addresses for the given registers, values
// 0xA0 + k.
Operation listOf(bool write, int width, const QVector<int> &regs)
{
    return [=](canal &t) {
        QByteArray list;
        for (int k = 0; k < regs.size(); ++k) {
            if (width == 2)
                list.append(char(regs[k] >> 8));
            list.append(char(regs[k])).append(char(0xA0 + k));
        }
        quint8 *e = Rig::bytes(list);
        return write ? t.writeRegisterBlock(0, regs.size(), e) : t.readRegisterBlock(0, regs.size(), &e);
    };
}

QVector<int> upTo(int count)
{
    QVector<int> regs;
    for (int r = 0; r < count; ++r)
        regs << r;
    return regs;
}

// The Atmel frame reading registers first, first + 1, ... as a list.
QByteArray reversedReads(int first, int count, char filler)
{
    QByteArray frame = QByteArray(1, 0x12).append(char(2 * count));
    for (int r = first; r < first + count; ++r)
        frame.append(char(canal::reverseBits(quint8(r | 0x80)))).append(filler);
    return frame;
}

QByteArray reversedWrites(int first, int count)
{
    QByteArray frame = QByteArray(1, 0x12).append(char(2 * count));
    for (int k = 0; k < count; ++k)
        frame.append(char(canal::reverseBits(quint8(first + k))))
            .append(char(canal::reverseBits(quint8(0xA0 + first + k))));
    return frame;
}
}

class tst_kv2210 : public QObject
{
    Q_OBJECT

private slots:
    void frames_data()
    {
        QTest::addColumn<QString>("board");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QList<QByteArray>>("expected");
        const QString atmel = "atmel", stm32 = "stm32";
        QTest::newRow("atmel: read 5") << atmel << Rig::readOne(0, 5)
            << QList<QByteArray>{assertCs, Rig::hex("1202A100"), releaseCs};
        QTest::newRow("atmel: read 89 of map 3") << atmel << Rig::readOne(3, 89)
            << QList<QByteArray>{assertCs, Rig::hex("12029B03"), releaseCs};
        QTest::newRow("atmel: write 3A to 5") << atmel << Rig::writeOne(0, 5, 0x3A)
            << QList<QByteArray>{assertCs, Rig::hex("1202A05C"), releaseCs};
        QTest::newRow("atmel: list read of 0 and 2") << atmel << listOf(false, 1, {0, 2})
            << QList<QByteArray>{assertCs, Rig::hex("120401FF41FF"), releaseCs};
        QTest::newRow("atmel: list read of 15") << atmel << listOf(false, 1, upTo(15))
            << QList<QByteArray>{assertCs, reversedReads(0, 15, 0), releaseCs};
        QTest::newRow("atmel: list read of 16") << atmel << listOf(false, 1, upTo(16))
            << QList<QByteArray>{assertCs, reversedReads(0, 15, 0), reversedReads(15, 1, char(0xFF)), releaseCs};
        QTest::newRow("atmel: list write of 30") << atmel << listOf(true, 1, upTo(30))
            << QList<QByteArray>{reversedWrites(0, 15), reversedWrites(15, 15), Rig::hex("1200")};
        QTest::newRow("atmel: range read of 3 from 10") << atmel << Rig::range(false, 0, 10, 3)
            << QList<QByteArray>{assertCs, Rig::hex("120651FFD1FF31FF"), releaseCs};
        QTest::newRow("atmel: range write of 3 from 10") << atmel << Rig::range(true, 0, 10, 3)
            << QList<QByteArray>{Rig::hex("12065080D04030C0")};
        QTest::newRow("stm32: read 0x105") << stm32 << Rig::readOne(0, 0x105) << QList<QByteArray>{Rig::hex("1203810500")};
        QTest::newRow("stm32: write 3C to 0x105") << stm32 << Rig::writeOne(0, 0x105, 0x3C)
            << QList<QByteArray>{Rig::hex("120301053C")};
        QTest::newRow("stm32: list read of 0x100 and 0x101") << stm32 << listOf(false, 2, {0x100, 0x101})
            << QList<QByteArray>{Rig::hex("12068100008101 00")};
        QTest::newRow("stm32: list write of 0x100") << stm32 << listOf(true, 2, {0x100})
            << QList<QByteArray>{Rig::hex("12030100A0")};
        QTest::newRow("stm32: range read of 29") << stm32 << Rig::range(false, 0, 0, 29)
            << QList<QByteArray>{Rig::hex("121EC000") + QByteArray(28, '\0'), Rig::hex("1203C01C00")};
        QTest::newRow("stm32: range write of 25") << stm32 << Rig::range(true, 0, 0, 25)
            << QList<QByteArray>{Rig::hex("121A4000") + Rig::counting(24), Rig::hex("1203401819")};
    }

    void frames()
    {
        QFETCH(QString, board);
        QFETCH(Operation, operation);
        QFETCH(QList<QByteArray>, expected);
        Rig(chip(board)).expectFrames(operation, expected);
    }

    // An empty text means accepted. The Atmel address byte holds registers
    // 0 to 127 beside its flag: nothing above goes out as another register.
    void bounds_data()
    {
        QTest::addColumn<QString>("board");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("text");
        const QString atmel = "atmel", stm32 = "stm32";
        const QString noReg = "Error: Register does not exist";
        const QString noMap = "Error: Map does not exist";
        QTest::newRow("atmel: read 90") << atmel << Rig::readOne(0, 90) << noReg;
        QTest::newRow("atmel: read -1") << atmel << Rig::readOne(0, -1) << noReg;
        QTest::newRow("atmel: write 127") << atmel << Rig::writeOne(0, 127, 1) << QString();
        QTest::newRow("atmel: write 128") << atmel << Rig::writeOne(0, 128, 1) << noReg;
        QTest::newRow("atmel: write 290") << atmel << Rig::writeOne(0, 290, 1) << noReg;
        QTest::newRow("atmel: write map 1") << atmel << Rig::writeOne(1, 0, 1) << noMap;
        QTest::newRow("atmel: range read to 127") << atmel << Rig::range(false, 0, 125, 3) << QString();
        QTest::newRow("atmel: range read to 128") << atmel << Rig::range(false, 0, 126, 3) << noReg;
        QTest::newRow("atmel: range write to 128") << atmel << Rig::range(true, 0, 126, 3) << noReg;
        QTest::newRow("atmel: list of none") << atmel << listOf(false, 1, {}) << "Error: Registernumber incorrect";
        QTest::newRow("stm32: read 290") << stm32 << Rig::readOne(0, 290) << QString();
        QTest::newRow("stm32: read 291") << stm32 << Rig::readOne(0, 291) << noReg;
        QTest::newRow("stm32: write 291") << stm32 << Rig::writeOne(0, 291, 1) << noReg;
        QTest::newRow("stm32: read map 1") << stm32 << Rig::readOne(1, 0) << noMap;
        QTest::newRow("stm32: range to 289") << stm32 << Rig::range(true, 0, 280, 10) << QString();
        QTest::newRow("stm32: range to 290") << stm32 << Rig::range(false, 0, 281, 10) << noReg;
        QTest::newRow("stm32: list of none") << stm32 << listOf(true, 2, {}) << noReg;
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
        quint8 value = 0x3A;
        QVERIFY(t.writeRegister(0, 5, &value));
        QCOMPARE(rig.model().value(5), quint8(0x3A));
        rig.model().setValue(6, 0xC1);
        QVERIFY(t.readRegister(0, 6, &value));
        QCOMPARE(value, quint8(0xC1));

        QByteArray values;
        for (int i = 0; i < 40; ++i)
            values.append(char(0x35 * i));
        QVERIFY(t.writeRegisterAutoInc(0, 40, 40, Rig::bytes(values)));
        QByteArray back(40, '\0');
        quint8 *v = Rig::bytes(back);
        QVERIFY(t.readRegisterAutoInc(0, 40, 40, &v));
        QCOMPARE(back, values);
        QCOMPARE(rig.texts(), QStringList());
    }

    // After the assert frame the release frame always follows, whatever
    // failed; the write alone examines the chip-select replies.
    void atmelChipSelect_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<int>("goodReplies");
        QTest::addColumn<int>("frameCount");
        QTest::addColumn<QString>("text");
        QTest::newRow("read frame refused") << Rig::readOne(0, 5) << 1 << 3 << "Error: UsbTransaction";
        QTest::newRow("list read frame refused") << listOf(false, 1, upTo(20)) << 1 << 3 << "Error: UsbTransaction";
        QTest::newRow("write: assert refused") << Rig::writeOne(0, 5, 1) << 0 << 2 << "Error: UsbTransaction (CS)";
        QTest::newRow("write frame refused") << Rig::writeOne(0, 5, 1) << 1 << 3 << "Error: UsbTransaction";
        QTest::newRow("write: releaseCs refused") << Rig::writeOne(0, 5, 1) << 2 << 3 << "Error: UsbTransaction (NCS)";
    }

    void atmelChipSelect()
    {
        QFETCH(Operation, operation);
        QFETCH(int, goodReplies);
        QFETCH(int, frameCount);
        QFETCH(QString, text);
        Rig rig(chip("atmel"));
        rig.setFault(Rig::Fault::Reject, goodReplies);
        QVERIFY(!operation(rig.transport()));
        const QList<QByteArray> sent = rig.frames();
        QCOMPARE(sent.size(), frameCount);
        QCOMPARE(sent.first(), assertCs);
        QCOMPARE(sent.last(), releaseCs);
        QCOMPARE(rig.texts(), QStringList{text});
        QVERIFY(rig.usbBalanced());
    }
};

KV_TEST_MAIN(tst_kv2210)
#include "tst_kv2210.moc"
