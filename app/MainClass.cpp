#include "MainClass.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QThread>
#include <QToolBar>
#include <QTranslator>
#include <algorithm>

#include "FieldRules.h"
#include "GrEnable.h"
#include "GrServA.h"
#include "GrServB.h"
#include "GrServC.h"
#include "GrServD.h"
#include "GrServiceClock.h"
#include "GrServiceLPF.h"
#include "GrTest.h"
#include "GrThynA.h"
#include "GrThynB.h"
#include "KeyStateTracker.h"
#include "RegMap.h"
#include "WidgetBinding.h"
#include "canal.h"
#include "clerk.h"
#include "grAOK.h"
#include "grLostW.h"
#include "grSPL.h"
#include "help_block.h"
#include "interactiveMap.h"
#include "mapshow.h"
#include "service_block.h"
#include "ui_MainClass.h"

namespace {

const char *const windowTitleText = "KV2260v2 CE 1.0.2";

const char *const svfiStyle =
    " QCheckBox::indicator:unchecked {  background-color: #EE5555;border: 1px solid black; } "
    "QCheckBox::indicator:checked { image: url(:/bird.png);  background-color: #55DD55;border: "
    "1px solid black; }";

// Fields the form holds for the register image but does not offer.
const char *const hiddenFields[] = {
    "KV_RF_agc_Down_KV2260v2_74_1",     "KV_RF_agc_Up_KV2260v2_75_1",
    "KV_RF_GainSt_KV2260v2_76_4",       "KV_IFA_ManGCSt_KV2260v2_83_5",
    "KV_IFA_GainSt_KV2260v2_72p80_2p5", "KV_Ch_StNumSel_KV2260v2_42_2",
};

const char *const hiddenPanelButtons[] = {
    "ButtonGrServA",       "ButtonGrServB", "ButtonGrServC",  "ButtonGrServD",
    "ButtonGrServiceLPF",  "ButtonGrServiceClock", "ButtonGrTest", "ButtonGrThynA",
    "ButtonGrThynB",       "ButtongrSPL",   "ButtonGrEnable", "ButtongrLostW",
};

// Function keys forwarded from the secondary windows, in the order they are
// looked at: the first one held down runs its command.
struct FunctionKey
{
    int key;
    void (MainClass::*command)();
};
const FunctionKey functionKeys[] = {
    {Qt::Key_F5, &MainClass::on_action_load_default_triggered},
    {Qt::Key_F6, &MainClass::on_action_GUIFILE_triggered},
    {Qt::Key_F7, &MainClass::on_action_FILEGUI_triggered},
    {Qt::Key_F9, &MainClass::on_action_FILEIC_triggered},
    {Qt::Key_F10, &MainClass::on_action_GUIIC_triggered},
    {Qt::Key_F11, &MainClass::on_action_ICGUI_triggered},
};

} // namespace

MainClass::MainClass(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainClass), keys(new KeyStateTracker(this))
{
    createPanels();
    ui->setupUi(this);
    windows.insert("MainClass", this);
    installEventFilter(this);
    setWindowTitle(windowTitleText);
    fillDeviceToolBar();
    createSecondaryWindows();
    bindWidgets();
    for (QToolBar *bar : {ui->toolBar_file, ui->toolBar_IC, ui->toolBar_RegWindow, ui->toolBar_optional})
        bar->setContextMenuPolicy(Qt::PreventContextMenu);
    addProgressBar();
    tidyForm();
    connectOutputLevelRules();
    hideUnofferedControls();
    startWorker();

    QPalette palette = ui->KV_SVFI_KV2260v2_61_1->palette();
    palette.setBrush(QPalette::Active, QPalette::Base, QBrush(QColor(0, 0, 255)));
    ui->KV_SVFI_KV2260v2_61_1->setPalette(palette);

    if (auto *interfaceCheck = qobject_cast<QComboBox *>(settingWidgets.value("Setting_interfaceCheck"))) {
        interfaceCheck->setCurrentIndex(5);
        emit interfaceCheck->currentIndexChanged(5);
    }
    searchButton->click();
    startDir = QDir::currentPath();
    on_action_load_default_triggered();
}

MainClass::~MainClass()
{
    stopWorker();
    // The secondary windows have no parent; they go with the main window.
    delete interactiveWindow;
    delete mapshowWindow;
    if (service)
        delete service->transport;
    for (auto it = windows.cbegin(); it != windows.cend(); ++it)
        if (it.value() != this && it.value() != interactiveWindow && it.value() != mapshowWindow)
            delete it.value();
    for (part *record : records)
        delete record;
    delete translator;
    delete ui;
}

