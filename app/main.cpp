#include <QApplication>

#include "MainClass.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MainClass window;
    window.show();
    return app.exec();
}
