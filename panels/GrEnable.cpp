#include "GrEnable.h"

#include "ui_GrEnable.h"

GrEnable::GrEnable(QWidget *parent)
    : QWidget(parent), ui(new Ui::GrEnable)
{
    ui->setupUi(this);
}

GrEnable::~GrEnable()
{
    delete ui;
}
