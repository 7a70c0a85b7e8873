// Loading and saving ".hex" register files: both readers, the writer's exact
// output, and files that must be refused without changing anything.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QThread>
#include <memory>
#include <signal.h>
#include <sys/resource.h>

#include "LockedFolder.h"
#include "TestMain.h"
#include "WorkerRig.h"
#include "WorkerThread.h"
#include "mapshow.h"

namespace {

QByteArray fixture(const QString &name)
{
    QFile file(":/fixtures/" + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString lineError(int line)
{
    return QStringLiteral("Error: .hex unexpected value at line %1").arg(line);
}

QByteArray regLine(size_t reg, quint8 value)
{
    const QString hex = QString::number(value, 16).toUpper().rightJustified(2, '0');
    return QStringLiteral("Reg%1\t%2\n").arg(reg).arg(hex).toLatin1();
}

// The whole map as the writer puts it, without comments.
QByteArray wholeMapText(const RegImage &image)
{
    QByteArray text = ";KV2260.2\n";
    for (size_t reg = 0; reg < image.size(); ++reg)
        text += regLine(reg, image[reg]);
    return text;
}

// Entries {register, value} of one block write.
QByteArray entries(std::initializer_list<int> bytes)
{
    QByteArray data;
    for (int b : bytes)
        data += char(b);
    return data;
}

// Binds a widget to a field of the map as the main window's binding does.
template <typename W>
W *bind(RegMap &map, QWidget *parent, const QString &objectName)
{
    auto *widget = new W(parent);
    widget->setObjectName(objectName);
    part *field = mapshow::ParseObjName(objectName);
    field->widget = widget;
    map.fields.insert(field->name, field);
    return widget;
}

QLabel *caption(QWidget *parent, const QString &name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

// A caption that notes the thread it is read from.
class ProbeCaption : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text)
public:
    using QObject::QObject;
    QString text() const
    {
        readFrom = QThread::currentThread();
        return QStringLiteral("Probe");
    }
    mutable QThread *readFrom = nullptr;
};

} // namespace

class HexFilesTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void exampleLines_data();
    void exampleLines();
    void mapLinesOfChipReader_data();
    void mapLinesOfChipReader();
    void goodFilesLoadAlike_data();
    void goodFilesLoadAlike();
    void brokenFilesChangeNothing_data();
    void brokenFilesChangeNothing();
    void filesThatLoadAsTheyAre_data();
    void filesThatLoadAsTheyAre();
    void longNulFile();
    void mapNamesWithoutCheck();
    void loadProgress();
    void missingFile();

    void saveSelection();
    void saveMergesIntoOldContent();
    void roundTripThroughBothReaders();
    void saveComments();
    void commentsReadInGuiThread();
    void commentCaptionsFoundAmongSiblings();
    void failedSaveKeepsOldFile();
    void saveWhereNoTemporaryFileCanBeMade();
    void chipToFile();

private:
    std::unique_ptr<WorkerRig> rig = std::make_unique<WorkerRig>();
};

void HexFilesTest::cleanup()
{
    qDeleteAll(rig->map.fields);
    rig = std::make_unique<WorkerRig>();
    QDir dir(QDir::current());
    for (const QString &name : dir.entryList(QDir::Files))
        dir.remove(name);
}

