// The worker's commands end to end: the worker in a thread of its own, driven
// by queued signals as the main window drives it, through the real STM32
// transport to the board emulator on a pseudo-terminal. Every test checks
// the board's registers and the frames on the wire, the progress values, and
// that the command ends with exactly one final report.
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <memory>

#include "KV2260_stm32_API.h"
#include "Stm32BoardEmulator.h"
#include "TestMain.h"
#include "WorkerRig.h"

namespace {

const int registers = 128;
const int lpfRegister = 106;

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray bytesOf(const RegImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), int(image.size()));
}

RegImage imageOf(const QByteArray &bytes)
{
    return RegImage(bytes.begin(), bytes.end());
}

QByteArray singleRead(int reg)
{
    return QByteArray(1, 0x15).append(char(2)).append(char(reg | 0x80)).append('\0');
}

QByteArray singleWrite(int reg, quint8 value)
{
    return QByteArray(1, 0x15).append(char(2)).append(char(reg)).append(char(value));
}

using Entry = QPair<int, quint8>;

// Entry-list frames of at most 15 entries, each entry (address | flag, value).
QList<QByteArray> listFrames(const QVector<Entry> &entries, quint8 flag)
{
    QList<QByteArray> frames;
    for (int first = 0; first < entries.size(); first += 15) {
        const int n = qMin(15, entries.size() - first);
        QByteArray frame = QByteArray(1, 0x15).append(char(2 * n));
        for (int k = first; k < first + n; ++k)
            frame.append(char(entries[k].first | flag)).append(char(entries[k].second));
        frames << frame;
    }
    return frames;
}

QVector<Entry> entriesOf(const RegImage &values, const QVector<int> &regs)
{
    QVector<Entry> entries;
    for (int reg : regs)
        entries << Entry(reg, values[size_t(reg)]);
    return entries;
}

QVector<int> allRegisters()
{
    QVector<int> regs;
    for (int reg = 0; reg < registers; ++reg)
        regs << reg;
    return regs;
}

// The frames of a whole-map read in the given read style.
QList<QByteArray> readFrames(int style)
{
    QList<QByteArray> frames;
    if (style == 0) {
        for (int reg = 0; reg < registers; ++reg)
            frames << singleRead(reg);
        return frames;
    }
    return listFrames(entriesOf(RegImage(registers, 0), allRegisters()), 0x80);
}

// Range-write frames of the whole map, 26 values each.
QList<QByteArray> rangeFrames(const RegImage &values)
{
    QList<QByteArray> frames;
    for (int first = 0; first < registers; first += 26) {
        const int n = qMin(26, registers - first);
        frames << QByteArray(1, 0x15).append(char(n + 1)).append(char(first))
                      + bytesOf(values).mid(first, n);
    }
    return frames;
}

} // namespace

// The worker and its board, wired as the main window wires them: the
// commands arrive as queued signals, the replies come back queued into
// this (GUI) thread.
class Stm32Desk : public QObject
{
    Q_OBJECT
public:
    Stm32Desk() : map(QStringLiteral("KV2260v2"), registers, 0)
    {
        transport.deviceName = board.portPath();
        settingsWindow.transport = &transport;
        worker.service = &settingsWindow;
        worker.regMaps.insert(map.name, &map);

        connect(this, &Stm32Desk::Command_ICGUI, &worker, &clerk::ICGUI);
        connect(this, &Stm32Desk::Command_GUIIC, &worker, &clerk::GUIIC);
        connect(this, &Stm32Desk::Command_FILEIC, &worker, &clerk::FILEIC);
        connect(this, &Stm32Desk::Command_ICFILE, &worker, &clerk::ICFILE);
        connect(this, &Stm32Desk::Command_FILEGUI, &worker, &clerk::FILEGUI);
        connect(this, &Stm32Desk::Command_GUIFILE, &worker, &clerk::GUIFILE);
        connect(this, &Stm32Desk::Command_ReadReg, &worker, &clerk::ReadReg);
        connect(this, &Stm32Desk::Command_WriteReg, &worker, &clerk::WriteReg);
        connect(&worker, &clerk::percent_up, this, [this](int p) { progress << p; });
        connect(&worker, &clerk::notice_mess, this, [this](const QString &t) { notices << t; });
        connect(&worker, &clerk::error_mess, this, [this](const QString &t) { finals << t; });
        connect(&transport, &canal::send_message, this,
                [this](const QString &t) { transportTexts << t; });

        worker.moveToThread(&thread);
        thread.start();
    }

