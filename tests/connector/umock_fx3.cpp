#include <QFile>

#include "CCyControlEndPoint.h"
#include "CCyFX3Device.h"
#include "Fx3BootLoader.h"
#include "TestMain.h"
#include "UmockUsbBed.h"

namespace {
QByteArray le32(quint32 v)
{
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes.append(char(v >> (8 * i)));
    return bytes;
}

QByteArray pattern(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) & 0xFF);
    return bytes;
}

QByteArray section(quint32 address, const QByteArray &data)
{
    return le32(quint32(data.size() / 4)) + le32(address) + data;
}

// "CY", two control bytes, a section of 12 bytes, one of 2400 bytes (two
// pieces), then the entry.
QByteArray ramImage()
{
    return QByteArray("CY\x1c\xb0", 4) + section(0x40000000, pattern(12, 1))
           + section(0x40010000, pattern(2400, 2)) + le32(0) + le32(0x40000100);
}

void writeFile(const QString &name, const QByteArray &content)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), qint64(content.size()));
}
}

// Firmware downloads to an emulated FX3 boot loader through real libusb.
class umock_fx3 : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<UmockUsbBed> bed;
    std::unique_ptr<Fx3BootLoader> loader;
    std::unique_ptr<CCyFX3Device> device;

    int download(const QByteArray &image, int medium)
    {
        writeFile("image.img", image);
        loader->clearRequests();
        return device->DownloadFw("image.img", medium);
    }

