#include "TransportRig.h"

#include <QtTest>

#include "AtmelBoard.h"
#include "ReplyTimeouts.h"
#include "Stm32BoardEmulator.h"
#include "UsbRecorder.h"
#include "canal.h"

TransportRig::TransportRig(const Chip &chip) : board(chip.board), subject(chip.make())
{
    if (board == Board::Stm32) {
        stm32.reset(new Stm32BoardEmulator);
        stm32->board().setDialect(chip.dialect);
        subject->deviceName = stm32->portPath();
    } else {
        atmel.reset(new AtmelBoard);
        atmel->board().setDialect(chip.dialect);
        usb.reset(new UsbRecorder);
        usb->addDevice(1, 5, 0x2976, 0x0003, atmel.get());
        subject->setUsbBackend(usb.get());
        subject->deviceName = "0105";
    }
    subject->replyTimeout = answerTimeoutMs;
    messages.reset(new QSignalSpy(subject.get(), &canal::send_message));
}

TransportRig::~TransportRig()
{
    messages.reset();
    subject.reset();
}

SpiBoardModel &TransportRig::model()
{
    return stm32 ? stm32->board() : atmel->board();
}

QList<QByteArray> TransportRig::frames() const
{
    return stm32 ? stm32->frames() : atmel->frames();
}

void TransportRig::clearFrames()
{
    if (stm32)
        stm32->clearFrames();
    else
        atmel->clearFrames();
}

QStringList TransportRig::texts() const
{
    QStringList list;
    for (const QList<QVariant> &args : *messages)
        list << args.at(0).toString();
    return list;
}

bool TransportRig::usbBalanced() const
{
    return !usb || (usb->openContexts() == 0 && usb->openHandles() == 0
                    && usb->claimedInterfaces() == 0);
}

void TransportRig::setFault(Fault fault, int goodRepliesFirst)
{
    if (stm32) {
        const Stm32BoardEmulator::Fault faults[] = {
            Stm32BoardEmulator::Fault::None, Stm32BoardEmulator::Fault::Silent,
            Stm32BoardEmulator::Fault::Short, Stm32BoardEmulator::Fault::Long,
            Stm32BoardEmulator::Fault::None};
        stm32->setFault(faults[int(fault)], goodRepliesFirst);
        return;
    }
    const AtmelBoard::Fault faults[] = {AtmelBoard::Fault::None, AtmelBoard::Fault::Silent,
                                        AtmelBoard::Fault::Short, AtmelBoard::Fault::None,
                                        AtmelBoard::Fault::Reject};
    atmel->setFault(faults[int(fault)], goodRepliesFirst);
}

QByteArray TransportRig::counting(int count)
{
    QByteArray values;
    for (int i = 0; i < count; ++i)
        values.append(char(i + 1));
    return values;
}

void TransportRig::expectFrames(const Operation &operation, const QList<QByteArray> &expected)
{
    QVERIFY(operation(*subject));
    QCOMPARE(frames(), expected);
    QCOMPARE(texts(), QStringList());
    QVERIFY(usbBalanced());
}

void TransportRig::expectOutcome(const Operation &operation, const QString &text)
{
    QCOMPARE(operation(*subject), text.isEmpty());
    QCOMPARE(texts(), text.isEmpty() ? QStringList() : QStringList{text});
    QCOMPARE(frames().isEmpty(), !text.isEmpty());
}

void TransportRig::addBoardRows()
{
    QTest::addColumn<QString>("board");
    QTest::newRow("atmel") << QString("atmel");
    QTest::newRow("stm32") << QString("stm32");
}

TransportRig::Operation TransportRig::readOne(int map, int reg)
{
    return [=](canal &t) {
        quint8 v = 0;
        return t.readRegister(quint8(map), reg, &v);
    };
}

TransportRig::Operation TransportRig::writeOne(int map, int reg, quint8 value)
{
    return [=](canal &t) {
        quint8 v = value;
        return t.writeRegister(quint8(map), reg, &v);
    };
}

TransportRig::Operation TransportRig::range(bool write, int map, int first, int count)
{
    return [=](canal &t) {
        QByteArray values = counting(count);
        quint8 *v = bytes(values);
        return write ? t.writeRegisterAutoInc(quint8(map), first, count, v)
                     : t.readRegisterAutoInc(quint8(map), first, count, &v);
    };
}
