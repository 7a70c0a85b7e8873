#include "interactiveMap.h"

interactiveMap::interactiveMap(QMap<QString, RegMap *> *regMaps, QWidget *parent)
    : QWidget(parent), regMaps(regMaps)
{
    setObjectName("interactiveMap");
}

interactiveMap::~interactiveMap() = default;

void interactiveMap::refreshModel(const QString &chip, const QString &fieldName)
{
    Q_UNUSED(chip);
    Q_UNUSED(fieldName);
}
