#pragma once
#include <QWidget>

namespace Ui {
class GrServB;
}

// Service panel of receive channel 2: its RF AGC, LNA, mixer and IFA fields.
// The form is all there is; the main window binds its widgets by object name.
class GrServB : public QWidget
{
    Q_OBJECT
public:
    explicit GrServB(QWidget *parent = nullptr);
    ~GrServB() override;

private:
    Ui::GrServB *ui;
};
