#include "ApplicationFont.h"

#include <QApplication>

QFont applicationFont()
{
    // The forms' fixed widths were laid out for the narrow 8-point dialog
    // font of the boards' home platform. Liberation Sans at 8 points (the
    // metrics of Arial) holds every caption in its place; the wider default
    // sans-serif fonts of a Linux desktop cut captions off and make the main
    // window wider than a 1366-pixel screen.
    QFont font("Liberation Sans");
    font.setPointSize(8);
    return font;
}

void useApplicationFont(QApplication &app)
{
    // The forms measure in pixels of a 96-dpi screen; text sized in points
    // is measured the same way, or a screen that reports another resolution
    // would make every caption larger than the place made for it.
    app.setAttribute(Qt::AA_Use96Dpi, true);
    QApplication::setFont(applicationFont());
}
