// The synthesizer service panel is a pure form: everything the main window's
// binding, the ".hex" writer and the user rely on is in its object names,
// classes, captions, item lists and layout. These tests walk the built form
// and compare it with the field table below.
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSpinBox>
#include <memory>

#include "FormWalk.h"
#include "GrThynA.h"
#include "RegMap.h"
#include "TestMain.h"
#include "mapshow.h"

namespace {

const QString chip = QStringLiteral("KV2260v2");

enum Kind { Combo, Check, Spin, LineEdit, Lamp, InvertedLamp };
// Which of the panel's three top-level boxes holds the field.
enum Side { SynthA = 0, Shared = 1, SynthB = 2 };
enum CaptionKind { Plain, LabelG };

struct FieldRow
{
    const char *field;
    int reg, hi, lo;      // register and its data bits Dhi..Dlo
    Kind kind;
    Side side;
    const char *box;      // title of the nearest enclosing group box
    const char *caption;  // label before the widget; a check box's own text
    CaptionKind captionKind;
    QStringList items;    // combo items in code order

    int bit() const { return reg * 8 + 7 - hi; }
    int width() const { return hi - lo + 1; }
    QString objectName() const
    {
        return QStringLiteral("KV_%1_%2_%3_%4%5")
            .arg(QString::fromUtf8(field), chip)
            .arg(bit())
            .arg(width())
            .arg(kind == InvertedLamp ? "_I" : "");
    }
};

const char *className(Kind kind)
{
    switch (kind) {
    case Combo: return "QComboBox";
    case Check: return "QCheckBox";
    case Spin: return "QSpinBox";
    case LineEdit: return "QLineEdit";
    case Lamp:
    case InvertedLamp: return "QLabel";
    }
    return "";
}

QStringList codes(int count)
{
    QStringList texts;
    for (int code = 0; code < count; ++code)
        texts << QString::number(code);
    return texts;
}

const QVector<FieldRow> &fieldTable()
{
    const QStringList vcoCore = {"1.6mA", "1.8mA", "2.0mA", "2.2mA"};
    const QStringList vcoBuffer = {"0.75mA", "0.85mA", "0.95mA", "1.05mA"};
    const QStringList modes = {"manual", "auto"};
    const QStringList boundTypes = {"wide", "narrow"};
    const QStringList upper = {"0.53V",  "0.596V", "0.662V", "0.728V", "0.794V", "0.86V",
                               "0.926V", "0.992V", "1.068V", "1.124V", "1.19V",  "1.256V",
                               "1.322V", "1.288V", "1.454V", "1.53V"};
    const QStringList lower = {"0.26V",  "0.326V", "0.392V", "0.458V", "0.524V", "0.59V",
                               "0.656V", "0.722V", "0.788V", "0.854V", "0.92V",  "0.986V",
                               "1.052V", "1.118V", "1.184V", "1.25V"};
    const QStringList polarity = {"negative", "positive"};
    const QStringList duration = {"20 us", "40 us", "80 us", "160 us"};
    const QStringList r1 = {"0.54 kOhm",  "0.84 kOhm",  "1.26 kOhm",  "1.77 kOhm",
                            "2.43 kOhm",  "3.29 kOhm",  "4.40 kOhm",  "5.85 kOhm",
                            "7.73 kOhm",  "10.18 kOhm", "13.35 kOhm", "17.49 kOhm",
                            "22.87 kOhm", "29.86 kOhm", "38.95 kOhm", "50.68 kOhm"};
    const QStringList c1 = {"204.4 pF",  "217.2 pF",  "242.8 pF",  "281.1 pF",
                            "332.3 pF",  "396.2 pF",  "472.9 pF",  "562.4 pF",
                            "664.6 pF",  "779.7 pF",  "907.5 pF",  "1048.0 pF",
                            "1202.0 pF", "1368.0 pF", "1547.0 pF", "1738.0 pF"};
    const QStringList dacIn = {"0 V", "0.6 V", "1.2 V", "1.8 V"};
    const QStringList cp = {"25µA", "50µA", "100µA", "200µA"};
    const QStringList pfd = {"1.2ns", "1.9ns"};
    const QStringList skew = {"0 ps", "3 ps", "6 ps", "9 ps"};
    const QStringList pll = {"PLL “A”", "PLL “B”"};
    const QStringList manualAuto = {"manual ", "automatic "};
    const QStringList dac = {"0 V",     "0.112 V", "0.225 V", "0.337 V", "0.449 V", "0.562 V",
                             "0.675 V", "0.787 V", "0.899 V", "1.011 V", "1.124 V", "1.236 V",
                             "1.349 V", "1.461 V", "1.574 V", "1.687 V"};
    const char *dacInA = "VCO control voltage \nfor thermal compensation varactor \nin DAC mode";
    const char *dacInB = "VCO control voltage \nfor thermal compensation varactor \n in DAC mode";

    static const QVector<FieldRow> rows = {
        {"VCO_CC_A", 54, 6, 5, Combo, SynthA, "VCO", "Core current", LabelG, vcoCore},
        {"VCOB_CC_A", 54, 4, 3, Combo, SynthA, "VCO", "Buffer current ", LabelG, vcoBuffer},
        {"SAS_ICI_A", 111, 4, 4, Lamp, SynthA, "VCO", "VCO ICI", Plain, {}},
        {"SAS_Mode_A", 56, 3, 3, Combo, SynthA, "SAS", "Mode", Plain, modes},
        {"VCOBand_A", 54, 2, 0, Combo, SynthA, "SAS", "VCO subband", LabelG, codes(8)},
        {"VCO_SB_A", 111, 7, 5, LineEdit, SynthA, "SAS", "VCO subband", LabelG, {}},
        {"SAS_BT_A_reg", 56, 7, 7, Combo, SynthA, "SAS", "Bound type", Plain, boundTypes},
        {"SAS_UB_A", 55, 7, 4, Combo, SynthA, "SAS", "Upper bound", LabelG, upper},
        {"SAS_LB_A", 55, 3, 0, Combo, SynthA, "SAS", "Lower bound", LabelG, lower},
        {"SAS_PLR_A", 56, 6, 6, Combo, SynthA, "SAS", "Polarity", Plain, polarity},
        {"SAS_MT_A", 56, 5, 4, Combo, SynthA, "SAS", "Latency", LabelG, duration},
        {"R1_A_reg", 57, 7, 4, Combo, SynthA, "Loop filter", "R1", LabelG, r1},
        {"C1_A_reg", 57, 3, 0, Combo, SynthA, "Loop filter", "C1", LabelG, c1},
        {"C2_A_reg", 58, 7, 3, Spin, SynthA, "Loop filter", "C2", LabelG, {}},
        {"PLL_A_RC_BAND", 50, 5, 3, Combo, SynthA, "", "Comparison frequency bands", Plain, codes(8)},
        {"PLL_A_Ready", 112, 5, 5, InvertedLamp, SynthA, "", "PLL \"A\" ready", Plain, {}},
        {"VCO_Tcomp_DAC_IN_A", 51, 4, 3, Combo, SynthA, "", dacInA, LabelG, dacIn},
        {"CP_CC_A", 58, 1, 0, Combo, SynthA, "", "CP current", LabelG, cp},
        {"PFD_DLY_A", 58, 2, 2, Combo, SynthA, "", "PFD reset delay ", Plain, pfd},
        {"VCO_Tcomp_A_MD", 51, 5, 5, Combo, SynthA, "", "Thermal compensation ", Plain, {"from DAC_IN", "auto"}},
        {"MOD_QF_core_A", 115, 3, 3, Combo, SynthA, "Quadrature former", "PLL “A” QF core mode:", Plain,
         {"ch#1 and ch#2", "ch#2 only"}},
        {"QF_I1_CC", 80, 3, 2, Combo, SynthA, "Channel #1 ", "I", LabelG, skew},
        {"QF_Q1_CC", 80, 1, 0, Combo, SynthA, "Channel #1 ", "Q", LabelG, skew},
        {"QF_I2_CC", 88, 3, 2, Combo, SynthA, "Channel #2", "I", LabelG, skew},
        {"QF_Q2_CC", 88, 1, 0, Combo, SynthA, "Channel #2", "Q", LabelG, skew},

        {"VCO_CC_B", 60, 6, 5, Combo, SynthB, "VCO", "Core current", LabelG, vcoCore},
        {"VCOB_CC_B", 60, 4, 3, Combo, SynthB, "VCO", "Buffer current ", LabelG, vcoBuffer},
        {"SAS_ICI_B", 111, 0, 0, Lamp, SynthB, "VCO", "VCO ICI", Plain, {}},
        {"SAS_Mode_B", 62, 3, 3, Combo, SynthB, "SAS", "Mode", Plain, modes},
        {"VCOBand_B", 60, 2, 0, Combo, SynthB, "SAS", "VCO subband", LabelG, codes(8)},
        {"VCO_SB_B", 111, 3, 1, LineEdit, SynthB, "SAS", "VCO subband", Plain, {}},
        {"SAS_BT_B_reg", 62, 7, 7, Combo, SynthB, "SAS", "Bound type", Plain, boundTypes},
        {"SAS_UB_B", 61, 7, 4, Combo, SynthB, "SAS", "Upper bound", LabelG, upper},
        {"SAS_LB_B", 61, 3, 0, Combo, SynthB, "SAS", "Lower bound", LabelG, lower},
        {"SAS_PLR_B", 62, 6, 6, Combo, SynthB, "SAS", "SAS polarity", Plain, polarity},
        {"SAS_MT_B", 62, 5, 4, Combo, SynthB, "SAS", "VCO SAS duration", LabelG, duration},
        {"R1_B_reg", 63, 7, 4, Combo, SynthB, "Loop filter", "R1", LabelG, r1},
        {"C1_B_reg", 63, 3, 0, Combo, SynthB, "Loop filter", "C1", LabelG, c1},
        {"C2_B_reg", 64, 7, 3, Spin, SynthB, "Loop filter", "C2", LabelG, {}},
        {"PLL_B_RC_BAND", 50, 2, 0, Combo, SynthB, "", "Comparison frequency bands ", Plain, codes(8)},
        {"PLL_B_Ready", 112, 4, 4, InvertedLamp, SynthB, "", "PLL \"B\" ready", Plain, {}},
        {"VCO_Tcomp_DAC_IN_B", 51, 1, 0, Combo, SynthB, "", dacInB, LabelG, dacIn},
        {"CP_CC_B", 64, 1, 0, Combo, SynthB, "", "CP current", LabelG, cp},
        {"PFD_DLY_B", 64, 2, 2, Combo, SynthB, "", "PFD reset delay ", Plain, pfd},
        {"VCO_Tcomp_B_MD", 51, 2, 2, Combo, SynthB, "", "Thermal compensation ", Plain, {"form DAC_IN", "auto"}},
        {"MOD_QF_core_B", 115, 4, 4, Combo, SynthB, "Quadrature former", "PLL “B” QF core mode:", Plain,
         {"ch#3 and ch#4", "ch#3 only"}},
        {"QF_I3_CC", 96, 3, 2, Combo, SynthB, "Channel #3", "I", LabelG, skew},
        {"QF_Q3_CC", 96, 1, 0, Combo, SynthB, "Channel #3", "Q", LabelG, skew},
        {"QF_I4_CC", 104, 3, 2, Combo, SynthB, "Channel #4", "I", LabelG, skew},
        {"QF_Q4_CC", 104, 1, 0, Combo, SynthB, "Channel #4", "Q", LabelG, skew},

        {"QF_Buf_CC", 66, 5, 4, Combo, Shared, "", "Quadrature former \noutput bufferCC", LabelG,
         {"0.8 mA", "0.96 mA", "1.12 mA", "1.28 mA"}},
        {"R1_st", 124, 7, 4, Combo, Shared, "", "R1_st", Plain, codes(16)},
        {"C1_st", 124, 3, 0, Combo, Shared, "", "C1_st", Plain, codes(16)},
        {"C2_st", 125, 7, 3, Spin, Shared, "", "C2_st", Plain, {}},
        {"FMult_BC_MD", 52, 4, 4, Combo, Shared, "Frequency multiplier", "FMult_BC_MD", Plain,
         {"from FMult_BC_reg", "automatic "}},
        {"FMult_BC_reg", 52, 3, 2, Combo, Shared, "Frequency multiplier",
         "Frequency multiplier \nresonance adjustment ", LabelG,
         {"maximum frequency", "almost maximum frequency", "almost minimum frequency", "minimum frequency"}},
        {"FMult_BC_shift", 52, 1, 0, Combo, Shared, "Frequency multiplier", "Sign value of the shift ", LabelG,
         {"0", "1", "0", "-1"}},
        {"FMult_BC", 112, 7, 6, Combo, Shared, "Frequency multiplier", "FMult_BC (status)", LabelG, codes(4)},
        {"PLL_RC_STATUS_SRC", 125, 2, 2, Combo, Shared, "", "PLL select for loop filter coefficients ", Plain, pll},
        {"PLL_RC_MD", 125, 1, 1, Combo, Shared, "", "PLL loop filter coefficients selection mode", Plain, manualAuto},
        {"PLL_RCBAND_MD", 125, 0, 0, Combo, Shared, "", "Comparison frequency band selection mode", Plain, manualAuto},
        {"PLL_DAC", 122, 3, 0, Combo, Shared, "", "VCO control voltage", LabelG, dac},
        {"PLL_DAC_A_EN", 122, 5, 5, Check, Shared, "", "PLL “A” DAC enable", Plain, {}},
        {"PLL_DAC_B_EN", 122, 4, 4, Check, Shared, "", "PLL “B” DAC enable", Plain, {}},
        {"CFB_MD", 74, 0, 0, Combo, Shared, "", "Clock frequency buffer mode", Plain,
         {"LO test frequency output", "clock frequency output"}},
        {"LOTest_EN", 123, 4, 4, Check, Shared, "", "LOTest", Plain, {}},
        {"LOTest_IT", 123, 5, 5, Combo, Shared, "", "Source:", Plain, pll},
        {"PLL_Ready_Ignore", 60, 7, 7, Check, Shared, "", "Ignore PLL ready status", Plain, {}},
    };
    return rows;
}

// The box layout that holds the widget itself as one of its items.
QBoxLayout *rowOf(QWidget *widget)
{
    QList<QLayout *> pending = {widget->parentWidget()->layout()};
    while (!pending.isEmpty()) {
        QLayout *layout = pending.takeFirst();
        if (layout->indexOf(widget) >= 0)
            return qobject_cast<QBoxLayout *>(layout);
        for (int i = 0; i < layout->count(); ++i)
            if (QLayout *inner = layout->itemAt(i)->layout())
                pending << inner;
    }
    return nullptr;
}

// The nearest label before the widget in its row: the field's caption.
QLabel *captionOf(QWidget *widget)
{
    QBoxLayout *row = rowOf(widget);
    if (!row)
        return nullptr;
    for (int i = row->indexOf(widget) - 1; i >= 0; --i)
        if (auto *label = qobject_cast<QLabel *>(row->itemAt(i)->widget()))
            return label;
    return nullptr;
}

QGroupBox *enclosingBox(QWidget *widget)
{
    for (QWidget *w = widget->parentWidget(); w; w = w->parentWidget())
        if (auto *box = qobject_cast<QGroupBox *>(w))
            return box;
    return nullptr;
}

// Position of the top-level box holding the widget in the panel's row.
int sideOf(const QWidget *panel, QWidget *widget)
{
    QWidget *w = widget;
    while (w && w->parentWidget() != panel)
        w = w->parentWidget();
    return w ? panel->layout()->indexOf(w) : -1;
}

QStringList itemTexts(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

QStringList declarations(const QString &styleSheet, const QString &selector)
{
    const QRegularExpression block(QRegularExpression::escape(selector) + "\\s*\\{([^}]*)\\}");
    QStringList found;
    for (QString decl : block.match(styleSheet).captured(1).split(';', Qt::SkipEmptyParts)) {
        decl = decl.trimmed();
        if (!decl.isEmpty())
            found << decl + ';';
    }
    return found;
}

QList<int> stretches(const QBoxLayout *layout)
{
    QList<int> factors;
    for (int i = 0; i < layout->count(); ++i)
        factors << layout->stretch(i);
    return factors;
}

} // namespace

class SynthPanelTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<GrThynA> panel;

