#include "FieldRules.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QVector>
#include <QWidget>
#include <algorithm>
#include <iterator>

#include "RegMap.h"
#include "ValueTables.h"

namespace {

// Object names of the main-form widgets the rules address directly.
const char dividerDisplayName[] = "IRC_DivR_KV2260v2_Expression";
const char clockVoltageName[] = "KV_CFB_CC_KV2260v2_100_2";
const char clockLevelName[] = "KV_CFB_OL_KV2260v2_102_2";
const char bandName[] = "KV_PLL_A_Band_KV2260v2_333_2";

// QString::number always writes the C locale's full stop.
QString shortest6(double value)
{
    return QString::number(value, 'g', 6);
}

template <typename Table>
QString entry(const Table &table, int index)
{
    if (index < 0 || index >= int(std::size(table)))
        return QString();
    return table[size_t(index)];
}

QString entry(const QStringList &table, int index)
{
    return table.value(index);
}

QString channelField(const char *pattern, int channel)
{
    return QString::fromLatin1(pattern).arg(channel);
}

// A text longer than its display shows from its start, not its end. A
// display that shows the text already is not laid out again.
void setText(QLineEdit *display, const QString &text)
{
    if (!display)
        return;
    if (display->text() != text)
        display->setText(text);
    if (display->cursorPosition() != 0)
        display->setCursorPosition(0);
}

// Setting a style sheet polishes the widget anew: only a new one is set.
void setStyleSheet(QWidget *widget, const QString &sheet)
{
    if (widget->styleSheet() != sheet)
        widget->setStyleSheet(sheet);
}

void setEnabled(QWidget *widget, bool enabled)
{
    if (widget)
        widget->setEnabled(enabled);
}

// Rewrites item texts in place. The current index, and so the field value,
// stays; QComboBox emits no index signal for a text change.
void setItemTexts(QComboBox *box, const QStringList &items)
{
    if (!box)
        return;
    const int count = std::min(box->count(), int(items.size()));
    for (int i = 0; i < count; ++i)
        if (box->itemText(i) != items[i])
            box->setItemText(i, items[i]);
}

// Clock output level items: the supply level picks the base list, a
// non-CMOS output adds the offset of the clock swing.
const QStringList clockLevelsSvli0 = {"1.8 V", "2.4 V", "2.7 V", "ext. VCC"};
const QStringList clockLevelsSvli1 = {"1.8 V", "1.8 V", "1.8 V", "ext. VCC"};
const QString clockSwingOffset = QStringLiteral(" – 0.55×VCLK");

const QStringList clockVoltagesDifferential = {"0.23Vp-p", "0.34Vp-p", "0.45Vp-p", "0.56Vp-p"};
const QStringList clockVoltagesLvdsEco = {"200mVp-p", "300mVp-p", "400mVp-p", "500mVp-p"};
const QStringList clockVoltagesLvds = {"350mVp-p", "525mVp-p", "700mVp-p", "875mVp-p"};

const QStringList bandsPllA = {"L2/L3/L5", "L1", "S", "unused"};
const QStringList bandsPllB = {"L2/L3/L5", "L1", "L2/L3/L5 for ch#2 (Galileo)",
                               "S for ch#1 + L2 for ch#2 (NAVIC)"};

// First and step of the TCXO bands above divider 8, in MHz.
constexpr double dividerBandLow = 4.688;
constexpr double dividerBandHigh = 5.312;
constexpr double dividerBandStep = 0.625;
constexpr int lastBlackDivider = 104;

// Sensor codes outside this range give no temperature.
constexpr int firstValidTemperatureCode = 189;
constexpr int lastValidTemperatureCode = 572;

} // namespace

// A rule fires when the field name holds every text of one of its triggers.
struct FieldRules::Rule
{
    QVector<QStringList> triggers;
    int channel;
    void (FieldRules::*run)(const QString &field, int value, int channel);
    // Whether what the rule shows depends on the field that fired it (its
    // name or its value), or only on the fields it reads itself.
    enum Outputs { PerTrigger, Shared } outputs = PerTrigger;

    bool firesFor(const QString &field) const
    {
        return std::any_of(triggers.begin(), triggers.end(), [&](const QStringList &texts) {
            return std::all_of(texts.begin(), texts.end(),
                               [&](const QString &text) { return field.contains(text); });
        });
    }
};

