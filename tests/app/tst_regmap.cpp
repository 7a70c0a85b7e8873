#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTranslator>
#include <memory>

#include "RegMap.h"
#include "RegTableModel.h"
#include "TestMain.h"
#include "mapshow.h"

namespace {

// A spin box of another class name: the map reads it as an unknown widget.
class TunedSpinBox : public QSpinBox
{
    Q_OBJECT
public:
    using QSpinBox::QSpinBox;
};

QImage lamp(const char *path)
{
    return QPixmap(path).toImage();
}

} // namespace

class RegMapTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void bitsRunMostSignificantFirst();
    void setBitKeepsOtherBits();
    void bitsPastTheMapAreIgnored();
    void runsOfBits();
    void testRangeIsAlwaysFalse();

    void twoPieceFieldRoundTrip();
    void spinBoxIsPulledIntoFieldRange_data();
    void spinBoxIsPulledIntoFieldRange();
    void doubleSpinBoxTruncates_data();
    void doubleSpinBoxTruncates();
    void invertedCheckBox();
    void comboWithoutCurrentItemSetsEveryBit();
    void widgetsThatCannotShowAValue();
    void lampsAndNumberLabels();
    void lineEditShowsDecimal();
    void subclassesReadAsUnknownWidgets();
    void unknownFieldDoesNothing();
    void fieldRunningPastTheMapKeepsItsWeights();

    void storeRepaintsOnlyChangedBits();
    void setWidgetRepaintsEveryBitOfTheField();

    void resourcesAreCompiledIn();

private:
    // Binds a widget to the field its object name describes.
    template <typename W>
    W *bind(const QString &objectName);
    QString fieldOf(const QWidget *widget) const;

    std::unique_ptr<RegMap> map;
    std::unique_ptr<QWidget> form;
    std::vector<std::unique_ptr<part>> records;
};

template <typename W>
W *RegMapTest::bind(const QString &objectName)
{
    auto *widget = new W(form.get());
    widget->setObjectName(objectName);
    std::unique_ptr<part> field(mapshow::ParseObjName(objectName));
    field->widget = widget;
    map->fields.insert(field->name, field.get());
    records.push_back(std::move(field));
    return widget;
}

QString RegMapTest::fieldOf(const QWidget *widget) const
{
    for (const auto &record : records)
        if (record->widget == widget)
            return record->name;
    return QString();
}

void RegMapTest::init()
{
    map = std::make_unique<RegMap>("KV2260v2", 128, 0);
    form = std::make_unique<QWidget>();
}

void RegMapTest::cleanup()
{
    form.reset();
    records.clear();
    map.reset();
}

void RegMapTest::bitsRunMostSignificantFirst()
{
    map->setBit(map->wr, 0, 1);
    QCOMPARE(map->wr[0], quint8(0x80));
    map->setBit(map->wr, 15, 1);
    QCOMPARE(map->wr[1], quint8(0x01));
    QCOMPARE(map->getBit(map->wr, 0), qint16(1));
    QCOMPARE(map->getBit(map->wr, 1), qint16(0));
    QCOMPARE(map->getBit(map->wr, 15), qint16(1));
    QCOMPARE(getBit(map->wr, 15), qint16(1));
    QCOMPARE(getBit(map->wr, 14), qint16(0));
}

void RegMapTest::setBitKeepsOtherBits()
{
    map->rd[3] = 0xA5;
    map->setBit(map->rd, 3 * 8 + 0, 0);  // D7
    map->setBit(map->rd, 3 * 8 + 1, 1);  // D6
    QCOMPARE(map->rd[3], quint8(0x65));
    map->setBit(map->rd, 3 * 8 + 1, 1);  // already set
    QCOMPARE(map->rd[3], quint8(0x65));
    QCOMPARE(map->wr[3], quint8(0));
}

