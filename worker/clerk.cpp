#include "clerk.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <vector>

#include "GuiThread.h"
#include "HexComments.h"
#include "HexWriter.h"
#include "canal.h"
#include "service_block.h"

namespace {

// The LPF autocalibration register, cleared after every write of a map.
const int lpfRegister = 106;

const QString noDevice = QStringLiteral("Error: device not found");
const QString blockWriteFailed = QStringLiteral("Error: Write block error");
const QString incrementWriteFailed = QStringLiteral("Error: Write_Increment error");
const QString fileWriteFailed = QStringLiteral("Error: .hex file write failed");

// Failures in a row, each with the board gone, after which a write of single
// registers gives up: every further register would wait out the time-out.
const int lostBoardLimit = 3;

QString notWrittenText(int failed, int meant)
{
    return QStringLiteral("Error: %1 of %2 registers not written").arg(failed).arg(meant);
}

QString registerFailedText(int reg, const char *transfer)
{
    return QStringLiteral("Error: Reg%1 %2 failed").arg(reg).arg(QLatin1String(transfer));
}

// Takes a chip read into a map: the read image, and every bit of the GUI
// image that differs from it. GUI thread only.
void takeRead(RegMap &map, const RegImage &read)
{
    map.rd = read;
    for (int reg = 0; reg < map.regCount; ++reg) {
        if (size_t(reg) < map.wr.size() && map.wr[size_t(reg)] == read[size_t(reg)])
            continue;
        for (int k = 0; k < 8; ++k) {
            const int bit = reg * map.bitsPerReg + k;
            const int value = map.getBit(map.rd, unsigned(bit));
            if (map.getBit(map.wr, unsigned(bit)) != value)
                map.setBit(map.wr, bit, value);
        }
    }
}

// Width of a register address in a block entry, as the transport declares it
// (a signed count; a number beyond 32 bits makes no sense).
int addressWidth(const canal &board)
{
    return qBound(0, int(qint8(board.addrBytes)), 4);
}

// One block entry: the register number in the transport's address width,
// high byte first, then the value.
void appendEntry(std::vector<quint8> &entries, int width, int reg, quint8 value)
{
    for (int k = width - 1; k >= 0; --k)
        entries.push_back(quint8(quint32(reg) >> (8 * k)));
    entries.push_back(value);
}

// Block entries for the given registers of a map image.
std::vector<quint8> blockEntries(const canal &board, const QVector<int> &registers,
                                 const RegImage &image)
{
    const int width = addressWidth(board);
    std::vector<quint8> entries;
    entries.reserve(size_t(registers.size()) * size_t(width + 1));
    for (int reg : registers)
        appendEntry(entries, width, reg, size_t(reg) < image.size() ? image[size_t(reg)] : 0);
    return entries;
}

QVector<int> allRegisters(const RegMap &map)
{
    QVector<int> registers;
    for (int reg = 0; reg < map.regCount; ++reg)
        registers << reg;
    return registers;
}

// The image sized to the map's register count, so transfers never run past it.
RegImage imageOf(const RegMap &map, const RegImage &source)
{
    RegImage image(size_t(qMax(map.regCount, 0)), 0);
    std::copy_n(source.begin(), std::min(image.size(), source.size()), image.begin());
    return image;
}

} // namespace

clerk::clerk()
{
    // The outcome crosses from the worker's thread to the main window's.
    qRegisterMetaType<clerk::Outcome>();
}

clerk::~clerk() = default;

// The settings map belongs to the GUI thread, which changes it whenever the
// user does: a command works on a copy taken there when it starts.
void clerk::takeSettings()
{
    GuiThread::run([this] { commandSettings = service ? service->settings : Settings(); });
}

int clerk::setting(const char *key) const
{
    return commandSettings.value(QLatin1String(key), 0);
}

