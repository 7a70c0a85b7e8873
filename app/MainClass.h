#pragma once
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "clerk.h"
#include "part.h"

class QComboBox;
class QPushButton;
class QProgressBar;
class QThread;
class QTranslator;
class FieldRules;
class KeyStateTracker;
class canal;
class help_block;
class interactiveMap;
class mapshow;
class service_block;

namespace Ui {
class MainClass;
}

// The tool's main window: builds every window, binds their widgets to the
// register maps, runs the commands through the worker and routes every
// report to the user.
class MainClass : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainClass(QWidget *parent = nullptr);
    ~MainClass() override;

    // Register placement of a field ("Reg9 <D7-D6>Reg10 <D7-D3>"), shown as
    // the tool tip of its widget.
    static QString fieldPlaceText(const part *field);

    bool eventFilter(QObject *watched, QEvent *event) override;

    // Selects a channel's status on the chip, reads it back and shows it in
    // the channel's cells of the status grid. False when an exchange with
    // the board failed; the channel's cells then keep their last reading.
    bool refreshChannel(int channel);

    // Sets every bound widget from its register map's GUI image, runs every
    // field rule once and repaints each register window once. Nothing is
    // written back into the images.
    void refreshWidgetsFromMaps();

    // True from a command's start until the worker's final report.
    bool commandRunning() const { return running; }

    QComboBox *deviceCombo = nullptr;
    QPushButton *searchButton = nullptr;
    service_block *service = nullptr;
    interactiveMap *interactiveWindow = nullptr;
    mapshow *mapshowWindow = nullptr;
    help_block *help = nullptr;
    QMap<QString, QWidget *> windows;
    QMap<QString, part *> displayFields;
    QMap<QString, QObject *> settingWidgets;
    QString startDir;
    QThread *workerThread = nullptr;
    clerk *worker = nullptr;
    QProgressBar *progressBar = nullptr;
    QTranslator *translator = nullptr;
    Ui::MainClass *ui = nullptr;

signals:
    void Command_DEFGUI();
    void Command_GUIFILE();
    void Command_FILEGUI();
    void Command_FILEIC();
    void Command_GUIIC();
    void Command_ICGUI();

public slots:
    void change_Value(int value);
    void change_Setting(int value);
    void error_message(QString text);
    void fokus_widget(QWidget *widget);
    void search_device(bool checked = false);
    void change_device(QString name);
    void Button_open_window_clicked();
    void Button_ICFILE_clicked();
    void sl_WR(bool checked);
    void sl_RD(bool checked);
    void change_Custom(int value);
    void Smart_IFA1_ADC_OL_KV2230v2(int value);
    void Smart_IFA2_ADC_OL_KV2230v2(int value);
    void Smart_IFA3_ADC_OL_KV2230v2(int value);
    void Smart_IFA4_ADC_OL_KV2230v2(int value);

    void on_action_load_default_triggered();
    void on_action_GUIFILE_triggered();
    void on_action_FILEGUI_triggered();
    void on_action_FILEIC_triggered();
    void on_action_GUIIC_triggered();
    void on_action_ICGUI_triggered();
    void on_KV_SVFI_KV2260v2_61_1_clicked(bool checked);

    void on_action_Help_triggered();
    void on_actionRegMap_triggered();
    void on_action_RegTable_triggered();
    void on_action_ExpertMode_triggered();
    void on_action_Language_triggered();
    void on_action_Light_triggered();
    void on_actionCalkExe_triggered();

private:
    void createPanels();
    void fillDeviceToolBar();
    void createSecondaryWindows();
    void bindWidgets();
    void createRegisterMaps(const QMap<QString, int> &chipBits, const QMap<QString, part *> &fields);
    void addProgressBar();
    void tidyForm();
    void connectOutputLevelRules();
    void hideUnofferedControls();
    void startWorker();
    void stopWorker();

    bool busy() const;
    void setProgressVisible(bool visible);
    enum Refusal { Warn, Silently };
    // True, after asking the running command to stop, when one runs.
    bool refuseWhileBusy(Refusal refusal);
    // The file of a file command, or empty when cancelled or refused.
    QString askCommandFile(bool save, const QString &caption, Refusal refusal);
    void startCommand(int code, void (MainClass::*command)());
    QString chooseFile(bool save, const QString &caption);

    void completeCommand();
    void settleReadAfterFailure();
    void continueRepeatedRead(bool boardAnswered, void (MainClass::*next)());
    void repeatReadAfterMessages();
    void readChannelStatus();
    void selectStatusChannel(RegMap &map, int channel);
    void resetReadOnlyDisplays();
    void rerunDerivedDisplays();
    int setting(const QString &key) const;

    canal *createTransport(const QString &name) const;

    // Restores a window that is only minimized, else shows or hides it.
    static void toggleWindow(QWidget *window);
    // Sets the main form's texts in the language now installed, keeping
    // every value and what the program itself put on the form.
    void retranslateMainForm();
    void runFieldRules();
    // Repaints the register table and the interactive map once each.
    void repaintRegisterWindows();
    // Marks one field at a time; the previous one gets its own sheet back.
    void markField(QWidget *widget);

    KeyStateTracker *keys = nullptr;
    std::unique_ptr<FieldRules> rules;
    std::vector<part *> records;
    QMap<QWidget *, QString> placementTips;
    QPointer<QWidget> markedField;
    QString markedFieldSheet;
    bool running = false;
    // What the worker's next report means, as the worker said just before.
    std::optional<clerk::Outcome> workerOutcome;
    // The title a file-to-GUI load shows once it has succeeded.
    QString loadTitle;
};
