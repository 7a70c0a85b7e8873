// The ECO mask, LPF calibration and common service panels and the two empty
// panels: what the main window's binding and the ".hex" writer rely on.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <climits>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "FormWalk.h"
#include "GrServiceClock.h"
#include "GrServiceLPF.h"
#include "GrTest.h"
#include "GrThynB.h"
#include "RegMap.h"
#include "TestMain.h"
#include "grLostW.h"
#include "mapshow.h"

namespace {

// One register-bound widget as its panel must hold it.
struct Field
{
    const char *object;   // object name
    const char *cls;      // exact class name (the binding tells widgets apart by it)
    const char *place;    // register bits: "Reg49 bit 4", "Reg108 bit 0, Reg109 bits 7-0"
    const char *caption;  // caption label before the widget; null for a check box
    const char *text;     // check-box text or caption text
    QStringList items;    // combo-box items, in code order
};

struct Panel
{
    const char *cls;
    std::function<QWidget *()> make;
    const char *title;
    QSize size;
    std::vector<Field> fields;
    std::map<QString, QString> groupTitles;
};

const QStringList codes4 = {"0", "1", "2", "3"};
const QStringList lpfModes = {"direct control ", "with calibration"};

const char *CB = "QCheckBox";
const char *CO = "QComboBox";
const char *SP = "QSpinBox";
const char *LE = "QLineEdit";
const char *LA = "QLabel";

const std::vector<Panel> &panels()
{
    static const std::vector<Panel> all = {
        {"grLostW", [] { return new grLostW; }, "ECO", QSize(489, 303),
         {
             {"KV_MIX_ECO_mask_KV2260v2_395_1", CB, "Reg49 bit 4", nullptr, "MIX_ECO_mask", {}},
             {"KV_MIX_LDO_ECO_mask_KV2260v2_932_1", CB, "Reg116 bit 3", nullptr, "MIX_LDO_ECO_mask", {}},
             {"KV_LNA_ECO_mask_KV2260v2_394_1", CB, "Reg49 bit 5", nullptr, "LNA_ECO_mask", {}},
             {"KV_LNA_LDO_ECO_mask_KV2260v2_931_1", CB, "Reg116 bit 4", nullptr, "LNA_LDO_ECO_mask", {}},
             {"KV_IFA_ECO_mask_KV2260v2_397_1", CB, "Reg49 bit 2", nullptr, "IFA_ECO_mask", {}},
             {"KV_IFA_LDO_ECO_mask_KV2260v2_934_1", CB, "Reg116 bit 1", nullptr, "IFA_LDO_ECO_mask", {}},
             {"KV_IFA_LVDS_ECO_mask_KV2260v2_398_1", CB, "Reg49 bit 1", nullptr, "IFA_LVDS_ECO_mask", {}},
             {"KV_IFA_BUF_LDO_ECO_mask_KV2260v2_935_1", CB, "Reg116 bit 0", nullptr, "IFA_BUF_LDO_ECO_mask", {}},
             {"KV_PLL_LVDS_ECO_mask_KV2260v2_399_1", CB, "Reg49 bit 0", nullptr, "PLL_LVDS_ECO_mask", {}},
             {"KV_PLL_LDO_ECO_mask_KV2260v2_933_1", CB, "Reg116 bit 2", nullptr, "PLL_LDO_ECO_mask", {}},
             {"KV_QF_ECO_mask_KV2260v2_396_1", CB, "Reg49 bit 3", nullptr, "QF_ECO_mask", {}},
             {"KV_SPL_ECO_mask_KV2260v2_393_1", CB, "Reg49 bit 6", nullptr, "SPL_ECO_mask", {}},
             {"KV_LNA_CS_ECO_KV2260v2_938_1", CB, "Reg117 bit 5", nullptr, "LNA CS ECO", {}},
             {"KV_LNA_Gcomp_ECO_L_KV2260v2_947_1", CB, "Reg118 bit 4", nullptr, "LNA L Gcomp ECO", {}},
             {"KV_LNA_CC_ECO_L_KV2260v2_948_2", CO, "Reg118 bits 3-2", "LNA_CC_ECO_LLabelG", "LNA_CC_ECO_L", codes4},
             {"KV_LNA_CCt_ECO_L_KV2260v2_950_2", CO, "Reg118 bits 1-0", "LNA_CCt_ECO_LLabelG", "LNA_CCt_ECO_L", codes4},
             {"KV_LNA_Gcomp_ECO_S_KV2260v2_939_1", CB, "Reg117 bit 4", nullptr, "LNA S Gcomp ECO", {}},
             {"KV_LNA_CC_ECO_S_KV2260v2_940_2", CO, "Reg117 bits 3-2", "LNA_CC_ECO_SLabelG", "LNA_CC_ECO_S", codes4},
             {"KV_LNA_CCt_ECO_S_KV2260v2_942_2", CO, "Reg117 bits 1-0", "LNA_CCt_ECO_SLabelG", "LNA_CCt_ECO_S", codes4},
             {"KV_MIX_CS_ECO_KV2260v2_937_1", CB, "Reg117 bit 6", nullptr, "MIX CS ECO", {}},
             {"KV_MIX_GC_ECO_KV2260v2_952_2", CO, "Reg119 bits 7-6", "MIX_GC_ECOLabelG", "MIX_GC_ECO", codes4},
             {"KV_MIX_CC_ECO_KV2260v2_954_2", CO, "Reg119 bits 5-4", "MIX_CC_ECOLabelG", "MIX_CC_ECO", codes4},
             {"KV_MIX_LOB_CC_ECO_KV2260v2_956_2", CO, "Reg119 bits 3-2", "MIX_LOB_CC_ECOLabelG", "MIX_LOB_CC_ECO", codes4},
             {"KV_MIX_POLYBUF_CC_ECO_KV2260v2_958_2", CO, "Reg119 bits 1-0", "MIX_POLYBUF_CC_ECOLabelG", "MIX_POLYBUF_CC_ECO", codes4},
         },
         {{"groupBox_11", "ECO mask"}, {"groupBox_5", "LNA"}, {"groupBox", "MIX"}}},

        {"GrServiceLPF", [] { return new GrServiceLPF; }, "LPF autocalibration system service settings",
         QSize(462, 469),
         {
             {"KV_LPF4_Test_EN_KV2260v2_990_1", CB, "Reg123 bit 1", nullptr, "LPF test", {}},
             {"KV_LPF_Osc_EN_reg_KV2260v2_847_1", CB, "Reg105 bit 0", nullptr, "LPF oscillator", {}},
             {"KV_LPF_OSC_Test_EN_KV2260v2_989_1", CB, "Reg123 bit 2", nullptr, "LPF calibration oscillator test mode", {}},
             {"KV_LPF4_Test_MD_KV2260v2_991_1", CO, "Reg123 bit 0", "label", "LPF test mode", {"OUTP filter ", "OUTN filter "}},
             {"KV_LPF_OSC_CC_KV2260v2_850_2", CO, "Reg106 bits 5-4", "LPF_OSC_CCLabelG", "LPF oscillator current control",
              {"3.33 µA", "5.00 µA", "6.66 µA", "8.32 µA"}},
             {"KV_LPF_ACS_Pause_KV2260v2_848_2", CO, "Reg106 bits 7-6", "LPF_ACS_PauseLabelG",
              "The number of  periods before calibration", {"1023", "2047", "8191", "65535"}},
             {"KV_cntPulses_KV2260v2_871_9", LE, "Reg108 bit 0, Reg109 bits 7-0", "cntPulsesLabelG",
              "LPF adjustment system counter state", {}},
             {"KV_LPF_freq_KV2260v2_1008_9", SP, "Reg126 bits 7-0, Reg127 bit 7", "LPF_freqLabelG", "LPF oscillator pulses count", {}},
             {"KV_LPF_DivR_KV2260v2_1018_6", SP, "Reg127 bits 5-0", "LPF_DivRLabelG", "LPF oscillator divider ratio", {}},
             {"KV_LPF_OscDef_KV2260v2_840_7", SP, "Reg105 bits 7-1", "LPF_OscDefLabelG", "CFAS reference code (?)", {}},
             {"KV_LpfOscCode_st_KV2260v2_857_7", LE, "Reg107 bits 6-0", "LpfOscCode_stLabelG", "LPF oscillator control code", {}},
             {"KV_LPF_delta_KV2260v2_880_8", SP, "Reg110 bits 7-0", "LPF_deltaLabelG", "LPF calibration delta", {}},
             {"KV_LPF_code_KV2260v2_864_7", LE, "Reg108 bits 7-1", "LPF_codeLabelG", "LPF cut-off frequency code status", {}},
             {"KV_LPF_MD_1_KV2260v2_855_1", CO, "Reg106 bit 0", "label_4", "Channel #1 LPF mode", lpfModes},
             {"KV_LPF_MD_2_KV2260v2_854_1", CO, "Reg106 bit 1", "label_5", "Channel #2 LPF mode", lpfModes},
             {"KV_LPF_MD_3_KV2260v2_853_1", CO, "Reg106 bit 2", "label_6", "Channel #3 LPF mode", lpfModes},
             {"KV_LPF_MD_4_KV2260v2_852_1", CO, "Reg106 bit 3", "label_7", "Channel #4 LPF mode", lpfModes},
             {"KV_IFA_AGC_DOWN_KV2260v2_902_1", LA, "Reg112 bit 1", "label_2", "IFA AGC adjustment system Down indicator", {}},
             {"KV_IFA_AGC_UP_KV2260v2_903_1", LA, "Reg112 bit 0", "label_3", "IFA AGC adjustment system Up indicator", {}},
         },
         {{"groupBox_23", "LPF"}, {"groupBox", "Status"}, {"groupBox_2", ""}}},

        {"GrTest", [] { return new GrTest; }, "Common service settings", QSize(388, 415),
         {
             {"KV_PILOT_EN_KV2260v2_970_1", CB, "Reg121 bit 5", nullptr, "Test pilot signal", {}},
             {"KV_PILOT_PC_KV2260v2_971_1", CO, "Reg121 bit 4", "label_3", "Test pilot signal power control",
              {"high power (-45dBm)", "nominal power (-60dB)"}},
             {"KV_TS_DIO_MD_KV2260v2_911_1", CO, "Reg113 bit 0", "TS_DIO_MD_labelG", "TS element type", {"diode", "resistor"}},
             {"KV_SVLI_TP_KV2260v2_417_1", CO, "Reg52 bit 6", "label_4", "Supply voltage level indicator ",
              {"from SV_LVL", "from detector output"}},
             {"KV_IFA_TestDigOut_KV2260v2_976_2", CO, "Reg122 bits 7-6", "IFA_TestDigOutLabelG", "IFA digital output test mode",
              {"disabled", "disabled", "low logic-level test", "high logic-level test"}},
             {"KV_CLK_IT_KV2260v2_598_1", CO, "Reg74 bit 1", "label_2", "Clock frequency source",
              {"from PLL “A”", "from PLL “B”"}},
             {"KV_SV_LVL_KV2260v2_418_1", CO, "Reg52 bit 5", "label", "Supply voltage level ", {"VCC ≥ 2.85V", "VCC < 2.85V"}},
             {"KV_MIX_VCM_MD_KV2260v2_600_2", CO, "Reg75 bits 7-6", "MIX_VCM_MDLabelG", "Polyphase filter buffer output ",
              {"local resistive divider", "voltage from IFA", "pmos mirror operating point", "pmos mirror operating point"}},
             {"KV_ROB_LDO_V_KV2260v2_532_2", CO, "Reg66 bits 3-2", "ROB_LDO_VLabelG", "Supply voltage ", {"1.8V", "2.4V", "2.7V", "VCC"}},
             {"KV_ROB_CE_KV2260v2_534_1", CO, "Reg66 bit 1", "label_8", "Input type", {"AC", "DC"}},
             {"KV_ROB_CC_KV2260v2_535_1", CO, "Reg66 bit 0", "label_9", "Current control", {"270 µA", "335 µA"}},
             {"KV_Open_Reserve_KV2260v2_104_5", SP, "Reg13 bits 7-3", "Open_ReserveLabelG", "Open_Reserve", {}},
             {"KV_Common_Reserve_KV2260v2_904_6", SP, "Reg113 bits 7-2", "Common_ReserveLabelG", "Common_Reserve", {}},
             {"KV_MIX4_RSRV_CC_KV2260v2_794_2", CO, "Reg99 bits 5-4", "MIX4_RSRV_CCLabelG", "Reserved bits ", codes4},
             {"KV_MIX4_Reserve_KV2260v2_552_2", CO, "Reg69 bits 7-6", "MIX4_ReserveLabelG", "Reserved bits ", codes4},
             {"KV_MIX3_RSRV_CC_KV2260v2_730_2", CO, "Reg91 bits 5-4", "MIX3_RSRV_CCLabelG", "Reserved bits ", codes4},
             {"KV_MIX3_Reserve_KV2260v2_554_2", CO, "Reg69 bits 5-4", "MIX3_ReserveLabelG", "Reserved bits ", codes4},
             {"KV_MIX2_RSRV_CC_KV2260v2_666_2", CO, "Reg83 bits 5-4", "MIX2_RSRV_CCLabelG", "Reserved bits ", codes4},
             {"KV_MIX2_Reserve_KV2260v2_556_2", CO, "Reg69 bits 3-2", "MIX2_ReserveLabelG", "Reserved bits ", codes4},
             {"KV_MIX1_Reserve_KV2260v2_558_2", CO, "Reg69 bits 1-0", "MIX1_ReserveLabelG", "Reserved bits ", codes4},
             {"KV_MIX1_RSRV_CC_KV2260v2_602_2", CO, "Reg75 bits 5-4", "MIX1_RSRV_CCLabelG", "Reserved bits ", codes4},
         },
         {{"StartKV2260v2", ""}, {"groupBox_35", "ROB"}, {"groupBox_2", ""}}},

        {"GrServiceClock", [] { return new GrServiceClock; }, "Service CLock", QSize(372, 129), {}, {}},
        {"GrThynB", [] { return new GrThynB; }, "Form", QSize(419, 385), {}, {}},
    };
    return all;
}

// Register image with exactly the bits a placement text names set.
RegImage imageOf(const QString &place)
{
    RegImage image(128, 0);
    static const QRegularExpression piece("^Reg(\\d+) bits? (\\d+)(?:-(\\d+))?$");
    for (const QString &text : place.split(", ")) {
        const QRegularExpressionMatch m = piece.match(text);
        if (!m.hasMatch())
            qFatal("bad placement text in the test table: %s", qPrintable(text));
        const int reg = m.captured(1).toInt();
        const int high = m.captured(2).toInt();
        const int low = m.captured(3).isEmpty() ? high : m.captured(3).toInt();
        for (int b = low; b <= high; ++b)
            image[size_t(reg)] |= quint8(1u << b);
    }
    return image;
}

// Row layout holding a widget and the widget's index in it.
QLayout *rowOf(QLayout *layout, QWidget *widget, int *index)
{
    if (!layout)
        return nullptr;
    const int at = layout->indexOf(widget);
    if (at >= 0) {
        *index = at;
        return layout;
    }
    for (int i = 0; i < layout->count(); ++i)
        if (QLayout *found = rowOf(layout->itemAt(i)->layout(), widget, index))
            return found;
    return nullptr;
}

QWidget *widgetBefore(QWidget *widget, int offset = -1)
{
    int index = -1;
    QLayout *row = rowOf(widget->parentWidget()->layout(), widget, &index);
    if (!row || index + offset < 0 || index + offset >= row->count())
        return nullptr;
    return row->itemAt(index + offset)->widget();
}

QString fieldOf(const char *object)
{
    return QString(object).section("_KV2260v2_", 0, 0).mid(3);
}

} // namespace

