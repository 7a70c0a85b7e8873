#include "GrThynA.h"

#include "ui_GrThynA.h"

GrThynA::GrThynA(QWidget *parent) : QWidget(parent), ui(new Ui::GrThynA)
{
    ui->setupUi(this);
}

GrThynA::~GrThynA()
{
    delete ui;
}
