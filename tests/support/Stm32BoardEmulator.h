#pragma once
#include "PtyBoardLink.h"
#include "SpiBoardModel.h"

// An STM32 evaluation board on a fresh pseudo-terminal: open portPath() as
// the transport's device name. It holds the chip's registers and answers
// every register frame with a reply of the frame's length (see SpiBoardModel);
// frames with another lead byte are echoed. Usable from any thread.
class Stm32BoardEmulator
{
public:
    using Fault = PtyBoardLink::Fault;

    Stm32BoardEmulator();

    QString portPath() const { return link.portPath(); }

    quint8 registerValue(int reg) const { return model.value(reg); }
    void setRegisterValue(int reg, quint8 value) { model.setValue(reg, value); }
    QByteArray registers() const { return model.registers(); }
    void setRegisters(const QByteArray &values) { model.setRegisters(values); }
    void setWriteFrames(SpiBoardModel::WriteFrames kind) { model.setWriteFrames(kind); }
    SpiBoardModel &board() { return model; }

    void setFault(Fault fault, int goodRepliesFirst = 0) { link.setFault(fault, goodRepliesFirst); }
    void setPacing(int baud) { link.setPacing(baud); }
    void setSplitDelay(int ms) { link.setSplitDelay(ms); }
    void inject(const QByteArray &bytes) { link.inject(bytes); }

    // Every frame received so far, oldest first.
    QList<QByteArray> frames() const { return link.frames(); }
    void clearFrames() { link.clearFrames(); }

private:
    SpiBoardModel model;
    PtyBoardLink link;  // last: its thread stops before the model goes
};
