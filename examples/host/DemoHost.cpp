#include "DemoHost.h"

#include "core/model/ChatRoom.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/User.h"
#include "interface/Pelnix.h"
#include "interface/PelnixGroupController.h"
#include "interface/PelnixGroupCreator.h"
#include "media/PLRichMediaPosts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <cstdio>
#include <unistd.h>
#include <utility>

using namespace pelnix;

namespace {

const QString kUserEmail = QStringLiteral("ann@demo.test");
const QString kColleagueEmail = QStringLiteral("bob@demo.test");
const QString kColleagueName = QStringLiteral("Bob");
const QString kFirstPost = QStringLiteral("Hello Bob, the demo host is up and running.");
const QString kColleagueAnswer = QStringLiteral("Got it, thanks Ann!");
// The whole scripted run takes well under a second on the loopback; this only ends a stuck run.
constexpr int kDeadlineMs = 60000;

// A smart message in one line: its kind, and for media each file's type, pixels, size and address.
QString describeSmartMessage(const QString& text) {
    const QJsonObject json = QJsonDocument::fromJson(text.toUtf8()).object();
    QStringList files;
    for (const QJsonValue& value : json.value("content").toObject().value("media").toArray()) {
        const QJsonObject file = value.toObject();
        files << QStringLiteral("%1 %2x%3, %4, %5")
                     .arg(file.value("fileMime").toString())
                     .arg(file.value("width").toInt())
                     .arg(file.value("height").toInt())
                     .arg(file.value("fileSize").toString(), file.value("fileUrl").toString());
    }
    const QString kind = json.value("displayname").toString(QStringLiteral("smart message"));
    return QStringLiteral("[%1%2]").arg(kind, files.isEmpty() ? QString()
                                                              : QStringLiteral(": ") + files.join("; "));
}

// A small picture drawn here, so the demo needs no file of its own.
QImage demoPicture() {
    QImage image(160, 120, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    QPainter painter(&image);
    painter.setBrush(QColor(240, 200, 60));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(80, 60), 40, 40);
    return image;
}

void say(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

QString describe(const PLOptionalError& error, const QString& message) {
    QString text = message;
    if (error)
        text += QStringLiteral(" (error %1: %2)").arg(error->code).arg(error->localizedDescription);
    return text.trimmed();
}

} // namespace

DemoHost::DemoHost(const QUrl& serviceUrl, bool interactive, QObject* parent)
    : QObject(parent), m_control(serviceUrl), m_serviceUrl(serviceUrl), m_interactive(interactive) {
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kDeadlineMs);
    connect(&m_deadline, &QTimer::timeout, this, [this] { fail(QStringLiteral("no answer in time")); });
}

DemoHost::~DemoHost() {
    for (auto token : m_observers)
        platform::NotificationCenter::defaultCenter()->removeObserver(token);
}

void DemoHost::start() {
    m_deadline.start();
    say(QStringLiteral("stand-in service: %1").arg(m_serviceUrl.toString()));
    // The service sends no mail: this line, pasted as it stands (another address in place of the
    // example's), reads the code of a sign-up made by hand.
    say(QStringLiteral("one-time code of a sign-up: curl '%1_ctl/otp?email=carol@demo.test'")
            .arg(m_serviceUrl.toString()));
    seedColleague();
}

void DemoHost::seedColleague() {
    m_step = QStringLiteral("seeding the colleague");
    const QJsonObject description{{"org", "demo"},
                                  {"users", QJsonArray{QJsonObject{{"email", kColleagueEmail},
                                                                   {"name", kColleagueName},
                                                                   {"token", "demo-colleague-token"}}}}};
    m_control.seed(description, [this](bool ok, const QJsonObject& answer) {
        const QJsonObject user = answer.value("users").toArray().at(0).toObject();
        m_colleagueID = user.value("id").toVariant().toLongLong();
        m_colleagueToken = user.value("token").toString();
        if (!ok || m_colleagueID <= 0)
            return fail(answer.value("error").toString());
        registerUser();
    });
}

