#include "RegTableModel.h"

#include <QColor>

#include "RegMap.h"

RegTableModel::RegTableModel(RegMap *map, int regsPerRow, QObject *parent)
    : QAbstractTableModel(parent), map(map)
{
    setRegsPerRow(regsPerRow);
}

RegTableModel::~RegTableModel() = default;

int RegTableModel::setRegsPerRow(int regsPerRow)
{
    const unsigned perRow = unsigned(qMax(regsPerRow, 1));
    columns = blockColumns * int(perRow);
    const unsigned groups = (unsigned(qMax(map->regCount, 0)) + perRow - 1) / perRow;
    rows = RowKinds * int(groups);
    return rows;
}

int RegTableModel::rowCount(const QModelIndex &) const
{
    return rows;
}

int RegTableModel::columnCount(const QModelIndex &) const
{
    return columns;
}

int RegTableModel::registerAt(const QModelIndex &index) const
{
    return regsPerRow() * (index.row() / RowKinds) + index.column() / blockColumns;
}

QVariant RegTableModel::cellText(const QModelIndex &index) const
{
    const int reg = registerAt(index);
    if (reg >= map->regCount)
        return QStringLiteral("-");
    const int position = index.column() % blockColumns;
    const bool hex = position == hexPosition;
    const RegImage *image = nullptr;
    switch (index.row() % RowKinds) {
    case RegRow:
        return reg;
    case BitRow:
        return hex ? QStringLiteral("hh") : QString::number(7 - position);
    case WrRow:
        image = &map->wr;
        break;
    case RdRow:
        image = &map->rd;
        break;
    case CfgRow:
        image = &map->cfg;
        break;
    default:
        return QString();
    }
    const quint8 byte = (*image)[size_t(reg)];
    if (hex)
        return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    return QString::number((byte >> (7 - position)) & 1);
}

QVariant RegTableModel::cellBackground(const QModelIndex &index) const
{
    const int kind = index.row() % RowKinds;
    if (kind == RegRow)
        return QVariant();
    const int position = index.column() % blockColumns;
    if (position == hexPosition)
        return QColor(0xFFFF00);
    if (kind == BitRow)
        return QColor(0xDDDDDD);
    const int reg = registerAt(index);
    if (kind == WrRow && reg < map->regCount) {
        const int shift = 7 - position;
        if (((map->wr[size_t(reg)] ^ map->rd[size_t(reg)]) >> shift) & 1)
            return QColor(0x00BFFF);
    }
    return cellText(index).toString() == QLatin1String("1") ? QColor(0xDDDDDD)
                                                            : QColor(0xFFFFFF);
}

QVariant RegTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cellText(index);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        return cellBackground(index);
    default:
        return QVariant();
    }
}

bool RegTableModel::setData(const QModelIndex &index, const QVariant &, int)
{
    // The table only shows the images; it never edits them.
    emit dataChanged(index, index, {});
    return false;
}

QVariant RegTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return QString();
    static const char *const labels[RowKinds] = {"Reg", "Bit", "wr", "rd", "cfg", ""};
    return QString::fromLatin1(labels[section % RowKinds]);
}

Qt::ItemFlags RegTableModel::flags(const QModelIndex &index) const
{
    return QAbstractTableModel::flags(index);
}

void RegTableModel::refreshRegister(int bit)
{
    const int reg = bit / 8;
    const int n = regsPerRow();
    const int row = RowKinds * (reg / n) + WrRow;
    const int blockStart = blockColumns * (reg % n);
    // The hex cell shows the same byte, so it changes with every bit.
    emit dataChanged(index(row, blockStart + bit % 8), index(row, blockStart + hexPosition));
}

void RegTableModel::refreshRow(int row)
{
    for (int column = 0; column < columns; ++column)
        emit dataChanged(index(row, column), index(row, column));
}

void RegTableModel::refreshAll()
{
    if (rows > 0 && columns > 0)
        emit dataChanged(index(0, 0), index(rows - 1, columns - 1));
}
