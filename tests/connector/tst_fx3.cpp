#include <QtTest>

#include "CCyFX3Device.h"
#include "TestMain.h"

// Firmware files that are refused before any request is made, so no device
// needs to be open.
class tst_fx3 : public QObject
{
    Q_OBJECT

private slots:
    // A kernel attribute file claims a page but reads a few bytes: an image
    // that cannot be read whole is not sent.
    void fileShorterThanItsSize()
    {
        const QString file = QStringLiteral("/sys/devices/system/cpu/online");
        const QFileInfo info(file);
        if (!info.exists() || info.size() <= 16)
            QSKIP("no attribute file that reads shorter than its size");
        CCyFX3Device device(false);
        QCOMPARE(device.DownloadFw(file, CCyFX3Device::I2cEeprom), int(CCyFX3Device::FileUnreadable));
        QCOMPARE(device.DownloadFw(file, CCyFX3Device::Ram), int(CCyFX3Device::FileUnreadable));
    }
};

KV_TEST_MAIN(tst_fx3)
#include "tst_fx3.moc"
