#pragma once
#include <QMap>
#include <QString>
#include <QtGlobal>
#include <vector>

#include "part.h"

class QTableView;
class QWidget;

// One byte per register, register 0 first.
using RegImage = std::vector<quint8>;

// Global bit b of an image of 8-bit registers: bit 7 - (b mod 8) of byte
// b div 8, so bit 0 is the most significant bit of register 0. Bits past the
// end of the image read as 0.
qint16 getBit(const RegImage &image, unsigned bit);

// The register images of one chip and the fields bound to them. Bit and
// widget operations ignore bits at or beyond regCount * bitsPerReg: they read
// as 0 and are never written.
class RegMap
{
public:
    QString name;
    quint8 mapNumber = 0;
    int bitsPerReg = 8;
    int regCount = 0;
    RegImage wr;   // what the GUI holds and the write commands send
    RegImage rd;   // what was last read from the chip
    RegImage cfg;  // what the last register file loaded into the GUI held
    QMap<QString, part *> fields;  // field name -> record, in name order
    QTableView *view = nullptr;    // the map's register table, may be null

    // Whoever shows the images (the register table) listens here: it is told
    // of every wr bit the widget operations change or show, and repaints
    // that bit's cells. Changes the widget operations do not make (a read or
    // a load) it finds for itself when asked to refresh.
    class Listener
    {
    public:
        virtual void bitChanged(int bit) = 0;

    protected:
        ~Listener() = default;
    };
    Listener *listener = nullptr;
    // While set, the widget operations tell the listener nothing; whoever
    // set it has the listener refresh once afterwards.
    bool repaintsHeld = false;

    RegMap() = default;
    RegMap(const QString &name, int regCount, quint8 mapNumber);

    qint16 getBit(const RegImage &image, unsigned bit) const;
    void setBit(RegImage &image, int bit, int value);
    int getBits(int first, int count) const;
    void setBits(int first, int count, quint32 value);
    bool testRange(int first, int width) const;

    // Value the field's widget shows (a spin box above the field's range is
    // pulled back to the largest value that fits).
    int getWidgetValue(const QString &fieldName);
    // Stores the widget's value into wr, writing only the bits that differ.
    int storeWidgetValue(const QString &fieldName);
    // Shows the field's bits of an image in its widget.
    void setWidgetValue(const QString &fieldName, const RegImage &image);
    // Whether the field's widget can show the field's value in an image: a
    // spin box clamps a value outside its range, a combo box shows no item
    // for a code past its list. Other widgets show every value.
    bool widgetCanShow(const QString &fieldName, const RegImage &image) const;
    // Shows an image in every field's widget without a change signal, so
    // nothing is stored back; the table is left for the caller to repaint.
    void setWidgetsSilently(const RegImage &image);
    // Tells the listener that a wr bit changed, for callers that change wr
    // with setBit.
    void repaintBit(unsigned bit) const;

private:
    bool holds(qint64 bit) const;
    // The field's value in an image as its widget shows it (inverted for an
    // inverted field).
    quint32 shownValue(const part &field, const RegImage &image) const;
    int widgetValue(const part &field);
    void showInWidget(const part &field, const RegImage &image);
};
