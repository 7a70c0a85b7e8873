#pragma once
#include "AtmelTransport.h"

// Transport of the KV2290 on the Atmel evaluation board: the KV2260's
// frames, with range frames marked by autoIncFlag and a single read whose
// address byte goes least significant bit first.
class KV2290_atmel_API : public AtmelTransport
{
    Q_OBJECT
public:
    KV2290_atmel_API();

protected:
    const SpiDialect &dialect() const override;
    QByteArray readFrame(quint8 map, int reg) const override;
};
