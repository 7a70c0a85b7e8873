#pragma once
#include <QMap>
#include <QString>

class RegMap;
class SiblingIndex;
struct part;

// Comments of a saved register file: for every register, what the bound
// widgets of the fields in it show, with their captions. Reads widgets, so
// it must run in the GUI thread.
class HexComments
{
public:
    // Register number -> comment, one entry for every register of `map`.
    // With changesOnly, only fields that touch a changed range take part.
    static QMap<int, QString> build(const RegMap &map, bool changesOnly);

private:
    // Captions and displays are looked up among the widget's siblings.
    static QString fieldText(const RegMap &map, const part &field, unsigned startBit,
                             SiblingIndex &captions, SiblingIndex &displays);
};
