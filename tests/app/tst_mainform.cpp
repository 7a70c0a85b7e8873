#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSpinBox>
#include <QToolBar>
#include <QTranslator>
#include <memory>

#include "FormWalk.h"
#include "TestMain.h"
#include "mapshow.h"
#include "ui_MainClass.h"

using Numbers = std::vector<unsigned>;
Q_DECLARE_METATYPE(Numbers)

namespace {

const QString chip = QStringLiteral("KV2260v2");

// First bit and width of each piece of a placement written "R0[7:0] R1[7:3]"
// (one piece over two registers) or "R12[7] + R12[4]" (two pieces).
void placementBits(const QString &placement, Numbers &starts, Numbers &widths)
{
    static const QRegularExpression span(R"(R(\d+)\[(\d+)(?::(\d+))?\])");
    for (const QString &piece : placement.split('+')) {
        unsigned start = 0, width = 0;
        auto spans = span.globalMatch(piece);
        for (bool first = true; spans.hasNext(); first = false) {
            const auto m = spans.next();
            const unsigned reg = m.captured(1).toUInt(), high = m.captured(2).toUInt();
            const unsigned low = m.captured(3).isEmpty() ? high : m.captured(3).toUInt();
            if (first)
                start = reg * 8 + 7 - high;
            width += high - low + 1;
        }
        starts.push_back(start);
        widths.push_back(width);
    }
}

// The same placement moved by whole registers (the channel and synthesizer
// copies repeat the first one's fields a fixed number of registers higher).
QString shifted(const QString &placement, int registers)
{
    static const QRegularExpression reg(R"(R(\d+))");
    QString out;
    int last = 0;
    for (auto it = reg.globalMatch(placement); it.hasNext();) {
        const auto m = it.next();
        out += placement.mid(last, m.capturedStart() - last);
        out += 'R' + QString::number(m.captured(1).toInt() + registers);
        last = m.capturedEnd();
    }
    return out + placement.mid(last);
}

// Tool tip the form writes for most fields: "<field>: Reg<n>+<bit> (<width>)\n".
QString placeTip(const QString &field, unsigned firstBit, unsigned width)
{
    return QString("%1: Reg%2+%3 (%4)\n").arg(field).arg(firstBit / 8).arg(7 - firstBit % 8).arg(width);
}

const char *const rule = "rule";

struct ChannelField
{
    const char *field;     // with %1 for the channel digit
    const char *className;
    const char *placement; // channel 1
    const char *tip;       // rule, "" for none, or the field as the tip writes it
    int tipWidth;          // 0: the field's own width
};

// One channel's widgets; channel n lies 7 registers above channel n - 1.
const ChannelField channelFields[] = {
    {"Ch%1_EN", "QCheckBox", "R13[0]", rule, 0},
    {"SPL_Ch%1", "QCheckBox", "R13[2]", rule, 0},
    {"Mix%1_LSB", "QComboBox", "R13[1]", rule, 0},
    {"LPF_code%1_reg", "QSpinBox", "R14[6:0]", rule, 0},
    {"IFA%1_OT", "QComboBox", "R15[0]", rule, 0},
    {"IFA%1_OP", "QComboBox", "R15[2:1]", rule, 0},
    {"RF%1_AGC_MD", "QComboBox", "R15[4]", rule, 0},
    {"IFA%1_AGC_MD", "QComboBox", "R15[3]", rule, 0},
    {"RF%1_AGC_UB", "QComboBox", "R16[7:4]", "RF%1_agc_UB", 0},
    {"RF%1_AGC_LB", "QComboBox", "R16[3:0]", "RF%1_agc_LB", 0},
    {"IFA%1_AmpLvl", "QComboBox", "R15[6]", rule, 0},
    {"RF%1_Gain", "QSpinBox", "R17[7:4]", rule, 0},
    {"IFA%1_ManGC", "QSpinBox", "R17[1:0] R18[7:5]", "IFA%1_ManGC", 10},
    {"IFA%1_Gain", "QSpinBox", "R18[4:0]", "", 0},
    {"IFA%1_ResLoad", "QCheckBox", "R15[5]", rule, 0},
    {"IFA%1_ADC_LVDS", "QComboBox", "R19[4]", "", 0},
    {"IFA%1_ADC_Clk", "QComboBox", "R19[3:2]", rule, 0},
    {"IFA%1_ADC_OL", "QComboBox", "R19[1:0]", rule, 0},
};

struct SynthField
{
    const char *field; // with %1 for the synthesizer letter
    const char *className;
    const char *placement; // synthesizer A
    bool inverted;
};

// One synthesizer's widgets; B lies 4 registers above A.
const SynthField synthFields[] = {
    {"PLL_%1_EN", "QCheckBox", "R41[0]", false},
    {"PLL_%1_Band", "QComboBox", "R41[2:1]", false},
    {"NDIV_R_%1", "QSpinBox", "R42[7:0] R43[7]", false},
    {"RDIV_R_%1", "QSpinBox", "R43[6:3]", false},
    {"NDIV_R_%1_EXT", "QCheckBox", "R43[2]", false},
    {"SAS_EXE_%1", "QCheckBox", "R43[0]", false},
    {"Vco%1_CVH", "QLabel", "R44[1]", true},
    {"Vco%1_CVL", "QLabel", "R44[2]", true},
    {"LD_LI_%1_reg", "QLabel", "R44[0]", false},
};

QString objectNameOf(const QString &field, const Numbers &starts, const Numbers &widths, bool inverted)
{
    QStringList bits, sizes;
    for (size_t i = 0; i < starts.size(); ++i) {
        bits << QString::number(starts[i]);
        sizes << QString::number(widths[i]);
    }
    return QString("KV_%1_%2_%3_%4%5").arg(field, chip, bits.join('p'), sizes.join('p'),
                                          inverted ? "_I" : "");
}

const QStringList upperThresholds = {
    "-45.2 dBm", "-43.9 dBm", "-42.8 dBm", "-41.9 dBm", "-41.1 dBm", "-40.5 dBm",
    "-39.8 dBm", "-39.2 dBm", "-38.8 dBm", "-38.3 dBm", "-37.9 dBm", "-37.5 dBm",
    "-37.1 dBm", "-36.7 dBm", "-36.4 dBm", "-36.0 dBm"};
const QStringList lowerThresholds = {
    "-48.4 dBm", "-47 dBm", "-46 dBm", "-45.2 dBm", "-44.5 dBm", "-43.9 dBm", "-43.3 dBm",
    "-42.8 dBm", "-42.3 dBm", "-42 dBm", "-41.5 dBm", "-41.1 dBm", "-40.8 dBm",
    "-40.4 dBm", "-40.1 dBm", "-39.8 dBm"};

struct ActionSpec
{
    const char *name, *text, *englishText, *toolTip, *englishToolTip, *shortcut, *icon;
    bool checkable;
};

const ActionSpec actionSpecs[] = {
    {"action_load_default", "Сброс ПО", "Default", "Загрузить дефолт (F5)", "Load default.hex (F5)", "F5", ":/rel.png", false},
    {"action_GUIFILE", "ПО -> Файл", "GUI -> File", "ПО -> Файл (F6)", "Save GUI to File (F6)", "F6", ":/disk.png", false},
    {"action_FILEGUI", "Файл -> ПО", "File ->GUI", "Файл -> ПО (F7)", "Load file into GUI", "F7", ":/in.png", false},
    {"action_FILEIC", "Файл -> ИС", "File -> IC", "Файл -> ИС (F9)", "File -> IC (F9)", "F9", ":/file_ic.png", false},
    {"action_GUIIC", "ПО -> ИС", "GUI -> IC", "ПО -> ИС (F10)", "Writet GUI state to IC (F10)", "F10", ":/ic_write.png", false},
    {"action_ICGUI", "ИС -> ПО", "IC -> GUI", "ИС -> ПО (F11)", "Read IC state to GUI (F11)", "F11", ":/ic_read.png", true},
    {"action_ExpertMode", "Настройки ПО", "Service settings", "", "", "", ":/setting.png", false},
    {"actionCalkExe", "Калькулятор", "Калькулятор", "", "", "", ":/calculator.png", false},
    {"action_Help", "Help", "Help", "Help", "Help", "F1", ":/help.png", false},
    {"action_Light", "Light", "Light", "", "", "", ":/black_or_white.png", false},
    {"action_Language", "En", "En", "Language", "Language", "", "", false},
    {"actionRegMap", "RegMap", "RegMap", "", "", "", ":/regmap.png", false},
    {"action_RegTable", "RegTable", "RegTable", "", "", "", ":/regtable.png", false},
};

} // namespace

class MainFormTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void boundFields_data();
    void boundFields();
    void everyFieldOnceAndNothingElse();
    void fieldsStartEmpty();
    void comboItems_data();
    void comboItems();
    void checkBoxTexts_data();
    void checkBoxTexts();
    void captions_data();
    void captions();
    void derivedDisplays();
    void channelStatusGrid();
    void panelButtons_data();
    void panelButtons();
    void actions_data();
    void actions();
    void toolBars();
    void windowFrame();
    void namedWindowKeepsItsName();
    void englishTranslation();
    void russianAfterEnglish();
    void retranslateKeepsSelections();

private:
    template <class T> T *child(const QString &name) const
    {
        return window.findChild<T *>(name);
    }
    void setLanguage(const QString &qm);

    QMainWindow window;
    Ui::MainClass ui;
    std::unique_ptr<QTranslator> translator;
};

void MainFormTest::initTestCase()
{
    ui.setupUi(&window);
}

void MainFormTest::setLanguage(const QString &qm)
{
    if (translator)
        QCoreApplication::removeTranslator(translator.get());
    translator.reset();
    if (!qm.isEmpty()) {
        translator.reset(new QTranslator);
        QVERIFY(translator->load(qm));
        QCoreApplication::installTranslator(translator.get());
    }
    ui.retranslateUi(&window);
}

