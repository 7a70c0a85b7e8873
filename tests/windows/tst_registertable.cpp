#include <QHeaderView>
#include <QLabel>
#include <QSet>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTranslator>

#include "RegMap.h"
#include "RegTableModel.h"
#include "TestMain.h"
#include "mapshow.h"

namespace {

using Cells = QSet<QPair<int, int>>;

// The cells a model announced, each announcement being one cell.
Cells announced(const QSignalSpy &spy)
{
    Cells cells;
    for (const QList<QVariant> &change : spy) {
        const QModelIndex first = change.at(0).toModelIndex();
        if (change.at(1).toModelIndex() != first)
            return Cells{{-1, -1}};  // a range: the view would repaint everything
        cells.insert({first.row(), first.column()});
    }
    return cells;
}

// Background of a cell as "#RRGGBB".
QString colourOf(const QModelIndex &index)
{
    return index.data(Qt::BackgroundRole).value<QColor>().name(QColor::HexRgb).toUpper();
}

} // namespace

class RegisterTableTest : public QObject
{
    Q_OBJECT
private slots:
    void geometryOfTheTable_data();
    void geometryOfTheTable();
    void slotsPastTheEnd();
    void cellTextsAndColours();
    void headers();
    void tableNeverEdits();
    void refreshTellsOnlyChangedCells();
    void bitsToldOnceAreNotToldAgain();
    void newModelStartsFromTheImages();

    void windowUnderEnglishTranslation();
    void addRegisterTableCreatesZeroedMap();
    void replacedMapStaysUsable();
    void replacedTabFollowsTheWindow();
    void widthDecidesRegistersPerRow_data();
    void widthDecidesRegistersPerRow();
    void fontSpinAloneChangesNothing();
    void relayoutWithSameCountKeepsModel();
    void rowLabelsShowWhenTheWindowOpens();
};

void RegisterTableTest::geometryOfTheTable_data()
{
    QTest::addColumn<int>("perRow");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::newRow("4 per row") << 4 << 36 << 192;
    QTest::newRow("3 per row") << 3 << 27 << 258;
    QTest::newRow("1 per row") << 1 << 9 << 768;
}

void RegisterTableTest::geometryOfTheTable()
{
    QFETCH(int, perRow);
    RegMap map("KV2260v2", 128, 0);
    RegTableModel model(&map, perRow);
    QTEST(model.columnCount(), "columns");
    QTEST(model.rowCount(), "rows");
}

void RegisterTableTest::slotsPastTheEnd()
{
    RegMap map("KV2260v2", 128, 0);
    std::fill(map.wr.begin(), map.wr.end(), quint8(0xFF));
    RegTableModel model(&map, 3);
    // Group 42 holds registers 126, 127 and a third slot past the end.
    const int top = 6 * 42;
    for (int kind = 0; kind < 6; ++kind)
        for (int p = 0; p < 9; ++p)
            QCOMPARE(model.index(top + kind, 18 + p).data().toString(), QString("-"));
    QCOMPARE(colourOf(model.index(top + 2, 26)), QString("#FFFF00"));
    QCOMPARE(colourOf(model.index(top + 1, 18)), QString("#DDDDDD"));
    QCOMPARE(colourOf(model.index(top + 2, 18)), QString("#FFFFFF"));
    QCOMPARE(model.index(top + 2, 9).data().toString(), QString("1"));
}

