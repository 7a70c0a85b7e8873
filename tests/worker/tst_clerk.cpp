// The worker's chip commands against a fake board: which transfers each read
// and write style makes, what each failure reports, and that every command
// ends with exactly one final report.
#include <memory>

#include "TestMain.h"
#include "WorkerRig.h"
#include "WorkerThread.h"

namespace {

using Op = canal::Operation;

QList<Op> opsOf(const FakeBoard &board)
{
    QList<Op> ops;
    for (const FakeBoard::Call &call : board.calls)
        ops << call.op;
    return ops;
}

QVector<quint8> toVector(const RegImage &image)
{
    return QVector<quint8>(image.begin(), image.end());
}

} // namespace

Q_DECLARE_METATYPE(canal::Operation)

class ClerkTest : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void readStyles_data();
    void readStyles();
    void failedReadChangesNoMap_data();
    void failedReadChangesNoMap();
    void readInterruptedMidway();

    void writeStyles_data();
    void writeStyles();
    void writeFailures_data();
    void writeFailures();
    void changedRegistersOneByOneWarnEach();
    void lostBoardEndsWriteOfChanges_data();
    void lostBoardEndsWriteOfChanges();
    void writeInterruptedMidway();
    void readBackAfterWrite();
    void writeWithoutMapsEnds();
    void failedLpfWriteEndsTheWrite_data();
    void failedLpfWriteEndsTheWrite();

    void fileSectionsAsBlocks();
    void fileOneRegisterAtATime();
    void fileWriteFailures_data();
    void fileWriteFailures();
    void fileInterruptedInPause();

    void singleRegisterSlots_data();
    void singleRegisterSlots();
    void noTransport();
    void outcomeBesideEveryText();
    void settingsNeverGainKeys();
    void settingsTakenWhenTheCommandStarts();
    void settingsChangedWhileTheWorkerThreadRuns();

private:
    std::unique_ptr<WorkerRig> rig;
};

void ClerkTest::init()
{
    rig = std::make_unique<WorkerRig>();
}

void ClerkTest::readStyles_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<Op>("op");
    QTest::addColumn<int>("calls");
    QTest::newRow("one register at a time") << 0 << canal::ReadRegister << 128;
    QTest::newRow("block") << 1 << canal::ReadRegisterBlock << 1;
    QTest::newRow("auto-increment") << 2 << canal::ReadRegisterAutoInc << 1;
}

void ClerkTest::readStyles()
{
    QFETCH(int, style);
    QFETCH(Op, op);
    QFETCH(int, calls);
    const RegImage chip = patternImage(128, 11);
    rig->board.regs = toVector(chip);
    rig->map.wr = patternImage(128, 12);
    rig->set("ReadStyle", style);

    rig->worker.ICGUI();

    QCOMPARE(rig->progress(), (QList<int>{0, 50, 100}));
    QCOMPARE(rig->texts(), QStringList{QString()});
    QVERIFY(rig->map.rd == chip);
    QVERIFY(rig->map.wr == chip);
    QCOMPARE(rig->board.calls.size(), calls);
    QCOMPARE(rig->board.callsOf(op).size(), calls);
    QCOMPARE(rig->board.calls.last().map, 0);
}

// style, how the board fails -> the maps stay as they were.
void ClerkTest::failedReadChangesNoMap_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("text");
    const QString failed = "Error: Read transaction failed.";
    for (int style : {0, 1, 2}) {
        const QByteArray s = QByteArray::number(style);
        QTest::newRow("unsupported, style " + s) << style << "unsupported" << failed;
        QTest::newRow("refused, style " + s) << style << "refused" << failed;
    }
    QTest::newRow("tenth register fails") << 0 << "call 10" << failed;
    QTest::newRow("unknown read style") << 3 << "" << failed;
    QTest::newRow("negative read style") << -1 << "" << failed;
}