// Line -> register 5 after each reader: -1 untouched, -2 the line error.
void HexFilesTest::exampleLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("gui");
    QTest::addColumn<int>("chip");
    QTest::newRow("blank") << "Reg5 1F" << 0x1F << 0x1F;
    QTest::newRow("tab, 0x") << "Reg5\t0x1F" << 0x1F << 0x1F;
    QTest::newRow("dollar") << "Reg5 $1F" << 0x1F << -2;
    QTest::newRow("ampersand, lower case") << "Reg5 &1f" << 0x1F << 0x1F;
    QTest::newRow("blank after Reg") << "Reg 5 1F" << 0x1F << 0x1F;
    QTest::newRow("value cut to 8 bits") << "Reg5 1FF" << 0xFF << 0xFF;
    QTest::newRow("three pieces") << "Reg5 1F 2A" << -2 << 0x1F;
    QTest::newRow("comment") << "Reg5\t1F //note" << 0x1F << 0x1F;
    QTest::newRow("comment without blank") << "Reg5\t1F//note" << 0x1F << -2;
    QTest::newRow("no value") << "Reg5" << -2 << -1;
    QTest::newRow("lower-case reg") << "reg5 1F" << -1 << -1;
    QTest::newRow("words") << "Register list" << -2 << -2;
    QTest::newRow("commented out") << "# Reg5 1F" << -1 << -1;
    QTest::newRow("register past the map") << "Reg128 05" << -2 << -2;
    QTest::newRow("number wrapping to -1") << "Reg4294967295 05" << -2 << -2;
    QTest::newRow("negative number") << "Reg-5 05" << -2 << -2;
}

void HexFilesTest::exampleLines()
{
    QFETCH(QString, line);
    QFETCH(int, gui);
    QFETCH(int, chip);
    const RegImage before(128, 0xAA);
    rig->map.wr = rig->map.cfg = before;
    rig->useFile("in.hex", ";KV2260.2\n" + line.toLatin1() + "\n");

    rig->worker.FILEGUI();
    rig->worker.FILEIC();

    QCOMPARE(rig->texts()[0], gui == -2 ? lineError(2) : QString());
    QCOMPARE(rig->texts()[1], chip == -2 ? lineError(2) : QString());
    RegImage expected = before;
    if (gui >= 0)
        expected[5] = quint8(gui);
    QVERIFY(rig->map.wr == expected);
    QVERIFY(rig->map.cfg == expected);
    const auto blocks = rig->board.callsOf(canal::WriteRegisterBlock);
    QCOMPARE(blocks.size(), chip >= 0 ? 1 : 0);
    if (chip >= 0)
        QCOMPARE(blocks[0].data, entries({5, chip}));
    if (chip == -2)
        QVERIFY(rig->board.calls.isEmpty());
}

void HexFilesTest::mapLinesOfChipReader_data()
{
    QTest::addColumn<QString>("mapLine");
    QTest::addColumn<int>("configCheck");
    QTest::addColumn<bool>("refused");
    QTest::newRow("map, checked") << ";KV2260.2" << 1 << false;
    QTest::newRow("blank in name, checked") << "; KV2260.2" << 1 << true;
    QTest::newRow("pause, checked") << ";pause" << 1 << true;
    QTest::newRow("PAUSE 100, checked") << ";PAUSE 100" << 1 << true;
    QTest::newRow("pause, unchecked") << ";pause" << 0 << false;
    QTest::newRow("other chip, unchecked") << ";KV2240.1" << 0 << false;
}

void HexFilesTest::mapLinesOfChipReader()
{
    QFETCH(QString, mapLine);
    QFETCH(int, configCheck);
    QFETCH(bool, refused);
    rig->set("ConfigCheck", configCheck);
    rig->useFile("in.hex", ";KV2260.2\nReg1\t11\n" + mapLine.toLatin1() + "\nReg2\t22\n");

    rig->worker.FILEIC();

    if (refused) {
        QCOMPARE(rig->texts(),
                 QStringList{"Error: RegMap name is incurrect\nor not exist"});
        QVERIFY(rig->board.calls.isEmpty());
        return;
    }
    QCOMPARE(rig->texts(), QStringList{QString()});
    const auto blocks = rig->board.callsOf(canal::WriteRegisterBlock);
    QCOMPARE(blocks.size(), 2);
    QCOMPARE(blocks[0].data, entries({1, 0x11}));
    QCOMPARE(blocks[1].data, entries({2, 0x22}));
}

void HexFilesTest::goodFilesLoadAlike_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("LF") << "good.hex";
    QTest::newRow("CRLF") << "good_crlf.hex";
}