const std::vector<FieldRules::Rule> &FieldRules::rules()
{
    static const std::vector<Rule> list = [] {
        const QStringList clockOutputFields = {"CLK_OT_KV2260v2", "ECO_MD_KV2260v2",
                                               "PLL_LVDS_ECO_mask_KV2260v2"};
        auto each = [](const QStringList &names) {
            QVector<QStringList> triggers;
            for (const QString &name : names)
                triggers.append(QStringList{name});
            return triggers;
        };
        std::vector<Rule> chip = {
            {{{"C2_A_reg_KV2260v2"}}, 0, &FieldRules::showCapacitance},
            {{{"IRC_DivR_KV2260v2"}}, 0, &FieldRules::showDividerBand},
            {{{"SVLI_KV2260v2"}}, 0, &FieldRules::showSupplyLevel},
            {{{"TS_code_KV2260v2"}}, 0, &FieldRules::showTemperature},
            {{{"CLK_Source_KV2260v2"}}, 0, &FieldRules::enableTcxoDivider},
            {each(clockOutputFields), 0, &FieldRules::setClockVoltageItems, Rule::Shared},
            {each(clockOutputFields + QStringList{"SVLI_KV2260v2"}), 0,
             &FieldRules::setClockLevelItems, Rule::Shared},
            {{{"CLK_OT_KV2260v2"}}, 0, &FieldRules::enableClockOutputs},
            {{{"LO_Source"}}, 0, &FieldRules::setBandItems},
            {{{"LPF_code", "_reg"}}, 0, &FieldRules::showPassband},
            {{{"LPF_delta_KV2260v2"}}, 0, &FieldRules::showLpfDelta},
            {{{"RF", "_AGC_MD_KV2260v2"}}, 0, &FieldRules::enableRfGainMode},
            {{{"RF", "_Gain_KV2260v2"}}, 0, &FieldRules::showRfGain},
        };
        // Each channel runs its three rules before the next channel's.
        for (int n = 1; n <= 4; ++n) {
            const QString type = channelField("IFA%1_OT_KV2260v2", n);
            const QString agc = channelField("IFA%1_AGC_MD_KV2260v2", n);
            chip.push_back({each({type}), n, &FieldRules::enableOutputType});
            chip.push_back({each({channelField("IFA%1_Gain_KV2260v2", n), type, agc}), n,
                            &FieldRules::showIfGain, Rule::Shared});
            chip.push_back({each({channelField("IFA%1_ManGC_KV2260v2", n), agc}), n,
                            &FieldRules::showIfManualGain, Rule::Shared});
        }
        return chip;
    }();
    return list;
}

FieldRules::FieldRules(RegMap *map, const QMap<QString, part *> *displays, QWidget *mainForm,
                       Report report)
    : map(map), displays(displays), mainForm(mainForm), report(std::move(report))
{
}

template <typename W>
W *FieldRules::formWidget(const char *objectName) const
{
    // The form is searched once for each widget; one it lacks is searched
    // for again at the next run.
    QPointer<QWidget> &known = formWidgets[objectName];
    if (auto *widget = qobject_cast<W *>(known.data()))
        return widget;
    W *widget = mainForm ? mainForm->findChild<W *>(QString::fromLatin1(objectName)) : nullptr;
    known = widget;
    return widget;
}

void FieldRules::apply(const QString &field, int value)
{
    for (const Rule &rule : rules())
        if (rule.firesFor(field))
            (this->*rule.run)(field, value, rule.channel);
}

void FieldRules::applyAll()
{
    if (!map)
        return;
    // The field table is complete once the binding ran: match it once. A
    // rule whose outputs do not depend on the field that fires it runs once,
    // however many of its triggers there are.
    if (firing.empty())
        for (const Rule &rule : rules())
            for (auto it = map->fields.cbegin(); it != map->fields.cend(); ++it)
                if (rule.firesFor(it.key())) {
                    firing.push_back({&rule, it.key()});
                    if (rule.outputs == Rule::Shared)
                        break;
                }
    for (const auto &[rule, field] : firing)
        (this->*rule->run)(field, fieldValue(field), rule->channel);
    for (int channel = 1; channel <= 4; ++channel)
        applyOutputLevel(channel);
}

void FieldRules::applyOutputLevel(int channel)
{
    if (channel < 1 || channel > 4)
        return;
    auto *box = fieldCombo(channelField("IFA%1_ADC_OL_KV2260v2", channel));
    setEnabled(box, fieldValue(channelField("IFA%1_OT_KV2260v2", channel)) != 0);
    const QStringList items =
        adcOutputLevelItems(fieldValue(channelField("IFA%1_ADC_LVDS_KV2260v2", channel)),
                            fieldValue("ECO_MD_KV2260v2"), fieldValue("SVLI_KV2260v2"));
    setItemTexts(box, items);
}

// --- Texts ------------------------------------------------------------------

QString FieldRules::capacitanceText(int code)
{
    return entry(c2a_capacitance_list, code);
}

