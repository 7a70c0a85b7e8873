#pragma once
#include <QMap>
#include <QString>
#include <QVector>
#include <atomic>

class QIODevice;

// One register value of a register file and the line that set it.
struct HexValue
{
    quint8 value = 0;
    int line = 0;
};

// What loading into the GUI takes from a file: map name as read (with "."
// turned into "v") -> register number -> value.
using HexMapTable = QMap<QString, QMap<qint32, HexValue>>;

// What writing to the chip takes from a file: register writes in file order,
// each accepted map line standing as a section mark.
struct HexWriteList
{
    static constexpr qint32 sectionMark = -1;
    QVector<qint32> registers;
    QVector<quint8> values;
};

// The two readers of ".hex" register files. They accept different spellings
// of a line on purpose (stored files rely on both), so each keeps its own
// rules. Each returns the error text that ends the command, empty when the
// whole file was accepted; on an error the result holds nothing usable.
// Both refuse a file that holds text but no register line and no map line,
// naming it by path. Of a line longer than a megabyte only the head is kept;
// such a line is refused when it is a register line or a map line.
class HexReader
{
public:
    // Rules of loading into the GUI: comments after "#" and "//" are cut,
    // "Reg", TAB, "0x", "$" and "&" separate pieces, and a register line must
    // be exactly a decimal register number and a hexadecimal value. The
    // interrupt flag is polled once per line.
    static QString readForGui(QIODevice &file, const QString &path,
                              const std::atomic<bool> &interrupt, HexMapTable &table);

    // Rules of writing to the chip: nothing is cut as a comment, pieces after
    // the value are ignored, and a line of fewer than two pieces is skipped.
    // regCounts names the register maps with their register counts: with
    // checkNames, a map line must name one of them; every register number
    // must lie inside its section's map (the first map when the section
    // names none of them).
    static QString readForChip(QIODevice &file, const QString &path,
                               const QMap<QString, int> &regCounts, bool checkNames,
                               HexWriteList &list);

    // What readForGui returns when the interrupt flag stopped it.
    static QString interruptedText();
    // The error of a file with text but no register line and no map line.
    static QString noRegisterLines(const QString &path);
    // "Error: .hex unexpected value at line " and the line number.
    static QString lineError(int line);
    // Map name as a map line writes it: every "v" of the name becomes ".".
    static QString mapNameInFile(const QString &mapName);
};