void ClerkTest::failedReadChangesNoMap()
{
    QFETCH(int, style);
    QFETCH(QString, failure);
    QFETCH(QString, text);
    rig->board.regs = toVector(patternImage(128, 13));
    const RegImage wr = patternImage(128, 14);
    const RegImage rd = patternImage(128, 15);
    rig->map.wr = wr;
    rig->map.rd = rd;
    rig->set("ReadStyle", style);
    if (failure == "unsupported")
        rig->board.provided = {};
    else if (failure == "refused")
        rig->board.refused = ~canal::Operations();
    else if (failure == "call 10")
        rig->board.failAtCall = 10;

    rig->worker.ICGUI();

    QCOMPARE(rig->texts(), QStringList{text});
    QVERIFY(!rig->progress().contains(100));
    QVERIFY(rig->map.wr == wr);
    QVERIFY(rig->map.rd == rd);
    if (failure.isEmpty() || failure == "unsupported")
        QVERIFY(rig->board.calls.isEmpty());
}

void ClerkTest::readInterruptedMidway()
{
    rig->set("ReadStyle", 0);
    const RegImage wr = rig->map.wr;
    rig->board.regs = toVector(patternImage(128, 16));
    rig->board.onCall = [&](const FakeBoard::Call &) {
        if (rig->board.calls.size() == 20)
            rig->worker.interrupt = true;
    };
    rig->worker.ICGUI();
    QCOMPARE(rig->texts(), QStringList{"Error: Interrupted"});
    QCOMPARE(rig->board.calls.size(), 20);
    QVERIFY(rig->map.wr == wr);

    // A stop request that is already up stops the next read before any transfer.
    rig->board.calls.clear();
    rig->textSpy.clear();
    rig->worker.ICGUI();
    QCOMPARE(rig->texts(), QStringList{"Error: Interrupted"});
    QVERIFY(rig->board.calls.isEmpty());
}

// ChangesOnly, WriteStyle -> the transfers, in order (the last one is always
// register 106), and the texts.
void ClerkTest::writeStyles_data()
{
    QTest::addColumn<int>("changesOnly");
    QTest::addColumn<int>("style");
    QTest::addColumn<QList<Op>>("ops");
    QTest::addColumn<QStringList>("texts");
    const Op reg = canal::WriteRegister;
    const QStringList done{QString()};
    QTest::newRow("changes, one at a time") << 1 << 0 << QList<Op>{reg, reg, reg} << done;
    QTest::newRow("changes, block") << 1 << 1 << QList<Op>{canal::WriteRegisterBlock, reg} << done;
    QTest::newRow("changes, auto-increment")
        << 1 << 2 << QList<Op>{canal::WriteRegisterAutoInc, reg} << done;
    QTest::newRow("changes, unknown style")
        << 1 << 3 << QList<Op>{reg} << QStringList{"Недокументированная \nкомбинация флагов", ""};
    QTest::newRow("whole map, block") << 0 << 1 << QList<Op>{canal::WriteRegisterBlock, reg} << done;
    QTest::newRow("whole map, auto-increment")
        << 0 << 2 << QList<Op>{canal::WriteRegisterAutoInc, reg} << done;
    QTest::newRow("whole map, unknown style")
        << 0 << 7 << QList<Op>{reg} << QStringList{"Недокументированная \nкомбинация флагов", ""};
}

void ClerkTest::writeStyles()
{
    QFETCH(int, changesOnly);
    QFETCH(int, style);
    QFETCH(QList<Op>, ops);
    QFETCH(QStringList, texts);
    rig->map.rd = patternImage(128, 17);
    rig->map.wr = rig->map.rd;
    rig->map.wr[3] ^= 0x01;
    rig->map.wr[90] ^= 0x80;
    rig->map.wr[106] = 0x5A;
    rig->map.rd[106] = 0x5A;
    rig->board.regs = toVector(rig->map.rd);
    RegImage sent = rig->map.wr;
    rig->set("ChangesOnly", changesOnly);
    rig->set("WriteStyle", style);
    rig->set("InteractiveRefresh", 0);

    rig->worker.GUIIC();

    QCOMPARE(opsOf(rig->board), ops);
    QCOMPARE(rig->texts(), texts);
    QCOMPARE(rig->progress().last(), 100);
    const FakeBoard::Call &lpf = rig->board.calls.last();
    QCOMPARE(lpf.first, 106);
    QCOMPARE(lpf.data, QByteArray(1, '\0'));
    QCOMPARE(int(rig->map.wr[106]), 0);

    // The board, which held the last read, now holds the GUI image.
    sent[106] = 0;
    if (style <= 2)
        QVERIFY(rig->board.regs == toVector(sent));
    if (changesOnly && style == 1)
        QCOMPARE(rig->board.calls[0].count, 2);
}

