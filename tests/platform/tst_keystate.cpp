#include <QKeyEvent>
#include <QLineEdit>

#include "KeyStateTracker.h"
#include "TestMain.h"

class KeyStateTest : public QObject
{
    Q_OBJECT
private slots:
    void pressAndRelease();
    void autoRepeatReleaseKeepsKeyDown();
    void otherKeysAreNotTracked();
    void leavingTheApplicationReleasesAll();
};

void KeyStateTest::pressAndRelease()
{
    KeyStateTracker keys;
    QLineEdit target;
    QTest::keyPress(&target, Qt::Key_F7);
    QVERIFY(keys.isDown(Qt::Key_F7));
    QVERIFY(!keys.isDown(Qt::Key_F5));
    QTest::keyRelease(&target, Qt::Key_F7);
    QVERIFY(!keys.isDown(Qt::Key_F7));
}

void KeyStateTest::autoRepeatReleaseKeepsKeyDown()
{
    KeyStateTracker keys;
    QLineEdit target;
    QTest::keyPress(&target, Qt::Key_F5);
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_F5, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(&target, &repeatRelease);
    QVERIFY(keys.isDown(Qt::Key_F5));
}

void KeyStateTest::otherKeysAreNotTracked()
{
    KeyStateTracker keys;
    QLineEdit target;
    QTest::keyPress(&target, Qt::Key_F8);
    QTest::keyPress(&target, Qt::Key_A);
    QVERIFY(!keys.isDown(Qt::Key_F8));
    QVERIFY(!keys.isDown(Qt::Key_A));
}

void KeyStateTest::leavingTheApplicationReleasesAll()
{
    KeyStateTracker keys;
    QLineEdit target;
    QTest::keyPress(&target, Qt::Key_F10);
    QTest::keyPress(&target, Qt::Key_F11);
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QCoreApplication::sendEvent(qApp, &deactivate);
    QVERIFY(!keys.isDown(Qt::Key_F10));
    QVERIFY(!keys.isDown(Qt::Key_F11));
}

KV_TEST_MAIN(KeyStateTest)
#include "tst_keystate.moc"
