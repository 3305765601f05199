#include "Geometry.h"

#include "platform/ui/Animator.h"
#include "platform/ui/NibRegistry.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ViewController.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStyle>

namespace pelnix::Geometry {

namespace {
const char* const kTag = "pelnix.tag";

void setFrame(QWidget* view, double left, double top, double width, double height) {
    // Both edges are rounded, so adjoining views stay flush.
    const int l = qRound(left);
    const int t = qRound(top);
    view->setGeometry(l, t, qRound(left + width) - l, qRound(top + height) - t);
}

QList<QWidget*> subviews(const QWidget* view) {
    QList<QWidget*> out;
    for (QObject* child : view->children())
        if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow())
            out << w;
    return out;
}

bool isKind(const QWidget* view, const QMetaObject* ofClass) {
    return !ofClass || view->metaObject()->inherits(ofClass);
}

void collect(QWidget* view, const Predicate& predicate, QList<QWidget*>& out) {
    if (predicate(view))
        out << view;
    for (QWidget* child : subviews(view))
        collect(child, predicate, out);
}
} // namespace

QPointF origin(const QWidget* v) {
    return v ? QPointF(v->pos()) : QPointF();
}
void setOrigin(QWidget* v, const QPointF& o) {
    if (v)
        v->move(o.toPoint());
}
QSizeF size(const QWidget* v) {
    return v ? QSizeF(v->size()) : QSizeF();
}
void setSize(QWidget* v, const QSizeF& s) {
    if (v)
        v->resize(s.toSize());
}
double top(const QWidget* v) {
    return v ? v->y() : 0;
}
void setTop(QWidget* v, double t) {
    if (v)
        v->move(v->x(), qRound(t));
}
double left(const QWidget* v) {
    return v ? v->x() : 0;
}
void setLeft(QWidget* v, double l) {
    if (v)
        v->move(qRound(l), v->y());
}
double right(const QWidget* v) {
    return v ? v->x() + v->width() : 0;
}
void setRight(QWidget* v, double r) {
    if (v)
        v->move(qRound(r - v->width()), v->y());
}
double bottom(const QWidget* v) {
    return v ? v->y() + v->height() : 0;
}
void setBottom(QWidget* v, double b) {
    if (v)
        v->move(v->x(), qRound(b - v->height()));
}
double width(const QWidget* v) {
    return v ? v->width() : 0;
}
void setWidth(QWidget* v, double w) {
    if (v)
        v->resize(qRound(w), v->height());
}
double height(const QWidget* v) {
    return v ? v->height() : 0;
}
void setHeight(QWidget* v, double h) {
    if (v)
        v->resize(v->width(), qRound(h));
}
double x(const QWidget* v) {
    return v ? v->x() + v->width() / 2.0 : 0;
}
void setX(QWidget* v, double cx) {
    if (v)
        v->move(qRound(cx - v->width() / 2.0), v->y());
}
double y(const QWidget* v) {
    return v ? v->y() + v->height() / 2.0 : 0;
}
void setY(QWidget* v, double cy) {
    if (v)
        v->move(v->x(), qRound(cy - v->height() / 2.0));
}
QSizeF boundsSize(const QWidget* v) {
    return size(v);
}
void setBoundsSize(QWidget* v, const QSizeF& s) {
    setSize(v, s);
}
double boundsWidth(const QWidget* v) {
    return width(v);
}
void setBoundsWidth(QWidget* v, double w) {
    setWidth(v, w);
}
double boundsHeight(const QWidget* v) {
    return height(v);
}
void setBoundsHeight(QWidget* v, double h) {
    setHeight(v, h);
}
QRectF contentBounds(const QWidget* v) {
    return QRectF(0, 0, boundsWidth(v), boundsHeight(v));
}
QPointF contentCenter(const QWidget* v) {
    return QPointF(boundsWidth(v) * 0.5, boundsHeight(v) * 0.5);
}
void setLeftRight(QWidget* v, double l, double r) {
    if (v)
        setFrame(v, l, v->y(), r - l, v->height());
}
void setWidthRight(QWidget* v, double w, double r) {
    if (v)
        setFrame(v, r - w, v->y(), w, v->height());
}
void setTopBottom(QWidget* v, double t, double b) {
    if (v)
        setFrame(v, v->x(), t, v->width(), b - t);
}
void setHeightBottom(QWidget* v, double h, double b) {
    if (v)
        setFrame(v, v->x(), b - h, v->width(), h);
}

QRect inReadingOrder(const QWidget* parent, const QRect& leftToRight) {
    return parent ? QStyle::visualRect(parent->layoutDirection(), parent->rect(), leftToRight) : leftToRight;
}

void placeInReadingOrder(QWidget* view, const QRect& leftToRight) {
    if (const QWidget* parent = view ? view->parentWidget() : nullptr)
        view->setGeometry(inReadingOrder(parent, leftToRight));
}

Qt::Alignment leadingAlignment(bool rightToLeft) {
    return rightToLeft ? Qt::AlignAbsolute | Qt::AlignRight : Qt::AlignLeft;
}

int tag(const QWidget* v) {
    return v ? v->property(kTag).toInt() : 0;
}
void setTag(QWidget* v, int t) {
    if (v)
        v->setProperty(kTag, t);
}

