#include "RegTableModel.h"

#include <QColor>

namespace {

// Every text and colour a cell can show, made once: the view asks for them
// for every cell it paints.
struct CellValues
{
    QVariant bits[2] = {QStringLiteral("0"), QStringLiteral("1")};
    QVariant positions[8];
    QVariant hex[256];
    QVariant hexHeading = QStringLiteral("hh");
    QVariant pastEnd = QStringLiteral("-");
    QVariant blank = QString();
    QVariant yellow = QColor(0xFFFF00);
    QVariant grey = QColor(0xDDDDDD);
    QVariant white = QColor(0xFFFFFF);
    QVariant written = QColor(0x00BFFF);
    QVariant centred = int(Qt::AlignCenter);

    CellValues()
    {
        for (int position = 0; position < 8; ++position)
            positions[position] = QString::number(7 - position);
        for (int byte = 0; byte < 256; ++byte)
            hex[byte] = QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
};

const CellValues &cellValues()
{
    static const CellValues values;
    return values;
}

quint8 byteAt(const RegImage &image, int reg)
{
    return size_t(reg) < image.size() ? image[size_t(reg)] : 0;
}

} // namespace

RegTableModel::RegTableModel(RegMap *map, int regsPerRow, QObject *parent)
    : QAbstractTableModel(parent), map(map),
      toldWr(map->wr), toldRd(map->rd), toldCfg(map->cfg)
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
    const CellValues &values = cellValues();
    const int reg = registerAt(index);
    if (reg >= map->regCount)
        return values.pastEnd;
    const int position = index.column() % blockColumns;
    const bool hex = position == hexPosition;
    const RegImage *image = nullptr;
    switch (index.row() % RowKinds) {
    case RegRow:
        return reg;
    case BitRow:
        return hex ? values.hexHeading : values.positions[position];
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
        return values.blank;
    }
    const quint8 byte = (*image)[size_t(reg)];
    if (hex)
        return values.hex[byte];
    return values.bits[(byte >> (7 - position)) & 1];
}

QVariant RegTableModel::cellBackground(const QModelIndex &index) const
{
    const CellValues &values = cellValues();
    const int kind = index.row() % RowKinds;
    if (kind == RegRow)
        return QVariant();
    const int position = index.column() % blockColumns;
    if (position == hexPosition)
        return values.yellow;
    if (kind == BitRow)
        return values.grey;
    const int reg = registerAt(index);
    if (reg >= map->regCount || kind == BlankRow)
        return values.white;
    const RegImage &image = kind == WrRow ? map->wr : kind == RdRow ? map->rd : map->cfg;
    const int shift = 7 - position;
    if (kind == WrRow && (((map->wr[size_t(reg)] ^ map->rd[size_t(reg)]) >> shift) & 1))
        return values.written;
    return (image[size_t(reg)] >> shift) & 1 ? values.grey : values.white;
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
        return cellValues().centred;
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
    // The hex cell shows the same byte, so it changes with every bit. Each
    // is told as a cell of its own: a range repaints the whole view.
    cellChanged(reg, WrRow, bit % 8);
    cellChanged(reg, WrRow, hexPosition);
}

void RegTableModel::bitChanged(int bit)
{
    if (bit < 0)
        return;
    const size_t reg = size_t(bit / 8);
    const quint8 mask = quint8(0x80 >> (bit % 8));
    // The bit's cell now shows the image as it stands.
    if (reg < toldWr.size() && reg < map->wr.size())
        toldWr[reg] = quint8((toldWr[reg] & ~mask) | (map->wr[reg] & mask));
    refreshRegister(bit);
}

void RegTableModel::refreshRow(int row)
{
    for (int column = 0; column < columns; ++column)
        emit dataChanged(index(row, column), index(row, column));
}

void RegTableModel::refreshAll()
{
    for (int reg = 0; reg < map->regCount; ++reg) {
        const quint8 wr = byteAt(map->wr, reg), rd = byteAt(map->rd, reg), cfg = byteAt(map->cfg, reg);
        const quint8 wrChanged = wr ^ byteAt(toldWr, reg);
        const quint8 rdChanged = rd ^ byteAt(toldRd, reg);
        const quint8 cfgChanged = cfg ^ byteAt(toldCfg, reg);
        // A "wr" bit cell is marked where it differs from "rd", so it
        // changes with either byte; its hex cell shows the wr byte alone.
        rowChanged(reg, WrRow, wrChanged | rdChanged, wrChanged != 0);
        rowChanged(reg, RdRow, rdChanged, rdChanged != 0);
        rowChanged(reg, CfgRow, cfgChanged, cfgChanged != 0);
    }
    toldWr = map->wr;
    toldRd = map->rd;
    toldCfg = map->cfg;
}

void RegTableModel::rowChanged(int reg, int kind, quint8 bits, bool hex)
{
    for (int position = 0; position < 8; ++position)
        if (bits & (0x80 >> position))
            cellChanged(reg, kind, position);
    if (hex)
        cellChanged(reg, kind, hexPosition);
}

void RegTableModel::cellChanged(int reg, int kind, int position)
{
    const int n = regsPerRow();
    const QModelIndex cell = index(RowKinds * (reg / n) + kind, blockColumns * (reg % n) + position);
    emit dataChanged(cell, cell);
}
