#include "MainClass.h"

#include <QStringList>
#include <algorithm>

MainClass::MainClass(QWidget *parent) : QMainWindow(parent)
{
}

MainClass::~MainClass() = default;

namespace {

// "Reg<r> <D<hi>...>" for the bits of one piece that lie in the register of
// bit `first`, up to the piece's last bit.
QString registerEntry(quint64 first, quint64 last)
{
    const quint64 reg = first / 8;
    const QString entry = QString("Reg%1 <D%2").arg(reg).arg(7 - first % 8);
    if (first == last)
        return entry + ">";
    if (reg != last / 8)
        return entry + (first % 8 == 7 ? ">" : "-D0>");
    return entry + QString("-D%1>").arg(7 - last % 8);
}

// The entries of one piece, one per register it touches, joined by ",".
QString pieceText(quint64 start, quint64 width)
{
    if (width == 0)
        return QString();
    const quint64 last = start + width - 1;
    QStringList entries;
    for (quint64 bit = start; bit <= last; bit = (bit / 8) * 8 + 8)
        entries << registerEntry(bit, last);
    return entries.join(',');
}

} // namespace

QString MainClass::fieldPlaceText(const part *field)
{
    QString text;
    if (!field)
        return text;
    const size_t pieces = std::min(field->bitStarts.size(), field->widths.size());
    for (size_t i = 0; i < pieces; ++i)
        text += pieceText(field->bitStarts[i], field->widths[i]);
    return text;
}