QObject* instanceWithNibName(const QString& name, const QString& bundleIdentifier, QObject* owner,
                             const std::function<QObject*()>& makeDefault) {
    const QString bundle = bundleIdentifier.isNull() ? QCoreApplication::applicationName() : bundleIdentifier;
    const auto nib = platform::ui::NibRegistry::shared()->nib(bundle, name);
    if (!nib)
        return makeDefault ? makeDefault() : nullptr;
    QList<QObject*> objects = (*nib)(owner);
    if (objects.isEmpty())
        return nullptr;
    QObject* first = objects.takeFirst();
    // Further top-level objects belong to the owner, as outlets would hold them.
    for (QObject* extra : objects) {
        if (extra && !extra->parent()) {
            if (owner)
                extra->setParent(owner);
            else
                delete extra;
        }
    }
    return first;
}

void loadContentsWithNibName(QWidget* view, const QString& name, const QString& bundleIdentifier) {
    if (!view)
        return;
    const QString nibName =
        name.isEmpty()
            ? QString::fromLatin1(view->metaObject()->className()).section(QStringLiteral("::"), -1)
            : name;
    QObject* loaded =
        instanceWithNibName(nibName, bundleIdentifier, view, []() -> QObject* { return new QWidget; });
    auto* content = qobject_cast<QWidget*>(loaded);
    if (!content) {
        delete loaded;
        return;
    }
    if (view->width() == 0 && view->height() == 0)
        view->resize(content->size());
    else
        content->setGeometry(contentBounds(view).toRect());
    content->setParent(view);
    content->raise();
    content->show();
}

QWidget* viewMatchingPredicate(QWidget* view, const Predicate& predicate) {
    if (!view || !predicate)
        return nullptr;
    if (predicate(view))
        return view;
    for (QWidget* child : subviews(view))
        if (QWidget* found = viewMatchingPredicate(child, predicate))
            return found;
    return nullptr;
}

QList<QWidget*> viewsMatchingPredicate(QWidget* view, const Predicate& predicate) {
    QList<QWidget*> out;
    if (view && predicate)
        collect(view, predicate, out);
    return out;
}

QWidget* viewWithTag(QWidget* view, int t, const QMetaObject* ofClass) {
    return viewMatchingPredicate(
        view, [t, ofClass](const QWidget* v) { return tag(v) == t && isKind(v, ofClass); });
}

QList<QWidget*> viewsWithTag(QWidget* view, int t, const QMetaObject* ofClass) {
    return viewsMatchingPredicate(
        view, [t, ofClass](const QWidget* v) { return tag(v) == t && isKind(v, ofClass); });
}

QWidget* viewOfClass(QWidget* view, const QMetaObject* ofClass) {
    return viewMatchingPredicate(view, [ofClass](const QWidget* v) { return isKind(v, ofClass); });
}

QList<QWidget*> viewsOfClass(QWidget* view, const QMetaObject* ofClass) {
    return viewsMatchingPredicate(view, [ofClass](const QWidget* v) { return isKind(v, ofClass); });
}

QWidget* firstSuperviewMatchingPredicate(QWidget* view, const Predicate& predicate) {
    if (!predicate)
        return nullptr;
    for (QWidget* v = view; v; v = v->parentWidget())
        if (predicate(v))
            return v;
    return nullptr;
}

QWidget* firstSuperviewOfClass(QWidget* view, const QMetaObject* ofClass) {
    return firstSuperviewMatchingPredicate(view, [ofClass](const QWidget* v) { return isKind(v, ofClass); });
}

QWidget* firstSuperviewWithTag(QWidget* view, int t, const QMetaObject* ofClass) {
    return firstSuperviewMatchingPredicate(
        view, [t, ofClass](const QWidget* v) { return tag(v) == t && isKind(v, ofClass); });
}

bool viewOrAnySuperviewMatchesPredicate(QWidget* view, const Predicate& predicate) {
    return firstSuperviewMatchingPredicate(view, predicate) != nullptr;
}

bool viewOrAnySuperviewIsKindOfClass(QWidget* view, const QMetaObject* ofClass) {
    return firstSuperviewOfClass(view, ofClass) != nullptr;
}

bool isSuperviewOfView(const QWidget* view, const QWidget* other) {
    if (!view || !other)
        return false;
    for (const QWidget* v = view; v; v = v->parentWidget())
        if (v == other)
            return true;
    return false;
}

bool isSubviewOfView(const QWidget* view, const QWidget* other) {
    return isSuperviewOfView(other, view);
}

platform::ui::ViewController* firstViewController(const QWidget* view) {
    for (const QWidget* v = view; v; v = v->parentWidget())
        if (auto* controller = platform::ui::ViewController::controllerForView(v))
            return controller;
    return nullptr;
}

QWidget* firstResponder(QWidget* view) {
    return viewMatchingPredicate(view, [](const QWidget* v) { return v->hasFocus(); });
}

void crossfadeWithDuration(QWidget* view, double seconds, std::function<void()> completion) {
    const int ms = qMax(0, int(seconds * 1000));
    platform::ui::Animator::crossDissolve(view, ms, {});
    if (completion)
        platform::ui::Scheduler::shared()->dispatchAfter(ms, std::move(completion));
}

} // namespace pelnix::Geometry
