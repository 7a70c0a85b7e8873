// Start-up: the time from an application set up as `main` sets it up to the
// first paint of the main window, beside its reference measured in the same
// run: the same forms (the thirteen panels, the main form and the secondary
// windows) built alone and the main form shown. Every measure runs in a
// fresh process, alternating between the two; the medians and their ratio
// are printed.
//
//   bench_firstpaint            runs both kinds of child and prints
//   bench_firstpaint --tool     one start of the tool, prints milliseconds
//   bench_firstpaint --forms    one start of the forms alone
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QMainWindow>
#include <QPainter>
#include <QProcess>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "ApplicationFont.h"
#include "GrEnable.h"
#include "GrServA.h"
#include "GrServB.h"
#include "GrServC.h"
#include "GrServD.h"
#include "GrServiceClock.h"
#include "GrServiceLPF.h"
#include "GrTest.h"
#include "GrThynA.h"
#include "GrThynB.h"
#include "MainClass.h"
#include "TempWorkDir.h"
#include "grAOK.h"
#include "grLostW.h"
#include "grSPL.h"
#include "help_block.h"
#include "interactiveMap.h"
#include "mapshow.h"
#include "service_block.h"
#include "ui_MainClass.h"

namespace {

const int rounds = 15;

// A one-pixel child on top of the main window: it is painted last of the
// window's first paint, and reports when that paint is done.
class PaintProbe : public QWidget
{
public:
    PaintProbe(QWidget *window, const QElapsedTimer &clock) : QWidget(window), clock(clock)
    {
        setGeometry(0, 0, 1, 1);
        raise();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), palette().window());
        if (reported)
            return;
        reported = true;
        std::printf("%.3f\n", clock.nsecsElapsed() / 1e6);
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

private:
    const QElapsedTimer &clock;
    bool reported = false;
};

// What `main` does before it builds the window.
void setUpAsMain(QApplication &app, QTranslator &english)
{
    useApplicationFont(app);
    QFontDatabase::addApplicationFont(":/DIN Pro/DINPro-Light.otf");
    english.load(":/Translations/template_en.qm");
    app.installTranslator(&english);
}

int runTool(QApplication &app, const QElapsedTimer &clock)
{
    MainClass window;
    PaintProbe probe(&window, clock);
    window.show();
    return app.exec();
}

// The same forms without binding, register maps, worker, device search or
// default load.
int runFormsAlone(QApplication &app, const QElapsedTimer &clock)
{
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.emplace_back(new grAOK(nullptr));
    windows.emplace_back(new GrEnable(nullptr));
    windows.emplace_back(new grLostW(nullptr));
    windows.emplace_back(new GrServA(nullptr));
    windows.emplace_back(new GrServB(nullptr));
    windows.emplace_back(new GrServC(nullptr));
    windows.emplace_back(new GrServD(nullptr));
    windows.emplace_back(new GrServiceClock(nullptr));
    windows.emplace_back(new GrServiceLPF(nullptr));
    windows.emplace_back(new grSPL(nullptr));
    windows.emplace_back(new GrTest(nullptr));
    windows.emplace_back(new GrThynA(nullptr));
    windows.emplace_back(new GrThynB(nullptr));
    QMainWindow window;
    Ui::MainClass form;
    form.setupUi(&window);
    windows.emplace_back(new service_block(nullptr));
    windows.emplace_back(new help_block(nullptr));
    windows.emplace_back(new mapshow(nullptr));
    windows.emplace_back(new interactiveMap(nullptr, nullptr));
    PaintProbe probe(&window, clock);
    window.show();
    return app.exec();
}

int runChild(int argc, char **argv, bool tool)
{
    QApplication app(argc, argv);
    QTranslator english;
    setUpAsMain(app, english);
    QElapsedTimer clock;
    clock.start();
    return tool ? runTool(app, clock) : runFormsAlone(app, clock);
}

void writeDefaultFile()
{
    QFile file("default.hex");
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(";KV2260.2\n");
    for (int reg = 0; reg < 128; ++reg)
        file.write(QString("Reg%1\t%2\n").arg(reg).arg((reg * 37) & 0xFF, 2, 16, QChar('0')).toLatin1());
}

double timeChild(const QString &program, const char *mode)
{
    QProcess child;
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(program, {QString::fromLatin1(mode)});
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0)
        return -1;
    bool ok = false;
    const double ms = QString::fromLatin1(child.readAllStandardOutput()).trimmed().toDouble(&ok);
    return ok ? ms : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int runParent(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TempWorkDir workDir;
    writeDefaultFile();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> tool, forms;
    for (int round = 0; round < rounds; ++round) {
        // Alternating, so a busy spell of the machine hits both alike.
        const bool toolFirst = round % 2 == 0;
        for (int i = 0; i < 2; ++i) {
            const bool isTool = (i == 0) == toolFirst;
            const double ms = timeChild(self, isTool ? "--tool" : "--forms");
            if (ms < 0) {
                std::fprintf(stderr, "a child failed\n");
                return 1;
            }
            (isTool ? tool : forms).push_back(ms);
        }
    }
    const double t = median(tool);
    const double f = median(forms);
    std::printf("first paint: tool %.1f ms, forms alone %.1f ms, ratio %.2f (medians of %d "
                "fresh processes each)\n",
                t, f, t / f, rounds);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--tool") == 0)
        return runChild(argc, argv, true);
    if (argc > 1 && std::strcmp(argv[1], "--forms") == 0)
        return runChild(argc, argv, false);
    return runParent(argc, argv);
}
