#pragma once
#include <QWidget>

namespace Ui {
class GrThynB;
}

// Second synthesizer service panel: an empty window that the main form's
// "empty" button opens. It has no register-bound widget.
class GrThynB : public QWidget
{
    Q_OBJECT
public:
    explicit GrThynB(QWidget *parent = nullptr);
    ~GrThynB() override;

private:
    Ui::GrThynB *ui;
};