// Failures of each write path -> the texts, and whether register 106 and the
// end still follow.
void ClerkTest::writeFailures_data()
{
    QTest::addColumn<int>("changesOnly");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("lpfWritten");
    QTest::newRow("changes, block refused")
        << 1 << 1 << "refused" << QStringList{"Error: Write block error"} << false;
    QTest::newRow("changes, block unsupported")
        << 1 << 1 << "unsupported" << QStringList{"Error: Write block error"} << false;
    QTest::newRow("changes, auto-increment refused")
        << 1 << 2 << "refused"
        << QStringList{"Warning: Write_Increment error", "Error: 128 of 128 registers not written"}
        << true;
    QTest::newRow("whole map, one register refused")
        << 0 << 0 << "call 5" << QStringList{"Interface error 5 "} << false;
    QTest::newRow("whole map, one at a time unsupported")
        << 0 << 0 << "unsupported" << QStringList{"Interface error 5 "} << false;
    QTest::newRow("whole map, block refused")
        << 0 << 1 << "refused" << QStringList{"Error: Write block error"} << false;
    QTest::newRow("whole map, auto-increment unsupported")
        << 0 << 2 << "unsupported" << QStringList{"Error: Write_Increment error"} << false;
}

void ClerkTest::writeFailures()
{
    QFETCH(int, changesOnly);
    QFETCH(int, style);
    QFETCH(QString, failure);
    QFETCH(QStringList, texts);
    QFETCH(bool, lpfWritten);
    rig->map.wr = patternImage(128, 18);
    rig->set("ChangesOnly", changesOnly);
    rig->set("WriteStyle", style);
    rig->set("InteractiveRefresh", 0);
    const canal::Operation op = style == 0   ? canal::WriteRegister
                                : style == 1 ? canal::WriteRegisterBlock
                                             : canal::WriteRegisterAutoInc;
    if (failure == "refused")
        rig->board.refused = op;
    else if (failure == "unsupported")
        rig->board.provided &= ~canal::Operations(op);
    else
        rig->board.failAtCall = 5;

    rig->worker.GUIIC();

    QCOMPARE(rig->texts(), texts);
    bool lpf = false;
    for (const FakeBoard::Call &call : rig->board.callsOf(canal::WriteRegister))
        lpf = lpf || call.first == 106;
    QCOMPARE(lpf, lpfWritten);
}

void ClerkTest::changedRegistersOneByOneWarnEach()
{
    rig->map.wr[10] = 1;
    rig->map.wr[20] = 2;
    rig->set("WriteStyle", 0);
    rig->set("InteractiveRefresh", 0);
    rig->board.failAtCall = 1;
    rig->worker.GUIIC();
    QCOMPARE(rig->texts(),
             (QStringList{"Warning: Write_Byte error", "Error: 1 of 2 registers not written"}));
    QCOMPARE(int(rig->board.regs[20]), 2);
    QCOMPARE(rig->board.calls.last().first, 106);

    // Nothing changed: no block at all, yet register 106 is written and the
    // command ends normally.
    rig = std::make_unique<WorkerRig>();
    rig->set("InteractiveRefresh", 0);
    rig->worker.GUIIC();
    QCOMPARE(opsOf(rig->board), QList<Op>{canal::WriteRegister});
    QCOMPARE(rig->texts(), QStringList{QString()});
}

// Twenty changed registers written one at a time to a board that fails:
// refused registers are passed over, a board gone for three writes in a row
// ends the command; either way it ends as failed, with the count.
void ClerkTest::lostBoardEndsWriteOfChanges_data()
{
    QTest::addColumn<int>("silentFrom");
    QTest::addColumn<bool>("refusing");
    QTest::addColumn<int>("writes");
    QTest::addColumn<QString>("final");
    QTest::newRow("silent from the first") << 1 << false << 3
                                           << "Error: 20 of 20 registers not written";
    QTest::newRow("silent from the third") << 3 << false << 5
                                           << "Error: 18 of 20 registers not written";
    QTest::newRow("silent for the last two") << 19 << false << 21
                                             << "Error: 2 of 20 registers not written";
    QTest::newRow("refusing every one") << 0 << true << 21
                                        << "Error: 20 of 20 registers not written";
}