void RegisterTableTest::cellTextsAndColours()
{
    RegMap map("KV2260v2", 128, 0);
    map.wr[5] = 0x5A;
    map.rd[5] = 0x58;
    map.cfg[5] = 0x0A;
    RegTableModel model(&map, 4);
    // Register 5: group 1, slot 1.
    const int top = 6, left = 9;
    auto cell = [&](int kind, int p, int role = Qt::DisplayRole) {
        return model.index(top + kind, left + p).data(role);
    };
    auto colour = [&](int kind, int p) {
        return colourOf(model.index(top + kind, left + p));
    };
    QCOMPARE(cell(0, 0).toInt(), 5);
    QVERIFY(!cell(0, 0, Qt::BackgroundRole).isValid());
    QCOMPARE(cell(1, 0).toString(), QString("7"));
    QCOMPARE(cell(1, 7).toString(), QString("0"));
    QCOMPARE(cell(1, 8).toString(), QString("hh"));
    QCOMPARE(cell(2, 8).toString(), QString("5A"));
    QCOMPARE(cell(3, 8).toString(), QString("58"));
    QCOMPARE(cell(4, 8).toString(), QString("0A"));
    for (int kind = 1; kind <= 4; ++kind)
        QCOMPARE(colour(kind, 8), QString("#FFFF00"));

    const QString wrBits = "01011010";
    for (int p = 0; p < 8; ++p) {
        QCOMPARE(cell(2, p).toString(), QString(wrBits[p]));
        const QString expected = p == 6 ? "#00BFFF" : wrBits[p] == '1' ? "#DDDDDD" : "#FFFFFF";
        QCOMPARE(colour(2, p), expected);
    }
    QCOMPARE(colour(3, 6), QString("#FFFFFF"));
    QCOMPARE(cell(5, 0).toString(), QString());
    QCOMPARE(colour(5, 0), QString("#FFFFFF"));
    QCOMPARE(cell(2, 0, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    QVERIFY(!model.data(QModelIndex(), Qt::TextAlignmentRole).isValid());
    QVERIFY(!cell(2, 0, Qt::ToolTipRole).isValid());
}

void RegisterTableTest::headers()
{
    RegMap map("KV2260v2", 128, 0);
    RegTableModel model(&map, 4);
    const QStringList labels = {"Reg", "Bit", "wr", "rd", "cfg", ""};
    for (int section = 0; section < 12; ++section)
        QCOMPARE(model.headerData(section, Qt::Vertical).toString(), labels[section % 6]);
    QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QString());
    QVERIFY(!model.headerData(3, Qt::Vertical, Qt::ToolTipRole).isValid());
}

void RegisterTableTest::tableNeverEdits()
{
    RegMap map("KV2260v2", 128, 0);
    RegTableModel model(&map, 4);
    QVERIFY(!model.setData(model.index(2, 0), "1"));
    QCOMPARE(map.wr[0], quint8(0));
    QVERIFY(!(model.flags(model.index(2, 0)) & Qt::ItemIsEditable));
}

// Register 5 is group 1, slot 1 with four registers a row: its rows are 6
// ("Reg") to 11 (blank), its columns 9 to 17 (hex). Register 9 is group 2,
// slot 1; register 127 group 31, slot 3.
void RegisterTableTest::refreshTellsOnlyChangedCells()
{
    RegMap map("KV2260v2", 128, 0);
    map.wr[5] = 0x5A;
    RegTableModel model(&map, 4);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    model.refreshAll();
    QCOMPARE(changes.count(), 0);

    map.wr[5] = 0x58;  // D1 cleared
    map.rd[9] = 0x80;  // D7 read as 1: its "wr" bit now differs from it
    map.cfg[127] = 0x01;
    model.refreshAll();
    QCOMPARE(announced(changes), (Cells{{8, 9 + 6}, {8, 9 + 8},
                                        {14, 9}, {15, 9}, {15, 9 + 8},
                                        {190, 27 + 7}, {190, 27 + 8}}));
    QCOMPARE(changes.count(), 7);

    changes.clear();
    model.refreshAll();
    QCOMPARE(changes.count(), 0);
}

void RegisterTableTest::bitsToldOnceAreNotToldAgain()
{
    RegMap map("KV2260v2", 128, 0);
    RegTableModel model(&map, 4);
    map.listener = &model;
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    map.setBit(map.wr, 5 * 8 + 1, 1);
    map.repaintBit(5 * 8 + 1);
    // The bit's cell and its register's hex cell, each on its own.
    QCOMPARE(announced(changes), (Cells{{8, 9 + 1}, {8, 9 + 8}}));
    QCOMPARE(changes.count(), 2);
    // Another bit of the register changed without a word: only it is due.
    map.setBit(map.wr, 5 * 8 + 2, 1);
    changes.clear();
    model.refreshAll();
    QCOMPARE(announced(changes), (Cells{{8, 9 + 2}, {8, 9 + 8}}));
}

void RegisterTableTest::newModelStartsFromTheImages()
{
    mapshow window;
    window.addRegisterTable("KV2260v2", 128, 0);
    RegMap *map = window.regMaps.value("KV2260v2");
    map->wr[3] = 0xFF;
    window.on_spinBox_column_num_valueChanged(2);
    auto *model = qobject_cast<RegTableModel *>(map->view->model());
    QCOMPARE(model->columnCount(), 18);
    QCOMPARE(map->listener, static_cast<RegMap::Listener *>(model));
    QSignalSpy changes(model, &QAbstractItemModel::dataChanged);
    window.refreshAll();
    QCOMPARE(changes.count(), 0);
    map->wr[3] = 0x7F;
    window.refreshAll();
    QCOMPARE(changes.count(), 2);
}

void RegisterTableTest::windowUnderEnglishTranslation()
{
    QTranslator english;
    QVERIFY(english.load(":/Translations/template_en.qm"));
    QCoreApplication::installTranslator(&english);
    mapshow window;
    QCoreApplication::removeTranslator(&english);
    QCOMPARE(window.windowTitle(), QString("Registers Map"));
    QCOMPARE(window.findChild<QLabel *>("lab_column_num")->text(), QString("Column"));
    QCOMPARE(window.findChild<QLabel *>("lab_font_size")->text(), QString("Size"));
    QCOMPARE(window.size(), QSize(743, 546));
    QCOMPARE(window.findChild<QTabWidget *>("tabWidget")->count(), 0);
}

void RegisterTableTest::addRegisterTableCreatesZeroedMap()
{
    mapshow window;
    window.addRegisterTable("KV2260v2", 128, 0);
    RegMap *map = window.regMaps.value("KV2260v2");
    QVERIFY(map);
    QCOMPARE(map->regCount, 128);
    QCOMPARE(map->bitsPerReg, 8);
    QCOMPARE(map->mapNumber, quint8(0));
    QCOMPARE(map->wr.size(), size_t(128));
    QVERIFY(std::all_of(map->rd.begin(), map->rd.end(), [](quint8 b) { return b == 0; }));
    QVERIFY(map->view);
    QCOMPARE(map->view->objectName(), QString("RegisterTable"));
    auto *tabs = window.findChild<QTabWidget *>("tabWidget");
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), QString("KV2260v2"));
    QCOMPARE(map->view->font().family(), QString("Courier"));
    QVERIFY(map->view->horizontalHeader()->isHidden());
    QCOMPARE(map->view->rowSpan(0, 9), 1);
    QCOMPARE(map->view->columnSpan(0, 9), 9);
    QCOMPARE(map->view->columnSpan(5, 0), map->view->model()->columnCount());
}

