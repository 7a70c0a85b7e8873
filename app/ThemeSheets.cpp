#include "ThemeSheets.h"

namespace ThemeSheets {

const QString dark = QStringLiteral(
    "QLabel{color: white;} "
    "QGroupBox{border: 2px solid rgba(200, 200, 255, 255);border-radius: 5px;margin-top: 6px;"
    "background-color: rgba(0, 0, 40, 255);} "
    "QGroupBox::title{subcontrol-origin: margin;subcontrol-position: top center;"
    "padding: 0 3px;border: 2px solid #111C24;border-radius: 5px;background-color: #FFFFFF;} "
    "QToolBar{background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, "
    "stop: 0 rgb(197, 210, 224), stop: 1 #00001F);} "
    "QStatusBar{background: #00001F;color: white;} "
    "QWidget#centralWidget{margin-top: 0ex;background-image: url(:/bg-1.png);"
    "background-position: center;} "
    "QCheckBox{color: white;}");

const QString light = QStringLiteral(
    "QGroupBox {\n"
    "    border: 2px solid #111C24;\n"
    "    border-radius: 5px;\n"
    "    margin-top: 6px;\n"
    "    background-color: rgba(255, 255, 255, 255);\n"
    "}\n"
    "QGroupBox::title {\n"
    "    subcontrol-origin: margin;\n"
    "    subcontrol-position: top center;\n"
    "    padding: 0 3px;\n"
    "    border: 2px solid #111C24;\n"
    "    border-radius: 5px;\n"
    "    background-color: #FFFFFF;\n"
    "}\n"
    "QToolBar {\n"
    "    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #FFFFFF, "
    "stop: 1 rgb(197, 210, 224));\n"
    "}\n"
    "QWidget#centralWidget {\n"
    "    margin-top: 0ex;\n"
    "    background-image: url(:/bg2-min.png);\n"
    "    background-position: center;\n"
    "}");

} // namespace ThemeSheets
