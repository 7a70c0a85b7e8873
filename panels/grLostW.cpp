#include "grLostW.h"
#include "ui_grLostW.h"

grLostW::grLostW(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::grLostW)
{
    ui->setupUi(this);
    // A plain QWidget subclass paints no style-sheet background unless asked.
    setAttribute(Qt::WA_StyledBackground, true);
}

grLostW::~grLostW()
{
    delete ui;
}
