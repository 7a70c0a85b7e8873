#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>
#include <clocale>
#include <climits>
#include <memory>

#include "FieldRules.h"
#include "RegMap.h"
#include "TestMain.h"
#include "ValueTables.h"
#include "mapshow.h"

namespace {

// Register-bound widgets the rules read or change, by class: 'S' spin box,
// 'C' check box, 'B' combo box (its items are the codes of the field).
struct Field
{
    char kind;
    const char *name;
};

const Field mainFields[] = {
    {'C', "KV_ECO_MD_KV2260v2_21_1"},       {'S', "KV_IRC_DivR_KV2260v2_24_7"},
    {'B', "KV_LO_Source_KV2260v2_31_1"},    {'S', "KV_SVLI_KV2260v2_60_1"},
    {'S', "KV_TS_code_KV2260v2_62_10"},     {'B', "KV_RO_CLK_R_KV2260v2_88_2"},
    {'B', "KV_CLK_OT_KV2260v2_96p99_1p1"},  {'B', "KV_CLK_Source_KV2260v2_97_2"},
    {'B', "KV_CFB_CC_KV2260v2_100_2"},      {'B', "KV_CFB_OL_KV2260v2_102_2"},
    {'B', "KV_PLL_A_Band_KV2260v2_333_2"},
};

const Field panelFields[] = {
    {'C', "KV_PLL_LVDS_ECO_mask_KV2260v2_399_1"}, {'S', "KV_C2_A_reg_KV2260v2_464_5"},
    {'S', "KV_LPF_delta_KV2260v2_880_8"},         {'B', "KV_TS_DIO_MD_KV2260v2_911_1"},
};

// Channel 1's fields; channel n lies 56 bits above channel n - 1. "%1" is
// the channel digit, "%2" the first bit.
const Field channelFields[] = {
    {'S', "KV_LPF_code%1_reg_KV2260v2_%2_7 113"}, {'B', "KV_IFA%1_AmpLvl_KV2260v2_%2_1 121"},
    {'B', "KV_RF%1_AGC_MD_KV2260v2_%2_1 123"},    {'B', "KV_IFA%1_AGC_MD_KV2260v2_%2_1 124"},
    {'B', "KV_IFA%1_OP_KV2260v2_%2_2 125"},       {'B', "KV_IFA%1_OT_KV2260v2_%2_1 127"},
    {'B', "KV_RF%1_AGC_UB_KV2260v2_%2_4 128"},    {'B', "KV_RF%1_AGC_LB_KV2260v2_%2_4 132"},
    {'S', "KV_RF%1_Gain_KV2260v2_%2_4 136"},      {'S', "KV_IFA%1_ManGC_KV2260v2_%2_5 142"},
    {'S', "KV_IFA%1_Gain_KV2260v2_%2_5 147"},     {'B', "KV_IFA%1_ADC_LVDS_KV2260v2_%2_1 155"},
    {'B', "KV_IFA%1_ADC_Clk_KV2260v2_%2_2 156"},  {'B', "KV_IFA%1_ADC_OL_KV2260v2_%2_2 158"},
};

const char *const channelDisplays[] = {"LPF_code%1_reg", "RF%1_Gain", "IFA%1_ManGC", "IFA%1_Gain"};

QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QString full(const QString &field)
{
    return field + "_KV2260v2";
}

// Counts the style changes a widget is told of.
class StyleChangeCounter : public QObject
{
public:
    StyleChangeCounter(QWidget *widget, int &count) : count(count) { widget->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::StyleChange)
            ++count;
        return false;
    }

private:
    int &count;
};

// A decimal-comma C locale; built from the system's sources when none is
// installed.
bool useGermanCLocale(QTemporaryDir &compiled)
{
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
        if (std::setlocale(LC_ALL, name))
            return true;
    if (!compiled.isValid())
        return false;
    QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8",
                                    compiled.filePath("de_DE.UTF-8")});
    qputenv("LOCPATH", compiled.path().toLocal8Bit());
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

} // namespace

