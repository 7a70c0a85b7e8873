#include "grAOK.h"

#include "ui_grAOK.h"

grAOK::grAOK(QWidget *parent)
    : QWidget(parent), ui(new Ui::grAOK)
{
    ui->setupUi(this);
}

grAOK::~grAOK()
{
    delete ui;
}
