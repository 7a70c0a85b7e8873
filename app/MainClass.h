#pragma once
#include <QMainWindow>
#include <QString>

#include "part.h"

// The tool's main window.
class MainClass : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainClass(QWidget *parent = nullptr);
    ~MainClass() override;

    // Register placement of a field ("Reg9 <D7-D6>Reg10 <D7-D3>"), shown as
    // the tool tip of its widget.
    static QString fieldPlaceText(const part *field);
};
