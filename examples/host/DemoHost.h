#pragma once

#include "ServiceControl.h"
#include "interface/PelnixGroup.h"
#include "platform/NotificationCenter.h"

#include <QObject>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <memory>

// A host as a product would write one: registers and verifies its user, starts the library, opens a
// group with a colleague and prints the conversation as the library receives it. The colleague
// answers through the service with their own credentials. Without screens it posts a scripted
// conversation; for a window it leaves the posting to the user, and the colleague answers each post.
class DemoHost : public QObject {
    Q_OBJECT
public:
    static constexpr int kAnswerDelayMs = 800;

    DemoHost(const QUrl& serviceUrl, bool interactive, QObject* parent = nullptr);
    ~DemoHost() override;

    void start();
    // The user posts through the screens; the colleague answers every post a moment later.
    void setWindowed(bool windowed) { m_windowed = windowed; }
    const pelnix::PelnixGroup& group() const { return m_group; }
    qint64 colleagueID() const { return m_colleagueID; }
    // The colleague's answer to a post of this text (empty) or kind of smart message.
    static QString answerTo(const QString& text, const QString& smartKind);

signals:
    // The exit status of the run.
    void finished(int status);
    // The library is started and the group with the colleague exists (windowed runs).
    void conversationReady();
    // A post of the user was seen delivered: the colleague answers it with `answer` in a moment.
    void colleagueWillAnswer(const QString& answer);

private:
    void seedColleague();
    void registerUser();
    void verifyUser(const QString& code);
    void startLibrary();
    void createGroup();
    void openConversation();
    void showMessage(const QString& messageID);
    void postPicture();
    void colleagueAnswers();
    void colleagueAnswersLater(const QString& answer);
    void readStandardInput();
    void postLines(const QByteArray& lines);
    void fail(const QString& why);

    ServiceControl m_control;
    QUrl m_serviceUrl;
    bool m_interactive = false;
    bool m_windowed = false;
    QString m_step;
    QTimer m_deadline;
    qint64 m_colleagueID = 0;
    QString m_colleagueToken;
    pelnix::PelnixGroup m_group;
    QString m_firstPostText;
    bool m_picturePosted = false;
    bool m_colleagueAsked = false;
    bool m_done = false;
    QSet<QString> m_shown;
    // Our posts still in the outbox, by their local IDs (delivered ones take the service's ID).
    QSet<QString> m_queued;
    int m_undelivered = 0;
    bool m_inputClosed = false;
    QList<pelnix::platform::NotificationCenter::Token> m_observers;
    std::unique_ptr<QSocketNotifier> m_input;
    QByteArray m_partialLine;
};