void RegMapTest::bitsPastTheMapAreIgnored()
{
    const int end = 128 * 8;
    std::fill(map->wr.begin(), map->wr.end(), quint8(0xFF));
    QCOMPARE(map->getBit(map->wr, end - 1), qint16(1));
    QCOMPARE(map->getBit(map->wr, end), qint16(0));
    QCOMPARE(map->getBit(map->wr, 4294967295u), qint16(0));

    const RegImage before = map->cfg;
    map->setBit(map->cfg, end, 1);
    map->setBit(map->cfg, -1, 1);
    map->setBit(map->cfg, 2147483647, 1);
    QVERIFY(map->cfg == before);

    // A run that starts inside and ends outside keeps the bits inside.
    QCOMPARE(map->getBits(end - 2, 4), 0b1100);
    map->setBits(end - 2, 4, 0b0111);
    QCOMPARE(map->wr[127], quint8(0xFD));

    // A short image is never read or written past its end either.
    RegImage shortImage(2, 0xFF);
    QCOMPARE(map->getBit(shortImage, 16), qint16(0));
    map->setBit(shortImage, 20, 0);
    QCOMPARE(shortImage.size(), size_t(2));
    QCOMPARE(getBit(shortImage, 16), qint16(0));
}

void RegMapTest::runsOfBits()
{
    QCOMPARE(map->getBits(0, 0), 0);
    map->setBits(4, 6, 0b101101);
    QCOMPARE(map->wr[0], quint8(0x0B));
    QCOMPARE(map->wr[1], quint8(0x40));
    QCOMPARE(map->getBits(4, 6), 0b101101);
    map->setBits(4, 0, 0xFFFFFFFF);
    map->setBits(4, -3, 0xFFFFFFFF);
    QCOMPARE(map->wr[0], quint8(0x0B));
    // Only the low `count` bits of the value are written.
    map->setBits(16, 3, 0xFFFFFFF8);
    QCOMPARE(map->wr[2], quint8(0));
}

void RegMapTest::testRangeIsAlwaysFalse()
{
    QVERIFY(!map->testRange(0, 8));
    QVERIFY(!map->testRange(72, 2));
    QVERIFY(!map->testRange(-5, 100000));
}

void RegMapTest::twoPieceFieldRoundTrip()
{
    auto *spin = bind<QSpinBox>("KV_IFA_GainSt_KV2260v2_72p80_2p5");
    spin->setMaximum(1000);
    spin->setValue(100);
    QCOMPARE(map->storeWidgetValue("IFA_GainSt_KV2260v2"), 100);
    QCOMPARE(map->wr[9], quint8(0xC0));   // bits 72, 73: D7 and D6 of register 9
    QCOMPARE(map->wr[10], quint8(0x20));  // bit 82: D5 of register 10

    spin->setValue(0);
    map->setWidgetValue("IFA_GainSt_KV2260v2", map->wr);
    QCOMPARE(spin->value(), 100);
}

void RegMapTest::spinBoxIsPulledIntoFieldRange_data()
{
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("read");
    QTest::newRow("inside") << 17 << 17;
    QTest::newRow("largest") << 31 << 31;
    QTest::newRow("above") << 40 << 31;
    QTest::newRow("negative") << -1 << 31;
}

void RegMapTest::spinBoxIsPulledIntoFieldRange()
{
    QFETCH(int, shown);
    QFETCH(int, read);
    auto *spin = bind<QSpinBox>("KV_IFA1_ManGC_KV2260v2_142_5");
    spin->setRange(-100, 100);
    spin->setValue(shown);
    QCOMPARE(map->getWidgetValue("IFA1_ManGC_KV2260v2"), read);
    QCOMPARE(spin->value(), read);
}

void RegMapTest::doubleSpinBoxTruncates_data()
{
    QTest::addColumn<double>("shown");
    QTest::addColumn<int>("read");
    QTest::newRow("negative") << -2.7 << -2;
    QTest::newRow("positive") << 2.9 << 2;
}

void RegMapTest::doubleSpinBoxTruncates()
{
    QFETCH(double, shown);
    auto *spin = bind<QDoubleSpinBox>("KV_X_KV2260v2_40_8");
    spin->setRange(-10, 10);
    spin->setValue(shown);
    QTEST(map->getWidgetValue("X_KV2260v2"), "read");
}

void RegMapTest::invertedCheckBox()
{
    auto *box = bind<QCheckBox>("KV_PLL_A_Ready_KV2260v2_898_1_I");
    box->setChecked(true);
    QCOMPARE(map->getWidgetValue("PLL_A_Ready_KV2260v2"), 0);
    box->setChecked(false);
    QCOMPARE(map->storeWidgetValue("PLL_A_Ready_KV2260v2"), 1);
    QCOMPARE(map->getBit(map->wr, 898), qint16(1));

    box->setChecked(true);
    map->setWidgetValue("PLL_A_Ready_KV2260v2", map->wr);
    QVERIFY(!box->isChecked());
}