    ~Stm32Desk() override
    {
        thread.quit();
        thread.wait();
        settingsWindow.transport = nullptr;
    }

    void set(const char *key, int value) { settingsWindow.settings[QLatin1String(key)] = value; }

    // Starts a command as the main window does: a fresh stop flag, the code,
    // then the queued signal.
    void start(void (Stm32Desk::*command)(), int code = 0)
    {
        progress.clear();
        notices.clear();
        finals.clear();
        transportTexts.clear();
        worker.interrupt = false;
        worker.command = code;
        emit(this->*command)();
    }

    // Waits for the final report, then lets the worker finish whatever it
    // still does and takes every reply it sent, so a second report would
    // show. False when no report came in time.
    bool finish(int timeoutMs = 10000)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (finals.isEmpty() && !deadline.hasExpired())
            QTest::qWait(2);
        QMetaObject::invokeMethod(&worker, "upTime", Qt::BlockingQueuedConnection);
        QCoreApplication::sendPostedEvents();
        return !finals.isEmpty();
    }

    bool run(void (Stm32Desk::*command)(), int code = 0)
    {
        start(command, code);
        return finish();
    }

    void writeFile(const QString &name, const QByteArray &content)
    {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(name));
        worker.filePath = name;
    }

    Stm32BoardEmulator board;
    KV2260_stm32_API transport;
    service_block settingsWindow;
    RegMap map;
    clerk worker;
    QThread thread;

    QList<int> progress;
    QStringList notices;
    QStringList finals;
    QStringList transportTexts;

signals:
    void Command_ICGUI();
    void Command_GUIIC();
    void Command_FILEIC();
    void Command_ICFILE();
    void Command_FILEGUI();
    void Command_GUIFILE();
    void Command_ReadReg();
    void Command_WriteReg();
};

class ClerkStm32Test : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void readStyles_data();
    void readStyles();
    void writeStyles_data();
    void writeStyles();
    void readBackAfterWrite_data();
    void readBackAfterWrite();
    void fileToChipThenRead_data();
    void fileToChipThenRead();
    void fileRoundTrip();
    void singleRegisterSlots();

    void interruptedRead();
    void interruptedWrite_data();
    void interruptedWrite();
    void interruptedFileLoad_data();
    void interruptedFileLoad();

    void silentBoard_data();
    void silentBoard();
    void lateReplyIsNotTakenForNextRead();
    void imagesChangeOnlyInGuiThread_data();
    void imagesChangeOnlyInGuiThread();

private:
    std::unique_ptr<Stm32Desk> desk;
};

void ClerkStm32Test::init()
{
    desk = std::make_unique<Stm32Desk>();
}

void ClerkStm32Test::cleanup()
{
    desk.reset();
}

void ClerkStm32Test::readStyles_data()
{
    QTest::addColumn<int>("style");
    QTest::newRow("one register at a time") << 0;
    QTest::newRow("block") << 1;
    QTest::newRow("auto-increment") << 2;
}

