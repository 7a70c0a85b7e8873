// The main window's commands end to end: the command slots and actions, the
// worker in its thread, the STM32 transport and an emulated board on a
// pseudo-terminal, and every report routed to the user.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>
#include <QToolBar>
#include <QTranslator>
#include <memory>

#include "KV2260_stm32_API.h"
#include "MainClass.h"
#include "ModalCatcher.h"
#include "RegMap.h"
#include "ReplyTimeouts.h"
#include "Stm32BoardEmulator.h"
#include "TestMain.h"
#include "clerk.h"
#include "mapshow.h"
#include "service_block.h"
#include "ui_MainClass.h"

using Request = void (MainClass::*)();
Q_DECLARE_METATYPE(Request)
Q_DECLARE_METATYPE(Stm32BoardEmulator::Fault)

namespace {

const QString baseTitle = QStringLiteral("KV2260v2 CE 1.0.2");
// The "о" of "оf" is Cyrillic.
const QString busyText = QString::fromUtf8("Warning: wait for completion оf previous action ");
const int registerCount = 128;
// LPF autocalibration register: cleared after every write and by the
// closing line of every saved file.
const int lpfRegister = 106;
int bitOf(const QByteArray &regs, unsigned bit)
{
    return (quint8(regs[int(bit / 8)]) >> (7 - bit % 8)) & 1;
}

void setBitOf(QByteArray &regs, unsigned bit, int value)
{
    const quint8 mask = quint8(1u << (7 - bit % 8));
    quint8 byte = quint8(regs[int(bit / 8)]);
    regs[int(bit / 8)] = char(value ? byte | mask : byte & ~mask);
}

// A field's value in a register image: the first piece holds the most
// significant bits, and within a piece the lowest-numbered bit leads.
quint32 fieldValue(const part &field, const QByteArray &regs)
{
    quint32 value = 0;
    for (size_t i = 0; i < field.widths.size(); ++i)
        for (unsigned bit = field.bitStarts[i]; bit < field.bitStarts[i] + field.widths[i]; ++bit)
            value = (value << 1) | quint32(bitOf(regs, bit));
    return value;
}

void setFieldValue(const part &field, QByteArray &regs, quint32 value)
{
    int shift = field.width;
    for (size_t i = 0; i < field.widths.size(); ++i)
        for (unsigned bit = field.bitStarts[i]; bit < field.bitStarts[i] + field.widths[i]; ++bit)
            setBitOf(regs, bit, (value >> --shift) & 1);
}

bool touchesRegister(const part &field, int reg)
{
    for (size_t i = 0; i < field.widths.size(); ++i)
        if (int(field.bitStarts[i] / 8) <= reg && int((field.bitStarts[i] + field.widths[i] - 1) / 8) >= reg)
            return true;
    return false;
}

bool sameImage(const QLabel *label, const char *resource)
{
    const QPixmap shown = label->pixmap(Qt::ReturnByValue);
    return !shown.isNull() && shown.toImage() == QPixmap(resource).toImage();
}

bool isDisplay(const part &field)
{
    return qobject_cast<QLabel *>(field.widget) || qobject_cast<QLineEdit *>(field.widget);
}

// What a field's widget shows, read from the widget itself and turned back
// into a field value; -1 when it shows no value.
qint64 shownValue(const part &field)
{
    QWidget *widget = field.widget;
    qint64 value = -1;
    if (auto *box = qobject_cast<QCheckBox *>(widget)) {
        value = box->isChecked() ? 1 : 0;
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        value = combo->currentIndex();
    } else if (auto *spin = qobject_cast<QSpinBox *>(widget)) {
        value = spin->value();
    } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        bool ok = false;
        value = edit->text().toLongLong(&ok);
        if (!ok)
            value = -1;
    } else if (auto *label = qobject_cast<QLabel *>(widget)) {
        if (field.width > 1) {
            bool ok = false;
            value = label->text().toLongLong(&ok);
            if (!ok)
                value = -1;
        } else {
            value = sameImage(label, ":/Bulb-good.png") ? 1 : sameImage(label, ":/Bulb-bad.png") ? 0 : -1;
        }
    }
    if (field.inverted && value >= 0)
        value = value ? 0 : 1;
    return value;
}

QByteArray bytes(const RegImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), int(image.size()));
}

// Register contents that every bound widget can show: random bytes with
// each field pulled into the range its widget offers (combo boxes with fewer
// items than codes, spin boxes with a lower limit).
QByteArray showablePattern(const RegMap &map, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray regs(registerCount, 0);
    for (char &byte : regs)
        byte = char(random.bounded(256));
    for (int pass = 0; pass < 4; ++pass) {
        for (const part *field : map.fields) {
            const quint32 value = fieldValue(*field, regs);
            const quint32 codes = field->width >= 32 ? 0xFFFFFFFFu : (1u << field->width);
            if (auto *combo = qobject_cast<QComboBox *>(field->widget)) {
                if (combo->count() > 0 && value >= quint32(combo->count()))
                    setFieldValue(*field, regs, value % quint32(combo->count()));
            } else if (auto *spin = qobject_cast<QSpinBox *>(field->widget)) {
                const quint32 low = quint32(qMax(spin->minimum(), 0));
                if (value < low)
                    setFieldValue(*field, regs, low + value % (codes - low));
            }
        }
    }
    return regs;
}

// A register file holding the given registers.
QByteArray hexFile(const QByteArray &regs)
{
    QByteArray text = ";KV2260.2\n";
    for (int reg = 0; reg < regs.size(); ++reg)
        text += QStringLiteral("Reg%1\t%2\n")
                    .arg(reg)
                    .arg(QString::number(quint8(regs[reg]), 16).rightJustified(2, '0').toUpper())
                    .toLatin1();
    return text;
}

