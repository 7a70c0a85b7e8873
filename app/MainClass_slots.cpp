// The main window's slots: commands, message routing, device selection and
// the change handling of bound widgets.
#include "MainClass.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QProgressBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QTranslator>
#include <QToolBar>
#include <memory>

#include "ChannelStatus.h"
#include "DeviceNames.h"
#include "FieldRules.h"
#include "HexFileDialog.h"
#include "KV2260_atmel_API.h"
#include "KV2260_fmc_API.h"
#include "KV2260_USB3_API.h"
#include "KV2260_stm32_API.h"
#include "RegMap.h"
#include "SystemCalculator.h"
#include "ThemeSheets.h"
#include "clerk.h"
#include "help_block.h"
#include "interactiveMap.h"
#include "mapshow.h"
#include "service_block.h"
#include "ui_MainClass.h"

namespace {

// The "о" of "оf" is Cyrillic, as the tool has always shown it.
const QString busyWarningText = QString::fromUtf8("Warning: wait for completion оf previous action ");

using Outcome = clerk::Outcome;

// The outcome of a text that comes without one: the transports' and the
// windows' own texts, which are never translated.
Outcome classify(const QString &text)
{
    if (text.isEmpty())
        return Outcome::Completion;
    if (text.contains("Error:") || text.contains("error"))
        return text.contains("Interrupted") ? Outcome::Interrupted : Outcome::Error;
    if (text.contains("Warning"))
        return Outcome::Warning;
    return Outcome::Completion;
}

// How often a repeated read looks whether the messages are closed.
const int messageWaitMs = 50;

} // namespace

// ---- Busy state and command start ----------------------------------------

bool MainClass::busy() const
{
    return running;
}

void MainClass::setProgressVisible(bool visible)
{
    ui->toolBar_optional->actions().last()->setVisible(visible);
}

bool MainClass::refuseWhileBusy(Refusal refusal)
{
    if (!busy())
        return false;
    // The request asks the running command to stop; it is not queued.
    worker->interrupt = true;
    if (refusal == Warn)
        error_message(busyWarningText);
    return true;
}

QString MainClass::askCommandFile(bool save, const QString &caption, Refusal refusal)
{
    if (refuseWhileBusy(refusal))
        return QString();
    const QString name = chooseFile(save, caption);
    // The dialog runs an event loop of its own, in which the repeat timer
    // may have started a read: refuse like any request during a command.
    if (name.isEmpty() || refuseWhileBusy(refusal))
        return QString();
    return name;
}

void MainClass::startCommand(int code, void (MainClass::*command)())
{
    // A stop request that no command consumed must not cut this one short.
    worker->interrupt = false;
    // What the board did in an earlier command says nothing about this one.
    if (service->transport)
        service->transport->clearFailure();
    progressBar->setValue(0);
    setProgressVisible(true);
    worker->command = code;
    running = true;
    if (command)
        emit (this->*command)();
}

QString MainClass::chooseFile(bool save, const QString &caption)
{
    QString name = HexFileDialog::ask(this, save, caption, startDir);
    if (name.isEmpty())
        return name;
    name = QDir::fromNativeSeparators(name);
    startDir = name.left(name.lastIndexOf('/') + 1);
    return name;
}

int MainClass::setting(const QString &key) const
{
    return service->settings.value(key, 0);
}

// ---- Commands --------------------------------------------------------------

void MainClass::on_action_load_default_triggered()
{
    if (refuseWhileBusy(Warn))
        return;
    worker->filePath = "default.hex";
    loadTitle = "KV2260v2 CE 1.0.2";
    startCommand(5, &MainClass::Command_DEFGUI);
}

void MainClass::on_action_FILEGUI_triggered()
{
    const QString name = askCommandFile(false, tr("Open .hex"), Warn);
    if (name.isEmpty())
        return;
    worker->filePath = name;
    loadTitle = "KV2260v2 CE 1.0.2  " + name;
    startCommand(5, &MainClass::Command_FILEGUI);
}