void MainFormTest::boundFields_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("field");
    QTest::addColumn<Numbers>("bitStarts");
    QTest::addColumn<Numbers>("widths");
    QTest::addColumn<bool>("inverted");
    QTest::addColumn<QString>("toolTip");

    // tipField: the field as the tool tip names it, "" for no tool tip;
    // tipText overrides the generated text.
    auto add = [](const QString &field, const char *className, const QString &placement,
                  const QString &tipField, bool inverted = false, int tipWidth = 0) {
        Numbers starts, widths;
        placementBits(placement, starts, widths);
        unsigned total = 0;
        for (unsigned w : widths)
            total += w;
        const QString tip = tipField.isEmpty()
                                ? QString()
                                : placeTip(tipField, starts.front(), tipWidth ? tipWidth : total);
        const QString name = objectNameOf(field, starts, widths, inverted);
        QTest::newRow(qPrintable(name)) << name << className << field + "_" + chip << starts
                                        << widths << inverted << tip;
    };

    // General settings, LPF calibration, temperature, channel status, clock.
    add("ID", "QLineEdit", "R0[7:0] R1[7:3]", "ID");
    add("Release", "QLineEdit", "R1[2:0]", "Release");
    add("Version_revision", "QLineEdit", "R2[7:5]", "");
    add("SOFT_RESET", "QCheckBox", "R2[3]", "SOFT_RESET");
    add("Mode", "QComboBox", "R2[1:0]", "Mode");
    add("ECO_MD", "QCheckBox", "R2[2]", "ECO_MD");
    add("IRC_DivR", "QSpinBox", "R3[7:1]", "IRC_DivR");
    add("FREF_FAULT", "QLabel", "R7[5]", "FREF_FAULT", true);
    add("LO_Source", "QComboBox", "R3[0]", "LO_Source");
    add("SV1p8_Source", "QComboBox", "R2[4]", "");
    add("SVFI", "QCheckBox", "R7[2]", "");
    add("SVLI", "QSpinBox", "R7[3]", "");
    add("LPF_EXE", "QCheckBox", "R4[0]", "LPF_EXE");
    add("CFAS_OK", "QLabel", "R4[1]", "CFAS_OK");
    add("TS_EXE", "QCheckBox", "R5[0]", "TS_EXE");
    add("TS_MD", "QComboBox", "R5[1]", "TS_MD");
    add("TS_code", "QSpinBox", "R7[1:0] R8[7:0]", "TS_code");
    add("AOK", "QLabel", "R7[4]", "AOK");
    add("RF_agc_Up", "QCheckBox", "R9[4]", "RF_agc_Up");
    add("RF_agc_Down", "QCheckBox", "R9[5]", "RF_agc_Down");
    add("Ch_StNumSel", "QComboBox", "R5[5:4]", "Ch_StNumSel");
    add("RF_GainSt", "QSpinBox", "R9[3:0]", "RF_GainSt");
    add("IFA_ManGCSt", "QSpinBox", "R10[4:0]", "");
    add("CLK_Source", "QComboBox", "R12[6:5]", "CLK_Source");
    add("RO_CLK_R", "QComboBox", "R11[7:6]", "RO_CLK_R");
    add("CDIV_R_EXT", "QCheckBox", "R11[5]", "CDIV_R_EXT");
    add("CDIV_R", "QSpinBox", "R11[4:0]", "CDIV_R");
    add("CLK_OT", "QComboBox", "R12[7] + R12[4]", "");
    add("CFB_CC", "QComboBox", "R12[3:2]", "CFB_CC");
    add("CFB_OL", "QComboBox", "R12[1:0]", "CFB_OL");
    {
        // The two-piece status field names both of its pieces in its tip.
        const QString name = "KV_IFA_GainSt_KV2260v2_72p80_2p5";
        Numbers starts, widths;
        placementBits("R9[7:6] + R10[7:3]", starts, widths);
        QTest::newRow(qPrintable(name)) << name << "QSpinBox" << "IFA_GainSt_KV2260v2" << starts
                                        << widths << false
                                        << "IFA_GainSt: Reg9+7 (2) + Reg10+7 (5)\n";
    }

    for (int n = 1; n <= 4; ++n) {
        for (const ChannelField &f : channelFields) {
            const QString tip = f.tip;
            const QString tipField = tip.isEmpty() ? QString()
                                     : tip == rule ? QString(f.field).arg(n)
                                                   : tip.arg(n);
            add(QString(f.field).arg(n), f.className, shifted(f.placement, 7 * (n - 1)), tipField,
                false, f.tipWidth);
        }
    }
    for (int s = 0; s < 2; ++s) {
        const QString letter = s ? "B" : "A";
        for (const SynthField &f : synthFields) {
            const QString field = QString(f.field).arg(letter);
            add(field, f.className, shifted(f.placement, 4 * s), field, f.inverted);
        }
    }
}