// The main form, a service panel, their register map and the rules, wired the
// way the main window wires them: every field widget's change stores its value
// and applies the rules; the output-level triggers then run their channels.
class RulesBench : public QObject
{
    Q_OBJECT
public:
    RulesBench() : map("KV2260v2", 128, 0), rules(&map, &displays, &form, [this](const QString &t) {
                       reports << t;
                   })
    {
        for (const Field &field : mainFields)
            bind(&form, field.kind, field.name);
        for (const Field &field : panelFields)
            bind(&panel, field.kind, field.name);
        for (int n = 1; n <= 4; ++n)
            for (const Field &field : channelFields) {
                const QStringList nameAndBit = QString(field.name).split(' ');
                const int bit = nameAndBit[1].toInt() + 56 * (n - 1);
                bind(&form, field.kind, nameAndBit[0].arg(n).arg(bit));
            }

        for (const char *field : {"IRC_DivR", "SVLI", "TS_code"})
            addDisplay(&form, field);
        for (const char *field : {"C2_A_reg", "LPF_delta"})
            addDisplay(&panel, field);
        for (int n = 1; n <= 4; ++n)
            for (const char *field : channelDisplays)
                addDisplay(&form, QString(field).arg(n));

        const auto index = qOverload<int>(&QComboBox::currentIndexChanged);
        for (int n = 1; n <= 4; ++n) {
            auto run = [this, n] { rules.applyOutputLevel(n); };
            connect(combo(QString("IFA%1_OT").arg(n)), index, this, run);
            connect(combo(QString("IFA%1_ADC_LVDS").arg(n)), index, this, run);
            connect(check("ECO_MD"), &QCheckBox::stateChanged, this, run);
            connect(spin("SVLI"), qOverload<int>(&QSpinBox::valueChanged), this, run);
        }
    }

    QComboBox *combo(const QString &field) const { return widget<QComboBox>(field); }
    QSpinBox *spin(const QString &field) const { return widget<QSpinBox>(field); }
    QCheckBox *check(const QString &field) const { return widget<QCheckBox>(field); }
    QLineEdit *display(const QString &field) const
    {
        return qobject_cast<QLineEdit *>(displays.value(full(field))->widget);
    }
    QString shown(const QString &field) const { return display(field)->text(); }

    QWidget form;
    QWidget panel;
    RegMap map;
    QMap<QString, part *> displays;
    FieldRules rules;
    QStringList reports;
    int changes = 0;  // change handler runs
    int nesting = 0;  // deepest nesting of change handler runs

private:
    template <typename W>
    W *widget(const QString &field) const
    {
        const part *record = map.fields.value(full(field));
        return record ? qobject_cast<W *>(record->widget) : nullptr;
    }

    // What the main window's change handler does with a field widget's change.
    void changed(const QString &field)
    {
        static int depth = 0;
        ++depth;
        ++changes;
        nesting = std::max(nesting, depth);
        rules.apply(field, map.storeWidgetValue(field));
        --depth;
    }

    void bind(QWidget *parent, char kind, const QString &objectName)
    {
        part *record = mapshow::ParseObjName(objectName);
        QVERIFY2(record, qPrintable(objectName));
        records.emplace_back(record);
        const QString field = record->name;
        auto handler = [this, field] { changed(field); };
        QWidget *widget = nullptr;
        if (kind == 'S') {
            auto *box = new QSpinBox(parent);
            box->setMaximum(INT_MAX);
            connect(box, qOverload<int>(&QSpinBox::valueChanged), this, handler);
            widget = box;
        } else if (kind == 'C') {
            auto *box = new QCheckBox(parent);
            connect(box, &QCheckBox::stateChanged, this, handler);
            widget = box;
        } else {
            auto *box = new QComboBox(parent);
            for (int code = 0; code < (1 << record->width); ++code)
                box->addItem(QString::number(code));
            connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this, handler);
            widget = box;
        }
        widget->setObjectName(objectName);
        record->widget = widget;
        map.fields.insert(field, record);
    }

    void addDisplay(QWidget *parent, const QString &field)
    {
        auto *line = new QLineEdit(parent);
        line->setObjectName(full(field) + "_Expression");
        records.push_back(std::make_unique<part>());
        records.back()->widget = line;
        displays.insert(full(field), records.back().get());
    }

    std::vector<std::unique_ptr<part>> records;
};

class FieldRulesTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void tablesHoldOneTextPerCode();
    void dividerBand_data();
    void dividerBand();
    void temperature_data();
    void temperature();
    void clockItems_data();
    void clockItems();
    void texts_data();
    void texts();
    void adcOutputLevels_data();
    void adcOutputLevels();

    void dividerDisplayFollowsItsField();
    void dividerStyleSetOnlyWhenItChanges();
    void temperatureWaitsForItsCode();
    void clockOutputCombos();
    void clockSourceEnablesTcxoDivider();
    void supplyLevelRewritesItemsInPlace();
    void bandItemsFollowLoSource();
    void filterAndCapacitanceDisplays();
    void rfGainMode();
    void ifGainOfOneChannel();
    void agcModeChangesOnlyItsChannel();
    void outputLevelFollowsTypeAndInterface();
    void outputLevelWithoutCurrentInterface();
    void rulesStartNoFurtherChanges();
    void missingFieldsAreSkippedNotInserted();

