#pragma once
#include <QStringList>
#include <QtGlobal>

// Decodes the two status registers in which the chip reports the live gain
// state of the channel selected by Ch_StNumSel: register 9 (RF AGC state,
// RF gain code, low bits of the IF fine gain) and register 10 (IF coarse
// gain, high bits of the IF fine gain).
class ChannelStatus
{
public:
    static const int statusSelectRegister = 5;
    static const int statusLowRegister = 9;
    static const int statusHighRegister = 10;

    // The seven cell texts of a channel: RF AGC state, RF gain code, RF gain
    // in dB, IF coarse gain code and dB, IF fine gain code and dB.
    static QStringList cellTexts(quint8 s9, quint8 s10);
};