void MainFormTest::boundFields()
{
    QFETCH(QString, objectName);
    QWidget *widget = child<QWidget>(objectName);
    QVERIFY2(widget, qPrintable(objectName));
    QTEST(QString(widget->metaObject()->className()), "className");

    std::unique_ptr<part> field(mapshow::ParseObjName(objectName));
    QVERIFY(field);
    QTEST(field->name, "field");
    QCOMPARE(field->chip, chip);
    QTEST(field->bitStarts, "bitStarts");
    QTEST(field->widths, "widths");
    QTEST(field->inverted, "inverted");
    QTEST(widget->toolTip(), "toolTip");
}

void MainFormTest::everyFieldOnceAndNothingElse()
{
    const QList<QWidget *> bound = registerBoundWidgets(&window);
    QCOMPARE(bound.size(), 121);
    QSet<QString> names;
    for (QWidget *widget : bound) {
        std::unique_ptr<part> field(mapshow::ParseObjName(widget->objectName()));
        QVERIFY2(!names.contains(field->name), qPrintable(field->name));
        names.insert(field->name);
        // The binding tells widgets apart by class name: plain classes only.
        const QString className = widget->metaObject()->className();
        QVERIFY2(QStringList({"QLineEdit", "QCheckBox", "QComboBox", "QSpinBox", "QLabel"})
                     .contains(className),
                 qPrintable(className));
    }

    // Names the binding would misread: nothing outside the settings window
    // may look like a settings widget.
    for (QObject *object : window.findChildren<QObject *>())
        QVERIFY2(!object->objectName().contains("setting", Qt::CaseInsensitive),
                 qPrintable(object->objectName()));
}

void MainFormTest::fieldsStartEmpty()
{
    for (QWidget *widget : registerBoundWidgets(&window)) {
        const QString name = widget->objectName();
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            QVERIFY2(combo->currentIndex() == 0, qPrintable(name));
        else if (auto *check = qobject_cast<QCheckBox *>(widget))
            QVERIFY2(!check->isChecked(), qPrintable(name));
        else if (auto *spin = qobject_cast<QSpinBox *>(widget))
            QVERIFY2(spin->value() == spin->minimum(), qPrintable(name));
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            QVERIFY2(edit->text().isEmpty() && !edit->isReadOnly(), qPrintable(name));
        else if (auto *lamp = qobject_cast<QLabel *>(widget)) {
            QVERIFY2(!lamp->pixmap(Qt::ReturnByValue).isNull(), qPrintable(name));
            QCOMPARE(lamp->size(), QSize(20, 20));
        }
    }
    // Spin boxes whose code cannot go below 8.
    for (const char *name : {"KV_CDIV_R_KV2260v2_91_5", "KV_NDIV_R_A_KV2260v2_336_9",
                             "KV_NDIV_R_B_KV2260v2_368_9"}) {
        auto *spin = child<QSpinBox>(name);
        QVERIFY2(spin, name);
        QCOMPARE(spin->value(), 8);
    }
    // The ADC settings of every channel wait for the output-type rule.
    for (int n = 1; n <= 4; ++n) {
        const int bit = 155 + 56 * (n - 1);
        for (const QString &name : {QString("KV_IFA%1_ADC_LVDS_KV2260v2_%2_1").arg(n).arg(bit),
                                    QString("KV_IFA%1_ADC_Clk_KV2260v2_%2_2").arg(n).arg(bit + 1),
                                    QString("KV_IFA%1_ADC_OL_KV2260v2_%2_2").arg(n).arg(bit + 3)}) {
            auto *combo = child<QComboBox>(name);
            QVERIFY2(combo && !combo->isEnabled(), qPrintable(name));
        }
    }
}

