#include "HexReader.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QStringList>

namespace {

// Longest part of a line that the readers look at. Register and map lines
// are a few dozen characters; a file without line breaks (a firmware blob,
// a run of NUL bytes) must not be held in memory whole.
constexpr int longestLine = 1 << 20;

struct Line
{
    QString text;
    bool cut = false; // the line went on past longestLine
};

// The whole line, NUL bytes included (a line must not pass for the text in
// front of its first NUL), read in pieces so that only its head is kept.
Line nextLine(QIODevice &file)
{
    QByteArray bytes;
    bool cut = false;
    char piece[4096];
    while (!file.atEnd()) {
        const qint64 n = file.readLine(piece, sizeof piece);
        if (n <= 0)
            break;
        if (bytes.size() < longestLine)
            bytes.append(piece, int(n));
        else
            cut = true;
        if (piece[n - 1] == '\n')
            break;
    }
    return Line{QString::fromLocal8Bit(bytes.constData(), bytes.size()), cut};
}

QString cutComments(QString line)
{
    const int hash = line.indexOf('#');
    if (hash >= 0)
        line.truncate(hash);
    const int slashes = line.indexOf(QLatin1String("//"));
    if (slashes >= 0)
        line.truncate(slashes);
    return line.trimmed();
}

int registerLimit(const QMap<QString, int> &regCounts, QString section)
{
    section.replace('.', 'v');
    if (regCounts.contains(section))
        return regCounts.value(section);
    return regCounts.isEmpty() ? 0 : regCounts.first();
}

// Whether a file holds anything a reader takes. A file of text without one
// register line or map line (a firmware image, a letter) is not a register
// file and must not load as an empty one; a file of nothing but blanks and
// comments is an empty register file.
class FileContent
{
public:
    void note(const QString &uncommented, bool taken)
    {
        text = text || !uncommented.isEmpty();
        this->taken = this->taken || taken;
    }
    bool refused() const { return text && !taken; }

private:
    bool text = false;
    bool taken = false;
};

} // namespace

QString HexReader::lineError(int line)
{
    return QStringLiteral("Error: .hex unexpected value at line ") + QString::number(line);
}

QString HexReader::mapNameInFile(const QString &mapName)
{
    return QString(mapName).replace('v', '.');
}

QString HexReader::interruptedText()
{
    return QStringLiteral("Error: Interrupted");
}

QString HexReader::noRegisterLines(const QString &path)
{
    return QStringLiteral("Error: ") + path
           + QStringLiteral(" holds no register line and no map line");
}

QString HexReader::readForGui(QIODevice &file, const QString &path,
                              const std::atomic<bool> &interrupt, HexMapTable &table)
{
    table.clear();
    FileContent content;
    int lineNumber = 0;
    QString mapName;
    while (!file.atEnd()) {
        ++lineNumber;
        const Line read = nextLine(file);
        QString line = cutComments(read.text);
        if (interrupt)
            return interruptedText();
        const bool mapLine = line.startsWith(';');
        const bool registerLine = line.startsWith(QLatin1String("Reg"));
        content.note(line, mapLine || registerLine);
        if ((mapLine || registerLine) && read.cut)
            return lineError(lineNumber);
        if (mapLine) {
            if (line.contains(QLatin1String("pause"), Qt::CaseInsensitive))
                continue;
            // The map line's text, once cleaned, is examined again as a
            // register line below; files rely on this being harmless.
            line = line.remove(';').replace('.', 'v').trimmed();
            mapName = line;
        }
        if (!line.startsWith(QLatin1String("Reg")))
            continue;
        QMap<qint32, HexValue> &registers = table[mapName];

        line.replace(QLatin1String("Reg"), QLatin1String(" "))
            .replace('\t', ' ')
            .replace(QLatin1String("0x"), QLatin1String(" "))
            .replace('$', ' ')
            .replace('&', ' ');
        const QStringList pieces = line.split(' ', Qt::SkipEmptyParts);
        if (pieces.size() != 2)
            return lineError(lineNumber);
        bool numberOk = false;
        bool valueOk = false;
        const qint32 reg = qint32(pieces[0].toUInt(&numberOk, 10));
        const uint value = pieces[1].toUInt(&valueOk, 16);
        if (!numberOk || !valueOk)
            return lineError(lineNumber);
        registers[reg] = HexValue{quint8(value & 0xFF), lineNumber};
    }
    return content.refused() ? noRegisterLines(path) : QString();
}

QString HexReader::readForChip(QIODevice &file, const QString &path,
                               const QMap<QString, int> &regCounts, bool checkNames,
                               HexWriteList &list)
{
    list = HexWriteList();
    FileContent content;
    int lineNumber = 0;
    QString section;
    while (!file.atEnd()) {
        ++lineNumber;
        const Line read = nextLine(file);
        QString line = read.text.trimmed();
        const bool mapLine = line.startsWith(';');
        const bool registerLine = line.startsWith(QLatin1String("Reg"));
        content.note(cutComments(line), mapLine || registerLine);
        if ((mapLine || registerLine) && read.cut)
            return lineError(lineNumber);
        if (mapLine) {
            section = line.mid(1);
            if (checkNames && !regCounts.contains(QString(section).replace('.', 'v')))
                return QStringLiteral("Error: ")
                       + QCoreApplication::translate("clerk", "RegMap name is incurrect\nor not exist");
            list.registers << HexWriteList::sectionMark;
            list.values << 0;
            continue;
        }
        if (!registerLine)
            continue;

        line.replace('\t', ' ')
            .remove('&')
            .remove(QLatin1String("0x"))
            .remove(QLatin1String("Reg"));
        const QStringList pieces = line.split(' ', Qt::SkipEmptyParts);
        if (pieces.size() < 2)
            continue;
        // A piece that is not a number must not turn into register 0 or the
        // value 0 on the chip, nor may a number fall outside the map.
        bool numberOk = false;
        bool valueOk = false;
        const qint32 reg = qint32(pieces[0].toUInt(&numberOk, 10));
        const uint value = pieces[1].toUInt(&valueOk, 16);
        if (!numberOk || !valueOk || reg < 0 || reg >= registerLimit(regCounts, section))
            return lineError(lineNumber);
        list.registers << reg;
        list.values << quint8(value & 0xFF);
    }
    return content.refused() ? noRegisterLines(path) : QString();
}
