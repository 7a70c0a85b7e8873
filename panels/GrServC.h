#pragma once
#include <QWidget>

namespace Ui {
class GrServC;
}

// Service panel of receive channel 3: its RF AGC, LNA, mixer and IFA fields.
// The form is all there is; the main window binds its widgets by object name.
class GrServC : public QWidget
{
    Q_OBJECT
public:
    explicit GrServC(QWidget *parent = nullptr);
    ~GrServC() override;

private:
    Ui::GrServC *ui;
};