void DemoHost::registerUser() {
    m_step = QStringLiteral("registering");
    // A kept sandbox may hold the session of an earlier run: the library starts from it when it was
    // with this service, and the user signs up afresh when the service is another one.
    if (const quint64 state = Pelnix::sessionState(); state == 1 || state == 2) {
        if (Pelnix::currentHostURL() == m_serviceUrl.toString()) {
            say(QStringLiteral("Signed in from an earlier run (session state %1)").arg(state));
            return startLibrary();
        }
        say(QStringLiteral("Ending the earlier run's session with %1").arg(Pelnix::currentHostURL()));
        Pelnix::resetPelnixSession();
    }
    Pelnix::setHostURL(m_serviceUrl.toString());
    Pelnix::registerUserWithEmail(kUserEmail, [this](bool success, const PLOptionalError& error,
                                                     const QString& message) {
        if (!success)
            return fail(describe(error, message));
        say(QStringLiteral("Registered %1; reading the one-time code the service sent").arg(kUserEmail));
        m_control.oneTimeCode(kUserEmail, [this](bool ok, const QJsonObject& answer) {
            const QString code = answer.value("otp").toString();
            if (!ok || code.isEmpty())
                return fail(QStringLiteral("no one-time code issued ") + answer.value("error").toString());
            verifyUser(code);
        });
    });
}

void DemoHost::verifyUser(const QString& code) {
    m_step = QStringLiteral("verifying");
    Pelnix::verifyRegisteredEmailWithCode(
        code, [this](bool success, const PLOptionalError& error, const QString& message) {
            if (!success)
                return fail(describe(error, message));
            say(QStringLiteral("Verified (session state %1)").arg(Pelnix::sessionState()));
            startLibrary();
        });
}

void DemoHost::startLibrary() {
    m_step = QStringLiteral("starting the library");
    Pelnix::initWithCompletionHandler(
        [this](bool success, const PLOptionalError& error, const QString& message) {
            if (!success)
                return fail(describe(error, message));
            say(QStringLiteral("Library started (session state %1)").arg(Pelnix::sessionState()));
            createGroup();
        });
}

void DemoHost::createGroup() {
    m_step = QStringLiteral("creating the group");
    auto creator = std::make_shared<PelnixGroupCreator>();
    creator->setGroupName(QStringLiteral("Demo team"));
    creator->setGroupMembers(
        {QVariant::fromValue(PLPelnixContact{kColleagueName, kColleagueEmail, QString()})});
    creator->createGroupWithCompletionHandler([this, creator](bool success, const PLOptionalError& error,
                                                              const QString& message,
                                                              const std::optional<PelnixGroup>& group) {
        if (!success || !group)
            return fail(describe(error, message));
        m_group = *group;
        say(QStringLiteral("Group \"%1\" created with %2").arg(m_group.name, kColleagueName));
        openConversation();
    });
}

void DemoHost::openConversation() {
    m_step = QStringLiteral("posting");
    // As the chat window does for the room it shows: its messages are announced as they arrive.
    PLModelManager::sharedModelManager()->setActiveRoomID(m_group.groupID);
    auto* center = platform::NotificationCenter::defaultCenter();
    for (const char* name : {ChatRoomMessageAddedNotification, ChatRoomMessageUpdatedNotification,
                             ChatRoomPostingMessageStateChangedNotification})
        m_observers << center->addObserver(QLatin1String(name), [this](const platform::Notification& n) {
            showMessage(n.userInfo.value(QLatin1String(kMessageIDKey)).toString());
        });
    say(QStringLiteral("--- conversation ---"));
    if (m_windowed) {
        m_deadline.stop();
        return emit conversationReady();
    }
    m_firstPostText = kFirstPost;
    PLOptionalError error;
    if (!PelnixGroupController::postMesage(m_firstPostText, m_group, &error))
        fail(describe(error, QStringLiteral("the post was refused")));
}

