// The interactive register map over a real register map whose fields are
// bound to real widgets.
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <memory>

#include "InteractiveMapModel.h"
#include "LockedFolder.h"
#include "RegMap.h"
#include "RegTableModel.h"
#include "TestMain.h"
#include "interactiveMap.h"
#include "mapshow.h"

namespace {

using Cells = QSet<QPair<int, int>>;

// The chip's map with a register table and fields bound to widgets. The
// default fields: IFA_GainSt in two pieces (bits 72-73, 80-84), RF_GainSt
// (76-79), the one-bit Enable (bit 10, register 1 D5) and PLL_A_Ready (898,
// register 112, the highest labelled of the 128).
struct Bench {
    QWidget forms;
    RegMap map{"KV2260v2", 128, 0};
    QTableView tableView;
    RegTableModel *table = new RegTableModel(&map, 4, &tableView);
    std::vector<std::unique_ptr<part>> records;
    QMap<QString, RegMap *> maps{{map.name, &map}};
    std::unique_ptr<interactiveMap> window;
    QTableView *view = nullptr;
    InteractiveMapModel *model = nullptr;

    explicit Bench(const QStringList &names = {"KV_IFA_GainSt_KV2260v2_72p80_2p5", "KV_RF_GainSt_KV2260v2_76_4",
                                               "KV_Enable_KV2260v2_10_1", "KV_PLL_A_Ready_KV2260v2_898_1"})
    {
        tableView.setModel(table);
        map.view = &tableView;
        map.listener = table;
        for (const QString &name : names) {
            records.emplace_back(mapshow::ParseObjName(name));
            records.back()->widget = new QCheckBox(&forms);
            map.fields.insert(records.back()->name, records.back().get());
        }
    }
    // Builds the window (after the test has set up the map) and shows it.
    void open(bool show = true)
    {
        window.reset(new interactiveMap(&maps));
        view = window->findChild<QTableView *>();
        model = qobject_cast<InteractiveMapModel *>(view->model());
        if (show)
            window->show();
        QVERIFY(!show || QTest::qWaitForWindowExposed(window.get()));
    }
    QWidget *widget(const QString &field) const { return map.fields.value(field)->widget; }
    void press(const char *button) const { window->findChild<QPushButton *>(button)->click(); }
    void find(const QString &text) const
    {
        window->findChild<QLineEdit *>("Filter_line")->setText(text);
        press("Filter_Find");
    }
    int selectedBit() const
    {
        const QModelIndexList cells = view->selectionModel()->selectedIndexes();
        return cells.size() == 1 ? 8 * cells[0].row() + cells[0].column() : -1;
    }
    QString text(int row, int column) const { return model->index(row, column).data().toString(); }
    QString colour(int row, int column) const
    {
        const QVariant background = model->index(row, column).data(Qt::BackgroundRole);
        return background.isValid() ? background.value<QColor>().name().toUpper() : QString("none");
    }
    void click(int row, int column, Qt::KeyboardModifiers keys = Qt::NoModifier) const
    {
        const QPoint at = view->visualRect(model->index(row, column)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, keys, at);
    }
    void doubleClick(int row, int column) const
    {
        click(row, column);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                           view->visualRect(model->index(row, column)).center());
    }
    // Rows whose Hide flag is set (view false) or that the view hides.
    QList<int> rows(bool inView) const
    {
        QList<int> found;
        for (int row = 0; row < model->rowCount(); ++row)
            if (inView ? view->isRowHidden(row) : model->isHidden(row))
                found << row;
        return found;
    }
};

// Every cell inside the ranges a model reported as changed.
Cells repainted(const QSignalSpy &spy)
{
    Cells cells;
    for (const QList<QVariant> &signal : spy) {
        const auto from = signal[0].value<QModelIndex>(), to = signal[1].value<QModelIndex>();
        for (int row = from.row(); row <= to.row(); ++row)
            for (int column = from.column(); column <= to.column(); ++column)
                cells.insert({row, column});
    }
    return cells;
}

