#pragma once

#include "platform/ui/ViewController.h"

#include <QString>

namespace pelnix {

struct PelnixGroup;

// The container a host embeds for the screens of a started session: it loads its screen as its
// child when its view is loaded. Types: 0 rooms list, 1 chat window (of `roomID`), 2 user profile,
// 3 settings, 4 configuration progress; any other type loads nothing.
class PelnixViewController : public platform::ui::ViewController {
    Q_OBJECT
public:
    explicit PelnixViewController(qint64 type = 0, QObject* parent = nullptr);
    // The newest rooms-list or chat-window container owns the session: when it goes, the session's
    // state manager goes with it.
    ~PelnixViewController() override;

    qint64 viewControllerType() const { return m_type; }
    void setViewControllerType(qint64 type) { m_type = type; }
    QString roomID() const { return m_roomID; }
    void setRoomID(const QString& roomID) { m_roomID = roomID; }
    QString sessionID() const { return m_sessionID; }

    // Takes a new session ID, shared with the state manager: this container now owns the session.
    void associateWithSessionID();
    // Opens the group's room in the rooms list this container shows (type 0), wherever it stands.
    void openPelnixGroupFromRoomsList(const PelnixGroup& group);

protected:
    QWidget* loadView() override;

private:
    void addScreen(const QString& identifier);
    void addChatWindow();
    void addUserProfileView();
    void addConfigurationView();

    qint64 m_type = 0;
    QWidget* m_host = nullptr; // the view loadView() is building
    QString m_roomID;
    QString m_sessionID;
};

} // namespace pelnix