QString FieldRules::dividerBandText(int divider)
{
    if (divider == 0)
        return "10.00 MHz";
    if (divider == 1)
        return "24.84 MHz";
    if (divider <= 8)
        return "4.688-5.312 MHz";
    const double offset = (divider - 8) * dividerBandStep;
    return shortest6(offset + dividerBandLow) + "-" + shortest6(offset + dividerBandHigh)
           + " MHz";
}

QString FieldRules::dividerBandStyle(int divider)
{
    return divider <= lastBlackDivider ? "color: black;" : "color: red;";
}

QString FieldRules::supplyLevelText(int svli)
{
    return svli != 0 ? "< 2.85V" : "> 2.85V";
}

QStringList FieldRules::ifaOutputLevelItems(int svli)
{
    return svli != 0 ? ifa_op_levels_svli : ifa_op_levels;
}

QString FieldRules::temperatureText(int code, int resistorMode)
{
    if (code < firstValidTemperatureCode || code > lastValidTemperatureCode)
        return "not valid range";
    const double celsius = resistorMode != 0 ? (code - 769) * 0.203 : 206.67 - code * 0.4324;
    return QString::number(celsius, 'f', 2) + QStringLiteral(" °C");
}

bool FieldRules::tcxoDividerEnabled(int clockSource)
{
    return clockSource == 3;  // "TCXO pass-through"
}

QStringList FieldRules::clockVoltageItems(int outputType, int eco, int ecoMask)
{
    if (outputType == 1)
        return clockVoltagesDifferential;
    if (outputType >= 2)
        return ecoMask + eco == 2 ? clockVoltagesLvdsEco : clockVoltagesLvds;
    return QStringList();  // CMOS: the voltage items do not apply
}

QStringList FieldRules::clockLevelItems(int outputType, int svli)
{
    QStringList items = svli != 0 ? clockLevelsSvli1 : clockLevelsSvli0;
    if (outputType != 0)
        for (QString &item : items)
            item += clockSwingOffset;
    return items;
}

std::optional<FieldRules::ClockEnables> FieldRules::clockOutputEnables(int outputType)
{
    if (outputType == 0)
        return ClockEnables{false, true};
    if (outputType == 1)
        return ClockEnables{true, true};
    if (outputType >= 2)
        return ClockEnables{true, false};
    return std::nullopt;  // a combo box without current item
}

QStringList FieldRules::bandItems(int loSource)
{
    return loSource != 0 ? bandsPllB : bandsPllA;
}

QString FieldRules::passbandText(int code)
{
    return lpf_code_mhz.value(code) + " MHz";
}

QString FieldRules::lpfDeltaText(int value)
{
    // The 8-bit code holds 127 - delta for negative deltas.
    return QString::number(value <= 127 ? value : 127 - value);
}

QString FieldRules::rfGainText(int code)
{
    return shortest6(code * 0.95 + 2.35) + " dB";
}

FieldRules::IfGain FieldRules::ifGain(int agcMode, int outputType, int gain)
{
    const QString decibels = entry(ifa_gain_db, gain) + " dB";
    if (agcMode == 0)
        return {true, decibels};
    if (outputType != 0)
        return {true, entry(ifa_gain_percent, gain)};
    return {false, decibels};
}

QString FieldRules::ifManualGainText(int code)
{
    return entry(ifa_mangc_db, code) + " dB";
}

QStringList FieldRules::adcOutputLevelItems(int lvds, int eco, int svli)
{
    if (lvds < 0)
        return QStringList();
    const int base = lvds * 8 + (lvds != 0 ? eco : svli) * 4;
    if (base < 0 || base + 4 > adc_ol_levels.size())
        return QStringList();
    return adc_ol_levels.mid(base, 4);
}

// --- Rules ------------------------------------------------------------------

void FieldRules::showCapacitance(const QString &field, int value, int)
{
    setText(display(field), capacitanceText(value));
}

void FieldRules::showDividerBand(const QString &, int value, int)
{
    auto *band = formWidget<QLineEdit>(dividerDisplayName);
    if (!band)
        return;
    setStyleSheet(band, dividerBandStyle(value));
    setText(band, dividerBandText(value));
}

void FieldRules::showSupplyLevel(const QString &field, int value, int)
{
    setText(display(field), supplyLevelText(value));
    const QStringList items = ifaOutputLevelItems(value);
    for (const QString &name : ifa_op_names)
        setItemTexts(fieldCombo(name), items);
}

void FieldRules::showTemperature(const QString &field, int value, int)
{
    setText(display(field), temperatureText(value, fieldValue("TS_DIO_MD_KV2260v2")));
}

void FieldRules::enableTcxoDivider(const QString &, int value, int)
{
    setEnabled(fieldWidget("RO_CLK_R_KV2260v2"), tcxoDividerEnabled(value));
}