QString writeFile(const QString &name, const QByteArray &content)
{
    const QString path = QDir::current().absoluteFilePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Counts the command signals the main window sends to the worker.
struct CommandSpies
{
    explicit CommandSpies(MainClass *window)
        : readChip(window, &MainClass::Command_ICGUI), writeChip(window, &MainClass::Command_GUIIC),
          fileToChip(window, &MainClass::Command_FILEIC), fileToGui(window, &MainClass::Command_FILEGUI),
          loadDefault(window, &MainClass::Command_DEFGUI), save(window, &MainClass::Command_GUIFILE)
    {
    }
    int total() const
    {
        return readChip.count() + writeChip.count() + fileToChip.count() + fileToGui.count()
               + loadDefault.count() + save.count();
    }

    QSignalSpy readChip, writeChip, fileToChip, fileToGui, loadDefault, save;
};

} // namespace

// Runs compareWidgets() and leaves the test function on its first mismatch.
#define COMPARE_WIDGETS(regs, displays)        \
    do {                                       \
        compareWidgets(regs, displays);        \
        if (QTest::currentTestFailed())        \
            return;                            \
    } while (false)

class MainCommandsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void readFillsEveryWidget_data();
    void readFillsEveryWidget();
    void writeSendsWhatTheWidgetsShow_data();
    void writeSendsWhatTheWidgetsShow();
    void filesThroughTheDialogs();
    void backslashesStayInTheFileName();
    void savedNameGetsTheSuffix_data();
    void savedNameGetsTheSuffix();
    void cancelledDialogChangesNothing_data();
    void cancelledDialogChangesNothing();

    void requestDuringACommand_data();
    void requestDuringACommand();
    void commandStartedWhileADialogIsOpen_data();
    void commandStartedWhileADialogIsOpen();
    void reportsWhileIdle_data();
    void reportsWhileIdle();
    void transportErrorsDoNotEndTheCommand();
    void workerReportsRouteInEitherLanguage_data();
    void workerReportsRouteInEitherLanguage();
    void failedCommandReleasesReadAction_data();
    void failedCommandReleasesReadAction();
    void refusedLoadKeepsTheTitle_data();
    void refusedLoadKeepsTheTitle();
    void deviceStaysWhileACommandRuns_data();
    void deviceStaysWhileACommandRuns();
    void staleStopRequestIsForgotten_data();
    void staleStopRequestIsForgotten();

    void closingStopsTheWorker_data();
    void closingStopsTheWorker();
    void closingDuringASaveKeepsTheFileWhole_data();
    void closingDuringASaveKeepsTheFileWhole();

    void functionKeys_data();
    void functionKeys();

private:
    void attachBoard();
    void set(const char *key, int value) { window->service->settings[QLatin1String(key)] = value; }
    // Only while no command runs: the worker reads it.
    void setReplyTimeout(int ms) { window->service->transport->replyTimeout = ms; }
    bool finished();
    bool read();
    bool startSlowRead(int baud);
    void compareWidgets(const QByteArray &regs, bool displays);
    QAction *readAction() const { return window->ui->action_ICGUI; }
    bool progressShown() const { return window->ui->toolBar_optional->actions().last()->isVisible(); }
    QString status() const { return window->statusBar()->currentMessage(); }

    std::unique_ptr<ModalCatcher> catcher;
    std::unique_ptr<Stm32BoardEmulator> board;
    std::unique_ptr<MainClass> window;
    RegMap *map = nullptr;
};

void MainCommandsTest::initTestCase()
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

void MainCommandsTest::init()
{
    catcher = std::make_unique<ModalCatcher>();
    board = std::make_unique<Stm32BoardEmulator>();
    window = std::make_unique<MainClass>();
    // The start-up load finds no "default.hex" and reports it.
    QVERIFY(finished());
    map = window->mapshowWindow->regMaps.value("KV2260v2");
    QVERIFY(map);
    // The channel status readout after every read selects a channel in
    // register 5; it has tests of its own and stays out of these.
    window->ui->Auto_scan->setChecked(false);
    attachBoard();
    catcher->clear();
}

void MainCommandsTest::cleanup()
{
    window.reset();
    board.reset();
    catcher.reset();
}

// Makes the emulated board the current device, shown in the device list.
void MainCommandsTest::attachBoard()
{
    delete window->service->transport;
    auto *transport = new KV2260_stm32_API;
    transport->deviceName = board->portPath();
    transport->replyTimeout = answerTimeoutMs;
    connect(transport, &canal::send_message, window.get(), &MainClass::error_message);
    window->service->transport = transport;

    const QSignalBlocker quiet(window->deviceCombo);
    window->deviceCombo->addItem(board->portPath());
    window->deviceCombo->setCurrentIndex(window->deviceCombo->count() - 1);
}

bool MainCommandsTest::finished()
{
    return QTest::qWaitFor([this] { return !window->commandRunning(); }, 10000);
}

bool MainCommandsTest::read()
{
    readAction()->setChecked(true);
    window->on_action_ICGUI_triggered();
    if (!finished())
        return false;
    if (!catcher->texts().isEmpty())
        qWarning("caught: %s", qPrintable(catcher->caught()));
    return catcher->texts().isEmpty();
}

// Starts a one-register-at-a-time read on a board paced at `baud`; true once
// the board has answered the first registers.
bool MainCommandsTest::startSlowRead(int baud)
{
    set("ReadStyle", 0);
    board->setPacing(baud);
    readAction()->setChecked(true);
    window->on_action_ICGUI_triggered();
    return window->commandRunning()
           && QTest::qWaitFor([this] { return board->frames().size() >= 2; });
}

