#include "service_block.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListView>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabBar>
#include <vector>

#include "canal.h"
#include "ui_service_block.h"

namespace {

const QString settingPrefix = QStringLiteral("Setting_");

// Keys the worker reads or stores into that no widget seeds. They exist from
// the start so the worker never has to insert into the map.
const char *const keysWithoutWidget[] = {"RegisterValue", "writePause", "separateWrite"};

// Parts of the form the window keeps out of sight: the register page, the
// options that are fixed, and the device choice, which the main window owns.
const char *const hiddenWidgets[] = {
    "GrRWRegister", "Setting_AutoPause", "Setting_HexComment", "Setting_ReadStyle",
    "text_read", "Setting_WriteStyle", "text_write", "Setting_ServiceBits",
    "Setting_StatusBits", "Setting_ConfigCheck", "Setting_RepeatRead", "Setting_ICFILE",
    "Setting_currentDevice", "Setting_interfaceCheck", "Setting_speedCom", "search_interface"};

// Interface choices that stay out of reach: only the 2290 boards remain.
const int hiddenInterfaceRows[] = {0, 1, 2, 3, 6};

QCheckBox *bitBox(const QWidget *window, int bit)
{
    return window->findChild<QCheckBox *>(QStringLiteral("cbxRegByte%1").arg(bit));
}

// A settings widget's value as the settings map holds it; false when the
// widget is of a class that has no value (the IC->File button).
bool settingValue(const QWidget *widget, int *value)
{
    const QString cls = QString::fromLatin1(widget->metaObject()->className());
    if (cls.contains("QSpinBox"))
        *value = static_cast<const QSpinBox *>(widget)->value();
    else if (cls.contains("QCheckBox"))
        *value = static_cast<const QCheckBox *>(widget)->isChecked() ? 1 : 0;
    else if (cls.contains("QComboBox"))
        *value = static_cast<const QComboBox *>(widget)->currentIndex();
    else
        return false;
    return true;
}

} // namespace

service_block::service_block(QWidget *parent) : QWidget(parent), ui(new Ui::service_block)
{
    ui->setupUi(this);
    for (int bit = 0; bit < 8; ++bit)
        connect(bitBox(this, bit), &QCheckBox::stateChanged, this, &service_block::change_Value);

    hideUnusedWidgets();
    ui->tabWidget->setCurrentIndex(0);
    ui->tabWidget->tabBar()->hide();
    setGeometry(150, 150, width(), 100);
    seedSettings();
}

service_block::~service_block()
{
    delete ui;
}

void service_block::hideUnusedWidgets()
{
    for (const char *name : hiddenWidgets)
        findChild<QWidget *>(QString::fromLatin1(name))->hide();

    auto *rows = qobject_cast<QListView *>(ui->Setting_interfaceCheck->view());
    auto *model = qobject_cast<QStandardItemModel *>(ui->Setting_interfaceCheck->model());
    for (int row : hiddenInterfaceRows) {
        if (rows)
            rows->setRowHidden(row, true);
        if (model && model->item(row))
            model->item(row)->setFlags(model->item(row)->flags() & ~Qt::ItemIsEnabled);
    }
}

// The window works on its own: every Setting_ widget gives its initial value,
// as the main window's binding would.
void service_block::seedSettings()
{
    for (const QWidget *widget : findChildren<QWidget *>()) {
        const QString name = widget->objectName();
        int value = 0;
        if (name.startsWith(settingPrefix) && settingValue(widget, &value))
            settings.insert(name.mid(settingPrefix.size()), value);
    }
    for (const char *key : keysWithoutWidget)
        settings.insert(QString::fromLatin1(key), 0);
}

void service_block::change_translation()
{
    // Only the texts change: the lists get their item texts anew and stay
    // on their items, so the settings map keeps what the user chose.
    ui->retranslateUi(this);
}

void service_block::showInterfaceError(quint8 value)
{
    QMessageBox box;
    box.setText(QStringLiteral("USB interface error ") + QString::number(value));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void service_block::on_ButtonReadRegister_clicked()
{
    const quint8 map = quint8(ui->Setting_MapCounter->currentIndex());
    const int reg = ui->Setting_RegisterNumber->value();
    quint8 value = 0;
    if (!transport || !transport->provides(canal::ReadRegister)
        || !transport->readRegister(map, reg, &value)) {
        showInterfaceError(value);
        return;
    }
    ui->SpinRegisterValue->setValue(value);
}

void service_block::on_ButtonWriteRegister_clicked()
{
    quint8 value = bitBoxesValue();
    const quint8 map = quint8(ui->Setting_MapCounter->currentIndex());
    const int reg = ui->Setting_RegisterNumber->value();
    if (!transport || !transport->provides(canal::WriteRegister)
        || !transport->writeRegister(map, reg, &value))
        showInterfaceError(bitBoxesValue());
}

quint8 service_block::bitBoxesValue() const
{
    quint8 value = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (bitBox(this, bit)->isChecked())
            value |= quint8(1u << bit);
    return value;
}

void service_block::on_SpinRegisterValue_valueChanged(int arg1)
{
    // The boxes follow the value; blocking their signals keeps a half-set
    // row of boxes from writing a partial value back.
    for (int bit = 0; bit < 8; ++bit) {
        QCheckBox *box = bitBox(this, bit);
        const QSignalBlocker blocker(box);
        box->setChecked((arg1 >> bit) & 1);
    }
}

void service_block::change_Value(int val)
{
    Q_UNUSED(val);
    if (!sender() || !sender()->objectName().contains("cbxRegByte"))
        return;
    ui->SpinRegisterValue->setValue(bitBoxesValue());
}

void service_block::on_gonec_clicked()
{
    std::vector<quint8> frame;
    for (const QString &piece : ui->gonec_line_out->text().split(' ', Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint number = piece.toUInt(&ok, 16);
        frame.push_back(ok ? quint8(number & 0xFF) : 0);
    }
    // An empty line sends nothing: there is no frame to send.
    if (!frame.empty() && transport && transport->provides(canal::SendPacket)) {
        quint8 *packet = frame.data();
        transport->sendPacket(int(frame.size()), &packet);
    }
    QString answer;
    for (quint8 byte : frame)
        answer += QStringLiteral("%1 ").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    ui->gonec_line_in->setText(answer);
}
