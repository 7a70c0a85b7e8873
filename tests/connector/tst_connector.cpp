#include "CyDriver.h"
#include "KvCypressConnector.h"
#include "TestMain.h"

namespace {
// A driver that lists devices by path and opens none of them.
class ListingDriver : public CyDriver
{
public:
    QVector<Device> present;
    int opened = 0;

    QVector<Device> devices(const QUuid &) override { return present; }
    CyDriverHandle *open(const QString &) override
    {
        ++opened;
        return nullptr;
    }
    quint32 lastError() const override { return CyError::AccessDenied; }

    void add(quint16 vid, quint16 pid, int port)
    {
        present.append({QStringLiteral("\\\\?\\USB#VID_%1&PID_%2#1-%3#{ae18aa60-7f6a-11d4-97dd-00010229b959}")
                            .arg(vid, 4, 16, QLatin1Char('0'))
                            .arg(pid, 4, 16, QLatin1Char('0'))
                            .arg(port)
                            .toUpper(),
                        vid, pid});
    }
};
}

// The connector's board names and opening by what the driver lists.
class tst_connector : public QObject
{
    Q_OBJECT

private slots:
    // A list that does not fit the 1024-byte buffer ends at the last whole
    // name that fits.
    void longListIsCutAtAName()
    {
        ListingDriver driver;
        for (int i = 0; i < 200; ++i)
            driver.add(0x1209, 0xF010, i + 1);
        KvCypressConnector connector;
        connector.setDriver(&driver);
        const QByteArray list(connector.deviceList());
        QVERIFY(list.size() <= 1023);
        QVERIFY(list.endsWith("|USB#140"));
        QCOMPARE(list.split('|').size(), 141);
    }

    // A board that matches but cannot be opened (no permission) is a failed
    // open, not another board's handle.
    void unopenableBoard()
    {
        ListingDriver driver;
        driver.add(0x1209, 0xF010, 1);
        KvCypressConnector connector;
        connector.setDriver(&driver);
        QCOMPARE(connector.open("USB#0"), -2);
        QCOMPARE(driver.opened, 1);
        int value = 0;
        QCOMPARE(connector.readRegister(0, &value), -3);
    }
};

KV_TEST_MAIN(tst_connector)
#include "tst_connector.moc"