// Every bound widget shows its field's bits of `regs`; status lamps and
// read-only line edits too when `displays` is set.
void MainCommandsTest::compareWidgets(const QByteArray &regs, bool displays)
{
    int compared = 0;
    for (const part *field : qAsConst(map->fields)) {
        if (isDisplay(*field) && !displays)
            continue;
        auto *label = qobject_cast<QLabel *>(field->widget);
        if (label && field->width == 1 && !label->isEnabled()) {
            QVERIFY2(sameImage(label, ":/Bulb-disabled.png"), qPrintable(field->name));
            continue;
        }
        QCOMPARE(QString::number(shownValue(*field)) + ' ' + field->name,
                 QString::number(fieldValue(*field, regs)) + ' ' + field->name);
        ++compared;
    }
    QVERIFY(compared > 400);
}

// ---- IC to GUI, GUI to IC, files ------------------------------------------

void MainCommandsTest::readFillsEveryWidget_data()
{
    QTest::addColumn<int>("readStyle");
    QTest::addColumn<bool>("byTrigger");
    QTest::newRow("one register at a time, slot") << 0 << false;
    QTest::newRow("address list, action triggered") << 1 << true;
    QTest::newRow("auto-increment range, slot") << 2 << false;
}

void MainCommandsTest::readFillsEveryWidget()
{
    QFETCH(int, readStyle);
    QFETCH(bool, byTrigger);
    set("ReadStyle", readStyle);
    set("RepeatRead", 0);
    const QByteArray regs = showablePattern(*map, quint32(11 + readStyle));
    board->setRegisters(regs);

    if (byTrigger) {
        readAction()->setChecked(false);
        readAction()->trigger();
    } else {
        readAction()->setChecked(true);
        window->on_action_ICGUI_triggered();
    }
    QVERIFY(window->commandRunning());
    QVERIFY(progressShown());
    QVERIFY(finished());

    COMPARE_CAUGHT(catcher->texts(), QStringList());
    QCOMPARE(bytes(map->rd), regs);
    QCOMPARE(bytes(map->wr), regs);
    COMPARE_WIDGETS(regs, true);
    QVERIFY(!readAction()->isChecked());
    QVERIFY(!progressShown());
    QCOMPARE(window->progressBar->value(), 100);
}

void MainCommandsTest::writeSendsWhatTheWidgetsShow_data()
{
    QTest::addColumn<int>("writeStyle");
    QTest::addColumn<bool>("changesOnly");
    QTest::addColumn<bool>("readBack");
    QTest::newRow("whole map, one register at a time") << 0 << false << false;
    QTest::newRow("whole map, address list") << 1 << false << false;
    QTest::newRow("whole map, auto-increment range") << 2 << false << false;
    QTest::newRow("changes only, address list, read back") << 1 << true << true;
    QTest::newRow("changes only, one register at a time") << 0 << true << false;
}

void MainCommandsTest::writeSendsWhatTheWidgetsShow()
{
    QFETCH(int, writeStyle);
    QFETCH(bool, changesOnly);
    QFETCH(bool, readBack);
    board->setRegisters(showablePattern(*map, 21));
    QVERIFY(read());

    // The user sets every field to a new value, widget by widget.
    const QByteArray wanted = showablePattern(*map, 22);
    for (const part *field : qAsConst(map->fields)) {
        const int value = int(fieldValue(*field, wanted));
        if (auto *box = qobject_cast<QCheckBox *>(field->widget))
            box->setChecked(field->inverted ? !value : value);
        else if (auto *combo = qobject_cast<QComboBox *>(field->widget))
            combo->setCurrentIndex(value);
        else if (auto *spin = qobject_cast<QSpinBox *>(field->widget))
            spin->setValue(value);
    }

    set("WriteStyle", writeStyle);
    set("ChangesOnly", changesOnly);
    set("InteractiveRefresh", readBack);
    if (writeStyle == 2)
        board->setWriteFrames(SpiBoardModel::WriteFrames::Ranges);
    window->on_action_GUIIC_triggered();
    QVERIFY(window->commandRunning());
    QVERIFY(finished());

    COMPARE_CAUGHT(catcher->texts(), QStringList());
    QCOMPARE(board->registers(), bytes(map->wr));
    QCOMPARE(board->registerValue(lpfRegister), quint8(0));
    for (const part *field : qAsConst(map->fields)) {
        // Without a read-back the autocalibration register's fields still
        // show what was sent before the worker cleared it.
        if (isDisplay(*field) || (!readBack && touchesRegister(*field, lpfRegister)))
            continue;
        QCOMPARE(QString::number(fieldValue(*field, board->registers())) + ' ' + field->name,
                 QString::number(shownValue(*field)) + ' ' + field->name);
    }
    if (readBack)
        QCOMPARE(bytes(map->rd), board->registers());
}

