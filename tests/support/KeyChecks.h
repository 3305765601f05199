#pragma once

// What the keyboard tests share: where the keys are, said in a failure's words, and keys typed or held
// as a desktop's keyboard sends them to a window.

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace pelnix::test {

inline QString describeWidget(const QWidget* w) {
    return w ? QStringLiteral("%1 \"%2\"").arg(QLatin1String(w->metaObject()->className()), w->objectName())
             : QStringLiteral("nothing");
}

#define VERIFY_KEYS_IN(widget)                                                                               \
    QVERIFY2(QApplication::focusWidget() == (widget),                                                        \
             qPrintable(QStringLiteral("the keys are in %1, not %2")                                         \
                            .arg(pelnix::test::describeWidget(QApplication::focusWidget()),                  \
                                 pelnix::test::describeWidget(widget))))

// Types as the user does, into whatever has the window's keys.
inline void typeInto(QWindow* window, const QString& text) {
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

// A key held down: its press, then `repeats` repeats (each a release and a press marked as repeated,
// as a desktop's keyboard sends them), then its release. `between` runs before each repeat.
template <typename Between> void holdKey(QWindow* window, Qt::Key key, int repeats, Between between) {
    QTest::simulateEvent(window, true, key, {}, {}, false);
    for (int i = 0; i < repeats; ++i) {
        between();
        QTest::simulateEvent(window, false, key, {}, {}, true);
        QTest::simulateEvent(window, true, key, {}, {}, true);
    }
    QTest::simulateEvent(window, false, key, {}, {}, false);
}
inline void holdKey(QWindow* window, Qt::Key key, int repeats) {
    holdKey(window, key, repeats, [] {});
}

} // namespace pelnix::test