void HexFilesTest::goodFilesLoadAlike()
{
    QFETCH(QString, name);
    const QMap<int, int> expected = {{0, 0x80}, {1, 0xAB}, {2, 0x3C}, {3, 0x7F},
                                     {4, 0x1F}, {127, 0xFF}, {106, 0x00}};
    rig->map.wr = RegImage(128, 0x55);
    rig->useFile("in.hex", fixture(name));

    rig->worker.FILEGUI();
    rig->worker.FILEIC();

    QCOMPARE(rig->texts(), (QStringList{QString(), QString()}));
    for (int reg = 0; reg < 128; ++reg) {
        QCOMPARE(int(rig->map.wr[reg]), expected.value(reg, 0x55));
        QCOMPARE(int(rig->board.regs[reg]), expected.value(reg, 0));
    }
    QCOMPARE(rig->board.callsOf(canal::WriteRegisterBlock).size(), 1);
}

void HexFilesTest::brokenFilesChangeNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("guiError");
    QTest::addColumn<QString>("chipError");
    QTest::newRow("truncated") << fixture("truncated.hex") << lineError(4) << QString();
    QTest::newRow("binary") << fixture("binary.hex") << lineError(1) << lineError(3);
    QTest::newRow("NUL inside a register line")
        << fixture("nul_in_line.hex") << lineError(3) << lineError(3);
    QTest::newRow("register past the map")
        << fixture("out_of_range.hex") << lineError(3) << lineError(3);
    QTest::newRow("register wrapping to -1")
        << fixture("wrapped_register.hex") << lineError(2) << lineError(2);
    QTest::newRow("unknown map") << fixture("unknown_map.hex")
                                 << "Error: unexpected RegMap name: KV9999v9"
                                 << "Error: RegMap name is incurrect\nor not exist";
    QTest::newRow("over-long line")
        << ";KV2260.2\nReg1\t11\nReg5\t" + QByteArray(1 << 20, '1') + "\n" << lineError(3)
        << lineError(3);
    // Files with lines, none of them a register or map line.
    const QString noLines = "Error: in.hex holds no register line and no map line";
    QTest::newRow("Intel HEX firmware") << fixture("intel_hex.hex") << noLines << noLines;
    QTest::newRow("plain text") << fixture("random_text.hex") << noLines << noLines;
    QTest::newRow("NUL bytes") << QByteArray(4096, '\0') << noLines << noLines;
    QTest::newRow("comments and a stray word")
        << QByteArray("# settings\n\nword\n") << noLines << noLines;
}

void HexFilesTest::brokenFilesChangeNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, guiError);
    QFETCH(QString, chipError);
    const RegImage before = patternImage(128, 7);
    rig->map.wr = rig->map.cfg = before;
    rig->useFile("in.hex", content);

    rig->worker.FILEGUI();
    QCOMPARE(rig->texts(), QStringList{guiError});
    QVERIFY(rig->map.wr == before);
    QVERIFY(rig->map.cfg == before);

    rig->textSpy.clear();
    rig->worker.FILEIC();
    if (!chipError.isEmpty()) {
        QCOMPARE(rig->texts(), QStringList{chipError});
        QVERIFY(rig->board.calls.isEmpty());
    } else {
        QCOMPARE(rig->texts(), QStringList{QString()});
    }
}

// Files that hold nothing to load, or lines one reader skips, end as before.
void HexFilesTest::filesThatLoadAsTheyAre_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("guiText");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("blank lines") << QByteArray("\n  \n\t\r\n") << QString();
    QTest::newRow("comments only") << QByteArray("# saved by hand\n// nothing yet\n")
                                   << QString();
    QTest::newRow("map line only") << QByteArray(";KV2260.2\n") << QString();
    QTest::newRow("register without value") << QByteArray("Reg5\n") << lineError(1);
}