void MainClass::on_action_FILEIC_triggered()
{
    const QString name = askCommandFile(false, tr("Open .hex"), Warn);
    if (name.isEmpty())
        return;
    worker->filePath = name;
    startCommand(3, &MainClass::Command_FILEIC);
}

void MainClass::on_action_GUIFILE_triggered()
{
    const QString name = askCommandFile(true, tr("Save .hex"), Silently);
    if (name.isEmpty())
        return;
    worker->filePath = name;
    startCommand(6, &MainClass::Command_GUIFILE);
}

void MainClass::Button_ICFILE_clicked()
{
    const QString name = askCommandFile(true, tr("Open file"), Silently);
    if (name.isEmpty())
        return;
    worker->filePath = name;
    // No signal of the window carries chip to file: the worker is asked
    // directly, and its final report ends the command like any other.
    startCommand(4, nullptr);
    QMetaObject::invokeMethod(worker, &clerk::ICFILE, Qt::QueuedConnection);
}

void MainClass::on_action_GUIIC_triggered()
{
    if (refuseWhileBusy(Warn))
        return;
    startCommand(2, &MainClass::Command_GUIIC);
}

void MainClass::on_action_ICGUI_triggered()
{
    if (!ui->action_ICGUI->isChecked()) {
        if (worker)
            worker->interrupt = true;
        return;
    }
    if (refuseWhileBusy(Warn))
        return;
    startCommand(1, &MainClass::Command_ICGUI);
}

void MainClass::sl_WR(bool)
{
    ui->toolBar_IC->actions().at(1)->activate(QAction::Trigger);
}

void MainClass::sl_RD(bool)
{
    ui->toolBar_IC->actions().last()->activate(QAction::Trigger);
}

// ---- Message routing -------------------------------------------------------

void MainClass::error_message(QString text)
{
    // Only the worker's final report ends a command; a transport's error
    // arrives before it while the worker may still use the transport.
    const bool fromWorker = worker && sender() == worker;
    const bool finalReport = fromWorker
                             && senderSignalIndex() == clerk::staticMetaObject.indexOfSignal("error_mess(QString)");
    // The worker's texts may be translated: it says what each one means.
    const Outcome outcome = fromWorker && workerOutcome ? *workerOutcome : classify(text);
    if (fromWorker)
        workerOutcome.reset();
    switch (outcome) {
    case Outcome::Error:
    case Outcome::Interrupted: {
        QMessageBox box;
        box.setText(text);
        box.exec();
        if (finalReport || !running) {
            if (finalReport && running)
                settleReadAfterFailure();
            running = false;
            setProgressVisible(false);
        }
        if (outcome == Outcome::Interrupted) {
            worker->interrupt = false;
            statusBar()->showMessage(QString());
        }
        break;
    }
    case Outcome::Warning:
        statusBar()->showMessage(text);
        break;
    case Outcome::Completion:
        // A completion text outside a command would replay the last one.
        if (finalReport && running) {
            running = false;
            completeCommand();
        }
        break;
    }
}

void MainClass::completeCommand()
{
    if (mapshowWindow->regMaps.isEmpty())
        return;
    const int code = worker->command;
    // The title names a file only once it has loaded.
    if (code == 5 && !loadTitle.isEmpty())
        setWindowTitle(loadTitle);
    if (code == 1 || code == 5) {
        if (code == 1)
            readChannelStatus();
        // The widgets and tables ask to be repainted; Qt paints them once
        // when the event loop is back.
        refreshWidgetsFromMaps();
        continueRepeatedRead(true, &MainClass::on_action_ICGUI_triggered);
    }
    // A read or load has just run every rule from the new image.
    if (code == 5)
        resetReadOnlyDisplays();
    else if (code != 1)
        rerunDerivedDisplays();
    if (code != 1 && code != 5)
        repaintRegisterWindows();

    progressBar->setValue(100);
    if (statusBar()->currentMessage().contains("wait"))
        statusBar()->showMessage(QString());
    setProgressVisible(false);

    if (code == 3 && setting("CfgAutoread") == 1)
        startCommand(1, &MainClass::Command_ICGUI);
}

