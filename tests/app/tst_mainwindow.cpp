#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QSet>
#include <QSignalSpy>
#include <QTableView>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>
#include <functional>
#include <memory>

#include "ChannelStatus.h"
#include "FormWalk.h"
#include "KV2260_stm32_API.h"
#include "MainClass.h"
#include "ModalCatcher.h"
#include "RegMap.h"
#include "ReplyTimeouts.h"
#include "Stm32BoardEmulator.h"
#include "TestMain.h"
#include "mapshow.h"
#include "service_block.h"
#include "ui_MainClass.h"

namespace {

const QString missingDefault = "Error: default.hex file is not available.\nPlease, add any one.";
void writeFile(const QString &name, const QByteArray &content)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

RegMap *chipMap(MainClass &window)
{
    return window.mapshowWindow->regMaps.value("KV2260v2");
}

// Runs `seen` whenever the watched widget is sent a paint event.
class PaintProbe : public QObject
{
public:
    PaintProbe(QWidget *watched, std::function<void(const QPaintEvent &)> seen)
        : seen(std::move(seen))
    {
        watched->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            seen(*static_cast<QPaintEvent *>(event));
        return false;
    }

private:
    std::function<void(const QPaintEvent &)> seen;
};

QStringList cells(MainClass &window, int channel)
{
    QStringList texts;
    for (int quantity = 1; quantity <= 7; ++quantity)
        texts << window.findChild<QLineEdit *>(QString("control_%1_%2").arg(channel).arg(quantity))->text();
    return texts;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void startsWithoutDefaultFile();
    void startsWithDefaultFile();
    void windowMapAndHiddenControls();
    void everyFieldIsBoundOnce();
    void settingsSeededAtStart();
    void closingMainWindowClosesEveryWindow();
    void refreshAnnouncesOnlyChangedCells();
    void fieldEditAnnouncesSingleCells();
    void completionPaintsThroughTheEventLoop();

    void statusDecoding_data();
    void statusDecoding();
    void readoutScansChosenChannels_data();
    void readoutScansChosenChannels();
    void readoutKeepsCellsOfFailedChannel();
    void readoutStopsAtFirstFailure();
    void readoutWithoutTransportDoesNothing();

private:
    void useEmulator(MainClass &window, Stm32BoardEmulator &board);
};

void MainWindowTest::cleanup()
{
    QFile::remove("default.hex");
}

void MainWindowTest::useEmulator(MainClass &window, Stm32BoardEmulator &board)
{
    delete window.service->transport;
    auto *transport = new KV2260_stm32_API;
    transport->deviceName = board.portPath();
    connect(transport, &canal::send_message, &window, &MainClass::error_message);
    window.service->transport = transport;
}

void MainWindowTest::startsWithoutDefaultFile()
{
    ModalCatcher boxes;
    MainClass window;
    QCOMPARE(window.windowTitle(), QString("KV2260v2 CE 1.0.2"));
    QVERIFY(window.commandRunning());
    QTRY_VERIFY(!window.commandRunning());
    QTRY_COMPARE(boxes.texts(), QStringList{missingDefault});
}

void MainWindowTest::startsWithDefaultFile()
{
    writeFile("default.hex", ";KV2260.2\nReg0\t80\nReg78\tE0\n");
    ModalCatcher boxes;
    MainClass window;
    QTRY_VERIFY(!window.commandRunning());
    COMPARE_CAUGHT(boxes.texts(), QStringList());
    RegMap *map = chipMap(window);
    QCOMPARE(map->wr[0], quint8(0x80));
    QCOMPARE(map->cfg[78], quint8(0xE0));
    // After a file load the widgets show the file and the read-only
    // displays say that nothing was read.
    QCOMPARE(qobject_cast<QComboBox *>(map->fields.value("IFA1_MD_KV2260v2")->widget)->currentIndex(), 7);
    QCOMPARE(window.findChild<QLineEdit *>("KV_ID_KV2260v2_0_13")->text(), QString("n/a"));
    QVERIFY(window.ui->toolBar_optional->actions().last()->isVisible() == false);
}

void MainWindowTest::windowMapAndHiddenControls()
{
    ModalCatcher boxes;
    MainClass window;
    QTRY_VERIFY(!window.commandRunning());
    QCOMPARE(window.windows.keys(),
             QStringList({"GrEnable", "GrServA", "GrServB", "GrServC", "GrServD", "GrServiceClock",
                          "GrServiceLPF", "GrTest", "GrThynA", "GrThynB", "MainClass", "grAOK",
                          "grLostW", "grSPL", "help", "interactiveMap", "mapshow", "service"}));
    QStringList visibleOptional;
    for (QAction *action : window.ui->toolBar_optional->actions())
        if (action->isVisible())
            visibleOptional << action->objectName();
    QCOMPARE(visibleOptional, QStringList({"action_ExpertMode", "actionCalkExe"}));
    QVERIFY(window.ui->toolBar_RegWindow->isHidden());
    for (const char *name : {"ButtonGrServA", "ButtonGrServiceClock", "ButtonGrThynB", "ButtongrLostW",
                             "groupBox_LPF_CAL", "KV_SVLI_KV2260v2_60_1", "KV_Ch_StNumSel_KV2260v2_42_2",
                             "KV_IFA_GainSt_KV2260v2_72p80_2p5"})
        QVERIFY2(window.findChild<QWidget *>(name)->isHidden(), name);
    QVERIFY(!window.findChild<QWidget *>("ButtongrAOK")->isHidden());
    for (QWidget *panel : window.windows)
        if (panel != &window)
            QVERIFY(panel->isHidden());
}

void MainWindowTest::everyFieldIsBoundOnce()
{
    ModalCatcher boxes;
    MainClass window;
    QTRY_VERIFY(!window.commandRunning());
    RegMap *map = chipMap(window);
    QCOMPARE(window.mapshowWindow->regMaps.size(), 1);
    QCOMPARE(map->regCount, 128);
    QCOMPARE(map->mapNumber, quint8(0));
    QCOMPARE(map->fields.size(), 445);
    int boundWidgets = 0;
    for (QWidget *root : window.windows)
        boundWidgets += registerBoundWidgets(root).size();
    QCOMPARE(boundWidgets, 445);

    for (const part *field : map->fields) {
        QWidget *widget = field->widget;
        QCOMPARE(widget->toolTip(), MainClass::fieldPlaceText(field));
        if (QString(widget->metaObject()->className()) == "QSpinBox")
            QCOMPARE(static_cast<QSpinBox *>(widget)->maximum(), 2147483647);
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            QVERIFY(edit->isReadOnly());
    }
    const part *display = window.displayFields.value("IRC_DivR_KV2260v2");
    QVERIFY(display);
    QVERIFY(static_cast<QLineEdit *>(display->widget)->isReadOnly());
    QCOMPARE(display->widget->toolTip(), QString("Reg3 <D7-D1>"));
}

void MainWindowTest::settingsSeededAtStart()
{
    ModalCatcher boxes;
    MainClass window;
    QTRY_VERIFY(!window.commandRunning());
    QCOMPARE(window.service->settings.value("interfaceCheck"), 5);
    QCOMPARE(window.service->settings.value("ChangesOnly"), 1);
    QCOMPARE(window.service->settings.value("RepeatRead"), 0);
    QVERIFY(window.settingWidgets.contains("Setting_interfaceCheck"));
    // A settings check box stores 1 and 0, not its check state.
    auto *merge = qobject_cast<QCheckBox *>(window.settingWidgets.value("Setting_MergeFile"));
    merge->setChecked(true);
    QCOMPARE(window.service->settings.value("MergeFile"), 1);
    merge->setChecked(false);
    QCOMPARE(window.service->settings.value("MergeFile"), 0);
}

void MainWindowTest::closingMainWindowClosesEveryWindow()
{
    ModalCatcher boxes;
    MainClass window;
    QTRY_VERIFY(!window.commandRunning());
    window.show();
    QWidget *panel = window.windows.value("GrServA");
    QWidget *registers = window.windows.value("mapshow");
    panel->show();
    registers->show();
    panel->close();
    QVERIFY(window.isVisible());
    panel->show();
    window.close();
    QVERIFY(!panel->isVisible());
    QVERIFY(!registers->isVisible());
}

// After a read or load the register table is told of the cells whose
// bytes changed, one cell at a time (a change told over several cells makes
// the view repaint all of them), and of nothing else.
void MainWindowTest::refreshAnnouncesOnlyChangedCells()
{
    ModalCatcher boxes;
    MainClass window;
    QTRY_VERIFY(!window.commandRunning());
    RegMap *map = chipMap(window);
    const RegImage before = map->wr;
    std::fill(map->wr.begin(), map->wr.end(), quint8(0xA5));
    int expected = 0;
    for (size_t reg = 0; reg < before.size(); ++reg) {
        const quint8 changed = before[reg] ^ 0xA5;
        // The changed bits of the "wr" row, and its hex cell.
        for (int bit = 0; bit < 8; ++bit)
            expected += (changed >> bit) & 1;
        expected += changed ? 1 : 0;
    }
    QVERIFY(expected > 0);

    QSignalSpy repaints(map->view->model(), &QAbstractItemModel::dataChanged);
    window.refreshWidgetsFromMaps();
    QCOMPARE(repaints.count(), expected);
    for (const QList<QVariant> &repaint : qAsConst(repaints)) {
        const QModelIndex cell = repaint.at(0).toModelIndex();
        QCOMPARE(repaint.at(1).toModelIndex(), cell);
        QCOMPARE(cell.row() % 6, 2);  // only "wr" rows: rd and cfg stand
    }
    // The widgets store what they show back into the image.
    auto *combo = qobject_cast<QComboBox *>(map->fields.value("IFA1_MD_KV2260v2")->widget);
    QCOMPARE(combo->currentIndex(), 0xA5 >> 5);

    repaints.clear();
    window.refreshWidgetsFromMaps();
    QCOMPARE(repaints.count(), 0);
}

// An edit on the main window repaints the cells of the bits it changed and
// of their registers' hex cells, each told on its own, not the visible table.
void MainWindowTest::fieldEditAnnouncesSingleCells()
{
    ModalCatcher boxes;
    MainClass window;
    QTRY_VERIFY(!window.commandRunning());
    window.mapshowWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.mapshowWindow));
    RegMap *map = chipMap(window);
    auto *combo = qobject_cast<QComboBox *>(map->fields.value("IFA1_MD_KV2260v2")->widget);
    const RegImage before = map->wr;
    const int n = map->view->model()->columnCount() / 9;
    QSignalSpy repaints(map->view->model(), &QAbstractItemModel::dataChanged);
    combo->setCurrentIndex(combo->currentIndex() ^ 5);

    QSet<QPair<int, int>> expected;
    for (int reg = 0; reg < map->regCount; ++reg) {
        const quint8 changed = before[size_t(reg)] ^ map->wr[size_t(reg)];
        const int row = 6 * (reg / n) + 2, left = 9 * (reg % n);
        for (int position = 0; position < 8; ++position)
            if (changed & (0x80 >> position))
                expected.insert({row, left + position});
        if (changed)
            expected.insert({row, left + 8});
    }
    QCOMPARE(expected.size(), 3);  // two bits of one register and its hex cell
    QSet<QPair<int, int>> told;
    for (const QList<QVariant> &repaint : qAsConst(repaints)) {
        const QModelIndex cell = repaint.at(0).toModelIndex();
        QCOMPARE(repaint.at(1).toModelIndex(), cell);
        told.insert({cell.row(), cell.column()});
    }
    QCOMPARE(told, expected);
}

