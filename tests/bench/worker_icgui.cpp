// IC to GUI of the whole 128-register map in each read style: the worker in
// its own thread, requested by a queued signal as the main window requests
// it, reading through the STM32 transport from a board that paces its replies
// at 460800 baud. Prints the time from the request to the final report beside
// the time the exchanged bytes take on the wire.
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>

#include "KV2260_stm32_API.h"
#include "RegMap.h"
#include "Stm32BoardEmulator.h"
#include "TestMain.h"
#include "clerk.h"
#include "service_block.h"

namespace {
const int wireBaud = 460800;
const int bitsPerByte = 10;
const int registers = 128;
const int rounds = 20;
}

class bench_worker_icgui : public QObject
{
    Q_OBJECT

public:
    bench_worker_icgui() : map(QStringLiteral("KV2260v2"), registers, 0) {}

signals:
    void Command_ICGUI();

private:
    Stm32BoardEmulator board;
    KV2260_stm32_API transport;
    service_block settingsWindow;
    RegMap map;
    clerk worker;
    QThread thread;
    QStringList finals;

    // One command from the request to its final report; false when it failed
    // or the map does not hold what the board holds.
    bool readAll()
    {
        finals.clear();
        worker.interrupt = false;
        worker.command = 1;
        map.rd.assign(size_t(registers), 0);
        emit Command_ICGUI();
        const QDeadlineTimer deadline(10000);
        while (finals.isEmpty() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        return finals == QStringList{QString()}
               && QByteArray(reinterpret_cast<const char *>(map.rd.data()), registers)
                      == board.registers();
    }

    double wireMs() const
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
            board.setRegisterValue(r, quint8(r * 29 + 3));
        board.setPacing(wireBaud);
        transport.deviceName = board.portPath();
        settingsWindow.transport = &transport;
        worker.service = &settingsWindow;
        worker.regMaps.insert(map.name, &map);
        connect(this, &bench_worker_icgui::Command_ICGUI, &worker, &clerk::ICGUI);
        connect(&worker, &clerk::error_mess, this, [this](const QString &t) { finals << t; });
        worker.moveToThread(&thread);
        thread.start();
    }

    void cleanupTestCase()
    {
        thread.quit();
        thread.wait();
        settingsWindow.transport = nullptr;
    }

    void wireRatio_data()
    {
        QTest::addColumn<int>("style");
        QTest::newRow("one at a time") << 0;
        QTest::newRow("block") << 1;
        QTest::newRow("auto-increment") << 2;
    }

    void wireRatio()
    {
        QFETCH(int, style);
        settingsWindow.settings["ReadStyle"] = style;
        board.clearFrames();
        QVERIFY(readAll());
        const double wire = wireMs();
        const int frames = board.frames().size();

        QVector<double> times;
        for (int i = 0; i < rounds; ++i) {
            QElapsedTimer clock;
            clock.start();
            QVERIFY(readAll());
            times << double(clock.nsecsElapsed()) / 1e6;
        }
        std::sort(times.begin(), times.end());
        double mean = 0;
        for (double t : times)
            mean += t / rounds;
        qInfo("%-15s %3d frames: %7.2f ms mean, %7.2f ms median, %7.2f ms on the wire, ratio %.2f",
              QTest::currentDataTag(), frames, mean, times[rounds / 2], wire, mean / wire);
    }

    void readAllRegisters_data()
    {
        wireRatio_data();
    }

    void readAllRegisters()
    {
        QFETCH(int, style);
        settingsWindow.settings["ReadStyle"] = style;
        QBENCHMARK {
            readAll();
        }
    }
};

KV_TEST_MAIN(bench_worker_icgui)
#include "worker_icgui.moc"
