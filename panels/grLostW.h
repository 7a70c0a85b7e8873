#pragma once
#include <QWidget>

namespace Ui {
class grLostW;
}

// ECO mask panel: the chip-wide ECO mask bits of every block and
// regulator family and the chip-wide LNA and mixer ECO settings. The panel
// paints its own style-sheet background behind the group boxes.
// Its register-bound widgets are bound by the main window through their
// object names; the panel itself holds no logic.
class grLostW : public QWidget
{
    Q_OBJECT
public:
    explicit grLostW(QWidget *parent = nullptr);
    ~grLostW() override;

private:
    Ui::grLostW *ui;
};