void ClerkTest::lostBoardEndsWriteOfChanges()
{
    QFETCH(int, silentFrom);
    QFETCH(bool, refusing);
    QFETCH(int, writes);
    QFETCH(QString, final);
    for (int reg = 0; reg < 20; ++reg)
        rig->map.wr[size_t(reg * 5)] = 0x33;
    rig->set("ChangesOnly", 1);
    rig->set("WriteStyle", 0);
    rig->set("InteractiveRefresh", 1);
    rig->board.silentFromCall = silentFrom;
    if (refusing)
        rig->board.refused = canal::WriteRegister;

    rig->worker.GUIIC();

    // Register 106 follows only while the board still answers.
    QCOMPARE(rig->board.calls.size(), writes);
    QCOMPARE(rig->texts().last(), final);
    QCOMPARE(rig->texts().count("Warning: Write_Byte error"), rig->texts().size() - 1);
    QVERIFY(rig->board.callsOf(canal::ReadRegisterAutoInc).isEmpty());
    QCOMPARE(int(rig->map.wr[0]), 0x33);
}

void ClerkTest::writeInterruptedMidway()
{
    rig->set("ChangesOnly", 0);
    rig->set("WriteStyle", 0);
    rig->board.onCall = [&](const FakeBoard::Call &) {
        if (rig->board.calls.size() == 5)
            rig->worker.interrupt = true;
    };
    rig->worker.GUIIC();
    QCOMPARE(rig->texts(), QStringList{"Error: Interrupted"});
    QCOMPARE(rig->board.calls.size(), 5);

    // Writing only the changed registers stops between registers as well.
    rig = std::make_unique<WorkerRig>();
    rig->set("ChangesOnly", 1);
    rig->set("WriteStyle", 0);
    for (int reg = 0; reg < 10; ++reg)
        rig->map.wr[size_t(reg)] = 0x11;
    rig->board.onCall = [&](const FakeBoard::Call &) {
        if (rig->board.calls.size() == 3)
            rig->worker.interrupt = true;
    };
    rig->worker.GUIIC();
    QCOMPARE(rig->texts(), QStringList{"Error: Interrupted"});
    QCOMPARE(rig->board.calls.size(), 3);
}

void ClerkTest::readBackAfterWrite()
{
    rig->map.wr[8] = 0x42;
    rig->worker.command = 2;
    rig->set("writePause", 20);
    QElapsedTimer timer;
    timer.start();
    rig->worker.GUIIC();
    QVERIFY(timer.elapsed() >= 20);
    QCOMPARE(rig->progress(), (QList<int>{45, 0, 50, 100}));
    QCOMPARE(rig->texts(), QStringList{QString()});
    QCOMPARE(rig->worker.command, 1);
    QCOMPARE(rig->board.calls.last().op, canal::ReadRegisterAutoInc);
    QCOMPARE(int(rig->map.rd[8]), 0x42);

    // A stop request during the pause ends the command before the read.
    rig->board.calls.clear();
    rig->textSpy.clear();
    rig->set("writePause", 100000);
    rig->board.onCall = [&](const FakeBoard::Call &) { rig->worker.interrupt = true; };
    rig->worker.GUIIC();
    QCOMPARE(rig->texts(), QStringList{"Error: Interrupted"});
    QCOMPARE(rig->board.calls.last().op, canal::WriteRegister);
}

void ClerkTest::writeWithoutMapsEnds()
{
    rig->worker.regMaps.clear();
    rig->set("InteractiveRefresh", 0);
    rig->worker.GUIIC();
    QCOMPARE(rig->texts(), QStringList{QString()});

    // A map too short to hold register 106 is written without it.
    RegMap shortMap("KV2260v2", 16, 0);
    shortMap.wr[2] = 9;
    rig->worker.regMaps.insert(shortMap.name, &shortMap);
    rig->textSpy.clear();
    rig->worker.GUIIC();
    QCOMPARE(opsOf(rig->board), QList<Op>{canal::WriteRegisterBlock});
    QCOMPARE(rig->texts(), QStringList{QString()});
}