    template <typename T = QWidget>
    T *child(const QString &name) const
    {
        return panel->findChild<T *>(name);
    }

private slots:
    void init() { panel = std::make_unique<GrThynA>(); }
    void cleanup() { panel.reset(); }

    void window()
    {
        QCOMPARE(panel->objectName(), QString("GrThynA"));
        QCOMPARE(panel->windowTitle(), QString("Synthesizer A/B Service settings"));
        QCOMPARE(panel->size(), QSize(1351, 479));
        QVERIFY(!panel->parentWidget());
        const QString style = panel->styleSheet();
        QCOMPARE(declarations(style, "QGroupBox"),
                 QStringList({"border: 2px solid #111C24;", "border-radius: 5px;", "margin-top: 6px;",
                              "background-color:  rgba(255, 255, 255, 255);"}));
        QCOMPARE(declarations(style, "QGroupBox::title"),
                 QStringList({"subcontrol-origin: margin;", "subcontrol-position: top center;",
                              "padding: 0 3px;", "border: 2px solid  #111C24;", "border-radius: 5px;",
                              "background-color: #FFFFFF;"}));
    }

    // Exactly the table's widgets are register-bound, each once, each with
    // the record its placement gives.
    void boundWidgets()
    {
        QMap<QString, QString> expected;
        for (const FieldRow &row : fieldTable())
            expected.insert(row.objectName(), className(row.kind));
        QCOMPARE(expected.size(), 68);
        QCOMPARE(registerBoundClasses(panel.get()), expected);

        QSet<QString> fieldNames;
        for (QWidget *widget : registerBoundWidgets(panel.get())) {
            std::unique_ptr<part> record(mapshow::ParseObjName(widget->objectName()));
            QVERIFY2(!fieldNames.contains(record->name), qPrintable(record->name));
            fieldNames << record->name;
        }
        QCOMPARE(fieldNames.size(), 68);
    }

