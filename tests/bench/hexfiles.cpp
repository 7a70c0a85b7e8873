// Register file speed: loading a whole 128-register file into the GUI maps,
// and saving the maps with a comment for every register. The save with
// comments is also measured at two numbers of fields on one panel and
// printed as the cost per field of the larger against the smaller: a cost
// that grows with the fields around each one shows as a ratio well above 1.
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QSpinBox>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "TestMain.h"
#include "WorkerRig.h"
#include "mapshow.h"

namespace {

// `count` fields of `width` bits side by side from bit 0, all on one panel,
// of the three widget kinds that carry captions, each with its caption.
std::vector<std::unique_ptr<part>> addCaptionedFields(RegMap &map, QWidget &panel, int count,
                                                      int width)
{
    std::vector<std::unique_ptr<part>> records;
    for (int i = 0; i < count; ++i) {
        const QString field = QStringLiteral("F%1").arg(i);
        const QString name = QStringLiteral("KV_%1_KV2260v2_%2_%3").arg(field).arg(i * width).arg(width);
        QWidget *widget = nullptr;
        if (i % 3 == 0)
            widget = new QCheckBox(QStringLiteral("Enable %1").arg(i), &panel);
        else if (i % 3 == 1)
            widget = new QComboBox(&panel);
        else
            widget = new QSpinBox(&panel);
        widget->setObjectName(name);
        (new QLabel(QStringLiteral("Caption\n%1").arg(i), &panel))
            ->setObjectName(field + QStringLiteral("LabelG"));
        records.emplace_back(mapshow::ParseObjName(name));
        records.back()->widget = widget;
        map.fields.insert(records.back()->name, records.back().get());
    }
    return records;
}

} // namespace

class HexFilesBench : public QObject
{
    Q_OBJECT
private slots:
    void loadWholeFile();
    void saveWithComments();
    void saveWithCommentsPerField();

private:
    // Milliseconds of one save with comments of `fieldCount` one-bit fields,
    // each with its caption, all on one panel: the median of several saves.
    static double commentedSaveMs(int fieldCount);
};

void HexFilesBench::loadWholeFile()
{
    WorkerRig rig;
    rig.map.wr = patternImage(128, 1);
    rig.set("ChangesOnly", 0);
    rig.worker.filePath = "whole.hex";
    rig.worker.GUIFILE();
    QCOMPARE(rig.texts(), QStringList{QString()});

    QBENCHMARK {
        rig.worker.FILEGUI();
    }
    QCOMPARE(rig.texts().last(), QString());
}

void HexFilesBench::saveWithComments()
{
    WorkerRig rig;
    QWidget panel;
    // One field per register.
    std::vector<std::unique_ptr<part>> records = addCaptionedFields(rig.map, panel, 128, 8);
    rig.map.wr = patternImage(128, 2);
    rig.set("ChangesOnly", 0);
    rig.set("HexComment", 1);
    rig.worker.filePath = "commented.hex";

    QBENCHMARK {
        rig.worker.GUIFILE();
    }
    QCOMPARE(rig.texts().last(), QString());
    rig.map.fields.clear();
}

void HexFilesBench::saveWithCommentsPerField()
{
    const int few = 128;
    const int many = 1024;
    const double fewMs = commentedSaveMs(few);
    const double manyMs = commentedSaveMs(many);
    QVERIFY(fewMs > 0 && manyMs > 0);
    std::printf("save with comments: %d fields %.2f ms, %d fields %.2f ms; cost per field "
                "at %d against %d: ratio %.2f (at most 1 when linear in the fields, up to %d when "
                "it grows with their square)\n",
                few, fewMs, many, manyMs, many, few, (manyMs / many) / (fewMs / few), many / few);
    std::fflush(stdout);
}

double HexFilesBench::commentedSaveMs(int fieldCount)
{
    WorkerRig rig;
    QWidget panel;
    std::vector<std::unique_ptr<part>> records = addCaptionedFields(rig.map, panel, fieldCount, 1);
    rig.map.wr = patternImage(128, 3);
    rig.set("ChangesOnly", 0);
    rig.set("HexComment", 1);
    rig.worker.filePath = "commented.hex";

    std::vector<double> times;
    QElapsedTimer clock;
    for (int round = 0; round < 7; ++round) {
        clock.start();
        rig.worker.GUIFILE();
        times.push_back(clock.nsecsElapsed() / 1e6);
        if (rig.texts().last() != QString())
            return -1;
    }
    rig.map.fields.clear();
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

KV_TEST_MAIN(HexFilesBench)
#include "hexfiles.moc"