// A failed command leaves the read action released, so the next press
// reads at once; only repeated reads of a board that still answers go on.
void MainClass::settleReadAfterFailure()
{
    const canal *board = service->transport;
    continueRepeatedRead(board && !board->boardLost(), &MainClass::repeatReadAfterMessages);
}

void MainClass::continueRepeatedRead(bool boardAnswered, void (MainClass::*next)())
{
    if (setting("RepeatRead") != 0 && ui->action_ICGUI->isChecked() && boardAnswered)
        QTimer::singleShot(setting("AutoPause") * 1000, this, next);
    else
        ui->action_ICGUI->setChecked(false);
}

// The next of the repeated reads waits until the user has closed the
// messages of the last one: it would otherwise open its own on top of them,
// without end.
void MainClass::repeatReadAfterMessages()
{
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(messageWaitMs, this, &MainClass::repeatReadAfterMessages);
        return;
    }
    on_action_ICGUI_triggered();
}

// Stops at the first channel whose exchange failed: a board that stopped
// answering would cost a time-out and a message for every exchange.
void MainClass::readChannelStatus()
{
    const QCheckBox *scans[] = {ui->Scan_1, ui->Scan_2, ui->Scan_3, ui->Scan_4};
    const bool all = ui->Auto_scan->isChecked();
    for (int channel = 0; channel < 4; ++channel)
        if ((all || scans[channel]->isChecked()) && !refreshChannel(channel))
            return;
}

// Widget and image both select the channel, whatever each showed: right
// after a read the widget still shows the image from before it, while the
// image holds the chip's own selection.
void MainClass::selectStatusChannel(RegMap &map, int channel)
{
    ui->KV_Ch_StNumSel_KV2260v2_42_2->setCurrentIndex(channel);
    const QString field = QStringLiteral("Ch_StNumSel_KV2260v2");
    map.storeWidgetValue(field);
    interactiveWindow->refreshModel(map.name, field);
}

bool MainClass::refreshChannel(int channel)
{
    if (channel < 0 || channel > 3)
        return true;
    RegMap *map = mapshowWindow->regMaps.value("KV2260v2");
    if (!map)
        return true;
    selectStatusChannel(*map, channel);
    // The transport is fetched anew for every call: a message box shown
    // for a failed call runs the event loop.
    canal *board = service->transport;
    if (!board)
        return true;
    if (board->provides(canal::WriteRegister)) {
        quint8 select = map->wr[ChannelStatus::statusSelectRegister];
        if (!board->writeRegister(0, ChannelStatus::statusSelectRegister, &select))
            return false;
    }
    quint8 s9 = 0, s10 = 0;
    board = service->transport;
    if (!board || !board->provides(canal::ReadRegister))
        return true;
    if (!board->readRegister(0, ChannelStatus::statusHighRegister, &s10))
        return false;
    board = service->transport;
    if (!board || !board->readRegister(0, ChannelStatus::statusLowRegister, &s9))
        return false;
    // Cells of a channel whose reads failed keep their last reading.
    const QStringList texts = ChannelStatus::cellTexts(s9, s10);
    for (int quantity = 0; quantity < texts.size(); ++quantity)
        if (auto *cell = findChild<QLineEdit *>(QString("control_%1_%2").arg(channel + 1).arg(quantity + 1)))
            cell->setText(texts[quantity]);
    return true;
}

void MainClass::refreshWidgetsFromMaps()
{
    // The widgets are set silently, so no value goes back into the image;
    // the rules then run once each instead of once per changed widget, and
    // every table is repainted once, not bit by bit.
    for (RegMap *map : qAsConst(mapshowWindow->regMaps))
        map->setWidgetsSilently(map->wr);
    runFieldRules();
    repaintRegisterWindows();
}

void MainClass::repaintRegisterWindows()
{
    mapshowWindow->refreshAll();
    interactiveWindow->refreshAll();
}

void MainClass::runFieldRules()
{
    if (rules)
        rules->applyAll();
}

