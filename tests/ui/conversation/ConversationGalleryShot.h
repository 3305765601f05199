#pragma once

// A conversation gallery screen as the screenshot tool renders it, at the size the screen is about,
// with the pixel reads the gallery tests check pictures by.

#include "GalleryConversation.h"
#include "GalleryStage.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "foundation/persistence/PLPersistence.h"
#include "platform/ui/Animator.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/Window.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"
#include "ui/conversation/PLPendingRichMediaView.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/PLRotatingImageView.h"
#include "ui/conversation/PLSmartMessageCell.h"

#include <QDir>
#include <QImage>
#include <QTest>

#include <functional>
#include <initializer_list>
#include <optional>

namespace pelnix::test {

// A gallery screen of `storyboard` as the tool renders it, kept beside the tool's pictures for review.
// The window starts at `size`; most fixtures give it the size their screen is about. With `renderedAt`
// the picture is taken once the window has that size, as the tool takes its larger pictures.
struct GalleryScreenShot {
    platform::ui::Window window;
    platform::ui::ViewController* controller = nullptr;
    QImage image;

    GalleryScreenShot(const QString& storyboard, const QString& identifier, QSize size = QSize(375, 667),
                      std::optional<QSize> renderedAt = std::nullopt) {
        using platform::ui::ScreenRegistry;
        window.resize(size);
        controller = ScreenRegistry::shared()->instantiate(storyboard, identifier);
        if (!controller)
            return;
        window.setRootViewController(controller);
        window.show();
        ScreenRegistry::shared()->fixture(storyboard, identifier)(controller);
        if (renderedAt)
            tools::GalleryStage::bringTo(&window, *renderedAt);
        m_identifier =
            renderedAt
                ? identifier + QStringLiteral("@%1x%2").arg(renderedAt->width()).arg(renderedAt->height())
                : identifier;
        retake();
    }
    // The picture taken again, as the window shows it now, and kept in place of the first one; the
    // picture of another `state` (a direction turned) is kept beside it, under a name of its own.
    // Answers where it was kept.
    QString retake(const QString& state = {}) {
        image = platform::ui::Screenshot::grab(&window);
        const QString path = pathOf(state);
        image.save(path);
        return path;
    }
    // Where the picture of `state` (none: the first one) is kept.
    QString pathOf(const QString& state = {}) const {
        const QString name = state.isEmpty() ? m_identifier : m_identifier + QLatin1Char('-') + state;
        return QDir(QStringLiteral("screenshots")).filePath(QStringLiteral("test-%1.png").arg(name));
    }
    QColor at(const QWidget* view, QPointF point) const {
        const QPoint p = view->mapTo(&window, point.toPoint());
        const qreal scale = qreal(image.width()) / window.width();
        return image.pixelColor(int(p.x() * scale), int(p.y() * scale));
    }
    // Whether some pixel of `view`'s rectangle `area`, read every `step` points, satisfies `test`.
    bool any(const QWidget* view, const QRect& area, const std::function<bool(const QColor&)>& test,
             int step = 1) const {
        for (int y = area.top(); y <= area.bottom(); y += step)
            for (int x = area.left(); x <= area.right(); x += step)
                if (test(at(view, QPointF(x, y))))
                    return true;
        return false;
    }

private:
    QString m_identifier;
};

struct ConversationGalleryShot : GalleryScreenShot {
    static inline const QString kStoryboard = QStringLiteral("GalleryConversation");

    PLChatWindowViewController* chat = nullptr;

