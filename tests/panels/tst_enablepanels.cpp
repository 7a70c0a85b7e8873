// The status-enable, splitter and block-enable panels: every register-bound
// widget with its class, register placement, group, text and caption, the
// windows' titles, sizes and style sheets, and what an edit of each widget
// does to the register image.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <memory>

#include "FormWalk.h"
#include "GrEnable.h"
#include "RegMap.h"
#include "TestMain.h"
#include "grAOK.h"
#include "grSPL.h"
#include "mapshow.h"

namespace {

const QString chip = QStringLiteral("KV2260v2");

// One register field as the panel places it.
struct Field
{
    QString name;        // field name without the chip
    int reg;             // register holding the field's most significant bit
    int msb;             // that bit's data-bit number, D7 the most significant
    int width;
    QString widgetClass;
    QString group;       // title of the enclosing group box; null: the panel itself
    QString text;        // check box: its own text; combo: its caption
    bool labelG = false; // combo caption is named <FIELD>LabelG

    int firstBit() const { return reg * 8 + 7 - msb; }
    QString objectName() const
    {
        return QStringLiteral("KV_%1_%2_%3_%4").arg(name, chip).arg(firstBit()).arg(width);
    }
};

Field check(const QString &name, int reg, int msb, const QString &group, const QString &text)
{
    return {name, reg, msb, 1, "QCheckBox", group, text};
}

Field combo(const QString &name, int reg, int msb, int width, const QString &group,
            const QString &caption, bool labelG)
{
    return {name, reg, msb, width, "QComboBox", group, caption, labelG};
}

// Block-enable check boxes carry their field name as text.
Field enable(const QString &name, int reg, int msb, const QString &group)
{
    return check(name, reg, msb, group, name);
}

QList<Field> aokFields()
{
    const QString panel; // null: directly on the panel
    return {
        check("SVFI_AOK_EN", 6, 6, panel, "Supply voltage failure indicator "),
        check("SAS_AOK_EN", 6, 5, panel, "SAS status"),
        check("CFAS_AOK_EN", 6, 4, panel, "Service status"),
        check("LD_AOK_EN", 6, 3, panel, "PLL lock indicator"),
        check("Vco_CV_AOK_EN", 6, 2, panel, "VCO voltage comparator status"),
        check("RF_AGC_AOK_EN", 6, 1, panel, "RF AGC state"),
        check("StdBy_AOK_EN", 6, 0, panel, "StdBy mode"),
    };
}

QList<Field> splFields()
{
    const QString box = "Splitter";
    return {
        check("SPL_CS", 120, 6, box, "External current source"),
        combo("SPL_GC", 120, 5, 1, box, "Gain control", false),
        combo("SPL_CC_REP", 121, 3, 2, box, "Output stage current control", true),
        combo("SPL_CC_CORE", 121, 1, 2, box, "Core current control", true),
    };
}

QList<Field> enableFields()
{
    QList<Field> fields = {
        enable("RS_EN", 65, 6, "Common"),
        enable("IRC_EN_st", 112, 2, "Common"),
        enable("IRC_EN_reg", 65, 1, "Common"),
        enable("CDIV_EN", 65, 0, "Common"),
        enable("CFB_EN", 65, 2, "Common"),
        enable("CFB_LDO_EN", 65, 3, "Common"),
        enable("ROB_EN", 65, 4, "Common"),
        enable("ROB_LDO_EN", 65, 5, "Common"),
        enable("CLK_LVDS_EN", 74, 3, "GroupBox"),
        enable("SPL_CORE_EN", 120, 4, "GroupBox"),
        enable("SVLI_EN", 52, 7, "GroupBox"),
        enable("CLK_RO_EN", 74, 2, "GroupBox"),
        enable("CLK_ADC_EN_reg", 113, 1, "GroupBox"),
        enable("CLK_ADC_EN_st", 112, 3, "GroupBox"),
    };

    // Per channel: field pattern and {register, data bit} for Ch1..Ch4.
    struct ChannelField { const char *pattern; int place[4][2]; };
    const ChannelField channel[] = {
        {"LNA%1_EN", {{72, 7}, {82, 7}, {90, 7}, {98, 7}}},
        {"LNA%1_LDO_EN", {{72, 6}, {82, 6}, {90, 6}, {98, 6}}},
        {"SPL_EN%1", {{120, 0}, {120, 1}, {120, 2}, {120, 3}}},
        {"IFA%1_EN", {{70, 4}, {81, 4}, {89, 4}, {97, 4}}},
        {"IFA%1_LVDS_EN", {{70, 1}, {81, 1}, {89, 1}, {97, 1}}},
        {"IFA%1_CMext_EN", {{70, 0}, {81, 0}, {89, 0}, {97, 0}}},
        {"IFA%1_LDO_EN", {{70, 3}, {81, 3}, {89, 3}, {97, 3}}},
        {"IFA%1_BUF_LDO_EN", {{70, 2}, {81, 2}, {89, 2}, {97, 2}}},
        {"MIX%1_EN", {{70, 7}, {81, 7}, {89, 7}, {97, 7}}},
        {"MIX%1_LDO_EN", {{70, 6}, {81, 6}, {89, 6}, {97, 6}}},
        {"EN_MUXout_%1", {{114, 3}, {114, 2}, {114, 1}, {114, 0}}},
        {"RF%1_agc_EN", {{76, 3}, {84, 3}, {92, 3}, {100, 3}}},
    };
    for (int n = 0; n < 4; ++n)
        for (const ChannelField &f : channel)
            fields << enable(QString(f.pattern).arg(n + 1), f.place[n][0], f.place[n][1],
                             QStringLiteral("Ch%1").arg(n + 1));

    fields << enable("EN_QF_core_AB", 115, 2, "");
    fields << enable("RDIV_A_EN", 53, 3, "A") << enable("NDIV_A_EN", 53, 2, "A")
           << enable("VCO_HF_A_EN", 53, 5, "A") << enable("VCO_LF_A_EN", 53, 6, "A")
           << enable("PLL_LDO_A_EN", 53, 7, "A") << enable("EN_QF_FMult_A", 114, 7, "A")
           << enable("EN_QF_PhRo_A", 114, 4, "A") << enable("EN_QF_core_A", 115, 0, "A")
           << enable("PFD_CP_A_EN", 53, 4, "A");
    fields << enable("RDIV_B_EN", 59, 3, "B") << enable("NDIV_B_EN", 59, 2, "B")
           << enable("VCO_HF_B_EN", 59, 5, "B") << enable("VCO_LF_B_EN", 59, 6, "B")
           << enable("PLL_LDO_B_EN", 59, 7, "B") << enable("EN_QF_FMult_B", 114, 6, "B")
           << enable("EN_QF_PhRo_AB", 114, 5, "B") << enable("EN_QF_core_B", 115, 1, "B")
           << enable("PFD_CP_B_EN", 59, 4, "B");
    return fields;
}

const QStringList groupBoxRules = {
    "border: 2px solid #111C24;", "border-radius: 5px;", "margin-top: 6px;",
    "background-color:  rgba(255, 255, 255, 255);",
};
const QStringList groupTitleRules = {
    "subcontrol-origin: margin;", "subcontrol-position: top center;", "padding: 0 3px;",
    "border: 2px solid  #111C24;", "border-radius: 5px;", "background-color: #FFFFFF;",
};

using Rules = QMap<QString, QStringList>;

struct Panel
{
    std::function<QWidget *()> make;
    QSize size;
    QString title;
    Rules styleSheet; // selector -> declarations; empty: no style sheet
    QList<Field> fields;
};

QMap<QString, Panel> panels()
{
    const QString toolBar = "background:qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 "
                            "#FFFFFF, stop: 1 rgb(197, 210, 224));";
    return {
        {"grAOK",
         {[] { return new grAOK; }, {205, 173}, "AOK",
          Rules{{"QGroupBox", groupBoxRules},
                {"QGroupBox::title", groupTitleRules},
                {"QToolBar", {toolBar}},
                {"QWidget#grAOK", {"background-color: #FFFFFF;", "margin-top: 0ex;"}}},
          aokFields()}},
        {"grSPL",
         {[] { return new grSPL; }, {339, 147}, "Splitter",
          Rules{{"QGroupBox", groupBoxRules},
                {"QGroupBox::title", groupTitleRules},
                {"QWidget#grSPL", {"background-color: #FFFFFF;"}}},
          splFields()}},
        {"GrEnable", {[] { return new GrEnable; }, {757, 518}, "Block Enable", Rules{},
                      enableFields()}},
    };
}

// Selector -> declarations, one declaration per "name: value;" as written.
Rules parseStyleSheet(const QString &sheet)
{
    Rules rules;
    const QStringList blocks = sheet.split('}', Qt::SkipEmptyParts);
    for (const QString &block : blocks) {
        const int open = block.indexOf('{');
        if (open < 0)
            continue;
        QStringList declarations;
        for (const QString &line : block.mid(open + 1).split('\n', Qt::SkipEmptyParts))
            if (!line.trimmed().isEmpty())
                declarations << line.trimmed();
        rules.insert(block.left(open).trimmed(), declarations);
    }
    return rules;
}

QWidget *findField(QWidget *panel, const Field &field)
{
    return panel->findChild<QWidget *>(field.objectName());
}

} // namespace