// Handed to the GUI thread with the command's other results. Stores only
// into a key that exists: the settings window seeds the keys the worker
// keeps.
void clerk::storeSetting(const char *key, int value)
{
    const QString name = QLatin1String(key);
    stage([this, name, value] {
        if (!service)
            return;
        auto it = service->settings.find(name);
        if (it != service->settings.end())
            *it = value;
    });
}

// "writePause" as the settings map holds it now, read in the GUI thread.
int clerk::writePauseNow() const
{
    int ms = 0;
    GuiThread::run([&] { ms = service ? service->settings.value(QStringLiteral("writePause"), 0) : 0; });
    return ms;
}

canal *clerk::board() const
{
    return service ? service->transport : nullptr;
}

// Waits "writePause" milliseconds (read afresh while waiting); false when the
// stop request came meanwhile.
bool clerk::pause()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < writePauseNow()) {
        if (interrupt)
            return false;
        QThread::msleep(1);
    }
    return true;
}

void clerk::upTime()
{
    upTimeCounter = 0;
}

// Runs in the GUI thread, which owns the images.
std::vector<clerk::MapImages> clerk::imagesNow() const
{
    std::vector<MapImages> images;
    for (const RegMap *map : qAsConst(regMaps))
        images.push_back({imageOf(*map, map->wr), imageOf(*map, map->rd)});
    return images;
}

void clerk::stage(std::function<void()> change)
{
    stagedChanges.push_back(std::move(change));
}

void clerk::finish(const QString &text)
{
    std::vector<std::function<void()>> changes;
    changes.swap(stagedChanges);
    if (text.isEmpty() && !changes.empty())
        GuiThread::run([&] {
            for (const auto &change : changes)
                change();
        });
    // Every other end of a command is a failure.
    const Outcome kind = text.isEmpty() ? Outcome::Completion
                         : stoppedOnRequest ? Outcome::Interrupted
                                            : Outcome::Error;
    stoppedOnRequest = false;
    emit outcome(kind);
    emit error_mess(text);
}

void clerk::notice(Outcome kind, const QString &text)
{
    emit outcome(kind);
    emit notice_mess(text);
}

QString clerk::stopped(const QString &text)
{
    stoppedOnRequest = true;
    return text;
}

// ---- IC to GUI ----

void clerk::ICGUI()
{
    takeSettings();
    readCommand();
}

void clerk::readCommand()
{
    emit percent_up(0);
    const QString result = readAllMaps();
    if (result.isEmpty())
        emit percent_up(100);
    finish(result);
}

// Reads every map before it changes any, so a failed read leaves all maps
// as they were.
QString clerk::readAllMaps()
{
    canal *transport = board();
    if (!transport)
        return noDevice;
    const int style = setting("ReadStyle");
    if (style < 0 || style > 2)
        return tr("Error: Read transaction failed.");

    std::vector<RegImage> images;
    int position = 0;
    for (const RegMap *map : qAsConst(regMaps)) {
        RegImage buffer(size_t(qMax(map->regCount, 0)), 0);
        const QString failure = readMap(*transport, *map, position++, style, buffer);
        if (!failure.isEmpty())
            return failure;
        emit percent_up(50);
        images.push_back(std::move(buffer));
    }

    size_t index = 0;
    for (RegMap *map : qAsConst(regMaps)) {
        RegImage read = std::move(images[index++]);
        stage([map, read] { takeRead(*map, read); });
    }
    return QString();
}

QString clerk::readMap(canal &transport, const RegMap &map, int position, int style,
                       RegImage &buffer)
{
    const QString failed = tr("Error: Read transaction failed.");
    const int count = int(buffer.size());
    switch (style) {
    case 0:
        for (int reg = 0; reg < count; ++reg) {
            if (interrupt)
                return stopped(tr("Error: Interrupted"));
            if (!transport.provides(canal::ReadRegister)
                || !transport.readRegister(map.mapNumber, reg, &buffer[size_t(reg)]))
                return failed;
        }
        return QString();
    case 1: {
        std::vector<quint8> entries = blockEntries(transport, allRegisters(map), RegImage());
        quint8 *block = entries.data();
        if (!transport.provides(canal::ReadRegisterBlock)
            || !transport.readRegisterBlock(quint8(position), count, &block))
            return failed;
        const size_t stride = size_t(addressWidth(transport)) + 1;
        for (size_t reg = 0; reg < buffer.size(); ++reg)
            buffer[reg] = entries[reg * stride + stride - 1];
        return QString();
    }
    default: {
        quint8 *values = buffer.data();
        if (!transport.provides(canal::ReadRegisterAutoInc)
            || !transport.readRegisterAutoInc(quint8(position), 0, count, &values))
            return failed;
        return QString();
    }
    }
}

