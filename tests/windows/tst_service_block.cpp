// The settings window on its own: seeded settings, the single-register read
// and write, the bit boxes, the raw packet exchange and the language switch.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QPushButton>
#include <QSpinBox>
#include <QTranslator>

#include "FakeBoard.h"
#include "ModalCatcher.h"
#include "TestMain.h"
#include "service_block.h"

namespace {

template <typename W>
W *child(const QWidget &window, const char *name)
{
    W *widget = window.findChild<W *>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

int boxesValue(const service_block &window)
{
    int value = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (window.findChild<QCheckBox *>(QStringLiteral("cbxRegByte%1").arg(bit))->isChecked())
            value |= 1 << bit;
    return value;
}

} // namespace

class ServiceBlockTest : public QObject
{
    Q_OBJECT
private slots:
    void seededSettings();
    void visibleWidgets();
    void bitBoxesFollowValue();
    void readRegister();
    void registerAccessFailures_data();
    void registerAccessFailures();
    void writeRegister();
    void packetExchange_data();
    void packetExchange();
    void languageSwitch();
};

void ServiceBlockTest::seededSettings()
{
    service_block window;
    const QMap<QString, int> seeded = {
        {"ReadStyle", 2},     {"WriteStyle", 1},     {"ChangesOnly", 1},   {"InteractiveRefresh", 1},
        {"CfgAutoread", 1},   {"ConfigCheck", 1},    {"StatusBits", 1},    {"ServiceBits", 1},
        {"RepeatRead", 0},    {"HexComment", 0},     {"MergeFile", 0},     {"AutoPause", 0},
        {"PauseTimer", 200},  {"speedCom", 5},       {"MapCounter", 0},    {"RegisterNumber", 0},
        {"currentDevice", -1}, {"interfaceCheck", 0}, {"writePause", 0},   {"separateWrite", 0},
        {"RegisterValue", 0}};
    QCOMPARE(window.settings, seeded);
    QVERIFY(!window.transport);
}

void ServiceBlockTest::visibleWidgets()
{
    service_block window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QString("Additional settings"));
    QCOMPARE(window.width(), 330);
    const QStringList shown = {"Setting_ChangesOnly", "Setting_InteractiveRefresh",
                               "Setting_CfgAutoread", "text_pause", "Setting_PauseTimer",
                               "Setting_MergeFile", "groupLogo"};
    for (const QString &name : shown)
        QVERIFY2(window.findChild<QWidget *>(name)->isVisible(), qPrintable(name));
    for (const char *name : {"Setting_ReadStyle", "Setting_WriteStyle", "Setting_HexComment",
                             "GrRWRegister", "Setting_speedCom", "search_interface",
                             "Setting_ICFILE", "Setting_ConfigCheck"})
        QVERIFY2(!window.findChild<QWidget *>(name)->isVisible(), name);

    // Only the two 2290 boards remain selectable.
    auto *interfaces = child<QComboBox>(window, "Setting_interfaceCheck");
    auto *rows = qobject_cast<QListView *>(interfaces->view());
    for (int row = 0; row < 7; ++row) {
        const bool usable = row == 4 || row == 5;
        QCOMPARE(rows->isRowHidden(row), !usable);
    }
}

void ServiceBlockTest::bitBoxesFollowValue()
{
    service_block window;
    auto *value = child<QSpinBox>(window, "SpinRegisterValue");
    value->setValue(0xA5);
    QCOMPARE(boxesValue(window), 0xA5);
    child<QCheckBox>(window, "cbxRegByte1")->setChecked(true);
    QCOMPARE(value->value(), 0xA7);
    value->setValue(0x00);
    QCOMPARE(boxesValue(window), 0);
    QCOMPARE(value->value(), 0);
}

void ServiceBlockTest::readRegister()
{
    service_block window;
    FakeBoard board;
    board.regs[9] = 0x3C;
    window.transport = &board;
    child<QSpinBox>(window, "Setting_RegisterNumber")->setValue(9);
    child<QComboBox>(window, "Setting_MapCounter")->setCurrentIndex(3);
    child<QPushButton>(window, "ButtonReadRegister")->click();
    QCOMPARE(child<QSpinBox>(window, "SpinRegisterValue")->value(), 0x3C);
    QCOMPARE(boxesValue(window), 0x3C);
    QCOMPARE(board.calls.size(), 1);
    QCOMPARE(board.calls[0].map, 3);
    QCOMPARE(board.calls[0].first, 9);
    QVERIFY(!window.settings.contains("SpinRegisterValue"));
}

// Each way a single-register access can fail shows the box and changes nothing.
void ServiceBlockTest::registerAccessFailures_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("board");
    QTest::addColumn<QString>("text");
    for (const char *button : {"ButtonReadRegister", "ButtonWriteRegister"}) {
        const QString b = QString::fromLatin1(button);
        const QString text = b.contains("Read") ? "USB interface error 0" : "USB interface error 90";
        QTest::newRow(qPrintable(b + ", no transport")) << b << "none" << text;
        QTest::newRow(qPrintable(b + ", unsupported")) << b << "unsupported" << text;
        QTest::newRow(qPrintable(b + ", refused")) << b << "refused" << text;
    }
}

