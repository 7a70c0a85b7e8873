#pragma once
#include <QByteArray>
#include <QMap>
#include <QString>

#include "RegMap.h"

// Writer of ".hex" register files: the line forms, and a save that replaces
// the file whole or leaves it as it was.
class HexWriter
{
public:
    enum Result { Saved, NotOpened, NotWritten };

    // ";" and the map name with every "v" written as "." (";KV2260.2").
    static QString mapLine(const QString &mapName);
    // "Reg", the number, a TAB and the value as two upper-case hex digits.
    static QString registerLine(int reg, quint8 value);
    // The map line, then one register line per register of `values`, each
    // ended by a line feed. With `unchanged`, registers holding the same value
    // there are left out; with `comments`, every register line carries " //"
    // and its register's comment.
    static QString mapText(const QString &mapName, const RegImage &values,
                           const RegImage *unchanged = nullptr,
                           const QMap<int, QString> *comments = nullptr);

    // Writes `text` as the file's new content; with `merge` the old content
    // stays in front of it. Goes through a temporary file that replaces the
    // old one only once everything is written; where the folder refuses a
    // temporary file, the file is written in place.
    static Result save(const QString &path, const QByteArray &text, bool merge);
};
