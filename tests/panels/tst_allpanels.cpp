#include <QSet>
#include <memory>

#include "FormWalk.h"
#include "GrEnable.h"
#include "GrServA.h"
#include "GrServB.h"
#include "GrServC.h"
#include "GrServD.h"
#include "GrServiceClock.h"
#include "GrServiceLPF.h"
#include "GrTest.h"
#include "GrThynA.h"
#include "GrThynB.h"
#include "TestMain.h"
#include "grAOK.h"
#include "grLostW.h"
#include "grSPL.h"
#include "mapshow.h"

// What the main window's binding relies on across all thirteen panels at
// once: the field count of each, no field name or register bit claimed
// twice, and every field inside the 128-register map.
class AllPanelsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void fieldCountPerPanel();
    void fieldsAreUniqueAcrossPanels();

private:
    std::vector<std::unique_ptr<QWidget>> panels;
};

void AllPanelsTest::initTestCase()
{
    panels.emplace_back(new GrServA(nullptr));
    panels.emplace_back(new GrServB(nullptr));
    panels.emplace_back(new GrServC(nullptr));
    panels.emplace_back(new GrServD(nullptr));
    panels.emplace_back(new GrThynA(nullptr));
    panels.emplace_back(new grAOK(nullptr));
    panels.emplace_back(new grSPL(nullptr));
    panels.emplace_back(new GrEnable(nullptr));
    panels.emplace_back(new grLostW(nullptr));
    panels.emplace_back(new GrServiceLPF(nullptr));
    panels.emplace_back(new GrTest(nullptr));
    panels.emplace_back(new GrServiceClock(nullptr));
    panels.emplace_back(new GrThynB(nullptr));
}

void AllPanelsTest::cleanupTestCase()
{
    panels.clear();
}

void AllPanelsTest::fieldCountPerPanel()
{
    const QMap<QString, int> expected = {
        {"GrServA", 25}, {"GrServB", 25},     {"GrServC", 25},     {"GrServD", 25},
        {"GrThynA", 68}, {"grAOK", 7},        {"grSPL", 4},        {"GrEnable", 81},
        {"grLostW", 24}, {"GrServiceLPF", 19}, {"GrTest", 21},     {"GrServiceClock", 0},
        {"GrThynB", 0},
    };
    int total = 0;
    for (const auto &panel : panels) {
        const QString className = panel->metaObject()->className();
        QCOMPARE(panel->objectName(), className);
        const int count = registerBoundWidgets(panel.get()).size();
        QVERIFY2(count == expected.value(className), qPrintable(className));
        total += count;
    }
    QCOMPARE(total, 324);
}

void AllPanelsTest::fieldsAreUniqueAcrossPanels()
{
    QSet<QString> names;
    QMap<unsigned, QString> owners;
    for (const auto &panel : panels) {
        for (QWidget *widget : registerBoundWidgets(panel.get())) {
            std::unique_ptr<part> field(mapshow::ParseObjName(widget->objectName()));
            QVERIFY2(!names.contains(field->name), qPrintable(field->name));
            names.insert(field->name);
            for (size_t i = 0; i < field->bitStarts.size(); ++i) {
                for (unsigned bit = field->bitStarts[i]; bit < field->bitStarts[i] + field->widths[i]; ++bit) {
                    QVERIFY2(bit < 128 * 8, qPrintable(field->name));
                    const QString clash = owners.value(bit);
                    QVERIFY2(clash.isEmpty(), qPrintable(field->name + " and " + clash));
                    owners.insert(bit, field->name);
                }
            }
        }
    }
    QCOMPARE(names.size(), 324);
}

KV_TEST_MAIN(AllPanelsTest)
#include "tst_allpanels.moc"
