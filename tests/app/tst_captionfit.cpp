#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTranslator>

#include "ApplicationFont.h"
#include "MainClass.h"
#include "ModalCatcher.h"
#include "RegMap.h"
#include "TestMain.h"
#include "mapshow.h"

namespace {

// Room the text of a caption has: a label's contents, a check box's
// contents beside its indicator.
QRect textRoom(QWidget *widget)
{
    if (auto *box = qobject_cast<QCheckBox *>(widget)) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        return box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    }
    return widget->contentsRect();
}

QString captionText(QWidget *widget)
{
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *box = qobject_cast<QCheckBox *>(widget))
        return box->text();
    return QString();
}

// Size the caption's text needs inside `room`, wrapped where the caption
// wraps.
QSize textNeed(QWidget *widget, const QRect &room)
{
    // A check box's "&" marks its shortcut; a label shows it, unless it
    // names a buddy.
    int flags = Qt::TextShowMnemonic;
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        flags = label->buddy() ? Qt::TextShowMnemonic : 0;
        if (label->wordWrap())
            flags |= Qt::TextWordWrap;
    }
    const QRect limit(0, 0, room.width(), 10000);
    return widget->fontMetrics().boundingRect(limit, flags, captionText(widget)).size();
}

// Captions whose text does not fit the room they have, as
// "<object name> "<text>" needs <w>x<h>, has <w>x<h>".
QStringList cutCaptions(QWidget *top)
{
    QStringList cut;
    for (QWidget *widget : top->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(top) || captionText(widget).isEmpty())
            continue;
        const QRect room = textRoom(widget);
        const QSize need = textNeed(widget, room);
        if (need.width() > room.width() || need.height() > room.height())
            cut << QString("%1 \"%2\" needs %3x%4, has %5x%6")
                       .arg(widget->objectName(), captionText(widget))
                       .arg(need.width()).arg(need.height())
                       .arg(room.width()).arg(room.height());
    }
    return cut;
}

// Width a line edit has for its text: its contents less the text margins
// and the fixed margin the line edit keeps on either side of the text.
int lineEditRoom(const QLineEdit *edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    option.state |= QStyle::State_Sunken;
    const QRect contents =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const QMargins margins = edit->textMargins();
    const int lineEditMargin = 2;
    return contents.width() - margins.left() - margins.right() - 2 * lineEditMargin;
}

// Every value a field widget offers, from its first to its last.
QList<int> valuesOf(QWidget *widget, int width)
{
    QList<int> values;
    const int last = (1 << qMin(width, 10)) - 1;
    if (auto *spin = qobject_cast<QSpinBox *>(widget)) {
        for (int value = spin->minimum(); value <= last; ++value)
            values << value;
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        for (int index = 0; index < combo->count(); ++index)
            values << index;
    }
    return values;
}

int shownValue(QWidget *widget)
{
    if (auto *spin = qobject_cast<QSpinBox *>(widget))
        return spin->value();
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->currentIndex();
    return 0;
}

void showValue(QWidget *widget, int value)
{
    if (auto *spin = qobject_cast<QSpinBox *>(widget))
        spin->setValue(value);
    else if (auto *combo = qobject_cast<QComboBox *>(widget))
        combo->setCurrentIndex(value);
}

// Texts of derived displays in `top` that do not fit their display, while
// each display's field runs through all its values.
QStringList cutDisplays(MainClass &window, QWidget *top)
{
    QStringList cut;
    const RegMap *map = window.mapshowWindow->regMaps.value("KV2260v2");
    for (auto it = window.displayFields.cbegin(); it != window.displayFields.cend(); ++it) {
        auto *display = qobject_cast<QLineEdit *>(it.value()->widget);
        const part *field = map->fields.value(it.key());
        if (!display || !field || display->window() != top || !display->isVisibleTo(top))
            continue;
        const int before = shownValue(field->widget);
        for (int value : valuesOf(field->widget, field->width)) {
            showValue(field->widget, value);
            const int need = display->fontMetrics().horizontalAdvance(display->text());
            if (need > lineEditRoom(display)) {
                cut << QString("%1 \"%2\" needs %3, has %4")
                           .arg(display->objectName(), display->text())
                           .arg(need).arg(lineEditRoom(display));
                break;
            }
        }
        showValue(field->widget, before);
    }
    return cut;
}

} // namespace

// Every caption and derived display of every window shows its whole text in
// the tool's font, and the main window fits a 1366 x 768 screen.
class CaptionFitTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void fontIsInstalled();
    void captionsFit_data();
    void captionsFit();
    void mainWindowFitsSmallScreen();

private:
    QTranslator english;
    std::unique_ptr<ModalCatcher> boxes;
    std::unique_ptr<MainClass> window;
};

void CaptionFitTest::initTestCase()
{
    // As the tool starts: its font, then the English texts.
    useApplicationFont(*qApp);
    QVERIFY(english.load(":/Translations/template_en.qm"));
    qApp->installTranslator(&english);
    boxes = std::make_unique<ModalCatcher>();
    window = std::make_unique<MainClass>();
    QTRY_VERIFY(!window->commandRunning());
}

void CaptionFitTest::cleanupTestCase()
{
    window.reset();
    boxes.reset();
    qApp->removeTranslator(&english);
}

void CaptionFitTest::fontIsInstalled()
{
    // Without the font installed fontconfig shows another one, and the
    // measures below would be of that one.
    const QFont font = applicationFont();
    QCOMPARE(QFontInfo(font).family(), font.family());
    QCOMPARE(window->font(), font);
}

void CaptionFitTest::captionsFit_data()
{
    QTest::addColumn<QString>("windowName");
    for (const QString &name : window->windows.keys())
        QTest::newRow(qPrintable(name)) << name;
}

void CaptionFitTest::captionsFit()
{
    QFETCH(QString, windowName);
    QWidget *top = window->windows.value(windowName);
    top->show();
    QVERIFY(QTest::qWaitForWindowExposed(top));
    const QStringList cutAsShown = cutCaptions(top) + cutDisplays(*window, top);
    // The user may make the window as small as its layout lets it be.
    if (top->minimumSizeHint().isValid()) {
        top->resize(top->minimumSizeHint());
        QTest::qWait(0);
    }
    const QStringList cutWhenSmallest = cutCaptions(top) + cutDisplays(*window, top);
    top->hide();
    QVERIFY2(cutAsShown.isEmpty(), qPrintable("\n" + cutAsShown.join('\n')));
    QVERIFY2(cutWhenSmallest.isEmpty(), qPrintable("smallest:\n" + cutWhenSmallest.join('\n')));
}

void CaptionFitTest::mainWindowFitsSmallScreen()
{
    // A 1366 x 768 screen, with room for a window frame, a title bar and a
    // desktop panel.
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
    QVERIFY2(least.width() <= 1360 && least.height() <= 700,
             qPrintable(QString("%1 x %2").arg(least.width()).arg(least.height())));

    // At that size every control is still inside the window.
    window->show();
    window->resize(least);
    QTest::qWait(0);
    QStringList outside;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(window.get()) || widget->isWindow())
            continue;
        const QRect place(widget->mapTo(window.get(), QPoint(0, 0)), widget->size());
        if (!window->rect().contains(place))
            outside << widget->objectName();
    }
    window->hide();
    QVERIFY2(outside.isEmpty(), qPrintable(outside.join(", ")));
}

KV_TEST_MAIN(CaptionFitTest)
#include "tst_captionfit.moc"