// ---- GUI to IC ----

void clerk::GUIIC()
{
    takeSettings();
    canal *transport = board();
    if (!transport) {
        finish(noDevice);
        return;
    }
    std::vector<MapImages> images;
    GuiThread::run([&] { images = imagesNow(); });
    WriteTally tally;
    size_t position = 0;
    for (RegMap *map : qAsConst(regMaps)) {
        const QString failure = writeMap(*transport, *map, int(position), images[position], tally);
        ++position;
        if (!failure.isEmpty()) {
            finish(failure);
            return;
        }
        // A board that did not take register 106 has stopped answering or
        // kept its autocalibration: a read-back would only hide that.
        if (!writeLpfRegister(*transport, *map)) {
            finish(tally.failed > 0 ? notWrittenText(tally.failed, tally.meant)
                                    : registerFailedText(lpfRegister, "write"));
            return;
        }
    }
    // Registers the board refused: every map was written as far as it
    // went, yet the chip does not hold the GUI image.
    if (tally.failed > 0) {
        finish(notWrittenText(tally.failed, tally.meant));
        return;
    }
    // Every map is written before the command ends, once.
    if (!setting("InteractiveRefresh")) {
        emit percent_up(100);
        finish(QString());
        return;
    }
    if (!pause()) {
        finish(stopped(tr("Error: Interrupted")));
        return;
    }
    command = 1;
    emit percent_up(45);
    readCommand();
}

QString clerk::writeMap(canal &transport, const RegMap &map, int position,
                        const MapImages &image, WriteTally &tally)
{
    const int style = setting("WriteStyle");
    if (setting("ChangesOnly"))
        return writeChanges(transport, map, position, style, image, tally);
    return writeWholeMap(transport, map, position, style, image);
}

// Writes the registers whose GUI value differs from the last read. Returns
// the text that ends the command at once, or empty to go on; registers the
// board refused are counted in the tally.
QString clerk::writeChanges(canal &transport, const RegMap &map, int position, int style,
                            const MapImages &image, WriteTally &tally)
{
    const RegImage &values = image.wr;
    QVector<int> changed;
    for (int reg = 0; reg < map.regCount; ++reg)
        if (values[size_t(reg)] != image.rd[size_t(reg)])
            changed << reg;

    switch (style) {
    case 0:
        return writeEach(transport, position, changed, values, tally);
    case 1: {
        std::vector<quint8> entries = blockEntries(transport, changed, values);
        if (interrupt)
            return stopped(tr("Error: Interrupted"));
        // Boards refuse an empty block; with nothing changed there is
        // nothing to send.
        if (changed.isEmpty())
            return QString();
        if (!transport.provides(canal::WriteRegisterBlock)
            || !transport.writeRegisterBlock(quint8(position), changed.size(), entries.data()))
            return blockWriteFailed;
        return QString();
    }
    case 2: {
        RegImage all = values;
        tally.meant += map.regCount;
        if (!transport.provides(canal::WriteRegisterAutoInc)
            || !transport.writeRegisterAutoInc(quint8(position), 0, map.regCount, all.data())) {
            // Which frames of the range arrived is not known: none counts.
            tally.failed += map.regCount;
            emit percent_up(100);
            notice(Outcome::Error, QStringLiteral("Warning: Write_Increment error"));
        }
        return QString();
    }
    default:
        notice(Outcome::Completion, QStringLiteral("Недокументированная \nкомбинация флагов"));
        return QString();
    }
}

