#include "GrThynB.h"
#include "ui_GrThynB.h"

GrThynB::GrThynB(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::GrThynB)
{
    ui->setupUi(this);
}

GrThynB::~GrThynB()
{
    delete ui;
}
