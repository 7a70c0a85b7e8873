#include "mapshow.h"

#include <QStringList>

#include "RegMap.h"

mapshow::mapshow(QWidget *parent) : QWidget(parent)
{
    setObjectName("mapshow");
}

mapshow::~mapshow() = default;

void mapshow::on_spinBox_column_num_valueChanged(int columns)
{
    Q_UNUSED(columns);
}

void mapshow::on_spinBox_font_size_valueChanged(int sz)
{
    // A new font size takes effect at the next relayout.
    Q_UNUSED(sz);
}

namespace {

const unsigned maxFieldWidth = 32;

// A number list of an object name: decimals joined by "p". Texts that are
// not numbers read as 0, as the binding always has.
std::vector<unsigned> parseNumberList(const QString &text)
{
    std::vector<unsigned> numbers;
    for (const QString &piece : text.split('p', Qt::KeepEmptyParts))
        numbers.push_back(piece.toUInt());
    return numbers;
}

} // namespace

part *mapshow::ParseObjName(QString OName)
{
    if (OName.isEmpty())
        return nullptr;
    QStringList parts = OName.split('_', Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (parts.first() != QLatin1String("KV"))
        return nullptr;
    parts.removeFirst();

    // After "KV": at least the chip, bits and widths; one more part when the
    // last one marks inversion.
    const bool inverted = parts.last().contains('I');
    const int widthIndex = parts.size() - (inverted ? 2 : 1);
    if (widthIndex < 2)
        return nullptr;

    const QString &widthText = parts[widthIndex];
    const QString &bitText = parts[widthIndex - 1];
    std::vector<unsigned> widths = parseNumberList(widthText);
    std::vector<unsigned> bitStarts = parseNumberList(bitText);
    if (widths.size() != bitStarts.size())
        return nullptr;
    // Every piece holds at least one bit, and the value fits 32 bits.
    unsigned total = 0;
    for (unsigned w : widths) {
        if (w == 0 || w > maxFieldWidth - total)
            return nullptr;
        total += w;
    }

    auto *record = new part;
    record->inverted = inverted;
    record->multiPiece = widthText.contains('p');
    for (unsigned w : widths)
        record->width += int(w);
    record->widths = std::move(widths);
    record->startBit = bitText.section('p', 0, 0).toInt();
    record->bitStarts = std::move(bitStarts);
    record->chip = parts[widthIndex - 2];
    record->name = parts.mid(0, widthIndex - 1).join('_');
    return record;
}
