#pragma once
#include <QMap>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class InteractiveMapModel;
class QTableView;
class RegMap;

namespace Ui {
class interactiveMap;
}

// Interactive register map: one tab per register map, each register as a row
// of bits labelled with the fields they belong to. Bits toggle by
// double-click, cells are marked by Ctrl+click, field names can be searched
// and pointed out on the forms, and hidden rows are kept in "filtersave.dat"
// of the working directory.
class interactiveMap : public QWidget
{
    Q_OBJECT
public:
    explicit interactiveMap(QMap<QString, RegMap *> *regMaps, QWidget *parent = nullptr);
    ~interactiveMap() override;

    // Repaints the cells of one field after its value was stored, when the
    // current tab shows a map of that chip.
    void refreshModel(const QString &chip, const QString &fieldName);
    // Repaints every map once, after a read or a load replaced the images.
    void refreshAll();
    // The main window's busy state, asked at every double-click on a bit:
    // while it answers true (a command runs, whose result replaces the
    // images when it ends) a double-click changes nothing. Without a query
    // bits always toggle.
    void setCommandRunningQuery(std::function<bool()> running);

signals:
    void fokus_widget(QWidget *widget);
    // Errors of the window and its models ("Error: ..."); the models' texts
    // arrive queued, so those raised while the window was built reach
    // receivers connected afterwards.
    void send_message(QString text);
    // The "IC->GUI" and "GUI->IC" buttons ask for the main window's commands.
    void requestICGUI();
    void requestGUIIC();

public slots:
    void on_tabWidget_currentChanged(int index);
    void on_Filter_hide_clicked();
    void on_Filter_showAll_clicked();
    void on_Filter_save_clicked();
    void on_Filter_load_clicked();
    void on_Filter_deselect_clicked();
    void on_Filter_Find_clicked();
    void on_Filter_AtGUI_clicked();
    void on_Custom_ICGUI_Interactive_clicked();
    void on_Custom_GUIIC_Interactive_clicked();

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct Tab {
        RegMap *map;
        QTableView *view;
        std::unique_ptr<InteractiveMapModel> model;
    };

    void addTab(RegMap *map);
    const Tab *currentTab() const;
    void selectBit(const Tab &tab, int bit);
    static QString filterFilePath();

    QMap<QString, RegMap *> *regMaps;
    int lastFound = -1;
    QString lastSearch;
    Ui::interactiveMap *ui;
    std::vector<Tab> tabs;
};