void ClerkTest::fileSectionsAsBlocks()
{
    rig->useFile("in.hex", ";KV2260.2\nReg1\t11\nReg1\t12\nReg2\t22\n;KV2260.2\nReg3\t33\n");
    rig->worker.FILEIC();
    QCOMPARE(rig->texts(), QStringList{QString()});
    QVERIFY(rig->progress().isEmpty());
    const auto blocks = rig->board.callsOf(canal::WriteRegisterBlock);
    QCOMPARE(blocks.size(), 2);
    // A register given twice is sent twice, in file order.
    QCOMPARE(blocks[0].data, QByteArray("\x01\x11\x01\x12\x02\x22"));
    QCOMPARE(blocks[1].data, QByteArray("\x03\x33"));

    rig->board.calls.clear();
    rig->textSpy.clear();
    rig->useFile("in.hex", "");
    rig->worker.FILEIC();
    QCOMPARE(rig->texts(), QStringList{QString()});
    QVERIFY(rig->board.calls.isEmpty());
}

void ClerkTest::fileOneRegisterAtATime()
{
    rig->set("separateWrite", 1);
    rig->useFile("in.hex", ";KV2260.2\nReg1\t11\nReg2\t22\n;KV2260.2\nReg3\t33\n");
    rig->worker.FILEIC();
    QCOMPARE(rig->texts(), QStringList{QString()});
    // Five positions, marks at 0 and 3.
    QCOMPARE(rig->progress(), (QList<int>{0, 20, 40, 60, 80}));
    QCOMPARE(opsOf(rig->board), (QList<Op>{canal::WriteRegister, canal::WriteRegister, canal::WriteRegister}));
    QCOMPARE(int(rig->board.regs[3]), 0x33);
}

void ClerkTest::fileWriteFailures_data()
{
    QTest::addColumn<int>("separate");
    QTest::addColumn<QString>("text");
    QTest::newRow("block") << 0 << "Error: Write block error";
    QTest::newRow("one at a time") << 1 << "Error: Write register error";
}

void ClerkTest::fileWriteFailures()
{
    QFETCH(int, separate);
    QFETCH(QString, text);
    rig->set("separateWrite", separate);
    rig->useFile("in.hex", ";KV2260.2\nReg1\t11\nReg2\t22\n");
    rig->board.refused = ~canal::Operations();
    rig->worker.FILEIC();
    QCOMPARE(rig->texts(), QStringList{text});

    rig->textSpy.clear();
    rig->board.calls.clear();
    rig->board.provided = {};
    rig->worker.FILEIC();
    QCOMPARE(rig->texts(), QStringList{text});
    QVERIFY(rig->board.calls.isEmpty());
}

void ClerkTest::fileInterruptedInPause()
{
    // The file opens with a map line, so the worker waits before the first block.
    rig->set("writePause", 100000);
    rig->useFile("in.hex", ";KV2260.2\nReg1\t11\n");
    QTimer::singleShot(30, [&] { rig->worker.interrupt = true; });
    {
        WorkerThread running(rig->worker);
        running.call("FILEIC");
        QTRY_COMPARE(running.results, QStringList{"Error: Interrupted"});
    }
    QVERIFY(rig->board.calls.isEmpty());
}

// read or write, how the board fails -> the final text; a failed read
// leaves "RegisterValue" as it was.
void ClerkTest::singleRegisterSlots_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("text");
    QTest::newRow("read") << false << "" << "";
    QTest::newRow("read refused") << false << "refused" << "Error: Reg5 read failed";
    QTest::newRow("read unsupported") << false << "unsupported" << "Error: Reg5 read failed";
    QTest::newRow("write") << true << "" << "";
    QTest::newRow("write refused") << true << "refused" << "Error: Reg5 write failed";
    QTest::newRow("write unsupported") << true << "unsupported" << "Error: Reg5 write failed";
}