// Puts a filter file of the fixtures in the working directory.
QByteArray placeFilterFile(const QString &fixture)
{
    QFile source(":/fixtures/" + fixture), file("filtersave.dat");
    if (!source.open(QIODevice::ReadOnly) || !file.open(QIODevice::WriteOnly))
        qFatal("cannot place %s", qPrintable(fixture));
    const QByteArray content = source.readAll();
    file.write(content);
    return content;
}

} // namespace

class InteractiveMapTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void labelsRowsAndHeaders();
    void cellTextsAndColours_data();
    void cellTextsAndColours();
    void mapsWithFewLabels_data();
    void mapsWithFewLabels();
    void wrongSettingReachesReceivers();
    void findAndAtGui();
    void clicksMarkAndFlagCells();
    void saveThenLoadInFreshWindow();
    void loadTrustsOnlyRowNumbers_data();
    void loadTrustsOnlyRowNumbers();
    void saveWhereNoTemporaryFileCanBeMade();
    void saveFailureIsReported_data();
    void saveFailureIsReported();
    void doubleClick_data();
    void doubleClick();
    void repaints();
    void rowNumbersShowWhenTheWindowOpens();
};

void InteractiveMapTest::cleanup()
{
    QFile::remove("filtersave.dat");
    QDir().rmdir("filtersave.dat");
}

void InteractiveMapTest::labelsRowsAndHeaders()
{
    Bench bench;
    bench.open();
    QStringList labels;
    for (int bit : {72, 73, 74, 80, 84, 898})
        labels << bench.model->labelOf(bit);
    QCOMPARE(labels, QStringList({"IFA_GainSt<6>", "IFA_GainSt<5>", "", "IFA_GainSt<4>", "IFA_GainSt<0>",
                                  "PLL_A_Ready"}));
    QCOMPARE(bench.model->rowCount(), 113);
    QStringList headers;
    for (int section = 0; section < 11; ++section)
        headers << bench.model->headerData(section, Qt::Horizontal).toString();
    QCOMPARE(headers, QStringList({"D7", "D6", "D5", "D4", "D3", "D2", "D1", "D0", "Value", "Hide", ""}));
    QCOMPARE(bench.model->headerData(112, Qt::Vertical).toString(), QString("112"));
}

void InteractiveMapTest::cellTextsAndColours_data()
{
    QTest::addColumn<quint8>("reg9");  // wr of register 9
    QTest::addColumn<bool>("mark");    // Ctrl+click the cell first
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("colour");
    QTest::newRow("clear bit") << quint8(0x00) << false << 0 << "IFA_GainSt<6> = 0" << "none";
    QTest::newRow("set bit") << quint8(0x80) << false << 0 << "IFA_GainSt<6> = 1" << "#A0FFA0";
    QTest::newRow("marked set bit") << quint8(0x80) << true << 0 << "IFA_GainSt<6> = 1" << "#FD99FD";
    QTest::newRow("marked unused") << quint8(0x20) << true << 2 << "Unused" << "#DDDDDD";
    QTest::newRow("value") << quint8(0x0F) << true << 8 << "0F" << "#DDDDDD";
    QTest::newRow("hide") << quint8(0xFF) << false << 9 << "" << "none";
}

void InteractiveMapTest::cellTextsAndColours()
{
    QFETCH(quint8, reg9);
    QFETCH(bool, mark);
    QFETCH(int, column);
    Bench bench;
    bench.map.wr[9] = reg9;
    bench.open();
    if (mark)
        bench.click(9, column, Qt::ControlModifier);
    QTEST(bench.text(9, column), "text");
    QTEST(bench.colour(9, column), "colour");
    QCOMPARE(bench.model->index(9, column).data(Qt::CheckStateRole).isValid(), column == 9);
}

void InteractiveMapTest::mapsWithFewLabels_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("rows");
    QTest::newRow("no field") << QStringList() << 0;
    QTest::newRow("only D7 used") << QStringList{"KV_A_KV2260v2_16_1", "KV_B_KV2260v2_40_1"} << 6;
}

void InteractiveMapTest::mapsWithFewLabels()
{
    QFETCH(QStringList, names);
    Bench bench(names);
    bench.open();
    QTEST(bench.model->rowCount(), "rows");
    for (int row = 0; row < bench.model->rowCount(); ++row)
        QCOMPARE(bench.text(row, 7), QString("Unused"));
    // Every button stays within the table.
    for (const char *button : {"Filter_Find", "Filter_AtGUI", "Filter_hide", "Filter_save", "Filter_load"})
        bench.press(button);
    bench.window->refreshAll();
}

