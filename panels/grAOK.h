#pragma once
#include <QWidget>

namespace Ui {
class grAOK;
}

// Status-enable panel: which status sources drive the chip's AOK indication.
// The form holds only register-bound widgets; the main window binds them by
// object name, so the panel itself has no behaviour.
class grAOK : public QWidget
{
    Q_OBJECT
public:
    explicit grAOK(QWidget *parent = nullptr);
    ~grAOK() override;

private:
    Ui::grAOK *ui;
};
