#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ViewController.h"

#include <QPointer>

namespace pelnix {

// Shown when the server has locked e-mail verification: the user can only start again from sign-up.
// Its button takes it away, back to the sign-up screen that lies beneath it, whose completion still
// stands.
class PLVerifyExceedsViewController : public platform::ui::ViewController {
    Q_OBJECT
public:
    explicit PLVerifyExceedsViewController(QObject* parent = nullptr);

    platform::ui::Button* dismissButton() const { return m_button; }
    void dismiss();

protected:
    QWidget* loadView() override;

private:
    QPointer<platform::ui::Button> m_button;
};

} // namespace pelnix
