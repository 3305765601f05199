#pragma once

// The engine's page view as a click meets it: the press gives it the keys, and the release follows
// the page's first link if it comes where the press was, on the same point of the page (a page that
// moved under the pointer in between takes no click).

#include "platform/ui/testing/FakeWebView.h"

#include <QMouseEvent>
#include <QRegularExpression>

namespace pelnix::test {

class ClickedWebView : public platform::ui::FakeWebView {
public:
    explicit ClickedWebView(QWidget* parent = nullptr) : FakeWebView(parent) {
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        m_pressedAt = event->position().toPoint();
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        event->accept();
        const QRegularExpressionMatch link =
            QRegularExpression(QStringLiteral("href=\"([^\"]+)\"")).match(loadedHTML);
        if (event->position().toPoint() == m_pressedAt && link.hasMatch())
            tapLink(loadedBaseURL.resolved(QUrl(link.captured(1))));
    }

private:
    QPoint m_pressedAt;
};

} // namespace pelnix::test
