// Start-up of the main window (every panel, the binding, the register table
// and the default load) and the refresh of every bound widget after a read,
// beside the floor of setting the widgets alone. Both refresh measures run
// with the main window shown and the register windows closed, as at start.
#include <QApplication>
#include <QFile>
#include <QtTest>
#include <functional>

#include "MainClass.h"
#include "ModalCatcher.h"
#include "RegMap.h"
#include "TempWorkDir.h"
#include "mapshow.h"

class MainWindowBench : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void startUp();
    void refreshAfterRead();
    void settingWidgetsAlone();

private:
    static void measureRefresh(const std::function<void(MainClass &, RegMap *)> &refresh);
};

void MainWindowBench::initTestCase()
{
    QFile file("default.hex");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(";KV2260.2\n");
    for (int reg = 0; reg < 128; ++reg)
        file.write(QString("Reg%1\t%2\n").arg(reg).arg((reg * 37) & 0xFF, 2, 16, QChar('0')).toLatin1());
}

void MainWindowBench::startUp()
{
    ModalCatcher boxes;
    QBENCHMARK {
        MainClass window;
        window.show();
        QTRY_VERIFY(!window.commandRunning());
    }
}

void MainWindowBench::refreshAfterRead()
{
    measureRefresh([](MainClass &window, RegMap *) { window.refreshWidgetsFromMaps(); });
}

// The floor a refresh is measured against: only the bound widgets set from
// the image, with nothing else run or repainted.
void MainWindowBench::settingWidgetsAlone()
{
    measureRefresh([](MainClass &, RegMap *map) { map->setWidgetsSilently(map->wr); });
}

void MainWindowBench::measureRefresh(const std::function<void(MainClass &, RegMap *)> &refresh)
{
    ModalCatcher boxes;
    MainClass window;
    window.show();
    QTRY_VERIFY(!window.commandRunning());
    RegMap *map = window.mapshowWindow->regMaps.value("KV2260v2");
    quint32 seed = 1;
    QBENCHMARK {
        // A different image each round, as after a real read.
        for (quint8 &byte : map->wr) {
            seed = seed * 1103515245u + 12345u;
            byte = quint8(seed >> 16);
        }
        refresh(window, map);
        QCoreApplication::processEvents();
    }
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TempWorkDir workDir;
    MainWindowBench bench;
    return QTest::qExec(&bench, argc, argv);
}
#include "mainwindow.moc"
