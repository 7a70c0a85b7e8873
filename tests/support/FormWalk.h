#pragma once
#include <QList>
#include <QMap>
#include <QString>
#include <QWidget>

// Descendant widgets of a window whose object names are register-field
// names, in the order the form created them.
QList<QWidget *> registerBoundWidgets(const QWidget *root);

// Object name -> class name of those widgets.
QMap<QString, QString> registerBoundClasses(const QWidget *root);
