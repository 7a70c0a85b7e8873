#include <QApplication>
#include <QFontDatabase>
#include <QTranslator>

#include "MainClass.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The forms are laid out for the 8-point dialog font of the boards'
    // home platform; the larger desktop default would clip their captions.
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);
    QFontDatabase::addApplicationFont(":/DIN Pro/DINPro-Light.otf");
    QTranslator english;
    english.load(":/Translations/template_en.qm");
    app.installTranslator(&english);
    MainClass window;
    window.show();
    return app.exec();
}