// One register at a time, going on past a register the board refuses; a
// board that is gone ends the command after a few failures in a row.
QString clerk::writeEach(canal &transport, int position, const QVector<int> &registers,
                         const RegImage &values, WriteTally &tally)
{
    tally.meant += registers.size();
    for (int i = 0; i < registers.size(); ++i) {
        if (interrupt)
            return stopped(QStringLiteral("Error: ") + tr("Interrupted"));
        quint8 value = values[size_t(registers[i])];
        transport.clearFailure();
        if (transport.provides(canal::WriteRegister)
            && transport.writeRegister(quint8(position), registers[i], &value)) {
            tally.lostInRow = 0;
            continue;
        }
        ++tally.failed;
        emit percent_up(100);
        notice(Outcome::Error, QStringLiteral("Warning: Write_Byte error"));
        tally.lostInRow = transport.boardLost() ? tally.lostInRow + 1 : 0;
        if (tally.lostInRow >= lostBoardLimit)
            return notWrittenText(tally.failed + registers.size() - 1 - i, tally.meant);
    }
    return QString();
}

QString clerk::writeWholeMap(canal &transport, const RegMap &map, int position, int style,
                             const MapImages &image)
{
    RegImage values = image.wr;
    switch (style) {
    case 0:
        for (int reg = 0; reg < map.regCount; ++reg) {
            if (!transport.provides(canal::WriteRegister)
                || !transport.writeRegister(quint8(position), reg, &values[size_t(reg)]))
                return tr("Interface error 5 ");
            if (interrupt)
                return stopped(QStringLiteral("Error: ") + tr("Interrupted"));
        }
        return QString();
    case 1: {
        std::vector<quint8> entries = blockEntries(transport, allRegisters(map), values);
        if (interrupt)
            return stopped(tr("Error: Interrupted"));
        if (map.regCount <= 0)
            return QString();
        if (!transport.provides(canal::WriteRegisterBlock)
            || !transport.writeRegisterBlock(quint8(position), map.regCount, entries.data()))
            return blockWriteFailed;
        return QString();
    }
    case 2:
        if (!transport.provides(canal::WriteRegisterAutoInc)
            || !transport.writeRegisterAutoInc(0, 0, map.regCount, values.data()))
            return incrementWriteFailed;
        return QString();
    default:
        notice(Outcome::Completion, tr("Недокументированная \nкомбинация флагов"));
        return QString();
    }
}

bool clerk::writeLpfRegister(canal &transport, RegMap &map)
{
    // A map too short to hold the register has nothing to clear.
    if (map.regCount <= lpfRegister)
        return true;
    quint8 value = 0;
    if (transport.provides(canal::WriteRegister) && !transport.writeRegister(0, lpfRegister, &value))
        return false;
    stage([&map] {
        if (map.wr.size() > size_t(lpfRegister))
            map.wr[lpfRegister] = 0;
    });
    return true;
}

// ---- single registers ----

void clerk::WriteReg()
{
    takeSettings();
    emit percent_up(1);
    canal *transport = board();
    if (!transport) {
        finish(noDevice);
        return;
    }
    const int reg = setting("RegisterNumber");
    quint8 value = quint8(setting("RegisterValue") & 0xFF);
    if (!transport->provides(canal::WriteRegister) || !transport->writeRegister(0, reg, &value)) {
        finish(registerFailedText(reg, "write"));
        return;
    }
    emit percent_up(100);
    finish(QString());
}

void clerk::ReadReg()
{
    takeSettings();
    emit percent_up(1);
    canal *transport = board();
    if (!transport) {
        finish(noDevice);
        return;
    }
    const int reg = setting("RegisterNumber");
    quint8 value = 0;
    if (!transport->provides(canal::ReadRegister) || !transport->readRegister(0, reg, &value)) {
        finish(registerFailedText(reg, "read"));
        return;
    }
    emit percent_up(50);
    storeSetting("RegisterValue", value);
    emit percent_up(100);
    finish(QString());
}