class EnablePanelsTest : public QObject
{
    Q_OBJECT

private:
    void addPanelRows()
    {
        QTest::addColumn<QString>("panel");
        for (const QString &name : panels().keys())
            QTest::newRow(qPrintable(name)) << name;
    }

private slots:
    void boundWidgets_data() { addPanelRows(); }
    void boundWidgets()
    {
        QFETCH(QString, panel);
        const Panel p = panels().value(panel);
        std::unique_ptr<QWidget> w(p.make());
        QMap<QString, QString> expected;
        for (const Field &f : p.fields)
            expected.insert(f.objectName(), f.widgetClass);
        QCOMPARE(registerBoundClasses(w.get()), expected);
    }

    // The parser reads every name back into the placement the panel means.
    void placement_data() { addPanelRows(); }
    void placement()
    {
        QFETCH(QString, panel);
        for (const Field &f : panels().value(panel).fields) {
            std::unique_ptr<part> record(mapshow::ParseObjName(f.objectName()));
            QVERIFY2(record, qPrintable(f.objectName()));
            QCOMPARE(record->name, f.name + "_" + chip);
            QCOMPARE(record->chip, chip);
            QCOMPARE(record->width, f.width);
            QCOMPARE(record->bitStarts, std::vector<unsigned>{unsigned(f.firstBit())});
            QCOMPARE(record->widths, std::vector<unsigned>{unsigned(f.width)});
            QVERIFY(!record->inverted);
            QVERIFY(!record->multiPiece);
        }
    }