void ClerkTest::singleRegisterSlots()
{
    QFETCH(bool, write);
    QFETCH(QString, failure);
    QFETCH(QString, text);
    const canal::Operation op = write ? canal::WriteRegister : canal::ReadRegister;
    if (failure == "refused")
        rig->board.refused = op;
    else if (failure == "unsupported")
        rig->board.provided &= ~canal::Operations(op);
    rig->board.regs[5] = 0x6E;
    rig->set("RegisterNumber", 5);
    rig->set("RegisterValue", 0x1A5);

    if (write)
        rig->worker.WriteReg();
    else
        rig->worker.ReadReg();

    QCOMPARE(rig->texts(), QStringList{text});
    QCOMPARE(rig->board.callsOf(op).size(), failure == "unsupported" ? 0 : 1);
    const bool done = failure.isEmpty();
    QCOMPARE(rig->progress().last() == 100, done);
    if (write) {
        QCOMPARE(int(rig->board.regs[5]), done ? 0xA5 : 0x6E);
        QCOMPARE(rig->settingsWindow.settings.value("RegisterValue"), 0x1A5);
    } else {
        QCOMPARE(rig->settingsWindow.settings.value("RegisterValue"), done ? 0x6E : 0x1A5);
    }
}

// The write of register 106 that closes every map is checked: when the
// board does not take it the command ends with an error and reads nothing
// back; registers that failed before keep their own report.
void ClerkTest::failedLpfWriteEndsTheWrite_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("failAtCall");
    QTest::addColumn<QString>("text");
    QTest::newRow("block, then register 106 refused") << 1 << 2 << "Error: Reg106 write failed";
    QTest::newRow("one at a time, then register 106 refused")
        << 0 << 3 << "Error: Reg106 write failed";
    QTest::newRow("a register and register 106 refused")
        << 0 << -1 << "Error: 1 of 2 registers not written";
}

void ClerkTest::failedLpfWriteEndsTheWrite()
{
    QFETCH(int, style);
    QFETCH(int, failAtCall);
    QFETCH(QString, text);
    rig->map.wr[10] = 1;
    rig->map.wr[20] = 2;
    rig->map.wr[106] = 0x5A;
    rig->map.rd[106] = 0x5A;
    rig->set("ChangesOnly", 1);
    rig->set("WriteStyle", style);
    rig->set("InteractiveRefresh", 1);
    rig->board.onCall = [&](const FakeBoard::Call &call) {
        const int number = rig->board.calls.size();
        const bool lpf = call.op == canal::WriteRegister && call.first == 106;
        if (number == failAtCall || (failAtCall < 0 && (number == 1 || lpf)))
            rig->board.failAtCall = number;
    };

    rig->worker.GUIIC();

    QCOMPARE(rig->texts().last(), text);
    QCOMPARE(rig->texts().count(text), 1);
    QCOMPARE(rig->board.calls.last().first, 106);
    QVERIFY(rig->board.callsOf(canal::ReadRegisterAutoInc).isEmpty());
    QVERIFY(!rig->progress().contains(45));
    QCOMPARE(rig->worker.command, 0);
}

void ClerkTest::noTransport()
{
    rig->settingsWindow.transport = nullptr;
    rig->useFile("in.hex", ";KV2260.2\nReg1\t11\n");
    for (const char *slot : {"ICGUI", "GUIIC", "FILEIC", "ICFILE", "ReadReg", "WriteReg"}) {
        rig->textSpy.clear();
        QMetaObject::invokeMethod(&rig->worker, slot, Qt::DirectConnection);
        QCOMPARE(rig->texts(), QStringList{"Error: device not found"});
    }
}

// Each text comes with what it means, so the main window need not read it:
// an end stopped on request, a failure, a notice that is an error, a plain
// notice, a success.
void ClerkTest::outcomeBesideEveryText()
{
    using Outcome = clerk::Outcome;
    QList<Outcome> outcomes;
    connect(&rig->worker, &clerk::outcome, this, [&](Outcome kind) { outcomes << kind; });
    const auto run = [&](const char *slot) {
        outcomes.clear();
        rig->textSpy.clear();
        QMetaObject::invokeMethod(&rig->worker, slot, Qt::DirectConnection);
        QCOMPARE(outcomes.size(), rig->texts().size());
    };
    rig->set("ReadStyle", 0);
    rig->set("InteractiveRefresh", 0);
    rig->useFile("in.hex", ";KV2260.2\nReg1\t11\n");

    rig->worker.interrupt = true;
    for (const char *slot : {"ICGUI", "GUIIC", "FILEGUI", "FILEIC"}) {
        run(slot);
        QCOMPARE(outcomes, QList<Outcome>{Outcome::Interrupted});
    }
    rig->worker.interrupt = false;

    rig->board.failAtCall = 1;
    run("ICGUI");
    QCOMPARE(outcomes, QList<Outcome>{Outcome::Error});

    rig->map.wr[10] = 1;
    rig->set("ChangesOnly", 1);
    rig->set("WriteStyle", 0);
    rig->board.calls.clear();
    run("GUIIC");
    QCOMPARE(rig->texts(), (QStringList{"Warning: Write_Byte error", "Error: 1 of 1 registers not written"}));
    QCOMPARE(outcomes, (QList<Outcome>{Outcome::Error, Outcome::Error}));

    rig->set("WriteStyle", 3);
    run("GUIIC");
    QCOMPARE(outcomes, (QList<Outcome>{Outcome::Completion, Outcome::Completion}));
    QCOMPARE(rig->texts().last(), QString());
}