void InteractiveMapTest::wrongSettingReachesReceivers()
{
    Bench bench;
    part broken;
    broken.name = "Broken_KV2260v2";
    broken.width = 3;
    broken.bitStarts = {16, 24};
    broken.widths = {3};
    bench.map.fields.insert(broken.name, &broken);
    bench.open(false);
    // Connected only after the window was built.
    QSignalSpy messages(bench.window.get(), &interactiveMap::send_message);
    QTRY_COMPARE(messages.count(), 1);
    QCOMPARE(messages[0][0].toString(), QString("Error: wrong IC setting"));
    QCOMPARE(bench.model->labelOf(16), QString("Broken<2>"));
    QCOMPARE(bench.model->labelOf(24), QString());
}

void InteractiveMapTest::findAndAtGui()
{
    Bench bench;
    bench.open();
    QSignalSpy focus(bench.window.get(), &interactiveMap::fokus_widget);
    bench.press("Filter_AtGUI");
    // No wrap: after the last match it stays selected.
    for (int expected : {72, 73, 76, 77, 78, 79, 80, 81, 82, 83, 84, 84}) {
        bench.find("gainst");
        QCOMPARE(bench.selectedBit(), expected);
        if (expected == 76)
            bench.press("Filter_AtGUI");
    }
    bench.find("");
    QCOMPARE(bench.selectedBit(), 84);
    bench.find("READY");
    bench.press("Filter_AtGUI");
    QCOMPARE(bench.selectedBit(), 898);
    bench.find("gainst");
    QCOMPARE(bench.selectedBit(), 72);
    QCOMPARE(focus.count(), 2);
    QCOMPARE(focus[0][0].value<QWidget *>(), bench.widget("RF_GainSt_KV2260v2"));
    QCOMPARE(focus[1][0].value<QWidget *>(), bench.widget("PLL_A_Ready_KV2260v2"));

    bench.find("nothing");
    QCOMPARE(bench.selectedBit(), -1);
    QVERIFY(bench.view->hasFocus());
    bench.press("Filter_AtGUI");
    QCOMPARE(focus.count(), 2);
}

void InteractiveMapTest::clicksMarkAndFlagCells()
{
    Bench bench;
    bench.open();
    bench.click(9, 0, Qt::ControlModifier);
    bench.click(9, 1, Qt::ControlModifier);
    bench.click(9, 4, Qt::ControlModifier);
    bench.click(9, 4, Qt::ControlModifier);
    bench.click(10, 0);
    bench.click(3, 9);
    bench.click(5, 9, Qt::ControlModifier);
    QCOMPARE(bench.colour(9, 1), QString("#FD99FD"));
    QCOMPARE(bench.colour(9, 4) + bench.colour(10, 0), QString("nonenone"));
    QSignalSpy changes(bench.model, &QAbstractItemModel::dataChanged);
    bench.press("Filter_deselect");
    QCOMPARE(repainted(changes), (Cells{{9, 0}, {9, 1}}));
    QCOMPARE(bench.colour(9, 1), QString("none"));

    QCOMPARE(bench.rows(false), QList<int>({3, 5}));
    QCOMPARE(bench.rows(true), QList<int>());
    bench.press("Filter_hide");
    QCOMPARE(bench.rows(true), QList<int>({3, 5}));
    bench.press("Filter_showAll");
    QCOMPARE(bench.rows(true), QList<int>());
    bench.press("Filter_hide");
    QCOMPARE(bench.rows(true), QList<int>({3, 5}));
}