class ServicePanelsTest : public QObject
{
    Q_OBJECT

private slots:
    void bound_data();
    void bound();
    void placement_data() { bound_data(); }
    void placement();
    void captions_data() { bound_data(); }
    void captions();
    void comboItems_data() { bound_data(); }
    void comboItems();
    void window_data() { bound_data(); }
    void window();
    void freeNamesBindNothing_data() { bound_data(); }
    void freeNamesBindNothing();
    void fieldNamesUnique();

    void ecoStyleSheet();
    void ecoBackgroundPainted();
    void lpfDeltaHiddenButBound();
    void lpfLampsStartDisabled();
    void testPanelTabs();
    void placeholdersAreEmpty();
};

void ServicePanelsTest::bound_data()
{
    QTest::addColumn<int>("index");
    for (size_t i = 0; i < panels().size(); ++i)
        QTest::newRow(panels()[i].cls) << int(i);
}

// Exactly the table's widgets are register-bound, each with its exact class.
void ServicePanelsTest::bound()
{
    QFETCH(int, index);
    const Panel &desc = panels()[size_t(index)];
    std::unique_ptr<QWidget> panel(desc.make());
    QMap<QString, QString> expected;
    for (const Field &f : desc.fields)
        expected.insert(f.object, f.cls);
    QCOMPARE(registerBoundClasses(panel.get()), expected);
}

