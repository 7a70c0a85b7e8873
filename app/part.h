#pragma once
#include <QString>
#include <QWidget>
#include <vector>

// One register field of a chip, as a widget's object name describes it:
// KV_<FIELD>_<CHIP>_<bits>_<widths>[_I]. The field's value is an unsigned
// number whose most significant bits lie in the first piece; within a piece
// its first (lowest-numbered) bit is its most significant one.
struct part
{
    QString name;                   // "<FIELD>_<chip>", key in the field table
    int width = 0;                  // sum of the piece widths
    int startBit = 0;               // first bit of the first piece
    QWidget *widget = nullptr;      // the bound widget, not owned
    QString chip;                   // register map the field belongs to
    bool inverted = false;          // widget shows the logical NOT of the field
    bool multiPiece = false;        // field is split into several pieces
    std::vector<unsigned> widths;   // width of each piece
    std::vector<unsigned> bitStarts; // global first bit of each piece
};
