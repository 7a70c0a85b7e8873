// Which board a device name stands for, serial ports named by path or by a
// link to their path included.
#include <QFile>
#include <QTemporaryDir>

#include "DeviceNames.h"
#include "TestMain.h"

Q_DECLARE_METATYPE(DeviceNames::Board)

class DeviceNamesTest : public QObject
{
    Q_OBJECT
private slots:
    void boardOfName_data();
    void boardOfName();
};

// "@" stands for a folder that holds a device file "ttyACM7", listed as an
// STM32 port, and a link to it in "by-id".
void DeviceNamesTest::boardOfName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<DeviceNames::Board>("board");
    QTest::newRow("STM32 port by name") << "ttyACM7" << DeviceNames::Stm32Board;
    QTest::newRow("STM32 port by path") << "@/ttyACM7" << DeviceNames::Stm32Board;
    QTest::newRow("STM32 port by link") << "@/by-id/usb-STM32_Board-if00" << DeviceNames::Stm32Board;
    QTest::newRow("other vendor by name") << "ttyUSB3" << DeviceNames::FmcBoard;
    QTest::newRow("other vendor by path") << "/dev/ttyUSB3" << DeviceNames::FmcBoard;
    QTest::newRow("unlisted path") << "@/pts-99" << DeviceNames::FmcBoard;
    QTest::newRow("USB3 board") << "USB#0" << DeviceNames::Usb3Board;
    QTest::newRow("Atmel board key") << "010A" << DeviceNames::AtmelBoard;
    QTest::newRow("unlisted port name") << "ttyACM" << DeviceNames::AtmelBoard;
    QTest::newRow("empty name") << "" << DeviceNames::AtmelBoard;
}

void DeviceNamesTest::boardOfName()
{
    QFETCH(QString, name);
    QFETCH(DeviceNames::Board, board);
    QTemporaryDir dir;
    const QString device = dir.filePath("ttyACM7");
    QFile file(device);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(QDir(dir.path()).mkdir("by-id"));
    QVERIFY(QFile::link(device, dir.filePath("by-id/usb-STM32_Board-if00")));
    const QList<DeviceNames::Port> ports = {{"ttyS0", "/dev/ttyS0", 0},
                                            {"ttyACM7", device, 0x0483},
                                            {"ttyUSB3", "/dev/ttyUSB3", 0x0403}};

    QCOMPARE(DeviceNames::boardOf(name.replace('@', dir.path()), ports), board);
}

KV_TEST_MAIN(DeviceNamesTest)
#include "tst_devicenames.moc"
