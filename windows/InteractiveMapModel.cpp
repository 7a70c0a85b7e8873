#include "InteractiveMapModel.h"

#include <QColor>
#include <QGuiApplication>
#include <QMetaObject>
#include <QRegularExpression>
#include <QSet>

#include "RegMap.h"

namespace {

const QColor unusedColour(0xDDDDDD);
const QColor markedColour(0xFD99FD);
const QColor valueColour(0xDDDDDD);
const QColor setBitColour(0xA0FFA0);

// Field name without its chip tail: "IFA_GainSt_KV2260v2" gives "IFA_GainSt".
QString baseName(const QString &fieldName)
{
    const int cut = fieldName.lastIndexOf('_');
    return cut < 0 ? fieldName : fieldName.left(cut);
}

} // namespace

InteractiveMapModel::InteractiveMapModel(const QMap<QString, part *> &fields, QObject *parent)
    : QAbstractTableModel(parent)
{
    for (const part *field : fields)
        if (field)
            addLabels(*field);
    for (const auto &column : labels)
        if (!column.isEmpty())
            rows = qMax(rows, column.lastKey() + 1);
    hideFlags.assign(size_t(rows), false);
}

InteractiveMapModel::~InteractiveMapModel() = default;

void InteractiveMapModel::addLabels(const part &field)
{
    if (field.bitStarts.size() != field.widths.size()) {
        // Nothing can be connected to a model under construction yet: the
        // text goes out once the event loop runs.
        QMetaObject::invokeMethod(this, "send_message", Qt::QueuedConnection,
                                  Q_ARG(QString, QStringLiteral("Error: wrong IC setting")));
    }
    const QString base = baseName(field.name);
    const size_t pieces = std::min(field.bitStarts.size(), field.widths.size());
    int j = 0;
    for (size_t i = 0; i < pieces; ++i) {
        const qint64 start = field.bitStarts[i];
        for (qint64 bit = start; bit < start + qint64(field.widths[i]); ++bit, ++j) {
            const QString label = field.width == 1
                                      ? base
                                      : QStringLiteral("%1<%2>").arg(base).arg(field.width - 1 - j);
            labels[bit % 8].insert(int(bit / 8), label);
            maxLabelLength = qMax(maxLabelLength, label.size());
        }
    }
}

int InteractiveMapModel::rowCount(const QModelIndex &) const
{
    return rows;
}

int InteractiveMapModel::columnCount(const QModelIndex &) const
{
    return columns;
}

QString InteractiveMapModel::labelOf(int bit) const
{
    if (bit < 0)
        return QString();
    return labels[bit % 8].value(bit / 8);
}

int InteractiveMapModel::bitValue(int bit) const
{
    return regMap ? regMap->getBit(regMap->wr, unsigned(bit)) : 0;
}

QString InteractiveMapModel::cellText(const QModelIndex &index) const
{
    const int row = index.row();
    const int column = index.column();
    if (column < BitColumns) {
        const QString label = labels[column].value(row);
        if (label.isEmpty())
            return QStringLiteral("Unused");
        return label + " = " + QString::number(bitValue(8 * row + column));
    }
    if (column == ValueColumn) {
        const int value = regMap ? regMap->getBits(8 * row, 8) : 0;
        return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
    }
    return QString();
}

QVariant InteractiveMapModel::cellBackground(const QModelIndex &index) const
{
    const int column = index.column();
    if (column == HideColumn)
        return QVariant();
    if (cellText(index).contains(QLatin1String("Unused")))
        return unusedColour;
    if (selection.contains(Cell(index.row(), column)))
        return markedColour;
    if (column == ValueColumn)
        return valueColour;
    if (bitValue(8 * index.row() + column))
        return setBitColour;
    return QVariant();
}

QVariant InteractiveMapModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows || index.column() >= columns)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cellText(index);
    case Qt::CheckStateRole:
        if (index.column() != HideColumn)
            return QVariant();
        return hideFlags[size_t(index.row())] ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        return cellBackground(index);
    default:
        return QVariant();
    }
}

bool InteractiveMapModel::setData(const QModelIndex &index, const QVariant &, int)
{
    // Cells change only through clicks and the register map; an edit (the
    // view's own check box toggle among them) just repaints the cell.
    emit dataChanged(index, index);
    return false;
}

QVariant InteractiveMapModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QString::number(section);
    if (section >= 0 && section < BitColumns)
        return QStringLiteral("D%1").arg(7 - section);
    if (section == ValueColumn)
        return QStringLiteral("Value");
    if (section == HideColumn)
        return QStringLiteral("Hide");
    return QString();
}

Qt::ItemFlags InteractiveMapModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.column() == HideColumn)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