void MainClass::createPanels()
{
    const QList<QWidget *> panels = {
        new grAOK(nullptr),   new GrEnable(nullptr),       new grLostW(nullptr),
        new GrServA(nullptr), new GrServB(nullptr),        new GrServC(nullptr),
        new GrServD(nullptr), new GrServiceClock(nullptr), new GrServiceLPF(nullptr),
        new grSPL(nullptr),   new GrTest(nullptr),         new GrThynA(nullptr),
        new GrThynB(nullptr),
    };
    for (QWidget *panel : panels)
        windows.insert(panel->metaObject()->className(), panel);
}

void MainClass::fillDeviceToolBar()
{
    auto *spacer = new QWidget(this);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    spacer->setVisible(true);
    ui->toolBar_Device->addWidget(spacer);

    deviceCombo = new QComboBox;
    deviceCombo->setMaximumHeight(20);
    deviceCombo->setMinimumWidth(200);
    ui->toolBar_Device->addWidget(deviceCombo);

    searchButton = new QPushButton;
    searchButton->setMaximumHeight(21);
    searchButton->setMaximumWidth(21);
    searchButton->setIcon(QIcon(":/search.png"));
    ui->toolBar_Device->addWidget(searchButton);

    connect(deviceCombo, &QComboBox::currentTextChanged, this, &MainClass::change_device);
    connect(searchButton, &QPushButton::clicked, this, &MainClass::search_device);
}

void MainClass::createSecondaryWindows()
{
    service = new service_block(nullptr);
    service->installEventFilter(this);
    windows.insert("service", service);

    help = new help_block(nullptr);
    help->installEventFilter(this);
    windows.insert("help", help);
}

void MainClass::bindWidgets()
{
    for (QWidget *window : qAsConst(windows))
        window->installEventFilter(this);
    WidgetBinding binding(windows, this);
    displayFields = binding.displayFields;
    settingWidgets = binding.settingWidgets;
    for (auto it = binding.settings.cbegin(); it != binding.settings.cend(); ++it)
        service->settings.insert(it.key(), it.value());
    records = binding.records;
    placementTips = binding.placementTips;
    createRegisterMaps(binding.chipBits, binding.fields);
}

void MainClass::createRegisterMaps(const QMap<QString, int> &chipBits,
                                   const QMap<QString, part *> &fields)
{
    mapshowWindow = new mapshow(nullptr);
    windows.insert("mapshow", mapshowWindow);
    for (auto it = chipBits.cbegin(); it != chipBits.cend(); ++it)
        mapshowWindow->addRegisterTable(it.key(), WidgetBinding::registerCount(it.value()), 0);
    for (part *field : fields)
        if (RegMap *map = mapshowWindow->regMaps.value(field->chip))
            map->fields.insert(field->name, field);

    if (RegMap *chip = mapshowWindow->regMaps.value("KV2260v2"))
        rules = std::make_unique<FieldRules>(chip, &displayFields, this);

    interactiveWindow = new interactiveMap(&mapshowWindow->regMaps, nullptr);
    windows.insert("interactiveMap", interactiveWindow);
    connect(interactiveWindow, &interactiveMap::fokus_widget, this, &MainClass::fokus_widget);
    connect(interactiveWindow, &interactiveMap::send_message, this, &MainClass::error_message);
    connect(interactiveWindow, &interactiveMap::requestICGUI, this, [this] { sl_RD(true); });
    connect(interactiveWindow, &interactiveMap::requestGUIIC, this, [this] { sl_WR(true); });
    // A command's result replaces the images when it ends: a bit toggled by
    // hand meanwhile would be lost or sent half-way, so none is.
    interactiveWindow->setCommandRunningQuery([this] { return busy(); });
}

void MainClass::addProgressBar()
{
    progressBar = new QProgressBar;
    ui->toolBar_optional->addWidget(progressBar);
    progressBar->setMaximumWidth(100);
    setProgressVisible(false);
}

void MainClass::tidyForm()
{
    ui->KV_SVLI_KV2260v2_60_1->hide();
    ui->KV_SVLI_KV2260v2_60_1->setValue(0);
    ui->KV_SVFI_KV2260v2_61_1->setStyleSheet(svfiStyle);
    for (const char *name : hiddenFields)
        if (QWidget *widget = findChild<QWidget *>(name))
            widget->hide();
}

void MainClass::connectOutputLevelRules()
{
    RegMap *map = mapshowWindow->regMaps.value("KV2260v2");
    if (!map)
        return;
    using Slot = void (MainClass::*)(int);
    const Slot channelSlots[] = {
        &MainClass::Smart_IFA1_ADC_OL_KV2230v2, &MainClass::Smart_IFA2_ADC_OL_KV2230v2,
        &MainClass::Smart_IFA3_ADC_OL_KV2230v2, &MainClass::Smart_IFA4_ADC_OL_KV2230v2,
    };
    auto widgetOf = [map](const QString &field) -> QWidget * {
        const part *record = map->fields.value(field);
        return record ? record->widget : nullptr;
    };
    for (int channel = 1; channel <= 4; ++channel) {
        const Slot slot = channelSlots[channel - 1];
        const QString ifa = QString("IFA%1_").arg(channel);
        if (auto *combo = qobject_cast<QComboBox *>(widgetOf(ifa + "OT_KV2260v2")))
            connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, slot);
        if (auto *combo = qobject_cast<QComboBox *>(widgetOf(ifa + "ADC_LVDS_KV2260v2")))
            connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, slot);
        if (auto *box = qobject_cast<QCheckBox *>(widgetOf("ECO_MD_KV2260v2")))
            connect(box, &QCheckBox::stateChanged, this, slot);
        if (auto *spin = qobject_cast<QSpinBox *>(widgetOf("SVLI_KV2260v2")))
            connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), this, slot);
    }
}

