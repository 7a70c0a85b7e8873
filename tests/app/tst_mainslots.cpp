// The main window's window, language, theme and tool slots, and the refresh
// of every widget and display from the register image.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "FakePrograms.h"
#include "FieldRules.h"
#include "MainClass.h"
#include "ModalCatcher.h"
#include "RegMap.h"
#include "TestMain.h"
#include "help_block.h"
#include "interactiveMap.h"
#include "mapshow.h"
#include "service_block.h"
#include "ui_MainClass.h"

namespace {

RegMap *chipMap(MainClass &window)
{
    return window.mapshowWindow->regMaps.value("KV2260v2");
}

// Everything a language switch must leave as it was, per bound widget of
// the main form and the settings window.
struct FormState
{
    RegImage wr;
    QMap<QString, int> settings;
    QMap<QString, QVariant> values;
    QMap<QString, QStringList> items;
    QMap<QString, QString> tips;
    QString title;

    static FormState of(MainClass &window)
    {
        FormState state;
        state.wr = chipMap(window)->wr;
        state.settings = window.service->settings;
        state.title = window.windowTitle();
        for (QWidget *root : {static_cast<QWidget *>(&window), static_cast<QWidget *>(window.service)}) {
            for (QComboBox *box : root->findChildren<QComboBox *>()) {
                state.values[box->objectName()] = box->currentIndex();
                QStringList texts;
                for (int i = 0; i < box->count(); ++i)
                    texts << box->itemText(i);
                state.items[box->objectName()] = texts;
            }
            for (QSpinBox *spin : root->findChildren<QSpinBox *>())
                state.values[spin->objectName()] = spin->value();
            for (QCheckBox *box : root->findChildren<QCheckBox *>())
                state.values[box->objectName()] = box->isChecked();
            for (QLineEdit *edit : root->findChildren<QLineEdit *>(QRegularExpression("^(?!qt_)")))
                state.values[edit->objectName()] = edit->text();
            for (QWidget *widget : root->findChildren<QWidget *>())
                if (widget->objectName().startsWith("KV_"))
                    state.tips[widget->objectName()] = widget->toolTip();
        }
        return state;
    }
};

template <typename W>
W *field(MainClass &window, const QString &name)
{
    const part *record = chipMap(window)->fields.value(name);
    return record ? qobject_cast<W *>(record->widget) : nullptr;
}

} // namespace

class MainSlotsTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void windowActionsToggle_data();
    void windowActionsToggle();
    void themeAlternates();
    void languageSwitchKeepsEveryValue();
    void settingKeys();
    void fieldMarkOneAtATime();
    void fieldWindowComesBackFromMinimized();
    void missingCalculatorIsReported();
    void calculatorLeftToItself();
    void refreshRunsEveryRuleWithoutWritingBack();
    void interactiveMapMeetsMainWindow();
    void doubleClickTheWidgetCannotFollow_data();
    void doubleClickTheWidgetCannotFollow();

private:
    std::unique_ptr<ModalCatcher> boxes;
    std::unique_ptr<MainClass> window;
};

void MainSlotsTest::init()
{
    boxes = std::make_unique<ModalCatcher>();
    window = std::make_unique<MainClass>();
    QTRY_VERIFY(!window->commandRunning());
    boxes->clear();
}

void MainSlotsTest::cleanup()
{
    window.reset();
    boxes.reset();
}

void MainSlotsTest::windowActionsToggle_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("window");
    QTest::newRow("help") << "action_Help" << "help";
    QTest::newRow("register table") << "actionRegMap" << "mapshow";
    QTest::newRow("interactive map") << "action_RegTable" << "interactiveMap";
    QTest::newRow("settings") << "action_ExpertMode" << "service";
    QTest::newRow("panel button") << "ButtonGrServA" << "GrServA";
}

void MainSlotsTest::windowActionsToggle()
{
    QFETCH(QString, action);
    QFETCH(QString, window);
    QWidget *target = this->window->windows.value(window);
    QVERIFY(target);
    auto press = [&] {
        if (auto *act = this->window->findChild<QAction *>(action))
            act->trigger();
        else
            this->window->findChild<QAbstractButton *>(action)->click();
    };

    press();
    QVERIFY(target->isVisible());
    press();
    QVERIFY(!target->isVisible());

    // Minimized only: restored, not hidden.
    target->show();
    target->setWindowState(Qt::WindowMinimized);
    press();
    QCOMPARE(target->windowState(), Qt::WindowNoState);
    QVERIFY(target->isVisible());

    // Minimized and maximized at once counts as shown: hidden.
    target->setWindowState(Qt::WindowMinimized | Qt::WindowMaximized);
    press();
    QVERIFY(!target->isVisible());
}

