#pragma once
#include <QByteArray>
#include <QList>
#include <QVector>
#include <functional>

#include "canal.h"

// An in-memory board for tests: a register file behind the transport
// interface, with a transcript of every call. It can leave operations out of
// provides(), refuse an operation, or fail the n-th call of any operation.
class FakeBoard : public canal
{
    Q_OBJECT
public:
    struct Call
    {
        Operation op;
        int map;
        int first;   // register, or first register; -1 for blocks and packets
        int count;   // number of registers or entries, bytes for packets
        QByteArray data;  // what was written (entries, values or the packet)
    };

    explicit FakeBoard(int registers = 128);

    Operations provides() const override { return provided; }

    bool readRegister(quint8 map, int reg, quint8 *value) override;
    bool readRegisterBlock(quint8 map, int count, quint8 **entries) override;
    bool readRegisterAutoInc(quint8 map, int first, int count, quint8 **values) override;
    bool writeRegister(quint8 map, int reg, quint8 *value) override;
    bool writeRegisterBlock(quint8 map, int count, quint8 *entries) override;
    bool writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values) override;
    // Answers every byte of the packet with its complement.
    bool sendPacket(int length, quint8 **packet) override;

    // Calls of one operation, in order.
    QList<Call> callsOf(Operation op) const;

    QVector<quint8> regs;
    Operations provided;
    Operations refused;
    int failAtCall = 0;  // 1-based number of the call that fails; 0: none
    // 1-based number of the call from which on the board answers nothing
    // (a silent failure, as a serial board that was pulled); 0: never.
    int silentFromCall = 0;
    // Runs at every call before the board answers (e.g. to raise a stop).
    std::function<void(const Call &)> onCall;
    QList<Call> calls;

private:
    bool begin(const Call &call);
    bool holds(int first, int count) const;
    int entryRegister(const quint8 *entry) const;
};
