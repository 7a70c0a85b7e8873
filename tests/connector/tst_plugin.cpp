#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>

#include "KvCypressConnector.h"
#include "TestMain.h"

// The connector as a loadable plugin: what another program sees of it.
class tst_plugin : public QObject
{
    Q_OBJECT

private slots:
    void loadsWithItsInterface()
    {
        QPluginLoader loader(QStringLiteral(KV_CONNECTOR_PLUGIN_PATH));
        const QJsonObject meta = loader.metaData();
        QCOMPARE(meta.value("IID").toString(), QString("org.korvane.KvConnectorInterface"));
        QCOMPARE(meta.value("className").toString(), QString("KvCypressConnector"));
        QCOMPARE(meta.value("MetaData").toObject().value("Keys").toArray(), QJsonArray());
        QObject *instance = loader.instance();
        QVERIFY2(instance, qPrintable(loader.errorString()));
        QCOMPARE(loader.instance(), instance);
        auto *connector = qobject_cast<KvConnectorInterface *>(instance);
        QVERIFY(connector);
        QCOMPARE(connector->errorString(-2), "Cannot open interface");
        QCOMPARE(connector->open("USB#x"), -1);
    }

    // The class in the tool answers casts by both names of its interface.
    void castsByName()
    {
        KvCypressConnector connector;
        QObject *object = &connector;
        KvConnectorInterface *interface = &connector;
        QCOMPARE(object->qt_metacast("KvConnectorInterface"), static_cast<void *>(interface));
        QCOMPARE(object->qt_metacast("org.korvane.KvConnectorInterface"), static_cast<void *>(interface));
        QCOMPARE(object->qt_metacast("KvCypressConnector"), static_cast<void *>(object));
    }

    void errorTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("-1") << -1 << "Invalid device name";
        QTest::newRow("-2") << -2 << "Cannot open interface";
        QTest::newRow("-3") << -3 << "Read Xfer error";
        QTest::newRow("-4") << -4 << "Write Xfer error";
        QTest::newRow("0") << 0 << "Unknown error";
        QTest::newRow("-5") << -5 << "Unknown error";
    }

    void errorTexts()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(QString::fromLatin1(KvCypressConnector().errorString(code)), text);
    }
};

KV_TEST_MAIN(tst_plugin)
#include "tst_plugin.moc"