void ClerkStm32Test::readStyles()
{
    QFETCH(int, style);
    const RegImage chip = patternImage(registers, 21);
    desk->board.setRegisters(bytesOf(chip));
    desk->map.wr = patternImage(registers, 22);
    desk->map.rd = patternImage(registers, 23);
    desk->set("ReadStyle", style);

    QVERIFY(desk->run(&Stm32Desk::Command_ICGUI, 1));

    QCOMPARE(desk->finals, QStringList{QString()});
    QCOMPARE(desk->progress, (QList<int>{0, 50, 100}));
    QVERIFY(desk->notices.isEmpty());
    QVERIFY(desk->transportTexts.isEmpty());
    QCOMPARE(desk->board.frames(), readFrames(style));
    QCOMPARE(bytesOf(desk->map.rd), bytesOf(chip));
    QCOMPARE(bytesOf(desk->map.wr), bytesOf(chip));
}

// ChangesOnly, WriteStyle, whether anything changed -> the frames follow
// from the images; register 106 is always written last, as 0.
void ClerkStm32Test::writeStyles_data()
{
    QTest::addColumn<int>("changesOnly");
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("edited");
    QTest::newRow("changes, one at a time") << 1 << 0 << true;
    QTest::newRow("changes, block") << 1 << 1 << true;
    QTest::newRow("changes, auto-increment") << 1 << 2 << true;
    QTest::newRow("changes, one at a time, nothing changed") << 1 << 0 << false;
    QTest::newRow("changes, block, nothing changed") << 1 << 1 << false;
    QTest::newRow("whole map, one at a time") << 0 << 0 << true;
    QTest::newRow("whole map, block") << 0 << 1 << true;
    QTest::newRow("whole map, auto-increment") << 0 << 2 << true;
}

void ClerkStm32Test::writeStyles()
{
    QFETCH(int, changesOnly);
    QFETCH(int, style);
    QFETCH(bool, edited);
    // The last read found what the board holds; with whole-map writes the
    // board holds something else, so every register must go out.
    RegMap &map = desk->map;
    map.rd = patternImage(registers, 31);
    map.rd[lpfRegister] = 0x5A;
    map.wr = map.rd;
    QVector<int> changed;
    if (edited) {
        changed = {3, 90, 127};
        for (int reg : changed)
            map.wr[size_t(reg)] ^= 0xC3;
    }
    desk->board.setRegisters(bytesOf(changesOnly ? map.rd : patternImage(registers, 32)));
    const RegImage sent = map.wr;
    RegImage expected = sent;
    expected[lpfRegister] = 0;
    desk->set("ChangesOnly", changesOnly);
    desk->set("WriteStyle", style);
    desk->set("InteractiveRefresh", 0);

    QVERIFY(desk->run(&Stm32Desk::Command_GUIIC, 2));

    QCOMPARE(desk->finals, QStringList{QString()});
    QCOMPARE(desk->progress, QList<int>{100});
    QVERIFY(desk->notices.isEmpty());
    QVERIFY(desk->transportTexts.isEmpty());
    const QVector<int> written = changesOnly ? changed : allRegisters();
    QList<QByteArray> frames;
    if (style == 0)
        for (int reg : written)
            frames << singleWrite(reg, sent[size_t(reg)]);
    else if (style == 1)
        frames = listFrames(entriesOf(sent, written), 0x00);
    else
        frames = rangeFrames(sent);
    frames << singleWrite(lpfRegister, 0);
    QCOMPARE(desk->board.frames(), frames);
    QCOMPARE(desk->board.registers(), bytesOf(expected));
    QCOMPARE(bytesOf(map.wr), bytesOf(expected));
    QCOMPARE(desk->worker.command, 2);
}

// Read style -> the write, register 106, then the read-back in that style.
void ClerkStm32Test::readBackAfterWrite_data()
{
    readStyles_data();
}

