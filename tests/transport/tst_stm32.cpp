#include <QSignalSpy>
#include <QThread>
#include <functional>

#include "KV2260_stm32_API.h"
#include "ReplyTimeouts.h"
#include "Stm32BoardEmulator.h"
#include "TestMain.h"

using Operation = std::function<bool(canal &)>;
Q_DECLARE_METATYPE(Operation)

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// An entry list of the given registers with zero values.
QByteArray entryList(const QVector<int> &regs)
{
    QByteArray list;
    for (int reg : regs)
        list.append(char(reg)).append('\0');
    return list;
}

QVector<int> range(int first, int count)
{
    QVector<int> regs;
    for (int i = 0; i < count; ++i)
        regs << first + i;
    return regs;
}

QByteArray counting(int count)
{
    QByteArray values;
    for (int i = 0; i < count; ++i)
        values.append(char(i + 1));
    return values;
}

quint8 *bytes(QByteArray &array)
{
    return reinterpret_cast<quint8 *>(array.data());
}

bool readBlock(canal &t, QByteArray list)
{
    quint8 *entries = bytes(list);
    return t.readRegisterBlock(0, list.size() / 2, &entries);
}

// The frame that reads the given registers as a list.
QByteArray listRead(const QVector<int> &regs)
{
    QByteArray frame = QByteArray(1, 0x15).append(char(2 * regs.size()));
    for (int reg : regs)
        frame.append(char(reg | 0x80)).append('\0');
    return frame;
}
}

