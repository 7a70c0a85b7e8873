#pragma once
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "part.h"

class QComboBox;
class QLineEdit;
class QWidget;
class RegMap;

// The chip's field rules. After a field's widget changed, they keep the
// widgets that depend on it consistent: they fill the read-only derived
// displays ("<FIELD>_KV2260v2_Expression"), rewrite the item texts of combo
// boxes whose codes change meaning with another setting, and enable or
// disable widgets that have no effect in the current mode.
//
// The rules only change texts, item texts and enabled states, never a value
// or a current index, so they start no further change handling. They keep no
// state: every run recomputes its outputs from the widgets. Fields that live
// on service panels are looked up by name and skipped when absent; lookups
// never add entries to the field table or the display map.
//
// Every number is written with a full stop, whatever the locale.
class FieldRules
{
public:
    using Report = std::function<void(const QString &)>;

    // `map` is the chip's register map (fields and their widgets), `displays`
    // the derived displays by field name, `mainForm` the main window, whose
    // clock-output, band and divider widgets some rules address by object
    // name. `report` receives texts meant for the message routing; none of
    // the present rules has any.
    FieldRules(RegMap *map, const QMap<QString, part *> *displays, QWidget *mainForm,
               Report report = Report());

    // Runs, in their fixed order, every rule whose trigger the changed
    // field's name ("<FIELD>_KV2260v2") holds; `value` is the field's new
    // value as stored from its widget.
    void apply(const QString &field, int value);

    // Runs every rule once for each field that triggers it, and every
    // channel's output-level rule, from the fields' current values: after
    // the whole register image changed at once, or the forms' texts were
    // set again.
    void applyAll();

    // Keeps the ADC output-level combo box of channel 1..4 consistent with
    // the channel's output type and interface and the chip's ECO and supply
    // settings.
    void applyOutputLevel(int channel);

    // The texts and states the rules show, one pure function per rule.
    static QString capacitanceText(int code);
    static QString dividerBandText(int divider);
    static QString dividerBandStyle(int divider);
    static QString supplyLevelText(int svli);
    static QStringList ifaOutputLevelItems(int svli);
    static QString temperatureText(int code, int resistorMode);
    static bool tcxoDividerEnabled(int clockSource);
    // Empty when the items stay as they are.
    static QStringList clockVoltageItems(int outputType, int eco, int ecoMask);
    static QStringList clockLevelItems(int outputType, int svli);
    struct ClockEnables
    {
        bool voltage;  // CFB_CC
        bool level;    // CFB_OL
    };
    static std::optional<ClockEnables> clockOutputEnables(int outputType);
    static QStringList bandItems(int loSource);
    static QString passbandText(int code);
    static QString lpfDeltaText(int value);
    static QString rfGainText(int code);
    struct IfGain
    {
        bool enabled;
        QString text;
    };
    static IfGain ifGain(int agcMode, int outputType, int gain);
    static QString ifManualGainText(int code);
    // Empty when the interface is unknown (a combo box without current item):
    // the items then stay as they are.
    static QStringList adcOutputLevelItems(int lvds, int eco, int svli);

private:
    struct Rule;
    static const std::vector<Rule> &rules();

    // One handler per rule; `channel` is 1..4 for the per-channel rules.
    void showCapacitance(const QString &field, int value, int channel);
    void showDividerBand(const QString &field, int value, int channel);
    void showSupplyLevel(const QString &field, int value, int channel);
    void showTemperature(const QString &field, int value, int channel);
    void enableTcxoDivider(const QString &field, int value, int channel);
    void setClockVoltageItems(const QString &field, int value, int channel);
    void setClockLevelItems(const QString &field, int value, int channel);
    void enableClockOutputs(const QString &field, int value, int channel);
    void setBandItems(const QString &field, int value, int channel);
    void showPassband(const QString &field, int value, int channel);
    void showLpfDelta(const QString &field, int value, int channel);
    void enableRfGainMode(const QString &field, int value, int channel);
    void showRfGain(const QString &field, int value, int channel);
    void enableOutputType(const QString &field, int value, int channel);
    void showIfGain(const QString &field, int value, int channel);
    void showIfManualGain(const QString &field, int value, int channel);

    int fieldValue(const QString &name) const;
    QWidget *fieldWidget(const QString &name) const;
    QComboBox *fieldCombo(const QString &name) const;
    QLineEdit *display(const QString &name) const;
    template <typename W>
    W *formWidget(const char *objectName) const;

    RegMap *map;
    const QMap<QString, part *> *displays;
    QWidget *mainForm;
    Report report;
    // What applyAll runs: each rule with the fields it runs for.
    std::vector<std::pair<const Rule *, QString>> firing;
    // The main form's widgets the rules address by object name, found once.
    mutable std::map<const char *, QPointer<QWidget>> formWidgets;
};