// The end of a load paints nothing by itself: what it changed is painted
// once, by the event loop.
void MainWindowTest::completionPaintsThroughTheEventLoop()
{
    writeFile("default.hex", ";KV2260.2\nReg0\t80\nReg78\tE0\n");
    ModalCatcher boxes;
    MainClass window;
    window.show();
    QTRY_VERIFY(!window.commandRunning());
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // While a command completes its progress bar is still on, though the
    // window no longer counts the command as running. The bar shows its
    // last value at once, which paints what is due; the window as a whole
    // is not painted then.
    QAction *progress = window.ui->toolBar_optional->actions().last();
    int wholePaintsInCompletion = 0;
    PaintProbe probe(&window, [&](const QPaintEvent &paint) {
        if (!window.commandRunning() && progress->isVisible()
            && (QRegion(window.rect()) - paint.region()).isEmpty())
            ++wholePaintsInCompletion;
    });
    window.on_action_load_default_triggered();
    QVERIFY(window.commandRunning());
    QTRY_VERIFY(!window.commandRunning());
    QVERIFY(!progress->isVisible());
    QCOMPARE(wholePaintsInCompletion, 0);
}

void MainWindowTest::statusDecoding_data()
{
    QTest::addColumn<int>("s9");
    QTest::addColumn<int>("s10");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("above, code 10") << 0x2A << 0x00
                                    << QStringList{">", "10", "11.85", "0", "9.65", "0", "-1.04"};
    QTest::newRow("fine code 31") << 0xC0 << 0xE1
                                  << QStringList{"+", "0", "2.35", "1", "10.46", "31", "2.75"};
    QTest::newRow("below") << 0x10 << 0x1F << QStringList{"<", "0", "2.35", "31", "67.96", "0", "-1.04"};
    QTest::newRow("both bits") << 0x3F << 0x00 << QStringList{"?", "15", "16.6", "0", "9.65", "0", "-1.04"};
}