void MainCommandsTest::filesThroughTheDialogs()
{
    const QByteArray saved = showablePattern(*map, 31);
    board->setRegisters(saved);
    QVERIFY(read());
    set("ChangesOnly", 0);
    QByteArray inFile = saved;
    inFile[lpfRegister] = 0;

    // GUI to file.
    const QString path = QDir::current().absoluteFilePath("saved.hex");
    catcher->answerFileDialogs(path);
    window->on_action_GUIFILE_triggered();
    QVERIFY(finished());
    COMPARE_CAUGHT(catcher->texts(), QStringList{"Save .hex"});
    QVERIFY(QFile::exists(path));
    QCOMPARE(window->windowTitle(), baseTitle);
    catcher->clear();

    // Something else in the GUI, then file to GUI brings the file back.
    board->setRegisters(showablePattern(*map, 32));
    QVERIFY(read());
    window->on_action_FILEGUI_triggered();
    QCOMPARE(window->worker->filePath, path);
    QVERIFY(finished());
    COMPARE_CAUGHT(catcher->texts(), QStringList{"Open .hex"});
    QCOMPARE(window->windowTitle(), baseTitle + "  " + path);
    QCOMPARE(window->startDir, QDir::currentPath() + '/');
    QCOMPARE(bytes(map->wr), inFile);
    QCOMPARE(bytes(map->cfg), inFile);
    COMPARE_WIDGETS(inFile, false);
    for (const part *display : qAsConst(window->displayFields)) {
        const QString name = display->widget->objectName();
        if (auto *label = qobject_cast<QLabel *>(display->widget)) {
            if (display->width == 1)
                QVERIFY2(sameImage(label, ":/Bulb-disabled.png"), qPrintable(name));
            else
                QCOMPARE(label->text(), QString("n/a"));
        } else if (auto *edit = qobject_cast<QLineEdit *>(display->widget)) {
            QCOMPARE(edit->text() == "n/a", !name.contains("_Expression"));
        }
    }
    catcher->clear();

    // File to chip, then the chip is read back unasked.
    board->setRegisters(QByteArray(registerCount, 0));
    set("CfgAutoread", 1);
    readAction()->setChecked(false);
    QSignalSpy reads(window.get(), &MainClass::Command_ICGUI);
    window->on_action_FILEIC_triggered();
    QVERIFY(finished());
    COMPARE_CAUGHT(catcher->texts(), QStringList{"Open .hex"});
    QCOMPARE(board->registers(), inFile);
    QCOMPARE(reads.count(), 1);
    QCOMPARE(window->worker->command, 1);
    QCOMPARE(bytes(map->rd), inFile);
    COMPARE_WIDGETS(inFile, true);
    QCOMPARE(window->windowTitle(), baseTitle + "  " + path);
}

void MainCommandsTest::backslashesStayInTheFileName()
{
    // A legal file name here; a blind "\" to "/" would look for odd/name.hex.
    const QByteArray regs = showablePattern(*map, 41);
    const QString path = writeFile("odd\\name.hex", hexFile(regs));
    catcher->answerFileDialogs(path);
    window->on_action_FILEGUI_triggered();
    QCOMPARE(window->worker->filePath, QDir::fromNativeSeparators(path));
    QVERIFY(finished());
    COMPARE_CAUGHT(catcher->texts(), QStringList{"Open .hex"});
    QCOMPARE(bytes(map->wr), regs);
    QCOMPARE(window->windowTitle(), baseTitle + "  " + QDir::fromNativeSeparators(path));
    QCOMPARE(window->startDir, QDir::currentPath() + '/');
}

// A name typed without a suffix is saved as a ".hex" file, which the open
// dialogs then show.
void MainCommandsTest::savedNameGetsTheSuffix_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<bool>("existing");
    QTest::newRow("no suffix") << "typed" << "typed.hex" << false;
    QTest::newRow("no suffix, file there") << "typed" << "typed.hex" << true;
    QTest::newRow("ending in a dot") << "typed." << "typed.hex" << false;
    QTest::newRow("another suffix") << "typed.txt" << "typed.txt" << false;
    QTest::newRow("the suffix") << "typed.hex" << "typed.hex" << false;
}

void MainCommandsTest::savedNameGetsTheSuffix()
{
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    QFETCH(bool, existing);
    QTemporaryDir dir;
    const QString path = dir.filePath(saved);
    if (existing)
        writeFile(path, "old");
    set("ChangesOnly", 0);
    catcher->answerFileDialogs(dir.filePath(typed));
    window->on_action_GUIFILE_triggered();
    QVERIFY(finished());

    QCOMPARE(window->worker->filePath, path);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{saved});
    QVERIFY(readFile(path).startsWith(";KV2260.2\n"));
    QStringList asked = catcher->texts();
    QCOMPARE(asked.takeFirst(), QString("Save .hex"));
    QCOMPARE(asked.size(), existing ? 1 : 0);
}

void MainCommandsTest::cancelledDialogChangesNothing_data()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<QString>("caption");
    QTest::newRow("file to GUI") << &MainClass::on_action_FILEGUI_triggered << "Open .hex";
    QTest::newRow("file to IC") << &MainClass::on_action_FILEIC_triggered << "Open .hex";
    QTest::newRow("GUI to file") << &MainClass::on_action_GUIFILE_triggered << "Save .hex";
}

void MainCommandsTest::cancelledDialogChangesNothing()
{
    QFETCH(Request, request);
    QFETCH(QString, caption);
    const QString startDir = window->startDir;
    catcher->answerFileDialogs(QString());
    (window.get()->*request)();
    COMPARE_CAUGHT(catcher->texts(), QStringList{caption});
    QVERIFY(!window->commandRunning());
    QVERIFY(!progressShown());
    QCOMPARE(window->startDir, startDir);
    QCOMPARE(window->windowTitle(), baseTitle);
}

// ---- Busy state and routing -----------------------------------------------

void MainCommandsTest::requestDuringACommand_data()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<bool>("warns");
    QTest::newRow("GUI to IC (F10)") << &MainClass::on_action_GUIIC_triggered << true;
    QTest::newRow("file to IC (F9)") << &MainClass::on_action_FILEIC_triggered << true;
    QTest::newRow("file to GUI (F7)") << &MainClass::on_action_FILEGUI_triggered << true;
    QTest::newRow("load default (F5)") << &MainClass::on_action_load_default_triggered << true;
    QTest::newRow("IC to GUI (F11)") << &MainClass::on_action_ICGUI_triggered << true;
    QTest::newRow("GUI to file (F6)") << &MainClass::on_action_GUIFILE_triggered << false;
}

