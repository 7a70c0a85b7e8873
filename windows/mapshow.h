#pragma once
#include <QList>
#include <QMap>
#include <QString>
#include <QWidget>

#include "part.h"

class RegMap;
class RegTableModel;
class QTableView;

namespace Ui {
class mapshow;
}

// Register table window: one tab per register map, every register as rows
// of bits with the GUI, read and file images side by side. It creates and
// keeps the register maps for the whole run.
class mapshow : public QWidget
{
    Q_OBJECT
public:
    explicit mapshow(QWidget *parent = nullptr);
    ~mapshow() override;

    // Creates a register map with zeroed images and its table tab.
    void addRegisterTable(const QString &name, int regCount, quint8 mapNumber);
    // Repaints every cell of every table once (after a command changed the
    // images wholesale).
    void refreshAll();

    bool eventFilter(QObject *watched, QEvent *event) override;

    QMap<QString, RegMap *> regMaps;

public slots:
    // The order of these slots is part of the class's meta-object:
    // ParseObjName stays the third method.
    void on_spinBox_column_num_valueChanged(int columns);
    void on_spinBox_font_size_valueChanged(int sz);
    // Field record of a register-bound widget's object name, or null when the
    // name is not one. The caller owns the record.
    static part *ParseObjName(QString OName);
    void on_tabWidget_currentChanged(int index);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void relayout(int regsPerRow);
    // Every record with a tab: the current ones and those replaced.
    QList<RegMap *> tabbedMaps() const;
    void layoutView(QTableView *view, RegMap *map, int regsPerRow);
    static void setModel(QTableView *view, RegMap *map, RegTableModel *model);
    // Frees a record with the model of its table.
    static void release(RegMap *map);

    Ui::mapshow *ui;
    // Records that another under the same name replaced in regMaps; they
    // are freed with the window, as the records of regMaps are.
    QList<RegMap *> replacedMaps;
};
