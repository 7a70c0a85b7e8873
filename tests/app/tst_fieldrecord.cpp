#include <QMetaMethod>
#include <memory>

#include "MainClass.h"
#include "TestMain.h"
#include "mapshow.h"

using Record = std::unique_ptr<part>;
using Numbers = std::vector<unsigned>;
Q_DECLARE_METATYPE(Numbers)

class FieldRecordTest : public QObject
{
    Q_OBJECT
private slots:
    void parsesFieldNames_data();
    void parsesFieldNames();
    void rejectsNonFieldNames_data();
    void rejectsNonFieldNames();
    void unreadableNumbersCountAsZero();
    void parserIsThirdMethodOfRegisterTable();
    void placementText_data();
    void placementText();
    void placementOfEmptyRecordIsEmpty();
};

void FieldRecordTest::parsesFieldNames_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("chip");
    QTest::addColumn<Numbers>("bitStarts");
    QTest::addColumn<Numbers>("widths");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("startBit");
    QTest::addColumn<bool>("inverted");
    QTest::addColumn<bool>("multiPiece");

    QTest::newRow("one piece") << "KV_IFA1_MD_KV2260v2_624_3" << "IFA1_MD_KV2260v2"
                               << "KV2260v2" << Numbers{624} << Numbers{3} << 3 << 624
                               << false << false;
    QTest::newRow("two pieces") << "KV_IFA_GainSt_KV2260v2_72p80_2p5" << "IFA_GainSt_KV2260v2"
                                << "KV2260v2" << Numbers{72, 80} << Numbers{2, 5} << 7 << 72
                                << false << true;
    QTest::newRow("two single bits") << "KV_CLK_OT_KV2260v2_96p99_1p1" << "CLK_OT_KV2260v2"
                                     << "KV2260v2" << Numbers{96, 99} << Numbers{1, 1} << 2
                                     << 96 << false << true;
    QTest::newRow("inverted") << "KV_PLL_A_Ready_KV2260v2_898_1_I" << "PLL_A_Ready_KV2260v2"
                              << "KV2260v2" << Numbers{898} << Numbers{1} << 1 << 898 << true
                              << false;
    // The first piece need not hold the lowest bit: startBit is still its start.
    QTest::newRow("pieces out of order") << "KV_X_KV2260v2_80p72_5p2" << "X_KV2260v2"
                                         << "KV2260v2" << Numbers{80, 72} << Numbers{5, 2} << 7
                                         << 80 << false << true;
    // Any "I" in the last part marks inversion, not only a part equal to "I".
    QTest::newRow("I inside last part") << "KV_X_KV2260v2_5_1_INV" << "X_KV2260v2"
                                        << "KV2260v2" << Numbers{5} << Numbers{1} << 1 << 5
                                        << true << false;
    QTest::newRow("empty field part") << "KV__KV2260v2_5_1" << "_KV2260v2" << "KV2260v2"
                                      << Numbers{5} << Numbers{1} << 1 << 5 << false << false;
    QTest::newRow("chip only") << "KV_KV2260v2_5_1" << "KV2260v2" << "KV2260v2" << Numbers{5}
                               << Numbers{1} << 1 << 5 << false << false;
    QTest::newRow("widest field") << "KV_W_KV2260v2_0p40_16p16" << "W_KV2260v2" << "KV2260v2"
                                  << Numbers{0, 40} << Numbers{16, 16} << 32 << 0 << false
                                  << true;
}

void FieldRecordTest::parsesFieldNames()
{
    QFETCH(QString, objectName);
    Record field(mapshow::ParseObjName(objectName));
    QVERIFY(field);
    QTEST(field->name, "name");
    QTEST(field->chip, "chip");
    QTEST(field->bitStarts, "bitStarts");
    QTEST(field->widths, "widths");
    QTEST(field->width, "width");
    QTEST(field->startBit, "startBit");
    QTEST(field->inverted, "inverted");
    QTEST(field->multiPiece, "multiPiece");
    QCOMPARE(field->widget, nullptr);
}