private:
    std::unique_ptr<RulesBench> bench;
    QTemporaryDir compiledLocale;
};

void FieldRulesTest::initTestCase()
{
    // Every check runs under a decimal comma: the rules must still write a
    // full stop.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(QLocale().toString(1.5), QString("1,5"));
    if (useGermanCLocale(compiledLocale))
        QCOMPARE(*std::localeconv()->decimal_point, ',');
    else
        qWarning("no German C locale available; only the Qt locale is German");
}

void FieldRulesTest::cleanupTestCase()
{
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
}

void FieldRulesTest::init()
{
    bench = std::make_unique<RulesBench>();
}

void FieldRulesTest::cleanup()
{
    bench.reset();
}

void FieldRulesTest::tablesHoldOneTextPerCode()
{
    QCOMPARE(c2a_capacitance_list.size(), 32);
    QCOMPARE(lpf_code_mhz.size(), 128);
    QCOMPARE(lpf_code_mhz.lastKey(), 127);
    for (int code = 0; code <= 6; ++code)
        QCOMPARE(lpf_code_mhz.value(code), QString("unused"));
    QCOMPARE(lpf_code_mhz.value(7), QString("11.1"));
    QCOMPARE(lpf_code_mhz.value(16), QString("13"));
    QCOMPARE(lpf_code_mhz.value(127), QString("33"));
    // The IF gain steps in pairs of codes.
    for (int k = 0; k < 16; ++k)
        QCOMPARE(ifa_gain_db[2 * k], ifa_gain_db[2 * k + 1]);
    QCOMPARE(ifa_gain_db[31], QString("2.75"));
}

void FieldRulesTest::dividerBand_data()
{
    QTest::addColumn<int>("divider");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("style");
    QTest::newRow("0") << 0 << "10.00 MHz" << "color: black;";
    QTest::newRow("1") << 1 << "24.84 MHz" << "color: black;";
    QTest::newRow("2") << 2 << "4.688-5.312 MHz" << "color: black;";
    QTest::newRow("8") << 8 << "4.688-5.312 MHz" << "color: black;";
    QTest::newRow("9") << 9 << "5.313-5.937 MHz" << "color: black;";
    QTest::newRow("24") << 24 << "14.688-15.312 MHz" << "color: black;";
    QTest::newRow("104") << 104 << "64.688-65.312 MHz" << "color: black;";
    QTest::newRow("105") << 105 << "65.313-65.937 MHz" << "color: red;";
    QTest::newRow("127") << 127 << "79.063-79.687 MHz" << "color: red;";
}

void FieldRulesTest::dividerBand()
{
    QFETCH(int, divider);
    QFETCH(QString, text);
    QFETCH(QString, style);
    QCOMPARE(FieldRules::dividerBandText(divider), text);
    QCOMPARE(FieldRules::dividerBandStyle(divider), style);
}

void FieldRulesTest::temperature_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("resistor");
    QTest::addColumn<QString>("text");
    for (int mode : {0, 1}) {
        QTest::addRow("188 mode %d", mode) << 188 << mode << "not valid range";
        QTest::addRow("573 mode %d", mode) << 573 << mode << "not valid range";
    }
    QTest::newRow("diode 189") << 189 << 0 << QString::fromUtf8("124.95 °C");
    QTest::newRow("diode 400") << 400 << 0 << QString::fromUtf8("33.71 °C");
    QTest::newRow("diode 572") << 572 << 0 << QString::fromUtf8("-40.66 °C");
    QTest::newRow("resistor 189") << 189 << 1 << QString::fromUtf8("-117.74 °C");
    QTest::newRow("resistor 572") << 572 << 1 << QString::fromUtf8("-39.99 °C");
}

void FieldRulesTest::temperature()
{
    QFETCH(int, code);
    QFETCH(int, resistor);
    QFETCH(QString, text);
    QCOMPARE(FieldRules::temperatureText(code, resistor), text);
}

