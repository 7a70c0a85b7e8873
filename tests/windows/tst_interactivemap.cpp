// The interactive register map over a real register map whose fields are
// bound to real widgets: labels, cell texts and colours, Find and At GUI,
// marks, row filters and their file, bit toggling and repaints.
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <memory>

#include "InteractiveMapModel.h"
#include "RegMap.h"
#include "RegTableModel.h"
#include "TestMain.h"
#include "interactiveMap.h"
#include "mapshow.h"

namespace {

// The chip's map with a handful of fields bound to widgets: IFA_GainSt in two
// pieces (bits 72-73, 80-84), RF_GainSt (76-79), the one-bit Enable (10, a
// check box) and PLL_A_Ready (898, register 112, D5). Register 112 is the
// highest labelled one of the 128.
struct Bench {
    QWidget forms;
    RegMap map{"KV2260v2", 128, 0};
    RegTableModel *table = nullptr;
    QTableView tableView;
    std::vector<std::unique_ptr<part>> records;

    Bench()
    {
        bind(new QSpinBox(&forms), "KV_IFA_GainSt_KV2260v2_72p80_2p5");
        bind(new QSpinBox(&forms), "KV_RF_GainSt_KV2260v2_76_4");
        bind(new QCheckBox(&forms), "KV_Enable_KV2260v2_10_1");
        bind(new QCheckBox(&forms), "KV_PLL_A_Ready_KV2260v2_898_1");
        table = new RegTableModel(&map, 4, &tableView);
        tableView.setModel(table);
        map.view = &tableView;
    }
    void bind(QWidget *widget, const char *name)
    {
        widget->setObjectName(name);
        records.emplace_back(mapshow::ParseObjName(name));
        records.back()->widget = widget;
        map.fields.insert(records.back()->name, records.back().get());
    }
    QWidget *widget(const char *field) { return map.fields.value(field)->widget; }
};

struct Window {
    QMap<QString, RegMap *> maps;
    std::unique_ptr<interactiveMap> window;

    explicit Window(RegMap *map) : maps{{map->name, map}}, window(new interactiveMap(&maps)) {}
    QTableView *view() const { return qobject_cast<QTableView *>(tab()->currentWidget()); }
    QTabWidget *tab() const { return window->findChild<QTabWidget *>("tabWidget"); }
    InteractiveMapModel *model() const { return qobject_cast<InteractiveMapModel *>(view()->model()); }
    void press(const char *button) const
    {
        window->findChild<QPushButton *>(button)->click();
    }
    void find(const QString &text) const
    {
        window->findChild<QLineEdit *>("Filter_line")->setText(text);
        press("Filter_Find");
    }
    // Global bit of the selected cell, -1 when none is.
    int selectedBit() const
    {
        const QModelIndexList cells = view()->selectionModel()->selectedIndexes();
        return cells.size() == 1 ? 8 * cells[0].row() + cells[0].column() : -1;
    }
    QString text(int row, int column) const { return model()->index(row, column).data().toString(); }
    QString colour(int row, int column) const
    {
        const QVariant background = model()->index(row, column).data(Qt::BackgroundRole);
        return background.isValid() ? background.value<QColor>().name().toUpper() : QString("none");
    }
    void click(int row, int column, Qt::KeyboardModifiers keys = Qt::NoModifier) const
    {
        const QRect cell = view()->visualRect(model()->index(row, column));
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, keys, cell.center());
    }
    void doubleClick(int row, int column) const
    {
        const QRect cell = view()->visualRect(model()->index(row, column));
        click(row, column);
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    }
    QList<int> hiddenFlags() const
    {
        QList<int> rows;
        for (int row = 0; row < model()->rowCount(); ++row)
            if (model()->isHidden(row))
                rows << row;
        return rows;
    }
    QList<int> hiddenRows() const
    {
        QList<int> rows;
        for (int row = 0; row < model()->rowCount(); ++row)
            if (view()->isRowHidden(row))
                rows << row;
        return rows;
    }
};

