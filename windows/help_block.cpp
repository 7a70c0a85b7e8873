#include "help_block.h"

#include <QDir>
#include <QFile>
#include <QStringListModel>
#include <QTabBar>
#include <QTextDocumentFragment>
#include <QUrl>

#include "ui_help_block.h"

namespace {

const QString chapterSuffix = QStringLiteral("htm");

// Pages are written with references relative to the Help folder; the
// browser resolves them from the working directory, so they get the folder
// put in front. Applied in this order, byte-wise.
const struct {
    const char *from;
    const char *to;
} referenceRewrites[] = {
    {"<a href=\"./", "<a href=\"./Help/"},
    {"<img src=\"Images", "<img src=\"./Help/Images"},
};

QString helpFolder()
{
    return QDir::currentPath() + "/Help";
}

QString chapterFile(const QString &name)
{
    return helpFolder() + "/" + name + "." + chapterSuffix;
}

// The page's text ready for the browser; false when the file cannot be read.
// A zero byte ends the page.
bool readPage(const QString &path, QString *page)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    for (const auto &rewrite : referenceRewrites)
        bytes.replace(rewrite.from, rewrite.to);
    const int end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    *page = QString::fromUtf8(bytes);
    return true;
}

// What a reader sees of a page: markup and references do not count as text.
QString visibleText(const QString &page)
{
    if (!Qt::mightBeRichText(page))
        return page;
    return QTextDocumentFragment::fromHtml(page).toPlainText();
}

} // namespace

help_block::help_block(QWidget *parent)
    : QWidget(parent), ui(new Ui::help_block), searchResults(new QStringListModel(this))
{
    ui->setupUi(this);
    // Links are followed here, not by the browser: a link whose file cannot
    // be opened would otherwise replace the page with an empty one.
    ui->Help_browser->setOpenLinks(false);
    ui->Search_list->setModel(searchResults);
    ui->Search_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The narrow side column still shows both tab titles, not scroll arrows.
    ui->tabWidget->tabBar()->setUsesScrollButtons(false);
    listChapters();
}

help_block::~help_block()
{
    delete ui;
}

void help_block::on_Help_list_doubleClicked(const QModelIndex &index)
{
    openChapter(index.data().toString());
}

void help_block::on_Help_browser_anchorClicked(const QUrl &link)
{
    // Only pages of the working directory are shown; other schemes stay put.
    if (!link.isRelative())
        return;
    const QString path = link.path(QUrl::FullyDecoded);
    if (!path.isEmpty() && !showPage(QDir::currentPath() + "/" + path))
        return;
    if (link.hasFragment())
        ui->Help_browser->scrollToAnchor(link.fragment(QUrl::FullyDecoded));
}

void help_block::on_Search_button_clicked()
{
    searchResults->setStringList(chaptersContaining(ui->Search_txt->text().trimmed()));
}

void help_block::on_Search_txt_returnPressed()
{
    on_Search_button_clicked();
}

void help_block::on_Search_list_doubleClicked(const QModelIndex &index)
{
    openChapter(index.data().toString());
}

// The list is read once; chapters added later are seen at the next start.
void help_block::listChapters()
{
    const QFileInfoList entries = QDir(helpFolder()).entryInfoList();
    for (const QFileInfo &entry : entries)
        if (entry.isFile() && entry.completeSuffix() == chapterSuffix)
            ui->Help_list->addItem(entry.baseName());
    // Without chapters the start page of the form stays.
    if (ui->Help_list->count() > 0)
        openChapter(ui->Help_list->item(0)->text());
}

bool help_block::openChapter(const QString &name)
{
    return showPage(chapterFile(name));
}

// Leaves the current page on screen when the file cannot be read.
bool help_block::showPage(const QString &path)
{
    QString page;
    if (!readPage(path, &page))
        return false;
    ui->Help_browser->setText(page);
    return true;
}

QStringList help_block::chaptersContaining(const QString &text) const
{
    QStringList found;
    if (text.isEmpty())
        return found;
    for (int row = 0; row < ui->Help_list->count(); ++row) {
        const QString name = ui->Help_list->item(row)->text();
        QString page;
        if (readPage(chapterFile(name), &page)
            && visibleText(page).contains(text, Qt::CaseInsensitive))
            found << name;
    }
    return found;
}