void ClerkStm32Test::readBackAfterWrite()
{
    QFETCH(int, style);
    RegMap &map = desk->map;
    map.rd = patternImage(registers, 41);
    map.wr = map.rd;
    map.wr[7] = 0x07;
    map.wr[lpfRegister] = 0xFF;
    desk->board.setRegisters(bytesOf(map.rd));
    desk->set("ReadStyle", style);
    desk->set("writePause", 10);

    QElapsedTimer clock;
    clock.start();
    QVERIFY(desk->run(&Stm32Desk::Command_GUIIC, 2));

    QVERIFY(clock.elapsed() >= 10);
    QCOMPARE(desk->finals, QStringList{QString()});
    QCOMPARE(desk->progress, (QList<int>{45, 0, 50, 100}));
    QCOMPARE(desk->worker.command, 1);
    QList<QByteArray> frames = listFrames({Entry(7, 0x07), Entry(lpfRegister, 0xFF)}, 0x00);
    frames << singleWrite(lpfRegister, 0) << readFrames(style);
    QCOMPARE(desk->board.frames(), frames);
    QCOMPARE(desk->board.registerValue(lpfRegister), quint8(0));
    QCOMPARE(bytesOf(map.rd), desk->board.registers());
    QCOMPARE(bytesOf(map.wr), desk->board.registers());
}

// File to IC in both write modes, then the read the main window starts after
// it ("CfgAutoread" is seeded 1).
void ClerkStm32Test::fileToChipThenRead_data()
{
    QTest::addColumn<int>("separate");
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::addColumn<QList<int>>("progress");
    QTest::newRow("sections as blocks")
        << 0 << QList<QByteArray>{hex("1506011102220113"), hex("1502787F")} << QList<int>{};
    QTest::newRow("one register at a time")
        << 1
        << QList<QByteArray>{singleWrite(1, 0x11), singleWrite(2, 0x22), singleWrite(1, 0x13),
                             singleWrite(120, 0x7F)}
        // Six positions, the section marks at 0 and 4.
        << QList<int>{0, 16, 33, 50, 66, 83};
}

void ClerkStm32Test::fileToChipThenRead()
{
    QFETCH(int, separate);
    QFETCH(QList<QByteArray>, frames);
    QFETCH(QList<int>, progress);
    const RegImage before = patternImage(registers, 51);
    desk->board.setRegisters(bytesOf(before));
    desk->set("separateWrite", separate);
    desk->set("writePause", 5);
    desk->writeFile("in.hex", ";KV2260.2\nReg1\t11\nReg2\t0x22 //note\nReg1 13\n"
                              ";KV2260.2\r\nReg120\t&7f\n");

    QVERIFY(desk->run(&Stm32Desk::Command_FILEIC, 3));
    QCOMPARE(desk->finals, QStringList{QString()});
    QCOMPARE(desk->progress, progress);
    QCOMPARE(desk->board.frames(), frames);
    RegImage expected = before;
    expected[1] = 0x13;
    expected[2] = 0x22;
    expected[120] = 0x7F;
    QCOMPARE(desk->board.registers(), bytesOf(expected));

    QCOMPARE(desk->settingsWindow.settings.value("CfgAutoread"), 1);
    desk->board.clearFrames();
    QVERIFY(desk->run(&Stm32Desk::Command_ICGUI, 1));
    QCOMPARE(desk->finals, QStringList{QString()});
    QCOMPARE(desk->board.frames(), readFrames(2));
    QCOMPARE(bytesOf(desk->map.rd), bytesOf(expected));
    QCOMPARE(bytesOf(desk->map.wr), bytesOf(expected));
}