    explicit ConversationGalleryShot(const QString& identifier)
        : GalleryScreenShot(kStoryboard, identifier), chat(tools::conversationGalleryChatWindow(controller)) {
    }
    // The row of the message with this ID, or with this text.
    int rowOf(const QString& messageIdOrText) const {
        const auto& rows = chat->rowList().rows();
        for (int i = 0; i < rows.size(); ++i)
            if (const auto message = rows[i].message();
                message && (message->messageId() == messageIdOrText || message->text() == messageIdOrText))
                return i;
        return -1;
    }
    // A smart-message row that shows a page: not a picture still uploading, shown in its place.
    static bool showsPage(const PLSmartMessageCell* smart) {
        return !static_cast<const QWidget*>(smart->pendingRichMediaView())->isVisibleTo(smart);
    }
    // Waits until every smart-message row on screen shows its page, then takes the picture again.
    bool awaitPages(int timeoutMs = 20000) {
        const auto allShown = [this] {
            for (auto* cell : chat->collectionView()->visibleCells())
                if (auto* smart = qobject_cast<PLSmartMessageCell*>(cell);
                    smart && showsPage(smart) && !smart->isPageShown())
                    return false;
            return true;
        };
        if (!QTest::qWaitFor(allShown, timeoutMs))
            return false;
        retake();
        return true;
    }
    template <class Cell> Cell* cellAt(int row) const {
        return qobject_cast<Cell*>(
            chat->collectionView()->cellForItemAtIndexPath(platform::ui::IndexPath::forItem(row)));
    }
};

inline bool near(const QColor& actual, const QColor& expected, int tolerance = 16) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

// A row of the screen `identifier` at 320 x 568 and one of its 400 x 720 twin.
inline void addGallerySizes(const QString& identifier) {
    QTest::addRow("%s 320 x 568", qPrintable(identifier)) << identifier;
    QTest::addRow("%s 400 x 720", qPrintable(identifier)) << identifier + QStringLiteral("400x720");
}

// The "identifier" column of a gallery test's data, with each screen at both sizes.
inline void addGalleryRows(std::initializer_list<QString> identifiers) {
    QTest::addColumn<QString>("identifier");
    for (const QString& identifier : identifiers)
        addGallerySizes(identifier);
}

// Before a gallery test's first shot: pictures kept for review, animations done at once.
inline void prepareGalleryShots() {
    QDir().mkpath(QStringLiteral("screenshots"));
    platform::ui::Animator::setInstant(true);
}

// After a gallery test whose fixtures filled the shared model: the model and its store let go.
inline void releaseGalleryModel() {
    PLModelManager::destroySharedInstance();
    PLPersistence::cleanUp();
}

// The darkest pixel the shot shows inside `view`: the ink of its text or icon.
inline QColor darkestIn(const GalleryScreenShot& shot, const QWidget* view) {
    QColor darkest(Qt::white);
    for (int y = 0; y < view->height(); ++y)
        for (int x = 0; x < view->width(); ++x)
            if (const QColor c = shot.at(view, QPointF(x, y)); c.lightness() < darkest.lightness())
                darkest = c;
    return darkest;
}

// What of a row in view (its time, clock or failure mark) lies under one of the chat window's floating
// scroll buttons, described; empty when nothing does.
inline QString markUnderAScrollButton(const GalleryScreenShot& shot, PLChatWindowViewController* chat) {
    auto* list = chat->collectionView();
    const auto inWindow = [&](const QWidget* view) {
        return QRect(view->mapTo(&shot.window, QPoint()), view->size());
    };
    QWidget* bar = static_cast<QWidget*>(chat->postToChatView());
    const int listTop = list->mapTo(&shot.window, QPoint()).y() + int(list->contentInset().top());
    const int listBottom = bar->isVisible() ? bar->mapTo(&shot.window, QPoint()).y()
                                            : list->mapTo(&shot.window, QPoint(0, list->height())).y();
    QList<QRect> buttons;
    if (auto* control = chat->scrollToBottomOrTopView(); control && control->isVisible())
        for (QWidget* button : {static_cast<QWidget*>(control->scrollToTopButton()),
                                static_cast<QWidget*>(control->scrollToBottonButton())})
            if (button->isVisibleTo(&shot.window))
                buttons << inWindow(button);
    for (auto* cell : list->visibleCells())
        for (auto* indicator : cell->findChildren<PLPendingMessageIndicatorView*>())
            for (QWidget* mark : {static_cast<QWidget*>(indicator->timeLabel()),
                                  static_cast<QWidget*>(indicator->clockIconImageView()),
                                  static_cast<QWidget*>(indicator->failureIndicatorButton())}) {
                const QRect place = inWindow(mark);
                if (!mark->isVisibleTo(&shot.window) || place.bottom() < listTop || place.top() >= listBottom)
                    continue;
                for (const QRect& button : buttons)
                    if (button.intersects(place))
                        return QStringLiteral("a scroll button at %1,%2 over a %3 at %4,%5")
                            .arg(button.x())
                            .arg(button.y())
                            .arg(QString::fromLatin1(mark->metaObject()->className()))
                            .arg(place.x())
                            .arg(place.y());
            }
    return {};
}

inline const char* describe(const QColor& color) {
    static QByteArray text;
    text = color.name().toLatin1();
    return text.constData();
}

} // namespace pelnix::test
