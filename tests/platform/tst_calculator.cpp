#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtTest>

#include "FakePrograms.h"
#include "SystemCalculator.h"
#include "TestMain.h"

class tst_calculator : public QObject
{
    Q_OBJECT

private slots:
    // Names are tried in order and the first that starts is the only one
    // started; a name that is there but cannot run is passed over.
    void firstThatStartsWins_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("blocked");
        QTest::addColumn<QString>("started");
        QTest::newRow("calc1 first") << QStringList{"calc1", "calc", "gnome-calculator"} << QString() << "calc1";
        QTest::newRow("calc without calc1") << QStringList{"calc", "kcalc"} << QString() << "calc";
        QTest::newRow("calc1 not runnable") << QStringList{"calc", "xcalc"} << "calc1" << "calc";
    }

    void firstThatStartsWins()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, blocked);
        QFETCH(QString, started);
        FakePrograms programs;
        for (const QString &name : present)
            QVERIFY(programs.add(name));
        if (!blocked.isEmpty())
            QVERIFY(programs.add(blocked, false));
        QVERIFY(SystemCalculator::start());
        QTRY_VERIFY_WITH_TIMEOUT(programs.ran(started), 5000);
        // Anything started after it would have been started before start()
        // returned; give it time to show.
        QTest::qWait(300);
        for (const QString &name : present + QStringList{blocked})
            if (name != started)
                QVERIFY2(!programs.ran(name), qPrintable(name));
    }

    // The calculator is not a child of the tool, and start() does not wait
    // for it to end.
    void startedDetached()
    {
        FakePrograms programs;
        QVERIFY(programs.add("calc1"));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(SystemCalculator::start());
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(programs.parentOf("calc1") > 0, 5000);
        QVERIFY(programs.parentOf("calc1") != QCoreApplication::applicationPid());
    }

    void noCalculator()
    {
        FakePrograms programs;
        QVERIFY(programs.add("calc1", false));
        QVERIFY(!SystemCalculator::start());
    }
};

KV_TEST_MAIN(tst_calculator)
#include "tst_calculator.moc"
