#include "grSPL.h"

#include "ui_grSPL.h"

grSPL::grSPL(QWidget *parent)
    : QWidget(parent), ui(new Ui::grSPL)
{
    ui->setupUi(this);
}

grSPL::~grSPL()
{
    delete ui;
}
