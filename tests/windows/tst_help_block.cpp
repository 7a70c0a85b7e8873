// The help window over a "Help" folder made afresh in the working directory
// for each test: chapter list, page rewrites, link following and search.
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>

#include "TestMain.h"
#include "help_block.h"

namespace {

using Pages = QMap<QString, QByteArray>;

// An empty set of pages means no Help folder at all.
void putPages(const Pages &pages)
{
    QDir("Help").removeRecursively();
    if (pages.isEmpty())
        return;
    QDir().mkpath("Help");
    for (auto page = pages.begin(); page != pages.end(); ++page) {
        QFile file("Help/" + page.key());
        if (!file.open(QIODevice::WriteOnly) || file.write(page.value()) != page.value().size())
            qFatal("cannot write a help page");
    }
}

QTextBrowser *browserOf(const help_block &window)
{
    return window.findChild<QTextBrowser *>("Help_browser");
}

QStringList listed(const QAbstractItemModel *model)
{
    QStringList names;
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 0).data().toString();
    return names;
}

// Clicks reach only a window on screen.
bool onScreen(QWidget &window)
{
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

// Clicks the first character of a text on the page, as the user would.
void clickText(QTextBrowser *browser, const QString &text)
{
    QTextCursor at = browser->document()->find(text);
    QVERIFY2(!at.isNull(), qPrintable(text));
    at.setPosition(at.selectionStart() + 1);
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, browser->cursorRect(at).center());
}

void doubleClickRow(QAbstractItemView *view, int row)
{
    const QPoint centre = view->visualRect(view->model()->index(row, 0)).center();
    // The first click selects, the double-click opens.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre);
}

const QString startHeading = QString::fromUtf8("О программе.");

} // namespace

class HelpBlockTest : public QObject
{
    Q_OBJECT
private slots:
    void chapterList_data();
    void chapterList();
    void referenceRewrites_data();
    void referenceRewrites();
    void followLink_data();
    void followLink();
    void doubleClickChapter_data();
    void doubleClickChapter();
    void search_data();
    void search();
};

void HelpBlockTest::chapterList_data()
{
    QTest::addColumn<Pages>("pages");
    QTest::addColumn<QStringList>("chapters");
    QTest::addColumn<QString>("shown");
    QTest::newRow("name order ignoring case")
        << Pages{{"b.htm", "Page b"}, {"A.htm", "Page A"}, {"c.htm", "Page c"}}
        << QStringList{"A", "b", "c"} << "Page A";
    QTest::newRow("only complete suffix htm")
        << Pages{{"notes.txt", "n"}, {"x.html", "x"}, {"x.HTM", "X"}, {"x.b.htm", "xb"}, {"y.htm", "Page y"}}
        << QStringList{"y"} << "Page y";
    QTest::newRow("no chapter") << Pages{{"notes.txt", "n"}} << QStringList() << startHeading;
    QTest::newRow("no folder") << Pages() << QStringList() << startHeading;
}

void HelpBlockTest::chapterList()
{
    QFETCH(Pages, pages);
    putPages(pages);
    help_block window;
    QTEST(listed(window.findChild<QListWidget *>("Help_list")->model()), "chapters");
    QFETCH(QString, shown);
    QVERIFY(browserOf(window)->toPlainText().contains(shown));
}

void HelpBlockTest::referenceRewrites_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");
    QTest::newRow("link relative to Help") << QByteArray("<a href=\"./Regs.htm\">Regs</a>")
                                           << "href=\"./Help/Regs.htm\"" << "Regs";
    QTest::newRow("link already under Help") << QByteArray("<a href=\"./Help/Regs.htm\">Regs</a>")
                                             << "href=\"./Help/Help/Regs.htm\"" << "Regs";
    QTest::newRow("image") << QByteArray("<p>pic<img src=\"Images/pic.png\"></p>")
                           << "src=\"./Help/Images/pic.png\"" << QString("pic") + QChar(0xFFFC);
    QTest::newRow("zero byte ends the page")
        << QByteArray("<p>before</p>\0<p>after</p>", 26) << "before" << "before";
}

void HelpBlockTest::referenceRewrites()
{
    QFETCH(QByteArray, page);
    putPages({{"A.htm", page}});
    help_block window;
    QFETCH(QString, html);
    QVERIFY2(browserOf(window)->toHtml().contains(html), qPrintable(browserOf(window)->toHtml()));
    QTEST(browserOf(window)->toPlainText(), "text");
}

