#pragma once

#include "platform/ui/Label.h"
#include "platform/ui/Spinner.h"
#include "platform/ui/ViewController.h"

#include <QPointer>

namespace pelnix {

// The page shown while the library brings itself up: it follows the model manager's configuration
// state and names the step in progress. States outside 1 to 3 leave the text as it was.
class PLConfigureScreenViewController : public platform::ui::ViewController {
    Q_OBJECT
public:
    static constexpr int kTransitionMs = 500;

    explicit PLConfigureScreenViewController(QObject* parent = nullptr);
    ~PLConfigureScreenViewController() override;

    QWidget* configurationContainerView() const { return m_container; }
    platform::ui::Label* currentStateTitle() const { return m_title; }

    void setUp();
    void addObserverForProgressAndState();
    void removeObserverForProgressAndState();
    void updateCurrentStateText();
    // The text for a configuration state, or a null string for a state that keeps the present text.
    static QString textForState(qint64 state);

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;

private:
    void layout();

    QPointer<QWidget> m_container;
    QPointer<platform::ui::Label> m_title;
    QPointer<platform::ui::Spinner> m_spinner;
    QMetaObject::Connection m_observation;
};

} // namespace pelnix