void MainSlotsTest::themeAlternates()
{
    const QString formSheet = window->styleSheet();
    QVERIFY(!formSheet.contains("bg-1.png"));
    QVERIFY(QFile::exists(":/bg-1.png"));
    QVERIFY(QFile::exists(":/bg2-min.png"));

    window->ui->action_Light->trigger();
    const QString dark = window->styleSheet();
    QVERIFY(dark.contains("url(:/bg-1.png)"));
    QVERIFY(!dark.contains('\n'));
    window->ui->action_Light->trigger();
    const QString light = window->styleSheet();
    QVERIFY(light.contains("url(:/bg2-min.png)"));
    QVERIFY(light != formSheet);
    window->ui->action_Light->trigger();
    QCOMPARE(window->styleSheet(), dark);
}

void MainSlotsTest::languageSwitchKeepsEveryValue()
{
    window->refreshWidgetsFromMaps();
    // A configuration away from the form's defaults, in the image, in combo
    // boxes the rules rewrite, and in the settings.
    for (const char *name : {"IFA1_MD_KV2260v2", "CLK_OT_KV2260v2", "SVLI_KV2260v2",
                             "PLL_A_LO_Source_KV2260v2", "IFA2_OT_KV2260v2"}) {
        if (auto *box = field<QComboBox>(*window, name))
            box->setCurrentIndex(box->count() - 1);
        else if (auto *spin = field<QSpinBox>(*window, name))
            spin->setValue(1);
    }
    for (const char *name : {"Setting_ReadStyle", "Setting_WriteStyle"}) {
        auto *box = qobject_cast<QComboBox *>(window->settingWidgets.value(name));
        QVERIFY(box);
        box->setCurrentIndex(2);
    }
    QCOMPARE(window->service->settings.value("WriteStyle"), 2);
    window->setWindowTitle("KV2260v2 CE 1.0.2  /tmp/some.hex");
    const FormState before = FormState::of(*window);

    window->ui->action_Language->trigger();
    QCOMPARE(window->ui->action_Language->text(), QString::fromUtf8("Ру"));
    const FormState russian = FormState::of(*window);
    QCOMPARE(russian.wr, before.wr);
    QCOMPARE(russian.settings, before.settings);
    QCOMPARE(russian.values, before.values);
    QCOMPARE(russian.tips, before.tips);
    QCOMPARE(russian.title, before.title);
    QVERIFY(russian.items != before.items);

    window->ui->action_Language->trigger();
    QCOMPARE(window->ui->action_Language->text(), QString("En"));
    const FormState english = FormState::of(*window);
    QCOMPARE(english.wr, before.wr);
    QCOMPARE(english.settings, before.settings);
    QCOMPARE(english.values, before.values);
    QCOMPARE(english.items, before.items);
    QCOMPARE(english.tips, before.tips);
    QCOMPARE(english.title, before.title);
    QVERIFY(boxes->texts().isEmpty());
}

void MainSlotsTest::settingKeys()
{
    auto *autoread = qobject_cast<QCheckBox *>(window->settingWidgets.value("Setting_CfgAutoread"));
    QVERIFY(autoread);
    autoread->setChecked(false);
    QCOMPARE(window->service->settings.value("CfgAutoread"), 0);
    autoread->setChecked(true);
    QCOMPARE(window->service->settings.value("CfgAutoread"), 1);

    // Every "Setting_" goes, however often the name holds it.
    QSpinBox twice;
    twice.setObjectName("Setting_Setting_Twice");
    window->settingWidgets.insert(twice.objectName(), &twice);
    connect(&twice, QOverload<int>::of(&QSpinBox::valueChanged), window.get(), &MainClass::change_Setting);
    twice.setValue(7);
    QCOMPARE(window->service->settings.value("Twice"), 7);
    window->settingWidgets.remove(twice.objectName());
}

