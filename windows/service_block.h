#pragma once
#include <QMap>
#include <QString>
#include <QWidget>

class canal;

namespace Ui {
class service_block;
}

// Settings window. Holds what the main window and the worker share: the
// settings map (one integer per Setting_<key> widget, plus the keys the worker
// keeps without a widget) and the current board transport. Its hidden tool
// pages read or write one register and exchange a raw packet with the board.
class service_block : public QWidget
{
    Q_OBJECT
public:
    explicit service_block(QWidget *parent = nullptr);
    ~service_block() override;

    // Key = widget object name without "Setting_". Read and written in the
    // GUI thread only: the worker takes a copy there when a command starts
    // and hands back what it stores, so it never inserts a key.
    QMap<QString, int> settings;
    // Current transport; created, replaced and deleted by the device
    // selection, never owned here.
    canal *transport = nullptr;

public slots:
    void change_translation();
    void on_ButtonReadRegister_clicked();
    void on_ButtonWriteRegister_clicked();
    void on_SpinRegisterValue_valueChanged(int arg1);
    void on_gonec_clicked();
    void change_Value(int val);

private:
    void seedSettings();
    void hideUnusedWidgets();
    quint8 bitBoxesValue() const;
    static void showInterfaceError(quint8 value);

    Ui::service_block *ui;
};