// ---- file to GUI ----

void clerk::FILEGUI()
{
    takeSettings();
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        finish(QStringLiteral("Error: ") + filePath
                        + QStringLiteral(" file is not available.\nPlease, add any one."));
        return;
    }
    emit percent_up(1);
    HexMapTable table;
    const QString readError = HexReader::readForGui(file, filePath, interrupt, table);
    file.close();
    emit percent_up(25);
    if (!readError.isEmpty()) {
        finish(readError == HexReader::interruptedText() ? stopped(readError) : readError);
        return;
    }

    // Nothing changes unless every map is known and every register fits.
    QList<RegMap *> targets;
    QString result = resolveMaps(table, targets);
    if (result.isEmpty())
        result = checkRegisters(table, targets);
    if (result.isEmpty())
        applyTable(table, targets);
    finish(result);
    emit percent_up(100);
}

// The register map each map of the file goes to, in the table's order.
QString clerk::resolveMaps(const HexMapTable &table, QList<RegMap *> &targets) const
{
    const bool checkNames = setting("ConfigCheck") != 0;
    for (auto it = table.begin(); it != table.end(); ++it) {
        RegMap *target = regMaps.value(it.key());
        if (!target && !checkNames && !regMaps.isEmpty())
            target = regMaps.first();
        if (!target)
            return QStringLiteral("Error: unexpected RegMap name: ") + it.key();
        targets << target;
    }
    return QString();
}

// The first line (in file order) that names a register outside its map.
QString clerk::checkRegisters(const HexMapTable &table, const QList<RegMap *> &targets) const
{
    int badLine = 0;
    int index = 0;
    for (const auto &registers : table) {
        const int count = targets[index++]->regCount;
        for (auto it = registers.begin(); it != registers.end(); ++it)
            if ((it.key() < 0 || it.key() >= count) && (badLine == 0 || it->line < badLine))
                badLine = it->line;
    }
    return badLine ? HexReader::lineError(badLine) : QString();
}

void clerk::applyTable(const HexMapTable &table, const QList<RegMap *> &targets)
{
    const int maps = table.size();
    int k = 0;
    for (const auto &registers : table) {
        RegMap *map = targets[k++];
        stage([map, registers] {
            for (auto it = registers.begin(); it != registers.end(); ++it) {
                const size_t reg = size_t(it.key());
                if (reg < map->cfg.size())
                    map->cfg[reg] = it->value;
                if (reg < map->wr.size())
                    map->wr[reg] = it->value;
            }
        });
        emit percent_up(int(k * (1.0 / maps) * 79));
    }
}

// ---- file to IC ----

void clerk::FILEIC()
{
    takeSettings();
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        finish(tr("Error: .hex file is not available"));
        return;
    }
    QMap<QString, int> regCounts;
    for (const RegMap *map : qAsConst(regMaps))
        regCounts.insert(map->name, map->regCount);
    HexWriteList list;
    const QString readError =
        HexReader::readForChip(file, filePath, regCounts, setting("ConfigCheck") != 0, list);
    file.close();
    if (!readError.isEmpty()) {
        finish(readError);
        return;
    }
    finish(setting("separateWrite") ? writeSeparately(list) : writeSections(list));
}

// One register at a time, with the pause at every section mark.
QString clerk::writeSeparately(const HexWriteList &list)
{
    const int n = list.registers.size();
    for (int i = 0; i < n; ++i) {
        if (list.registers[i] == HexWriteList::sectionMark) {
            if (!pause())
                return stopped(QStringLiteral("Error: ") + tr("Interrupted"));
            emit percent_up(i * 100 / n);
            continue;
        }
        canal *transport = board();
        if (!transport)
            return noDevice;
        quint8 value = list.values[i];
        if (!transport->provides(canal::WriteRegister)
            || !transport->writeRegister(0, list.registers[i], &value))
            return QStringLiteral("Error: ") + tr("Write register error");
        emit percent_up(i * 100 / n);
    }
    return QString();
}