void HexFilesTest::filesThatLoadAsTheyAre()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, guiText);
    const RegImage before = patternImage(128, 5);
    rig->map.wr = rig->map.cfg = before;
    rig->useFile("in.hex", content);

    rig->worker.FILEGUI();
    rig->worker.FILEIC();

    QCOMPARE(rig->texts(), (QStringList{guiText, QString()}));
    QVERIFY(rig->map.wr == before);
    QVERIFY(rig->board.callsOf(canal::WriteRegister).isEmpty());
    QVERIFY(rig->board.callsOf(canal::WriteRegisterBlock).isEmpty());
}

// A file without line breaks is one line; it is refused without being held
// in memory whole.
void HexFilesTest::longNulFile()
{
    const qint64 megabyte = 1 << 20;
    {
        QFile file("nul.hex");
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray block(int(megabyte), '\0');
        for (int i = 0; i < 50; ++i)
            QCOMPARE(file.write(block), megabyte);
    }
    rig->worker.filePath = "nul.hex";
    const RegImage before = patternImage(128, 9);
    rig->map.wr = rig->map.cfg = before;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long peakBefore = usage.ru_maxrss; // kilobytes
    QElapsedTimer clock;
    clock.start();

    rig->worker.FILEGUI();
    rig->worker.FILEIC();

    const qint64 elapsed = clock.elapsed();
    getrusage(RUSAGE_SELF, &usage);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer holds freed blocks back for a while, so there the
    // peak grows with everything read, not with what is kept.
    QVERIFY2(usage.ru_maxrss - peakBefore < 32 * 1024,
             qPrintable(QString("peak grew by %1 kB").arg(usage.ru_maxrss - peakBefore)));
#endif
    QVERIFY2(elapsed < 20000, qPrintable(QString("took %1 ms").arg(elapsed)));
    const QString error = "Error: nul.hex holds no register line and no map line";
    QCOMPARE(rig->texts(), (QStringList{error, error}));
    QVERIFY(rig->map.wr == before);
    QVERIFY(rig->board.calls.isEmpty());
}

void HexFilesTest::mapNamesWithoutCheck()
{
    // Without the name check every map of the file goes to the first map.
    rig->set("ConfigCheck", 0);
    rig->useFile("in.hex", fixture("unknown_map.hex"));
    rig->worker.FILEGUI();
    QCOMPARE(int(rig->map.wr[1]), 0x11);
    QCOMPARE(int(rig->map.wr[2]), 0x22);

    // With it, register lines before any map line belong to no known map.
    rig->set("ConfigCheck", 1);
    rig->useFile("in.hex", "Reg1\t44\n");
    rig->worker.FILEGUI();
    QCOMPARE(rig->texts(), (QStringList{"", "Error: unexpected RegMap name: "}));
    QCOMPARE(int(rig->map.wr[1]), 0x11);
}

void HexFilesTest::loadProgress()
{
    rig->useFile("in.hex", ";KV2260.2\nReg1\t11\n;pause\nReg2\t22\n");
    rig->worker.FILEGUI();
    QCOMPARE(rig->progress(), (QList<int>{1, 25, 79, 100}));
    QCOMPARE(int(rig->map.wr[2]), 0x22);

    rig->progressSpy.clear();
    rig->textSpy.clear();
    rig->worker.interrupt = true;
    rig->worker.FILEGUI();
    QCOMPARE(rig->progress(), (QList<int>{1, 25}));
    QCOMPARE(rig->texts(), QStringList{"Error: Interrupted"});
}

void HexFilesTest::missingFile()
{
    rig->worker.filePath = "default.hex";
    rig->worker.FILEGUI();
    QCOMPARE(rig->texts(),
             QStringList{"Error: default.hex file is not available.\nPlease, add any one."});
    QVERIFY(rig->progress().isEmpty());

    rig->textSpy.clear();
    rig->worker.FILEIC();
    QCOMPARE(rig->texts(), QStringList{"Error: .hex file is not available"});
}