// Each name parses to its field, and its bits land where the table says:
// an edited widget sets exactly those register bits, and exactly those bits
// fill a display widget.
void ServicePanelsTest::placement()
{
    QFETCH(int, index);
    const Panel &desc = panels()[size_t(index)];
    std::unique_ptr<QWidget> panel(desc.make());
    for (const Field &f : desc.fields) {
        std::unique_ptr<part> field(mapshow::ParseObjName(f.object));
        QVERIFY2(field, f.object);
        QCOMPARE(field->name, fieldOf(f.object) + "_KV2260v2");
        QCOMPARE(field->chip, QString("KV2260v2"));
        QVERIFY(!field->inverted && !field->multiPiece);

        RegMap map("KV2260v2", 128, 0);
        field->widget = panel->findChild<QWidget *>(f.object);
        QVERIFY2(field->widget, f.object);
        map.fields.insert(field->name, field.get());
        const RegImage expected = imageOf(f.place);
        const int allOnes = int((1u << field->width) - 1);
        QWidget *w = field->widget;
        if (auto *box = qobject_cast<QCheckBox *>(w)) {
            box->setChecked(true);
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            combo->setCurrentIndex(allOnes);
        } else if (auto *spin = qobject_cast<QSpinBox *>(w)) {
            spin->setMaximum(INT_MAX);  // as the binding does
            spin->setValue(allOnes);
        } else {
            // Read-only displays: fill them from the register bits instead.
            map.setWidgetValue(field->name, expected);
            if (auto *edit = qobject_cast<QLineEdit *>(w))
                QCOMPARE(edit->text(), QString::number(allOnes));
            else
                QCOMPARE(qobject_cast<QLabel *>(w)->pixmap(Qt::ReturnByValue).toImage(),
                         QPixmap(":/Bulb-good.png").toImage());
            continue;
        }
        QCOMPARE(map.storeWidgetValue(field->name), allOnes);
        QVERIFY2(map.wr == expected, f.object);
    }
}