void FieldRules::setClockVoltageItems(const QString &, int, int)
{
    auto *box = formWidget<QComboBox>(clockVoltageName);
    setItemTexts(box, clockVoltageItems(fieldValue("CLK_OT_KV2260v2"),
                                        fieldValue("ECO_MD_KV2260v2"),
                                        fieldValue("PLL_LVDS_ECO_mask_KV2260v2")));
    setEnabled(box, true);
}

void FieldRules::setClockLevelItems(const QString &, int, int)
{
    auto *box = formWidget<QComboBox>(clockLevelName);
    setItemTexts(box, clockLevelItems(fieldValue("CLK_OT_KV2260v2"), fieldValue("SVLI_KV2260v2")));
    setEnabled(box, true);
}

void FieldRules::enableClockOutputs(const QString &, int value, int)
{
    const auto enables = clockOutputEnables(value);
    if (!enables)
        return;
    setEnabled(formWidget<QComboBox>(clockVoltageName), enables->voltage);
    setEnabled(formWidget<QComboBox>(clockLevelName), enables->level);
}

void FieldRules::setBandItems(const QString &, int value, int)
{
    setItemTexts(formWidget<QComboBox>(bandName), bandItems(value));
}

void FieldRules::showPassband(const QString &field, int value, int)
{
    setText(display(field), passbandText(value));
}

void FieldRules::showLpfDelta(const QString &field, int value, int)
{
    setText(display(field), lpfDeltaText(value));
}

void FieldRules::enableRfGainMode(const QString &field, int value, int)
{
    if (field.size() < 3)
        return;
    const QString rf = QStringLiteral("RF") + field.at(2);
    const bool automatic = value != 0;
    const QString gain = rf + "_Gain_KV2260v2";
    setEnabled(display(gain), !automatic);
    setEnabled(fieldWidget(gain), !automatic);
    setEnabled(fieldWidget(rf + "_AGC_UB_KV2260v2"), automatic);
    setEnabled(fieldWidget(rf + "_AGC_LB_KV2260v2"), automatic);
}

void FieldRules::showRfGain(const QString &field, int value, int)
{
    setText(display(field), rfGainText(value));
}

void FieldRules::enableOutputType(const QString &, int value, int channel)
{
    const bool adc = value != 0;
    setEnabled(fieldWidget(channelField("IFA%1_ADC_LVDS_KV2260v2", channel)), adc);
    setEnabled(fieldWidget(channelField("IFA%1_ADC_Clk_KV2260v2", channel)), adc);
    setEnabled(fieldWidget(channelField("IFA%1_OP_KV2260v2", channel)), !adc);
    setEnabled(fieldWidget(channelField("IFA%1_AmpLvl_KV2260v2", channel)), !adc);
}

void FieldRules::showIfGain(const QString &, int, int channel)
{
    const QString gain = channelField("IFA%1_Gain_KV2260v2", channel);
    const IfGain shown = ifGain(fieldValue(channelField("IFA%1_AGC_MD_KV2260v2", channel)),
                                fieldValue(channelField("IFA%1_OT_KV2260v2", channel)),
                                fieldValue(gain));
    QLineEdit *gainDisplay = display(gain);
    setText(gainDisplay, shown.text);
    setEnabled(gainDisplay, shown.enabled);
    setEnabled(fieldWidget(gain), shown.enabled);
}

void FieldRules::showIfManualGain(const QString &, int, int channel)
{
    const QString manual = channelField("IFA%1_ManGC_KV2260v2", channel);
    const bool enabled = fieldValue(channelField("IFA%1_AGC_MD_KV2260v2", channel)) == 0;
    QLineEdit *manualDisplay = display(manual);
    setText(manualDisplay, ifManualGainText(fieldValue(manual)));
    setEnabled(manualDisplay, enabled);
    setEnabled(fieldWidget(manual), enabled);
}

// --- Lookups ----------------------------------------------------------------
// value() throughout: a field or display that is missing is skipped and
// never entered into the tables.

int FieldRules::fieldValue(const QString &name) const
{
    return map ? map->getWidgetValue(name) : 0;
}

QWidget *FieldRules::fieldWidget(const QString &name) const
{
    const part *field = map ? map->fields.value(name) : nullptr;
    return field ? field->widget : nullptr;
}

QComboBox *FieldRules::fieldCombo(const QString &name) const
{
    return qobject_cast<QComboBox *>(fieldWidget(name));
}

QLineEdit *FieldRules::display(const QString &name) const
{
    const part *shown = displays ? displays->value(name) : nullptr;
    return shown ? qobject_cast<QLineEdit *>(shown->widget) : nullptr;
}
