#pragma once
#include <QWidget>

class QModelIndex;
class QStringListModel;
class QUrl;

namespace Ui {
class help_block;
}

// Help window over the pages of the "Help" folder of the current directory:
// one chapter per "<name>.htm" file, listed once at start-up, plus a search
// over the chapters' text.
class help_block : public QWidget
{
    Q_OBJECT
public:
    explicit help_block(QWidget *parent = nullptr);
    ~help_block() override;

public slots:
    void on_Help_list_doubleClicked(const QModelIndex &index);
    void on_Help_browser_anchorClicked(const QUrl &link);
    void on_Search_button_clicked();
    void on_Search_txt_returnPressed();
    void on_Search_list_doubleClicked(const QModelIndex &index);

private:
    void listChapters();
    bool openChapter(const QString &name);
    bool showPage(const QString &path);
    QStringList chaptersContaining(const QString &text) const;

    Ui::help_block *ui;
    QStringListModel *searchResults;
};