// Spies on the cells a model repaints, as (row, column) of every cell inside
// each reported range.
QSet<QPair<int, int>> repainted(const QSignalSpy &spy)
{
    QSet<QPair<int, int>> cells;
    for (const QList<QVariant> &signal : spy) {
        const auto from = signal[0].value<QModelIndex>();
        const auto to = signal[1].value<QModelIndex>();
        for (int row = from.row(); row <= to.row(); ++row)
            for (int column = from.column(); column <= to.column(); ++column)
                cells.insert({row, column});
    }
    return cells;
}

// Puts a filter file of the fixtures in the working directory.
QByteArray placeFilterFile(const QString &fixture)
{
    QFile source(":/fixtures/" + fixture);
    if (!source.open(QIODevice::ReadOnly))
        qFatal("no fixture %s", qPrintable(fixture));
    const QByteArray content = source.readAll();
    QFile file("filtersave.dat");
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write filtersave.dat");
    return content;
}

} // namespace

class InteractiveMapTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void form();
    void labelsAndRows();
    void cellTextsAndColours_data();
    void cellTextsAndColours();
    void headers();
    void mapsWithoutLabels_data();
    void mapsWithoutLabels();
    void wrongSettingReachesReceivers();

    void findWalksMatchesWithoutWrapping();
    void findWithoutMatchOrText();
    void atGuiEmitsBoundWidget();
    void ctrlClickMarksAndDeselect();
    void hideShowAllHide();

    void saveThenLoadInFreshWindow();
    void loadTrustsOnlyRowNumbers_data();
    void loadTrustsOnlyRowNumbers();
    void saveFailureIsReported_data();
    void saveFailureIsReported();

    void doubleClickFlipsBitAndWidget_data();
    void doubleClickFlipsBitAndWidget();
    void doubleClickDuringCommandChangesNothing();
    void repaints();
    void commandButtons();
};

void InteractiveMapTest::cleanup()
{
    QFile::remove("filtersave.dat");
    QDir().rmdir("filtersave.dat");
}

