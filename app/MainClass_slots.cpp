// The main window's slots: commands, message routing, device selection and
// the change handling of bound widgets.
#include "MainClass.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressBar>
#include <QSerialPortInfo>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <memory>

#include "ChannelStatus.h"
#include "FieldRules.h"
#include "KV2260_atmel_API.h"
#include "KV2260_fmc_API.h"
#include "KV2260_USB3_API.h"
#include "KV2260_stm32_API.h"
#include "RegMap.h"
#include "clerk.h"
#include "interactiveMap.h"
#include "mapshow.h"
#include "service_block.h"
#include "ui_MainClass.h"

namespace {

// The "о" of "оf" is Cyrillic, as the tool has always shown it.
const QString busyWarningText = QString::fromUtf8("Warning: wait for completion оf previous action ");

enum class Report { Completion, Error, Warning };

Report classify(const QString &text)
{
    if (text.isEmpty())
        return Report::Completion;
    if (text.contains("Error:") || text.contains("error"))
        return Report::Error;
    if (text.contains("Warning"))
        return Report::Warning;
    return Report::Completion;
}

const quint16 stm32VendorId = 0x0483;

bool isSerialPort(const QString &name)
{
    if (name.startsWith('/'))
        return true;
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts())
        if (port.portName() == name)
            return true;
    return false;
}

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
    progressBar->setValue(0);
    setProgressVisible(true);
    worker->command = code;
    running = true;
    if (command)
        emit (this->*command)();
}

QString MainClass::chooseFile(bool save, const QString &caption)
{
    const QString filter = tr("Map files (*.hex)");
    QString name = save ? QFileDialog::getSaveFileName(this, caption, startDir, filter)
                        : QFileDialog::getOpenFileName(this, caption, startDir, filter);
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
    setWindowTitle("KV2260v2 CE 1.0.2");
    startCommand(5, &MainClass::Command_DEFGUI);
}

void MainClass::on_action_FILEGUI_triggered()
{
    const QString name = askCommandFile(false, tr("Open .hex"), Warn);
    if (name.isEmpty())
        return;
    worker->filePath = name;
    setWindowTitle("KV2260v2 CE 1.0.2  " + name);
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
    const bool finalReport = worker && sender() == worker
                             && senderSignalIndex() == clerk::staticMetaObject.indexOfSignal("error_mess(QString)");
    switch (classify(text)) {
    case Report::Error: {
        QMessageBox box;
        box.setText(text);
        box.exec();
        if (finalReport || !running) {
            running = false;
            setProgressVisible(false);
        }
        if (text.contains("Interrupted")) {
            worker->interrupt = false;
            statusBar()->showMessage(QString());
        }
        break;
    }
    case Report::Warning:
        statusBar()->showMessage(text);
        break;
    case Report::Completion:
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
    if (code == 1 || code == 5) {
        if (code == 1)
            readChannelStatus();
        refreshWidgetsFromMaps();
        repaint();
        if (setting("RepeatRead") != 0) {
            if (ui->action_ICGUI->isChecked()) {
                setProgressVisible(false);
                QTimer::singleShot(setting("AutoPause") * 1000, this,
                                   &MainClass::on_action_ICGUI_triggered);
            }
        } else {
            ui->action_ICGUI->setChecked(false);
        }
    }
    if (code == 5)
        resetReadOnlyDisplays();
    else
        rerunDerivedDisplays();
    if (code != 1 && code != 5)
        mapshowWindow->refreshAll();

    progressBar->setValue(100);
    if (statusBar()->currentMessage().contains("wait"))
        statusBar()->showMessage(QString());
    setProgressVisible(false);

    if (code == 3 && setting("CfgAutoread") == 1)
        startCommand(1, &MainClass::Command_ICGUI);
}

void MainClass::readChannelStatus()
{
    if (ui->Auto_scan->isChecked()) {
        for (int channel = 0; channel < 4; ++channel)
            refreshChannel(channel);
        return;
    }
    const QCheckBox *scans[] = {ui->Scan_1, ui->Scan_2, ui->Scan_3, ui->Scan_4};
    for (int channel = 0; channel < 4; ++channel)
        if (scans[channel]->isChecked())
            refreshChannel(channel);
}

void MainClass::refreshChannel(int channel)
{
    ui->KV_Ch_StNumSel_KV2260v2_42_2->setCurrentIndex(channel);
    RegMap *map = mapshowWindow->regMaps.value("KV2260v2");
    // The transport is fetched anew for every call: a message box shown
    // for a failed call runs the event loop.
    canal *board = service->transport;
    if (!map || !board || channel < 0 || channel > 3)
        return;
    if (board->provides(canal::WriteRegister)) {
        quint8 select = map->wr[ChannelStatus::statusSelectRegister];
        board->writeRegister(0, ChannelStatus::statusSelectRegister, &select);
    }
    quint8 s9 = 0, s10 = 0;
    board = service->transport;
    if (!board || !board->provides(canal::ReadRegister)
        || !board->readRegister(0, ChannelStatus::statusHighRegister, &s10))
        return;
    board = service->transport;
    if (!board || !board->readRegister(0, ChannelStatus::statusLowRegister, &s9))
        return;
    // Cells of a channel whose reads failed keep their last reading.
    const QStringList texts = ChannelStatus::cellTexts(s9, s10);
    for (int quantity = 0; quantity < texts.size(); ++quantity)
        if (auto *cell = findChild<QLineEdit *>(QString("control_%1_%2").arg(channel + 1).arg(quantity + 1)))
            cell->setText(texts[quantity]);
}

void MainClass::refreshWidgetsFromMaps()
{
    // Every table is repainted once, not bit by bit.
    for (RegMap *map : qAsConst(mapshowWindow->regMaps)) {
        map->repaintsHeld = true;
        for (const QString &field : map->fields.keys())
            map->setWidgetValue(field, map->wr);
        map->repaintsHeld = false;
    }
    mapshowWindow->refreshAll();
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
    if (isSerialPort(name)) {
        if (QSerialPortInfo(name).vendorIdentifier() == stm32VendorId)
            return new KV2260_stm32_API;
        return new KV2260_fmc_API;
    }
    if (name.contains("USB#"))
        return new KV2260_USB3_API;
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

void MainClass::Button_open_window_clicked()
{
    QWidget *window = windows.value(sender()->objectName().mid(6));
    if (!window)
        return;
    if (window->windowState() == Qt::WindowMinimized)
        window->setWindowState(Qt::WindowNoState);
    else
        window->setVisible(!window->isVisible());
}

void MainClass::fokus_widget(QWidget *widget)
{
    QString outermost;
    for (QObject *up = widget ? widget->parent() : nullptr; up; up = up->parent())
        outermost = up->objectName();
    QWidget *window = windows.value(outermost);
    if (!window)
        return;
    if (window->isVisible())
        window->hide();
    window->show();
    widget->setStyleSheet("background-color: #FFA500;");
}

void MainClass::change_Custom(int)
{
}

void MainClass::on_KV_SVFI_KV2260v2_61_1_clicked(bool)
{
}
