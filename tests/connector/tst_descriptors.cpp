#include <QFile>

#include "CCyBulkEndPoint.h"
#include "CCyUSBBOS.h"
#include "CCyUSBConfig.h"
#include "TestMain.h"

namespace {
// A fixture: the first byte chooses the USB 3 form, the rest is the block.
QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(KV_TEST_SOURCE_DIR "/fixtures/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}

// The configuration and BOS records built from descriptor blocks, good and
// broken ones (the broken ones also seed the descriptor fuzzer).
class tst_descriptors : public QObject
{
    Q_OBJECT

private slots:
    void configurations_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<int>("records");
        QTest::newRow("USB 3") << "config_usb3.bin" << true << 2;
        QTest::newRow("USB 2") << "config_usb2.bin" << true << 1;
        QTest::newRow("zero length") << "config_zero_length.bin" << false << 1;
        QTest::newRow("40 endpoints") << "config_40_endpoints.bin" << false << 2;
        QTest::newRow("past the block") << "config_past_block.bin" << false << 2;
        // wTotalLength beyond the block: the walk ends with the block.
        QTest::newRow("overlong total length") << "config_overlong_total.bin" << true << 2;
    }

    void configurations()
    {
        QFETCH(QString, file);
        QFETCH(bool, usable);
        QFETCH(int, records);
        const QByteArray bytes = fixture(file);
        QVERIFY(!bytes.isEmpty());
        const QByteArray block = bytes.mid(1);
        const CCyUSBConfig config(nullptr, reinterpret_cast<const quint8 *>(block.constData()),
                                  block.size(), bytes.at(0) == 1);
        QCOMPARE(config.problem().isEmpty(), usable);
        QCOMPARE(int(config.AltInterfaces), records);
        for (int i = 0; i < config.AltInterfaces; ++i)
            QCOMPARE(int(config.Interfaces[i]->bAltSettings), records);
    }

    // Endpoints with their companions, as the USB 3 board describes them.
    void usb3Endpoints()
    {
        const QByteArray block = fixture("config_usb3.bin").mid(1);
        const CCyUSBConfig config(nullptr, reinterpret_cast<const quint8 *>(block.constData()), block.size(), true);
        const CCyUSBInterface &second = *config.Interfaces[1];
        QCOMPARE(int(second.wTotalLength), 9 + 2 * (7 + 6));
        QVERIFY(!second.EndPoints[0]);
        QVERIFY(dynamic_cast<CCyBulkEndPoint *>(second.EndPoints[1]));
        QCOMPARE(int(second.EndPoints[2]->Address), 0x81);
        QCOMPARE(int(second.EndPoints[2]->CompanionType), 0x30);
        QCOMPARE(int(second.EndPoints[2]->MaxPktSize), 1024);
        const CCyUSBConfig copy(config);
        QVERIFY(copy.Interfaces[1]->EndPoints[1] != second.EndPoints[1]);
        QCOMPARE(int(copy.Interfaces[1]->EndPoints[1]->Address), 0x01);
    }

    void bos_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("usable");
        QTest::newRow("good") << "bos.bin" << true;
        QTest::newRow("capability of length 0") << "bos_zero_length.bin" << false;
    }

    void bos()
    {
        QFETCH(QString, file);
        QFETCH(bool, usable);
        const QByteArray block = fixture(file).mid(1);
        const CCyUSBBOS bos(reinterpret_cast<const quint8 *>(block.constData()), block.size());
        QCOMPARE(bos.problem().isEmpty(), usable);
        if (usable) {
            QVERIFY(bos.Usb20ExtensionCapability);
            QCOMPARE(bos.SuperSpeedDeviceCapability->wU2DevExitLat, quint16(0x07FF));
            QVERIFY(!bos.ContainerIdCapability);
        }
    }
};

KV_TEST_MAIN(tst_descriptors)
#include "tst_descriptors.moc"
