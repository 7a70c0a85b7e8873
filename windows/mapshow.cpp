#include "mapshow.h"

#include <QEvent>
#include <QHeaderView>
#include <QStringList>
#include <QTableView>

#include "RegMap.h"
#include "RegTableModel.h"
#include "ui_mapshow.h"

namespace {

const int blockColumns = 9;

QFont tableFont(int pointSize)
{
    QFont font("Courier", pointSize, QFont::Normal, false);
    return font;
}

} // namespace

mapshow::mapshow(QWidget *parent) : QWidget(parent), ui(new Ui::mapshow)
{
    ui->setupUi(this);
    // The translated title is replaced for good once the form is connected.
    setWindowTitle("Registers Map");
}

mapshow::~mapshow()
{
    for (RegMap *map : tabbedMaps())
        release(map);
    regMaps.clear();
    replacedMaps.clear();
    delete ui;
}

void mapshow::release(RegMap *map)
{
    map->listener = nullptr;
    if (map->view)
        delete map->view->model();
    delete map;
}

void mapshow::addRegisterTable(const QString &name, int regCount, quint8 mapNumber)
{
    auto *map = new RegMap(name, regCount, mapNumber);
    auto *view = new QTableView;
    view->setObjectName("RegisterTable");
    ui->tabWidget->addTab(view, name);
    map->view = view;
    // A record under the same name gives way in the list but stays alive:
    // its tab still shows it, and copies of the list taken before may still
    // be in use.
    if (RegMap *old = regMaps.value(name))
        replacedMaps.append(old);
    regMaps.insert(name, map);

    // The view measures its row labels whenever its model or layout
    // changes; a window not yet opened need not, so the labels show with
    // the window.
    if (!isVisible())
        view->verticalHeader()->hide();
    view->horizontalHeader()->hide();
    const int regsPerRow = ui->spinBox_column_num->value();
    setModel(view, map, new RegTableModel(map, regsPerRow));
    view->setFont(tableFont(ui->spinBox_font_size->value()));
    // The relayout computes the cell sizes; the style's minimum would
    // widen narrow bit columns past the window.
    view->horizontalHeader()->setMinimumSectionSize(1);
    view->verticalHeader()->setMinimumSectionSize(1);
    view->installEventFilter(this);
    relayout(regsPerRow);
}

void mapshow::setModel(QTableView *view, RegMap *map, RegTableModel *model)
{
    view->setModel(model);
    // The table shown is the one told of the map's changes.
    map->listener = model;
}

void mapshow::showEvent(QShowEvent *event)
{
    // The cell sizes leave room for the labels now shown, at the number of
    // registers per row the table already has.
    for (RegMap *map : tabbedMaps()) {
        QTableView *view = map->view;
        if (view && view->model() && view->verticalHeader()->isHidden()) {
            view->verticalHeader()->show();
            layoutView(view, map, view->model()->columnCount() / blockColumns);
        }
    }
    QWidget::showEvent(event);
}

void mapshow::refreshAll()
{
    for (RegMap *map : tabbedMaps())
        if (auto *model = qobject_cast<RegTableModel *>(map->view->model()))
            model->refreshAll();
}

void mapshow::on_spinBox_column_num_valueChanged(int columns)
{
    relayout(columns);
}

void mapshow::on_spinBox_font_size_valueChanged(int sz)
{
    // A new font size takes effect at the next relayout.
    Q_UNUSED(sz);
}

void mapshow::on_tabWidget_currentChanged(int index)
{
    Q_UNUSED(index);
}

bool mapshow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Resize || !watched->objectName().contains("RegisterTable"))
        return false;
    const int fontSize = ui->spinBox_font_size->value();
    const int regsPerRow = qMax(1, (ui->tabWidget->width() - 20) / (11 * fontSize + 50));
    ui->spinBox_column_num->setValue(regsPerRow);
    relayout(regsPerRow);
    return false;
}

void mapshow::relayout(int regsPerRow)
{
    regsPerRow = qMax(1, regsPerRow);
    for (RegMap *map : tabbedMaps())
        layoutView(map->view, map, regsPerRow);
}