void ClerkTest::settingsNeverGainKeys()
{
    const QStringList keys = rig->settingsWindow.settings.keys();
    rig->settingsWindow.settings.remove("separateWrite");
    rig->useFile("in.hex", ";KV2260.2\nReg1\t11\n");
    for (const char *slot :
         {"ICGUI", "GUIIC", "FILEIC", "ICFILE", "FILEGUI", "GUIFILE", "ReadReg", "WriteReg"})
        QMetaObject::invokeMethod(&rig->worker, slot, Qt::DirectConnection);
    QStringList expected = keys;
    expected.removeOne("separateWrite");
    QCOMPARE(rig->settingsWindow.settings.keys(), expected);
}

// A setting changed while a command runs (the user ticks a box) changes
// nothing of it, except the pause before a read-back, which is read afresh.
void ClerkTest::settingsTakenWhenTheCommandStarts()
{
    rig->map.wr[8] = 0x42;
    rig->set("ChangesOnly", 1);
    rig->set("WriteStyle", 0);
    rig->set("InteractiveRefresh", 1);
    rig->set("ReadStyle", 2);
    rig->set("writePause", 100000);
    rig->board.onCall = [&](const FakeBoard::Call &) {
        rig->set("ChangesOnly", 0);
        rig->set("WriteStyle", 1);
        rig->set("InteractiveRefresh", 0);
        rig->set("ReadStyle", 0);
        rig->set("writePause", 0);
    };

    rig->worker.GUIIC();

    QCOMPARE(rig->texts(), QStringList{QString()});
    QCOMPARE(opsOf(rig->board),
             (QList<Op>{canal::WriteRegister, canal::WriteRegister, canal::ReadRegisterAutoInc}));
    QCOMPARE(rig->worker.command, 1);
}

// The worker in its own thread while the GUI thread changes the settings:
// the worker reads only its copy, and what it stores arrives through the
// GUI thread with its final report.
void ClerkTest::settingsChangedWhileTheWorkerThreadRuns()
{
    auto running = std::make_unique<WorkerThread>(rig->worker);
    // The write sends the whole map or nothing, as the toggles fall: either
    // way register 9 holds the same afterwards.
    rig->board.regs[9] = 0x3C;
    rig->map.wr[9] = 0x3C;
    rig->set("RegisterNumber", 9);
    rig->set("writePause", 5);
    rig->set("InteractiveRefresh", 1);
    int toggles = 0;
    QTimer toggling;
    connect(&toggling, &QTimer::timeout, this, [&] {
        ++toggles;
        rig->set("ChangesOnly", toggles % 2);
        rig->set("Toggled", toggles);
    });
    toggling.start(0);
    rig->worker.filePath = "out.hex";
    for (const char *slot : {"GUIIC", "ReadReg", "ICGUI", "GUIFILE"})
        running->call(slot);
    QTRY_COMPARE(running->results.size(), 4);
    toggling.stop();
    const QStringList results = running->results;
    running.reset();
    QCOMPARE(results, (QStringList{QString(), QString(), QString(), QString()}));
    QCOMPARE(rig->settingsWindow.settings.value("RegisterValue"), 0x3C);
    QVERIFY(toggles > 0);
}

KV_TEST_MAIN(ClerkTest)
#include "tst_clerk.moc"