void FieldRulesTest::clockItems_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("eco");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("svli");
    QTest::addColumn<QStringList>("voltage");
    QTest::addColumn<QStringList>("level");
    const QStringList lvds350 = {"350mVp-p", "525mVp-p", "700mVp-p", "875mVp-p"};
    const QStringList lvds200 = {"200mVp-p", "300mVp-p", "400mVp-p", "500mVp-p"};
    const QString swing = QString::fromUtf8(" – 0.55×VCLK");
    const QStringList levels = {"1.8 V", "2.4 V", "2.7 V", "ext. VCC"};
    const QStringList levelsSvli = {"1.8 V", "1.8 V", "1.8 V", "ext. VCC"};
    QStringList swung, swungSvli;
    for (int i = 0; i < 4; ++i) {
        swung << levels[i] + swing;
        swungSvli << levelsSvli[i] + swing;
    }
    QTest::newRow("CMOS") << 0 << 1 << 1 << 0 << QStringList() << levels;
    QTest::newRow("CMOS SVLI") << 0 << 0 << 0 << 1 << QStringList() << levelsSvli;
    QTest::newRow("differential")
        << 1 << 1 << 1 << 0 << QStringList({"0.23Vp-p", "0.34Vp-p", "0.45Vp-p", "0.56Vp-p"}) << swung;
    QTest::newRow("LVDS ECO masked") << 2 << 1 << 1 << 1 << lvds200 << swungSvli;
    QTest::newRow("LVDS 3 ECO masked") << 3 << 1 << 1 << 0 << lvds200 << swung;
    QTest::newRow("LVDS ECO unmasked") << 2 << 1 << 0 << 0 << lvds350 << swung;
    QTest::newRow("LVDS mask without ECO") << 3 << 0 << 1 << 0 << lvds350 << swung;
}

void FieldRulesTest::clockItems()
{
    QFETCH(int, type);
    QFETCH(int, eco);
    QFETCH(int, mask);
    QFETCH(int, svli);
    QFETCH(QStringList, voltage);
    QFETCH(QStringList, level);
    QCOMPARE(FieldRules::clockVoltageItems(type, eco, mask), voltage);
    QCOMPARE(FieldRules::clockLevelItems(type, svli), level);
}

void FieldRulesTest::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *name, const QString &text, const char *expected) {
        QTest::newRow(name) << text << QString::fromUtf8(expected);
    };
    row("RF gain 0", FieldRules::rfGainText(0), "2.35 dB");
    row("RF gain 3", FieldRules::rfGainText(3), "5.2 dB");
    row("RF gain 15", FieldRules::rfGainText(15), "16.6 dB");
    row("manual gain 31", FieldRules::ifManualGainText(31), "67.96 dB");
    row("IF gain manual", FieldRules::ifGain(0, 1, 31).text, "2.75 dB");
    row("IF gain auto ADC", FieldRules::ifGain(1, 1, 0).text, "0.2%");
    row("IF gain auto analog", FieldRules::ifGain(1, 0, 5).text, "-0.53 dB");
    row("passband 6", FieldRules::passbandText(6), "unused MHz");
    row("passband 7", FieldRules::passbandText(7), "11.1 MHz");
    row("passband 127", FieldRules::passbandText(127), "33 MHz");
    row("passband without entry", FieldRules::passbandText(128), " MHz");
    row("delta 127", FieldRules::lpfDeltaText(127), "127");
    row("delta 128", FieldRules::lpfDeltaText(128), "-1");
    row("delta 255", FieldRules::lpfDeltaText(255), "-128");
    row("capacitance 31", FieldRules::capacitanceText(31), "330.0 pF");
}

void FieldRulesTest::texts()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

void FieldRulesTest::adcOutputLevels_data()
{
    QTest::addColumn<int>("lvds");
    QTest::addColumn<int>("eco");
    QTest::addColumn<int>("svli");
    QTest::addColumn<QStringList>("items");
    const QStringList cmos = {"1.8 V", "2.4 V", "2.7 V", "ext. (Vcc)"};
    const QStringList cmosSvli = {"1.8 V", "1.8 V", "1.8 V", "ext. (Vcc)"};
    const QStringList lvds = {"1.8 mA", "2.6 mA", "3.5 mA", "4.4 mA"};
    const QStringList lvdsEco = {"1.0 mA", "1.5 mA", "2.0 mA", "2.5 mA"};
    // ECO_MD means nothing to CMOS output, SVLI nothing to LVDS output.
    for (int other : {0, 1}) {
        QTest::addRow("CMOS ECO %d", other) << 0 << other << 0 << cmos;
        QTest::addRow("CMOS SVLI ECO %d", other) << 0 << other << 1 << cmosSvli;
        QTest::addRow("LVDS SVLI %d", other) << 1 << 0 << other << lvds;
        QTest::addRow("LVDS ECO SVLI %d", other) << 1 << 1 << other << lvdsEco;
    }
    QTest::newRow("no current interface") << -1 << 1 << 1 << QStringList();
}