    void groupsAndTexts_data() { addPanelRows(); }
    void groupsAndTexts()
    {
        QFETCH(QString, panel);
        const Panel p = panels().value(panel);
        std::unique_ptr<QWidget> w(p.make());
        for (const Field &f : p.fields) {
            QWidget *widget = findField(w.get(), f);
            QVERIFY2(widget, qPrintable(f.objectName()));
            QWidget *parent = widget->parentWidget();
            if (f.group.isNull()) {
                QCOMPARE(parent, w.get());
            } else {
                auto *box = qobject_cast<QGroupBox *>(parent);
                QVERIFY2(box, qPrintable(f.objectName()));
                QCOMPARE(box->title(), f.group);
            }
            if (auto *box = qobject_cast<QCheckBox *>(widget)) {
                QCOMPARE(box->text(), f.text);
                QVERIFY(!box->isChecked());
            }
        }
    }

    // A combo's caption is a sibling label; the register-file writer finds the
    // LabelG ones by name, and a plain caption must not look like one.
    void captions_data() { addPanelRows(); }
    void captions()
    {
        QFETCH(QString, panel);
        const Panel p = panels().value(panel);
        std::unique_ptr<QWidget> w(p.make());
        QStringList labelGs;
        for (const Field &f : p.fields) {
            if (f.widgetClass != "QComboBox")
                continue;
            QWidget *widget = findField(w.get(), f);
            QVERIFY(widget);
            QList<QLabel *> captions;
            for (QLabel *label : widget->parentWidget()->findChildren<QLabel *>(
                     QString(), Qt::FindDirectChildrenOnly))
                if (label->text() == f.text)
                    captions << label;
            QCOMPARE(captions.size(), 1);
            QCOMPARE(captions.first()->objectName() == f.name + "LabelG", f.labelG);
            if (f.labelG)
                labelGs << captions.first()->objectName();
        }
        QStringList allLabelGs;
        for (QLabel *label : w->findChildren<QLabel *>())
            if (label->objectName().endsWith("LabelG"))
                allLabelGs << label->objectName();
        QCOMPARE(allLabelGs, labelGs);
    }