void MainFormTest::comboItems_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QStringList>("items");
    auto add = [](const QString &name, const QStringList &items) {
        QTest::newRow(qPrintable(name)) << name << items;
    };
    add("KV_Mode_KV2260v2_22_2", {"standby", "PLL \"A\" only", "PLL \"A\" only", "active"});
    add("KV_LO_Source_KV2260v2_31_1", {"PLL “A” / PLL “A” ", "PLL “A” / PLL “B” "});
    add("KV_SV1p8_Source_KV2260v2_19_1", {"convert to 1.8 V", "use directly"});
    add("KV_TS_MD_KV2260v2_46_1", {"Single", "Continuous"});
    add("KV_Ch_StNumSel_KV2260v2_42_2", {"0", "1", "2", "3"});
    add("KV_CLK_Source_KV2260v2_97_2", {"PLL \"A\"", "PLL \"B\"", "disabled", "TCXO pass-through"});
    add("KV_RO_CLK_R_KV2260v2_88_2", {"1", "2", "4", "8"});
    add("KV_CLK_OT_KV2260v2_96p99_1p1", {"CMOS", "differential", "LVDS", "LVDS"});
    add("KV_CFB_CC_KV2260v2_100_2", {"0.23 / 0.46 V", "0.34 / 0.69 V", "0.45 / 0.92 V", "0.56 / 1.13 V"});
    add("KV_CFB_OL_KV2260v2_102_2", {"1.8 V", "2.4 V (1.8 V)", "2.7 V (1.8 V)", "external"});

    // The output-level items differ between channels in their trailing blanks.
    const QStringList outputLevels[] = {
        {"1.8 V ", "2.0 V ", "2.1 V ", "2.2 V"}, {"1.8 V ", "2.0 V ", "2.1 V", "2.2 V "},
        {"1.8 V ", "2.0 V ", "2.1 V ", "2.2 V"}, {"1.8 V ", "2.0 V", "2.1 V ", "2.2 V "}};
    for (int n = 1; n <= 4; ++n) {
        const int o = 56 * (n - 1);
        auto name = [&](const char *field, int bit, int width) {
            return QString("KV_%1_KV2260v2_%2_%3").arg(QString(field).arg(n)).arg(bit + o).arg(width);
        };
        add(name("Mix%1_LSB", 110, 1), {"USB", "LSB"});
        add(name("IFA%1_OT", 127, 1), {"analog", "2-bit ADC"});
        add(name("IFA%1_OP", 125, 2), outputLevels[n - 1]);
        add(name("RF%1_AGC_MD", 123, 1), {"manual", "auto"});
        add(name("IFA%1_AGC_MD", 124, 1), {"manual", "auto"});
        add(name("RF%1_AGC_UB", 128, 4), upperThresholds);
        add(name("RF%1_AGC_LB", 132, 4), lowerThresholds);
        add(name("IFA%1_AmpLvl", 121, 1), {"200 mV", "400 mV"});
        add(name("IFA%1_ADC_LVDS", 155, 1), {"CMOS", "LVDS"});
        add(name("IFA%1_ADC_Clk", 156, 2),
            {"asynchronous ", "asynchronous ", "by rising edge", "by falling edge"});
        add(name("IFA%1_ADC_OL", 158, 2), {"1.8 V", "2.4 V", "2.7 V", "external"});
    }
    add("KV_PLL_A_Band_KV2260v2_333_2", {"L2/L3/L5", "L1", "S", "unused"});
    add("KV_PLL_B_Band_KV2260v2_365_2",
        {"L2/L3/L5", "L1", "L1 for ch#3 + L3&L5 for ch#1&4 (Galileo)",
         "L1 for ch#3 + L3/L5 for ch#4 (NAVIC)"});
}

void MainFormTest::comboItems()
{
    QFETCH(QString, objectName);
    QFETCH(QStringList, items);
    auto *combo = child<QComboBox>(objectName);
    QVERIFY(combo);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    QCOMPARE(shown, items);
}

void MainFormTest::checkBoxTexts_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("text");
    auto add = [](const QString &name, const QString &text) {
        QTest::newRow(qPrintable(name)) << name << text;
    };
    add("KV_SOFT_RESET_KV2260v2_20_1", "Reset");
    add("KV_ECO_MD_KV2260v2_21_1", "ECO");
    add("KV_SVFI_KV2260v2_61_1", "");
    add("KV_LPF_EXE_KV2260v2_39_1", "Calibration execute");
    add("KV_TS_EXE_KV2260v2_47_1", "Measurement execute");
    add("KV_RF_agc_Up_KV2260v2_75_1", "agc_Up");
    add("KV_RF_agc_Down_KV2260v2_74_1", "agc_Down");
    add("KV_CDIV_R_EXT_KV2260v2_90_1", "Halving the step");
    for (int n = 1; n <= 4; ++n) {
        const int o = 56 * (n - 1);
        add(QString("KV_Ch%1_EN_KV2260v2_%2_1").arg(n).arg(111 + o), QString("Channel #%1").arg(n));
        add(QString("KV_SPL_Ch%1_KV2260v2_%2_1").arg(n).arg(109 + o), "Splitter input");
        add(QString("KV_IFA%1_ResLoad_KV2260v2_%2_1").arg(n).arg(122 + o),
            n == 3 ? "Output load 200Ohm  Rext mounted" : "Output load 200Ohm Rext mounted");
    }
    for (const QString &x : {"A", "B"}) {
        const int o = x == "A" ? 0 : 32;
        add(QString("KV_PLL_%1_EN_KV2260v2_%2_1").arg(x).arg(335 + o), "Synthesizer " + x);
        add(QString("KV_NDIV_R_%1_EXT_KV2260v2_%2_1").arg(x).arg(349 + o), "Halving the step ");
        add(QString("KV_SAS_EXE_%1_KV2260v2_%2_1").arg(x).arg(351 + o), "Tuning execute");
    }
}