void FieldRulesTest::adcOutputLevels()
{
    QFETCH(int, lvds);
    QFETCH(int, eco);
    QFETCH(int, svli);
    QFETCH(QStringList, items);
    QCOMPARE(FieldRules::adcOutputLevelItems(lvds, eco, svli), items);
}

void FieldRulesTest::dividerDisplayFollowsItsField()
{
    QSpinBox *divider = bench->spin("IRC_DivR");
    QLineEdit *band = bench->display("IRC_DivR");
    divider->setValue(105);
    QCOMPARE(band->text(), QString("65.313-65.937 MHz"));
    QCOMPARE(band->styleSheet(), QString("color: red;"));
    divider->setValue(104);
    QCOMPARE(band->styleSheet(), QString("color: black;"));
    // Beyond the 7-bit field the spin box is pulled back to 127.
    divider->setValue(500);
    QCOMPARE(divider->value(), 127);
    QCOMPARE(band->text(), QString("79.063-79.687 MHz"));
}

// A style sheet set anew polishes the display again, even when it is the
// one the display has.
void FieldRulesTest::dividerStyleSetOnlyWhenItChanges()
{
    QSpinBox *divider = bench->spin("IRC_DivR");
    QLineEdit *band = bench->display("IRC_DivR");
    bench->form.show();  // a hidden widget is polished when it shows
    divider->setValue(20);
    int restyled = 0;
    StyleChangeCounter counter(band, restyled);
    divider->setValue(30);
    bench->rules.applyAll();
    bench->rules.applyAll();
    QCOMPARE(restyled, 0);
    QCOMPARE(band->text(), QString("18.438-19.062 MHz"));
    divider->setValue(105);
    QVERIFY(restyled > 0);
    QCOMPARE(band->styleSheet(), QString("color: red;"));
    const int red = restyled;
    divider->setValue(110);
    bench->rules.applyAll();
    QCOMPARE(restyled, red);
}

void FieldRulesTest::temperatureWaitsForItsCode()
{
    QSpinBox *code = bench->spin("TS_code");
    code->setValue(189);
    QCOMPARE(bench->shown("TS_code"), QString::fromUtf8("124.95 °C"));
    // The sensor type on its panel changes nothing until the next code.
    bench->combo("TS_DIO_MD")->setCurrentIndex(1);
    QCOMPARE(bench->shown("TS_code"), QString::fromUtf8("124.95 °C"));
    code->setValue(572);
    QCOMPARE(bench->shown("TS_code"), QString::fromUtf8("-39.99 °C"));
    code->setValue(573);
    QCOMPARE(bench->shown("TS_code"), QString("not valid range"));
}

void FieldRulesTest::clockOutputCombos()
{
    QComboBox *type = bench->combo("CLK_OT");
    QComboBox *voltage = bench->combo("CFB_CC");
    QComboBox *level = bench->combo("CFB_OL");
    QCheckBox *eco = bench->check("ECO_MD");
    QCheckBox *mask = bench->check("PLL_LVDS_ECO_mask");

    type->setCurrentIndex(2);
    QCOMPARE(itemsOf(voltage).first(), QString("350mVp-p"));
    QVERIFY(voltage->isEnabled());
    QVERIFY(!level->isEnabled());
    eco->setChecked(true);
    QCOMPARE(itemsOf(voltage).first(), QString("350mVp-p"));
    mask->setChecked(true);
    QCOMPARE(itemsOf(voltage), QStringList({"200mVp-p", "300mVp-p", "400mVp-p", "500mVp-p"}));
    // The ECO rules enable the level combo box again whatever CLK_OT holds.
    QVERIFY(level->isEnabled());
    type->setCurrentIndex(3);
    QCOMPARE(itemsOf(voltage).first(), QString("200mVp-p"));
    QVERIFY(!level->isEnabled());

    type->setCurrentIndex(1);
    QCOMPARE(itemsOf(voltage).first(), QString("0.23Vp-p"));
    QVERIFY(voltage->isEnabled() && level->isEnabled());

    // CMOS disables the voltage combo box and keeps its items; an ECO change
    // enables it again, still with the same items.
    type->setCurrentIndex(0);
    QVERIFY(!voltage->isEnabled());
    QVERIFY(level->isEnabled());
    QCOMPARE(itemsOf(level), QStringList({"1.8 V", "2.4 V", "2.7 V", "ext. VCC"}));
    eco->setChecked(false);
    QVERIFY(voltage->isEnabled());
    QCOMPARE(itemsOf(voltage).first(), QString("0.23Vp-p"));
}