// Prints each message once, when the service has it: the others' as the stream brings them, our
// own once the outbox has delivered them (they then carry the service's ID).
void DemoHost::showMessage(const QString& messageID) {
    if (messageID.isEmpty() || m_shown.contains(messageID))
        return;
    const auto message = Message::messageWithID(messageID);
    if (!message)
        return;
    const auto room = message->room();
    if (!room || room->roomId() != m_group.groupID)
        return;
    if (!message->pendingMessages().isEmpty()) {
        if (!m_queued.contains(messageID)) {
            m_queued.insert(messageID);
            ++m_undelivered;
        }
        return;
    }
    m_shown.insert(messageID);
    const auto sender = message->senderUser() ? message->senderUser() : message->fromUser();
    QString name = sender ? sender->profileName() : QString();
    if (name.isEmpty() && sender)
        name = sender->email();
    if (name.isEmpty())
        name = QStringLiteral("?");
    if (message->type() == 2)
        say(QStringLiteral("%1: %2").arg(name, message->text()));
    else if (message->type() == 1)
        say(QStringLiteral("%1: %2").arg(name, describeSmartMessage(message->text())));
    else
        say(QStringLiteral("  * %1").arg(message->text().isEmpty() ? message->displayName()
                                                                   : message->text()));

    const bool fromColleague = sender && sender->userID() == m_colleagueID;
    if (m_windowed) {
        if (!fromColleague)
            colleagueAnswersLater(
                answerTo(message->type() == 1 ? QString() : message->text(),
                         message->type() == 1 ? describeSmartMessage(message->text()) : QString()));
        return;
    }
    if (!fromColleague && m_undelivered > 0)
        --m_undelivered;
    if (m_inputClosed && m_undelivered == 0)
        return emit finished(0);
    if (!fromColleague && message->text() == m_firstPostText)
        postPicture();
    else if (!fromColleague && message->type() == 1 && m_picturePosted)
        colleagueAnswers();
    else if (fromColleague && message->text() == kColleagueAnswer && !m_done) {
        m_done = true;
        m_deadline.stop();
        say(QStringLiteral("--- end of the scripted conversation ---"));
        if (!m_interactive)
            return emit finished(0);
        say(QStringLiteral("Type lines to post to the group; end with Ctrl-D."));
        m_input = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        connect(m_input.get(), &QSocketNotifier::activated, this, &DemoHost::readStandardInput);
    }
}

void DemoHost::postPicture() {
    if (m_picturePosted)
        return;
    m_picturePosted = true;
    m_step = QStringLiteral("posting the picture");
    PLMediaSelection selection;
    selection.originalImage = demoPicture();
    selection.referenceURL = QStringLiteral("demo://picture");
    if (!PLRichMediaPosts::postRichMediaForMediaSelection(ChatRoom::chatRoomWithID(m_group.groupID),
                                                          selection))
        fail(QStringLiteral("the picture was not taken"));
}

void DemoHost::colleagueAnswers() {
    if (m_colleagueAsked)
        return;
    m_colleagueAsked = true;
    m_step = QStringLiteral("waiting for the colleague's answer");
    m_control.postAs(m_colleagueID, m_colleagueToken, m_group.groupID, kColleagueAnswer,
                     [this](bool ok, const QJsonObject& answer) {
                         if (!ok)
                             fail(answer.value("error").toString());
                     });
}

QString DemoHost::answerTo(const QString& text, const QString& smartKind) {
    if (smartKind.isEmpty())
        return QStringLiteral("Seen: \"%1\"").arg(text.left(80));
    if (smartKind.contains(QLatin1String("image/")))
        return QStringLiteral("Nice picture!");
    return QStringLiteral("Answered your %1").arg(smartKind);
}

void DemoHost::colleagueAnswersLater(const QString& answer) {
    emit colleagueWillAnswer(answer);
    QTimer::singleShot(kAnswerDelayMs, this, [this, answer] {
        m_control.postAs(m_colleagueID, m_colleagueToken, m_group.groupID, answer,
                         [answer](bool ok, const QJsonObject& reply) {
                             if (!ok)
                                 std::fprintf(stderr, "pelnix-demo: the colleague could not answer: %s\n",
                                              qPrintable(reply.value("error").toString()));
                         });
    });
}

void DemoHost::readStandardInput() {
    char buffer[4096];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count > 0) {
        // A line may come in pieces: post only whole lines.
        m_partialLine.append(buffer, count);
        const int end = m_partialLine.lastIndexOf('\n');
        if (end < 0)
            return;
        postLines(m_partialLine.left(end));
        m_partialLine.remove(0, end + 1);
        return;
    }
    // The end of the input: its last line, then an exit once every post has been delivered (or,
    // should one fail, at the deadline).
    m_input->setEnabled(false);
    postLines(std::exchange(m_partialLine, {}));
    m_inputClosed = true;
    m_step = QStringLiteral("delivering the last posts");
    if (m_undelivered == 0)
        return emit finished(0);
    m_deadline.start();
}

void DemoHost::postLines(const QByteArray& lines) {
    for (const QString& line : QString::fromUtf8(lines).split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty())
            continue;
        PLOptionalError error;
        if (!PelnixGroupController::postMesage(line, m_group, &error))
            say(QStringLiteral("Not posted: %1").arg(describe(error, {})));
    }
}

void DemoHost::fail(const QString& why) {
    std::fprintf(stderr, "pelnix-demo: failed while %s: %s\n", qPrintable(m_step), qPrintable(why));
    m_deadline.stop();
    emit finished(1);
}