// Chip to GUI to file, file back to GUI, GUI to chip: the board ends up
// holding what it held at first (register 106 cleared). Chip to file saves
// the same register lines as GUI to file after the read.
void ClerkStm32Test::fileRoundTrip()
{
    const RegImage chip = patternImage(registers, 61);
    desk->board.setRegisters(bytesOf(chip));
    desk->set("ChangesOnly", 0);
    QVERIFY(desk->run(&Stm32Desk::Command_ICGUI, 1));
    QCOMPARE(desk->finals, QStringList{QString()});

    desk->worker.filePath = QStringLiteral("saved.hex");
    QVERIFY(desk->run(&Stm32Desk::Command_GUIFILE, 6));
    QCOMPARE(desk->finals, QStringList{QString()});
    QCOMPARE(desk->progress, (QList<int>{0, 100}));

    desk->worker.filePath = QStringLiteral("chip.hex");
    desk->board.clearFrames();
    QVERIFY(desk->run(&Stm32Desk::Command_ICFILE, 4));
    QCOMPARE(desk->finals, QStringList{QString()});
    QCOMPARE(desk->progress, (QList<int>{50, 100}));
    QCOMPARE(desk->board.frames(), readFrames(2));

    QFile saved("saved.hex");
    QFile read("chip.hex");
    QVERIFY(saved.open(QIODevice::ReadOnly) && read.open(QIODevice::ReadOnly));
    const QByteArray savedText = saved.readAll();
    const QByteArray readText = read.readAll();
    QCOMPARE(savedText.count('\n'), 130);
    QVERIFY(savedText.startsWith(";KV2260.2\nReg0\t"));
    QCOMPARE(savedText, readText + "Reg106\t00\n");

    // Everything changes, then the saved file puts the GUI back.
    desk->map.wr = patternImage(registers, 62);
    desk->board.setRegisters(bytesOf(patternImage(registers, 63)));
    desk->worker.filePath = QStringLiteral("saved.hex");
    QVERIFY(desk->run(&Stm32Desk::Command_FILEGUI, 5));
    QCOMPARE(desk->finals, QStringList{QString()});
    QCOMPARE(desk->progress, (QList<int>{1, 25, 79, 100}));
    RegImage expected = chip;
    expected[lpfRegister] = 0;
    QCOMPARE(bytesOf(desk->map.wr), bytesOf(expected));
    QCOMPARE(bytesOf(desk->map.cfg), bytesOf(expected));

    desk->set("WriteStyle", 2);
    desk->set("InteractiveRefresh", 0);
    QVERIFY(desk->run(&Stm32Desk::Command_GUIIC, 2));
    QCOMPARE(desk->finals, QStringList{QString()});
    QCOMPARE(desk->board.registers(), bytesOf(expected));
}

void ClerkStm32Test::singleRegisterSlots()
{
    desk->set("RegisterNumber", 77);
    desk->set("RegisterValue", 0x1C5);
    QVERIFY(desk->run(&Stm32Desk::Command_WriteReg));
    QCOMPARE(desk->finals, QStringList{QString()});
    QCOMPARE(desk->progress, (QList<int>{1, 100}));
    QCOMPARE(desk->board.frames(), QList<QByteArray>{hex("15024DC5")});
    QCOMPARE(desk->board.registerValue(77), quint8(0xC5));

    desk->board.setRegisterValue(77, 0x3A);
    desk->board.clearFrames();
    QVERIFY(desk->run(&Stm32Desk::Command_ReadReg));
    QCOMPARE(desk->finals, QStringList{QString()});
    QCOMPARE(desk->progress, (QList<int>{1, 50, 100}));
    QCOMPARE(desk->board.frames(), QList<QByteArray>{hex("1502CD00")});
    QCOMPARE(desk->settingsWindow.settings.value("RegisterValue"), 0x3A);
}

// The board answers slowly enough to stop the worker part of the way.
void ClerkStm32Test::interruptedRead()
{
    const RegImage wr = patternImage(registers, 71);
    const RegImage rd = patternImage(registers, 72);
    desk->map.wr = wr;
    desk->map.rd = rd;
    desk->board.setRegisters(bytesOf(patternImage(registers, 73)));
    desk->board.setPacing(9600);
    desk->set("ReadStyle", 0);

    desk->start(&Stm32Desk::Command_ICGUI, 1);
    QTRY_VERIFY(desk->board.frames().size() >= 5);
    desk->worker.interrupt = true;
    QVERIFY(desk->finish());

    QCOMPARE(desk->finals, QStringList{"Error: Interrupted"});
    QCOMPARE(desk->progress, QList<int>{0});
    const int sent = desk->board.frames().size();
    QVERIFY(sent < registers);
    QTest::qWait(30);
    QCOMPARE(desk->board.frames().size(), sent);
    QCOMPARE(bytesOf(desk->map.wr), bytesOf(wr));
    QCOMPARE(bytesOf(desk->map.rd), bytesOf(rd));
}

