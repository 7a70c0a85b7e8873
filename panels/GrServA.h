#pragma once
#include <QWidget>

namespace Ui {
class GrServA;
}

// Service panel of receive channel 1: its RF AGC, LNA, mixer and IFA fields.
// The form is all there is; the main window binds its widgets by object name.
class GrServA : public QWidget
{
    Q_OBJECT
public:
    explicit GrServA(QWidget *parent = nullptr);
    ~GrServA() override;

private:
    Ui::GrServA *ui;
};
