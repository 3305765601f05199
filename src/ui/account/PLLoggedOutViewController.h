#pragma once

#include "platform/ui/Label.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"

#include <QPointer>
#include <QUrl>
#include <functional>

namespace pelnix {

// The page shown once the server has ended the account's session: why, what to do, and a "Sign in"
// link that opens sign-up on this page's navigation stack. Other links go to the system.
class PLLoggedOutViewController : public platform::ui::ViewController {
    Q_OBJECT
public:
    // Called after a new sign-in that started from this page.
    using Completion = std::function<void()>;

    explicit PLLoggedOutViewController(QObject* parent = nullptr);

    Completion loggedOutCompletionHandler() const { return m_completion; }
    void setLoggedOutCompletionHandler(Completion completion) { m_completion = std::move(completion); }

    platform::ui::Label* messageLabel() const { return m_message; }
    platform::ui::Label* uninstallTextLabel() const { return m_uninstall; }
    platform::ui::TextView* showLoginTextView() const { return m_signIn; }
    QWidget* loggedOutContainerView() const { return m_container; }

    // The address of the "Sign in" link, shared by every logged-out page and rebuilt by each.
    static QUrl signInControllerLink();

    void updateTextWithAttributedString();
    // False for the sign-in link, which opens sign-up here; true for any other link.
    bool shouldInteractWithURL(const QUrl& url);
    void signInRedirectionHandling();

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

private:
    void addAttributesToOrgAndUninstallMessageText();
    void addAttributesToSignInRedirectiontext();
    void layout();

    Completion m_completion;
    QPointer<QWidget> m_container;
    QPointer<platform::ui::Label> m_message;
    QPointer<platform::ui::Label> m_uninstall;
    QPointer<platform::ui::TextView> m_signIn;
};

} // namespace pelnix
