#pragma once

// The titled buttons of a navigation bar as a user reads them, for tests that check the library's
// bar-button font: DejaVu Sans at 15 pixels whatever font the host window has.

#include "platform/ui/Button.h"
#include "platform/ui/NavigationBar.h"

#include <QFont>
#include <QStringList>
#include <QTest>
#include <QToolButton>

namespace pelnix::test {

// "title: family size" of each titled left or right button of `bar` whose font is not DejaVu Sans at
// 15 pixels; empty when every one is. `titled` counts the titled buttons seen.
inline QStringList barTitlesOutOfFont(const platform::ui::NavigationBar* bar, int* titled = nullptr) {
    QStringList wrong;
    int seen = 0;
    const auto check = [&](const QString& title, const QFont& font) {
        if (title.isEmpty())
            return;
        ++seen;
        const int size = font.pixelSize() > 0 ? font.pixelSize() : qRound(font.pointSizeF());
        if (font.family() != QLatin1String("DejaVu Sans") || size != 15 || font.bold())
            wrong << QStringLiteral("%1: %2 %3%4")
                         .arg(title, font.family())
                         .arg(size)
                         .arg(font.bold() ? QStringLiteral(" bold") : QString());
    };
    for (const QWidget* child : bar->findChildren<QWidget*>()) {
        const QString name = child->objectName();
        const bool item = name.startsWith(QLatin1String("navigationBar.left.")) ||
                          name.startsWith(QLatin1String("navigationBar.right."));
        if (const auto* tool = qobject_cast<const QToolButton*>(child); tool && item && tool->isVisible())
            check(tool->text(), tool->font());
        else if (const auto* button = qobject_cast<const platform::ui::Button*>(child);
                 button && button->parentWidget() == bar && button->isVisible())
            check(button->titleForState(platform::ui::Button::State::Normal), button->titleFont());
    }
    if (titled)
        *titled = seen;
    return wrong;
}

// Fails the running test unless `bar` shows `titled` titled buttons, every one in the library's font.
inline void verifyBarTitlesInFont(const platform::ui::NavigationBar* bar, int titled) {
    QVERIFY(bar);
    int seen = 0;
    const QStringList wrong = barTitlesOutOfFont(bar, &seen);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral(", "))));
    QCOMPARE(seen, titled);
}

} // namespace pelnix::test