void MainCommandsTest::requestDuringACommand()
{
    QFETCH(Request, request);
    QFETCH(bool, warns);
    QVERIFY(startSlowRead(2400));  // about 4 s for the whole map
    CommandSpies commands(window.get());
    catcher->answerFileDialogs(writeFile("any.hex", hexFile(QByteArray(registerCount, 0))));

    (window.get()->*request)();
    QCOMPARE(status(), warns ? busyText : QString());
    QVERIFY(window->worker->interrupt);
    QVERIFY(window->commandRunning());
    QVERIFY(progressShown());
    QCOMPARE(window->worker->command, 1);

    // The read stops at its next register and reports it.
    QVERIFY(finished());
    COMPARE_CAUGHT(catcher->texts(), QStringList{"Error: Interrupted"});
    QVERIFY(!window->worker->interrupt);
    QCOMPARE(status(), QString());
    QVERIFY(!progressShown());
    QVERIFY(board->frames().size() < registerCount);
    QCOMPARE(commands.total(), 0);
}

void MainCommandsTest::commandStartedWhileADialogIsOpen_data()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("warns");
    QTest::newRow("file to GUI") << &MainClass::on_action_FILEGUI_triggered << "Open .hex" << true;
    QTest::newRow("file to IC") << &MainClass::on_action_FILEIC_triggered << "Open .hex" << true;
    QTest::newRow("GUI to file") << &MainClass::on_action_GUIFILE_triggered << "Save .hex" << false;
}

// The file dialog runs an event loop of its own, in which the repeat timer
// of the periodic read may start a read; the file command chosen afterwards
// must not run alongside it.
void MainCommandsTest::commandStartedWhileADialogIsOpen()
{
    QFETCH(Request, request);
    QFETCH(QString, caption);
    QFETCH(bool, warns);
    const QByteArray regs = showablePattern(*map, 121);
    board->setRegisters(regs);
    set("ReadStyle", 0);
    board->setPacing(38400);  // about a quarter of a second
    // A file to load, or a new name to save under.
    const QString path = warns ? writeFile("chosen.hex", hexFile(showablePattern(*map, 122)))
                               : QDir::current().absoluteFilePath("unsaved.hex");
    catcher->answerFileDialogs(path);
    CommandSpies commands(window.get());

    readAction()->setChecked(true);
    QTimer::singleShot(0, window.get(), &MainClass::on_action_ICGUI_triggered);
    (window.get()->*request)();
    QVERIFY(window->commandRunning());
    QCOMPARE(window->worker->command, 1);
    QCOMPARE(status(), warns ? busyText : QString());
    QCOMPARE(commands.total(), commands.readChip.count());

    // The read was asked to stop, as by any request during a command.
    QVERIFY(finished());
    COMPARE_CAUGHT(catcher->texts(), (QStringList{caption, "Error: Interrupted"}));
    QVERIFY(warns || !QFile::exists(path));
    QCOMPARE(window->windowTitle(), baseTitle);
}

void MainCommandsTest::reportsWhileIdle_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fromTransport");
    QTest::addColumn<bool>("box");
    QTest::addColumn<QString>("statusAfter");
    QTest::addColumn<bool>("interruptAfter");
    const QString before = "before";
    QTest::newRow("Warning: Write_Byte error")
        << "Warning: Write_Byte error" << false << true << before << true;
    QTest::newRow("Warning: Write_Increment error")
        << "Warning: Write_Increment error" << false << true << before << true;
    QTest::newRow("Error: Interrupted") << "Error: Interrupted" << false << true << QString() << false;
    QTest::newRow("Interrupted alone, from a transport")
        << "Interrupted" << true << false << before << true;
    QTest::newRow("Interrupted alone, called directly")
        << "Interrupted" << false << false << before << true;
    QTest::newRow("Warning with Interrupted")
        << "Warning: Interrupted" << false << false << "Warning: Interrupted" << true;
    QTest::newRow("empty text") << "" << false << false << before << true;
    QTest::newRow("transport error") << "Error: waitForReadyRead" << true << true << before << true;
}

void MainCommandsTest::reportsWhileIdle()
{
    QFETCH(QString, text);
    QFETCH(bool, fromTransport);
    QFETCH(bool, box);
    QFETCH(QString, statusAfter);
    QFETCH(bool, interruptAfter);
    board->setRegisters(showablePattern(*map, 51));
    QVERIFY(read());
    // Marks that a replayed completion of the read would wipe out.
    const part *field = map->fields.value("CDIV_R_KV2260v2");
    QVERIFY(field);
    auto *spin = qobject_cast<QSpinBox *>(field->widget);
    QVERIFY(spin);
    const int shown = spin->value() + 1;
    {
        const QSignalBlocker quiet(spin);
        spin->setValue(shown);
    }
    window->progressBar->setValue(42);
    window->statusBar()->showMessage("before");
    window->worker->interrupt = true;

    if (fromTransport)
        emit window->service->transport->send_message(text);
    else
        window->error_message(text);
    QTest::qWait(30);

    COMPARE_CAUGHT(catcher->texts(), box ? QStringList{text} : QStringList());
    QCOMPARE(status(), statusAfter);
    QCOMPARE(bool(window->worker->interrupt), interruptAfter);
    QCOMPARE(spin->value(), shown);
    QCOMPARE(window->progressBar->value(), 42);
    QVERIFY(!window->commandRunning());
    QVERIFY(!progressShown());
}

