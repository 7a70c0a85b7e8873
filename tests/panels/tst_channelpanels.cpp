// The four channel service panels: what the main window's binding and the
// register-file writer read from them, checked against the field table of a
// channel panel for every channel.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSet>
#include <QTranslator>
#include <memory>

#include "FormWalk.h"
#include "GrServA.h"
#include "GrServB.h"
#include "GrServC.h"
#include "GrServD.h"
#include "TestMain.h"
#include "mapshow.h"

namespace {

const QString mu = QStringLiteral("\u00b5");

enum Kind { Combo, Check };
enum Caption { Named, Plain, Own };

// One register field of a channel panel. "%1" in the field name stands for
// the channel digit; bits are given for channels 1 to 4.
struct FieldRow
{
    const char *group;
    const char *field;
    int bits[4];
    int width;
    Kind kind;
    QString caption;
    Caption captionKind;
    QStringList items; // channel 1
};

const QList<FieldRow> &fieldRows()
{
    static const QList<FieldRow> rows = {
        {"RF AGC", "RF%1_agc_TP", {613, 677, 741, 805}, 2, Combo, "Clock rate", Named,
         {"1.6 " + mu + "s", "3.2 " + mu + "s", "6.4 " + mu + "s", "12.8 " + mu + "s"}},
        {"RF AGC", "RF%1_agc_PLR", {615, 679, 743, 807}, 1, Combo, "Polarity", Plain,
         {"negative", "positive"}},
        {"RF AGC", "RF%1_agc_Fc", {610, 674, 738, 802}, 2, Combo, "Detector corner", Named,
         {"50kHz", "70kHz", "120kHz", "410kHz"}},
        {"LNA", "LNA%1_CS_reg", {578, 658, 722, 786}, 1, Check,
         QString::fromUtf8("\u0421urrent source temperature dependent"), Own, {}},
        {"LNA", "LNA%1_Gcomp_reg", {579, 659, 723, 787}, 1, Check,
         "Degenerating inductor shunting ", Own, {}},
        {"LNA", "LNA%1_FC", {580, 660, 724, 788}, 2, Combo, "Load circuit resonance", Named,
         {"L2/L3/L5 band", "L1 band", "S band"}},
        {"LNA", "LNA%1_FCt", {582, 662, 726, 790}, 2, Combo, "Adjustment", Named,
         {"lowest frequency", "low frequency", "medium frequency", "high frequency"}},
        {"LNA", "LNA%1_CC_reg", {604, 668, 732, 796}, 2, Combo, "Current control", Named,
         {"200 " + mu + "A", "300 " + mu + "A", "400 " + mu + "A", "500 " + mu + "A"}},
        {"LNA", "LNA%1_CCt_reg", {608, 672, 736, 800}, 2, Combo, "Current adjustment", Named,
         {"+ 0", "+ 100 " + mu + "A", "+ 200 " + mu + "A", "+ 300 " + mu + "A"}},
        {"Mixer", "MIX%1_CS_reg", {562, 650, 714, 778}, 1, Check,
         "Temperature dependent mode", Own, {}},
        {"Mixer", "MIX%1_GC_reg", {616, 680, 744, 808}, 2, Combo, "Gain control", Named,
         {"-1.5 dB", "-2.5 dB", "-3.4 dB", "-4.2 dB"}},
        {"Mixer", "MIX%1_CC_reg", {618, 682, 746, 810}, 2, Combo, "Current control", Named,
         {"40 " + mu + "A", "50 " + mu + "A", "60 " + mu + "A", "70 " + mu + "A"}},
        {"Mixer", "MIX%1_POLYBUF_CC_reg", {622, 686, 750, 814}, 2, Combo, "Polyphase filter", Named,
         {"30 " + mu + "A", "40 " + mu + "A", "50 " + mu + "A", "60 " + mu + "A"}},
        {"Mixer", "MIX%1_LOB_CC_reg", {620, 684, 748, 812}, 2, Combo, "LO buffer ", Named,
         {"30 " + mu + "A", "40 " + mu + "A", "50 " + mu + "A", "60 " + mu + "A"}},
        {"IFA", "IFA%1_MD", {624, 688, 752, 816}, 3, Combo, "IFA mode", Named,
         {"linear output, manual gain adjustment ", "linear output, manual gain adjustment ",
          "linear output, linear AGC ", "linear output, linear AGC ",
          "digital output, manual gain adjustment ", "digital output, manual gain adjustment ",
          "digital output, linear AGC", "digital output, digital AGC "}},
        {"IFA", "IFA%1_CC", {630, 694, 758, 822}, 2, Combo, "IFA current control", Named,
         {"3.33 " + mu + "A", "5.0 " + mu + "A", "6.66 " + mu + "A", "8.3 " + mu + "A"}},
        {"IFA", "IFA%1_agcTP", {641, 705, 769, 833}, 2, Combo, "IFA AGC period select", Named,
         {"3.2 us", "6.4 us", "12.8 us", "25.8 us"}},
        {"IFA", "IFA%1_BUF_GC", {633, 697, 761, 825}, 1, Combo, "Analog buffer gain", Plain,
         {"0dB", "-6dB"}},
        {"IFA", "IFA%1_BUF_CC", {632, 696, 760, 824}, 1, Combo, "Analog buffer additional ", Plain,
         {"+0", "+5 uA"}},
        {"IFA", "IFA%1_agcAdj_PLR", {643, 707, 771, 835}, 1, Combo, "AGC polarity", Plain,
         {"negative", "positive"}},
        {"IFA", "IFA%1_AGC_RT", {639, 703, 767, 831}, 1, Combo, "AGC operation time", Plain,
         {"normal", "fast"}},
        {"IFA", "IFA%1_ADC_CC", {628, 692, 756, 820}, 2, Combo, "IFA1_ADC_CC", Named,
         {"6 ns    / 5 " + mu + "A", "3.3 ns / 7.5 " + mu + "A", "2.5 ns /  15 " + mu + "A",
          "2 ns    / 17.5 " + mu + "A"}},
        {"IFA", "IFA%1_ADC_Offset", {634, 698, 762, 826}, 2, Combo, "Offset compensation", Named,
         {"disabled", "disabled", "enabled, without gain", "enabled, with gain"}},
        {"IFA", "IFA%1_DCOC_TP", {627, 691, 755, 819}, 1, Combo, "DC offset compensation ", Plain,
         {"output ", "intput "}},
        {"IFA", "IFA%1_ADC_DT", {636, 700, 764, 828}, 3, Combo, "ADC detector threshold", Named,
         {"48 mV", "55 mV ", "62 mV", "69 mV", "76 mV", "83 mV", "90 mV", "97 mV"}},
    };
    return rows;
}

// The few texts in which a channel's panel differs from channel 1's.
QStringList channelItems(const FieldRow &row, int channel)
{
    QStringList items = row.items;
    const QString field = QString(row.field).arg(1);
    if (field == "RF1_agc_Fc" && (channel == 2 || channel == 4))
        items = QStringList{"50 kHz", "70 kHz", "120 kHz", "410 kHz"};
    if (field == "LNA1_CCt_reg" && channel == 2)
        items[0] = "+0";
    if (field == "MIX1_GC_reg" && channel == 4)
        items[3] = "-4.2dB";
    return items;
}

QString boundName(const FieldRow &row, int channel)
{
    return QStringLiteral("KV_%1_KV2260v2_%2_%3")
        .arg(QString(row.field).arg(channel))
        .arg(row.bits[channel - 1])
        .arg(row.width);
}

std::unique_ptr<QWidget> makePanel(int channel)
{
    switch (channel) {
    case 1: return std::make_unique<GrServA>();
    case 2: return std::make_unique<GrServB>();
    case 3: return std::make_unique<GrServC>();
    default: return std::make_unique<GrServD>();
    }
}

// The row layout inside the widget's group box that holds the widget.
QHBoxLayout *rowOf(QWidget *widget)
{
    QLayout *groupLayout = widget->parentWidget()->layout();
    for (int i = 0; groupLayout && i < groupLayout->count(); ++i) {
        auto *row = qobject_cast<QHBoxLayout *>(groupLayout->itemAt(i)->layout());
        if (row && row->indexOf(widget) >= 0)
            return row;
    }
    return nullptr;
}

} // namespace