void MainClass::resetReadOnlyDisplays()
{
    for (part *display : qAsConst(displayFields)) {
        QWidget *widget = display->widget;
        if (!widget)
            continue;
        const QString className = widget->metaObject()->className();
        if (className.compare("QLabel", Qt::CaseInsensitive) == 0) {
            auto *label = static_cast<QLabel *>(widget);
            if (display->width == 1)
                label->setPixmap(QPixmap(":/Bulb-disabled.png"));
            else
                label->setText("n/a");
        } else if (className.compare("QLineEdit", Qt::CaseInsensitive) == 0
                   && !widget->objectName().contains("_Expression")) {
            static_cast<QLineEdit *>(widget)->setText("n/a");
        }
    }
}

void MainClass::rerunDerivedDisplays()
{
    RegMap *map = mapshowWindow->regMaps.first();
    for (const QString &key : displayFields.keys()) {
        const part *field = map->fields.value(key);
        if (!field || !field->widget)
            continue;
        if (QString(field->widget->metaObject()->className()).compare("QSpinBox", Qt::CaseInsensitive) != 0)
            continue;
        emit static_cast<QSpinBox *>(field->widget)->valueChanged(map->getWidgetValue(key));
    }
}

// ---- Device selection ------------------------------------------------------

void MainClass::search_device(bool)
{
    if (running) {
        error_message(busyWarningText);
        return;
    }
    canal lister;
    const QStringList devices = lister.deviceList();
    deviceCombo->clear();
    deviceCombo->insertItems(0, devices);
}

canal *MainClass::createTransport(const QString &name) const
{
    switch (DeviceNames::boardOf(name, DeviceNames::serialPorts())) {
    case DeviceNames::Stm32Board:
        return new KV2260_stm32_API;
    case DeviceNames::FmcBoard:
        return new KV2260_fmc_API;
    case DeviceNames::Usb3Board:
        return new KV2260_USB3_API;
    case DeviceNames::AtmelBoard:
        break;
    }
    return new KV2260_atmel_API;
}

void MainClass::change_device(QString name)
{
    if (running) {
        // The worker may be using the transport: keep it and keep showing it.
        const QSignalBlocker blocker(deviceCombo);
        const QString inUse = service->transport ? service->transport->deviceName : QString();
        const int index = deviceCombo->findText(inUse);
        if (index >= 0)
            deviceCombo->setCurrentIndex(index);
        else
            deviceCombo->setCurrentText(inUse);
        error_message(busyWarningText);
        return;
    }
    delete service->transport;
    service->transport = createTransport(name);
    if (!service->transport)
        return;
    connect(service->transport, &canal::send_message, this, &MainClass::error_message);
    service->transport->deviceName = name;
}

// ---- Bound widgets ---------------------------------------------------------

void MainClass::change_Value(int)
{
    std::unique_ptr<part> field(mapshow::ParseObjName(sender() ? sender()->objectName() : QString()));
    if (!field) {
        error_message(QString::fromUtf8("Невозможное событие!"));
        return;
    }
    RegMap *map = mapshowWindow ? mapshowWindow->regMaps.value(field->chip) : nullptr;
    if (!map)
        return;
    const int value = map->storeWidgetValue(field->name);
    interactiveWindow->refreshModel(field->chip, field->name);
    if (rules)
        rules->apply(field->name, value);
}

void MainClass::Smart_IFA1_ADC_OL_KV2230v2(int)
{
    if (rules)
        rules->applyOutputLevel(1);
}

void MainClass::Smart_IFA2_ADC_OL_KV2230v2(int)
{
    if (rules)
        rules->applyOutputLevel(2);
}

void MainClass::Smart_IFA3_ADC_OL_KV2230v2(int)
{
    if (rules)
        rules->applyOutputLevel(3);
}

void MainClass::Smart_IFA4_ADC_OL_KV2230v2(int)
{
    if (rules)
        rules->applyOutputLevel(4);
}

void MainClass::change_Setting(int value)
{
    const QString name = sender() ? sender()->objectName() : QString();
    // A check box reports its check state (0 or 2); the setting holds 0 or 1.
    if (auto *box = qobject_cast<QCheckBox *>(sender()))
        value = box->isChecked() ? 1 : 0;
    if (settingWidgets.contains(name)) {
        QString key = name;
        key.remove("Setting_");
        service->settings.insert(key, value);
    }
    if (name.contains("currentDevice") && service->transport)
        if (auto *combo = qobject_cast<QComboBox *>(settingWidgets.value("Setting_currentDevice")))
            service->transport->deviceName = combo->currentText();
}

