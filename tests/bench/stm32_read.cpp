// Reads all 128 registers through the STM32 transport in each read style
// from a board that paces its replies at 460800 baud, and sets the elapsed
// time beside the time the exchanged bytes take on the wire.
#include <QElapsedTimer>

#include "KV2260_stm32_API.h"
#include "Stm32BoardEmulator.h"
#include "TestMain.h"

namespace {
const int wireBaud = 460800;
const int bitsPerByte = 10;
const int registers = 128;
const int rounds = 20;

enum Style { OneAtATime, EntryLists, AutoIncrement };
}

class bench_stm32_read : public QObject
{
    Q_OBJECT

private:
    Stm32BoardEmulator board;
    KV2260_stm32_API transport;

    bool readAll(int style)
    {
        QByteArray values(registers, '\0');
        quint8 *v = reinterpret_cast<quint8 *>(values.data());
        switch (style) {
        case OneAtATime:
            for (int r = 0; r < registers; ++r)
                if (!transport.readRegister(0, r, v + r))
                    return false;
            break;
        case EntryLists: {
            QByteArray list(2 * registers, '\0');
            for (int r = 0; r < registers; ++r)
                list[2 * r] = char(r);
            quint8 *entries = reinterpret_cast<quint8 *>(list.data());
            if (!transport.readRegisterBlock(0, registers, &entries))
                return false;
            for (int r = 0; r < registers; ++r)
                values[r] = list.at(2 * r + 1);
            break;
        }
        case AutoIncrement:
            if (!transport.readRegisterAutoInc(0, 0, registers, &v))
                return false;
            break;
        }
        return values == board.registers();
    }

    // Wire time of one read of the whole map: every request and its reply of
    // the same length.
    double wireMs()
    {
        qint64 bytes = 0;
        for (const QByteArray &frame : board.frames())
            bytes += 2 * frame.size();
        return double(bytes) * bitsPerByte * 1000.0 / wireBaud;
    }

private slots:
    void initTestCase()
    {
        for (int r = 0; r < registers; ++r)
            board.setRegisterValue(r, quint8(r * 13 + 7));
        board.setPacing(wireBaud);
        transport.deviceName = board.portPath();
    }

    void wireRatio_data()
    {
        QTest::addColumn<int>("style");
        QTest::newRow("one at a time") << int(OneAtATime);
        QTest::newRow("entry lists") << int(EntryLists);
        QTest::newRow("auto-increment") << int(AutoIncrement);
    }

    void wireRatio()
    {
        QFETCH(int, style);
        board.clearFrames();
        QVERIFY(readAll(style));
        const double wire = wireMs();

        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < rounds; ++i)
            QVERIFY(readAll(style));
        const double elapsed = double(clock.nsecsElapsed()) / 1e6 / rounds;
        qInfo("%-15s %8.2f ms elapsed, %8.2f ms on the wire, ratio %.2f",
              QTest::currentDataTag(), elapsed, wire, elapsed / wire);
    }

    void readAllRegisters_data()
    {
        wireRatio_data();
    }

    void readAllRegisters()
    {
        QFETCH(int, style);
        QBENCHMARK {
            readAll(style);
        }
    }
};

KV_TEST_MAIN(bench_stm32_read)
#include "stm32_read.moc"
