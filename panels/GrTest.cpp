#include "GrTest.h"
#include "ui_GrTest.h"

GrTest::GrTest(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::GrTest)
{
    ui->setupUi(this);
}

GrTest::~GrTest()
{
    delete ui;
}