    void splitterItems_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("gain") << "KV_SPL_GC_KV2260v2_962_1" << QStringList{"low gain", "high gain"};
        QTest::newRow("output stage")
            << "KV_SPL_CC_REP_KV2260v2_972_2"
            << QStringList{"160 µA", "180 µA", "200 µA", "220 µA"};
        QTest::newRow("core") << "KV_SPL_CC_CORE_KV2260v2_974_2"
                              << QStringList{"180 µA", "190 µA", "200 µA", "210 µA"};
    }
    void splitterItems()
    {
        QFETCH(QString, field);
        QFETCH(QStringList, items);
        grSPL panel;
        auto *box = panel.findChild<QComboBox *>(field);
        QVERIFY(box);
        QStringList shown;
        for (int i = 0; i < box->count(); ++i)
            shown << box->itemText(i);
        QCOMPARE(shown, items);
    }

    void window_data() { addPanelRows(); }
    void window()
    {
        QFETCH(QString, panel);
        const Panel p = panels().value(panel);
        std::unique_ptr<QWidget> w(p.make());
        QCOMPARE(w->objectName(), panel);
        QCOMPARE(w->size(), p.size);
        QCOMPARE(w->windowTitle(), p.title);
        QVERIFY(w->isWindow());
        QCOMPARE(parseStyleSheet(w->styleSheet()), p.styleSheet);
    }

    // Nothing but the register fields and LabelG captions may match a binding
    // convention, or the main window would bind or open the wrong thing.
    void freeNames_data() { addPanelRows(); }
    void freeNames()
    {
        QFETCH(QString, panel);
        const Panel p = panels().value(panel);
        std::unique_ptr<QWidget> w(p.make());
        QSet<QString> meant;
        for (const Field &f : p.fields)
            meant << f.objectName() << f.name + "LabelG";
        for (QObject *child : w->findChildren<QObject *>()) {
            const QString name = child->objectName();
            if (meant.contains(name))
                continue;
            QVERIFY2(!name.startsWith("KV_") && !name.contains("Setting")
                         && !name.contains("_Expression") && !name.endsWith("LabelG"),
                     qPrintable(name));
            if (qobject_cast<QPushButton *>(child))
                QVERIFY2(!name.startsWith("Button"), qPrintable(name));
        }
    }

    void fieldNamesUnique()
    {
        QMap<QString, QString> owner;
        for (const QString &panel : panels().keys()) {
            std::unique_ptr<QWidget> w(panels().value(panel).make());
            for (QWidget *widget : registerBoundWidgets(w.get())) {
                std::unique_ptr<part> record(mapshow::ParseObjName(widget->objectName()));
                QVERIFY2(!owner.contains(record->name),
                         qPrintable(record->name + " on " + owner.value(record->name)
                                    + " and " + panel));
                owner.insert(record->name, panel);
            }
        }
        QCOMPARE(owner.size(), 7 + 4 + 81);
    }

    // Setting a widget to its largest value sets exactly its field's bits in
    // the GUI image, and the image shown back selects that value again. A
    // combo with too few items cannot reach the all-ones code.
    void editsReachOnlyTheirBits_data() { addPanelRows(); }
    void editsReachOnlyTheirBits()
    {
        QFETCH(QString, panel);
        const Panel p = panels().value(panel);
        std::unique_ptr<QWidget> w(p.make());
        for (const Field &f : p.fields) {
            RegMap map(chip, 128, 0);
            part *record = mapshow::ParseObjName(f.objectName());
            record->widget = findField(w.get(), f);
            map.fields.insert(record->name, record);

            const int allOnes = (1 << f.width) - 1;
            if (auto *box = qobject_cast<QCheckBox *>(record->widget))
                box->setChecked(true);
            else if (auto *box = qobject_cast<QComboBox *>(record->widget))
                box->setCurrentIndex(box->count() - 1);
            QCOMPARE(map.storeWidgetValue(record->name), allOnes);

            RegImage expected(128, 0);
            expected[size_t(f.reg)] = quint8(allOnes << (f.msb + 1 - f.width));
            QVERIFY2(map.wr == expected, qPrintable(f.objectName()));

            map.setWidgetValue(record->name, RegImage(128, 0));
            QCOMPARE(map.getWidgetValue(record->name), 0);
            map.setWidgetValue(record->name, expected);
            QCOMPARE(map.getWidgetValue(record->name), allOnes);
            delete record;
        }
    }

    // A code in the middle of a list: "200 µA" is code 2 in both current
    // combos, at their own bits of register 121.
    void splitterCurrentCodes()
    {
        grSPL panel;
        RegMap map(chip, 128, 0);
        for (const Field &f : splFields()) {
            part *record = mapshow::ParseObjName(f.objectName());
            record->widget = findField(&panel, f);
            map.fields.insert(record->name, record);
        }
        for (const QString &field : {"SPL_CC_CORE", "SPL_CC_REP"}) {
            const QString name = field + "_" + chip;
            auto *box = qobject_cast<QComboBox *>(map.fields.value(name)->widget);
            box->setCurrentText("200 µA");
            QCOMPARE(map.storeWidgetValue(name), 2);
        }
        QCOMPARE(map.wr[121], quint8(0b1010));
        qDeleteAll(map.fields);
    }
};

KV_TEST_MAIN(EnablePanelsTest)
#include "tst_enablepanels.moc"
