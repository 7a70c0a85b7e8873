#include "help_block.h"

help_block::help_block(QWidget *parent) : QWidget(parent)
{
    setObjectName("help_block");
}

help_block::~help_block() = default;
