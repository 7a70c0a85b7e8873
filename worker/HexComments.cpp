#include "HexComments.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVariant>

#include "RegMap.h"
#include "SiblingIndex.h"

namespace {

const QString entrySeparator = QStringLiteral("\n\t   //");
// A field's caption and derived display are the siblings named after it
// with these.
const QString captionMarker = QStringLiteral("LabelG");
const QString displayMarker = QStringLiteral("_Expression");

QString textOf(const QObject *object)
{
    return object ? object->property("text").toString() : QString();
}

QString oneLine(QString text)
{
    return text.replace('\n', ' ');
}

bool takesPart(const RegMap &map, const part &field)
{
    const size_t pieces = std::min(field.bitStarts.size(), field.widths.size());
    for (size_t i = 0; i < pieces; ++i)
        if (map.testRange(int(field.bitStarts[i]), int(field.widths[i])))
            return true;
    return false;
}

} // namespace

QString HexComments::fieldText(const RegMap &map, const part &field, unsigned startBit,
                               SiblingIndex &captions, SiblingIndex &displays)
{
    const QWidget *widget = field.widget;
    const QString cls = QString::fromLatin1(widget->metaObject()->className());
    // "<FIELD>_<chip>" -> "<FIELD>LabelG"
    const QString fieldName = field.name.left(field.name.lastIndexOf('_'));
    const QObject *caption = captions.lastSibling(widget, fieldName + captionMarker);

    if (cls.contains("QCheckBox")) {
        const auto *box = qobject_cast<const QAbstractButton *>(widget);
        return textOf(widget) + ": "
               + (box && box->isChecked() ? QStringLiteral("enabled") : QStringLiteral("disabled"));
    }
    if (cls.contains("QComboBox")) {
        const auto *combo = qobject_cast<const QComboBox *>(widget);
        return oneLine(textOf(caption)) + ": " + (combo ? combo->currentText() : QString());
    }
    if (cls.contains("QSpinBox")) {
        QString text;
        if (map.name.contains("2240") && startBit >= 824 && startBit <= 855)
            text = QStringLiteral("IQ phase currection ");
        if (!caption)
            return text;
        const QObject *display = displays.lastSibling(widget, field.name + displayMarker);
        if (display)
            return text + textOf(caption) + ": " + oneLine(textOf(display)) + " ";
        const auto *spin = qobject_cast<const QSpinBox *>(widget);
        return text + textOf(caption) + ": " + " " + QString::number(spin ? spin->value() : 0);
    }
    if (cls.contains("QLineEdit"))
        return oneLine(textOf(caption)) + ": " + textOf(widget);
    if (cls.contains("QLabel")) {
        QString shown = textOf(widget);
        // A status lamp shows an image: the comment gives its bit instead.
        if (shown.isEmpty())
            shown = QString::number(map.getBit(map.wr, startBit));
        return textOf(caption) + ": " + shown;
    }
    return QString();
}

QMap<int, QString> HexComments::build(const RegMap &map, bool changesOnly)
{
    QMap<int, QString> comments;
    for (int reg = 0; reg < map.regCount; ++reg)
        comments.insert(reg, QString());
    SiblingIndex captions(captionMarker);
    SiblingIndex displays(displayMarker);

    for (const part *field : map.fields) {
        if (!field || !field->widget)
            continue;
        if (changesOnly && !takesPart(map, *field))
            continue;
        const size_t pieces = std::min(field->bitStarts.size(), field->widths.size());
        for (size_t i = 0; i < pieces; ++i) {
            const quint64 first = field->bitStarts[i];
            const quint64 width = field->widths[i];
            if (width == 0)
                continue;
            const QString text = fieldText(map, *field, unsigned(first), captions, displays);
            // A piece spanning registers comments every register it covers.
            for (qint64 reg = qint64((first + width - 1) / 8); reg >= qint64(first / 8); --reg) {
                QString &entry = comments[int(reg)];
                if (!entry.isEmpty())
                    entry += entrySeparator;
                entry += text;
            }
        }
    }
    return comments;
}
