#include "Stm32BoardEmulator.h"

Stm32BoardEmulator::Stm32BoardEmulator()
    : link([this](const QByteArray &pending) { return model.frameLength(pending); },
           [this](const QByteArray &frame) { return model.answer(frame); })
{
}