void MainFormTest::checkBoxTexts()
{
    QFETCH(QString, objectName);
    auto *check = child<QCheckBox>(objectName);
    QVERIFY(check);
    QTEST(check->text(), "text");
}

void MainFormTest::captions_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("text");
    auto add = [](const QString &name, const QString &text) {
        QTest::newRow(qPrintable(name)) << name << text;
    };
    add("IDLabelG", "IC ID");
    add("ModeLabelG", "Mode");
    add("IRC_DivRLabelG", "TCXO freq.");
    add("TS_codeLabelG", "Temperature");
    add("Ifa_GainStLabelG", "RF AGC state");
    add("RF_agc_DownLabelG", "RF gain code");
    add("RF_GainStLabelG", "IF coarse gain code");
    add("CLK_SourceLabelG", "Frequency source");
    add("RO_CLK_RLabelG", "TCXO divider ratio");
    add("CDIV_RLabelG", "C-divider ratio");
    add("CFB_CCLabelG", "CLK voltage");
    add("CFB_OLLabelG", "Output DC level");
    for (const QString &x : {"A", "B"}) {
        add(QString("PLL_%1_BandLabelG").arg(x), "Band");
        add(QString("NDIV_R_%1LabelG").arg(x), "N-divider ratio");
        add(QString("RDIV_R_%1LabelG").arg(x), "R-divider ratio");
    }
    for (int n = 1; n <= 4; ++n) {
        add(QString("LPF_code%1_regLabelG").arg(n), "IF passband");
        add(QString("IFA%1_OPLabelG").arg(n), "IFA output DC level");
        add(QString("RF%1_agc_UBLabelG").arg(n), "RF AGC upper threshold");
        add(QString("RF%1_agc_LBLabelG").arg(n), "RF AGC lower threshold");
        add(QString("RF%1_GainLabelG").arg(n), "RF gain");
        add(QString("IFA%1_ManGCLabelG").arg(n), "IF gain");
        add(QString("IFA%1_ADC_ClkLabelG").arg(n), "ADC clock type");
        add(QString("IFA%1_ADC_OLLabelG").arg(n), "ADC output level");
    }
}

void MainFormTest::captions()
{
    QFETCH(QString, objectName);
    auto *label = child<QLabel>(objectName);
    QVERIFY(label);
    QTEST(label->text(), "text");

    // The register-file writer finds the 50 captions by their suffix.
    int count = 0;
    for (QLabel *any : window.findChildren<QLabel *>())
        count += any->objectName().endsWith("LabelG");
    QCOMPARE(count, 50);
}

void MainFormTest::derivedDisplays()
{
    QStringList expected = {"IRC_DivR", "SVLI", "TS_code"};
    for (int n = 1; n <= 4; ++n)
        for (const char *field : {"LPF_code%1_reg", "RF%1_Gain", "IFA%1_ManGC", "IFA%1_Gain"})
            expected << QString(field).arg(n);
    QStringList found;
    for (QLineEdit *edit : window.findChildren<QLineEdit *>())
        if (edit->objectName().contains("_Expression")) {
            found << edit->objectName();
            QVERIFY(edit->text().isEmpty());
            // Only the temperature display is read-only before the binding.
            QCOMPARE(edit->isReadOnly(), edit->objectName().startsWith("TS_code"));
        }
    for (QString &field : expected)
        field += "_KV2260v2_Expression";
    expected.sort();
    found.sort();
    QCOMPARE(found, expected);
}

void MainFormTest::channelStatusGrid()
{
    QGridLayout *grid = ui.gridLayout;
    auto at = [grid](int row, int column) -> QWidget * {
        QLayoutItem *item = grid->itemAtPosition(row, column);
        return item ? item->widget() : nullptr;
    };
    QCOMPARE(at(0, 0), child<QWidget>("Auto_scan"));
    QVERIFY(child<QCheckBox>("Auto_scan")->isChecked());
    const int channelColumn[] = {1, 2, 3, 5};
    for (int ch = 1; ch <= 4; ++ch) {
        auto *scan = qobject_cast<QCheckBox *>(at(0, channelColumn[ch - 1]));
        QVERIFY(scan);
        QCOMPARE(scan->objectName(), QString("Scan_%1").arg(ch));
        QCOMPARE(scan->text(), QString::number(ch));
        QVERIFY(!scan->isChecked());
    }
    const int quantityRow[] = {1, 2, 4, 5, 6, 7, 8};
    const char *captions[] = {"Ifa_GainStLabelG", "RF_agc_DownLabelG", "label_44", "RF_GainStLabelG",
                              "label_45", "label_48", "label_46"};
    for (int q = 1; q <= 7; ++q) {
        const int row = quantityRow[q - 1];
        QCOMPARE(at(row, 0), child<QWidget>(captions[q - 1]));
        QCOMPARE(at(row, 4), nullptr);
        for (int ch = 1; ch <= 4; ++ch) {
            auto *cell = qobject_cast<QLineEdit *>(at(row, channelColumn[ch - 1]));
            QVERIFY(cell);
            QCOMPARE(cell->objectName(), QString("control_%1_%2").arg(ch).arg(q));
            QVERIFY(cell->isReadOnly());
            QVERIFY(cell->text().isEmpty());
            QCOMPARE(cell->minimumSize(), QSize(40, 20));
            QCOMPARE(cell->maximumSize(), QSize(40, 20));
        }
    }
    for (int column = 0; column <= 5; ++column)
        QCOMPARE(at(3, column), nullptr);
}

