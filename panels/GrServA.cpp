#include "GrServA.h"
#include "ui_GrServA.h"

GrServA::GrServA(QWidget *parent)
    : QWidget(parent), ui(new Ui::GrServA)
{
    ui->setupUi(this);
}

GrServA::~GrServA()
{
    delete ui;
}