QList<RegMap *> mapshow::tabbedMaps() const
{
    // A replaced record keeps its tab, so it follows the window's settings
    // like the current ones.
    return regMaps.values() + replacedMaps;
}

void mapshow::layoutView(QTableView *view, RegMap *map, int n)
{
    QAbstractItemModel *old = view->model();
    if (!old || old->columnCount() != blockColumns * n) {
        view->clearSpans();
        setModel(view, map, new RegTableModel(map, n));
        if (old)
            old->deleteLater();
    }

    const int groups = (map->regCount + n - 1) / n;
    for (int g = 0; g < groups; ++g) {
        for (int k = 0; k < n; ++k)
            view->setSpan(6 * g, blockColumns * k, 1, blockColumns);
        view->setSpan(6 * g + 5, 0, 1, blockColumns * n);
    }

    const int fontSize = ui->spinBox_font_size->value();
    const int headerHeight = view->horizontalHeader()->isHidden() ? 0 : view->horizontalHeader()->height();
    const QHeaderView *labels = view->verticalHeader();
    const int avail = view->width() - 12 - (labels->isHidden() ? 0 : labels->sizeHint().width());
    const int bitWidth = (avail / n) / 10;
    const int hexWidth = (avail - 8 * n * bitWidth - 1) / n;
    int shownGroups = (view->height() - headerHeight - 2) / (6 * fontSize + 30) + 1;
    if (shownGroups <= 0)
        shownGroups = 1;
    const int rowHeight = view->height() / (6 * shownGroups);

    if (rowHeight > 0)
        view->verticalHeader()->setDefaultSectionSize(rowHeight);
    if (bitWidth > 0)
        view->horizontalHeader()->setDefaultSectionSize(bitWidth);
    view->setFont(tableFont(fontSize));
    view->horizontalHeader()->hide();
    if (hexWidth > 0)
        for (int column = blockColumns - 1; column < blockColumns * n; column += blockColumns)
            view->setColumnWidth(column, hexWidth);
}

namespace {

const unsigned maxFieldWidth = 32;

// A number list of an object name: decimals joined by "p". Texts that are
// not numbers read as 0, as the binding always has.
std::vector<unsigned> parseNumberList(const QString &text)
{
    std::vector<unsigned> numbers;
    for (const QString &piece : text.split('p', Qt::KeepEmptyParts))
        numbers.push_back(piece.toUInt());
    return numbers;
}

} // namespace

part *mapshow::ParseObjName(QString OName)
{
    // Most objects of the forms are no fields: their names are rejected
    // before they are split.
    if (!OName.startsWith(QLatin1String("KV_")))
        return nullptr;
    QStringList parts = OName.split('_', Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (parts.first() != QLatin1String("KV"))
        return nullptr;
    parts.removeFirst();
    if (parts.isEmpty())
        return nullptr;

    // After "KV": at least the chip, bits and widths; one more part when the
    // last one marks inversion.
    const bool inverted = parts.last().contains('I');
    const int widthIndex = parts.size() - (inverted ? 2 : 1);
    if (widthIndex < 2)
        return nullptr;

    const QString &widthText = parts[widthIndex];
    const QString &bitText = parts[widthIndex - 1];
    std::vector<unsigned> widths = parseNumberList(widthText);
    std::vector<unsigned> bitStarts = parseNumberList(bitText);
    if (widths.size() != bitStarts.size())
        return nullptr;
    // Every piece holds at least one bit, and the value fits 32 bits.
    unsigned total = 0;
    for (unsigned w : widths) {
        if (w == 0 || w > maxFieldWidth - total)
            return nullptr;
        total += w;
    }

    auto *record = new part;
    record->inverted = inverted;
    record->multiPiece = widthText.contains('p');
    for (unsigned w : widths)
        record->width += int(w);
    record->widths = std::move(widths);
    record->startBit = bitText.section('p', 0, 0).toInt();
    record->bitStarts = std::move(bitStarts);
    record->chip = parts[widthIndex - 2];
    record->name = parts.mid(0, widthIndex - 1).join('_');
    return record;
}
