#pragma once
#include <QWidget>

namespace Ui {
class GrServD;
}

// Service panel of receive channel 4: its RF AGC, LNA, mixer and IFA fields.
// The form is all there is; the main window binds its widgets by object name.
class GrServD : public QWidget
{
    Q_OBJECT
public:
    explicit GrServD(QWidget *parent = nullptr);
    ~GrServD() override;

private:
    Ui::GrServD *ui;
};