void MainCommandsTest::transportErrorsDoNotEndTheCommand()
{
    // A changed register that the board will not take, written one at a time:
    // the transport and the worker each report it mid-command.
    board->setRegisters(showablePattern(*map, 61));
    QVERIFY(read());
    auto *box = qobject_cast<QCheckBox *>(map->fields.value("ECO_MD_KV2260v2")->widget);
    QVERIFY(box);
    box->toggle();
    set("WriteStyle", 0);
    set("ChangesOnly", 1);
    set("InteractiveRefresh", 0);
    board->setFault(Stm32BoardEmulator::Fault::Silent);
    setReplyTimeout(silenceTimeoutMs);
    window->progressBar->setValue(0);

    bool runningAtBox = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (QApplication::activeModalWidget())
            runningAtBox = runningAtBox || window->commandRunning();
    });
    watch.start(1);
    window->on_action_GUIIC_triggered();
    QVERIFY(finished());
    watch.stop();

    // The worker's notice, and the transport's text for the changed register
    // and for the clearing of the autocalibration register; the worker's
    // final report says the register was not written.
    QStringList texts = catcher->texts();
    QVERIFY2(texts.removeAll("Warning: Write_Byte error") == 1, qPrintable(catcher->caught()));
    QVERIFY2(texts.size() == 3, qPrintable(catcher->caught()));
    for (const QString &text : qAsConst(texts))
        QVERIFY2(text.startsWith("Error: "), qPrintable(text));
    QVERIFY2(texts.contains("Error: 1 of 1 registers not written"), qPrintable(catcher->caught()));
    QVERIFY(runningAtBox);
    QVERIFY(!window->commandRunning());
    QVERIFY(!progressShown());

    // A transport text in the middle of a read: a box, and the read goes on.
    board->setFault(Stm32BoardEmulator::Fault::None);
    setReplyTimeout(answerTimeoutMs);
    catcher->clear();
    const QByteArray regs = showablePattern(*map, 62);
    board->setRegisters(regs);
    QVERIFY(startSlowRead(38400));
    emit window->service->transport->send_message("Error: Can not connect");
    COMPARE_CAUGHT(catcher->texts(), QStringList{"Error: Can not connect"});
    QVERIFY(window->commandRunning());
    QVERIFY(progressShown());
    QVERIFY(finished());
    QCOMPARE(bytes(map->rd), regs);
    COMPARE_WIDGETS(regs, true);
}

// The worker's texts are translated; each routes as its English text does.
void MainCommandsTest::workerReportsRouteInEitherLanguage_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<QString>("text");
    const QString russian = ":/Translations/template_ru.qm";
    QTest::newRow("English, board fails") << QString() << false << "Interface error 5 ";
    QTest::newRow("Russian, board fails")
        << russian << false << QString::fromUtf8("Ошибка подключения 5 ");
    QTest::newRow("English, stopped") << QString() << true << "Error: Interrupted";
    QTest::newRow("Russian, stopped") << russian << true << QString::fromUtf8("Error: Прервано");
}

void MainCommandsTest::workerReportsRouteInEitherLanguage()
{
    QFETCH(QString, catalogue);
    QFETCH(bool, stopped);
    QFETCH(QString, text);
    QTranslator translator;
    if (!catalogue.isEmpty()) {
        QVERIFY(translator.load(catalogue));
        QCoreApplication::installTranslator(&translator);
    }
    // The whole map, one register at a time, then a read-back.
    set("ChangesOnly", 0);
    set("WriteStyle", 0);
    set("InteractiveRefresh", 1);
    CommandSpies commands(window.get());
    if (stopped) {
        board->setPacing(2400);  // about 4 s for the whole map
    } else {
        board->setFault(Stm32BoardEmulator::Fault::Silent);
        setReplyTimeout(silenceTimeoutMs);
    }

    window->on_action_GUIIC_triggered();
    if (stopped) {
        QVERIFY(QTest::qWaitFor([this] { return board->frames().size() >= 2; }));
        window->on_action_GUIIC_triggered();
        QCOMPARE(status(), busyText);
    }
    QVERIFY(finished());

    // An error: shown in a box, the command ends without its completion
    // steps (no progress 100, no read-back); a stop clears the request and
    // the busy warning.
    QVERIFY2(catcher->texts().contains(text), qPrintable(catcher->caught()));
    QVERIFY(!progressShown());
    QVERIFY(window->progressBar->value() < 100);
    QCOMPARE(commands.total(), 1);
    QCOMPARE(window->worker->command, 2);
    if (stopped) {
        COMPARE_CAUGHT(catcher->texts(), QStringList{text});
        QVERIFY(!window->worker->interrupt);
        QCOMPARE(status(), QString());
    }
}

// A read that ends in an error leaves the action released, so that one
// press reads again; only repeated reads of a board that answered (with a
// reply the transport could not take) go on by themselves.
void MainCommandsTest::failedCommandReleasesReadAction_data()
{
    QTest::addColumn<int>("repeat");
    QTest::addColumn<Stm32BoardEmulator::Fault>("fault");
    QTest::addColumn<bool>("goesOn");
    QTest::newRow("silent board") << 0 << Stm32BoardEmulator::Fault::Silent << false;
    QTest::newRow("silent board, repeated reads") << 1 << Stm32BoardEmulator::Fault::Silent << false;
    QTest::newRow("long replies") << 0 << Stm32BoardEmulator::Fault::Long << false;
    QTest::newRow("long replies, repeated reads") << 1 << Stm32BoardEmulator::Fault::Long << true;
}

void MainCommandsTest::failedCommandReleasesReadAction()
{
    QFETCH(int, repeat);
    QFETCH(Stm32BoardEmulator::Fault, fault);
    QFETCH(bool, goesOn);
    set("RepeatRead", repeat);
    set("AutoPause", 0);
    board->setFault(fault);
    setReplyTimeout(silenceTimeoutMs);
    CommandSpies commands(window.get());

    readAction()->setChecked(true);
    window->on_action_ICGUI_triggered();
    if (goesOn) {
        QTRY_VERIFY(commands.readChip.count() >= 2);
        QVERIFY(readAction()->isChecked());
        QVERIFY2(catcher->texts().contains("Error: Read transaction failed."), qPrintable(catcher->caught()));
        readAction()->setChecked(false);
        window->on_action_ICGUI_triggered();
        QVERIFY(finished());
        QTest::qWait(20);
        QVERIFY(!window->commandRunning());
        return;
    }
    QVERIFY(finished());
    QVERIFY2(catcher->texts().contains("Error: Read transaction failed."), qPrintable(catcher->caught()));
    QVERIFY(!readAction()->isChecked());
    QTest::qWait(20);
    QCOMPARE(commands.readChip.count(), 1);

    // One press reads the board, which answers again.
    board->setFault(Stm32BoardEmulator::Fault::None);
    setReplyTimeout(answerTimeoutMs);
    catcher->clear();
    readAction()->trigger();
    QVERIFY(finished());
    QCOMPARE(commands.readChip.count(), 2);
    COMPARE_CAUGHT(catcher->texts(), QStringList());
}