// A map added again under its name takes the place of the first record in
// the list; the first stays usable through its tab and through a copy of the
// list taken before, as the worker keeps one.
void RegisterTableTest::replacedMapStaysUsable()
{
    mapshow window;
    window.addRegisterTable("KV2260v2", 128, 0);
    const QMap<QString, RegMap *> copied = window.regMaps;
    RegMap *first = copied.value("KV2260v2");
    window.addRegisterTable("KV2260v2", 64, 1);
    QCOMPARE(window.regMaps.size(), 1);
    QVERIFY(window.regMaps.value("KV2260v2") != first);
    QCOMPARE(window.regMaps.value("KV2260v2")->regCount, 64);

    first->wr[5] = 0x5A;
    QCOMPARE(first->regCount, 128);
    auto *tabs = window.findChild<QTabWidget *>("tabWidget");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->widget(0), static_cast<QWidget *>(first->view));
    QCOMPARE(first->view->model()->index(8, 9 + 8).data().toString(), QString("5A"));
    tabs->setCurrentIndex(0);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    first->view->viewport()->repaint();
}

void RegisterTableTest::replacedTabFollowsTheWindow()
{
    mapshow window;
    window.addRegisterTable("KV2260v2", 128, 0);
    RegMap *first = window.regMaps.value("KV2260v2");
    window.addRegisterTable("KV2260v2", 128, 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!first->view->verticalHeader()->isHidden());

    auto *spin = window.findChild<QSpinBox *>("spinBox_column_num");
    spin->setValue(spin->value() == 2 ? 3 : 2);
    QCOMPARE(first->view->model()->columnCount(), 9 * spin->value());

    QSignalSpy told(first->view->model(), &QAbstractItemModel::dataChanged);
    first->rd[3] = 0x01;
    window.refreshAll();
    QVERIFY(!told.isEmpty());
}