void RegMapTest::comboWithoutCurrentItemSetsEveryBit()
{
    auto *combo = bind<QComboBox>("KV_IFA1_MD_KV2260v2_624_3");
    QCOMPARE(combo->currentIndex(), -1);
    QCOMPARE(map->storeWidgetValue("IFA1_MD_KV2260v2"), -1);
    QCOMPARE(map->wr[78], quint8(0xE0));

    combo->addItems({"a", "b", "c", "d", "e", "f", "g", "h"});
    map->wr[78] = 0x60;
    map->setWidgetValue("IFA1_MD_KV2260v2", map->wr);
    QCOMPARE(combo->currentIndex(), 3);
}

void RegMapTest::widgetsThatCannotShowAValue()
{
    auto *spin = bind<QSpinBox>("KV_CDIV_R_KV2260v2_91_5");
    spin->setRange(8, 20);
    auto *combo = bind<QComboBox>("KV_LNA1_FC_KV2260v2_580_2");
    combo->addItems({"a", "b", "c"});
    auto *inverted = bind<QComboBox>("KV_X_KV2260v2_40_1_I");
    inverted->addItem("only");
    bind<QCheckBox>("KV_Y_KV2260v2_41_1");
    const auto canShow = [&](const char *fieldName, int first, int width, quint32 value) {
        RegImage image(128, 0);
        for (int i = 0; i < width; ++i)
            map->setBit(image, first + i, (value >> (width - 1 - i)) & 1);
        return map->widgetCanShow(fieldName, image);
    };
    QVERIFY(!canShow("CDIV_R_KV2260v2", 91, 5, 7));
    QVERIFY(canShow("CDIV_R_KV2260v2", 91, 5, 8));
    QVERIFY(canShow("CDIV_R_KV2260v2", 91, 5, 20));
    QVERIFY(!canShow("CDIV_R_KV2260v2", 91, 5, 21));
    QVERIFY(canShow("LNA1_FC_KV2260v2", 580, 2, 2));
    QVERIFY(!canShow("LNA1_FC_KV2260v2", 580, 2, 3));
    // The inverted field shows item 0 for a set bit.
    QVERIFY(canShow("X_KV2260v2", 40, 1, 1));
    QVERIFY(!canShow("X_KV2260v2", 40, 1, 0));
    QVERIFY(canShow("Y_KV2260v2", 41, 1, 1));
    QVERIFY(canShow("Missing_KV2260v2", 0, 1, 1));
}

void RegMapTest::lampsAndNumberLabels()
{
    auto *lampLabel = bind<QLabel>("KV_FREF_FAULT_KV2260v2_58_1");
    auto *numberLabel = bind<QLabel>("KV_X_KV2260v2_40_2");

    map->setBit(map->wr, 58, 1);
    map->setWidgetValue("FREF_FAULT_KV2260v2", map->wr);
    QCOMPARE(lampLabel->pixmap(Qt::ReturnByValue).toImage(), lamp(":/Bulb-good.png"));

    map->setBit(map->wr, 58, 0);
    map->setWidgetValue("FREF_FAULT_KV2260v2", map->wr);
    QCOMPARE(lampLabel->pixmap(Qt::ReturnByValue).toImage(), lamp(":/Bulb-bad.png"));

    lampLabel->setEnabled(false);
    map->setBit(map->wr, 58, 1);
    map->setWidgetValue("FREF_FAULT_KV2260v2", map->wr);
    QCOMPARE(lampLabel->pixmap(Qt::ReturnByValue).toImage(), lamp(":/Bulb-disabled.png"));

    map->wr[5] = 0xC0;
    map->setWidgetValue("X_KV2260v2", map->wr);
    QCOMPARE(numberLabel->text(), QString("3"));
    // A label shows a value but is never read back.
    QCOMPARE(map->getWidgetValue("X_KV2260v2"), 0);
}

void RegMapTest::lineEditShowsDecimal()
{
    auto *edit = bind<QLineEdit>("KV_ID_KV2260v2_0_13");
    map->wr[0] = 0xFF;
    map->wr[1] = 0xF8;
    map->setWidgetValue("ID_KV2260v2", map->wr);
    QCOMPARE(edit->text(), QString("8191"));
}