// Where the write is stopped -> what reached the board.
void ClerkStm32Test::interruptedWrite_data()
{
    QTest::addColumn<int>("changesOnly");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("pause");
    QTest::newRow("whole map, one register at a time") << 0 << 0 << 0;
    QTest::newRow("pause before the read-back") << 1 << 1 << 60000;
}

void ClerkStm32Test::interruptedWrite()
{
    QFETCH(int, changesOnly);
    QFETCH(int, style);
    QFETCH(int, pause);
    RegMap &map = desk->map;
    const RegImage before = patternImage(registers, 81);
    map.rd = before;
    map.wr = patternImage(registers, 82);
    const RegImage wr = map.wr;
    desk->board.setRegisters(bytesOf(before));
    if (!pause)
        desk->board.setPacing(9600);
    desk->set("ChangesOnly", changesOnly);
    desk->set("WriteStyle", style);
    desk->set("writePause", pause);

    desk->start(&Stm32Desk::Command_GUIIC, 2);
    // Stop after some registers, or once register 106 went out.
    if (pause)
        QTRY_VERIFY(desk->board.frames().contains(singleWrite(lpfRegister, 0)));
    else
        QTRY_VERIFY(desk->board.frames().size() >= 5);
    desk->worker.interrupt = true;
    QVERIFY(desk->finish());

    QCOMPARE(desk->finals, QStringList{"Error: Interrupted"});
    QVERIFY(!desk->progress.contains(45));
    QCOMPARE(bytesOf(map.rd), bytesOf(before));
    const QList<QByteArray> frames = desk->board.frames();
    if (pause) {
        QCOMPARE(frames.last(), singleWrite(lpfRegister, 0));
        return;
    }
    // Registers 0 to n - 1 were written in order and nothing after them.
    const int n = frames.size();
    QVERIFY(n < lpfRegister);
    RegImage expected = before;
    for (int reg = 0; reg < n; ++reg) {
        QCOMPARE(frames[reg], singleWrite(reg, wr[size_t(reg)]));
        expected[size_t(reg)] = wr[size_t(reg)];
    }
    QCOMPARE(desk->board.registers(), bytesOf(expected));
}

void ClerkStm32Test::interruptedFileLoad_data()
{
    QTest::addColumn<int>("separate");
    QTest::newRow("sections as blocks") << 0;
    QTest::newRow("one register at a time") << 1;
}

// Ten sections of three registers; the stop comes during the writing. Only
// whole sections reach the board.
void ClerkStm32Test::interruptedFileLoad()
{
    QFETCH(int, separate);
    QByteArray file;
    for (int section = 0; section < 10; ++section) {
        file += ";KV2260.2\n";
        for (int k = 0; k < 3; ++k)
            file += "Reg" + QByteArray::number(10 * section + k) + "\tA5\n";
    }
    desk->writeFile("sections.hex", file);
    desk->board.setPacing(9600);
    desk->set("separateWrite", separate);
    desk->set("writePause", 50);

    desk->start(&Stm32Desk::Command_FILEIC, 3);
    QTRY_VERIFY(!desk->board.frames().isEmpty());
    desk->worker.interrupt = true;
    QVERIFY(desk->finish());

    QCOMPARE(desk->finals, QStringList{"Error: Interrupted"});
    const int frames = desk->board.frames().size();
    const int sections = separate ? frames / 3 : frames;
    QVERIFY(sections >= 1 && sections < 10);
    if (separate)
        QCOMPARE(frames % 3, 0);
    for (int reg = 0; reg < registers; ++reg) {
        const bool written = reg < 100 && reg % 10 < 3 && reg / 10 < sections;
        QCOMPARE(desk->board.registerValue(reg), quint8(written ? 0xA5 : 0x00));
    }
}

