// The whole tool with a USB3 board: the device search lists it, choosing it
// makes its transport, and the worker reads and writes the chip through real
// libusb against a board that umockdev emulates.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QRandomGenerator>

#include "KV2260_USB3_API.h"
#include "MainClass.h"
#include "ModalCatcher.h"
#include "RegMap.h"
#include "TestMain.h"
#include "UmockUsbBed.h"
#include "Usb3Board.h"
#include "mapshow.h"
#include "service_block.h"
#include "ui_MainClass.h"

namespace {
const int registerCount = 128;
const int lpfRegister = 106;

QByteArray bytes(const RegImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), int(image.size()));
}

QByteArray randomRegisters(quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray regs(registerCount, '\0');
    for (char &byte : regs)
        byte = char(random.bounded(256));
    return regs;
}

QStringList readRequests()
{
    QStringList requests;
    for (int reg = 0; reg < registerCount; ++reg)
        requests << QString::asprintf("c0 b5 0000 %04x 1", reg);
    return requests;
}
}

class umock_usb3tool : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ModalCatcher> catcher;
    std::unique_ptr<UmockUsbBed> bed;
    std::unique_ptr<Usb3Board> board;
    std::unique_ptr<MainClass> window;
    RegMap *map = nullptr;

    bool finished() { return QTest::qWaitFor([this] { return !window->commandRunning(); }, 10000); }
    void set(const char *key, int value) { window->service->settings[QLatin1String(key)] = value; }

private slots:
    void init()
    {
        catcher = std::make_unique<ModalCatcher>();
        bed = std::make_unique<UmockUsbBed>();
        board = std::make_unique<Usb3Board>();
        bed->addUsbDevice(1, 1, 9, *board);
        window = std::make_unique<MainClass>();
        QVERIFY(finished());
        map = window->mapshowWindow->regMaps.value("KV2260v2");
        QVERIFY(map);
        window->ui->Auto_scan->setChecked(false);
        catcher->clear();
        board->clearRequests();
    }

    void cleanup()
    {
        window.reset();
        bed.reset();
        board.reset();
        catcher.reset();
    }

    void boardIsChosen()
    {
        QCOMPARE(window->deviceCombo->currentText(), QString("USB#0"));
        auto *transport = qobject_cast<KV2260_USB3_API *>(window->service->transport);
        QVERIFY(transport);
        QCOMPARE(transport->deviceName, QString("USB#0"));
    }

    void readChip_data()
    {
        QTest::addColumn<int>("readStyle");
        QTest::newRow("one register at a time") << 0;
        QTest::newRow("address list") << 1;
        QTest::newRow("auto-increment range") << 2;
    }

    void readChip()
    {
        QFETCH(int, readStyle);
        set("ReadStyle", readStyle);
        set("RepeatRead", 0);
        const QByteArray regs = randomRegisters(quint32(7 + readStyle));
        for (int reg = 0; reg < registerCount; ++reg)
            board->setValue(reg, quint8(regs[reg]));
        window->ui->action_ICGUI->setChecked(true);
        window->on_action_ICGUI_triggered();
        QVERIFY(finished());
        COMPARE_CAUGHT(catcher->texts(), QStringList());
        QCOMPARE(bytes(map->rd), regs);
        QCOMPARE(board->requests().filter(QRegularExpression("^c0 b5")), readRequests());
    }

    void writeChip_data()
    {
        QTest::addColumn<int>("writeStyle");
        QTest::newRow("one register at a time") << 0;
        QTest::newRow("address list") << 1;
        QTest::newRow("auto-increment range") << 2;
    }

    void writeChip()
    {
        QFETCH(int, writeStyle);
        set("WriteStyle", writeStyle);
        set("ChangesOnly", 0);
        set("InteractiveRefresh", 0);
        const QByteArray regs = randomRegisters(quint32(20 + writeStyle));
        std::copy(regs.begin(), regs.end(), map->wr.begin());
        window->on_action_GUIIC_triggered();
        QVERIFY(finished());
        COMPARE_CAUGHT(catcher->texts(), QStringList());

        QByteArray expected = regs;
        expected[lpfRegister] = 0;
        QCOMPARE(board->registers(), expected);
        QStringList writes;
        for (int reg = 0; reg < registerCount; ++reg)
            writes << QString::asprintf("40 b3 0000 %04x 1 %02x", reg, quint8(regs[reg]));
        writes << QString::asprintf("40 b3 0000 %04x 1 00", lpfRegister);
        QCOMPARE(board->requests().filter(QRegularExpression("^40 b3")), writes);
    }

    void unpluggedBoardIsReported()
    {
        bed->removeUsbDevice(1, 1);
        window->ui->action_ICGUI->setChecked(true);
        window->on_action_ICGUI_triggered();
        QVERIFY(finished());
        QVERIFY2(catcher->texts().contains("Error: Can not connect"), qPrintable(catcher->caught()));
        QVERIFY2(catcher->texts().contains("Error: Read transaction failed."), qPrintable(catcher->caught()));
        QCOMPARE(bytes(map->rd), QByteArray(registerCount, '\0'));
    }
};

KV_TEST_MAIN(umock_usb3tool)
#include "umock_usb3tool.moc"