void InteractiveMapTest::form()
{
    Bench bench;
    Window w(&bench.map);
    QCOMPARE(w.window->windowTitle(), QString("Registers Map"));
    QCOMPARE(w.window->size(), QSize(743, 546));
    QCOMPARE(w.tab()->count(), 1);
    QCOMPARE(w.tab()->tabText(0), QString("KV2260v2"));
    const QMap<QString, QString> buttons = {
        {"Filter_Find", "find"},         {"Filter_AtGUI", "at GUI"},
        {"Custom_ICGUI_Interactive", "IC->GUI"}, {"Custom_GUIIC_Interactive", "GUI->IC"},
        {"Filter_deselect", "Deselect"}, {"Filter_hide", "Hide"},
        {"Filter_showAll", "Show All"},  {"Filter_load", "Load"},
        {"Filter_save", "Save"},
    };
    for (auto it = buttons.begin(); it != buttons.end(); ++it)
        QCOMPARE(w.window->findChild<QPushButton *>(it.key())->text(), it.value());
    QCOMPARE(w.window->findChild<QGroupBox *>("groupBox_2")->title(), QString("IC control"));
    QCOMPARE(w.window->findChild<QGroupBox *>("groupBox")->title(), QString("Selection"));
    QCOMPARE(w.window->findChild<QGroupBox *>("groupBox_3")->title(), QString("Filter"));
    QCOMPARE(w.view()->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(w.view()->columnWidth(0), 8 * int(strlen("IFA_GainSt<6>")));
}

void InteractiveMapTest::labelsAndRows()
{
    Bench bench;
    Window w(&bench.map);
    const QMap<int, QString> labels = {
        {72, "IFA_GainSt<6>"}, {73, "IFA_GainSt<5>"}, {76, "RF_GainSt<3>"}, {79, "RF_GainSt<0>"},
        {80, "IFA_GainSt<4>"}, {84, "IFA_GainSt<0>"}, {10, "Enable"},       {898, "PLL_A_Ready"},
        {74, ""},              {85, ""},              {0, ""},
    };
    for (auto it = labels.begin(); it != labels.end(); ++it)
        QCOMPARE(w.model()->labelOf(it.key()), it.value());
    QCOMPARE(w.model()->rowCount(), 113);
    QCOMPARE(w.model()->columnCount(), 10);
}

void InteractiveMapTest::cellTextsAndColours_data()
{
    QTest::addColumn<quint8>("reg9");       // wr of register 9
    QTest::addColumn<bool>("mark");         // Ctrl+click the cell first
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("colour");
    QTest::newRow("clear bit") << quint8(0x00) << false << 0 << "IFA_GainSt<6> = 0" << "none";
    QTest::newRow("set bit") << quint8(0x80) << false << 0 << "IFA_GainSt<6> = 1" << "#A0FFA0";
    QTest::newRow("marked set bit") << quint8(0x80) << true << 0 << "IFA_GainSt<6> = 1" << "#FD99FD";
    QTest::newRow("unused") << quint8(0x20) << false << 2 << "Unused" << "#DDDDDD";
    QTest::newRow("marked unused") << quint8(0x20) << true << 2 << "Unused" << "#DDDDDD";
    QTest::newRow("value") << quint8(0x0F) << false << 8 << "0F" << "#DDDDDD";
    QTest::newRow("value A0") << quint8(0xA0) << false << 8 << "A0" << "#DDDDDD";
    QTest::newRow("hide") << quint8(0xFF) << false << 9 << "" << "none";
}

void InteractiveMapTest::cellTextsAndColours()
{
    QFETCH(quint8, reg9);
    QFETCH(bool, mark);
    QFETCH(int, column);
    Bench bench;
    bench.map.wr[9] = reg9;
    Window w(&bench.map);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    if (mark)
        w.click(9, column, Qt::ControlModifier);
    QTEST(w.text(9, column), "text");
    QTEST(w.colour(9, column), "colour");
    QCOMPARE(w.model()->index(9, column).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    const QVariant check = w.model()->index(9, column).data(Qt::CheckStateRole);
    QCOMPARE(check.isValid(), column == 9);
    QCOMPARE(bool(w.model()->flags(w.model()->index(9, column)) & Qt::ItemIsUserCheckable), column == 9);
}

void InteractiveMapTest::headers()
{
    Bench bench;
    Window w(&bench.map);
    QStringList horizontal;
    for (int section = 0; section < 11; ++section)
        horizontal << w.model()->headerData(section, Qt::Horizontal).toString();
    QCOMPARE(horizontal, QStringList({"D7", "D6", "D5", "D4", "D3", "D2", "D1", "D0", "Value", "Hide", ""}));
    QCOMPARE(w.model()->headerData(112, Qt::Vertical).toString(), QString("112"));
    QVERIFY(!w.model()->headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());
}

void InteractiveMapTest::mapsWithoutLabels_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("rows");
    QTest::newRow("no field") << QStringList() << 0;
    // Only column D7 is ever labelled: the other columns show Unused.
    QTest::newRow("one column") << QStringList{"KV_A_KV2260v2_16_1", "KV_B_KV2260v2_40_1"} << 6;
}

void InteractiveMapTest::mapsWithoutLabels()
{
    QFETCH(QStringList, names);
    RegMap map("KV2260v2", 128, 0);
    QWidget forms;
    std::vector<std::unique_ptr<part>> records;
    for (const QString &name : names) {
        records.emplace_back(mapshow::ParseObjName(name));
        records.back()->widget = new QCheckBox(&forms);
        map.fields.insert(records.back()->name, records.back().get());
    }
    Window w(&map);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    QTEST(w.model()->rowCount(), "rows");
    for (int row = 0; row < w.model()->rowCount(); ++row)
        QCOMPARE(w.text(row, 7), QString("Unused"));
    w.find("A");
    w.press("Filter_hide");
    w.press("Filter_save");
    w.press("Filter_load");
    w.window->refreshAll();
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
    Window w(&bench.map);
    QSignalSpy messages(w.window.get(), &interactiveMap::send_message);
    QTRY_COMPARE(messages.count(), 1);
    QCOMPARE(messages[0][0].toString(), QString("Error: wrong IC setting"));
    QCOMPARE(w.model()->labelOf(16), QString("Broken<2>"));
    QCOMPARE(w.model()->labelOf(24), QString());
}

void InteractiveMapTest::findWalksMatchesWithoutWrapping()
{
    Bench bench;
    Window w(&bench.map);
    const QList<int> matches = {72, 73, 76, 77, 78, 79, 80, 81, 82, 83, 84, 84, 84};
    for (int expected : matches) {
        w.find("gainst");
        QCOMPARE(w.selectedBit(), expected);
    }
    w.find("ready");
    QCOMPARE(w.selectedBit(), 898);
    w.find("gainst");
    QCOMPARE(w.selectedBit(), 72);
}

void InteractiveMapTest::findWithoutMatchOrText()
{
    Bench bench;
    Window w(&bench.map);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    w.find("Enable");
    QCOMPARE(w.selectedBit(), 10);
    // An empty text changes nothing: the next find goes on with "Enable".
    w.find("");
    QCOMPARE(w.selectedBit(), 10);

    w.find("nothing");
    QCOMPARE(w.selectedBit(), -1);
    QVERIFY(w.view()->hasFocus());
    QSignalSpy focus(w.window.get(), &interactiveMap::fokus_widget);
    w.press("Filter_AtGUI");
    QCOMPARE(focus.count(), 0);
}

void InteractiveMapTest::atGuiEmitsBoundWidget()
{
    Bench bench;
    Window w(&bench.map);
    QSignalSpy focus(w.window.get(), &interactiveMap::fokus_widget);
    w.press("Filter_AtGUI");
    QCOMPARE(focus.count(), 0);
    w.find("gainst");
    w.find("gainst");
    w.find("gainst");  // RF_GainSt<3>
    w.press("Filter_AtGUI");
    w.find("READY");
    w.press("Filter_AtGUI");
    QCOMPARE(focus.count(), 2);
    QCOMPARE(focus[0][0].value<QWidget *>(), bench.widget("RF_GainSt_KV2260v2"));
    QCOMPARE(focus[1][0].value<QWidget *>(), bench.widget("PLL_A_Ready_KV2260v2"));
}

void InteractiveMapTest::ctrlClickMarksAndDeselect()
{
    Bench bench;
    Window w(&bench.map);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    w.click(9, 0, Qt::ControlModifier);
    w.click(9, 1, Qt::ControlModifier);
    w.click(10, 0);
    w.click(9, 8, Qt::ControlModifier);
    QCOMPARE(w.colour(9, 0), QString("#FD99FD"));
    QCOMPARE(w.colour(9, 1), QString("#FD99FD"));
    QCOMPARE(w.colour(10, 0), QString("none"));
    QCOMPARE(w.colour(9, 8), QString("#DDDDDD"));
    w.click(9, 1, Qt::ControlModifier);
    QCOMPARE(w.colour(9, 1), QString("none"));
    w.click(9, 1, Qt::ControlModifier);

    QSignalSpy changes(w.model(), &QAbstractItemModel::dataChanged);
    w.press("Filter_deselect");
    QCOMPARE(w.colour(9, 0), QString("none"));
    QCOMPARE(w.colour(9, 1), QString("none"));
    QCOMPARE(repainted(changes), (QSet<QPair<int, int>>{{9, 0}, {9, 1}}));
}

void InteractiveMapTest::hideShowAllHide()
{
    Bench bench;
    Window w(&bench.map);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    w.click(3, 9);
    w.click(5, 9, Qt::ControlModifier);
    w.click(7, 9);
    w.click(7, 9);
    QCOMPARE(w.hiddenFlags(), QList<int>({3, 5}));
    QCOMPARE(w.model()->index(3, 9).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(w.hiddenRows(), QList<int>());
    w.press("Filter_hide");
    QCOMPARE(w.hiddenRows(), QList<int>({3, 5}));
    w.press("Filter_showAll");
    QCOMPARE(w.hiddenRows(), QList<int>());
    QCOMPARE(w.hiddenFlags(), QList<int>({3, 5}));
    w.press("Filter_hide");
    QCOMPARE(w.hiddenRows(), QList<int>({3, 5}));
}

void InteractiveMapTest::saveThenLoadInFreshWindow()
{
    placeFilterFile("filter_other_maps.dat");
    Bench bench;
    {
        Window w(&bench.map);
        for (int row : {17, 3, 5})
            w.model()->itemClicked(w.model()->index(row, 9));
        QSignalSpy messages(w.window.get(), &interactiveMap::send_message);
        w.press("Filter_save");
        QCOMPARE(messages.count(), 0);
    }
    QFile raw("filtersave.dat");
    QVERIFY(raw.open(QIODevice::ReadOnly));
    QVERIFY(raw.readAll().contains("KV2260v2=\"3 5 17 \"\n"));
    QSettings file("filtersave.dat", QSettings::IniFormat);
    QCOMPARE(file.value("Interactive_hide/KV2230v2").toString(), QString("1 2 "));
    QCOMPARE(file.value("Other/key").toInt(), 7);

    Window fresh(&bench.map);
    fresh.press("Filter_load");
    QCOMPARE(fresh.hiddenFlags(), QList<int>({3, 5, 17}));
    QCOMPARE(fresh.hiddenRows(), QList<int>());
    fresh.press("Filter_hide");
    QCOMPARE(fresh.hiddenRows(), QList<int>({3, 5, 17}));
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
    placeFilterFile(fixture);
    Bench bench;
    Window w(&bench.map);
    w.model()->itemClicked(w.model()->index(1, 9));
    w.press("Filter_hide");
    w.press("Filter_load");
    QCOMPARE(w.hiddenRows(), QList<int>());
    QFETCH(QList<int>, flags);
    flags.prepend(1);
    QCOMPARE(w.hiddenFlags(), flags);
}

void InteractiveMapTest::saveFailureIsReported_data()
{
    QTest::addColumn<QString>("fixture");  // empty: a folder takes the file's place
    // A folder cannot be written, not even by root.
    QTest::newRow("folder") << QString();
    // A file that cannot be parsed is not overwritten: it would lose what
    // the other maps keep there.
    QTest::newRow("unparsable file") << "filter_unparsable.dat";
}

void InteractiveMapTest::saveFailureIsReported()
{
    QFETCH(QString, fixture);
    QByteArray file;
    if (fixture.isEmpty())
        QVERIFY(QDir().mkdir("filtersave.dat"));
    else
        file = placeFilterFile(fixture);
    Bench bench;
    Window w(&bench.map);
    w.model()->itemClicked(w.model()->index(3, 9));
    QSignalSpy messages(w.window.get(), &interactiveMap::send_message);
    w.press("Filter_save");
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages[0][0].toString().startsWith("Error: "));
    if (!file.isEmpty()) {
        QFile kept("filtersave.dat");
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), file);
    }
}