void FieldRulesTest::clockSourceEnablesTcxoDivider()
{
    QComboBox *divider = bench->combo("RO_CLK_R");
    bench->combo("CLK_Source")->setCurrentIndex(3);
    QVERIFY(divider->isEnabled());
    bench->combo("CLK_Source")->setCurrentIndex(2);
    QVERIFY(!divider->isEnabled());
}

void FieldRulesTest::supplyLevelRewritesItemsInPlace()
{
    for (int n = 1; n <= 4; ++n)
        bench->combo(QString("IFA%1_OP").arg(n))->setCurrentIndex(n - 1);
    bench->combo("CFB_OL")->setCurrentIndex(2);

    bench->spin("SVLI")->setValue(1);
    QCOMPARE(bench->shown("SVLI"), QString("< 2.85V"));
    for (int n = 1; n <= 4; ++n) {
        QComboBox *op = bench->combo(QString("IFA%1_OP").arg(n));
        QCOMPARE(itemsOf(op), ifa_op_levels_svli);
        QCOMPARE(op->currentIndex(), n - 1);
    }
    QCOMPARE(itemsOf(bench->combo("CFB_OL")), QStringList({"1.8 V", "1.8 V", "1.8 V", "ext. VCC"}));
    QCOMPARE(bench->combo("CFB_OL")->currentIndex(), 2);

    bench->spin("SVLI")->setValue(0);
    QCOMPARE(bench->shown("SVLI"), QString("> 2.85V"));
    QCOMPARE(itemsOf(bench->combo("IFA3_OP")), QStringList({"1.8 V", "2.0 V", "2.1 V", "2.2 V"}));
}

void FieldRulesTest::bandItemsFollowLoSource()
{
    QComboBox *band = bench->combo("PLL_A_Band");
    band->setCurrentIndex(3);
    bench->combo("LO_Source")->setCurrentIndex(1);
    QCOMPARE(itemsOf(band), QStringList({"L2/L3/L5", "L1", "L2/L3/L5 for ch#2 (Galileo)",
                                         "S for ch#1 + L2 for ch#2 (NAVIC)"}));
    QCOMPARE(band->currentIndex(), 3);
    bench->combo("LO_Source")->setCurrentIndex(0);
    QCOMPARE(itemsOf(band), QStringList({"L2/L3/L5", "L1", "S", "unused"}));
}

void FieldRulesTest::filterAndCapacitanceDisplays()
{
    bench->spin("LPF_code2_reg")->setValue(7);
    QCOMPARE(bench->shown("LPF_code2_reg"), QString("11.1 MHz"));
    QCOMPARE(bench->shown("LPF_code1_reg"), QString());
    bench->spin("LPF_delta")->setValue(128);
    QCOMPARE(bench->shown("LPF_delta"), QString("-1"));

    bench->spin("C2_A_reg")->setValue(17);
    QCOMPARE(bench->shown("C2_A_reg"), QString("105.2 pF"));
}

void FieldRulesTest::rfGainMode()
{
    bench->spin("RF3_Gain")->setValue(3);
    QCOMPARE(bench->shown("RF3_Gain"), QString("5.2 dB"));

    bench->combo("RF3_AGC_MD")->setCurrentIndex(1);
    QVERIFY(!bench->spin("RF3_Gain")->isEnabled());
    QVERIFY(!bench->display("RF3_Gain")->isEnabled());
    QVERIFY(bench->combo("RF3_AGC_UB")->isEnabled());
    QVERIFY(bench->combo("RF3_AGC_LB")->isEnabled());
    QVERIFY(bench->spin("RF2_Gain")->isEnabled());

    bench->combo("RF3_AGC_MD")->setCurrentIndex(0);
    QVERIFY(bench->spin("RF3_Gain")->isEnabled());
    QVERIFY(bench->display("RF3_Gain")->isEnabled());
    QVERIFY(!bench->combo("RF3_AGC_UB")->isEnabled());
    QVERIFY(!bench->combo("RF3_AGC_LB")->isEnabled());
}

