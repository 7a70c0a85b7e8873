// Register file speed: loading a whole 128-register file into the GUI maps,
// and saving the maps with a comment for every register.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include "TestMain.h"
#include "WorkerRig.h"
#include "mapshow.h"

class HexFilesBench : public QObject
{
    Q_OBJECT
private slots:
    void loadWholeFile();
    void saveWithComments();
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
    // One field per register, of the three widget kinds that carry captions.
    for (int reg = 0; reg < 128; ++reg) {
        const QString field = QStringLiteral("F%1").arg(reg);
        const QString name = QStringLiteral("KV_%1_KV2260v2_%2_8").arg(field).arg(reg * 8);
        QWidget *widget = nullptr;
        if (reg % 3 == 0)
            widget = new QCheckBox(QStringLiteral("Enable %1").arg(reg), &panel);
        else if (reg % 3 == 1)
            widget = new QComboBox(&panel);
        else
            widget = new QSpinBox(&panel);
        widget->setObjectName(name);
        (new QLabel(QStringLiteral("Caption\n%1").arg(reg), &panel))
            ->setObjectName(field + QStringLiteral("LabelG"));
        part *record = mapshow::ParseObjName(name);
        record->widget = widget;
        rig.map.fields.insert(record->name, record);
    }
    rig.map.wr = patternImage(128, 2);
    rig.set("ChangesOnly", 0);
    rig.set("HexComment", 1);
    rig.worker.filePath = "commented.hex";

    QBENCHMARK {
        rig.worker.GUIFILE();
    }
    QCOMPARE(rig.texts().last(), QString());
    qDeleteAll(rig.map.fields);
}

KV_TEST_MAIN(HexFilesBench)
#include "hexfiles.moc"