void MainFormTest::panelButtons_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("section");
    auto add = [](const QString &name, const QString &text, const QString &section) {
        QTest::newRow(qPrintable(name)) << name << text << section;
    };
    add("ButtongrLostW", "ECO mask", "groupBox_3");
    add("ButtonGrServiceLPF", "Service settings", "groupBox_LPF_CAL");
    add("ButtongrAOK", "AOK", "groupBox_2");
    add("ButtonGrServA", "Service settings", "groupBox_10");
    add("ButtonGrServB", "Service settings", "groupBox_11");
    add("ButtonGrServC", "Service settings", "groupBox_12");
    add("ButtonGrServD", "Service settings", "groupBox_8");
    add("ButtonGrTest", "Test", "centralWidget");
    add("ButtongrSPL", "Splitter", "centralWidget");
    add("ButtonGrEnable", "Enable", "centralWidget");
    add("ButtonGrThynA", "Synthesizers", "centralWidget");
    add("ButtonGrServiceClock", "Empty", "centralWidget");
    add("ButtonGrThynB", "empty", "centralWidget");
}

void MainFormTest::panelButtons()
{
    QFETCH(QString, objectName);
    QFETCH(QString, section);
    auto *button = child<QPushButton>(objectName);
    QVERIFY(button);
    QCOMPARE(QByteArray(button->metaObject()->className()), QByteArray("QPushButton"));
    QTEST(button->text(), "text");
    QCOMPARE(button->parentWidget()->objectName(), section);
}

void MainFormTest::actions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<bool>("checkable");
    for (const ActionSpec &a : actionSpecs)
        QTest::newRow(a.name) << a.name << a.shortcut << a.icon << a.checkable;
}

void MainFormTest::actions()
{
    QFETCH(QString, name);
    QFETCH(QString, icon);
    auto *action = child<QAction>(name);
    QVERIFY(action);
    QCOMPARE(action->parent(), static_cast<QObject *>(&window));
    QTEST(action->shortcut().toString(), "shortcut");
    QTEST(action->isCheckable(), "checkable");
    QVERIFY(!action->isChecked());
    QVERIFY(action->isVisible() && action->isEnabled());
    if (icon.isEmpty()) {
        QVERIFY(action->icon().isNull());
    } else {
        QVERIFY2(QFile::exists(icon), qPrintable(icon));
        QVERIFY(!action->icon().isNull());
        QVERIFY(!action->icon().pixmap(32, 32).isNull());
    }
    if (!action->shortcut().isEmpty())
        QCOMPARE(action->shortcutContext(), Qt::WindowShortcut);
}

void MainFormTest::toolBars()
{
    const QList<QPair<QToolBar *, QStringList>> expected = {
        {ui.toolBar_file, {"action_load_default", "action_GUIFILE", "action_FILEGUI"}},
        {ui.toolBar_IC, {"action_FILEIC", "action_GUIIC", "action_ICGUI"}},
        {ui.toolBar_RegWindow, {"actionRegMap", "action_RegTable"}},
        {ui.toolBar_optional,
         {"action_ExpertMode", "actionCalkExe", "action_Help", "action_Light", "action_Language"}},
        {ui.toolBar_Device, {}},
    };
    const QStringList titles = {"toolBar", "toolBar_2", "toolBar", "toolBar", "toolBar"};
    for (int i = 0; i < expected.size(); ++i) {
        QToolBar *bar = expected[i].first;
        QStringList names;
        for (QAction *action : bar->actions())
            names << action->objectName();
        QCOMPARE(names, expected[i].second);
        QCOMPARE(bar->windowTitle(), titles[i]);
        QCOMPARE(window.toolBarArea(bar), Qt::TopToolBarArea);
        QVERIFY(!bar->isMovable());
        QCOMPARE(bar->isFloatable(), bar != ui.toolBar_Device);
    }
    QCOMPARE(ui.toolBar_file->iconSize(), QSize(48, 20));
    QCOMPARE(ui.toolBar_IC->iconSize(), QSize(48, 20));
    QCOMPARE(ui.toolBar_RegWindow->iconSize(), QSize(24, 20));
    QCOMPARE(ui.toolBar_optional->maximumHeight(), 25);
    QCOMPARE(window.statusBar(), ui.statusBar);
    QVERIFY(window.menuWidget() == nullptr);
}