private slots:
    void init()
    {
        bed.reset(new UmockUsbBed);
        loader.reset(new Fx3BootLoader);
        bed->addUsbDevice(1, 1, 4, *loader);
        device.reset(new CCyFX3Device(false));
        QVERIFY(device->Open(0));
        QCOMPARE(device->VendorId, quint16(0x04B4));
        QCOMPARE(device->MaxPacket, 64u);
    }

    void cleanup()
    {
        device.reset();
        bed.reset();
        loader.reset();
    }

    void ramImageWithEntry()
    {
        QCOMPARE(download(ramImage(), CCyFX3Device::Ram), 0);
        QCOMPARE(loader->ram(0x40000000, 12), pattern(12, 1));
        QCOMPARE(loader->ram(0x40010000, 2400), pattern(2400, 2));
        QCOMPARE(loader->entry(), qint64(0x40000100));
        QCOMPARE(loader->requests(),
                 QStringList({"40 a0 0000 4000 12", "c0 a0 0000 4000 12", "40 a0 0000 4001 2048",
                              "c0 a0 0000 4001 2048", "40 a0 0800 4001 352", "c0 a0 0800 4001 352",
                              "40 a0 0100 4000 0"}));
    }

    // The program is in RAM whatever the entry request gives back; a
    // refusal is logged.
    void refusedEntry()
    {
        loader->refuseEntry(true);
        QTest::ignoreMessage(QtWarningMsg, "FX3 device: the device refused the program entry at 0x40000100");
        QCOMPARE(download(ramImage(), CCyFX3Device::Ram), 0);
        QCOMPARE(loader->requests().last(), QString("40 a0 0100 4000 0"));
        QCOMPARE(loader->entry(), qint64(-1));
    }

    void ramReadBack_data()
    {
        QTest::addColumn<int>("badReads");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("firstPieceWrites");
        QTest::newRow("two mismatches") << 2 << 0 << 3;
        QTest::newRow("three mismatches") << 3 << 1 << 3;
    }

    void ramReadBack()
    {
        QFETCH(int, badReads);
        QFETCH(int, result);
        QFETCH(int, firstPieceWrites);
        loader->corruptReadBacks(badReads);
        QCOMPARE(download(ramImage(), CCyFX3Device::Ram), result);
        QCOMPARE(loader->requests().count("40 a0 0000 4000 12"), firstPieceWrites);
        QCOMPARE(loader->entry() >= 0, result == 0);
    }

    // Nothing is sent of an image that does not hold together.
    void badImages_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<int>("medium");
        QTest::addColumn<int>("result");
        const QByteArray head("CY\x1c\xb0", 4);
        QTest::newRow("no signature") << QByteArray("XY\x1c\xb0", 4) + le32(0) + le32(0) << 1 << 3;
        QTest::newRow("one byte") << QByteArray("C") << 1 << 3;
        QTest::newRow("truncated header") << head + le32(0) << 1 << 5;
        QTest::newRow("no entry") << head + section(0x100, pattern(8, 0)) << 1 << 5;
        QTest::newRow("section past the end")
            << head + le32(4) + le32(0x100) + pattern(12, 0) + le32(0) + le32(0) << 1 << 5;
        QTest::newRow("length beyond 32 bits")
            << head + le32(0xFFFFFFFF) + le32(0x100) + le32(0) + le32(0) << 1 << 5;
        QTest::newRow("i2c size code 1") << QByteArray("CY\x02\xb0", 4) + pattern(100, 0) << 2 << 9;
        QTest::newRow("i2c too short") << QByteArray("CY") << 2 << 9;
        QTest::newRow("medium 4") << ramImage() << 4 << 2;
    }

    void badImages()
    {
        QFETCH(QByteArray, image);
        QFETCH(int, medium);
        QFETCH(int, result);
        QCOMPARE(download(image, medium), result);
        QCOMPARE(loader->requests(), QStringList());
    }

    void unreadableFiles()
    {
        QCOMPARE(device->DownloadFw("missing.img", 1), 6);
        writeFile("empty.img", QByteArray());
        QCOMPARE(device->DownloadFw("empty.img", 1), 6);
    }

    void i2cImage()
    {
        QByteArray image = pattern(5000, 3);
        image[2] = char(2 << 1);
        QCOMPARE(download(image, CCyFX3Device::I2cEeprom), 0);
        QCOMPARE(loader->requests(),
                 QStringList({"40 ba 0000 0000 2048", "40 ba 0000 0800 2048", "40 ba 0001 0000 960",
                              "c0 bb 0001 0000 960"}));
        QCOMPARE(loader->eepromBytes().left(image.size()), image);
    }

    // Without a packet size the rest goes out as it is.
    void i2cRestWithoutPacketSize()
    {
        QByteArray image = pattern(5000, 3);
        image[2] = char(2 << 1);
        device->ControlEndPoint->MaxPktSize = 0;
        QCOMPARE(download(image, CCyFX3Device::I2cEeprom), 0);
        QCOMPARE(loader->requests().mid(2), QStringList({"40 ba 0001 0000 904", "c0 bb 0001 0000 904"}));
        QCOMPARE(loader->eepromBytes(), image);
    }

    void spiImage()
    {
        const QByteArray image = pattern(70000, 4);
        QCOMPARE(download(image, CCyFX3Device::SpiFlash), 0);
        QCOMPARE(loader->erasedSectors(), QList<int>({0, 1}));
        const QByteArray flash = loader->flash();
        QCOMPARE(flash.size(), 70144);
        QCOMPARE(flash.left(70000), image);
        QCOMPARE(flash.mid(70000), QByteArray(144, char(0xFF)));
        const QStringList requests = loader->requests();
        QCOMPARE(requests.filter(QRegularExpression("^40 c2")).size(), 35);
        QCOMPARE(requests.first(), QString("40 c4 0001 0000 0"));
        QVERIFY(requests.contains("c0 c4 0000 0000 1"));
        QCOMPARE(requests.last(), QString("40 c2 0000 0110 512"));
    }

    void spiEraseNeverEnds()
    {
        loader->setErasePolls(-1);
        device->eraseWaitMs = 30;
        QCOMPARE(download(pattern(1000, 5), CCyFX3Device::SpiFlash), 7);
        QVERIFY(loader->flash().isEmpty());
    }

    void requestsWithoutData()
    {
        quint8 byte = 0;
        QVERIFY(!device->VendorControlXfer(&byte, 0xA0, 0, -1, false));
        QVERIFY(device->ProbeBootLoader());
        QCOMPARE(loader->requests().last(), QString("c0 a0 0000 0000 1"));
    }
};

KV_TEST_MAIN(umock_fx3)
#include "umock_fx3.moc"
