#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QWidget>
#include <functional>

namespace pelnix {
namespace platform::ui {
class ViewController;
}

// Short geometry accessors for every view, nib loading, searches of the view tree and a cross-fade.
// `x` and `y` are the centre; `left` and `top` are the origin. Setters change only the named quantity.
namespace Geometry {

QPointF origin(const QWidget* view);
void setOrigin(QWidget* view, const QPointF& origin);
QSizeF size(const QWidget* view);
void setSize(QWidget* view, const QSizeF& size);
double top(const QWidget* view);
void setTop(QWidget* view, double top);
double left(const QWidget* view);
void setLeft(QWidget* view, double left);
double right(const QWidget* view);
// Moves the view so its right edge is at `right`; the width stays.
void setRight(QWidget* view, double right);
double bottom(const QWidget* view);
void setBottom(QWidget* view, double bottom);
double width(const QWidget* view);
void setWidth(QWidget* view, double width);
double height(const QWidget* view);
void setHeight(QWidget* view, double height);
double x(const QWidget* view);
void setX(QWidget* view, double x);
double y(const QWidget* view);
void setY(QWidget* view, double y);
QSizeF boundsSize(const QWidget* view);
void setBoundsSize(QWidget* view, const QSizeF& size);
double boundsWidth(const QWidget* view);
void setBoundsWidth(QWidget* view, double width);
double boundsHeight(const QWidget* view);
void setBoundsHeight(QWidget* view, double height);
QRectF contentBounds(const QWidget* view);
QPointF contentCenter(const QWidget* view);
void setLeftRight(QWidget* view, double left, double right);
void setWidthRight(QWidget* view, double width, double right);
void setTopBottom(QWidget* view, double top, double bottom);
void setHeightBottom(QWidget* view, double height, double bottom);
// `leftToRight` as it lies in `parent`: mirrored in the parent's width when the parent lays out right
// to left.
QRect inReadingOrder(const QWidget* parent, const QRect& leftToRight);
// Places `view` at `leftToRight` in its parent, mirrored there in a right-to-left layout; its owner
// places it again when the direction turns (QEvent::LayoutDirectionChange).
void placeInReadingOrder(QWidget* view, const QRect& leftToRight);
// A text's alignment at its leading side. Right to left it is absolute, so that a form mirrored on its
// own stays so in a view left to right; left to right it is not, so that a paragraph in a right-to-left
// script keeps its own side.
Qt::Alignment leadingAlignment(bool rightToLeft);

// A view's tag (0 when never set).
int tag(const QWidget* view);
void setTag(QWidget* view, int tag);

// A new object from the nib `name` of the bundle `bundleIdentifier` (registered in the NibRegistry):
// the nib's first top-level object, or null when the nib has none. With no nib, `makeDefault()` (a
// plain instance of the asking class). Nibs and misses are cached per "<bundle>.<name>".
QObject* instanceWithNibName(const QString& name, const QString& bundleIdentifier, QObject* owner,
                             const std::function<QObject*()>& makeDefault);
template <typename T>
T* instanceWithNibName(const QString& name = {}, const QString& bundleIdentifier = {},
                       QObject* owner = nullptr) {
    const QString nibName =
        name.isEmpty() ? QString::fromLatin1(T::staticMetaObject.className()).section("::", -1) : name;
    return qobject_cast<T*>(
        instanceWithNibName(nibName, bundleIdentifier, owner, []() -> QObject* { return new T; }));
}
// Loads a nib's view into `view` as its last subview: a zero-sized receiver takes the loaded size,
// otherwise the loaded view covers the receiver's content bounds.
void loadContentsWithNibName(QWidget* view, const QString& name = {}, const QString& bundleIdentifier = {});

using Predicate = std::function<bool(const QWidget*)>;
// Depth-first, pre-order: the receiver first, then each subview's whole subtree in order.
QWidget* viewMatchingPredicate(QWidget* view, const Predicate& predicate);
QList<QWidget*> viewsMatchingPredicate(QWidget* view, const Predicate& predicate);
QWidget* viewWithTag(QWidget* view, int tag, const QMetaObject* ofClass = nullptr);
QList<QWidget*> viewsWithTag(QWidget* view, int tag, const QMetaObject* ofClass = nullptr);
QWidget* viewOfClass(QWidget* view, const QMetaObject* ofClass);
QList<QWidget*> viewsOfClass(QWidget* view, const QMetaObject* ofClass);
// Upwards: the receiver first, then each superview to the root.
QWidget* firstSuperviewMatchingPredicate(QWidget* view, const Predicate& predicate);
QWidget* firstSuperviewOfClass(QWidget* view, const QMetaObject* ofClass);
QWidget* firstSuperviewWithTag(QWidget* view, int tag, const QMetaObject* ofClass = nullptr);
bool viewOrAnySuperviewMatchesPredicate(QWidget* view, const Predicate& predicate);
bool viewOrAnySuperviewIsKindOfClass(QWidget* view, const QMetaObject* ofClass);
// True when `other` is `view` itself or one of its superviews (at any depth).
bool isSuperviewOfView(const QWidget* view, const QWidget* other);
// isSuperviewOfView(other, view).
bool isSubviewOfView(const QWidget* view, const QWidget* other);
// The controller along the responder chain: the view's own controller, or its superviews'.
platform::ui::ViewController* firstViewController(const QWidget* view);
// The focused view of the subtree, the receiver included.
QWidget* firstResponder(QWidget* view);

// Fades the view's current look out over its next look; the completion runs after the duration.
void crossfadeWithDuration(QWidget* view, double seconds, std::function<void()> completion = {});

} // namespace Geometry
} // namespace pelnix
