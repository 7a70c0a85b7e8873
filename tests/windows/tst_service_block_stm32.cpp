// The settings window's single-register read and write and its raw packet
// exchange through the real STM32 transport to the board emulator on a
// pseudo-terminal, checked byte by byte against the frames the board got.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <memory>

#include "KV2260_stm32_API.h"
#include "ModalCatcher.h"
#include "RegMap.h"
#include "ReplyTimeouts.h"
#include "Stm32BoardEmulator.h"
#include "TestMain.h"
#include "clerk.h"
#include "service_block.h"

using Fault = Stm32BoardEmulator::Fault;
Q_DECLARE_METATYPE(Fault)

namespace {

template <typename W>
W *child(const QWidget &window, const char *name)
{
    W *widget = window.findChild<W *>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

int boxesValue(const service_block &window)
{
    int value = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (window.findChild<QCheckBox *>(QStringLiteral("cbxRegByte%1").arg(bit))->isChecked())
            value |= 1 << bit;
    return value;
}

void checkBoxes(const service_block &window, int value)
{
    for (int bit = 0; bit < 8; ++bit)
        window.findChild<QCheckBox *>(QStringLiteral("cbxRegByte%1").arg(bit))
            ->setChecked((value >> bit) & 1);
}

// The packet of 40 bytes that reads registers 0 to 18 as one list, and the
// board's answer to it.
QByteArray longListRead(const QByteArray &registers, bool answer)
{
    QByteArray packet = QByteArray(1, answer ? 0x00 : 0x15).append(char(38));
    for (int reg = 0; reg < 19; ++reg)
        packet.append(char(reg | 0x80)).append(answer ? registers.at(reg) : '\0');
    return packet;
}

QString spaced(const QByteArray &bytes)
{
    QString text;
    for (char byte : bytes)
        text += QStringLiteral("%1 ").arg(quint8(byte), 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

} // namespace

class ServiceBlockStm32Test : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void readRegister_data();
    void readRegister();
    void writeRegister();
    void registerAccessFailures_data();
    void registerAccessFailures();
    void packetExchange_data();
    void packetExchange();
    void packetExchangeFailures_data();
    void packetExchangeFailures();
    void readWhileWorkerReads();

private:
    std::unique_ptr<Stm32BoardEmulator> board;
    std::unique_ptr<KV2260_stm32_API> transport;
    std::unique_ptr<service_block> window;
    QStringList transportTexts;
};

void ServiceBlockStm32Test::init()
{
    board = std::make_unique<Stm32BoardEmulator>();
    transport = std::make_unique<KV2260_stm32_API>();
    transport->deviceName = board->portPath();
    transport->replyTimeout = answerTimeoutMs;
    window = std::make_unique<service_block>();
    window->transport = transport.get();
    transportTexts.clear();
    connect(transport.get(), &canal::send_message, this,
            [this](const QString &text) { transportTexts << text; });
}

void ServiceBlockStm32Test::cleanup()
{
    window.reset();
    transport.reset();
    board.reset();
}

void ServiceBlockStm32Test::readRegister_data()
{
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("register 9") << 9 << 0x3C << hex("15028900");
    QTest::newRow("register 0") << 0 << 0xFF << hex("15028000");
    QTest::newRow("register 127") << 127 << 0xA5 << hex("1502FF00");
}

void ServiceBlockStm32Test::readRegister()
{
    QFETCH(int, reg);
    QFETCH(int, value);
    QFETCH(QByteArray, frame);
    board->setRegisterValue(reg, quint8(value));
    const QMap<QString, int> settings = window->settings;
    child<QSpinBox>(*window, "Setting_RegisterNumber")->setValue(reg);
    child<QSpinBox>(*window, "SpinRegisterValue")->setValue(0x11);

    ModalCatcher boxes;
    child<QPushButton>(*window, "ButtonReadRegister")->click();

    COMPARE_CAUGHT(boxes.texts(), QStringList());
    QCOMPARE(board->frames(), QList<QByteArray>{frame});
    QCOMPARE(child<QSpinBox>(*window, "SpinRegisterValue")->value(), value);
    QCOMPARE(boxesValue(*window), value);
    QVERIFY(transportTexts.isEmpty());
    // The window's own slots leave the settings map to the main window.
    QCOMPARE(window->settings, settings);
}

void ServiceBlockStm32Test::writeRegister()
{
    board->setRegisterValue(127, 0xFF);
    child<QSpinBox>(*window, "Setting_RegisterNumber")->setValue(127);
    checkBoxes(*window, 0x5A);

    ModalCatcher boxes;
    child<QPushButton>(*window, "ButtonWriteRegister")->click();
    COMPARE_CAUGHT(boxes.texts(), QStringList());
    QCOMPARE(board->frames(), QList<QByteArray>{hex("15027F5A")});
    QCOMPARE(board->registerValue(127), quint8(0x5A));

    // Reading it back shows what was written.
    child<QSpinBox>(*window, "SpinRegisterValue")->setValue(0);
    child<QPushButton>(*window, "ButtonReadRegister")->click();
    QCOMPARE(child<QSpinBox>(*window, "SpinRegisterValue")->value(), 0x5A);
    QCOMPARE(board->frames().last(), hex("1502FF00"));
    QVERIFY(transportTexts.isEmpty());
}

// Button, how the board or the request fails -> the box, the transport's
// own report, and the frames that reached the board.
void ServiceBlockStm32Test::registerAccessFailures_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("map");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QByteArray>("frame");
    for (const char *button : {"ButtonReadRegister", "ButtonWriteRegister"}) {
        const QString b = QString::fromLatin1(button);
        const QByteArray frame = b.contains("Read") ? hex("15028500") : hex("1502055A");
        QTest::newRow(qPrintable(b + ", silent board"))
            << b << Fault::Silent << 0 << "Error: waitForReadyRead" << frame;
        QTest::newRow(qPrintable(b + ", short reply"))
            << b << Fault::Short << 0 << "Error: bytesAvailable" << frame;
        QTest::newRow(qPrintable(b + ", long reply"))
            << b << Fault::Long << 0 << "Error: bytesAvailable" << frame;
        QTest::newRow(qPrintable(b + ", map 3"))
            << b << Fault::None << 3 << "Error: Map does not exist" << QByteArray();
    }
}

void ServiceBlockStm32Test::registerAccessFailures()
{
    QFETCH(QString, button);
    QFETCH(Fault, fault);
    QFETCH(int, map);
    QFETCH(QString, report);
    QFETCH(QByteArray, frame);
    board->setRegisterValue(5, 0x77);
    board->setFault(fault);
    if (fault == Fault::Silent)
        transport->replyTimeout = silenceTimeoutMs;
    child<QSpinBox>(*window, "Setting_RegisterNumber")->setValue(5);
    child<QComboBox>(*window, "Setting_MapCounter")->setCurrentIndex(map);
    auto *value = child<QSpinBox>(*window, "SpinRegisterValue");
    value->setValue(0x5A);

    ModalCatcher boxes;
    child<QPushButton>(*window, qPrintable(button))->click();

    // A read shows the byte as the failed transfer left it; a write the byte
    // it meant to write.
    const QString shown = button.contains("Read") ? "USB interface error 0" : "USB interface error 90";
    COMPARE_CAUGHT(boxes.texts(), QStringList{shown});
    QCOMPARE(transportTexts, QStringList{report});
    QCOMPARE(board->frames(), frame.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{frame});
    QCOMPARE(value->value(), 0x5A);
    QCOMPARE(boxesValue(*window), 0x5A);
    // A write frame that reached the board took effect, whatever the reply.
    const bool written = !frame.isEmpty() && button.contains("Write");
    QCOMPARE(board->registerValue(5), quint8(written ? 0x5A : 0x77));
}

// Text of the out line -> the one frame the board got, and the answer line.
void ServiceBlockStm32Test::packetExchange_data()
{
    QTest::addColumn<QString>("out");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("answer");
    QTest::newRow("single read") << "15 02 85 00" << hex("15028500") << "00 02 85 3A ";
    QTest::newRow("single write") << "15 02 05 3c" << hex("1502053C") << "00 02 05 3C ";
    QTest::newRow("loose spelling") << "  15   2 185 zz " << hex("15028500") << "00 02 85 3A ";
    QTest::newRow("not a register frame") << "AA BB CC" << hex("AABBCC") << "AA BB CC ";
    QTest::newRow("nothing") << "   " << QByteArray() << "";
}

void ServiceBlockStm32Test::packetExchange()
{
    QFETCH(QString, out);
    QFETCH(QByteArray, frame);
    QFETCH(QString, answer);
    board->setRegisterValue(5, 0x3A);
    child<QLineEdit>(*window, "gonec_line_out")->setText(out);

    ModalCatcher boxes;
    child<QPushButton>(*window, "gonec")->click();

    QCOMPARE(board->frames(), frame.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{frame});
    QCOMPARE(child<QLineEdit>(*window, "gonec_line_in")->text(), answer);
    COMPARE_CAUGHT(boxes.texts(), QStringList());
    QVERIFY(transportTexts.isEmpty());
    if (frame == hex("1502053C"))
        QCOMPARE(board->registerValue(5), quint8(0x3C));
}

void ServiceBlockStm32Test::packetExchangeFailures_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("report");
    QTest::newRow("none") << Fault::None << QString();
    QTest::newRow("silent board") << Fault::Silent << "Error: waitForReadyRead";
    QTest::newRow("short reply") << Fault::Short << "Error: bytesAvailable";
    QTest::newRow("long reply") << Fault::Long << "Error: bytesAvailable";
}