void HexFilesTest::saveSelection()
{
    rig->worker.filePath = "out.hex";
    rig->map.wr = patternImage(128, 3);
    rig->set("ChangesOnly", 0);
    rig->worker.GUIFILE();
    QCOMPARE(rig->progress(), (QList<int>{0, 100}));
    QCOMPARE(readFile("out.hex"), wholeMapText(rig->map.wr) + "Reg106\t00\n");

    // Changes only, right after a read: nothing differs.
    rig->set("ChangesOnly", 1);
    rig->map.rd = rig->map.wr;
    rig->worker.GUIFILE();
    QCOMPARE(readFile("out.hex"), QByteArray(";KV2260.2\nReg106\t00\n"));

    // Changed registers only; such lines carry empty comments.
    rig->map.wr[3] ^= 0xFF;
    rig->map.wr[120] ^= 0xFF;
    rig->set("HexComment", 1);
    rig->worker.GUIFILE();
    auto commented = [&](int reg) { return regLine(reg, rig->map.wr[reg]).replace("\n", " //\n"); };
    QCOMPARE(readFile("out.hex"), ";KV2260.2\n" + commented(3) + commented(120) + "Reg106\t00\n");
    QCOMPARE(rig->texts(), (QStringList{"", "", ""}));
}

void HexFilesTest::saveMergesIntoOldContent()
{
    rig->set("MergeFile", 1);
    rig->set("ChangesOnly", 0);
    rig->map.wr = patternImage(128, 5);
    const QByteArray fresh = wholeMapText(rig->map.wr) + "Reg106\t00\n";

    rig->useFile("old.hex", ";KV2260.2\nReg5\t01\n");
    rig->worker.GUIFILE();
    QCOMPARE(readFile("old.hex"), ";KV2260.2\nReg5\t01\n" + fresh);

    // An old file without a final line end does not swallow the first new line.
    rig->useFile("old.hex", ";KV2260.2\nReg5\t01");
    rig->worker.GUIFILE();
    QCOMPARE(readFile("old.hex"), ";KV2260.2\nReg5\t01\n" + fresh);

    // Loading the merged file gives every register its last value.
    const RegImage saved = rig->map.wr;
    rig->map.wr = RegImage(128, 0);
    rig->worker.FILEGUI();
    QCOMPARE(int(rig->map.wr[5]), int(saved[5]));
    QCOMPARE(int(rig->map.wr[106]), 0);

    // A missing file is created.
    rig->worker.filePath = "new.hex";
    rig->worker.GUIFILE();
    QCOMPARE(readFile("new.hex"), wholeMapText(rig->map.wr) + "Reg106\t00\n");
}

void HexFilesTest::roundTripThroughBothReaders()
{
    const RegImage image = patternImage(128, 6);
    rig->map.wr = image;
    rig->set("ChangesOnly", 0);
    rig->set("HexComment", 1);
    rig->worker.filePath = "trip.hex";
    rig->worker.GUIFILE();

    RegImage expected = image;
    expected[106] = 0;  // the closing line
    rig->map.wr = RegImage(128, 0);
    rig->worker.FILEGUI();
    rig->worker.FILEIC();
    QCOMPARE(rig->texts(), (QStringList{QString(), QString(), QString()}));
    QVERIFY(rig->map.wr == expected);
    QVERIFY(rig->map.cfg == expected);
    QVERIFY(rig->board.regs == QVector<quint8>(expected.begin(), expected.end()));
}

