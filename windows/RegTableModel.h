#pragma once
#include <QAbstractTableModel>

#include "RegMap.h"

// Read-only table of one register map: each register is a block of 6 rows
// ("Reg", "Bit", "wr", "rd", "cfg", blank) by 9 columns (bits 7..0 and hex);
// regsPerRow blocks stand side by side.
//
// Set as its map's listener, it repaints the cells of the bits the widget
// operations change. It announces changed cells one by one: a change
// announced over several cells makes the view repaint all of its cells.
class RegTableModel : public QAbstractTableModel, public RegMap::Listener
{
    Q_OBJECT
public:
    RegTableModel(RegMap *map, int regsPerRow, QObject *parent = nullptr);
    ~RegTableModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Repaints the "wr" cell of a global bit and its register's hex cell.
    void refreshRegister(int bit);
    // Repaints every cell of one row.
    void refreshRow(int row);
    // Repaints the cells whose text or colour changed since the table was
    // last told of the images (after a command changed them wholesale).
    void refreshAll();
    int setRegsPerRow(int regsPerRow);

    void bitChanged(int bit) override;

signals:
    void update_part(QString);
    void bit_changed(int bit_num);

private:
    enum RowKind { RegRow, BitRow, WrRow, RdRow, CfgRow, BlankRow, RowKinds };
    static const int blockColumns = 9;
    static const int hexPosition = 8;

    int regsPerRow() const { return columns / blockColumns; }
    int registerAt(const QModelIndex &index) const;
    QVariant cellText(const QModelIndex &index) const;
    QVariant cellBackground(const QModelIndex &index) const;
    // Announces one cell of a register's block.
    void cellChanged(int reg, int kind, int position);
    // Announces the bit cells of `bits` (bit 7 first) and, with `hex`, the
    // hex cell of one image row of a register.
    void rowChanged(int reg, int kind, quint8 bits, bool hex);

    RegMap *map;
    int columns = 0;
    int rows = 0;
    // The images as the table was last told of them.
    RegImage toldWr, toldRd, toldCfg;
};