// The title names a file only once it has loaded.
void MainCommandsTest::refusedLoadKeepsTheTitle_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("text");
    QTest::newRow("broken line") << "broken.hex" << QByteArray(";KV2260.2\nReg5\tzz\n")
                                 << "Error: .hex unexpected value at line 2";
    QTest::newRow("unknown map") << "other.hex" << QByteArray(";KV2270.2\nReg5\t1F\n")
                                 << "Error: unexpected RegMap name: KV2270v2";
    QTest::newRow("firmware image")
        << "firmware.hex"
        << QByteArray(":10010000214601360121470136007EFE09D2190140\n:00000001FF\n")
        << "Error: %1 holds no register line and no map line";
    QTest::newRow("default missing") << "" << QByteArray() << "";
}

void MainCommandsTest::refusedLoadKeepsTheTitle()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, text);
    const QString earlier = baseTitle + "  earlier.hex";
    window->setWindowTitle(earlier);
    const RegImage image = map->wr;
    if (file.isEmpty()) {
        window->on_action_load_default_triggered();
        text = "Error: default.hex file is not available.\nPlease, add any one.";
    } else {
        const QString path = writeFile(file, content);
        catcher->answerFileDialogs(path);
        window->on_action_FILEGUI_triggered();
        text.replace("%1", path);
    }
    QVERIFY(finished());
    QVERIFY2(catcher->texts().contains(text), qPrintable(catcher->caught()));
    QCOMPARE(window->windowTitle(), earlier);
    QVERIFY(map->wr == image);
}

void MainCommandsTest::deviceStaysWhileACommandRuns_data()
{
    QTest::addColumn<bool>("search");
    QTest::newRow("another device chosen") << false;
    QTest::newRow("device search") << true;
}

void MainCommandsTest::deviceStaysWhileACommandRuns()
{
    QFETCH(bool, search);
    const QByteArray regs = showablePattern(*map, 71);
    board->setRegisters(regs);
    canal *inUse = window->service->transport;
    window->deviceCombo->addItem("ttyUSB7");
    QCOMPARE(window->service->transport, inUse);
    QVERIFY(startSlowRead(38400));  // about a quarter of a second

    if (search)
        window->searchButton->click();
    else
        window->deviceCombo->setCurrentIndex(window->deviceCombo->count() - 1);
    QVERIFY(status().startsWith("Warning: "));
    QCOMPARE(window->service->transport, inUse);
    QCOMPARE(window->deviceCombo->currentText(), board->portPath());
    QVERIFY(!window->worker->interrupt);

    // The read goes on to its end on the same board.
    QVERIFY(finished());
    COMPARE_CAUGHT(catcher->texts(), QStringList());
    QCOMPARE(bytes(map->rd), regs);
    QCOMPARE(window->service->transport, inUse);
    QCOMPARE(window->deviceCombo->currentText(), board->portPath());
}

void MainCommandsTest::staleStopRequestIsForgotten_data()
{
    QTest::addColumn<bool>("write");
    QTest::newRow("GUI to IC") << true;
    QTest::newRow("IC to GUI") << false;
}

void MainCommandsTest::staleStopRequestIsForgotten()
{
    QFETCH(bool, write);
    const QByteArray regs = showablePattern(*map, 81);
    set("ReadStyle", 0);
    set("WriteStyle", 0);
    set("ChangesOnly", 0);
    set("InteractiveRefresh", 0);
    // Unchecking the read action between two reads asks a stop that no
    // command consumes.
    readAction()->setChecked(false);
    window->on_action_ICGUI_triggered();
    QVERIFY(window->worker->interrupt);

    if (write) {
        board->setRegisters(QByteArray(registerCount, 0));
        map->wr.assign(regs.begin(), regs.end());
        window->on_action_GUIIC_triggered();
    } else {
        board->setRegisters(regs);
        QVERIFY(read());
    }
    QVERIFY(finished());
    COMPARE_CAUGHT(catcher->texts(), QStringList());
    QByteArray expected = regs;
    if (write)
        expected[lpfRegister] = 0;
    QCOMPARE(board->registers(), expected);
    if (!write)
        QCOMPARE(bytes(map->rd), regs);
}

// ---- Closing -------------------------------------------------------------

void MainCommandsTest::closingStopsTheWorker_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<bool>("silent");
    QTest::newRow("read from a slow board") << false << false;
    QTest::newRow("read from a board gone silent") << false << true;
    QTest::newRow("write to a board gone silent") << true << true;
}