// A board that never answers: each command ends in one error report; the
// maps and the files stay as they were.
void ClerkStm32Test::silentBoard_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("changesOnly");
    QTest::addColumn<int>("style");
    QTest::addColumn<QStringList>("notices");
    QTest::addColumn<QString>("final");
    const QString readFailed = "Error: Read transaction failed.";
    QTest::newRow("read, one at a time") << "ICGUI" << 0 << 0 << QStringList() << readFailed;
    QTest::newRow("read, block") << "ICGUI" << 0 << 1 << QStringList() << readFailed;
    QTest::newRow("read, auto-increment") << "ICGUI" << 0 << 2 << QStringList() << readFailed;
    QTest::newRow("write whole map, one at a time")
        << "GUIIC" << 0 << 0 << QStringList() << "Interface error 5 ";
    QTest::newRow("write whole map, block")
        << "GUIIC" << 0 << 1 << QStringList() << "Error: Write block error";
    QTest::newRow("write whole map, auto-increment")
        << "GUIIC" << 0 << 2 << QStringList() << "Error: Write_Increment error";
    // Two changed registers warn, register 106 still follows, and the write
    // ends as failed, without the read-back.
    QTest::newRow("write changes, one at a time")
        << "GUIIC" << 1 << 0
        << QStringList{"Warning: Write_Byte error", "Warning: Write_Byte error"}
        << "Error: 2 of 2 registers not written";
    QTest::newRow("file to chip") << "FILEIC" << 0 << 0 << QStringList()
                                  << "Error: Write block error";
    QTest::newRow("chip to file") << "ICFILE" << 0 << 0 << QStringList()
                                  << "WINUSB: USB interface error ";
}

void ClerkStm32Test::silentBoard()
{
    QFETCH(QString, command);
    QFETCH(int, changesOnly);
    QFETCH(int, style);
    QFETCH(QStringList, notices);
    QFETCH(QString, final);
    desk->board.setFault(Stm32BoardEmulator::Fault::Silent);
    desk->transport.replyTimeout = 20;
    RegMap &map = desk->map;
    map.rd = patternImage(registers, 91);
    map.wr = map.rd;
    map.wr[4] ^= 1;
    map.wr[5] ^= 1;
    const RegImage wr = map.wr;
    desk->set("ReadStyle", style);
    desk->set("WriteStyle", style);
    desk->set("ChangesOnly", changesOnly);
    desk->writeFile("in.hex", ";KV2260.2\nReg1\t11\n");
    if (command == "ICFILE")
        desk->worker.filePath = QStringLiteral("out.hex");

    const QMap<QString, void (Stm32Desk::*)()> commands = {
        {"ICGUI", &Stm32Desk::Command_ICGUI},
        {"GUIIC", &Stm32Desk::Command_GUIIC},
        {"FILEIC", &Stm32Desk::Command_FILEIC},
        {"ICFILE", &Stm32Desk::Command_ICFILE}};
    QVERIFY(desk->run(commands.value(command)));

    QCOMPARE(desk->finals, QStringList{final});
    QCOMPARE(desk->notices, notices);
    QVERIFY(!desk->transportTexts.isEmpty());
    for (const QString &text : qAsConst(desk->transportTexts))
        QCOMPARE(text, QString("Error: waitForReadyRead"));
    QVERIFY(!desk->progress.contains(100) || !notices.isEmpty());
    QCOMPARE(bytesOf(map.rd), bytesOf(patternImage(registers, 91)));
    QCOMPARE(bytesOf(map.wr), bytesOf(wr));
    QVERIFY(!QFile::exists("out.hex"));
}

