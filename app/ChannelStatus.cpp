#include "ChannelStatus.h"

#include "ValueTables.h"

QStringList ChannelStatus::cellTexts(quint8 s9, quint8 s10)
{
    static const char *const agcMarks[] = {"+", "<", ">", "?"};
    const int rfCode = s9 & 0x0F;
    const int coarseCode = s10 & 0x1F;
    const int fineCode = (s10 >> 5) * 4 + (s9 >> 6);
    return {
        QString::fromLatin1(agcMarks[(s9 >> 4) & 3]),
        QString::number(rfCode),
        QString::number(rfCode * 0.95 + 2.35, 'g', 6),
        QString::number(coarseCode),
        ifa_mangc_db[size_t(coarseCode)],
        QString::number(fineCode),
        ifa_gain_db[size_t(fineCode)],
    };
}
