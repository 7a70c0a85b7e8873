#include "GrServC.h"
#include "ui_GrServC.h"

GrServC::GrServC(QWidget *parent)
    : QWidget(parent), ui(new Ui::GrServC)
{
    ui->setupUi(this);
}

GrServC::~GrServC()
{
    delete ui;
}