void MainWindowTest::statusDecoding()
{
    QFETCH(int, s9);
    QFETCH(int, s10);
    QTEST(ChannelStatus::cellTexts(quint8(s9), quint8(s10)), "texts");
}

void MainWindowTest::readoutScansChosenChannels_data()
{
    QTest::addColumn<bool>("autoScan");
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<QList<int>>("channels");
    QTest::newRow("auto overrides boxes") << true << QList<int>{2} << QList<int>{0, 1, 2, 3};
    QTest::newRow("two boxes") << false << QList<int>{2, 4} << QList<int>{1, 3};
    QTest::newRow("none") << false << QList<int>{} << QList<int>{};
}

void MainWindowTest::readoutScansChosenChannels()
{
    QFETCH(bool, autoScan);
    QFETCH(QList<int>, boxes);
    QFETCH(QList<int>, channels);
    ModalCatcher catcher;
    MainClass window;
    QTRY_VERIFY(!window.commandRunning());
    QTRY_COMPARE(catcher.texts(), QStringList{missingDefault});
    catcher.clear();
    Stm32BoardEmulator board;
    board.setRegisterValue(9, 0x2A);
    board.setRegisterValue(10, 0x00);
    // The chip reports channel 3 and holds other bits in register 5, while
    // the selection widget still shows channel 1 from the start.
    const quint8 otherBits = 0x06;
    board.setRegisterValue(ChannelStatus::statusSelectRegister, 0x20 | otherBits);
    useEmulator(window, board);
    auto *selection = window.findChild<QComboBox *>("KV_Ch_StNumSel_KV2260v2_42_2");
    QCOMPARE(selection->currentIndex(), 0);
    window.findChild<QCheckBox *>("Auto_scan")->setChecked(autoScan);
    for (int k : boxes)
        window.findChild<QCheckBox *>(QString("Scan_%1").arg(k))->setChecked(true);

    board.clearFrames();
    window.ui->action_ICGUI->setChecked(true);
    window.on_action_ICGUI_triggered();
    QTRY_VERIFY(!window.commandRunning());

    // After the full read: per channel, register 5 written with that
    // channel's selection and the other bits as read, then registers 10 and
    // 9 read.
    QList<QByteArray> frames = board.frames();
    const int readFrames = frames.size() - 3 * channels.size();
    QVERIFY(readFrames > 0);
    frames = frames.mid(readFrames);
    for (int i = 0; i < channels.size(); ++i) {
        const quint8 select = quint8(channels[i] << 4 | otherBits);
        QCOMPARE(frames[3 * i], QByteArray::fromHex("150205") + QByteArray(1, char(select)));
        QCOMPARE(frames[3 * i + 1], QByteArray::fromHex("15028A00"));
        QCOMPARE(frames[3 * i + 2], QByteArray::fromHex("15028900"));
    }
    const QStringList reading = {">", "10", "11.85", "0", "9.65", "0", "-1.04"};
    for (int channel = 1; channel <= 4; ++channel)
        QCOMPARE(cells(window, channel) == reading, channels.contains(channel - 1));
    // Widget, image and chip end at the last channel scanned.
    const int last = channels.isEmpty() ? 2 : channels.last();
    const quint8 lastSelect = quint8(last << 4 | otherBits);
    QCOMPARE(selection->currentIndex(), last);
    QCOMPARE(chipMap(window)->wr[ChannelStatus::statusSelectRegister], lastSelect);
    QCOMPARE(board.registerValue(ChannelStatus::statusSelectRegister), lastSelect);
    COMPARE_CAUGHT(catcher.texts(), QStringList());
}