// ---- Windows, language, theme and tools -------------------------------------

void MainClass::toggleWindow(QWidget *window)
{
    if (!window)
        return;
    if (window->windowState() == Qt::WindowMinimized)
        window->setWindowState(Qt::WindowNoState);
    else
        window->setVisible(!window->isVisible());
}

void MainClass::Button_open_window_clicked()
{
    toggleWindow(windows.value(sender()->objectName().mid(6)));
}

void MainClass::on_action_Help_triggered()
{
    toggleWindow(help);
}

void MainClass::on_actionRegMap_triggered()
{
    toggleWindow(mapshowWindow);
}

void MainClass::on_action_RegTable_triggered()
{
    toggleWindow(interactiveWindow);
}

void MainClass::on_action_ExpertMode_triggered()
{
    toggleWindow(service);
}

void MainClass::fokus_widget(QWidget *widget)
{
    QString outermost;
    for (QObject *up = widget ? widget->parent() : nullptr; up; up = up->parent())
        outermost = up->objectName();
    QWidget *window = windows.value(outermost);
    if (!window)
        return;
    // Shown anew, so it comes to the front; a minimized window would stay
    // an icon, so it is restored first.
    if (window->isVisible())
        window->hide();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    markField(widget);
}

namespace {

const QString fieldMark = QStringLiteral("background-color: #FFA500;");

// The widget's own sheet with the orange mark added, so an indicator the
// program gave the field stays while it is marked.
QString markedSheet(const QWidget *widget, const QString &own)
{
    const QString trimmed = own.trimmed();
    if (trimmed.isEmpty())
        return fieldMark;
    if (trimmed.contains('{'))
        return trimmed + QStringLiteral("\n%1 { %2 }").arg(widget->metaObject()->className(), fieldMark);
    return trimmed + (trimmed.endsWith(';') ? " " : "; ") + fieldMark;
}

} // namespace

void MainClass::markField(QWidget *widget)
{
    if (markedField != widget) {
        if (markedField)
            markedField->setStyleSheet(markedFieldSheet);
        markedField = widget;
        markedFieldSheet = widget->styleSheet();
    }
    widget->setStyleSheet(markedSheet(widget, markedFieldSheet));
}

void MainClass::on_action_Language_triggered()
{
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    const bool toRussian = ui->action_Language->text().contains("En");
    translator = new QTranslator;
    // A catalogue that does not load leaves the English texts of start-up.
    translator->load(toRussian ? ":/Translations/template_ru.qm" : ":/Translations/template_en.qm");
    QCoreApplication::installTranslator(translator);
    retranslateMainForm();
    ui->action_Language->setText(toRussian ? QString::fromUtf8("Ру") : QStringLiteral("En"));
    service->change_translation();
}

void MainClass::retranslateMainForm()
{
    // The lists get their item texts anew and keep their items, so no field
    // changes: a language switch never changes what the next write sends.
    const QString title = windowTitle();
    ui->retranslateUi(this);
    setWindowTitle(title);
    for (auto tip = placementTips.cbegin(); tip != placementTips.cend(); ++tip)
        tip.key()->setToolTip(tip.value());
    // The form's item texts are back to its own; the rules make them agree
    // with the fields again.
    runFieldRules();
}

void MainClass::on_action_Light_triggered()
{
    setStyleSheet(styleSheet().contains("bg-1.png") ? ThemeSheets::light : ThemeSheets::dark);
}

void MainClass::on_actionCalkExe_triggered()
{
    if (SystemCalculator::start())
        return;
    QMessageBox box;
    box.setText(tr("Не найден стандартный калькулятор!"));
    box.exec();
}

void MainClass::change_Custom(int)
{
}

void MainClass::on_KV_SVFI_KV2260v2_61_1_clicked(bool)
{
}
