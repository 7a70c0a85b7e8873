#include <QApplication>
#include <QFontDatabase>
#include <QTranslator>

#include "ApplicationFont.h"
#include "MainClass.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    useApplicationFont(app);
    QFontDatabase::addApplicationFont(":/DIN Pro/DINPro-Light.otf");
    QTranslator english;
    english.load(":/Translations/template_en.qm");
    app.installTranslator(&english);
    MainClass window;
    window.show();
    return app.exec();
}
