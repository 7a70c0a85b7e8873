#pragma once
#include <QWidget>

namespace Ui {
class GrThynA;
}

// Service panel of the two frequency synthesizers (PLL "A" and "B") and the
// settings they share. A pure form: the main window binds its register-field
// widgets by object name, so the panel itself holds no values and no logic.
class GrThynA : public QWidget
{
    Q_OBJECT

public:
    explicit GrThynA(QWidget *parent = nullptr);
    ~GrThynA() override;

private:
    Ui::GrThynA *ui;
};
