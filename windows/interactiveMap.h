#pragma once
#include <QMap>
#include <QString>
#include <QWidget>

class RegMap;

// Interactive register map: every register map as a grid of bits with the
// fields they belong to.
class interactiveMap : public QWidget
{
    Q_OBJECT
public:
    explicit interactiveMap(QMap<QString, RegMap *> *regMaps, QWidget *parent = nullptr);
    ~interactiveMap() override;

    // Repaints the cells of one field after its value was stored.
    void refreshModel(const QString &chip, const QString &fieldName);

signals:
    void fokus_widget(QWidget *widget);
    void send_message(QString text);

private:
    QMap<QString, RegMap *> *regMaps;
};
