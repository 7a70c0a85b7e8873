#include "GrServiceLPF.h"
#include "ui_GrServiceLPF.h"

GrServiceLPF::GrServiceLPF(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::GrServiceLPF)
{
    ui->setupUi(this);
    // The raw calibration delta stays bound (it carries the field into the
    // register image and register files), but the user reads the signed
    // value in the derived display beside it.
    ui->KV_LPF_delta_KV2260v2_880_8->setVisible(false);
}

GrServiceLPF::~GrServiceLPF()
{
    delete ui;
}