// Each section as one block, with the pause between sections.
QString clerk::writeSections(const HexWriteList &list)
{
    const QString interrupted = QStringLiteral("Error: ") + tr("Interrupted");
    const auto stop = [&] { return stopped(interrupted); };
    const int n = list.registers.size();
    canal *transport = board();
    const int width = transport ? addressWidth(*transport) : 1;
    int i = 0;
    while (i < n) {
        std::vector<quint8> entries;
        int count = 0;
        for (; i < n && list.registers[i] != HexWriteList::sectionMark; ++i) {
            appendEntry(entries, width, list.registers[i], list.values[i]);
            ++count;
            if (interrupt)
                return stop();
        }
        if (count > 0) {
            if (!transport)
                return noDevice;
            if (!transport->provides(canal::WriteRegisterBlock)
                || !transport->writeRegisterBlock(0, count, entries.data()))
                return QStringLiteral("Error: ") + tr("Write block error");
        }
        if (interrupt)
            return stop();
        if (i >= n)
            return QString();
        if (!pause())
            return stop();
        ++i;
    }
    return QString();
}

// ---- GUI to file, IC to file ----

void clerk::GUIFILE()
{
    takeSettings();
    const bool commented = setting("HexComment") != 0;
    const bool changesOnly = setting("ChangesOnly") != 0;
    // The images and the comments, which read the widgets, are taken
    // together in the GUI thread.
    std::vector<MapImages> images;
    QMap<int, QString> comments;
    GuiThread::run([&] {
        images = imagesNow();
        if (commented && !regMaps.isEmpty())
            comments = HexComments::build(*regMaps.first(), changesOnly);
    });
    emit percent_up(0);

    QString text;
    size_t index = 0;
    for (const RegMap *map : qAsConst(regMaps)) {
        const MapImages &image = images[index++];
        text += HexWriter::mapText(map->name, image.wr, changesOnly ? &image.rd : nullptr,
                                   commented ? &comments : nullptr);
    }
    // The closing line clears the LPF autocalibration register, as writing
    // the maps to the chip does.
    text += HexWriter::registerLine(lpfRegister, 0) + '\n';

    const QString failure = saveText(text, QStringLiteral("Error: .hex file is not available"));
    if (!failure.isEmpty()) {
        finish(failure);
        return;
    }
    emit percent_up(100);
    finish(QString());
}

// Reads every map first: the file is touched only once the chip has answered.
void clerk::ICFILE()
{
    takeSettings();
    canal *transport = board();
    if (!transport) {
        finish(noDevice);
        return;
    }
    QString text;
    for (const RegMap *map : qAsConst(regMaps)) {
        RegImage buffer(size_t(qMax(map->regCount, 0)), 0);
        quint8 *values = buffer.data();
        if (!transport->provides(canal::ReadRegisterAutoInc)
            || !transport->readRegisterAutoInc(map->mapNumber, 0, map->regCount, &values)) {
            finish(tr("WINUSB: USB interface error "));
            return;
        }
        emit percent_up(50);
        text += HexWriter::mapText(map->name, buffer);
    }

    const QString failure =
        saveText(text, QStringLiteral("Error: ") + tr(".hex file is not available"));
    if (!failure.isEmpty()) {
        finish(failure);
        return;
    }
    emit percent_up(100);
    finish(QString());
}

// Saves the file whole; the text of a failure, or empty.
QString clerk::saveText(const QString &text, const QString &notOpened)
{
    switch (HexWriter::save(filePath, text.toLocal8Bit(), setting("MergeFile") != 0)) {
    case HexWriter::Saved:
        return QString();
    case HexWriter::NotOpened:
        return notOpened;
    case HexWriter::NotWritten:
        break;
    }
    return fileWriteFailed;
}
