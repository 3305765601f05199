#pragma once

// What right-to-left layout tests share: how a screen was turned right to left, and where a view laid
// out left to right lies mirrored.

#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QRect>
#include <QWidget>

namespace pelnix::test {

// How a screen is turned right to left: its view or an ancestor from the start, the program as a
// whole (Qt's -reverse), or its view while it is shown.
enum class Turned { FromTheStart, Program, WhileShown };

// Where `rect`, laid out left to right in a parent `width` wide, lies right to left.
inline QRect mirroredIn(int width, const QRect& rect) {
    return QRect(width - rect.x() - rect.width(), rect.y(), rect.width(), rect.height());
}

// Each view's geometry mirrored in its parent's width.
inline QList<QRect> mirroredGeometries(const QList<QWidget*>& views) {
    QList<QRect> rects;
    for (const QWidget* view : views)
        rects << mirroredIn(view->parentWidget()->width(), view->geometry());
    return rects;
}

inline QList<QRect> geometries(const QList<QWidget*>& views) {
    QList<QRect> rects;
    for (const QWidget* view : views)
        rects << view->geometry();
    return rects;
}

// The columns of `look` from its first inked one (unlike its top left pixel, the background) to the
// last before a column without ink, its whole height: the first mark drawn from the left, as a
// button's image before its title.
inline QRect firstMark(const QImage& look) {
    const auto inked = [&look](int x) {
        for (int y = 0; y < look.height(); ++y)
            if (look.pixel(x, y) != look.pixel(0, 0))
                return true;
        return false;
    };
    int from = 0;
    while (from < look.width() && !inked(from))
        ++from;
    int to = from;
    while (to < look.width() && inked(to))
        ++to;
    return QRect(from, 0, to - from, look.height());
}

// Whether `rightToLeft` shows the first mark of `leftToRight` (a button's image), a picture of the
// same size, mirrored at its mirrored place; the mark is wider than a stray pixel.
inline bool showsFirstMarkMirrored(const QImage& leftToRight, const QImage& rightToLeft) {
    const QRect mark = firstMark(leftToRight);
    return mark.width() > 4 && rightToLeft.size() == leftToRight.size() &&
           rightToLeft.copy(mirroredIn(rightToLeft.width(), mark)) ==
               leftToRight.copy(mark).mirrored(true, false);
}

// Where a view lies in its window and what a picture of that window shows of it.
struct ShownPart {
    QRect inWindow;
    QImage look;
};

// `view` as `picture`, a grab of its window, shows it.
inline ShownPart shownPart(const QImage& picture, const QWidget* view) {
    const QWidget* window = view->window();
    const QRect rect(view->mapTo(window, QPoint()), view->size());
    const qreal scale = qreal(picture.width()) / window->width();
    return {rect,
            picture.copy(QRectF(QPointF(rect.topLeft()) * scale, QSizeF(rect.size()) * scale).toRect())};
}

// Turns `view` (or the program) right to left for the row's `turned`, before or while it is shown.
inline void turnRightToLeft(Turned turned, bool shown, QWidget* view) {
    if (turned == Turned::Program && !shown)
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    else if ((turned == Turned::FromTheStart && !shown) || (turned == Turned::WhileShown && shown))
        view->setLayoutDirection(Qt::RightToLeft);
}

// Turns the program and `view` back left to right.
inline void turnBack(QWidget* view) {
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    view->setLayoutDirection(Qt::LeftToRight);
}

} // namespace pelnix::test
