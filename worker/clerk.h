#pragma once
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>
#include <atomic>

#include "HexReader.h"
#include "RegMap.h"

class canal;
class service_block;

// The configuration worker. Lives in a thread of its own and moves whole
// configurations between the register maps, the chip and ".hex" files. Every
// command slot reports progress through percent_up and ends with exactly one
// final error_mess: the empty text when it is done, an "Error: " text when
// it failed or was stopped.
class clerk : public QObject
{
    Q_OBJECT
public:
    clerk();
    ~clerk() override;

    // Written by the main window before it requests a command.
    QString filePath;
    int command = 0;
    // Stop request: set by the GUI thread, polled here, cleared only by the
    // main window.
    std::atomic<bool> interrupt{false};
    // Gives the settings map and the current transport; not owned.
    service_block *service = nullptr;
    // The register maps by name, shared with the windows; not owned.
    QMap<QString, RegMap *> regMaps;

public slots:
    void upTime();
    void ICGUI();
    void GUIIC();
    void FILEIC();
    void ICFILE();
    void FILEGUI();
    void GUIFILE();
    void WriteReg();
    void ReadReg();

signals:
    void percent_up(int percent);
    // The one final report of a command: empty on success.
    void error_mess(QString text);
    // A report in the middle of a command; the command goes on.
    void notice_mess(QString text);

private:
    int setting(const char *key) const;
    void storeSetting(const char *key, int value);
    canal *board() const;
    bool pause();

    QString readAllMaps();
    QString readMap(canal &board, const RegMap &map, int position, int style, RegImage &buffer);
    QString writeMap(canal &board, RegMap &map, int position);
    QString writeChanges(canal &board, RegMap &map, int position, int style);
    QString writeWholeMap(canal &board, RegMap &map, int position, int style);
    void writeLpfRegister(canal &board, RegMap &map);

    QString resolveMaps(const HexMapTable &table, QList<RegMap *> &targets) const;
    QString checkRegisters(const HexMapTable &table, const QList<RegMap *> &targets) const;
    void applyTable(const HexMapTable &table, const QList<RegMap *> &targets);

    QString writeSeparately(const HexWriteList &list);
    QString writeSections(const HexWriteList &list);

    QMap<int, QString> commentsFor(const RegMap &map, bool changesOnly) const;
    QString saveText(const QString &text, const QString &notOpened);

    int upTimeCounter = 0;
};
