// Start-up: when the main window is first painted, beside its reference
// measured in the same run: the same forms (the thirteen panels, the main
// form and the secondary windows) built alone and the main form shown. Both
// set the application up as `main` does. Every measure runs in a fresh
// process, the tool and the reference one right after the other. Printed
// are the medians of the times and the median of the ratios of each such
// pair (a busy spell of the machine then hits both sides of a ratio alike),
// counted from the start of `main` and, stricter, from the moment the
// application is set up (leaving out what both spend on it). A third kind
// of process, the forms with the device search the tool's constructor runs,
// shows what of the difference that search takes alone.
//
//   bench_firstpaint            runs both kinds of child and prints
//   bench_firstpaint --tool     one start of the tool, prints milliseconds
//                               from main and from the set-up
//   bench_firstpaint --forms    one start of the forms alone
//   bench_firstpaint --search   one start of the forms with the device search
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
#include "canal.h"
#include "grAOK.h"
#include "grLostW.h"
#include "grSPL.h"
#include "help_block.h"
#include "interactiveMap.h"
#include "mapshow.h"
#include "service_block.h"
#include "ui_MainClass.h"

namespace {

const int rounds = 25;

// Where a child's measures start.
struct Start
{
    QElapsedTimer sinceMain;
    QElapsedTimer sinceSetUp;
};

// A one-pixel child on top of the main window: it is painted last of the
// window's first paint, and reports when that paint is done.
class PaintProbe : public QWidget
{
public:
    PaintProbe(QWidget *window, const Start &start) : QWidget(window), start(start)
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
        std::printf("%.3f %.3f\n", start.sinceMain.nsecsElapsed() / 1e6,
                    start.sinceSetUp.nsecsElapsed() / 1e6);
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

private:
    const Start &start;
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

int runTool(QApplication &app, const Start &start)
{
    MainClass window;
    PaintProbe probe(&window, start);
    window.show();
    return app.exec();
}

// The same forms without binding, register maps, worker, device search or
// default load; with `search`, the device search is run as well.
int runFormsAlone(QApplication &app, const Start &start, bool search)
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
    if (search)
        canal().deviceList();
    PaintProbe probe(&window, start);
    window.show();
    return app.exec();
}

enum Kind { Tool, Forms, FormsWithSearch, Kinds };
const char *const kindArguments[Kinds] = {"--tool", "--forms", "--search"};

int runChild(int argc, char **argv, Kind kind, Start &start)
{
    QApplication app(argc, argv);
    QTranslator english;
    setUpAsMain(app, english);
    start.sinceSetUp.start();
    return kind == Tool ? runTool(app, start) : runFormsAlone(app, start, kind == FormsWithSearch);
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

struct Times
{
    double sinceMain = -1;
    double sinceSetUp = -1;
};

Times timeChild(const QString &program, const char *mode)
{
    QProcess child;
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(program, {QString::fromLatin1(mode)});
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0)
        return Times();
    const QStringList numbers =
        QString::fromLatin1(child.readAllStandardOutput()).simplified().split(' ');
    if (numbers.size() != 2)
        return Times();
    return {numbers[0].toDouble(), numbers[1].toDouble()};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Medians of the times of two kinds and the median of the ratios of the
// times measured one right after the other.
void report(const char *what, const char *names, const std::vector<Times> &measured,
            const std::vector<Times> &reference, double Times::*measure)
{
    std::vector<double> measuredMs, referenceMs, ratios;
    for (size_t i = 0; i < measured.size(); ++i) {
        measuredMs.push_back(measured[i].*measure);
        referenceMs.push_back(reference[i].*measure);
        ratios.push_back(measured[i].*measure / (reference[i].*measure));
    }
    std::printf("%s, %s: %.1f ms against %.1f ms (medians); ratio %.2f (median of the ratios "
                "of neighbouring runs)\n",
                what, names, median(measuredMs), median(referenceMs), median(ratios));
}

int runParent(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TempWorkDir workDir;
    writeDefaultFile();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<Times> times[Kinds];
    for (int round = 0; round < rounds; ++round) {
        // Each kind goes first in turn, so none always meets another's
        // leftovers in the machine's caches.
        for (int i = 0; i < Kinds; ++i) {
            const Kind kind = Kind((round + i) % Kinds);
            const Times child = timeChild(self, kindArguments[kind]);
            if (child.sinceMain <= 0 || child.sinceSetUp <= 0) {
                std::fprintf(stderr, "a child failed\n");
                return 1;
            }
            times[kind].push_back(child);
        }
    }
    report("first paint from main", "tool against forms alone", times[Tool], times[Forms],
           &Times::sinceMain);
    report("first paint from the set-up", "tool against forms alone", times[Tool], times[Forms],
           &Times::sinceSetUp);
    report("first paint from the set-up", "forms with the device search against forms alone",
           times[FormsWithSearch], times[Forms], &Times::sinceSetUp);
    std::printf("(%d fresh processes of each kind)\n", rounds);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Start start;
    start.sinceMain.start();
    for (int kind = 0; kind < Kinds; ++kind)
        if (argc > 1 && std::strcmp(argv[1], kindArguments[kind]) == 0)
            return runChild(argc, argv, Kind(kind), start);
    return runParent(argc, argv);
}
