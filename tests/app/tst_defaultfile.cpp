// The "default.hex" shipped at the repository root, which the tool loads from
// its working directory at every start: it is what the tool saves from its
// forms as they first come up, and it loads without a complaint.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include "MainClass.h"
#include "ModalCatcher.h"
#include "RegMap.h"
#include "TestMain.h"
#include "mapshow.h"
#include "service_block.h"

namespace {

const QString missingDefault = "Error: default.hex file is not available.\nPlease, add any one.";
// The closing line of every saved file clears the LPF autocalibration
// register.
const int lpfRegister = 106;

QString shippedPath()
{
    return QDir(KV_TEST_SOURCE_DIR "/../..").absoluteFilePath("default.hex");
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool idle(MainClass &window)
{
    return QTest::qWaitFor([&window] { return !window.commandRunning(); }, 10000);
}

RegMap *chipMap(MainClass &window)
{
    return window.mapshowWindow->regMaps.value("KV2260v2");
}

// The register images start zeroed while the forms show their own first
// values; every field the user can edit puts what it shows into the GUI
// image, the read-only displays stay out.
void takeFormsIntoImage(RegMap &map)
{
    for (const part *field : qAsConst(map.fields))
        if (!qobject_cast<QLabel *>(field->widget) && !qobject_cast<QLineEdit *>(field->widget))
            map.storeWidgetValue(field->name);
}

} // namespace

class DefaultFileTest : public QObject
{
    Q_OBJECT
private slots:
    void shippedFileIsTheFormsFirstState();
    void startWithShippedFileReportsNothing();

private:
    RegImage formsImage;
};

void DefaultFileTest::shippedFileIsTheFormsFirstState()
{
    QVERIFY(!QFile::exists("default.hex"));
    ModalCatcher boxes;
    MainClass window;
    QVERIFY(idle(window));
    QCOMPARE(boxes.texts(), QStringList{missingDefault});
    boxes.clear();

    RegMap *map = chipMap(window);
    takeFormsIntoImage(*map);
    formsImage = map->wr;
    for (const char *key : {"ChangesOnly", "HexComment", "MergeFile"})
        window.service->settings[key] = 0;
    const QString saved = QDir::current().absoluteFilePath("saved.hex");
    boxes.answerFileDialogs(saved);
    window.on_action_GUIFILE_triggered();
    QVERIFY(idle(window));
    QCOMPARE(boxes.texts(), QStringList{"Save .hex"});

    const QByteArray fresh = readFile(saved);
    QCOMPARE(fresh.count('\n'), 1 + 128 + 1);
    if (fresh != readFile(shippedPath())) {
        const QString update = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("default.hex");
        QFile::remove(update);
        QFile::copy(saved, update);
        QFAIL(qPrintable(QString("%1 is not what the forms save; the saved file is %2")
                             .arg(shippedPath(), update)));
    }
}

void DefaultFileTest::startWithShippedFileReportsNothing()
{
    QVERIFY(QFile::copy(shippedPath(), "default.hex"));
    ModalCatcher boxes;
    MainClass window;
    QVERIFY(idle(window));
    QCOMPARE(boxes.texts(), QStringList());
    QCOMPARE(window.windowTitle(), QString("KV2260v2 CE 1.0.2"));
    RegImage expected = formsImage;
    QVERIFY(!expected.empty());
    expected[lpfRegister] = 0;
    QVERIFY(chipMap(window)->wr == expected);
    QVERIFY(chipMap(window)->cfg == expected);
    QFile::remove("default.hex");
}

KV_TEST_MAIN(DefaultFileTest)
#include "tst_defaultfile.moc"
