#include "GrServiceClock.h"
#include "ui_GrServiceClock.h"

GrServiceClock::GrServiceClock(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::GrServiceClock)
{
    ui->setupUi(this);
}

GrServiceClock::~GrServiceClock()
{
    delete ui;
}