void FieldRulesTest::ifGainOfOneChannel()
{
    QSpinBox *gain = bench->spin("IFA2_Gain");
    gain->setValue(5);
    QCOMPARE(bench->shown("IFA2_Gain"), QString("-0.53 dB"));

    bench->combo("IFA2_AGC_MD")->setCurrentIndex(1);
    QVERIFY(!gain->isEnabled());
    QVERIFY(!bench->display("IFA2_Gain")->isEnabled());
    QCOMPARE(bench->shown("IFA2_Gain"), QString("-0.53 dB"));

    bench->combo("IFA2_OT")->setCurrentIndex(1);
    QVERIFY(gain->isEnabled());
    QVERIFY(bench->display("IFA2_Gain")->isEnabled());
    QCOMPARE(bench->shown("IFA2_Gain"), QString("17.1%"));
    QVERIFY(bench->combo("IFA2_ADC_LVDS")->isEnabled());
    QVERIFY(bench->combo("IFA2_ADC_Clk")->isEnabled());
    QVERIFY(!bench->combo("IFA2_OP")->isEnabled());
    QVERIFY(!bench->combo("IFA2_AmpLvl")->isEnabled());

    bench->combo("IFA2_OT")->setCurrentIndex(0);
    QVERIFY(!bench->combo("IFA2_ADC_LVDS")->isEnabled());
    QVERIFY(bench->combo("IFA2_OP")->isEnabled());
    QVERIFY(bench->combo("IFA2_AmpLvl")->isEnabled());
}

void FieldRulesTest::agcModeChangesOnlyItsChannel()
{
    bench->spin("IFA1_ManGC")->setValue(31);
    QCOMPARE(bench->shown("IFA1_ManGC"), QString("67.96 dB"));
    bench->spin("IFA1_Gain")->setValue(31);
    for (const QString &display : {"IFA2_ManGC", "IFA2_Gain"})
        bench->display(display)->setText("untouched");

    bench->combo("IFA1_AGC_MD")->setCurrentIndex(1);
    QVERIFY(!bench->spin("IFA1_ManGC")->isEnabled());
    QVERIFY(!bench->display("IFA1_ManGC")->isEnabled());
    QCOMPARE(bench->shown("IFA1_ManGC"), QString("67.96 dB"));
    QVERIFY(!bench->spin("IFA1_Gain")->isEnabled());
    QCOMPARE(bench->shown("IFA1_Gain"), QString("2.75 dB"));

    QCOMPARE(bench->shown("IFA2_ManGC"), QString("untouched"));
    QCOMPARE(bench->shown("IFA2_Gain"), QString("untouched"));
    QVERIFY(bench->spin("IFA2_ManGC")->isEnabled());
}

void FieldRulesTest::outputLevelFollowsTypeAndInterface()
{
    const QStringList cmos = {"1.8 V", "2.4 V", "2.7 V", "ext. (Vcc)"};
    const QStringList lvds = {"1.8 mA", "2.6 mA", "3.5 mA", "4.4 mA"};
    const QStringList lvdsEco = {"1.0 mA", "1.5 mA", "2.0 mA", "2.5 mA"};
    QComboBox *level2 = bench->combo("IFA2_ADC_OL");
    level2->setCurrentIndex(3);
    const RegImage before = bench->map.wr;

    bench->combo("IFA2_OT")->setCurrentIndex(1);
    QVERIFY(level2->isEnabled());
    QCOMPARE(itemsOf(level2), cmos);
    bench->combo("IFA2_OT")->setCurrentIndex(0);
    QVERIFY(!level2->isEnabled());
    QCOMPARE(level2->currentIndex(), 3);

    bench->combo("IFA2_ADC_LVDS")->setCurrentIndex(1);
    QCOMPARE(itemsOf(level2), lvds);
    QCOMPARE(level2->currentText(), QString("4.4 mA"));

    // ECO_MD runs every channel, each by its own interface.
    bench->check("ECO_MD")->setChecked(true);
    QCOMPARE(itemsOf(level2), lvdsEco);
    QCOMPARE(itemsOf(bench->combo("IFA4_ADC_OL")), cmos);
    // SVLI means nothing to LVDS output, but moves the CMOS channels.
    bench->spin("SVLI")->setValue(1);
    QCOMPARE(itemsOf(level2), lvdsEco);
    QCOMPARE(itemsOf(bench->combo("IFA1_ADC_OL")), QStringList({"1.8 V", "1.8 V", "1.8 V", "ext. (Vcc)"}));

    // Only the combo boxes that were changed on purpose moved the image.
    QCOMPARE(level2->currentIndex(), 3);
    QCOMPARE(bench->map.getWidgetValue("IFA2_ADC_OL_KV2260v2"), 3);
    RegImage expected = before;
    bench->map.setBit(expected, 60, 1);   // SVLI
    bench->map.setBit(expected, 21, 1);   // ECO_MD
    bench->map.setBit(expected, 211, 1);  // IFA2_ADC_LVDS
    QVERIFY(bench->map.wr == expected);
}

