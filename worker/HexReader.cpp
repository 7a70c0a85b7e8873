#include "HexReader.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QStringList>

namespace {

// The whole line, NUL bytes included: a line must not pass for the text in
// front of its first NUL.
QString nextLine(QIODevice &file)
{
    const QByteArray bytes = file.readLine();
    return QString::fromLocal8Bit(bytes.constData(), bytes.size());
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

} // namespace

QString HexReader::lineError(int line)
{
    return QStringLiteral("Error: .hex unexpected value at line ") + QString::number(line);
}

QString HexReader::mapNameInFile(const QString &mapName)
{
    return QString(mapName).replace('v', '.');
}

QString HexReader::readForGui(QIODevice &file, const std::atomic<bool> &interrupt,
                              HexMapTable &table)
{
    table.clear();
    int lineNumber = 0;
    QString mapName;
    while (!file.atEnd()) {
        ++lineNumber;
        QString line = cutComments(nextLine(file));
        if (interrupt)
            return QStringLiteral("Error: Interrupted");
        if (line.startsWith(';')) {
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
    return QString();
}

QString HexReader::readForChip(QIODevice &file, const QMap<QString, int> &regCounts,
                               bool checkNames, HexWriteList &list)
{
    list = HexWriteList();
    int lineNumber = 0;
    QString section;
    while (!file.atEnd()) {
        ++lineNumber;
        QString line = nextLine(file).trimmed();
        if (line.startsWith(';')) {
            section = line.mid(1);
            if (checkNames && !regCounts.contains(QString(section).replace('.', 'v')))
                return QStringLiteral("Error: ")
                       + QCoreApplication::translate("clerk", "RegMap name is incurrect\nor not exist");
            list.registers << HexWriteList::sectionMark;
            list.values << 0;
            continue;
        }
        if (!line.startsWith(QLatin1String("Reg")))
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
    return QString();
}
