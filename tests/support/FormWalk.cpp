#include "FormWalk.h"

#include <memory>

#include "mapshow.h"

QList<QWidget *> registerBoundWidgets(const QWidget *root)
{
    QList<QWidget *> bound;
    for (QWidget *widget : root->findChildren<QWidget *>()) {
        std::unique_ptr<part> field(mapshow::ParseObjName(widget->objectName()));
        if (field)
            bound << widget;
    }
    return bound;
}

QMap<QString, QString> registerBoundClasses(const QWidget *root)
{
    QMap<QString, QString> classes;
    for (QWidget *widget : registerBoundWidgets(root))
        classes.insert(widget->objectName(), widget->metaObject()->className());
    return classes;
}
