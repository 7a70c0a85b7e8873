#pragma once
#include <QByteArray>
#include <QString>

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

    // Writes `text` as the file's new content; with `merge` the old content
    // stays in front of it. Goes through a temporary file that replaces the
    // old one only once everything is written.
    static Result save(const QString &path, const QByteArray &text, bool merge);
};
