#include "WidgetBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <limits>
#include <memory>

#include "MainClass.h"
#include "mapshow.h"

namespace {

// Change signals by class name; a class name that contains none of these
// gets no connection.
struct ChangeSignal
{
    const char *className;
    const char *signal;
};
const ChangeSignal changeSignals[] = {
    {"QSpinBox", SIGNAL(valueChanged(int))},
    {"QCheckBox", SIGNAL(stateChanged(int))},
    {"QComboBox", SIGNAL(currentIndexChanged(int))},
};

void connectChange(QObject *object, const QString &className, QObject *receiver, const char *slot)
{
    for (const ChangeSignal &change : changeSignals)
        if (className.contains(QLatin1String(change.className)))
            QObject::connect(object, change.signal, receiver, slot);
}

void makeReadOnly(QObject *object)
{
    if (auto *edit = qobject_cast<QLineEdit *>(object))
        edit->setReadOnly(true);
}

// Bits up to the end of the furthest piece of the field.
int furthestBit(const part &field)
{
    qint64 end = 0;
    for (size_t i = 0; i < field.bitStarts.size() && i < field.widths.size(); ++i)
        end = qMax(end, qint64(field.bitStarts[i]) + field.widths[i]);
    return int(qMin<qint64>(end, std::numeric_limits<int>::max()));
}

// The current value a settings widget seeds the settings map with.
bool settingValue(QObject *object, const QString &className, int *value)
{
    if (className.contains("QSpinBox")) {
        *value = object->property("value").toInt();
        return true;
    }
    if (className.contains("QCheckBox")) {
        *value = object->property("checked").toBool() ? 1 : 0;
        return true;
    }
    if (className.contains("QComboBox")) {
        *value = object->property("currentIndex").toInt();
        return true;
    }
    return false;
}

} // namespace

WidgetBinding::WidgetBinding(const QMap<QString, QWidget *> &windows, QObject *receiver)
    : windows(windows), receiver(receiver)
{
    QList<QObject *> queue;
    for (QWidget *window : windows)
        queue += window->children();
    for (int i = 0; i < queue.size(); ++i) {
        QObject *object = queue.at(i);
        queue += object->children();
        visit(object);
    }
}

void WidgetBinding::visit(QObject *object)
{
    const QString name = object->objectName();
    if (part *field = mapshow::ParseObjName(name)) {
        records.push_back(field);
        bindField(object, field);
    } else if (name.contains(QLatin1String("_Expression"), Qt::CaseInsensitive)) {
        bindDisplay(object);
    } else if (QLatin1String(object->metaObject()->className()) == QLatin1String("QPushButton")) {
        bindButton(object);
    } else if (name.contains(QLatin1String("Setting"), Qt::CaseInsensitive)) {
        bindSetting(object);
    }
}

void WidgetBinding::bindField(QObject *object, part *field)
{
    const QString className = object->metaObject()->className();
    field->widget = qobject_cast<QWidget *>(object);

    int &bits = chipBits[field->chip];
    bits = qMax(bits, furthestBit(*field));

    if (fields.contains(field->name)) {
        QMessageBox box;
        box.setText(QString::fromUtf8("Совпадение имён! ") + field->name);
        box.exec();
    }
    fields.insert(field->name, field);

    if (className.contains("QLineEdit")) {
        displayFields.insert(field->name, field);
        makeReadOnly(object);
    }
    if (className.contains("QLabel"))
        displayFields.insert(field->name, field);
    connectChange(object, className, receiver, SLOT(change_Value(int)));

    // The field's width limits the value, not the spin box.
    if (className.compare("QSpinBox", Qt::CaseInsensitive) == 0)
        object->setProperty("maximum", std::numeric_limits<int>::max());
    setPlacementTip(object, field);
}

void WidgetBinding::setPlacementTip(QObject *object, const part *field)
{
    const QString tip = MainClass::fieldPlaceText(field);
    object->setProperty("toolTip", tip);
    if (auto *widget = qobject_cast<QWidget *>(object))
        placementTips.insert(widget, tip);
}

void WidgetBinding::bindDisplay(QObject *object)
{
    const QString name = object->objectName();
    auto *display = new part;
    records.push_back(display);
    display->widget = qobject_cast<QWidget *>(object);
    const int cut = name.indexOf("_Expression");
    displayFields.insert(cut < 0 ? name : name.left(cut), display);
    makeReadOnly(object);

    // The tooltip of the field the display derives from, found among its
    // siblings ("IRC_DivR_KV2260v2_Expression" -> "KV_IRC_DivR_KV2260v2").
    const QString label = "KV_" + name.left(name.lastIndexOf('_'));
    if (!object->parent())
        return;
    for (QObject *sibling : object->parent()->children()) {
        if (!sibling->objectName().contains(label))
            continue;
        std::unique_ptr<part> field(mapshow::ParseObjName(sibling->objectName()));
        if (field) {
            setPlacementTip(object, field.get());
            return;
        }
    }
}

void WidgetBinding::bindButton(QObject *object)
{
    if (windows.contains(object->objectName().mid(6)))
        QObject::connect(object, SIGNAL(clicked()), receiver, SLOT(Button_open_window_clicked()));
}

void WidgetBinding::bindSetting(QObject *object)
{
    const QString className = object->metaObject()->className();
    QString key = object->objectName();
    key.remove("Setting_");
    int value = 0;
    if (settingValue(object, className, &value))
        settings.insert(key, value);
    connectChange(object, className, receiver, SLOT(change_Setting(int)));
    settingWidgets.insert(object->objectName(), object);
}