// Check boxes carry their text; every other field widget follows its caption
// label in its row. The ".hex" writer finds a caption among the widget's
// siblings by "<FIELD>LabelG": only the captions so named may match.
void ServicePanelsTest::captions()
{
    QFETCH(int, index);
    const Panel &desc = panels()[size_t(index)];
    std::unique_ptr<QWidget> panel(desc.make());
    for (const Field &f : desc.fields) {
        QWidget *w = panel->findChild<QWidget *>(f.object);
        QVERIFY2(w, f.object);
        if (!f.caption) {
            QCOMPARE(qobject_cast<QCheckBox *>(w)->text(), QString(f.text));
            continue;
        }
        auto *caption = qobject_cast<QLabel *>(widgetBefore(w));
        QVERIFY2(caption, f.object);
        QCOMPARE(caption->objectName(), QString(f.caption));
        QCOMPARE(caption->text(), QString(f.text));

        const QString key = fieldOf(f.object) + "LabelG";
        QStringList matching;
        for (QObject *sibling : w->parentWidget()->children())
            if (sibling->objectName().contains(key))
                matching << sibling->objectName();
        const QStringList expected = QString(f.caption).endsWith("LabelG") ? QStringList{key} : QStringList{};
        QCOMPARE(matching, expected);
    }
}

