#include "GrServB.h"
#include "ui_GrServB.h"

GrServB::GrServB(QWidget *parent)
    : QWidget(parent), ui(new Ui::GrServB)
{
    ui->setupUi(this);
}

GrServB::~GrServB()
{
    delete ui;
}
