#include "RegMap.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QSpinBox>

namespace {

// Widgets are told apart by their exact class name, ignoring case, so a
// subclass of a known widget is none of these.
enum class WidgetKind { Other, Button, Combo, Spin, DoubleSpin, Label, LineEdit };

WidgetKind kindOf(const QWidget *widget)
{
    static const QHash<QString, WidgetKind> kinds = {
        {"qcheckbox", WidgetKind::Button},     {"qradiobutton", WidgetKind::Button},
        {"qcombobox", WidgetKind::Combo},      {"qspinbox", WidgetKind::Spin},
        {"qdoublespinbox", WidgetKind::DoubleSpin}, {"qlabel", WidgetKind::Label},
        {"qlineedit", WidgetKind::LineEdit},
    };
    // The name of a class is read once, when its first widget is bound;
    // its later widgets are known by their meta-object.
    static thread_local QHash<const QMetaObject *, WidgetKind> known;
    if (!widget)
        return WidgetKind::Other;
    const QMetaObject *meta = widget->metaObject();
    const auto found = known.constFind(meta);
    if (found != known.cend())
        return found.value();
    const WidgetKind kind =
        kinds.value(QString::fromLatin1(meta->className()).toLower(), WidgetKind::Other);
    known.insert(meta, kind);
    return kind;
}

// Every bit of a field, least significant first: pieces from the last to the
// first, and within a piece from its last bit back to its first.
template <typename Visit>
void forEachBitLsbFirst(const part &field, Visit visit)
{
    const size_t pieces = std::min(field.bitStarts.size(), field.widths.size());
    for (size_t i = pieces; i-- > 0;) {
        const quint64 start = field.bitStarts[i];
        for (quint64 j = field.widths[i]; j-- > 0;)
            visit(start + j);
    }
}

int readSpinBox(QSpinBox *box, int width)
{
    const quint32 value = quint32(box->value());
    const quint64 limit = quint64(1) << width;
    if (value < limit)
        return int(value);
    // Out of the field's range (negative values included): show the largest
    // value that fits.
    const int largest = int(quint32(limit - 1));
    box->setValue(largest);
    return largest;
}

void showLamp(QLabel *label, const part &field, quint32 value)
{
    if (field.width >= 2) {
        label->setText(QString::number(value));
        return;
    }
    // Loaded once: every lamp of the forms shows one of these three.
    static const QPixmap good(":/Bulb-good.png");
    static const QPixmap bad(":/Bulb-bad.png");
    static const QPixmap disabled(":/Bulb-disabled.png");
    const QPixmap &image = !label->isEnabled() ? disabled : value ? good : bad;
    // A lamp already showing its image is not drawn again.
    if (label->pixmap(Qt::ReturnByValue).cacheKey() != image.cacheKey())
        label->setPixmap(image);
}

} // namespace

qint16 getBit(const RegImage &image, unsigned bit)
{
    if (bit / 8 >= image.size())
        return 0;
    return (image[bit / 8] >> (7 - bit % 8)) & 1;
}

RegMap::RegMap(const QString &name, int regCount, quint8 mapNumber)
    : name(name), mapNumber(mapNumber), regCount(regCount),
      wr(size_t(qMax(regCount, 0)), 0), rd(wr), cfg(wr)
{
}

bool RegMap::holds(qint64 bit) const
{
    return bit >= 0 && bit < qint64(regCount) * bitsPerReg;
}

qint16 RegMap::getBit(const RegImage &image, unsigned bit) const
{
    if (!holds(bit) || bit / bitsPerReg >= image.size())
        return 0;
    return (image[bit / bitsPerReg] >> (7 - bit % bitsPerReg)) & 1;
}

void RegMap::setBit(RegImage &image, int bit, int value)
{
    if (!holds(bit) || size_t(bit / bitsPerReg) >= image.size())
        return;
    const int k = 7 - bit % 8;
    quint8 &byte = image[bit / bitsPerReg];
    byte = quint8((byte & ~(1u << k)) + (unsigned(value) << k));
}

int RegMap::getBits(int first, int count) const
{
    int value = 0;
    for (int i = 0; i < count; ++i)
        value = 2 * value + getBit(wr, unsigned(first + i));
    return value;
}

void RegMap::setBits(int first, int count, quint32 value)
{
    for (int i = count - 1; i >= 0; --i) {
        const int bit = int(value & 1);
        if (getBit(wr, unsigned(first + i)) != bit)
            setBit(wr, first + i, bit);
        value >>= 1;
    }
}

bool RegMap::testRange(int first, int width) const
{
    Q_UNUSED(first);
    Q_UNUSED(width);
    return false;
}