void HexFilesTest::saveComments()
{
    QWidget panel;
    RegMap &map = rig->map;
    bind<QCheckBox>(map, &panel, "KV_EN_KV2260v2_0_1")->setText("Enable");
    static_cast<QCheckBox *>(map.fields["EN_KV2260v2"]->widget)->setChecked(true);
    auto *mode = bind<QComboBox>(map, &panel, "KV_MODE_KV2260v2_1_2");
    mode->addItems({"a", "b", "c"});
    mode->setCurrentIndex(2);
    caption(&panel, "MODELabelG", "stale");
    caption(&panel, "MODELabelG2", "Mode\nselect");  // the last match counts
    auto *gain = bind<QSpinBox>(map, &panel, "KV_GAIN_KV2260v2_12_6");
    gain->setValue(21);
    caption(&panel, "GAINLabelG", "IF gain");
    new QLineEdit("42.0\ndB", &panel);
    panel.findChildren<QLineEdit *>().last()->setObjectName("GAIN_KV2260v2_Expression");
    bind<QSpinBox>(map, &panel, "KV_FREQ_KV2260v2_24_8")->setValue(7);
    caption(&panel, "FREQLabelG", "Freq");
    bind<QLabel>(map, &panel, "KV_LOCK_KV2260v2_32_1");
    bind<QLineEdit>(map, &panel, "KV_TXT_KV2260v2_40_8")->setText("abc");
    caption(&panel, "TXTLabelG", "Text\nfield");
    bind<QComboBox>(map, &panel, "KV_BARE_KV2260v2_48_2")->addItem("x");

    map.wr = RegImage(128, 0);
    map.wr[4] = 0x80;  // the lamp's bit
    rig->set("ChangesOnly", 0);
    rig->set("HexComment", 1);
    rig->worker.filePath = "out.hex";
    rig->worker.GUIFILE();

    const QStringList lines = QString::fromLatin1(readFile("out.hex")).split('\n');
    QCOMPARE(lines.mid(1, 8),
             (QStringList{"Reg0\t00 //Enable: enabled",
                          "\t   //Mode select: c",
                          "Reg1\t00 //IF gain: 42.0 dB ",
                          "Reg2\t00 //IF gain: 42.0 dB ",
                          "Reg3\t00 //Freq:  7",
                          "Reg4\t80 //: 1",
                          "Reg5\t00 //Text field: abc",
                          "Reg6\t00 //: x"}));
    QCOMPARE(lines[9], QString("Reg7\t00 //"));
    QCOMPARE(lines.size(), 132);  // 130 lines, one continuation, the final empty piece
}

// A caption or display counts when its object name holds the key anywhere,
// the last such sibling winning; a widget of another parent never counts.
void HexFilesTest::commentCaptionsFoundAmongSiblings()
{
    QWidget panel, other;
    RegMap &map = rig->map;
    bind<QSpinBox>(map, &panel, "KV_FREQ_KV2260v2_0_8")->setValue(1);
    caption(&panel, "FREQLabelG", "first");
    bind<QSpinBox>(map, &panel, "KV_XFREQ_KV2260v2_8_8")->setValue(2);
    caption(&panel, "XFREQLabelG", "second");  // holds "FREQLabelG" as well
    auto *mode = bind<QComboBox>(map, &panel, "KV_MODE_KV2260v2_16_2");
    mode->addItem("m");
    caption(&panel, "MODELabelG_MODELabelG_old", "twice");
    auto *gain = bind<QSpinBox>(map, &panel, "KV_GAIN_KV2260v2_24_8");
    gain->setValue(3);
    caption(&panel, "pre_GAINLabelG", "Gain");
    (new QLineEdit("9 dB", &panel))->setObjectName("x_GAIN_KV2260v2_Expression_y");
    bind<QSpinBox>(map, &other, "KV_LONE_KV2260v2_32_8")->setValue(4);
    caption(&panel, "LONELabelG", "elsewhere");

    rig->set("ChangesOnly", 0);
    rig->set("HexComment", 1);
    rig->worker.filePath = "siblings.hex";
    rig->worker.GUIFILE();

    const QStringList lines = QString::fromLatin1(readFile("siblings.hex")).split('\n');
    QCOMPARE(lines.mid(1, 5), (QStringList{"Reg0\t00 //second:  1",
                                            "Reg1\t00 //second:  2",
                                            "Reg2\t00 //twice: m",
                                            "Reg3\t00 //Gain: 9 dB ",
                                            "Reg4\t00 //"}));
}

