#pragma once
#include <QAbstractTableModel>

class RegMap;

// Read-only table of one register map: each register is a block of 6 rows
// ("Reg", "Bit", "wr", "rd", "cfg", blank) by 9 columns (bits 7..0 and hex);
// regsPerRow blocks stand side by side.
class RegTableModel : public QAbstractTableModel
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
    // Repaints the whole table once.
    void refreshAll();
    int setRegsPerRow(int regsPerRow);

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

    RegMap *map;
    int columns = 0;
    int rows = 0;
};