void MainFormTest::windowFrame()
{
    QCOMPARE(window.objectName(), QString("MainClass"));
    QCOMPARE(window.size(), QSize(1159, 766));
    QCOMPARE(window.windowTitle(), QString("KV2260.2"));
    QCOMPARE(window.sizePolicy().horizontalPolicy(), QSizePolicy::Ignored);
    QCOMPARE(window.centralWidget(), ui.centralWidget);
    QVERIFY(window.isDockNestingEnabled());
    QVERIFY(window.styleSheet().contains("QGroupBox::title"));
    // The channel boxes stand at their fixed width, their names in the
    // enable check boxes above them.
    for (const char *box : {"groupBox_10", "groupBox_11", "groupBox_12", "groupBox_8"}) {
        QCOMPARE(child<QGroupBox>(box)->minimumWidth(), 260);
        QCOMPARE(child<QGroupBox>(box)->maximumWidth(), 260);
        QVERIFY(child<QGroupBox>(box)->title().isEmpty());
    }
    QCOMPARE(child<QGroupBox>("groupBox_5")->title(), QString("Temperture sensor"));
}

void MainFormTest::namedWindowKeepsItsName()
{
    QMainWindow other;
    other.setObjectName("Other");
    Ui::MainClass otherUi;
    otherUi.setupUi(&other);
    QCOMPARE(other.objectName(), QString("Other"));
}

void MainFormTest::englishTranslation()
{
    setLanguage(":/Translations/template_en.qm");
    for (const ActionSpec &a : actionSpecs) {
        auto *action = child<QAction>(a.name);
        QCOMPARE(action->text(), QString(a.englishText));
        // Without a tool tip of its own an action shows its text.
        const QString tip = a.englishToolTip;
        QCOMPARE(action->toolTip(), tip.isEmpty() ? action->text() : tip);
        QCOMPARE(action->shortcut().toString(), QString(a.shortcut));
    }
    // The sections' texts are their own in both languages.
    QCOMPARE(child<QGroupBox>("groupBox_3")->title(), QString("General settings"));
    QCOMPARE(child<QLabel>("RF1_agc_UBLabelG")->text(), QString("RF AGC upper threshold"));
    QCOMPARE(child<QComboBox>("KV_Mode_KV2260v2_22_2")->itemText(3), QString("active"));
    QCOMPARE(window.windowTitle(), QString("KV2260.2"));
    setLanguage(QString());
}

void MainFormTest::russianAfterEnglish()
{
    // The Russian translator installed over the English one answers with the
    // source texts, as the language switch relies on.
    QTranslator english;
    QVERIFY(english.load(":/Translations/template_en.qm"));
    QCoreApplication::installTranslator(&english);
    setLanguage(":/Translations/template_ru.qm");
    for (const ActionSpec &a : actionSpecs)
        QCOMPARE(child<QAction>(a.name)->text(), QString(a.text));
    QCOMPARE(child<QAction>("action_GUIIC")->toolTip(), QString("ПО -> ИС (F10)"));
    QCoreApplication::removeTranslator(&english);
    setLanguage(QString());
}

void MainFormTest::retranslateKeepsSelections()
{
    // Setting the texts again keeps every selection, so a language switch
    // never rewrites the fields behind the combo boxes.
    auto *mode = child<QComboBox>("KV_Mode_KV2260v2_22_2");
    auto *band = child<QComboBox>("KV_PLL_B_Band_KV2260v2_365_2");
    mode->setCurrentIndex(3);
    band->setCurrentIndex(2);
    QSignalSpy modeChanges(mode, SIGNAL(currentIndexChanged(int)));
    auto *caption = child<QLabel>("IDLabelG");
    auto *release = child<QLineEdit>("KV_Release_KV2260v2_13_3");
    release->setToolTip("Reg1 <D2-D0>");

    setLanguage(":/Translations/template_en.qm");

    QCOMPARE(mode->currentIndex(), 3);
    QCOMPARE(band->currentIndex(), 2);
    QCOMPARE(mode->count(), 4);
    QCOMPARE(modeChanges.count(), 0);
    QCOMPARE(caption->text(), QString("IC ID"));
    // The form's own tool tips come back.
    QCOMPARE(release->toolTip(), QString("Release: Reg1+2 (3)\n"));
    mode->setCurrentIndex(0);
    band->setCurrentIndex(0);
    setLanguage(QString());
}

KV_TEST_MAIN(MainFormTest)
#include "tst_mainform.moc"
