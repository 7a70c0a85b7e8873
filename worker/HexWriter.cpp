#include "HexWriter.h"

#include <QFile>
#include <QSaveFile>

#include "HexReader.h"

QString HexWriter::mapLine(const QString &mapName)
{
    return QStringLiteral(";") + HexReader::mapNameInFile(mapName);
}

QString HexWriter::registerLine(int reg, quint8 value)
{
    const QString hex = QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("Reg%1\t%2").arg(reg).arg(hex);
}

QString HexWriter::mapText(const QString &mapName, const RegImage &values,
                           const RegImage *unchanged, const QMap<int, QString> *comments)
{
    QString text = mapLine(mapName) + '\n';
    for (size_t reg = 0; reg < values.size(); ++reg) {
        if (unchanged && reg < unchanged->size() && (*unchanged)[reg] == values[reg])
            continue;
        text += registerLine(int(reg), values[reg]);
        if (comments)
            text += QStringLiteral(" //") + comments->value(int(reg));
        text += '\n';
    }
    return text;
}

HexWriter::Result HexWriter::save(const QString &path, const QByteArray &text, bool merge)
{
    QByteArray content;
    if (merge && QFile::exists(path)) {
        QFile old(path);
        if (!old.open(QIODevice::ReadOnly))
            return NotOpened;
        content = old.readAll();
        if (old.error() != QFileDevice::NoError)
            return NotOpened;
        // The new lines must not run on from an unfinished last line.
        if (!content.isEmpty() && !content.endsWith('\n'))
            content += '\n';
    }
    content += text;

    // Unbuffered, so a short write shows here: a buffered one can be cut
    // short at commit without any error being reported.
    QSaveFile file(path);
    // A folder that refuses a temporary file may still let the file itself
    // be written: then it is written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return NotOpened;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return NotWritten;
    }
    return file.commit() ? Saved : NotWritten;
}