void InteractiveMapTest::saveThenLoadInFreshWindow()
{
    placeFilterFile("filter_other_maps.dat");
    Bench bench;
    bench.open();
    for (int row : {17, 3, 5})
        bench.model->itemClicked(bench.model->index(row, 9));
    QSignalSpy messages(bench.window.get(), &interactiveMap::send_message);
    bench.press("Filter_save");
    QCOMPARE(messages.count(), 0);
    QFile raw("filtersave.dat");
    QVERIFY(raw.open(QIODevice::ReadOnly));
    QVERIFY(raw.readAll().contains("KV2260v2=\"3 5 17 \"\n"));
    QSettings file("filtersave.dat", QSettings::IniFormat);
    QCOMPARE(file.value("Interactive_hide/KV2230v2").toString(), QString("1 2 "));
    QCOMPARE(file.value("Other/key").toInt(), 7);

    bench.open();
    bench.press("Filter_load");
    QCOMPARE(bench.rows(false), QList<int>({3, 5, 17}));
    QCOMPARE(bench.rows(true), QList<int>());
}

void InteractiveMapTest::loadTrustsOnlyRowNumbers_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QList<int>>("flags");
    QTest::newRow("good") << "filter_good.dat" << QList<int>{3, 5, 17};
    QTest::newRow("no key") << "filter_no_key.dat" << QList<int>();
    QTest::newRow("outside the table") << "filter_outside_table.dat" << QList<int>{112};
    QTest::newRow("not decimal") << "filter_not_decimal.dat" << QList<int>{7, 9};
    QTest::newRow("a list") << "filter_list.dat" << QList<int>();
    QTest::newRow("a variant") << "filter_variant.dat" << QList<int>();
    QTest::newRow("binary") << "filter_binary.dat" << QList<int>();
    QTest::newRow("unparsable") << "filter_unparsable.dat" << QList<int>();
}

void InteractiveMapTest::loadTrustsOnlyRowNumbers()
{
    QFETCH(QString, fixture);
    QFETCH(QList<int>, flags);
    placeFilterFile(fixture);
    Bench bench;
    bench.open();
    // Load adds to the flags already set and shows every row.
    bench.model->itemClicked(bench.model->index(1, 9));
    bench.press("Filter_hide");
    bench.press("Filter_load");
    QCOMPARE(bench.rows(true), QList<int>());
    flags.prepend(1);
    QCOMPARE(bench.rows(false), flags);
}

void InteractiveMapTest::saveWhereNoTemporaryFileCanBeMade()
{
    LockedFolder folder;
    QVERIFY(folder.isValid());
    struct BackHome
    {
        QString path;
        ~BackHome() { QDir::setCurrent(path); }
    } backHome{QDir::currentPath()};
    QVERIFY(QDir::setCurrent(folder.path()));
    placeFilterFile("filter_other_maps.dat");
    QVERIFY(folder.lock({"filtersave.dat"}));
    Bench bench;
    bench.open();
    for (int row : {3, 5})
        bench.model->itemClicked(bench.model->index(row, 9));
    QSignalSpy messages(bench.window.get(), &interactiveMap::send_message);

    if (!LockedFolder::runUnprivileged([&] { bench.press("Filter_save"); }))
        QSKIP("cannot save as an unprivileged user");
    folder.unlock();

    QCOMPARE(messages.count(), 0);
    QSettings file("filtersave.dat", QSettings::IniFormat);
    QCOMPARE(file.value("Interactive_hide/KV2260v2").toString(), QString("3 5 "));
    QCOMPARE(file.value("Interactive_hide/KV2230v2").toString(), QString("1 2 "));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"filtersave.dat"});
}

void InteractiveMapTest::saveFailureIsReported_data()
{
    QTest::addColumn<QString>("fixture");
    // A folder in the file's place cannot be written, not even by root.
    QTest::newRow("folder") << QString();
    // A file that cannot be parsed is kept: it may hold other maps' rows.
    QTest::newRow("unparsable file") << "filter_unparsable.dat";
}

void InteractiveMapTest::saveFailureIsReported()
{
    QFETCH(QString, fixture);
    const QByteArray before = fixture.isEmpty() ? QByteArray() : placeFilterFile(fixture);
    if (fixture.isEmpty())
        QVERIFY(QDir().mkdir("filtersave.dat"));
    Bench bench;
    bench.open();
    bench.model->itemClicked(bench.model->index(3, 9));
    QSignalSpy messages(bench.window.get(), &interactiveMap::send_message);
    bench.press("Filter_save");
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages[0][0].toString().startsWith("Error: "));
    QFile kept("filtersave.dat");
    if (!fixture.isEmpty() && kept.open(QIODevice::ReadOnly))
        QCOMPARE(kept.readAll(), before);
}

