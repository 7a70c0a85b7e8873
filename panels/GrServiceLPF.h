#pragma once
#include <QWidget>

namespace Ui {
class GrServiceLPF;
}

// LPF autocalibration service panel: test switches, oscillator settings,
// per-channel LPF modes and the calibration status fields.
// Its register-bound widgets are bound by the main window through their
// object names; the panel itself holds no logic.
class GrServiceLPF : public QWidget
{
    Q_OBJECT
public:
    explicit GrServiceLPF(QWidget *parent = nullptr);
    ~GrServiceLPF() override;

private:
    Ui::GrServiceLPF *ui;
};
