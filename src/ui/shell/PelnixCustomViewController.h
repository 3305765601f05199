#pragma once

#include "interface/Pelnix.h"
#include "platform/ui/ViewController.h"

#include <QString>
#include <functional>

namespace pelnix {

struct PelnixGroup;

// The container a host embeds for the flows that answer through a completion: 0 login (sign-up and
// verification), 1 public groups, 2 logged out, 3 passcode. Its screen loads as its child when its
// view is loaded; any other type loads nothing.
class PelnixCustomViewController : public platform::ui::ViewController {
    Q_OBJECT
public:
    using PublicGroupsHandler = std::function<void(const PelnixGroup& group)>;
    using LoggedOutHandler = std::function<void()>;

    explicit PelnixCustomViewController(qint64 type = 0, QObject* parent = nullptr);

    qint64 customViewControllerType() const { return m_type; }
    void setCustomViewControllerType(qint64 type) { m_type = type; }
    QString email() const { return m_email; }
    void setEmail(const QString& email) { m_email = email; }
    qint64 passcodeViewType() const { return m_passcodeViewType; }
    void setPasscodeViewType(qint64 type) { m_passcodeViewType = type; }
    void setPelnixLoginCompletionHandler(PLResultHandler handler) { m_login = std::move(handler); }
    void setPublicGroupsCompletionHandler(PublicGroupsHandler handler) {
        m_publicGroups = std::move(handler);
    }
    void setUserLoggedOutCompletionHandler(LoggedOutHandler handler) { m_loggedOut = std::move(handler); }
    void setPasscodeControllerCompletionHandler(PLPasscodeHandler handler) {
        m_passcode = std::move(handler);
    }

protected:
    QWidget* loadView() override;

private:
    void addLoginView();
    void addPublicGroupsView();
    void addLoggedOutView();
    void addPasscodeView();

    qint64 m_type = 0;
    QWidget* m_host = nullptr; // the view loadView() is building
    QString m_email;
    qint64 m_passcodeViewType = 0;
    PLResultHandler m_login;
    PublicGroupsHandler m_publicGroups;
    LoggedOutHandler m_loggedOut;
    PLPasscodeHandler m_passcode;
};

} // namespace pelnix
