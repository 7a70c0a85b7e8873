// The refresh after a read: every bound widget set from the new image, the
// field rules, the register windows and the painting all of it causes, until
// the event loop is idle. Measured beside its reference in the same run:
// the bound widgets set straight to a new image with their signals blocked,
// then painted until idle. Each round gives both a NEW image, so neither
// gets away with setters that change nothing and paint nothing.
//
// Printed: the median of each over the rounds, and their ratio, once with
// the register windows closed and once with the register table open.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSpinBox>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "MainClass.h"
#include "ModalCatcher.h"
#include "RegMap.h"
#include "TempWorkDir.h"
#include "mapshow.h"

namespace {

const int rounds = 31;

// Lets Qt deliver what the last step posted (the paint requests among it)
// until nothing is left.
void paintUntilIdle()
{
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class ImageSource
{
public:
    RegImage next(size_t size)
    {
        RegImage image(size);
        for (quint8 &byte : image) {
            seed = seed * 1103515245u + 12345u;
            byte = quint8(seed >> 16);
        }
        return image;
    }

private:
    quint32 seed = 1;
};

// The reference: what showing an image in the bound widgets needs at least.
// The values are taken from the image and set with the plain Qt setters,
// signals blocked, so no rule, table or store runs.
class PlainSetter
{
public:
    explicit PlainSetter(const RegMap &map)
        : good(":/Bulb-good.png"), bad(":/Bulb-bad.png"), disabled(":/Bulb-disabled.png")
    {
        for (const part *field : map.fields)
            if (field->widget)
                fields.push_back(field);
    }

    void show(const RegImage &image) const
    {
        for (const part *field : fields) {
            const QSignalBlocker silence(field->widget);
            showValue(*field, valueOf(*field, image));
        }
    }

    size_t count() const { return fields.size(); }

private:
    static quint32 valueOf(const part &field, const RegImage &image)
    {
        quint64 value = 0;
        quint64 weight = 1;
        const size_t pieces = std::min(field.bitStarts.size(), field.widths.size());
        for (size_t i = pieces; i-- > 0;)
            for (quint64 j = field.widths[i]; j-- > 0; weight <<= 1)
                if (getBit(image, unsigned(field.bitStarts[i] + j)))
                    value += weight;
        if (field.inverted)
            return value == 0 ? 1 : 0;
        return quint32(value);
    }

    void showValue(const part &field, quint32 value) const
    {
        QWidget *widget = field.widget;
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            button->setChecked(value != 0);
        else if (auto *combo = qobject_cast<QComboBox *>(widget))
            combo->setCurrentIndex(int(value));
        else if (auto *spin = qobject_cast<QSpinBox *>(widget))
            spin->setValue(int(value));
        else if (auto *spin = qobject_cast<QDoubleSpinBox *>(widget))
            spin->setValue(value);
        else if (auto *line = qobject_cast<QLineEdit *>(widget))
            line->setText(QString::number(value));
        else if (auto *label = qobject_cast<QLabel *>(widget)) {
            if (field.width >= 2)
                label->setText(QString::number(value));
            else
                label->setPixmap(!label->isEnabled() ? disabled : value ? good : bad);
        }
    }

    std::vector<const part *> fields;
    QPixmap good, bad, disabled;
};

} // namespace

class RefreshBench : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void registerWindowsClosed();
    void registerTableOpen();

private:
    void measure(const char *label, bool tableOpen);
};

void RefreshBench::initTestCase()
{
    QFile file("default.hex");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(";KV2260.2\n");
    for (int reg = 0; reg < 128; ++reg)
        file.write(QString("Reg%1\t%2\n").arg(reg).arg((reg * 37) & 0xFF, 2, 16, QChar('0')).toLatin1());
}

void RefreshBench::registerWindowsClosed()
{
    measure("register windows closed", false);
}

void RefreshBench::registerTableOpen()
{
    measure("register table open", true);
}

void RefreshBench::measure(const char *label, bool tableOpen)
{
    ModalCatcher boxes;
    MainClass window;
    window.show();
    QTRY_VERIFY(!window.commandRunning());
    if (tableOpen)
        window.mapshowWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    paintUntilIdle();

    RegMap *map = window.mapshowWindow->regMaps.value("KV2260v2");
    QVERIFY(map);
    const PlainSetter plain(*map);
    ImageSource images;
    std::vector<double> tool, reference;
    QElapsedTimer clock;
    for (int round = 0; round < rounds; ++round) {
        const RegImage shown = images.next(map->wr.size());
        clock.start();
        plain.show(shown);
        paintUntilIdle();
        reference.push_back(clock.nsecsElapsed() / 1e6);

        // What a read leaves: the chip's values in rd, copied into wr.
        const RegImage read = images.next(map->wr.size());
        map->rd = read;
        map->wr = read;
        clock.start();
        window.refreshWidgetsFromMaps();
        paintUntilIdle();
        tool.push_back(clock.nsecsElapsed() / 1e6);
    }
    const double t = median(tool);
    const double r = median(reference);
    std::printf("refresh, %s: %.2f ms, reference (%zu widgets set to a new image, painted) "
                "%.2f ms, ratio %.2f\n",
                label, t, plain.count(), r, t / r);
    std::fflush(stdout);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TempWorkDir workDir;
    RefreshBench bench;
    return QTest::qExec(&bench, argc, argv);
}
#include "refresh.moc"
