#include "SiblingIndex.h"

#include <QObject>

SiblingIndex::SiblingIndex(const QString &marker) : marker(marker)
{
}

const QObject *SiblingIndex::lastSibling(const QObject *object, const QString &textWithMarker)
{
    const QObject *parent = object ? object->parent() : nullptr;
    if (!parent || !textWithMarker.endsWith(marker))
        return nullptr;
    auto table = parents.find(parent);
    if (table == parents.end())
        table = parents.insert(parent, tableOf(parent));
    return table->value(textWithMarker, nullptr);
}

SiblingIndex::Table SiblingIndex::tableOf(const QObject *parent) const
{
    // A name holds <text><marker> exactly when one of its markers has the
    // text right in front of it: every text in front of every marker is
    // entered, a later child replacing an earlier one.
    Table table;
    if (marker.isEmpty())
        return table;
    for (const QObject *child : parent->children()) {
        const QString name = child->objectName();
        for (int at = name.indexOf(marker); at >= 0; at = name.indexOf(marker, at + 1)) {
            const int end = at + marker.size();
            for (int start = 0; start <= at; ++start)
                table.insert(name.mid(start, end - start), child);
        }
    }
    return table;
}