void MainCommandsTest::closingStopsTheWorker()
{
    QFETCH(bool, write);
    QFETCH(bool, silent);
    if (write) {
        // Three changed registers, written one at a time: each failure is
        // reported while the worker goes on to the next.
        board->setRegisters(showablePattern(*map, 111));
        QVERIFY(read());
        QSet<int> registers;
        for (const part *field : qAsConst(map->fields)) {
            auto *box = qobject_cast<QCheckBox *>(field->widget);
            if (box && registers.size() < 3 && !registers.contains(field->startBit / 8)
                && !touchesRegister(*field, lpfRegister)) {
                registers.insert(field->startBit / 8);
                box->toggle();
            }
        }
        QCOMPARE(registers.size(), 3);
        set("WriteStyle", 0);
        set("ChangesOnly", 1);
        set("InteractiveRefresh", 0);
        window->on_action_GUIIC_triggered();
    } else {
        QVERIFY(startSlowRead(2400));  // about 4 s for the whole map
    }
    if (silent) {
        // The worker waits for replies that never come while the window goes.
        board->setFault(Stm32BoardEmulator::Fault::Silent);
        QTest::qWait(60);
    }
    QVERIFY(window->commandRunning());

    QElapsedTimer clock;
    clock.start();
    window->close();
    window.reset();
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    // The worker has stopped: the board hears nothing more.
    const int frames = board->frames().size();
    QTest::qWait(100);
    QCOMPARE(board->frames().size(), frames);
    // Nothing of it reaches the user once the window has closed.
    COMPARE_CAUGHT(catcher->texts(), QStringList());
}

void MainCommandsTest::closingDuringASaveKeepsTheFileWhole_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::newRow("at once") << 0;
    QTest::newRow("1 ms") << 1;
    QTest::newRow("5 ms") << 5;
    QTest::newRow("20 ms") << 20;
}

void MainCommandsTest::closingDuringASaveKeepsTheFileWhole()
{
    QFETCH(int, delayMs);
    board->setRegisters(showablePattern(*map, 91));
    QVERIFY(read());
    // Comments need the captions of the GUI thread while the worker saves.
    set("HexComment", 1);
    set("MergeFile", 0);
    set("ChangesOnly", 0);
    const QString reference = QDir::current().absoluteFilePath("reference.hex");
    catcher->answerFileDialogs(reference);
    window->on_action_GUIFILE_triggered();
    QVERIFY(finished());
    const QByteArray whole = readFile(reference);
    QVERIFY(whole.size() > 1000);

    const QByteArray old = hexFile(QByteArray(registerCount, 0x5A));
    const QString path = writeFile("closing.hex", old);
    catcher->answerFileDialogs(path);
    window->on_action_GUIFILE_triggered();
    QVERIFY(window->commandRunning());
    QThread::msleep(ulong(delayMs));
    window->close();
    window.reset();

    const QByteArray content = readFile(path);
    QVERIFY2(content == whole || content == old, content.left(200).constData());
    const QStringList leftovers = QDir::current().entryList({"closing.hex*"}, QDir::Files);
    QCOMPARE(leftovers, QStringList{"closing.hex"});
}

// ---- Function keys --------------------------------------------------------

void MainCommandsTest::functionKeys_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("fileLoads");
    QTest::addColumn<int>("defaultLoads");
    QTest::newRow("F7 in the main window") << "MainClass" << QList<int>{Qt::Key_F7} << 1 << 0;
    QTest::newRow("F7 in a service panel") << "GrServA" << QList<int>{Qt::Key_F7} << 1 << 0;
    QTest::newRow("F8 in a service panel") << "grAOK" << QList<int>{Qt::Key_F8} << 0 << 0;
    QTest::newRow("F6 with F5 held in a service panel")
        << "GrEnable" << QList<int>{Qt::Key_F5, Qt::Key_F6} << 0 << 2;
    QTest::newRow("F7 in the register table") << "mapshow" << QList<int>{Qt::Key_F7} << 0 << 0;
}

void MainCommandsTest::functionKeys()
{
    QFETCH(QString, where);
    QFETCH(QList<int>, keys);
    QFETCH(int, fileLoads);
    QFETCH(int, defaultLoads);
    const QByteArray regs = showablePattern(*map, 101);
    const QString path = writeFile("keys.hex", hexFile(regs));
    // The default load sets the title only when it succeeds.
    writeFile("default.hex", hexFile(regs));
    const std::unique_ptr<const char, void (*)(const char *)> removeDefault(
        "default.hex", [](const char *name) { QFile::remove(name); });
    catcher->answerFileDialogs(path);
    CommandSpies commands(window.get());
    const QString earlier = baseTitle + "  earlier.hex";
    window->setWindowTitle(earlier);

    QWidget *target = window->windows.value(where);
    QVERIFY(target);
    target->show();
    QApplication::setActiveWindow(target);
    QVERIFY(QTest::qWaitForWindowActive(target));
    // The keys go where the user's keys go: to the window's focus widget.
    QWidget *receiver = QApplication::focusWidget();
    if (!receiver || receiver->window() != target)
        receiver = target;
    for (int key : qAsConst(keys)) {
        QTest::keyPress(receiver, Qt::Key(key));
        QVERIFY(finished());
    }
    for (int i = keys.size() - 1; i >= 0; --i)
        QTest::keyRelease(receiver, Qt::Key(keys[i]));
    QVERIFY(finished());

    QCOMPARE(commands.fileToGui.count(), fileLoads);
    QCOMPARE(commands.loadDefault.count(), defaultLoads);
    QCOMPARE(commands.total(), fileLoads + defaultLoads);
    QVERIFY(!catcher->texts().contains("Save .hex"));
    if (fileLoads) {
        COMPARE_CAUGHT(catcher->texts(), QStringList{"Open .hex"});
        QCOMPARE(window->windowTitle(), baseTitle + "  " + path);
        QCOMPARE(bytes(map->wr), regs);
    } else if (defaultLoads) {
        QCOMPARE(window->windowTitle(), baseTitle);
    } else {
        COMPARE_CAUGHT(catcher->texts(), QStringList());
        QCOMPARE(window->windowTitle(), earlier);
    }
}

KV_TEST_MAIN(MainCommandsTest)
#include "tst_maincommands.moc"
