#pragma once
#include <QFont>

class QApplication;

// The font every window of the tool is shown in, and the one its forms'
// fixed widths are measured against.
QFont applicationFont();

// Makes `applicationFont` the font of every widget of the application.
void useApplicationFont(QApplication &app);