int RegMap::getWidgetValue(const QString &fieldName)
{
    const part *field = fields.value(fieldName);
    return field ? widgetValue(*field) : 0;
}

int RegMap::widgetValue(const part &field)
{
    QWidget *widget = field.widget;
    if (!widget)
        return 0;
    int value = 0;
    switch (kindOf(widget)) {
    case WidgetKind::Button:
        value = static_cast<QAbstractButton *>(widget)->isChecked() ? 1 : 0;
        break;
    case WidgetKind::Combo:
        value = static_cast<QComboBox *>(widget)->currentIndex();
        break;
    case WidgetKind::Spin:
        value = readSpinBox(static_cast<QSpinBox *>(widget), field.width);
        break;
    case WidgetKind::DoubleSpin:
        value = int(static_cast<QDoubleSpinBox *>(widget)->value());
        break;
    default:
        break;
    }
    if (field.inverted)
        value = value == 0 ? 1 : 0;
    return value;
}

int RegMap::storeWidgetValue(const QString &fieldName)
{
    const part *field = fields.value(fieldName);
    if (!field)
        return 0;
    const int value = widgetValue(*field);
    quint32 rest = quint32(value);
    forEachBitLsbFirst(*field, [&](quint64 bit) {
        const int wanted = int(rest & 1);
        rest >>= 1;
        if (!holds(qint64(bit)) || getBit(wr, unsigned(bit)) == wanted)
            return;
        setBit(wr, int(bit), wanted);
        repaintBit(unsigned(bit));
    });
    return value;
}

void RegMap::setWidgetsSilently(const RegImage &image)
{
    const bool held = repaintsHeld;
    repaintsHeld = true;
    for (const part *field : qAsConst(fields)) {
        const QSignalBlocker silence(field->widget);
        showInWidget(*field, image);
    }
    repaintsHeld = held;
}

void RegMap::setWidgetValue(const QString &fieldName, const RegImage &image)
{
    if (const part *field = fields.value(fieldName))
        showInWidget(*field, image);
}

void RegMap::showInWidget(const part &field, const RegImage &image)
{
    forEachBitLsbFirst(field, [&](quint64 bit) {
        if (holds(qint64(bit)))
            repaintBit(unsigned(bit));
    });
    const quint32 shown = shownValue(field, image);

    QWidget *widget = field.widget;
    switch (kindOf(widget)) {
    case WidgetKind::Button:
        static_cast<QAbstractButton *>(widget)->setChecked(shown != 0);
        break;
    case WidgetKind::Combo:
        static_cast<QComboBox *>(widget)->setCurrentIndex(int(shown));
        break;
    case WidgetKind::Spin:
        static_cast<QSpinBox *>(widget)->setValue(int(shown));
        break;
    case WidgetKind::DoubleSpin:
        static_cast<QDoubleSpinBox *>(widget)->setValue(shown);
        break;
    case WidgetKind::Label:
        showLamp(static_cast<QLabel *>(widget), field, shown);
        break;
    case WidgetKind::LineEdit:
        static_cast<QLineEdit *>(widget)->setText(QString::number(shown));
        break;
    case WidgetKind::Other:
        break;
    }
}

quint32 RegMap::shownValue(const part &field, const RegImage &image) const
{
    quint64 value = 0;
    quint64 weight = 1;
    forEachBitLsbFirst(field, [&](quint64 bit) {
        if (holds(qint64(bit)) && getBit(image, unsigned(bit)))
            value += weight;
        weight <<= 1;
    });
    const quint32 shown = quint32(value);
    if (field.inverted)
        return shown == 0 ? 1 : 0;
    return shown;
}

bool RegMap::widgetCanShow(const QString &fieldName, const RegImage &image) const
{
    const part *field = fields.value(fieldName);
    if (!field)
        return true;
    const qint64 shown = shownValue(*field, image);
    QWidget *widget = field->widget;
    switch (kindOf(widget)) {
    case WidgetKind::Combo:
        return shown < static_cast<QComboBox *>(widget)->count();
    case WidgetKind::Spin: {
        const auto *box = static_cast<QSpinBox *>(widget);
        return shown >= box->minimum() && shown <= box->maximum();
    }
    case WidgetKind::DoubleSpin: {
        const auto *box = static_cast<QDoubleSpinBox *>(widget);
        return shown >= box->minimum() && shown <= box->maximum();
    }
    default:
        return true;
    }
}

void RegMap::repaintBit(unsigned bit) const
{
    if (listener && !repaintsHeld)
        listener->bitChanged(int(bit));
}
