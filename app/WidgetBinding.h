#pragma once
#include <QMap>
#include <QObject>
#include <QString>
#include <QWidget>
#include <vector>

#include "part.h"

// The one walk that gives the widgets of the tool's forms their meaning by
// object name: register fields, derived displays, panel buttons and settings
// widgets. It connects them to the receiver's change_Value, change_Setting
// and Button_open_window_clicked slots and collects what the main window
// keeps of them.
class WidgetBinding
{
public:
    // Walks every descendant of the windows, breadth first, windows in key
    // order. Duplicate field names are shown in a modal box as they are met.
    WidgetBinding(const QMap<QString, QWidget *> &windows, QObject *receiver);

    QMap<QString, part *> fields;            // field name -> record
    QMap<QString, int> chipBits;             // chip -> bits its fields reach
    QMap<QString, part *> displayFields;     // read-only displays
    QMap<QString, QObject *> settingWidgets; // full object name -> widget
    QMap<QString, int> settings;             // settings key -> initial value
    std::vector<part *> records;             // every record made, for the owner
    // The placement each bound widget shows as its tool tip; a form that
    // sets its texts again loses them.
    QMap<QWidget *, QString> placementTips;

    // Registers a map of `bits` bits needs.
    static int registerCount(int bits) { return bits / 8 + (bits % 8 > 0 ? 1 : 0); }

private:
    void visit(QObject *object);
    void bindField(QObject *object, part *field);
    void bindDisplay(QObject *object);
    void bindButton(QObject *object);
    void bindSetting(QObject *object);
    void setPlacementTip(QObject *object, const part *field);

    const QMap<QString, QWidget *> &windows;
    QObject *receiver;
};