// Every code of a combo box's field has an item, with the table's text.
void ServicePanelsTest::comboItems()
{
    QFETCH(int, index);
    const Panel &desc = panels()[size_t(index)];
    std::unique_ptr<QWidget> panel(desc.make());
    for (const Field &f : desc.fields) {
        if (QString(f.cls) != CO)
            continue;
        auto *combo = panel->findChild<QComboBox *>(f.object);
        QVERIFY2(combo, f.object);
        std::unique_ptr<part> field(mapshow::ParseObjName(f.object));
        QCOMPARE(combo->count(), 1 << field->width);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, f.items);
        QCOMPARE(combo->currentIndex(), 0);
    }
}

void ServicePanelsTest::window()
{
    QFETCH(int, index);
    const Panel &desc = panels()[size_t(index)];
    std::unique_ptr<QWidget> panel(desc.make());
    QCOMPARE(panel->objectName(), QString(desc.cls));
    QCOMPARE(panel->windowTitle(), QString(desc.title));
    QCOMPARE(panel->size(), desc.size);
    QVERIFY(panel->isWindow());
    QVERIFY(panel->isHidden());
    for (const auto &group : desc.groupTitles) {
        auto *box = panel->findChild<QGroupBox *>(group.first);
        QVERIFY2(box, qPrintable(group.first));
        QCOMPARE(box->title(), group.second);
    }
}