void MainClass::hideUnofferedControls()
{
    ui->ButtonGrServiceClock->hide();
    ui->ButtonGrThynB->hide();
    const QList<QAction *> optional = ui->toolBar_optional->actions();
    for (int i = 2; i < optional.size(); ++i)
        optional[i]->setVisible(false);
    for (const char *name : hiddenPanelButtons)
        if (QWidget *button = findChild<QWidget *>(name))
            button->hide();
    ui->groupBox_LPF_CAL->hide();
    ui->toolBar_RegWindow->hide();
}

void MainClass::startWorker()
{
    worker = new clerk;
    worker->regMaps = mapshowWindow->regMaps;
    worker->service = service;
    workerThread = new QThread;

    connect(worker, &clerk::percent_up, progressBar, &QProgressBar::setValue);
    connect(worker, &clerk::error_mess, this, &MainClass::error_message);
    connect(worker, &clerk::notice_mess, this, &MainClass::error_message);
    connect(worker, &clerk::outcome, this, [this](clerk::Outcome kind) { workerOutcome = kind; });
    connect(this, &MainClass::Command_DEFGUI, worker, &clerk::FILEGUI);
    connect(this, &MainClass::Command_GUIFILE, worker, &clerk::GUIFILE);
    connect(this, &MainClass::Command_FILEGUI, worker, &clerk::FILEGUI);
    connect(this, &MainClass::Command_FILEIC, worker, &clerk::FILEIC);
    connect(this, &MainClass::Command_GUIIC, worker, &clerk::GUIIC);
    connect(this, &MainClass::Command_ICGUI, worker, &clerk::ICGUI);

    worker->moveToThread(workerThread);
    workerThread->start(QThread::InheritPriority);
}

void MainClass::stopWorker()
{
    if (!workerThread)
        return;
    // A save runs to its end so the file is never left half written; any
    // other command is asked to stop at its next register.
    if (running && worker->command != 6 && worker->command != 4)
        worker->interrupt = true;
    // The window is going: what the worker and the board still report on
    // the way out would only pop up boxes after it has closed.
    disconnect(worker, nullptr, this, nullptr);
    if (service && service->transport)
        disconnect(service->transport, nullptr, this, nullptr);
    workerThread->quit();
    // The worker may be waiting for the GUI thread (captions of a save):
    // keep serving it while waiting.
    while (!workerThread->wait(20))
        QCoreApplication::processEvents();
    delete worker;
    delete workerThread;
    worker = nullptr;
    workerThread = nullptr;
}

bool MainClass::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close) {
        if (watched == this)
            for (QWidget *window : qAsConst(windows))
                window->close();
        return false;
    }
    if (watched == this || event->type() != QEvent::KeyPress)
        return false;
    for (const FunctionKey &functionKey : functionKeys) {
        if (keys->isDown(functionKey.key)) {
            (this->*functionKey.command)();
            break;
        }
    }
    return false;
}

namespace {

// "Reg<r> <D<hi>...>" for the bits of one piece that lie in the register of
// bit `first`, up to the piece's last bit.
QString registerEntry(quint64 first, quint64 last)
{
    const quint64 reg = first / 8;
    const QString entry = QString("Reg%1 <D%2").arg(reg).arg(7 - first % 8);
    if (first == last)
        return entry + ">";
    if (reg != last / 8)
        return entry + (first % 8 == 7 ? ">" : "-D0>");
    return entry + QString("-D%1>").arg(7 - last % 8);
}

// The entries of one piece, one per register it touches, joined by ",".
QString pieceText(quint64 start, quint64 width)
{
    if (width == 0)
        return QString();
    const quint64 last = start + width - 1;
    QStringList entries;
    for (quint64 bit = start; bit <= last; bit = (bit / 8) * 8 + 8)
        entries << registerEntry(bit, last);
    return entries.join(',');
}

} // namespace

QString MainClass::fieldPlaceText(const part *field)
{
    QString text;
    if (!field)
        return text;
    const size_t pieces = std::min(field->bitStarts.size(), field->widths.size());
    for (size_t i = 0; i < pieces; ++i)
        text += pieceText(field->bitStarts[i], field->widths[i]);
    return text;
}
