#pragma once

// The keys that press a control, as the user presses them, for table-driven tests: Space, Return, the
// keypad's Enter, and Return held down (the keyboard repeats it); and Tab to a control.

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace pelnix::test {

// The columns "control", "key", "modifiers" and "repeats", with a row for each of `controls` (names the
// test knows them by) and each way of pressing it.
inline void addPressingKeys(const QStringList& controls) {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("repeats");
    struct Way {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int repeats;
    };
    const Way ways[] = {{"Space", Qt::Key_Space, {}, 0},
                        {"Return", Qt::Key_Return, {}, 0},
                        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, 0},
                        {"Return held down", Qt::Key_Return, {}, 5}};
    for (const QString& control : controls)
        for (const Way& way : ways)
            QTest::addRow("%s, %s", qPrintable(control), way.name)
                << control << int(way.key) << way.modifiers << way.repeats;
}

// Presses `key` in `window`: down, then `repeats` times what the keyboard sends while it is held (a
// release and a press, both marked as repeats) to whatever has the keys by then, then up.
inline void pressKey(QWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}, int repeats = 0) {
    QTest::sendKeyEvent(QTest::KeyAction::Press, window, key, QString(), modifiers);
    for (int i = 0; i < repeats; ++i) {
        for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
            QKeyEvent repeat(type, key, modifiers, QString(), true);
            QWidget* focus = QApplication::focusWidget();
            QCoreApplication::sendEvent(focus ? static_cast<QObject*>(focus) : window, &repeat);
        }
    }
    QTest::sendKeyEvent(QTest::KeyAction::Release, window, key, QString(), modifiers);
}

// Presses Tab until `target` has the keys, at most `most` times; whether it has them.
inline bool tabTo(QWindow* window, const QWidget* target, int most = 30) {
    for (int i = 0; i < most && QApplication::focusWidget() != target; ++i)
        QTest::keyClick(window, Qt::Key_Tab);
    return QApplication::focusWidget() == target;
}

} // namespace pelnix::test