void MainSlotsTest::fieldMarkOneAtATime()
{
    QWidget *panelField = field<QWidget>(*window, "IFA1_MD_KV2260v2");
    auto *indicator = window->ui->KV_SVFI_KV2260v2_61_1;
    const QString indicatorSheet = indicator->styleSheet();
    QVERIFY(!indicatorSheet.isEmpty());

    emit window->interactiveWindow->fokus_widget(indicator);
    QVERIFY(window->isVisible());
    QVERIFY(indicator->styleSheet().contains("#FFA500"));
    QVERIFY(indicator->styleSheet().startsWith(indicatorSheet.trimmed()));

    emit window->interactiveWindow->fokus_widget(panelField);
    QCOMPARE(indicator->styleSheet(), indicatorSheet);
    QCOMPARE(panelField->styleSheet(), QString("background-color: #FFA500;"));
    QVERIFY(window->windows.value(panelField->window()->objectName())->isVisible());

    // A widget outside every known window is neither shown nor marked.
    QLineEdit stray;
    emit window->interactiveWindow->fokus_widget(&stray);
    QVERIFY(stray.styleSheet().isEmpty());
    QCOMPARE(panelField->styleSheet(), QString("background-color: #FFA500;"));
}

void MainSlotsTest::fieldWindowComesBackFromMinimized()
{
    QWidget *panelField = field<QWidget>(*window, "IFA1_MD_KV2260v2");
    QWidget *panel = window->windows.value(panelField->window()->objectName());
    QVERIFY(panel);
    const QList<Qt::WindowStates> states = {Qt::WindowMinimized,
                                            Qt::WindowMinimized | Qt::WindowMaximized};
    for (Qt::WindowStates state : states) {
        panel->show();
        panel->setWindowState(state);
        emit window->interactiveWindow->fokus_widget(panelField);
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->windowState(), state & ~Qt::WindowMinimized);
    }
    panel->hide();
}

void MainSlotsTest::missingCalculatorIsReported()
{
    QTemporaryDir empty;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", empty.path().toLocal8Bit());
    window->ui->actionCalkExe->trigger();
    qputenv("PATH", path);
    QCOMPARE(boxes->texts(), QStringList{QString::fromUtf8("Не найден стандартный калькулятор!")});
}

// The slot starts the calculator and returns at once, keeping no process
// object and showing nothing.
void MainSlotsTest::calculatorLeftToItself()
{
    FakePrograms programs;
    QVERIFY(programs.add("calc1"));
    QElapsedTimer clock;
    clock.start();
    window->ui->actionCalkExe->trigger();
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QTRY_VERIFY_WITH_TIMEOUT(programs.ran("calc1"), 5000);
    QCOMPARE(window->findChildren<QProcess *>().size(), 0);
    QCOMPARE(boxes->texts(), QStringList());
}

void MainSlotsTest::refreshRunsEveryRuleWithoutWritingBack()
{
    RegMap *map = chipMap(*window);
    auto *svliDisplay = window->findChild<QLineEdit *>("SVLI_KV2260v2_Expression");
    QVERIFY(svliDisplay);
    // A display whose field keeps its value is filled all the same.
    svliDisplay->clear();
    quint32 seed = 7;
    for (quint8 &byte : map->wr) {
        seed = seed * 1103515245u + 12345u;
        byte = quint8(seed >> 16);
    }
    const RegImage image = map->wr;
    window->refreshWidgetsFromMaps();
    QCOMPARE(map->wr, image);
    QCOMPARE(svliDisplay->text(), FieldRules::supplyLevelText(map->getBits(60, 1)));

    // Every display already shows what the rules give: running them again
    // changes nothing.
    QMap<QString, QString> shown;
    const QList<QLineEdit *> displays = window->findChildren<QLineEdit *>(QRegularExpression("^(?!qt_)"));
    for (QLineEdit *edit : displays)
        shown[edit->objectName()] = edit->text() + (edit->isEnabled() ? "" : " (off)");
    FieldRules(map, &window->displayFields, window.get()).applyAll();
    for (QLineEdit *edit : displays)
        QCOMPARE(edit->text() + (edit->isEnabled() ? "" : " (off)"), shown.value(edit->objectName()));
    QCOMPARE(map->wr, image);
}

