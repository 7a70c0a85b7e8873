#pragma once
#include <QWidget>

namespace Ui {
class GrServiceClock;
}

// Clock service panel: an empty window (its layout holds nothing yet) that
// the main form's "Empty" button opens. It has no register-bound widget.
class GrServiceClock : public QWidget
{
    Q_OBJECT
public:
    explicit GrServiceClock(QWidget *parent = nullptr);
    ~GrServiceClock() override;

private:
    Ui::GrServiceClock *ui;
};
