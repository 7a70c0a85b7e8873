// Reads and writes the 128 registers through the USB3 transport against a
// board that umockdev emulates, beside one bare libusb control transfer on
// the same bed, and checks that opening the board (the device walk every
// operation starts with) costs no more than the 128 transfers themselves.
// Run by hand: umockdev-wrapper build/tests/bench_umock_usb3_registers
#include <QElapsedTimer>
#include <libusb.h>

#include "KV2260_USB3_API.h"
#include "KvCypressConnector.h"
#include "TestMain.h"
#include "UmockUsbBed.h"
#include "Usb3Board.h"

namespace {
const int registers = 128;
const int rounds = 20;
}

class bench_usb3_registers : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<UmockUsbBed> bed;
    Usb3Board board;
    std::unique_ptr<KV2260_USB3_API> transport;
    QByteArray values = QByteArray(registers, '\x5A');

    quint8 *data() { return reinterpret_cast<quint8 *>(values.data()); }

    // Mean ms of one call of `step` over `rounds` calls.
    template <typename Step>
    double meanMs(Step step)
    {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < rounds; ++i)
            if (!step())
                return -1;
        return double(clock.nsecsElapsed()) / 1e6 / rounds;
    }

    bool bareTransfers(int count)
    {
        libusb_context *context = nullptr;
        libusb_device_handle *handle = nullptr;
        bool ok = libusb_init(&context) == 0;
        handle = ok ? libusb_open_device_with_vid_pid(context, 0x1209, 0xF010) : nullptr;
        QElapsedTimer clock;
        for (int i = 0; handle && i < count; ++i) {
            unsigned char byte = 0;
            ok = ok && libusb_control_transfer(handle, 0xC0, 0xB5, 0, quint16(i % registers), &byte, 1, 1000) == 1;
        }
        if (handle)
            libusb_close(handle);
        if (context)
            libusb_exit(context);
        return ok && handle;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(qgetenv("LD_PRELOAD").contains("umockdev-preload"), "run under umockdev-wrapper");
        bed.reset(new UmockUsbBed);
        bed->addUsbDevice(1, 1, 2, board);
        transport.reset(new KV2260_USB3_API);
        transport->deviceName = "USB#0";
    }

    void cleanupTestCase()
    {
        transport.reset();
        bed.reset();
    }

    void read128()
    {
        quint8 *v = data();
        QBENCHMARK {
            QVERIFY(transport->readRegisterAutoInc(0, 0, registers, &v));
        }
    }

    void write128()
    {
        QBENCHMARK {
            QVERIFY(transport->writeRegisterAutoInc(0, 0, registers, data()));
        }
    }

    void readOne()
    {
        QBENCHMARK {
            QVERIFY(transport->readRegister(0, 5, data()));
        }
    }

    void bareControlTransfer128()
    {
        QBENCHMARK {
            QVERIFY(bareTransfers(registers));
        }
    }

    void openBeside128Transfers()
    {
        KvCypressConnector connector;
        quint8 *v = data();
        const double open = meanMs([&] {
            const bool opened = connector.open("USB#0") == 0;
            connector.close();
            return opened;
        });
        const double read = meanMs([&] { return transport->readRegisterAutoInc(0, 0, registers, &v); });
        const double write = meanMs([&] { return transport->writeRegisterAutoInc(0, 0, registers, data()); });
        const double bare = meanMs([&] { return bareTransfers(registers); });
        QVERIFY(open > 0 && read > 0 && write > 0 && bare > 0);
        qInfo("per register: read %.4f ms, write %.4f ms; bare control transfer %.4f ms",
              read / registers, write / registers, bare / registers);
        qInfo("open and close %.3f ms; 128 transfers through the transport %.3f ms", open, read - open);
        QVERIFY2(open <= read - open, "opening the board costs more than its 128 transfers");
    }
};

KV_TEST_MAIN(bench_usb3_registers)
#include "umock_usb3_registers.moc"