void MainSlotsTest::interactiveMapMeetsMainWindow()
{
    RegMap *map = chipMap(*window);
    auto *view = window->interactiveWindow->findChild<QTableView *>();
    QVERIFY(view && view->model());
    QAbstractItemModel *grid = view->model();

    // A refresh from the image repaints the grid once, as a whole.
    QSignalSpy repaints(grid, &QAbstractItemModel::dataChanged);
    window->refreshWidgetsFromMaps();
    QCOMPARE(repaints.count(), 1);

    // While a command runs, a double-click on a bit leaves the image alone.
    const RegImage image = map->wr;
    const QModelIndex bit = grid->index(0, 0);
    window->ui->action_ICGUI->setChecked(true);
    window->on_action_ICGUI_triggered();
    QVERIFY(window->commandRunning());
    view->doubleClicked(bit);
    QCOMPARE(map->wr, image);
    QTRY_VERIFY(!window->commandRunning());
    boxes->clear();
    view->doubleClicked(bit);
    QVERIFY(map->wr != image);

    // The two command buttons run the main window's commands.
    window->interactiveWindow->findChild<QPushButton *>("Custom_GUIIC_Interactive")->click();
    QVERIFY(window->commandRunning());
    QTRY_VERIFY(!window->commandRunning());
    window->ui->action_ICGUI->setChecked(false);
    window->interactiveWindow->findChild<QPushButton *>("Custom_ICGUI_Interactive")->click();
    QVERIFY(window->ui->action_ICGUI->isChecked());
    QVERIFY(window->commandRunning());
    QTRY_VERIFY(!window->commandRunning());

    // Its reports reach the user.
    boxes->clear();
    emit window->interactiveWindow->send_message("Error: wrong IC setting");
    QCOMPARE(boxes->texts(), QStringList{"Error: wrong IC setting"});
}

void MainSlotsTest::doubleClickTheWidgetCannotFollow_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("value");  // the field's value before the double-click
    QTest::addColumn<int>("bit");    // global bit double-clicked
    QTest::addColumn<int>("result"); // the field's value afterwards; -1: refused
    // CDIV_R: bits 91 (16) to 95 (1), its spin box starts at 8.
    QTest::newRow("spin box to 0 from its minimum") << "CDIV_R" << 8 << 92 << -1;
    QTest::newRow("spin box below its minimum") << "CDIV_R" << 9 << 92 << -1;
    QTest::newRow("spin box above its minimum") << "CDIV_R" << 8 << 91 << 24;
    QTest::newRow("spin box at its minimum") << "CDIV_R" << 12 << 93 << 8;
    // NDIV_R_A: bits 336 (256) to 344 (1), and its twin of synthesizer B.
    QTest::newRow("N-divider A") << "NDIV_R_A" << 8 << 341 << -1;
    QTest::newRow("N-divider B") << "NDIV_R_B" << 15 << 373 << -1;
    // LNA1_FC: bits 580 (2) and 581 (1), three items.
    QTest::newRow("combo code without item") << "LNA1_FC" << 1 << 580 << -1;
    QTest::newRow("combo code with item") << "LNA1_FC" << 0 << 580 << 2;
}

void MainSlotsTest::doubleClickTheWidgetCannotFollow()
{
    QFETCH(QString, field);
    QFETCH(int, value);
    QFETCH(int, bit);
    QFETCH(int, result);
    RegMap *map = chipMap(*window);
    const QString name = field + "_KV2260v2";
    const part *record = map->fields.value(name);
    QWidget *widget = record->widget;
    const auto shown = [widget] {
        if (auto *spin = qobject_cast<QSpinBox *>(widget))
            return spin->value();
        return qobject_cast<QComboBox *>(widget)->currentIndex();
    };
    const int first = int(record->bitStarts[0]);
    const int width = int(record->width);
    // The value as a register file gives it.
    map->setBits(first, width, quint32(value));
    map->setWidgetValue(name, map->wr);
    QCOMPARE(shown(), value);
    QCOMPARE(map->getBits(first, width), value);
    const RegImage image = map->wr;
    auto *view = window->interactiveWindow->findChild<QTableView *>();
    window->statusBar()->clearMessage();

    view->doubleClicked(view->model()->index(bit / 8, bit % 8));

    if (result < 0) {
        QCOMPARE(map->wr, image);
        QCOMPARE(shown(), value);
        QCOMPARE(window->statusBar()->currentMessage(),
                 "Warning: " + field + " cannot take this value; the bit is left as it was");
    } else {
        QCOMPARE(shown(), result);
        QCOMPARE(map->getBits(first, width), result);
        QVERIFY(window->statusBar()->currentMessage().isEmpty());
    }
    QVERIFY(boxes->texts().isEmpty());
}

KV_TEST_MAIN_ENGLISH(MainSlotsTest)
#include "tst_mainslots.moc"