void RegisterTableTest::widthDecidesRegistersPerRow_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("spin");
    QTest::newRow("wide") << 2000 << 12 * 9 << 10;
    QTest::newRow("narrow") << 150 << 9 << 1;
}

void RegisterTableTest::widthDecidesRegistersPerRow()
{
    QFETCH(int, width);
    QFETCH(int, columns);
    mapshow window;
    window.addRegisterTable("KV2260v2", 128, 0);
    window.resize(width + 8, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *tabs = window.findChild<QTabWidget *>("tabWidget");
    // The window cannot shrink below its controls row, which still leaves
    // less than one register's width for the narrow case.
    if (width >= 1000)
        QCOMPARE(tabs->width(), width);
    QVERIFY(tabs->width() - 20 < 2 * (11 * 10 + 50) || columns > 9);
    QTRY_COMPARE(window.regMaps.value("KV2260v2")->view->model()->columnCount(), columns);
    QTEST(window.findChild<QSpinBox *>("spinBox_column_num")->value(), "spin");
}

void RegisterTableTest::fontSpinAloneChangesNothing()
{
    mapshow window;
    window.addRegisterTable("KV2260v2", 128, 0);
    QTableView *view = window.regMaps.value("KV2260v2")->view;
    window.findChild<QSpinBox *>("spinBox_font_size")->setValue(14);
    QCOMPARE(view->font().pointSize(), 10);
    window.findChild<QSpinBox *>("spinBox_column_num")->setValue(2);
    QCOMPARE(view->font().pointSize(), 14);
    QCOMPARE(view->model()->columnCount(), 18);
}

void RegisterTableTest::relayoutWithSameCountKeepsModel()
{
    mapshow window;
    window.addRegisterTable("KV2260v2", 128, 0);
    QTableView *view = window.regMaps.value("KV2260v2")->view;
    QAbstractItemModel *model = view->model();
    window.on_spinBox_column_num_valueChanged(4);
    QCOMPARE(view->model(), model);
    window.on_spinBox_column_num_valueChanged(5);
    QVERIFY(view->model() != model);
}

KV_TEST_MAIN(RegisterTableTest)
#include "tst_registertable.moc"

// The row labels are left unmeasured until the window opens; once it is
// open they show, and the cells are laid out as a later resize to the same
// size lays them out.
void RegisterTableTest::rowLabelsShowWhenTheWindowOpens()
{
    mapshow window;
    window.addRegisterTable("KV2260v2", 128, 0);
    window.resize(1000, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTableView *view = window.regMaps.value("KV2260v2")->view;
    QHeaderView *rows = view->verticalHeader();
    QVERIFY(rows->isVisible());
    QVERIFY(rows->width() > 0);
    QCOMPARE(rows->count(), view->model()->rowCount());
    QCOMPARE(view->viewport()->geometry().left(), rows->geometry().right() + 1);

    const auto layout = [view] {
        return QList<int>{view->model()->columnCount(), view->columnWidth(0), view->columnWidth(8),
                          view->verticalHeader()->defaultSectionSize()};
    };
    const QList<int> opened = layout();
    window.resize(1100, 650);
    QTRY_VERIFY(layout() != opened);
    window.resize(1000, 600);
    QTRY_COMPARE(layout(), opened);
}
