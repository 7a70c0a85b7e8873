#include "interactiveMap.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QSettings>
#include <QTableView>

#include "InteractiveMapModel.h"
#include "RegMap.h"
#include "RegTableModel.h"
#include "ui_interactiveMap.h"

namespace {

const char *const filterSection = "Interactive_hide";
const int pixelsPerLabelChar = 8;
const int valueColumnWidth = 32;
const int hideColumnWidth = 20;

} // namespace

interactiveMap::interactiveMap(QMap<QString, RegMap *> *regMaps, QWidget *parent)
    : QWidget(parent), regMaps(regMaps), ui(new Ui::interactiveMap)
{
    ui->setupUi(this);
    setWindowTitle("Registers Map");
    if (regMaps)
        for (RegMap *map : qAsConst(*regMaps))
            addTab(map);
}

interactiveMap::~interactiveMap()
{
    delete ui;
}

void interactiveMap::addTab(RegMap *map)
{
    // The view joins the window before it gets its model: its headers
    // measure their labels when the model is set, and again whenever a
    // new parent's style sheet reaches them.
    auto *view = new QTableView;
    Tab tab{map, view, std::make_unique<InteractiveMapModel>(map->fields)};
    InteractiveMapModel *model = tab.model.get();
    model->regMap = map;
    tabs.push_back(std::move(tab));
    ui->tabWidget->addTab(view, map->name);

    connect(view, &QTableView::clicked, model, &InteractiveMapModel::itemClicked);
    connect(view, &QTableView::doubleClicked, model, &InteractiveMapModel::itemDoubleClicked);
    if (auto *table = map->view ? qobject_cast<RegTableModel *>(map->view->model()) : nullptr)
        connect(table, &RegTableModel::bit_changed, model, &InteractiveMapModel::update_bit);
    connect(model, &InteractiveMapModel::send_message, this, &interactiveMap::send_message);
    // The headers' labels are measured when the window first shows
    // (showEvent), not while the tool starts: the view measures them
    // whenever its model or column widths change.
    if (!isVisible()) {
        view->horizontalHeader()->hide();
        view->verticalHeader()->hide();
    }
    view->setModel(model);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    if (model->labelLength() > 0)
        for (int column = 0; column < InteractiveMapModel::BitColumns; ++column)
            view->setColumnWidth(column, pixelsPerLabelChar * model->labelLength());
    view->setColumnWidth(InteractiveMapModel::ValueColumn, valueColumnWidth);
    view->setColumnWidth(InteractiveMapModel::HideColumn, hideColumnWidth);
}

void interactiveMap::showEvent(QShowEvent *event)
{
    for (const Tab &tab : tabs) {
        tab.view->horizontalHeader()->show();
        tab.view->verticalHeader()->show();
    }
    QWidget::showEvent(event);
}

void interactiveMap::setCommandRunningQuery(std::function<bool()> running)
{
    for (Tab &tab : tabs)
        tab.model->commandRunning = running;
}

const interactiveMap::Tab *interactiveMap::currentTab() const
{
    const int index = ui->tabWidget->currentIndex();
    if (index < 0 || size_t(index) >= tabs.size())
        return nullptr;
    return &tabs[size_t(index)];
}

void interactiveMap::refreshModel(const QString &chip, const QString &fieldName)
{
    const Tab *tab = currentTab();
    if (tab && tab->map->name.contains(chip))
        tab->model->update_part(fieldName);
}

void interactiveMap::refreshAll()
{
    for (Tab &tab : tabs)
        tab.model->refreshAll();
}

void interactiveMap::on_tabWidget_currentChanged(int index)
{
    // Only the current tab follows field edits: bring the new one up to date.
    if (index >= 0 && size_t(index) < tabs.size())
        tabs[size_t(index)].view->viewport()->update();
}

// ---- Search -----------------------------------------------------------------

void interactiveMap::on_Filter_Find_clicked()
{
    const Tab *tab = currentTab();
    const QString text = ui->Filter_line->text();
    if (!tab || text.isEmpty())
        return;
    if (text != lastSearch) {
        lastSearch = text;
        lastFound = -1;
    }
    const int bits = 8 * tab->model->rowCount();
    const int from = lastFound + 1 < bits ? lastFound + 1 : 0;
    // No wrap: past the last match the previous one stays selected.
    const int found = tab->model->findLabel(text, from);
    if (found >= 0)
        lastFound = found;
    selectBit(*tab, lastFound);
}

void interactiveMap::selectBit(const Tab &tab, int bit)
{
    const QModelIndex cell = bit >= 0 ? tab.model->index(bit / 8, bit % 8) : QModelIndex();
    if (cell.isValid()) {
        tab.view->scrollTo(cell);
        tab.view->selectionModel()->select(cell, QItemSelectionModel::ClearAndSelect);
    } else {
        tab.view->clearSelection();
    }
    tab.view->setFocus();
}

void interactiveMap::on_Filter_AtGUI_clicked()
{
    const Tab *tab = currentTab();
    if (!tab || lastFound < 0)
        return;
    const QString label = tab->model->labelOf(lastFound);
    if (label.isEmpty())
        return;
    const QString field = label.section('<', 0, 0) + "_" + tab->map->name;
    if (const part *record = tab->map->fields.value(field))
        emit fokus_widget(record->widget);
}

void interactiveMap::on_Filter_deselect_clicked()
{
    if (const Tab *tab = currentTab())
        tab->model->deselectAll();
}

// ---- Row filter -------------------------------------------------------------

void interactiveMap::on_Filter_hide_clicked()
{
    const Tab *tab = currentTab();
    if (!tab)
        return;
    for (int row = 0; row < tab->model->rowCount(); ++row)
        if (tab->model->isHidden(row))
            tab->view->hideRow(row);
    tab->view->reset();
}

void interactiveMap::on_Filter_showAll_clicked()
{
    const Tab *tab = currentTab();
    if (!tab)
        return;
    for (int row = 0; row < tab->model->rowCount(); ++row)
        tab->view->showRow(row);
    tab->view->reset();
}

QString interactiveMap::filterFilePath()
{
    return QDir::currentPath() + "/filtersave.dat";
}

void interactiveMap::on_Filter_save_clicked()
{
    const Tab *tab = currentTab();
    if (!tab)
        return;
    QSettings file(filterFilePath(), QSettings::IniFormat);
    // Through a temporary file where the folder allows one, else directly.
    file.setAtomicSyncRequired(false);
    // A file that could not be read would lose the other maps' rows.
    if (file.status() == QSettings::NoError) {
        file.setValue(QString(filterSection) + "/" + tab->map->name, tab->model->hiddenRowsText());
        file.sync();
    }
    if (file.status() != QSettings::NoError)
        emit send_message("Error: filter file not saved: " + QDir::toNativeSeparators(filterFilePath()));
}

void interactiveMap::on_Filter_load_clicked()
{
    on_Filter_showAll_clicked();
    const Tab *tab = currentTab();
    if (!tab || !QFileInfo(filterFilePath()).isFile())
        return;
    QSettings file(filterFilePath(), QSettings::IniFormat);
    const QVariant value = file.value(QString(filterSection) + "/" + tab->map->name);
    // Only a plain text can list rows; anything else the file holds flags none.
    if (value.type() == QVariant::String)
        tab->model->addHiddenRows(value.toString());
}

// ---- Commands ---------------------------------------------------------------

void interactiveMap::on_Custom_ICGUI_Interactive_clicked()
{
    emit requestICGUI();
}

void interactiveMap::on_Custom_GUIIC_Interactive_clicked()
{
    emit requestGUIIC();
}
