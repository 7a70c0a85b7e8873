#pragma once
#include "Stm32Transport.h"

// Transport of the KV2270 on the STM32 evaluation board. Its registers go in
// two address forms: the short form (map 0, registers 0 to 15) carries the
// register times 8, plus 4 for a write; the long form carries
// (register + 0x80) mod 256 and then the map number in the high four bits
// with a code beside it (0x0 read, 0xC write). Reads of the short form and of
// whole-map ranges take the registers of every group of four in reverse
// order. Its register operations report only through their result.
class KV2270_stm32_API : public Stm32Transport
{
    Q_OBJECT
public:
    KV2270_stm32_API();

    bool readRegister(quint8 map, int reg, quint8 *value) override;
    bool readRegisterBlock(quint8 map, int count, quint8 **entries) override;
    bool readRegisterAutoInc(quint8 map, int first, int count, quint8 **values) override;
    bool writeRegister(quint8 map, int reg, quint8 *value) override;
    bool writeRegisterBlock(quint8 map, int count, quint8 *entries) override;
    bool writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values) override;

    // Position of a register within the chip's order: reversed within every
    // group of four (0, 1, 2, 3, 4 give 3, 2, 1, 0, 7).
    static int groupPosition(int reg);

protected:
    const SpiDialect &dialect() const override;

private:
    // One frame of a whole-map read: where its values go in the map and
    // where they stand in its reply.
    struct MapFrame {
        QByteArray bytes;
        int first;
        int count;
        bool grouped;
        int replyOffset;
    };

    QByteArray frame(const QByteArray &payload) const;
    QByteArray readFrame(quint8 map, int reg) const;
    QByteArray writeFrame(quint8 map, int reg, quint8 value) const;
    QByteArray registers0To15Frame(const quint8 *values) const;
    QVector<MapFrame> mapFrames(quint8 map) const;
    bool readMap(QSerialPort &port, quint8 map, quint8 *image);
    bool openQuietly(QSerialPort &port);
};