void ServiceBlockTest::registerAccessFailures()
{
    QFETCH(QString, button);
    QFETCH(QString, board);
    QFETCH(QString, text);
    service_block window;
    FakeBoard fake;
    if (board == "unsupported")
        fake.provided = {};
    if (board == "refused")
        fake.refused = ~canal::Operations();
    if (board != "none")
        window.transport = &fake;
    auto *value = child<QSpinBox>(window, "SpinRegisterValue");
    value->setValue(0x5A);

    ModalCatcher boxes;
    child<QPushButton>(window, qPrintable(button))->click();
    QCOMPARE(boxes.texts(), QStringList{text});
    QCOMPARE(value->value(), 0x5A);
    QCOMPARE(boxesValue(window), 0x5A);
    if (board == "unsupported")
        QVERIFY(fake.calls.isEmpty());
}

void ServiceBlockTest::writeRegister()
{
    service_block window;
    FakeBoard board;
    window.transport = &board;
    child<QSpinBox>(window, "Setting_RegisterNumber")->setValue(127);
    for (int bit : {1, 3, 4, 6})
        child<QCheckBox>(window, qPrintable(QString("cbxRegByte%1").arg(bit)))->setChecked(true);
    ModalCatcher boxes;
    child<QPushButton>(window, "ButtonWriteRegister")->click();
    QVERIFY(boxes.texts().isEmpty());
    QCOMPARE(int(board.regs[127]), 0x5A);
    QCOMPARE(board.calls.last().map, 0);
}

// Text of the out line -> bytes shown in the answer line without and with a
// board that answers (the fake answers with each byte's complement).
void ServiceBlockTest::packetExchange_data()
{
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("asSent");
    QTest::addColumn<QString>("answered");
    QTest::newRow("parts") << "01 2 ff" << "01 02 FF " << "FE FD 00 ";
    QTest::newRow("several blanks") << "  01   2  ff " << "01 02 FF " << "FE FD 00 ";
    QTest::newRow("low 8 bits") << "1FF" << "FF " << "00 ";
    QTest::newRow("not a number") << "zz 10" << "00 10 " << "FF EF ";
    QTest::newRow("default") << "FF FF" << "FF FF " << "00 00 ";
    QTest::newRow("nothing") << "   " << "" << "";
}

void ServiceBlockTest::packetExchange()
{
    QFETCH(QString, out);
    QFETCH(QString, asSent);
    QFETCH(QString, answered);
    service_block window;
    child<QLineEdit>(window, "gonec_line_out")->setText(out);
    auto *in = child<QLineEdit>(window, "gonec_line_in");

    child<QPushButton>(window, "gonec")->click();
    QCOMPARE(in->text(), asSent);

    FakeBoard board;
    board.provided = canal::SendPacket;
    window.transport = &board;
    child<QPushButton>(window, "gonec")->click();
    QCOMPARE(in->text(), answered);
    QCOMPARE(board.calls.size(), asSent.isEmpty() ? 0 : 1);

    // A board without the exchange is not called and the frame stays as sent.
    board.provided = {};
    board.calls.clear();
    child<QPushButton>(window, "gonec")->click();
    QCOMPARE(in->text(), asSent);
    QVERIFY(board.calls.isEmpty());
}

void ServiceBlockTest::languageSwitch()
{
    service_block window;
    child<QLineEdit>(window, "gonec_line_out")->setText("01 02");
    // A switch changes texts only: every list keeps its item, silently, and
    // the settings map keeps what the user chose.
    const char *const lists[] = {"Setting_ReadStyle", "Setting_WriteStyle", "Setting_speedCom",
                                 "Setting_interfaceCheck", "Setting_MapCounter"};
    for (const char *name : lists) {
        auto *box = child<QComboBox>(window, name);
        box->setCurrentIndex(box->count() - 1);
        window.settings.insert(QString(name).mid(8), box->count() - 1);
    }
    const QMap<QString, int> settings = window.settings;
    QSignalSpy changes(child<QComboBox>(window, "Setting_ReadStyle"),
                       SIGNAL(currentIndexChanged(int)));
    QTranslator russian;
    QVERIFY(russian.load(":/Translations/template_ru.qm"));
    QCoreApplication::installTranslator(&russian);
    window.change_translation();
    QCoreApplication::removeTranslator(&russian);

    QCOMPARE(window.windowTitle(), QString("Настройки ПО"));
    QCOMPARE(child<QCheckBox>(window, "Setting_MergeFile")->text(), QString("Дописывать файл"));
    QCOMPARE(child<QLineEdit>(window, "gonec_line_out")->text(), QString("FF FF"));
    for (const char *name : lists) {
        auto *box = child<QComboBox>(window, name);
        QCOMPARE(box->currentIndex(), box->count() - 1);
    }
    QCOMPARE(changes.count(), 0);
    QCOMPARE(window.settings, settings);
    QCOMPARE(child<QComboBox>(window, "Setting_ReadStyle")->itemText(0),
             QString("По одному регистру"));
    // The interface choices that stay out of reach stay out of reach.
    auto *interfaces = qobject_cast<QListView *>(child<QComboBox>(window, "Setting_interfaceCheck")->view());
    QVERIFY(interfaces && interfaces->isRowHidden(0) && !interfaces->isRowHidden(5));

    // The English catalogue gives the English texts back.
    window.change_translation();
    QCOMPARE(window.windowTitle(), QString("Additional settings"));
    QCOMPARE(child<QComboBox>(window, "Setting_WriteStyle")->itemText(2), QString("Autoincrement"));
    QCOMPARE(window.settings, settings);
}

KV_TEST_MAIN_ENGLISH(ServiceBlockTest)

#include "tst_service_block.moc"
