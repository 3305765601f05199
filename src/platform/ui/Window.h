#pragma once

#include "ContainerView.h"
#include "ViewController.h"

#include <QList>
#include <QPointer>

namespace pelnix::platform::ui {

class AlertView;
class ViewController;

// The window that hosts the library's screens: the root controller, presented controllers stacked
// over it, an alert layer on top and a busy overlay. The window is an ordinary top-level widget (or
// a child of the host's own widget); it changes nothing outside itself. It is made ready for web
// pages from the start (WebView::prepareWindowForPages), so the first page does not make it again.
class Window : public ContainerView {
    Q_OBJECT
public:
    enum class Idiom { Phone, Pad };

    explicit Window(QWidget* parent = nullptr);
    ~Window() override;

    // The window the library's screens use for alerts, sheets and the busy overlay when no controller
    // names one: the one the user works in, whose widget has the focus or had it last (a library
    // window, or a container the host placed in a widget of its own; a click anywhere in it counts),
    // while it is on screen; else the one made key, while on screen; else the first library window on
    // screen; else the first container on screen in a host's widget. On screen means shown and not
    // minimised. With none on screen: the one the user works in (it shows what it holds once restored
    // or shown again); else the first container shown, though minimised; else the window made key,
    // or the first one made.
    static Window* keyWindow();
    void makeKeyAndVisible();
    // The library window `widget` lies in, or null.
    static Window* libraryWindowOf(const QWidget* widget);

    // The view of the container this window lies over in a host's widget (see HostedWindow), or null
    // for a window of its own.
    QWidget* hostedView() const { return m_hostedView; }
    void setHostedView(QWidget* view) { m_hostedView = view; }
    // Whether the user can see it: shown (a window over a container: while the container's view
    // shows), in a window that is not minimised.
    bool isOnScreen() const;

    // Takes ownership of the controller (the previous root is deleted later).
    void setRootViewController(ViewController* controller);
    ViewController* rootViewController() const { return m_root; }
    // The controller on top of the presentation chain.
    ViewController* topViewController() const;

    // Alerts and action sheets currently shown, oldest first.
    QList<AlertView*> alerts() const;
    // The alert or sheet on top, while one is shown.
    AlertView* topAlert() const;
    // Whether the alert on top lies over `widget`: one in this window below the alerts, or in the
    // container's view the window lies over.
    bool coversWidget(const QWidget* widget) const;
    QWidget* alertLayer() const { return m_alertLayer; }
    void addAlert(AlertView* alert);
    void removeAlert(AlertView* alert);
    // The window (or the container it lies over) goes away: each alert and sheet still open here is
    // answered as Escape would answer it, newest first, and so are those their answers open here
    // meanwhile. Called while what asked is still whole; nothing is answered as the application ends.
    void answerAlertsAsItGoes();
    // Gives `widget` the keyboard now or, while an alert or sheet lies over it, once the alerts are
    // answered (a screen that takes the keys as it appears, under an open alert).
    static void giveKeyboardTo(QWidget* widget, Qt::FocusReason reason = Qt::OtherFocusReason);
    // Where the keyboard goes once the alerts are answered: the widget under them that had it.
    void setFocusAfterAlerts(QWidget* widget) { m_focusAfterAlerts = widget; }
    QWidget* focusAfterAlerts() const { return m_focusAfterAlerts; }

    void setBusy(bool busy);
    bool isBusy() const;

    // A layer over the whole window that holds the keys while it shows (the busy overlay): keys in a
    // widget it covers wait on it, and nothing under it hears what is typed meanwhile (a screen under
    // it that takes the keys gives them back to it). Alerts keep their own keys. Called as the layer
    // shows, and before it hides: the keys then go back where they were, else to the page on top.
    void holdKeysUnder(QWidget* layer);
    void releaseKeysUnder(QWidget* layer);
    // The layer holding the keys while it shows over `widget`, else null.
    QWidget* keyLayerOver(const QWidget* widget) const;
    // Keys that went to `widget` under the layer: they wait there until it goes.
    void keepKeysOnLayer(QWidget* widget);

    Idiom idiom() const { return m_idiom; }
    void setIdiom(Idiom idiom) { m_idiom = idiom; }
    qreal screenScale() const;

    // Puts a presented controller's view over everything but the alert layer.
    void addPresentedView(QWidget* view);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void layoutAlerts();
    void giveBackKeyboard();
    // Where the keys go when the widget that had them is gone: the page on top's preferred widget, else
    // its view, else the window.
    QWidget* topPageKeysWidget();
    // The page on top of this window, or of the container it lies over.
    ViewController* topPage() const;

    QPointer<ViewController> m_root;
    QWidget* m_alertLayer = nullptr;
    QWidget* m_busyLayer = nullptr;
    QList<QPointer<AlertView>> m_alerts;
    QPointer<QWidget> m_hostedView;
    QPointer<QWidget> m_focusAfterAlerts;
    QPointer<QWidget> m_keyLayer;
    QPointer<QWidget> m_focusAfterKeyLayer;
    Idiom m_idiom = Idiom::Phone;
    bool m_going = false;
};

} // namespace pelnix::platform::ui
