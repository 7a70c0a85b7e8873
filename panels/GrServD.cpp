#include "GrServD.h"
#include "ui_GrServD.h"

GrServD::GrServD(QWidget *parent)
    : QWidget(parent), ui(new Ui::GrServD)
{
    ui->setupUi(this);
}

GrServD::~GrServD()
{
    delete ui;
}