// The main window's walk binds settings widgets, derived displays and panel
// buttons by name too: nothing else on a panel may look like one.
void ServicePanelsTest::freeNamesBindNothing()
{
    QFETCH(int, index);
    const Panel &desc = panels()[size_t(index)];
    std::unique_ptr<QWidget> panel(desc.make());
    for (QWidget *w : panel->findChildren<QWidget *>()) {
        const QString name = w->objectName();
        if (std::unique_ptr<part>(mapshow::ParseObjName(name)))
            continue;
        QVERIFY2(!name.startsWith("KV_"), qPrintable(name));
        QVERIFY2(!name.startsWith("Setting_"), qPrintable(name));
        QVERIFY2(!name.endsWith("_Expression") || name == "LPF_delta_KV2260v2_Expression", qPrintable(name));
        QVERIFY2(!qobject_cast<QPushButton *>(w) || !name.startsWith("Button"), qPrintable(name));
    }
}

void ServicePanelsTest::fieldNamesUnique()
{
    QStringList seen;
    for (const Panel &desc : panels()) {
        std::unique_ptr<QWidget> panel(desc.make());
        for (QWidget *w : registerBoundWidgets(panel.get())) {
            std::unique_ptr<part> field(mapshow::ParseObjName(w->objectName()));
            QVERIFY2(!seen.contains(field->name), qPrintable(field->name));
            seen << field->name;
        }
    }
    QCOMPARE(seen.size(), 24 + 19 + 21);
}

void ServicePanelsTest::ecoStyleSheet()
{
    grLostW panel;
    // selector -> declarations, in order, exactly as written
    const QList<QPair<QString, QStringList>> expected = {
        {"QGroupBox",
         {"border: 2px solid #111C24;", "border-radius: 5px;", "margin-top: 6px;",
          "background-color:  rgba(255, 255, 255, 255);"}},
        {"QGroupBox::title",
         {"subcontrol-origin: margin;", "subcontrol-position: top center;", "padding: 0 3px;",
          "border: 2px solid  #111C24;", "border-radius: 5px;", "background-color: #FFFFFF;"}},
        {"QWidget#grLostW",
         {"margin-top: 0ex;", "background-image:url(:/bg2-min.png);", "background-position: center;"}},
    };
    QList<QPair<QString, QStringList>> rules;
    static const QRegularExpression rule("([^{}]+)\\{([^}]*)\\}");
    auto it = rule.globalMatch(panel.styleSheet());
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        QStringList decls;
        for (const QString &line : m.captured(2).split('\n', Qt::SkipEmptyParts))
            if (!line.trimmed().isEmpty())
                decls << line.trimmed();
        rules << qMakePair(m.captured(1).trimmed(), decls);
    }
    QCOMPARE(rules, expected);
}