// A 40-byte packet goes out whole; a failed exchange shows no box and leaves
// the frame in the answer line as it was sent.
void ServiceBlockStm32Test::packetExchangeFailures()
{
    QFETCH(Fault, fault);
    QFETCH(QString, report);
    QByteArray registers;
    for (int reg = 0; reg < 128; ++reg)
        registers.append(char(reg * 7 + 1));
    board->setRegisters(registers);
    board->setFault(fault);
    if (fault == Fault::Silent)
        transport->replyTimeout = silenceTimeoutMs;
    const QByteArray packet = longListRead(registers, false);
    child<QLineEdit>(*window, "gonec_line_out")->setText(spaced(packet));

    ModalCatcher boxes;
    child<QPushButton>(*window, "gonec")->click();

    QCOMPARE(board->frames(), QList<QByteArray>{packet});
    COMPARE_CAUGHT(boxes.texts(), QStringList());
    const QByteArray shown = report.isEmpty() ? longListRead(registers, true) : packet;
    QCOMPARE(child<QLineEdit>(*window, "gonec_line_in")->text(), spaced(shown));
    QCOMPARE(transportTexts, report.isEmpty() ? QStringList() : QStringList{report});
}

// The window reads a register while the worker reads the whole map through
// the same transport: the worker's list frames stay together and both get
// the board's values.
void ServiceBlockStm32Test::readWhileWorkerReads()
{
    QByteArray registers;
    for (int reg = 0; reg < 128; ++reg)
        registers.append(char(255 - reg));
    board->setRegisters(registers);
    board->setPacing(57600);
    transport->replyTimeout = 5000;
    RegMap map(QStringLiteral("KV2260v2"), 128, 0);
    clerk worker;
    worker.service = window.get();
    worker.regMaps.insert(map.name, &map);
    window->settings["ReadStyle"] = 1;
    QStringList finals;
    connect(&worker, &clerk::error_mess, this, [&](const QString &text) { finals << text; });
    QThread thread;
    worker.moveToThread(&thread);
    thread.start();

    QMetaObject::invokeMethod(&worker, "ICGUI", Qt::QueuedConnection);
    QTRY_VERIFY(!board->frames().isEmpty());
    child<QSpinBox>(*window, "Setting_RegisterNumber")->setValue(100);
    ModalCatcher boxes;
    child<QPushButton>(*window, "ButtonReadRegister")->click();
    QTRY_COMPARE(finals, QStringList{QString()});
    thread.quit();
    thread.wait();

    COMPARE_CAUGHT(boxes.texts(), QStringList());
    QCOMPARE(child<QSpinBox>(*window, "SpinRegisterValue")->value(), 155);
    const QList<QByteArray> frames = board->frames();
    QCOMPARE(frames.size(), 10);
    QCOMPARE(frames.last(), hex("1502E400"));
    for (int f = 0; f < 9; ++f)
        QCOMPARE(frames[f].size(), f < 8 ? 32 : 18);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(map.rd.data()), 128), registers);
}

KV_TEST_MAIN(ServiceBlockStm32Test)
#include "tst_service_block_stm32.moc"
