// libFuzzer target for both ".hex" readers: any input must be read without
// a crash, and what a reader accepts must be usable as it stands.
#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "HexReader.h"

namespace {

const QString path = QStringLiteral("fuzz.hex");

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void readForGui(QByteArray &bytes)
{
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly | QIODevice::Text);
    std::atomic<bool> interrupt{false};
    HexMapTable table;
    const QString error = HexReader::readForGui(file, path, interrupt, table);
    check(error.isEmpty() || error.startsWith(QLatin1String("Error: ")));
}

void readForChip(QByteArray &bytes, bool checkNames)
{
    static const QMap<QString, int> regCounts = {{QStringLiteral("KV2260v2"), 128}};
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly | QIODevice::Text);
    HexWriteList list;
    const QString error = HexReader::readForChip(file, path, regCounts, checkNames, list);
    check(error.isEmpty() || error.startsWith(QLatin1String("Error: ")));
    if (!error.isEmpty())
        return;
    check(list.registers.size() == list.values.size());
    // Nothing outside the map may ever reach the chip.
    for (qint32 reg : list.registers)
        check(reg == HexWriteList::sectionMark || (reg >= 0 && reg < 128));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    readForGui(bytes);
    readForChip(bytes, true);
    readForChip(bytes, false);
    return 0;
}