void InteractiveMapTest::doubleClickFlipsBitAndWidget_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("field");  // the widget that follows
    QTest::addColumn<quint8>("flipped");  // wr of the row afterwards
    QTest::newRow("one-bit field") << 1 << 2 << "Enable_KV2260v2" << quint8(0x21);
    QTest::newRow("unlabelled bit") << 1 << 7 << "" << quint8(0x00);
    QTest::newRow("value cell") << 1 << 8 << "" << quint8(0x01);
    QTest::newRow("hide cell") << 1 << 9 << "" << quint8(0x01);
}

void InteractiveMapTest::doubleClickFlipsBitAndWidget()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, field);
    QFETCH(quint8, flipped);
    Bench bench;
    bench.map.wr[1] = 0x01;
    Window w(&bench.map);
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    QSignalSpy cells(w.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy table(bench.table, &QAbstractItemModel::dataChanged);
    w.doubleClick(row, column);
    QCOMPARE(bench.map.wr[1], flipped);
    QVERIFY(repainted(cells).contains({row, column}));
    QVERIFY(repainted(cells).contains({row, 8}));
    QCOMPARE(w.text(row, 8), QString("%1").arg(flipped, 2, 16, QChar('0')).toUpper());
    if (column < 8) {
        // The register table's wr row (register 1: row 2, from column 9)
        // shows the flipped bit and byte.
        QVERIFY(repainted(table).contains({2, 9 + column}));
        QVERIFY(repainted(table).contains({2, 9 + 8}));
        QCOMPARE(w.colour(row, column), QString(field.isEmpty() ? "#DDDDDD" : "#A0FFA0"));
    }
    auto *enable = qobject_cast<QCheckBox *>(bench.widget("Enable_KV2260v2"));
    QCOMPARE(enable->isChecked(), !field.isEmpty());
    if (!field.isEmpty()) {
        w.doubleClick(row, column);
        QVERIFY(!enable->isChecked());
        QCOMPARE(w.colour(row, column), QString("none"));
    }
}

