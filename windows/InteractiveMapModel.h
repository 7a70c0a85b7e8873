#pragma once
#include <QAbstractTableModel>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <functional>
#include <vector>

#include "part.h"

class RegMap;

// One register map as a bit grid: a row per register, columns D7 ... D0 with
// the field each bit belongs to and its value in the GUI image, then the
// register's value in hex and a Hide check box. Labels and the row count are
// taken once from the field table the model is built from.
class InteractiveMapModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { BitColumns = 8, ValueColumn = 8, HideColumn = 9, ColumnCount = 10 };

    explicit InteractiveMapModel(const QMap<QString, part *> &fields, QObject *parent = nullptr);
    ~InteractiveMapModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Label stored for a global bit, empty when the bit is unused.
    QString labelOf(int bit) const;
    // First labelled bit at or after `from` whose label holds `text`
    // (case ignored), or -1.
    int findLabel(const QString &text, int from) const;
    int labelLength() const { return maxLabelLength; }

    bool isHidden(int row) const;
    // Flagged rows in ascending order, each as a number and a blank.
    QString hiddenRowsText() const;
    // Flags the rows a text of that form lists; every piece that is not a
    // plain decimal row number of the table is ignored.
    void addHiddenRows(const QString &text);

    // Unmarks the Ctrl+clicked cells, last marked first.
    void deselectAll();
    // Repaints every cell once, after the images changed wholesale.
    void refreshAll();

    // The map shown; set by the window right after construction, not owned.
    RegMap *regMap = nullptr;
    // Answers whether a command runs; while it does, a double-click leaves
    // the GUI image alone, since the command's result replaces it.
    std::function<bool()> commandRunning;

signals:
    void send_message(QString text);

public slots:
    void itemDoubleClicked(const QModelIndex &index);
    void itemClicked(const QModelIndex &index);
    void update_part(QString fieldName);
    void update_bit(int bit);

private:
    using Cell = QPair<int, int>;

    void addLabels(const part &field);
    int bitValue(int bit) const;
    QString cellText(const QModelIndex &index) const;
    QVariant cellBackground(const QModelIndex &index) const;
    void repaintCell(int row, int column);
    void repaintCellAndValue(const QModelIndex &index);
    // Flips a bit of wr and shows the field's new value in its widget,
    // unless the widget cannot show it.
    void toggleBit(int row, int column);
    static bool controlHeld();

    int columns = ColumnCount;
    int rows = 0;
    QMap<int, QString> labels[BitColumns];  // per bit column: register -> label
    std::vector<bool> hideFlags;
    QList<Cell> selection;
    int maxLabelLength = 0;
};
