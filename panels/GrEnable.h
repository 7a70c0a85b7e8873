#pragma once
#include <QWidget>

namespace Ui {
class GrEnable;
}

// Block-enable panel: the enable bit of every block of the chip, grouped by
// common blocks, receive channels and synthesizers.
// The form holds only register-bound widgets; the main window binds them by
// object name, so the panel itself has no behaviour.
class GrEnable : public QWidget
{
    Q_OBJECT
public:
    explicit GrEnable(QWidget *parent = nullptr);
    ~GrEnable() override;

private:
    Ui::GrEnable *ui;
};