void HelpBlockTest::followLink_data()
{
    QTest::addColumn<Pages>("pages");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("opens");
    QTest::addColumn<bool>("scrolls");
    // Long enough to scroll, with its anchor at the end.
    const QByteArray page = "<p><a href=\"./Regs.htm\">to regs</a> <a href=\"./Gone.htm\">gone</a> "
                            "<a href=\"./Regs.htm#x\">regs x</a> <a href=\"http://example.com/A.htm\">web</a> "
                            "<a href=\"#end\">down</a></p>"
                            + QByteArray("<p>line</p>").repeated(200) + "<p><a name=\"end\">End</a></p>";
    const Pages pages{{"A.htm", page}, {"Regs.htm", "<p>Regs page</p>"}};
    QTest::newRow("chapter") << pages << "to regs" << "Regs page" << false;
    QTest::newRow("chapter with anchor") << pages << "regs x" << "Regs page" << false;
    QTest::newRow("anchor scrolls the page") << pages << "down" << QString() << true;
    QTest::newRow("missing file keeps page") << pages << "gone" << QString() << false;
    QTest::newRow("other site keeps page") << pages << "web" << QString() << false;
    QTest::newRow("start page link keeps page")
        << Pages() << QString::fromUtf8("Базовый интерфейс программы") << QString() << false;
}

void HelpBlockTest::followLink()
{
    QFETCH(Pages, pages);
    QFETCH(QString, link);
    QFETCH(QString, opens);
    putPages(pages);
    help_block window;
    QVERIFY(onScreen(window));
    QTextBrowser *browser = browserOf(window);
    const QString before = browser->toHtml();
    clickText(browser, link);
    if (opens.isEmpty())
        QCOMPARE(browser->toHtml(), before);
    else
        QCOMPARE(browser->toPlainText(), opens);
    QTEST(browser->verticalScrollBar()->value() > 0, "scrolls");
}

void HelpBlockTest::doubleClickChapter_data()
{
    QTest::addColumn<bool>("removed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("chapter opens") << false << "Page b";
    QTest::newRow("removed chapter keeps page") << true << "Page A";
}

void HelpBlockTest::doubleClickChapter()
{
    QFETCH(bool, removed);
    putPages({{"A.htm", "Page A"}, {"b.htm", "Page b"}});
    help_block window;
    QVERIFY(onScreen(window));
    if (removed)
        QVERIFY(QFile::remove("Help/b.htm"));
    doubleClickRow(window.findChild<QListWidget *>("Help_list"), 1);
    QTEST(browserOf(window)->toPlainText(), "shown");
}

void HelpBlockTest::search_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("byReturn");
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<QString>("lastOpens");
    QTest::newRow("any case") << "register" << false << QStringList{"Alpha", "Beta"} << "REGISTERS, more";
    QTest::newRow("Return searches") << "CLOCK" << true << QStringList{"Gamma"} << "Plain notes on clocks";
    QTest::newRow("markup is not text") << "href" << false << QStringList() << QString();
    QTest::newRow("blank") << "  " << true << QStringList() << QString();
}

void HelpBlockTest::search()
{
    putPages({{"Alpha.htm", "<p>Register map</p>"},
              {"Beta.htm", "<p>REGISTERS, <a href=\"./Alpha.htm\">more</a></p>"},
              {"Gamma.htm", "Plain notes on clocks"}});
    help_block window;
    QVERIFY(onScreen(window));
    QFETCH(QString, query);
    QFETCH(bool, byReturn);
    QFETCH(QStringList, found);
    auto *field = window.findChild<QLineEdit *>("Search_txt");
    QTest::keyClicks(field, query);
    if (byReturn)
        QTest::keyClick(field, Qt::Key_Return);
    else
        QTest::mouseClick(window.findChild<QPushButton *>("Search_button"), Qt::LeftButton);
    auto *results = window.findChild<QListView *>("Search_list");
    QCOMPARE(listed(results->model()), found);
    if (found.isEmpty())
        return;
    window.findChild<QTabWidget *>("tabWidget")->setCurrentIndex(1);
    doubleClickRow(results, found.size() - 1);
    QTEST(browserOf(window)->toPlainText(), "lastOpens");
}

KV_TEST_MAIN(HelpBlockTest)
#include "tst_help_block.moc"