void FieldRulesTest::outputLevelWithoutCurrentInterface()
{
    QComboBox *interface = bench->combo("IFA3_ADC_LVDS");
    QComboBox *level = bench->combo("IFA3_ADC_OL");
    interface->setCurrentIndex(-1);
    bench->combo("IFA3_OT")->setCurrentIndex(1);
    QVERIFY(level->isEnabled());
    QCOMPARE(itemsOf(level), QStringList({"0", "1", "2", "3"}));
}

void FieldRulesTest::rulesStartNoFurtherChanges()
{
    // Give every combo box a current item that the rewritten items keep.
    for (const part *record : qAsConst(bench->map.fields))
        if (auto *box = qobject_cast<QComboBox *>(record->widget))
            box->setCurrentIndex(box->count() - 1);
    bench->spin("IFA1_Gain")->setValue(4);

    struct Edit { const char *field; int value; } edits[] = {
        {"SVLI", 1}, {"CLK_OT", 1}, {"ECO_MD", 1}, {"PLL_LVDS_ECO_mask", 1}, {"ECO_MD", 0},
        {"LO_Source", 0}, {"IRC_DivR", 9}, {"TS_code", 300}, {"CLK_Source", 0},
        {"IFA1_OT", 0}, {"IFA1_AGC_MD", 0}, {"IFA1_Gain", 31}, {"IFA1_ManGC", 2},
        {"RF4_AGC_MD", 0}, {"RF4_Gain", 7}, {"IFA4_ADC_LVDS", 0}, {"LPF_code3_reg", 50},
        {"LPF_delta", 200}, {"C2_A_reg", 3},
    };
    for (const Edit &edit : edits) {
        const part *record = bench->map.fields.value(full(edit.field));
        QVERIFY2(record, edit.field);
        const int before = bench->changes;
        if (auto *box = qobject_cast<QComboBox *>(record->widget))
            box->setCurrentIndex(edit.value);
        else if (auto *box = qobject_cast<QSpinBox *>(record->widget))
            box->setValue(edit.value);
        else if (auto *box = qobject_cast<QCheckBox *>(record->widget))
            box->setChecked(edit.value != 0);
        QVERIFY2(bench->changes == before + 1, edit.field);
    }
    QCOMPARE(bench->nesting, 1);
    QVERIFY(bench->reports.isEmpty());
}

void FieldRulesTest::missingFieldsAreSkippedNotInserted()
{
    RegMap empty("KV2260v2", 128, 0);
    QMap<QString, part *> noDisplays;
    QWidget noForm;
    FieldRules rules(&empty, &noDisplays, &noForm);
    const QStringList triggers = {
        "C2_A_reg", "IRC_DivR", "SVLI", "TS_code", "CLK_Source", "CLK_OT", "ECO_MD",
        "PLL_LVDS_ECO_mask", "LO_Source", "LPF_code1_reg", "LPF_delta", "RF2_AGC_MD",
        "RF2_Gain", "IFA3_OT", "IFA3_Gain", "IFA3_AGC_MD", "IFA3_ManGC",
    };
    for (const QString &field : triggers)
        rules.apply(full(field), 1);
    for (int n = 0; n <= 5; ++n)
        rules.applyOutputLevel(n);
    QVERIFY(empty.fields.isEmpty());
    QVERIFY(noDisplays.isEmpty());

    // The panel of the temperature sensor type is optional: without it the
    // diode characteristic applies.
    bench->map.fields.remove(full("TS_DIO_MD"));
    const int fields = bench->map.fields.size();
    bench->spin("TS_code")->setValue(400);
    QCOMPARE(bench->shown("TS_code"), QString::fromUtf8("33.71 °C"));
    QCOMPARE(bench->map.fields.size(), fields);
}

KV_TEST_MAIN(FieldRulesTest)
#include "tst_fieldrules.moc"