class ChannelPanelsTest : public QObject
{
    Q_OBJECT

private:
    void addChannelColumns()
    {
        QTest::addColumn<int>("channel");
        for (int channel = 1; channel <= 4; ++channel)
            QTest::newRow(qPrintable(QString("channel %1").arg(channel))) << channel;
    }

private slots:
    void boundWidgetsAreTheFieldTable_data() { addChannelColumns(); }
    void boundWidgetsAreTheFieldTable()
    {
        QFETCH(int, channel);
        const auto panel = makePanel(channel);

        QMap<QString, QString> expected;
        for (const FieldRow &row : fieldRows())
            expected.insert(boundName(row, channel), row.kind == Combo ? "QComboBox" : "QCheckBox");
        QCOMPARE(registerBoundClasses(panel.get()), expected);

        // Creation order is table order, group by group.
        QStringList order;
        for (QWidget *widget : registerBoundWidgets(panel.get()))
            order << widget->objectName();
        QStringList expectedOrder;
        for (const FieldRow &row : fieldRows())
            expectedOrder << boundName(row, channel);
        QCOMPARE(order, expectedOrder);
    }

    void namesParseToTheirBits_data() { addChannelColumns(); }
    void namesParseToTheirBits()
    {
        QFETCH(int, channel);
        const auto panel = makePanel(channel);
        for (const FieldRow &row : fieldRows()) {
            const QString name = boundName(row, channel);
            std::unique_ptr<part> field(mapshow::ParseObjName(name));
            QVERIFY2(field, qPrintable(name));
            QCOMPARE(field->name, QString(row.field).arg(channel) + "_KV2260v2");
            QCOMPARE(field->chip, QString("KV2260v2"));
            QCOMPARE(field->startBit, row.bits[channel - 1]);
            QCOMPARE(field->width, row.width);
            QVERIFY(!field->inverted);
            QVERIFY(!field->multiPiece);
            // A field must fit its codes: every combo item is a code of the field.
            if (auto *combo = panel->findChild<QComboBox *>(name))
                QVERIFY(combo->count() <= (1 << row.width));
        }
    }

