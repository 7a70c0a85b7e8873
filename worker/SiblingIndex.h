#pragma once
#include <QHash>
#include <QString>

class QObject;

// Siblings by what their object names hold in front of a marker ("LabelG",
// "_Expression"): answers "the last sibling whose object name contains
// <text><marker>" from a table made once per parent, instead of going over
// every sibling for every question.
class SiblingIndex
{
public:
    explicit SiblingIndex(const QString &marker);

    // The last child of the object's parent (in the parent's order, the
    // object itself included) whose object name contains `textWithMarker`,
    // a text that ends with the marker; null when none does or the object
    // has no parent.
    const QObject *lastSibling(const QObject *object, const QString &textWithMarker);

private:
    using Table = QHash<QString, const QObject *>;
    Table tableOf(const QObject *parent) const;

    QString marker;
    QHash<const QObject *, Table> parents;
};