class tst_stm32 : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Stm32BoardEmulator> board;
    std::unique_ptr<KV2260_stm32_API> transport;
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
        board.reset(new Stm32BoardEmulator);
        transport.reset(new KV2260_stm32_API);
        transport->deviceName = board->portPath();
        transport->replyTimeout = answerTimeoutMs;
        messages.reset(new QSignalSpy(transport.get(), &canal::send_message));
    }

    void cleanup()
    {
        messages.reset();
        transport.reset();
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
        QTest::newRow("read register 261 as its low byte") << Operation([](canal &t) {
            quint8 v = 0;
            return t.readRegister(0, 261, &v);
        }) << QList<QByteArray>{hex("15028500")};
        QTest::newRow("write 3C to register 5") << Operation([](canal &t) {
            quint8 v = 0x3C;
            return t.writeRegister(0, 5, &v);
        }) << QList<QByteArray>{hex("1502053C")};
        QTest::newRow("list of 0, 1, 2") << Operation([](canal &t) {
            return readBlock(t, entryList({0, 1, 2}));
        }) << QList<QByteArray>{hex("1506800081008200")};
        QTest::newRow("list of 15 is one full frame") << Operation([](canal &t) {
            return readBlock(t, entryList(range(0, 15)));
        }) << QList<QByteArray>{listRead(range(0, 15))};
        QTest::newRow("list of 16") << Operation([](canal &t) {
            return readBlock(t, entryList(range(0, 16)));
        }) << QList<QByteArray>{listRead(range(0, 15)), hex("15028F00")};
        QList<QByteArray> all;
        for (int f = 0; f < 8; ++f)
            all << listRead(range(15 * f, 15));
        all << listRead(range(120, 8));
        QTest::newRow("list of 128") << Operation([](canal &t) {
            return readBlock(t, entryList(range(0, 128)));
        }) << all;
        QTest::newRow("auto-increment read goes as a list") << Operation([](canal &t) {
            QByteArray values(128, '\0');
            quint8 *v = bytes(values);
            return t.readRegisterAutoInc(0, 0, 128, &v);
        }) << all;
        QTest::newRow("list write of 16") << Operation([](canal &t) {
            QByteArray list;
            for (int i = 0; i < 16; ++i)
                list.append(char(i)).append(char(0xA0 + i));
            return t.writeRegisterBlock(0, 16, bytes(list));
        }) << QList<QByteArray>{hex("151E00A001A102A203A304A405A506A607A708A809A90AAA0BAB0CAC0DAD0EAE"),
                                hex("15020FAF")};
        QTest::newRow("range write of 40") << Operation([](canal &t) {
            QByteArray values = counting(40);
            return t.writeRegisterAutoInc(0, 0, 40, bytes(values));
        }) << QList<QByteArray>{hex("151B00") + counting(26), hex("150F1A") + counting(40).mid(26)};
        QList<QByteArray> wrapped;
        const QByteArray many = counting(300);
        for (int f = 0; f < 12; ++f) {
            const int n = f < 11 ? 26 : 14;
            wrapped << QByteArray(1, 0x15).append(char(n + 1)).append(char(quint8(26 * f)))
                           + many.mid(26 * f, n);
        }
        QTest::newRow("range write of 300 wraps its start") << Operation([](canal &t) {
            QByteArray values = counting(300);
            return t.writeRegisterAutoInc(0, 0, 300, bytes(values));
        }) << wrapped;
        QTest::newRow("raw packet of 40 bytes") << Operation([](canal &t) {
            QByteArray packet = QByteArray(1, 0x15).append(char(38)) + entryList(range(0, 19));
            quint8 *p = bytes(packet);
            return t.sendPacket(40, &p);
        }) << QList<QByteArray>{QByteArray(1, 0x15).append(char(38)) + entryList(range(0, 19))};
    }

    void frames()
    {
        QFETCH(Operation, operation);
        QFETCH(QList<QByteArray>, expected);
        QVERIFY(operation(*transport));
        QCOMPARE(board->frames(), expected);
        QVERIFY(messages->isEmpty());
    }

    void readsValues()
    {
        for (int r = 0; r < 128; ++r)
            board->setRegisterValue(r, quint8(3 * r + 1));
        quint8 value = 0;
        QVERIFY(transport->readRegister(0, 77, &value));
        QCOMPARE(value, quint8(3 * 77 + 1));

        QByteArray list = entryList({9, 2, 100, 2});
        list[1] = char(0xEE);  // whatever the caller left there goes out as 0
        quint8 *entries = bytes(list);
        QVERIFY(transport->readRegisterBlock(0, 4, &entries));
        QCOMPARE(list, hex("091C0207642D0207"));
        QCOMPARE(board->frames().last(), hex("150889008200E4008200"));

        QByteArray values(128, '\0');
        quint8 *v = bytes(values);
        QVERIFY(transport->readRegisterAutoInc(0, 0, 128, &v));
        QCOMPARE(values, board->registers());
    }

    void writesValues()
    {
        QByteArray values;
        for (int r = 0; r < 128; ++r)
            values.append(char(255 - r));
        QVERIFY(transport->writeRegisterAutoInc(0, 0, 128, bytes(values)));
        QCOMPARE(board->registers(), values);

        QByteArray list = hex("0511060722337F01");
        QVERIFY(transport->writeRegisterBlock(0, 4, bytes(list)));
        QCOMPARE(board->registerValue(5), quint8(0x11));
        QCOMPARE(board->registerValue(6), quint8(0x07));
        QCOMPARE(board->registerValue(0x22), quint8(0x33));
        QCOMPARE(board->registerValue(0x7F), quint8(0x01));

        quint8 value = 0x5A;
        QVERIFY(transport->writeRegister(0, 40, &value));
        QCOMPARE(board->registerValue(40), quint8(0x5A));
    }

    void refusedArguments_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("text");
        const QString noMap = "Error: Map does not exist";
        const QString noReg = "Error: Register does not exist";
        static quint8 storage[600] = {};
        static quint8 *buffer = storage;

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
        QTest::newRow("auto read past 290") << Operation([](canal &t) { return t.readRegisterAutoInc(0, 200, 91, &buffer); }) << noReg;
        QTest::newRow("auto read from -1") << Operation([](canal &t) { return t.readRegisterAutoInc(0, -1, 2, &buffer); }) << noReg;
        QTest::newRow("auto read of 0") << Operation([](canal &t) { return t.readRegisterAutoInc(0, 0, 0, &buffer); }) << noReg;
        QTest::newRow("auto read overflowing") << Operation([](canal &t) { return t.readRegisterAutoInc(0, 0x7FFFFFFF, 2, &buffer); }) << noReg;
        QTest::newRow("auto write from -1") << Operation([](canal &t) { return t.writeRegisterAutoInc(0, -1, 2, buffer); }) << noReg;
        QTest::newRow("auto write of 0") << Operation([](canal &t) { return t.writeRegisterAutoInc(0, 0, 0, buffer); }) << noReg;
    }

    void refusedArguments()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, text);
        QVERIFY(!operation(*transport));
        QCOMPARE(texts(), QStringList{text});
        QVERIFY(board->frames().isEmpty());
    }

    void autoIncReadUpTo290()
    {
        QByteArray values(90, '\0');
        quint8 *v = bytes(values);
        QVERIFY(transport->readRegisterAutoInc(0, 200, 90, &v));
        QCOMPARE(board->frames().size(), 6);
    }

    void noPort_data()
    {
        QTest::addColumn<Operation>("operation");
        static quint8 buffer[64] = {};
        static quint8 *pointer = buffer;
        QTest::newRow("read") << Operation([](canal &t) { return t.readRegister(0, 0, buffer); });
        QTest::newRow("list read") << Operation([](canal &t) { return t.readRegisterBlock(0, 1, &pointer); });
        QTest::newRow("auto read") << Operation([](canal &t) { return t.readRegisterAutoInc(0, 0, 1, &pointer); });
        QTest::newRow("write") << Operation([](canal &t) { return t.writeRegister(0, 0, buffer); });
        QTest::newRow("list write") << Operation([](canal &t) { return t.writeRegisterBlock(0, 1, buffer); });
        QTest::newRow("auto write") << Operation([](canal &t) { return t.writeRegisterAutoInc(0, 0, 1, buffer); });
        QTest::newRow("packet") << Operation([](canal &t) { return t.sendPacket(4, &pointer); });
    }

    // Every operation, the auto-increment write included, names the port
    // that cannot be opened.
    void noPort()
    {
        QFETCH(Operation, operation);
        transport->deviceName = "/dev/kv-no-such-port";
        QVERIFY(!operation(*transport));
        QCOMPARE(texts(), QStringList{"Error: OpenSerial"});
    }

    void faultyReplies_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("text");
        QTest::newRow("silent") << int(Stm32BoardEmulator::Fault::Silent) << "Error: waitForReadyRead";
        QTest::newRow("one byte short") << int(Stm32BoardEmulator::Fault::Short) << "Error: bytesAvailable";
        QTest::newRow("one byte long") << int(Stm32BoardEmulator::Fault::Long) << "Error: bytesAvailable";
    }

    // A failed reply ends the operation with its text and frees the port, so
    // the next operation runs normally.
    void faultyReplies()
    {
        QFETCH(int, fault);
        QFETCH(QString, text);
        board->setRegisterValue(5, 0x42);
        board->setFault(Stm32BoardEmulator::Fault(fault));
        if (fault == int(Stm32BoardEmulator::Fault::Silent))
            transport->replyTimeout = silenceTimeoutMs;
        quint8 value = 0x99;
        QVERIFY(!transport->readRegister(0, 5, &value));
        QCOMPARE(value, quint8(0x99));
        QCOMPARE(texts(), QStringList{text});

        board->setFault(Stm32BoardEmulator::Fault::None);
        transport->replyTimeout = answerTimeoutMs;
        QVERIFY(transport->readRegister(0, 5, &value));
        QCOMPARE(value, quint8(0x42));
    }

    void splitReplyIsCollected()
    {
        board->setRegisterValue(5, 0x42);
        board->setFault(Stm32BoardEmulator::Fault::Split);
        quint8 value = 0;
        QVERIFY(transport->readRegister(0, 5, &value));
        QCOMPARE(value, quint8(0x42));

        QByteArray values(128, '\0');
        quint8 *v = bytes(values);
        QVERIFY(transport->readRegisterAutoInc(0, 0, 128, &v));
        QCOMPARE(values, board->registers());
        QVERIFY(messages->isEmpty());
    }

    void laterFrameFails()
    {
        for (int r = 0; r < 128; ++r)
            board->setRegisterValue(r, quint8(r + 1));
        board->setFault(Stm32BoardEmulator::Fault::Short, 1);
        QByteArray list = entryList(range(0, 20));
        quint8 *entries = bytes(list);
        QVERIFY(!transport->readRegisterBlock(0, 20, &entries));
        for (int k = 0; k < 15; ++k)
            QCOMPARE(quint8(list.at(2 * k + 1)), quint8(k + 1));
        for (int k = 15; k < 20; ++k)
            QCOMPARE(quint8(list.at(2 * k + 1)), quint8(0));
        QCOMPARE(texts(), QStringList{"Error: bytesAvailable"});
    }

    void packetReplyReplacesPacket()
    {
        board->setRegisterValue(3, 0x77);
        QByteArray packet = hex("15028300");
        quint8 *p = bytes(packet);
        QVERIFY(transport->sendPacket(4, &p));
        QCOMPARE(packet, hex("00028377"));

        board->setFault(Stm32BoardEmulator::Fault::Short);
        packet = hex("15028300");
        p = bytes(packet);
        QVERIFY(!transport->sendPacket(4, &p));
        QCOMPARE(packet, hex("15028300"));
        QCOMPARE(texts(), QStringList{"Error: bytesAvailable"});
    }

    void negativePacketSendsNothing()
    {
        QByteArray packet = hex("15028300");
        quint8 *p = bytes(packet);
        QVERIFY(!transport->sendPacket(-1, &p));
        QTest::qWait(20);
        QVERIFY(board->frames().isEmpty());
        QCOMPARE(packet, hex("15028300"));
    }

    // The GUI thread and the worker may use one transport at once: their
    // frames must not mix on the port.
    void operationsFromTwoThreads()
    {
        for (int r = 0; r < 128; ++r)
            board->setRegisterValue(r, quint8(r ^ 0x5A));
        transport->replyTimeout = 2000;
        std::atomic<int> failures{0};
        QThread *worker = QThread::create([&] {
            for (int i = 0; i < 30; ++i) {
                QByteArray values(128, '\0');
                quint8 *v = bytes(values);
                if (!transport->readRegisterAutoInc(0, 0, 128, &v) || values != board->registers())
                    ++failures;
            }
        });
        worker->start();
        for (int i = 0; i < 200; ++i) {
            quint8 value = 0;
            if (!transport->readRegister(0, i % 128, &value) || value != quint8((i % 128) ^ 0x5A))
                ++failures;
        }
        QVERIFY(worker->wait(20000));
        delete worker;
        QCOMPARE(failures.load(), 0);
        QVERIFY(messages->isEmpty());
    }
};

KV_TEST_MAIN(tst_stm32)
#include "tst_stm32.moc"