void InteractiveMapTest::doubleClick_data()
{
    QTest::addColumn<int>("column");       // in register 1, whose wr is 0x01
    QTest::addColumn<bool>("busy");        // a command runs
    QTest::addColumn<quint8>("flipped");   // wr of register 1 afterwards
    QTest::addColumn<bool>("checked");     // the Enable widget afterwards
    QTest::newRow("one-bit field") << 2 << false << quint8(0x21) << true;
    QTest::newRow("unlabelled bit") << 7 << false << quint8(0x00) << false;
    QTest::newRow("value cell") << 8 << false << quint8(0x01) << false;
    QTest::newRow("hide cell") << 9 << false << quint8(0x01) << false;
    QTest::newRow("during a command") << 2 << true << quint8(0x01) << false;
}

void InteractiveMapTest::doubleClick()
{
    QFETCH(int, column);
    QFETCH(bool, busy);
    QFETCH(quint8, flipped);
    Bench bench;
    bench.map.wr[1] = 0x01;
    bench.open();
    bench.window->setCommandRunningQuery([&] { return busy; });
    QSignalSpy cells(bench.model, &QAbstractItemModel::dataChanged);
    QSignalSpy table(bench.table, &QAbstractItemModel::dataChanged);
    bench.doubleClick(1, column);
    QCOMPARE(bench.map.wr[1], flipped);
    QTEST(qobject_cast<QCheckBox *>(bench.widget("Enable_KV2260v2"))->isChecked(), "checked");
    QVERIFY(repainted(cells).contains({1, column}));
    QCOMPARE(bench.text(1, 8), QString("%1").arg(flipped, 2, 16, QChar('0')).toUpper());
    QVERIFY(repainted(cells).contains({1, 8}));
    // The register table's wr row of register 1 (row 2, from column 9).
    if (flipped != 0x01)
        QCOMPARE(repainted(table).contains({2, 9 + column}) && repainted(table).contains({2, 17}), true);
}

// The row header is measured when the window opens, and stands as a
// header measured at once would.
void InteractiveMapTest::rowNumbersShowWhenTheWindowOpens()
{
    Bench bench;
    bench.open(false);
    bench.window->resize(600, 400);
    bench.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(bench.window.get()));
    QHeaderView *rows = bench.view->verticalHeader();
    QVERIFY(rows->isVisible());
    QVERIFY(rows->width() > 0);
    QCOMPARE(rows->width(), rows->sizeHint().width());
    QCOMPARE(rows->count(), bench.model->rowCount());
    QCOMPARE(bench.view->viewport()->geometry().left(), rows->geometry().right() + 1);
    QHeaderView *columns = bench.view->horizontalHeader();
    QVERIFY(columns->isVisible());
    QCOMPARE(bench.view->viewport()->geometry().top(), columns->geometry().bottom() + 1);
}

void InteractiveMapTest::repaints()
{
    Bench bench;
    bench.open();
    QSignalSpy cells(bench.model, &QAbstractItemModel::dataChanged);
    bench.window->refreshModel("KV2230", "IFA_GainSt_KV2260v2");
    bench.window->refreshModel("KV2260v2", "Missing_KV2260v2");
    QCOMPARE(cells.count(), 0);
    bench.window->refreshModel("KV2260v2", "IFA_GainSt_KV2260v2");
    QCOMPARE(repainted(cells),
             (Cells{{9, 0}, {9, 1}, {9, 8}, {10, 0}, {10, 1}, {10, 2}, {10, 3}, {10, 4}, {10, 8}}));
    cells.clear();
    emit bench.table->bit_changed(9 * 8 + 3);
    QCOMPARE(repainted(cells).size(), 10);
    cells.clear();
    bench.window->refreshAll();
    QCOMPARE(cells.count(), 1);
    QCOMPARE(repainted(cells).size(), 113 * 10);
}

KV_TEST_MAIN(InteractiveMapTest)
#include "tst_interactivemap.moc"