bool InteractiveMapModel::controlHeld()
{
    return QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
}

void InteractiveMapModel::repaintCell(int row, int column)
{
    if (row < 0 || row >= rows || column < 0 || column >= columns)
        return;
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell);
}

void InteractiveMapModel::repaintCellAndValue(const QModelIndex &index)
{
    repaintCell(index.row(), index.column());
    repaintCell(index.row(), ValueColumn);
}

void InteractiveMapModel::itemClicked(const QModelIndex &index)
{
    if (!index.isValid() || index.row() >= rows)
        return;
    const int column = index.column();
    if (column == HideColumn) {
        hideFlags[size_t(index.row())] = !hideFlags[size_t(index.row())];
    } else if (column < BitColumns && controlHeld()) {
        const Cell cell(index.row(), column);
        if (!selection.removeOne(cell))
            selection.append(cell);
    }
    repaintCell(index.row(), column);
}

void InteractiveMapModel::itemDoubleClicked(const QModelIndex &index)
{
    if (!index.isValid() || index.row() >= rows)
        return;
    const int column = index.column();
    const bool busy = commandRunning && commandRunning();
    if (column < BitColumns && regMap && !busy)
        toggleBit(index.row(), column);
    repaintCellAndValue(index);
}

void InteractiveMapModel::toggleBit(int row, int column)
{
    const int bit = 8 * row + column;
    const int flipped = bitValue(bit) ? 0 : 1;
    const QString label = labels[column].value(row);
    if (label.isEmpty()) {
        // An unlabelled bit has no widget to follow it.
        regMap->setBit(regMap->wr, bit, flipped);
        regMap->repaintBit(unsigned(bit));
        return;
    }
    const QString base = label.section('<', 0, 0);
    const QString fieldName = base + "_" + regMap->name;
    RegImage toggled = regMap->wr;
    regMap->setBit(toggled, bit, flipped);
    // A widget that cannot show the new value would clamp it or store
    // another one, and image and widget would part.
    if (!regMap->widgetCanShow(fieldName, toggled)) {
        emit send_message("Warning: " + base
                          + " cannot take this value; the bit is left as it was");
        return;
    }
    regMap->setBit(regMap->wr, bit, flipped);
    // Setting the field's widget repaints the register table too.
    regMap->setWidgetValue(fieldName, regMap->wr);
}

void InteractiveMapModel::update_part(QString fieldName)
{
    const part *field = regMap ? regMap->fields.value(fieldName) : nullptr;
    if (!field)
        return;
    QSet<int> rowsTouched;
    const size_t pieces = std::min(field->bitStarts.size(), field->widths.size());
    for (size_t i = 0; i < pieces; ++i) {
        const qint64 start = field->bitStarts[i];
        for (qint64 bit = start; bit < start + qint64(field->widths[i]) && bit / 8 < rows; ++bit) {
            repaintCell(int(bit / 8), int(bit % 8));
            rowsTouched.insert(int(bit / 8));
        }
    }
    for (int row : qAsConst(rowsTouched))
        repaintCell(row, ValueColumn);
}

void InteractiveMapModel::update_bit(int bit)
{
    const int row = bit / 8;
    if (bit < 0 || row >= rows)
        return;
    emit dataChanged(index(row, 0), index(row, columns - 1));
}

void InteractiveMapModel::refreshAll()
{
    if (rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, columns - 1));
}

int InteractiveMapModel::findLabel(const QString &text, int from) const
{
    for (int bit = qMax(from, 0); bit < 8 * rows; ++bit) {
        const QString label = labels[bit % 8].value(bit / 8);
        if (!label.isEmpty() && label.contains(text, Qt::CaseInsensitive))
            return bit;
    }
    return -1;
}

void InteractiveMapModel::deselectAll()
{
    while (!selection.isEmpty()) {
        const Cell cell = selection.takeLast();
        repaintCell(cell.first, cell.second);
    }
}

bool InteractiveMapModel::isHidden(int row) const
{
    return row >= 0 && row < rows && hideFlags[size_t(row)];
}

QString InteractiveMapModel::hiddenRowsText() const
{
    QString text;
    for (int row = 0; row < rows; ++row)
        if (hideFlags[size_t(row)])
            text += QString::number(row) + ' ';
    return text;
}

void InteractiveMapModel::addHiddenRows(const QString &text)
{
    static const QRegularExpression decimal(QStringLiteral("^[0-9]+$"));
    for (const QString &piece : text.split(' ', Qt::KeepEmptyParts)) {
        if (!decimal.match(piece).hasMatch())
            continue;
        bool ok = false;
        const int row = piece.toInt(&ok, 10);
        if (ok && row < rows)
            hideFlags[size_t(row)] = true;
    }
}
