#pragma once
#include <QWidget>

namespace Ui {
class GrTest;
}

// Common service panel: test and miscellaneous service fields on the
// "Settings" tab and the chip's reserved bits on the "Reserve" tab.
// Its register-bound widgets are bound by the main window through their
// object names; the panel itself holds no logic.
class GrTest : public QWidget
{
    Q_OBJECT
public:
    explicit GrTest(QWidget *parent = nullptr);
    ~GrTest() override;

private:
    Ui::GrTest *ui;
};