// The panel shows its centred, tiled background around the group boxes,
// and the group boxes stay opaque white.
void ServicePanelsTest::ecoBackgroundPainted()
{
    grLostW panel;
    QVERIFY(panel.testAttribute(Qt::WA_StyledBackground));
    panel.layout()->activate();
    const QImage shot = panel.grab().toImage();
    const QImage bg(":/bg2-min.png");
    QVERIFY(!bg.isNull());

    const int ox = (panel.width() - bg.width()) / 2;
    const int oy = (panel.height() - bg.height()) / 2;
    auto bgAt = [&](QPoint p) {
        const int x = ((p.x() - ox) % bg.width() + bg.width()) % bg.width();
        const int y = ((p.y() - oy) % bg.height() + bg.height()) % bg.height();
        return bg.pixel(x, y);
    };
    const QRect eco = panel.findChild<QGroupBox *>("groupBox_11")->geometry();
    const QRect lna = panel.findChild<QGroupBox *>("groupBox_5")->geometry();
    const QList<QPoint> outside = {{1, 1}, {panel.width() - 2, panel.height() - 2},
                                   {lna.left() + 20, (eco.bottom() + lna.top()) / 2}};
    for (QPoint p : outside)
        QCOMPARE(QColor(shot.pixel(p)), QColor(bgAt(p)));
    QVERIFY(QColor(bgAt(QPoint(1, 1))) != panel.palette().color(QPalette::Window));

    const QPoint inside(eco.left() + 6, eco.bottom() - 6);
    QCOMPARE(QColor(shot.pixel(inside)), QColor(Qt::white));
}

// The raw delta stays bound but hidden; the row shows its caption and the
// signed derived display.
void ServicePanelsTest::lpfDeltaHiddenButBound()
{
    GrServiceLPF panel;
    panel.show();
    auto *delta = panel.findChild<QSpinBox *>("KV_LPF_delta_KV2260v2_880_8");
    auto *display = panel.findChild<QLineEdit *>("LPF_delta_KV2260v2_Expression");
    QVERIFY(delta && display);
    QVERIFY(!delta->isVisible());
    QVERIFY(display->isVisible());
    QVERIFY(panel.findChild<QLabel *>("LPF_deltaLabelG")->isVisible());
    QCOMPARE(widgetBefore(delta, +1), display);
    QVERIFY(registerBoundWidgets(&panel).contains(delta));
}

void ServicePanelsTest::lpfLampsStartDisabled()
{
    GrServiceLPF panel;
    const QImage disabled = QPixmap(":/Bulb-disabled.png").toImage();
    QVERIFY(!disabled.isNull());
    for (const char *name : {"KV_IFA_AGC_DOWN_KV2260v2_902_1", "KV_IFA_AGC_UP_KV2260v2_903_1"}) {
        auto *lamp = panel.findChild<QLabel *>(name);
        QCOMPARE(lamp->minimumSize(), QSize(20, 20));
        QCOMPARE(lamp->maximumSize(), QSize(20, 20));
        QCOMPARE(lamp->pixmap(Qt::ReturnByValue).toImage(), disabled);
    }
}

void ServicePanelsTest::testPanelTabs()
{
    GrTest panel;
    auto *tabs = panel.findChild<QTabWidget *>("tabWidget");
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->tabText(0), QString("Settings"));
    QCOMPARE(tabs->tabText(1), QString("Reserve"));
    QCOMPARE(tabs->widget(0)->objectName(), QString("tab"));
    QCOMPARE(tabs->widget(1)->objectName(), QString("tab_2"));
    // The reserve fields sit on the second tab, the rest on the first.
    for (QWidget *w : registerBoundWidgets(&panel)) {
        const bool reserve = w->objectName().contains("Reserve") || w->objectName().contains("RSRV");
        QVERIFY2(tabs->widget(reserve ? 1 : 0)->isAncestorOf(w), qPrintable(w->objectName()));
    }
}

void ServicePanelsTest::placeholdersAreEmpty()
{
    GrServiceClock clock;
    auto *layout = qobject_cast<QVBoxLayout *>(clock.layout());
    QVERIFY(layout);
    QCOMPARE(layout->objectName(), QString("verticalLayout"));
    QCOMPARE(layout->count(), 0);
    QVERIFY(clock.findChildren<QWidget *>().isEmpty());

    GrThynB synth;
    QVERIFY(!synth.layout());
    QVERIFY(synth.findChildren<QWidget *>().isEmpty());
}

KV_TEST_MAIN(ServicePanelsTest)
#include "tst_servicepanels.moc"
