#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include "ModalCatcher.h"
#include "TestMain.h"
#include "WidgetBinding.h"

namespace {

// Counts the calls of the slots the binding connects.
class Receiver : public QObject
{
    Q_OBJECT
public:
    int values = 0;
    int settings = 0;
    int buttons = 0;
public slots:
    void change_Value(int) { ++values; }
    void change_Setting(int) { ++settings; }
    void Button_open_window_clicked() { ++buttons; }
};

// A binding that frees the records it made when it goes, as the main
// window, their owner, does.
struct OwningBinding : WidgetBinding
{
    using WidgetBinding::WidgetBinding;
    ~OwningBinding() { qDeleteAll(records); }
};

template <typename W>
W *add(QWidget *parent, const QString &name)
{
    auto *widget = new W(parent);
    widget->setObjectName(name);
    return widget;
}

} // namespace

class WidgetBindingTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fieldWidgetsAreBoundByClass();
    void displaysAndTheirTooltips();
    void panelButtonsNeedAWindowKey();
    void settingsSeedTheMap();
    void duplicateFieldNamesAreReported();
    void mapSizeCoversEveryPiece_data();
    void mapSizeCoversEveryPiece();
    void walkIsBreadthFirstInKeyOrder();

private:
    QMap<QString, QWidget *> windows;
    Receiver receiver;
};

void WidgetBindingTest::init()
{
    windows.insert("GrServA", new QWidget);
    windows.insert("MainClass", new QWidget);
    receiver.values = receiver.settings = receiver.buttons = 0;
}

void WidgetBindingTest::cleanup()
{
    qDeleteAll(windows);
    windows.clear();
}

void WidgetBindingTest::fieldWidgetsAreBoundByClass()
{
    QWidget *main = windows["MainClass"];
    auto *spin = add<QSpinBox>(main, "KV_SVLI_KV2260v2_60_1");
    auto *dspin = add<QDoubleSpinBox>(main, "KV_X_KV2260v2_40_8");
    auto *check = add<QCheckBox>(main, "KV_PLL_A_Ready_KV2260v2_898_1_I");
    auto *combo = add<QComboBox>(main, "KV_IFA1_MD_KV2260v2_624_3");
    auto *edit = add<QLineEdit>(main, "KV_ID_KV2260v2_0_13");
    auto *lamp = add<QLabel>(main, "KV_FREF_FAULT_KV2260v2_58_1_I");
    spin->setToolTip("from the form");
    dspin->setMaximum(50);

    OwningBinding binding(windows, &receiver);

    QCOMPARE(binding.fields.size(), 6);
    QCOMPARE(binding.fields.value("SVLI_KV2260v2")->widget, spin);
    QCOMPARE(spin->maximum(), 2147483647);
    QCOMPARE(spin->toolTip(), QString("Reg7 <D3>"));
    QCOMPARE(dspin->maximum(), 50.0);
    QCOMPARE(lamp->toolTip(), QString("Reg7 <D5>"));
    QVERIFY(edit->isReadOnly());
    QCOMPARE(binding.displayFields.keys(), QStringList({"FREF_FAULT_KV2260v2", "ID_KV2260v2"}));

    spin->setValue(5);
    check->setChecked(true);
    combo->addItem("a");
    dspin->setValue(3);
    QCOMPARE(receiver.values, 3);
}

void WidgetBindingTest::displaysAndTheirTooltips()
{
    QWidget *main = windows["MainClass"];
    add<QLabel>(main, "KV_IRC_DivR_KV2260v2_caption");
    add<QSpinBox>(main, "KV_IRC_DivR_KV2260v2_24_7");
    auto *display = add<QLineEdit>(main, "IRC_DivR_KV2260v2_Expression");
    auto *lowerCase = add<QLineEdit>(main, "LPF_KV2260v2_expression");
    auto *orphan = add<QLineEdit>(main, "NOPE_KV2260v2_Expression");
    orphan->setToolTip("kept");

    OwningBinding binding(windows, &receiver);

    QVERIFY(display->isReadOnly());
    QCOMPARE(binding.displayFields.value("IRC_DivR_KV2260v2")->widget, display);
    QCOMPARE(display->toolTip(), QString("Reg3 <D7-D1>"));
    QCOMPARE(binding.displayFields.value("LPF_KV2260v2_expression")->widget, lowerCase);
    QVERIFY(lowerCase->isReadOnly());
    QCOMPARE(orphan->toolTip(), QString("kept"));
    const part *blank = binding.displayFields.value("IRC_DivR_KV2260v2");
    QVERIFY(blank->name.isEmpty() && blank->bitStarts.empty() && blank->width == 0);
}