void FieldRecordTest::rejectsNonFieldNames_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::newRow("empty") << "";
    QTest::newRow("lower-case prefix") << "kv_IFA1_MD_KV2260v2_624_3";
    QTest::newRow("settings widget") << "Setting_ReadStyle";
    QTest::newRow("display") << "IFA1_MD_KV2260v2_Expression";
    QTest::newRow("caption") << "IFA1_MDLabelG";
    QTest::newRow("prefix alone") << "KV";
    QTest::newRow("longer first part") << "KVX_IFA1_MD_KV2260v2_624_3";
    QTest::newRow("prefix not first") << "_KV_IFA1_MD_KV2260v2_624_3";
    QTest::newRow("prefix and one part") << "KV_5";
    QTest::newRow("no chip") << "KV_5_1";
    QTest::newRow("inverted without chip") << "KV_5_1_I";
    QTest::newRow("fewer widths than bits") << "KV_X_KV2260v2_72p80_7";
    QTest::newRow("more widths than bits") << "KV_X_KV2260v2_72_2p5";
    QTest::newRow("zero width") << "KV_X_KV2260v2_72_0";
    QTest::newRow("zero width piece") << "KV_X_KV2260v2_72p80_2p0";
    QTest::newRow("empty width") << "KV_X_KV2260v2_72_";
    QTest::newRow("wider than 32 bits") << "KV_X_KV2260v2_0p40_16p17";
    QTest::newRow("huge width") << "KV_X_KV2260v2_0_4294967295";
}

void FieldRecordTest::rejectsNonFieldNames()
{
    QFETCH(QString, objectName);
    Record field(mapshow::ParseObjName(objectName));
    QVERIFY(!field);
}

void FieldRecordTest::unreadableNumbersCountAsZero()
{
    Record field(mapshow::ParseObjName("KV_X_KV2260v2_ab_3"));
    QVERIFY(field);
    QCOMPARE(field->bitStarts, Numbers{0});
    QCOMPARE(field->startBit, 0);
    QCOMPARE(field->width, 3);
}

void FieldRecordTest::parserIsThirdMethodOfRegisterTable()
{
    const QMetaObject &meta = mapshow::staticMetaObject;
    const QMetaMethod method = meta.method(meta.methodOffset() + 2);
    QCOMPARE(method.name(), QByteArray("ParseObjName"));
    QCOMPARE(QByteArray(method.typeName()), QByteArray("part*"));
    QCOMPARE(method.parameterNames(), QList<QByteArray>{"OName"});
}

void FieldRecordTest::placementText_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("text");
    QTest::newRow("one bit") << "KV_FREF_FAULT_KV2260v2_58_1_I" << "Reg7 <D5>";
    QTest::newRow("top of a register") << "KV_IFA1_MD_KV2260v2_624_3" << "Reg78 <D7-D5>";
    QTest::newRow("across two registers") << "KV_ID_KV2260v2_0_13" << "Reg0 <D7-D0>,Reg1 <D7-D3>";
    QTest::newRow("low bits then high bits") << "KV_IFA1_ManGC_KV2260v2_142_5"
                                             << "Reg17 <D1-D0>,Reg18 <D7-D5>";
    QTest::newRow("two pieces") << "KV_IFA_GainSt_KV2260v2_72p80_2p5"
                                << "Reg9 <D7-D6>Reg10 <D7-D3>";
    QTest::newRow("two bits in one register") << "KV_CLK_OT_KV2260v2_96p99_1p1"
                                              << "Reg12 <D7>Reg12 <D4>";
    QTest::newRow("D0 alone") << "KV_X_KV2260v2_103_1" << "Reg12 <D0>";
    QTest::newRow("from D0 into the next") << "KV_X_KV2260v2_7_3" << "Reg0 <D0>,Reg1 <D7-D6>";
    QTest::newRow("three registers") << "KV_X_KV2260v2_4_16"
                                     << "Reg0 <D3-D0>,Reg1 <D7-D0>,Reg2 <D7-D4>";
    QTest::newRow("whole register") << "KV_X_KV2260v2_8_8" << "Reg1 <D7-D0>";
}

void FieldRecordTest::placementText()
{
    QFETCH(QString, objectName);
    Record field(mapshow::ParseObjName(objectName));
    QVERIFY(field);
    QTEST(MainClass::fieldPlaceText(field.get()), "text");
}

void FieldRecordTest::placementOfEmptyRecordIsEmpty()
{
    part empty;
    QCOMPARE(MainClass::fieldPlaceText(&empty), QString());
    QCOMPARE(MainClass::fieldPlaceText(nullptr), QString());
}

KV_TEST_MAIN(FieldRecordTest)
#include "tst_fieldrecord.moc"
