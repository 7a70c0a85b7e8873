#pragma once
#include <QWidget>

namespace Ui {
class grSPL;
}

// Splitter panel: the splitter's current source, gain and bias currents.
// The form holds only register-bound widgets; the main window binds them by
// object name, so the panel itself has no behaviour.
class grSPL : public QWidget
{
    Q_OBJECT
public:
    explicit grSPL(QWidget *parent = nullptr);
    ~grSPL() override;

private:
    Ui::grSPL *ui;
};