void MainWindowTest::readoutKeepsCellsOfFailedChannel()
{
    ModalCatcher catcher;
    MainClass window;
    QTRY_VERIFY(!window.commandRunning());
    QTRY_COMPARE(catcher.texts(), QStringList{missingDefault});
    catcher.clear();
    Stm32BoardEmulator board;
    useEmulator(window, board);
    for (int channel = 1; channel <= 4; ++channel)
        window.findChild<QLineEdit *>(QString("control_%1_1").arg(channel))->setText("old");

    // The board answers channel 1's three frames, then falls silent.
    board.setRegisterValue(9, 0x10);
    board.setFault(Stm32BoardEmulator::Fault::Silent, 3);
    window.service->transport->replyTimeout = answerTimeoutMs;
    window.refreshChannel(0);
    window.service->transport->replyTimeout = silenceTimeoutMs;
    window.refreshChannel(1);
    QCOMPARE(cells(window, 1).first(), QString("<"));
    QCOMPARE(cells(window, 2).first(), QString("old"));
    QVERIFY(!catcher.texts().isEmpty());
    QVERIFY2(catcher.texts().first().startsWith("Error: "), qPrintable(catcher.caught()));
}

// A board that falls silent right after the read: the readout of all four
// channels gives up after the first exchange, with one message.
void MainWindowTest::readoutStopsAtFirstFailure()
{
    ModalCatcher catcher;
    MainClass window;
    QTRY_VERIFY(!window.commandRunning());
    catcher.clear();
    Stm32BoardEmulator board;
    useEmulator(window, board);
    window.service->transport->replyTimeout = answerTimeoutMs;
    window.service->settings["ReadStyle"] = 2;
    window.findChild<QCheckBox *>("Auto_scan")->setChecked(false);
    window.ui->action_ICGUI->setChecked(true);
    window.on_action_ICGUI_triggered();
    QTRY_VERIFY(!window.commandRunning());
    const int readFrames = board.frames().size();
    COMPARE_CAUGHT(catcher.texts(), QStringList());

    board.clearFrames();
    // The board answers the read and falls silent for the readout: the
    // time-out stays the one for a board that answers.
    board.setFault(Stm32BoardEmulator::Fault::Silent, readFrames);
    window.findChild<QCheckBox *>("Auto_scan")->setChecked(true);
    for (int channel = 1; channel <= 4; ++channel)
        window.findChild<QLineEdit *>(QString("control_%1_1").arg(channel))->setText("old");
    window.ui->action_ICGUI->setChecked(true);
    window.on_action_ICGUI_triggered();
    QTRY_VERIFY(!window.commandRunning());

    QCOMPARE(board.frames().size(), readFrames + 1);
    COMPARE_CAUGHT(catcher.texts(), QStringList{"Error: waitForReadyRead"});
    for (int channel = 1; channel <= 4; ++channel)
        QCOMPARE(cells(window, channel).first(), QString("old"));
}

void MainWindowTest::readoutWithoutTransportDoesNothing()
{
    ModalCatcher catcher;
    MainClass window;
    QTRY_VERIFY(!window.commandRunning());
    QTRY_COMPARE(catcher.texts(), QStringList{missingDefault});
    catcher.clear();
    delete window.service->transport;
    window.service->transport = nullptr;
    window.findChild<QLineEdit *>("control_3_2")->setText("old");
    window.refreshChannel(2);
    QCOMPARE(window.findChild<QLineEdit *>("control_3_2")->text(), QString("old"));
    QCOMPARE(window.findChild<QComboBox *>("KV_Ch_StNumSel_KV2260v2_42_2")->currentIndex(), 2);
    COMPARE_CAUGHT(catcher.texts(), QStringList());
}

KV_TEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