void HexFilesTest::commentsReadInGuiThread()
{
    QWidget panel;
    bind<QSpinBox>(rig->map, &panel, "KV_PROBE_KV2260v2_0_8")->setValue(3);
    auto *probe = new ProbeCaption(&panel);
    probe->setObjectName("PROBELabelG");
    rig->set("HexComment", 1);
    rig->set("ChangesOnly", 0);
    rig->worker.filePath = "out.hex";

    {
        WorkerThread running(rig->worker);
        running.call("GUIFILE");
        QTRY_COMPARE(running.results, QStringList{QString()});
    }

    QCOMPARE(probe->readFrom, QThread::currentThread());
    QVERIFY(readFile("out.hex").contains("Reg0\t00 //Probe:  3\n"));
}

void HexFilesTest::failedSaveKeepsOldFile()
{
    rig->worker.filePath = "no such dir/out.hex";
    rig->worker.GUIFILE();
    QCOMPARE(rig->texts(), QStringList{"Error: .hex file is not available"});
    QCOMPARE(rig->progress(), QList<int>{0});

    // A write that the file system refuses part-way.
    rig->textSpy.clear();
    rig->set("ChangesOnly", 0);
    rig->useFile("keep.hex", "Reg1\t01\n");
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    rig->worker.GUIFILE();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    QCOMPARE(rig->texts(), QStringList{"Error: .hex file write failed"});
    QCOMPARE(readFile("keep.hex"), QByteArray("Reg1\t01\n"));
    QCOMPARE(QDir::current().entryList(QDir::Files), QStringList{"keep.hex"});
}

// A folder that takes no new file, holding a file the user may write: the
// save cannot go through a temporary file and writes the file in place.
void HexFilesTest::saveWhereNoTemporaryFileCanBeMade()
{
    LockedFolder folder;
    QVERIFY(folder.isValid());
    const QString path = folder.file("out.hex");
    rig->useFile(path, "Reg1\t01\n");
    QVERIFY(folder.lock({"out.hex"}));
    rig->set("ChangesOnly", 0);
    rig->map.wr = patternImage(128, 9);

    if (!LockedFolder::runUnprivileged([&] { rig->worker.GUIFILE(); }))
        QSKIP("cannot save as an unprivileged user");
    folder.unlock();

    QCOMPARE(rig->texts(), QStringList{QString()});
    QCOMPARE(readFile(path), wholeMapText(rig->map.wr) + "Reg106\t00\n");
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"out.hex"});
}

void HexFilesTest::chipToFile()
{
    const RegImage chip = patternImage(128, 8);
    rig->board.regs = QVector<quint8>(chip.begin(), chip.end());
    const RegImage wrBefore = rig->map.wr;
    rig->worker.filePath = "chip.hex";
    rig->worker.ICFILE();
    QCOMPARE(rig->texts(), QStringList{QString()});
    QCOMPARE(rig->progress(), (QList<int>{50, 100}));
    QCOMPARE(readFile("chip.hex"), wholeMapText(chip));
    QVERIFY(rig->map.wr == wrBefore);

    rig->set("MergeFile", 1);
    rig->worker.ICFILE();
    QCOMPARE(readFile("chip.hex"), wholeMapText(chip) + wholeMapText(chip));

    // The file is opened only after the chip has answered.
    rig->textSpy.clear();
    rig->useFile("chip.hex", "Reg1\t01\n");
    rig->board.refused = canal::ReadRegisterAutoInc;
    rig->worker.ICFILE();
    rig->board.provided = canal::ReadRegister;
    rig->worker.ICFILE();
    rig->settingsWindow.transport = nullptr;
    rig->worker.ICFILE();
    QCOMPARE(rig->texts(), (QStringList{"WINUSB: USB interface error ", "WINUSB: USB interface error ",
                                        "Error: device not found"}));
    QCOMPARE(readFile("chip.hex"), QByteArray("Reg1\t01\n"));
}

KV_TEST_MAIN(HexFilesTest)
#include "tst_hexfiles.moc"