    void groupsCaptionsAndItems_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("translation");
        for (const char *language : {"", ":/Translations/template_en.qm", ":/Translations/template_ru.qm"})
            for (int channel = 1; channel <= 4; ++channel)
                QTest::newRow(qPrintable(QString("channel %1 %2").arg(channel).arg(language)))
                    << channel << QString(language);
    }
    // The texts are the same whichever translation is installed.
    void groupsCaptionsAndItems()
    {
        QFETCH(int, channel);
        QFETCH(QString, translation);
        QTranslator translator;
        if (!translation.isEmpty()) {
            QVERIFY(translator.load(translation));
            QCoreApplication::installTranslator(&translator);
        }
        const auto panel = makePanel(channel);
        QCoreApplication::removeTranslator(&translator);

        QCOMPARE(panel->windowTitle(), QString("Channel #%1 Service settings").arg(channel));
        for (const FieldRow &row : fieldRows()) {
            const QString name = boundName(row, channel);
            QWidget *widget = panel->findChild<QWidget *>(name);
            QVERIFY2(widget, qPrintable(name));
            auto *group = qobject_cast<QGroupBox *>(widget->parentWidget());
            QVERIFY2(group && group->parentWidget() == panel.get(), qPrintable(name));
            QCOMPARE(group->title(), QString(row.group));

            if (row.kind == Check) {
                QCOMPARE(qobject_cast<QCheckBox *>(widget)->text(), row.caption);
                QVERIFY2(!rowOf(widget), qPrintable(name));
                continue;
            }
            auto *combo = qobject_cast<QComboBox *>(widget);
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            QCOMPARE(items, channelItems(row, channel));

            // The caption is the label just before the combo box in its row.
            QHBoxLayout *line = rowOf(widget);
            QVERIFY2(line && line->count() == 2 && line->indexOf(widget) == 1, qPrintable(name));
            auto *label = qobject_cast<QLabel *>(line->itemAt(0)->widget());
            QVERIFY2(label, qPrintable(name));
            QCOMPARE(label->text(), row.caption);
        }
    }

    // The register-file writer finds a combo box's caption among its
    // siblings as <FIELD>LabelG; plain captions must not look like one.
    void captionLabelsBesideTheirWidgets_data() { addChannelColumns(); }
    void captionLabelsBesideTheirWidgets()
    {
        QFETCH(int, channel);
        const auto panel = makePanel(channel);
        QSet<QString> named;
        for (const FieldRow &row : fieldRows()) {
            if (row.captionKind != Named)
                continue;
            const QString labelName = QString(row.field).arg(channel) + "LabelG";
            named << labelName;
            auto *label = panel->findChild<QLabel *>(labelName);
            QVERIFY2(label, qPrintable(labelName));
            QWidget *widget = panel->findChild<QWidget *>(boundName(row, channel));
            QCOMPARE(label->parentWidget(), widget->parentWidget());
            QCOMPARE(label->text(), row.caption);
        }
        QCOMPARE(named.size(), 16);

        for (QObject *object : panel->findChildren<QObject *>()) {
            const QString name = object->objectName();
            if (name.startsWith("KV_"))
                continue;
            QVERIFY2(!name.endsWith("LabelG") || named.contains(name), qPrintable(name));
            QVERIFY2(!name.startsWith("KV") && !name.contains("Setting")
                         && !name.endsWith("_Expression") && !name.startsWith("Button"),
                     qPrintable(name));
        }
    }

    void freshPanelState_data() { addChannelColumns(); }
    void freshPanelState()
    {
        QFETCH(int, channel);
        const auto panel = makePanel(channel);
        QCOMPARE(panel->objectName(), QString("GrServ%1").arg(QChar('A' + channel - 1)));
        QCOMPARE(panel->size(), QSize(547, 490));
        QVERIFY(!panel->parentWidget());
        QVERIFY(panel->isWindow());
        QCOMPARE(panel->findChildren<QGroupBox *>().size(), 4);
        QCOMPARE(panel->findChildren<QLabel *>().size(), 22);
        QCOMPARE(panel->findChildren<QComboBox *>().size(), 22);
        QCOMPARE(panel->findChildren<QCheckBox *>().size(), 3);
        for (QComboBox *combo : panel->findChildren<QComboBox *>())
            QCOMPARE(combo->currentIndex(), 0);
        for (QCheckBox *check : panel->findChildren<QCheckBox *>())
            QVERIFY(!check->isChecked());
        for (QWidget *widget : panel->findChildren<QWidget *>())
            QVERIFY2(widget->isEnabled() && !widget->isHidden(), qPrintable(widget->objectName()));
    }

    // The binding keeps one widget per field name: a name used twice, on
    // one panel or across the four, would leave one widget unbound.
    void namesUniqueAcrossPanels()
    {
        QSet<QString> fields, labels;
        for (int channel = 1; channel <= 4; ++channel) {
            const auto panel = makePanel(channel);
            for (QWidget *widget : registerBoundWidgets(panel.get())) {
                std::unique_ptr<part> field(mapshow::ParseObjName(widget->objectName()));
                QVERIFY2(!fields.contains(field->name), qPrintable(field->name));
                fields << field->name;
            }
            for (QLabel *label : panel->findChildren<QLabel *>()) {
                if (!label->objectName().endsWith("LabelG"))
                    continue;
                QVERIFY2(!labels.contains(label->objectName()), qPrintable(label->objectName()));
                labels << label->objectName();
            }
        }
        QCOMPARE(fields.size(), 100);
        QCOMPARE(labels.size(), 64);
    }
};

KV_TEST_MAIN(ChannelPanelsTest)
#include "tst_channelpanels.moc"
