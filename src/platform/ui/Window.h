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

    // The window the library's screens use for alerts when no controller names one.
    static Window* keyWindow();
    void makeKeyAndVisible();

    // Takes ownership of the controller (the previous root is deleted later).
    void setRootViewController(ViewController* controller);
    ViewController* rootViewController() const { return m_root; }
    // The controller on top of the presentation chain.
    ViewController* topViewController() const;

    // Alerts and action sheets currently shown, oldest first.
    QList<AlertView*> alerts() const;
    QWidget* alertLayer() const { return m_alertLayer; }
    void addAlert(AlertView* alert);
    void removeAlert(AlertView* alert);

    void setBusy(bool busy);
    bool isBusy() const;

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

    QPointer<ViewController> m_root;
    QWidget* m_alertLayer = nullptr;
    QWidget* m_busyLayer = nullptr;
    QList<QPointer<AlertView>> m_alerts;
    Idiom m_idiom = Idiom::Phone;
};

} // namespace pelnix::platform::ui
