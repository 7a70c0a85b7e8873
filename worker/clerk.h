#pragma once
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>
#include <atomic>
#include <functional>
#include <vector>

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
    // What a report means to the main window, told apart by value, not by
    // the words of its text, which depend on the language installed.
    enum class Outcome { Completion, Error, Warning, Interrupted };
    Q_ENUM(Outcome)

    clerk();
    ~clerk() override;

    // Written by the main window before it requests a command.
    QString filePath;
    int command = 0;
    // Stop request: set by the GUI thread, polled here, cleared only by the
    // main window.
    std::atomic<bool> interrupt{false};
    // Gives the settings map and the current transport; not owned. The
    // settings map is read and written in the GUI thread only.
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
    // The outcome of the report (error_mess or notice_mess) that follows
    // it at once.
    void outcome(clerk::Outcome kind);

private:
    // The GUI images of one map as a command found them when it started.
    struct MapImages
    {
        RegImage wr;
        RegImage rd;
    };
    // How a write of single registers went: registers meant to be written,
    // those that were not, and the failures in a row that found the board
    // gone.
    struct WriteTally
    {
        int meant = 0;
        int failed = 0;
        int lostInRow = 0;
    };

    using Settings = QMap<QString, int>;

    void takeSettings();
    int setting(const char *key) const;
    void storeSetting(const char *key, int value);
    int writePauseNow() const;
    canal *board() const;
    bool pause();

    // Copies every map's images, in map order; to be run in the GUI thread
    // (GuiThread::run), which owns them.
    std::vector<MapImages> imagesNow() const;
    // Keeps a change of the register images for the end of the command.
    void stage(std::function<void()> change);
    // The command's one final report. Only a command that succeeded has its
    // staged changes applied, all at once in the GUI thread, before it.
    void finish(const QString &text);
    void notice(Outcome kind, const QString &text);
    // Marks the command as stopped on request; returns the text that ends it.
    QString stopped(const QString &text);

    // IC to GUI with the settings already taken.
    void readCommand();
    QString readAllMaps();
    QString readMap(canal &board, const RegMap &map, int position, int style, RegImage &buffer);
    QString writeMap(canal &board, const RegMap &map, int position, const MapImages &image,
                     WriteTally &tally);
    QString writeChanges(canal &board, const RegMap &map, int position, int style,
                         const MapImages &image, WriteTally &tally);
    QString writeEach(canal &board, int position, const QVector<int> &registers,
                      const RegImage &values, WriteTally &tally);
    QString writeWholeMap(canal &board, const RegMap &map, int position, int style,
                          const MapImages &image);
    // Clears the LPF autocalibration register on the chip; false when the
    // board did not take the write.
    bool writeLpfRegister(canal &board, RegMap &map);

    QString resolveMaps(const HexMapTable &table, QList<RegMap *> &targets) const;
    QString checkRegisters(const HexMapTable &table, const QList<RegMap *> &targets) const;
    void applyTable(const HexMapTable &table, const QList<RegMap *> &targets);

    QString writeSeparately(const HexWriteList &list);
    QString writeSections(const HexWriteList &list);

    QString saveText(const QString &text, const QString &notOpened);

    std::vector<std::function<void()>> stagedChanges;
    // The settings of the running command.
    Settings commandSettings;
    bool stoppedOnRequest = false;
    int upTimeCounter = 0;
};