void RegMapTest::subclassesReadAsUnknownWidgets()
{
    auto *spin = bind<TunedSpinBox>("KV_X_KV2260v2_40_4");
    spin->setValue(5);
    QCOMPARE(map->getWidgetValue("X_KV2260v2"), 0);
    map->wr[5] = 0xF0;
    map->setWidgetValue("X_KV2260v2", map->wr);
    QCOMPARE(spin->value(), 5);
}

void RegMapTest::unknownFieldDoesNothing()
{
    bind<QCheckBox>("KV_X_KV2260v2_40_1");
    const RegImage before = map->wr;
    QCOMPARE(map->getWidgetValue("Missing_KV2260v2"), 0);
    QCOMPARE(map->storeWidgetValue("Missing_KV2260v2"), 0);
    map->setWidgetValue("Missing_KV2260v2", map->wr);
    QCOMPARE(map->fields.size(), 1);
    QVERIFY(!map->fields.contains("Missing_KV2260v2"));
    QVERIFY(map->wr == before);
}

void RegMapTest::fieldRunningPastTheMapKeepsItsWeights()
{
    // Pieces: 4 bits inside the map, then 4 bits past its end. The bits
    // outside read as 0 but still count for the weight of the bits inside.
    auto *spin = bind<QSpinBox>("KV_X_KV2260v2_1020p2000_4p4");
    spin->setMaximum(1000);
    spin->setValue(0xA5);
    QCOMPARE(map->storeWidgetValue("X_KV2260v2"), 0xA5);
    QCOMPARE(map->wr[127], quint8(0x0A));
    spin->setValue(0);
    map->setWidgetValue("X_KV2260v2", map->wr);
    QCOMPARE(spin->value(), 0xA0);
}

void RegMapTest::storeRepaintsOnlyChangedBits()
{
    QTableView view;
    RegTableModel model(map.get(), 4);
    view.setModel(&model);
    map->view = &view;
    map->listener = &model;
    auto *spin = bind<QSpinBox>("KV_IFA1_ManGC_KV2260v2_142_5");
    QSignalSpy repaints(&model, &QAbstractItemModel::dataChanged);

    spin->setValue(0);
    map->storeWidgetValue("IFA1_ManGC_KV2260v2");
    QCOMPARE(repaints.count(), 0);

    spin->setValue(0b10001);  // bits 142 and 146
    map->storeWidgetValue("IFA1_ManGC_KV2260v2");
    // Each changed bit: its cell, then its register's hex cell.
    QCOMPARE(repaints.count(), 4);
    // Register 17 sits in group 4, slot 1: its "wr" row is 26, bit 142 is D1.
    // The walk ends at the most significant bit.
    for (int repaint = 2; repaint < 4; ++repaint) {
        const QModelIndex cell = model.index(26, 9 + (repaint == 2 ? 6 : 8));
        QCOMPARE(repaints.at(repaint).at(0).toModelIndex(), cell);
        QCOMPARE(repaints.at(repaint).at(1).toModelIndex(), cell);
    }
}

void RegMapTest::setWidgetRepaintsEveryBitOfTheField()
{
    QTableView view;
    RegTableModel model(map.get(), 4);
    view.setModel(&model);
    map->view = &view;
    map->listener = &model;
    bind<QSpinBox>("KV_IFA_GainSt_KV2260v2_72p80_2p5");
    QSignalSpy repaints(&model, &QAbstractItemModel::dataChanged);
    map->setWidgetValue("IFA_GainSt_KV2260v2", map->wr);
    QCOMPARE(repaints.count(), 2 * 7);  // each bit's cell and its hex cell
}

void RegMapTest::resourcesAreCompiledIn()
{
    for (const char *path : {":/Bulb-good.png", ":/Bulb-bad.png", ":/Bulb-disabled.png"}) {
        QPixmap pixmap(path);
        QCOMPARE(pixmap.size(), QSize(20, 20));
    }
    QVERIFY(lamp(":/Bulb-good.png") != lamp(":/Bulb-bad.png"));
    for (const char *path : {":/Translations/template_en.qm", ":/Translations/template_ru.qm"}) {
        QTranslator translator;
        QVERIFY2(translator.load(path), path);
    }
}

KV_TEST_MAIN(RegMapTest)
#include "tst_regmap.moc"
