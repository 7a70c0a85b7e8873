#pragma once
#include <QSignalSpy>
#include <QStringList>
#include <functional>
#include <memory>

#include "SpiBoardModel.h"

class AtmelBoard;
class Stm32BoardEmulator;
class UsbRecorder;
class canal;

// A transport of the STM32 or the Atmel board wired to an emulated board
// that speaks its chip's frames (a pseudo-terminal for the STM32 board, the
// recording libusb double for the Atmel board), with a record of every text
// the transport emitted.
class TransportRig
{
public:
    enum class Board { Stm32, Atmel };
    struct Chip {
        Board board;
        std::function<canal *()> make;
        SpiBoardModel::Dialect dialect;
    };
    enum class Fault { None, Silent, Short, Long, Reject };
    // One call of the transport, with its buffers; returns its result.
    using Operation = std::function<bool(canal &)>;

    explicit TransportRig(const Chip &chip);
    ~TransportRig();

    canal &transport() { return *subject; }
    SpiBoardModel &model();
    QList<QByteArray> frames() const;
    void clearFrames();
    QStringList texts() const;
    // Every libusb context, handle and claim the transport took is undone.
    bool usbBalanced() const;

    // Runs an operation that must succeed and compares the frames it sent;
    // nothing may be reported and no USB resource left open.
    void expectFrames(const Operation &operation, const QList<QByteArray> &expected);
    // Runs an operation that, with an empty text, must succeed; otherwise it
    // must fail with that text alone before sending anything.
    void expectOutcome(const Operation &operation, const QString &text);
    // A test column "board" with the rows "atmel" and "stm32".
    static void addBoardRows();

    // Replies after the first `goodRepliesFirst` correct ones get `fault`.
    void setFault(Fault fault, int goodRepliesFirst = 0);

    // Operations with buffers of their own; a range writes, or reads over,
    // the values 1, 2, 3, ...
    static Operation readOne(int map, int reg);
    static Operation writeOne(int map, int reg, quint8 value);
    static Operation range(bool write, int map, int first, int count);

    // Bytes from hexadecimal text, blanks allowed.
    static QByteArray hex(const char *text) { return QByteArray::fromHex(text); }
    static quint8 *bytes(QByteArray &array) { return reinterpret_cast<quint8 *>(array.data()); }
    // 1, 2, 3, ... count.
    static QByteArray counting(int count);

private:
    Board board;
    std::unique_ptr<Stm32BoardEmulator> stm32;
    std::unique_ptr<AtmelBoard> atmel;
    std::unique_ptr<UsbRecorder> usb;
    std::unique_ptr<canal> subject;
    std::unique_ptr<QSignalSpy> messages;
};
