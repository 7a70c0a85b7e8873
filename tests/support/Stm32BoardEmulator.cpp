#include "Stm32BoardEmulator.h"

Stm32BoardEmulator::Stm32BoardEmulator()
    : link(&SpiBoardModel::frameLength, [this](const QByteArray &frame) { return model.answer(frame); })
{
}
