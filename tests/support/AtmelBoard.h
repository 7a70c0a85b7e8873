#pragma once
#include <QByteArray>
#include <QList>
#include <mutex>

#include "SpiBoardModel.h"

// The Atmel evaluation board's side of its bulk endpoints: a frame comes in
// on the OUT endpoint, and its reply (the STM32 frame's reply with a status
// in byte 0, see SpiBoardModel) waits for the next IN transfer. Both the
// recording libusb double and the umockdev device handler drive it. Safe to
// use from several threads.
class AtmelBoard
{
public:
    enum class Fault {
        None,
        Silent,  // no reply: the IN transfer times out
        Short,   // the reply without its last byte
        Reject,  // status byte 1
    };

    SpiBoardModel &board() { return model; }

    quint8 registerValue(int reg) const { return model.value(reg); }
    void setRegisterValue(int reg, quint8 value) { model.setValue(reg, value); }

    // Replies after the first `goodRepliesFirst` correct ones get `fault`.
    void setFault(Fault fault, int goodRepliesFirst = 0);

    // A bulk OUT transfer: one whole frame. A reply nobody collected is
    // dropped.
    void receive(const quint8 *data, int length);
    // A bulk IN transfer of at most `length` bytes: false while no reply is
    // waiting.
    bool takeReply(int length, QByteArray &reply);

    QList<QByteArray> frames() const;
    void clearFrames();

private:
    SpiBoardModel model;
    mutable std::mutex mutex;
    QList<QByteArray> received;
    QList<QByteArray> replies;
    Fault fault = Fault::None;
    int goodLeft = 0;
};
