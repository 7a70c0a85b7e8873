#pragma once
#include <QByteArray>
#include <mutex>

// The KV2270 chip on the STM32 board: 16 register maps of 128 registers,
// answering its short-form and long-form frames (see KV2270_stm32_API), its
// whole-map range reads and the KV2260's list reads, each with a reply of
// the frame's length whose byte 0 is 0. Other frames are echoed.
//
// Safe to use from several threads.
class Kv2270BoardModel
{
public:
    static constexpr int mapCount = 16;
    static constexpr int registerCount = 128;

    Kv2270BoardModel();

    quint8 value(int map, int reg) const;
    void setValue(int map, int reg, quint8 value);
    QByteArray registers(int map) const;

    QByteArray answer(const QByteArray &frame);

    // Bytes the 0x15 frame at the start of `pending` needs (0: not known yet).
    static int frameLength(const QByteArray &pending);

private:
    void readMapFrame(const QByteArray &payload, QByteArray &reply) const;
    void readList(const QByteArray &payload, QByteArray &reply) const;
    static int longRegister(const QByteArray &payload);
    static int group(int reg);

    mutable std::mutex mutex;
    quint8 regs[mapCount][registerCount];
};