void InteractiveMapTest::doubleClickDuringCommandChangesNothing()
{
    Bench bench;
    Window w(&bench.map);
    bool running = true;
    w.window->setCommandRunningQuery([&] { return running; });
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    QSignalSpy cells(w.model(), &QAbstractItemModel::dataChanged);
    w.doubleClick(1, 2);
    QCOMPARE(bench.map.wr[1], quint8(0));
    QVERIFY(!qobject_cast<QCheckBox *>(bench.widget("Enable_KV2260v2"))->isChecked());
    QVERIFY(repainted(cells).contains({1, 2}));
    running = false;
    w.doubleClick(1, 2);
    QCOMPARE(bench.map.wr[1], quint8(0x20));
}

void InteractiveMapTest::repaints()
{
    Bench bench;
    Window w(&bench.map);
    QSignalSpy cells(w.model(), &QAbstractItemModel::dataChanged);
    w.window->refreshModel("KV2230", "IFA_GainSt_KV2260v2");
    w.window->refreshModel("KV2260v2", "Missing_KV2260v2");
    QCOMPARE(cells.count(), 0);

    w.window->refreshModel("KV2260v2", "IFA_GainSt_KV2260v2");
    QCOMPARE(repainted(cells), (QSet<QPair<int, int>>{{9, 0}, {9, 1}, {9, 8}, {10, 0}, {10, 1},
                                                       {10, 2}, {10, 3}, {10, 4}, {10, 8}}));
    cells.clear();
    bench.table->bit_changed(9 * 8 + 3);
    QCOMPARE(repainted(cells).size(), 10);
    cells.clear();
    w.window->refreshAll();
    QCOMPARE(cells.count(), 1);
    QCOMPARE(repainted(cells).size(), 113 * 10);
}

void InteractiveMapTest::commandButtons()
{
    Bench bench;
    Window w(&bench.map);
    QSignalSpy read(w.window.get(), &interactiveMap::requestICGUI);
    QSignalSpy write(w.window.get(), &interactiveMap::requestGUIIC);
    w.press("Custom_ICGUI_Interactive");
    QCOMPARE(read.count(), 1);
    QCOMPARE(write.count(), 0);
    w.press("Custom_GUIIC_Interactive");
    QCOMPARE(write.count(), 1);
}

KV_TEST_MAIN(InteractiveMapTest)
#include "tst_interactivemap.moc"
