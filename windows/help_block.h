#pragma once
#include <QWidget>

// Help window over the pages of the "Help" folder of the current directory.
class help_block : public QWidget
{
    Q_OBJECT
public:
    explicit help_block(QWidget *parent = nullptr);
    ~help_block() override;
};