// A reply that comes after the transport gave up must not stand as the
// answer to a frame of the next command.
void ClerkStm32Test::lateReplyIsNotTakenForNextRead()
{
    const RegImage chip = patternImage(registers, 101);
    QVERIFY(chip[0] != chip[77]);
    desk->board.setRegisters(bytesOf(chip));
    desk->set("ReadStyle", 0);
    // 8 bytes at 600 baud: the reply to register 0 comes some 130 ms after
    // the request, long after the transport stopped waiting.
    desk->board.setPacing(600);
    desk->transport.replyTimeout = 40;
    QVERIFY(desk->run(&Stm32Desk::Command_ICGUI, 1));
    QCOMPARE(desk->finals, QStringList{"Error: Read transaction failed."});
    QCOMPARE(desk->transportTexts, QStringList{"Error: waitForReadyRead"});
    QTest::qWait(200);

    desk->board.setPacing(0);
    desk->transport.replyTimeout = 1000;
    desk->set("RegisterNumber", 77);
    QVERIFY(desk->run(&Stm32Desk::Command_ReadReg));
    QCOMPARE(desk->finals, QStringList{QString()});
    QCOMPARE(desk->settingsWindow.settings.value("RegisterValue"), int(chip[77]));
    QVERIFY(desk->run(&Stm32Desk::Command_ICGUI, 1));
    QCOMPARE(desk->finals, QStringList{QString()});
    QVERIFY(desk->transportTexts.isEmpty());
    QCOMPARE(bytesOf(desk->map.rd), bytesOf(chip));
}

// The images belong to the GUI thread: while it handles no events, a command
// running in the worker's thread cannot change them, however far it got.
void ClerkStm32Test::imagesChangeOnlyInGuiThread_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("chip to GUI") << "ICGUI";
    QTest::newRow("file to GUI") << "FILEGUI";
    QTest::newRow("GUI to chip") << "GUIIC";
}

void ClerkStm32Test::imagesChangeOnlyInGuiThread()
{
    QFETCH(QString, command);
    const RegImage chip = patternImage(registers, 111);
    desk->board.setRegisters(bytesOf(chip));
    RegMap &map = desk->map;
    map.wr = patternImage(registers, 112);
    map.rd = patternImage(registers, 113);
    map.cfg = patternImage(registers, 114);
    map.wr[lpfRegister] = 0x5A;
    const RegImage wr = map.wr, rd = map.rd, cfg = map.cfg;
    desk->set("ReadStyle", 2);
    desk->set("WriteStyle", 2);
    desk->set("ChangesOnly", 0);
    desk->set("InteractiveRefresh", 0);
    desk->writeFile("in.hex", ";KV2260.2\nReg1\t11\nReg2\t22\n");

    const QMap<QString, QPair<void (Stm32Desk::*)(), int>> commands = {
        {"ICGUI", {&Stm32Desk::Command_ICGUI, 1}},
        {"FILEGUI", {&Stm32Desk::Command_FILEGUI, 5}},
        {"GUIIC", {&Stm32Desk::Command_GUIIC, 2}}};
    desk->start(commands[command].first, commands[command].second);
    // Long enough for the whole command on the emulated board.
    QThread::msleep(400);
    QCOMPARE(bytesOf(map.wr), bytesOf(wr));
    QCOMPARE(bytesOf(map.rd), bytesOf(rd));
    QCOMPARE(bytesOf(map.cfg), bytesOf(cfg));
    QVERIFY(desk->finals.isEmpty());

    QVERIFY(desk->finish());
    QCOMPARE(desk->finals, QStringList{QString()});
    if (command == "ICGUI") {
        QCOMPARE(bytesOf(map.rd), bytesOf(chip));
        QCOMPARE(bytesOf(map.wr), bytesOf(chip));
    } else if (command == "FILEGUI") {
        QCOMPARE(int(map.wr[1]), 0x11);
        QCOMPARE(int(map.cfg[2]), 0x22);
    } else {
        QCOMPARE(int(map.wr[lpfRegister]), 0);
    }
}

KV_TEST_MAIN(ClerkStm32Test)
#include "tst_clerk_stm32.moc"
