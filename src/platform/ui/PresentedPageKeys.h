#pragma once

#include <QObject>
#include <QPointer>

class QAbstractButton;
class QWidget;

namespace pelnix::platform::ui {

class ViewController;

// Escape on a presented page presses its Cancel, else its Done, as a click on it would: a bar's item of
// the system kind Cancel or Done or titled so, else another button of the page titled so (a viewer's
// own Done). A Cancel that does not act now leaves Done alone: Escape never saves. A page with neither
// leaves Escape to what holds it; a key held down presses once. Escape comes only as far as the page
// when what has the keys in it takes no Escape of its own, and an open alert has the keys before it.
class PresentedPageKeys : public QObject {
    Q_OBJECT
public:
    // Hears the keys that reach the view of `page`, which is being presented, for as long as it is.
    static void follow(ViewController* page);
    // The button Escape presses on `view` now, or null.
    static QAbstractButton* escapeButton(QWidget* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PresentedPageKeys(ViewController* page);

    QPointer<ViewController> m_page;
};

} // namespace pelnix::platform::ui