    void field_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < fieldTable().size(); ++i)
            QTest::newRow(fieldTable()[i].field) << i;
    }

    void field()
    {
        QFETCH(int, index);
        const FieldRow &row = fieldTable()[index];
        QWidget *widget = child(row.objectName());
        QVERIFY2(widget, qPrintable(row.objectName()));
        QCOMPARE(widget->metaObject()->className(), className(row.kind));

        std::unique_ptr<part> record(mapshow::ParseObjName(widget->objectName()));
        QVERIFY(record);
        QCOMPARE(record->name, QString::fromUtf8(row.field) + '_' + chip);
        QCOMPARE(record->chip, chip);
        QCOMPARE(record->startBit, row.bit());
        QCOMPARE(record->width, row.width());
        QCOMPARE(record->inverted, row.kind == InvertedLamp);
        QCOMPARE(record->bitStarts, std::vector<unsigned>{unsigned(row.bit())});
        QCOMPARE(record->widths, std::vector<unsigned>{unsigned(row.width())});

        QCOMPARE(sideOf(panel.get(), widget), int(row.side));
        QGroupBox *box = enclosingBox(widget);
        QVERIFY(box);
        QCOMPARE(box->title(), QString::fromUtf8(row.box));

        if (auto *combo = qobject_cast<QComboBox *>(widget)) {
            QCOMPARE(itemTexts(combo), row.items);
            // Every code of the field has its item, and no more.
            QCOMPARE(combo->count(), 1 << row.width());
        }

        if (auto *check = qobject_cast<QCheckBox *>(widget)) {
            QCOMPARE(check->text(), QString::fromUtf8(row.caption));
            return;
        }
        QLabel *caption = captionOf(widget);
        QVERIFY(caption);
        QCOMPARE(caption->text(), QString::fromUtf8(row.caption));
        if (row.captionKind == LabelG) {
            QCOMPARE(caption->objectName(), QString::fromUtf8(row.field) + "LabelG");
            QCOMPARE(caption->parentWidget(), widget->parentWidget());
        } else {
            QVERIFY2(!caption->objectName().endsWith("LabelG"), qPrintable(caption->objectName()));
        }
    }

    // The ".hex" writer takes any "<FIELD>LabelG" label as a caption, and the
    // binding takes meaning from "KV", "Setting_", "_Expression" and
    // "Button" names: nothing else on the panel may look like them.
    void noStrayBindingNames()
    {
        QSet<QString> expectedCaptions;
        for (const FieldRow &row : fieldTable())
            if (row.captionKind == LabelG)
                expectedCaptions << QString::fromUtf8(row.field) + "LabelG";
        QCOMPARE(expectedCaptions.size(), 36);

        QSet<QString> captions;
        const QSet<QString> displays = {"C2_A_reg_KV2260v2_Expression", "C2_B_reg_KV2260v2_Expression"};
        const QList<QWidget *> bound = registerBoundWidgets(panel.get());
        for (QObject *object : panel->findChildren<QObject *>()) {
            const QString name = object->objectName();
            if (name.endsWith("LabelG"))
                captions << name;
            QVERIFY2(!name.startsWith("KV") || bound.contains(qobject_cast<QWidget *>(object)), qPrintable(name));
            QVERIFY2(!name.contains("Setting"), qPrintable(name));
            QVERIFY2(!name.contains("_Expression") || displays.contains(name), qPrintable(name));
            QVERIFY2(!(qobject_cast<QPushButton *>(object) && name.startsWith("Button")), qPrintable(name));
        }
        QCOMPARE(captions, expectedCaptions);
    }

    void displays()
    {
        struct Display { const char *display; const char *field; };
        for (const Display &d : {Display{"C2_A_reg_KV2260v2_Expression", "KV_C2_A_reg_KV2260v2_464_5"},
                                 Display{"C2_B_reg_KV2260v2_Expression", "KV_C2_B_reg_KV2260v2_512_5"},
                                 Display{"lineEdit", "KV_C2_st_KV2260v2_1000_5"}}) {
            auto *display = child<QLineEdit>(d.display);
            QWidget *spin = child(d.field);
            QVERIFY2(display && spin, d.display);
            QBoxLayout *row = rowOf(spin);
            QCOMPARE(row->indexOf(display), row->indexOf(spin) - 1);
            QVERIFY(display->text().isEmpty());
        }
        QVERIFY(!child<QLineEdit>("lineEdit")->isReadOnly());
        QCOMPARE(stretches(rowOf(child("KV_C2_A_reg_KV2260v2_464_5"))), QList<int>({0, 2, 1}));
    }

    void lamps()
    {
        const QImage disabled = QPixmap(":/Bulb-disabled.png").toImage();
        QVERIFY(!disabled.isNull());
        for (const FieldRow &row : fieldTable()) {
            if (row.kind != Lamp && row.kind != InvertedLamp)
                continue;
            auto *lamp = child<QLabel>(row.objectName());
            QCOMPARE(lamp->minimumSize(), QSize(20, 20));
            QCOMPARE(lamp->maximumSize(), QSize(20, 20));
            QCOMPARE(lamp->pixmap(Qt::ReturnByValue).toImage(), disabled);
        }
    }

    void captionSizesAndAlignment()
    {
        for (const char *name : {"R1_A_regLabelG", "C1_A_regLabelG", "C2_A_regLabelG",
                                 "R1_B_regLabelG", "C1_B_regLabelG", "C2_B_regLabelG"}) {
            QCOMPARE(child(name)->minimumWidth(), 40);
            QCOMPARE(child(name)->maximumWidth(), 40);
        }
        QCOMPARE(child("VCO_SB_ALabelG")->minimumWidth(), 100);
        QCOMPARE(child("VCO_SB_ALabelG")->maximumWidth(), 100);
        QCOMPARE(captionOf(child("KV_VCO_SB_B_KV2260v2_892_3"))->minimumWidth(), 100);
        QCOMPARE(child("KV_VCO_SB_B_KV2260v2_892_3")->minimumWidth(), 40);

        const Qt::Alignment leftCentred = Qt::AlignLeft | Qt::AlignVCenter;
        QCOMPARE(captionOf(child("KV_SAS_ICI_A_KV2260v2_891_1"))->alignment() & leftCentred, leftCentred);
        QCOMPARE(captionOf(child("KV_SAS_ICI_B_KV2260v2_895_1"))->alignment() & leftCentred, leftCentred);
        for (int n = 1; n <= 4; ++n) {
            QCOMPARE(child<QLabel>(QString("QF_I%1_CCLabelG").arg(n))->alignment(), Qt::Alignment(Qt::AlignCenter));
            QCOMPARE(child<QLabel>(QString("QF_Q%1_CCLabelG").arg(n))->alignment(), Qt::Alignment(Qt::AlignCenter));
        }
        const Qt::Alignment rightCentred = Qt::AlignRight | Qt::AlignVCenter;
        QCOMPARE(captionOf(child("KV_LOTest_IT_KV2260v2_986_1"))->alignment() & rightCentred, rightCentred);
        QCOMPARE(rowOf(child("KV_LOTest_IT_KV2260v2_986_1"))->indexOf(child("KV_LOTest_EN_KV2260v2_987_1")), 0);
    }

    // Two columns per synthesizer: VCO over SAS (4 : 9), and loop filter,
    // the untitled PLL box and the quadrature former (4 : 7 : 0); every
    // inner box has the narrow frame margins.
    void synthesizerLayout()
    {
        for (QWidget *synth : {child("KV_VCO_CC_A_KV2260v2_433_2"), child("KV_VCO_CC_B_KV2260v2_481_2")}) {
            QGroupBox *vco = enclosingBox(synth);
            QGroupBox *outer = enclosingBox(vco);
            QCOMPARE(outer->layout()->spacing(), 4);
            QCOMPARE(outer->layout()->contentsMargins(), QMargins(4, 4, 4, 4));
            auto *columns = qobject_cast<QBoxLayout *>(outer->layout()->itemAt(0)->layout());
            QVERIFY(columns);
            QCOMPARE(stretches(columns), QList<int>({1, 1}));
            auto *left = qobject_cast<QBoxLayout *>(columns->itemAt(0)->layout());
            auto *right = qobject_cast<QBoxLayout *>(columns->itemAt(1)->layout());
            QCOMPARE(stretches(left), QList<int>({4, 9}));
            QCOMPARE(stretches(right), QList<int>({4, 7, 0}));
            QCOMPARE(left->itemAt(0)->widget(), vco);
            QCOMPARE(qobject_cast<QGroupBox *>(right->itemAt(0)->widget())->title(), QString("Loop filter"));
        }
        const QList<QGroupBox *> boxes = panel->findChildren<QGroupBox *>();
        QCOMPARE(boxes.size(), 3 + 2 * 7 + 3);
        for (QGroupBox *box : boxes) {
            if (box->parentWidget() == panel.get()) {
                QCOMPARE(box->title(), QString());
                continue;
            }
            QCOMPARE(box->layout()->contentsMargins(), QMargins(4, 12, 4, 4));
            if (!box->title().startsWith("Channel"))
                QCOMPARE(box->layout()->spacing(), 4);
        }
    }

    // The binding stores a combo's item index as the field's code in the
    // register the object name places it in.
    void bindingStoresCodes()
    {
        RegMap map(chip, 128, 0);
        std::vector<std::unique_ptr<part>> records;
        for (QWidget *widget : registerBoundWidgets(panel.get())) {
            records.emplace_back(mapshow::ParseObjName(widget->objectName()));
            records.back()->widget = widget;
            map.fields.insert(records.back()->name, records.back().get());
        }
        child<QComboBox>("KV_VCO_CC_A_KV2260v2_433_2")->setCurrentText("2.0mA");
        map.storeWidgetValue("VCO_CC_A_KV2260v2");
        QCOMPARE(int(map.wr[54]), 0x40);
        QCOMPARE(int(map.wr[60]), 0);
        child<QComboBox>("KV_VCO_CC_B_KV2260v2_481_2")->setCurrentIndex(2);
        map.storeWidgetValue("VCO_CC_B_KV2260v2");
        QCOMPARE(int(map.wr[60]), 0x40);

        // The second "0" of the shift is code 2.
        child<QComboBox>("KV_FMult_BC_shift_KV2260v2_422_2")->setCurrentIndex(2);
        map.storeWidgetValue("FMult_BC_shift_KV2260v2");
        QCOMPARE(int(map.wr[52]), 0x02);
    }
};

KV_TEST_MAIN(SynthPanelTest)
#include "tst_synthpanel.moc"