void WidgetBindingTest::panelButtonsNeedAWindowKey()
{
    QWidget *main = windows["MainClass"];
    auto *known = add<QPushButton>(main, "ButtonGrServA");
    auto *unknown = add<QPushButton>(main, "ButtonNoSuchPanel");
    auto *tool = add<QToolButton>(main, "ButtonGrServA2");
    tool->setObjectName("ButtonGrServA");

    OwningBinding binding(windows, &receiver);

    known->click();
    unknown->click();
    tool->click();
    QCOMPARE(receiver.buttons, 1);
}

void WidgetBindingTest::settingsSeedTheMap()
{
    QWidget *main = windows["MainClass"];
    auto *repeat = add<QCheckBox>(main, "Setting_RepeatRead");
    repeat->setChecked(true);
    auto *pause = add<QSpinBox>(main, "Setting_AutoPause");
    pause->setValue(7);
    auto *style = add<QComboBox>(main, "Setting_ReadStyle");
    style->addItems({"a", "b", "c"});
    style->setCurrentIndex(2);
    add<QCheckBox>(main, "setting_lower");
    add<QLabel>(main, "Setting_Caption");

    OwningBinding binding(windows, &receiver);

    QCOMPARE(binding.settings.value("RepeatRead"), 1);
    QCOMPARE(binding.settings.value("AutoPause"), 7);
    QCOMPARE(binding.settings.value("ReadStyle"), 2);
    QVERIFY(binding.settings.contains("setting_lower"));
    QVERIFY(!binding.settings.contains("Caption"));
    QCOMPARE(binding.settingWidgets.size(), 5);
    pause->setValue(8);
    repeat->setChecked(false);
    QCOMPARE(receiver.settings, 2);
}

void WidgetBindingTest::duplicateFieldNamesAreReported()
{
    add<QCheckBox>(windows["GrServA"], "KV_X_KV2260v2_40_1");
    auto *later = add<QCheckBox>(windows["MainClass"], "KV_X_KV2260v2_40_1");
    ModalCatcher boxes;
    OwningBinding binding(windows, &receiver);
    QCOMPARE(boxes.texts(), QStringList{QString::fromUtf8("Совпадение имён! X_KV2260v2")});
    QCOMPARE(binding.fields.value("X_KV2260v2")->widget, later);
}

void WidgetBindingTest::mapSizeCoversEveryPiece_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<int>("registers");
    QTest::newRow("ends at 1024") << "KV_LPF_DivR_KV2260v2_1018_6" << 128;
    QTest::newRow("ends at 1021") << "KV_X_KV2260v2_1020_1" << 128;
    QTest::newRow("ends at 1025") << "KV_X_KV2260v2_1020_5" << 129;
    // The second piece reaches further than first bit plus total width.
    QTest::newRow("split field") << "KV_X_KV2260v2_8p1030_1p2" << 129;
}

void WidgetBindingTest::mapSizeCoversEveryPiece()
{
    QFETCH(QString, objectName);
    add<QCheckBox>(windows["MainClass"], objectName);
    add<QCheckBox>(windows["MainClass"], "KV_Y_KV2260v2_0_1");
    OwningBinding binding(windows, &receiver);
    QTEST(WidgetBinding::registerCount(binding.chipBits.value("KV2260v2")), "registers");
}

void WidgetBindingTest::walkIsBreadthFirstInKeyOrder()
{
    // A deeper widget in the first window is met after a shallow one in the
    // second window: the later record of a duplicate wins.
    auto *box = add<QWidget>(windows["GrServA"], "box");
    add<QCheckBox>(box, "KV_X_KV2260v2_40_1");
    auto *shallow = add<QCheckBox>(windows["MainClass"], "KV_X_KV2260v2_40_1");
    ModalCatcher boxes;
    OwningBinding binding(windows, &receiver);
    QCOMPARE(boxes.texts().size(), 1);
    QVERIFY(binding.fields.value("X_KV2260v2")->widget != shallow);
}

KV_TEST_MAIN(WidgetBindingTest)
#include "tst_widgetbinding.moc"
