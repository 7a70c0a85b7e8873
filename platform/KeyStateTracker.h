#pragma once
#include <QObject>
#include <QSet>

// Tells whether a key is held down right now. An application-wide event
// filter records presses and releases of the keys it watches; auto-repeat
// releases are not releases, and every key counts as released when the
// application loses focus (a release outside it is never seen).
class KeyStateTracker : public QObject
{
    Q_OBJECT
public:
    // Starts watching every event of the running application.
    explicit KeyStateTracker(QObject *parent = nullptr);

    bool isDown(int key) const { return down.contains(key); }

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSet<int> down;
};
