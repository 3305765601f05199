#include "ui/rooms/PLGroupMemeberDetailTableViewController.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/DocumentSaver.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/BidiText.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ImageViewWebCache.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/SystemServices.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/Window.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/rooms/PLSmsInvitation.h"
#include "ui/rooms/RoomsAnalytics.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QStyle>

namespace pelnix {

Q_LOGGING_CATEGORY(lcMemberDetail, "pelnix.ui.rooms.memberdetail", QtWarningMsg)

using platform::ui::AlertView;
using platform::ui::ImageView;
using platform::ui::IndexPath;
using platform::ui::Label;
using platform::ui::NavigationController;
using platform::ui::SystemServices;
using platform::ui::TableView;
using platform::ui::TableViewCell;
using platform::ui::ViewController;
using RoomsTexts::localized;

namespace {

// The default person, until the member's own picture arrives.
QImage defaultPicture() {
    return ImageAdditions::markedAsPlaceholder(
        ImageAdditions::loadImageNamed(QStringLiteral("defaultProfileImage")));
}

const QColor kTextColor(64, 64, 64);
constexpr int kMargin = 15;
constexpr int kIconSide = 22;

// A row cell whose parts are laid out by `layout` whenever the cell is.
class DetailCell : public TableViewCell {
public:
    std::function<void(const QRect&)> layout;

protected:
    void layoutSubviews() override {
        TableViewCell::layoutSubviews();
        if (layout)
            layout(contentView()->rect());
    }
};

Label* makeLabel(QWidget* parent, const char* name, qreal size) {
    auto* label = new Label(QString(), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), size));
    label->setTextColor(kTextColor);
    return label;
}

ViewController* rootOf(ViewController* screen) {
    while (screen && screen->parentViewController())
        screen = screen->parentViewController();
    return screen;
}

// The root of the screen's own hierarchy, then the root of each hierarchy it was presented over.
QList<ViewController*> presentationRoots(ViewController* screen) {
    QList<ViewController*> roots;
    for (ViewController* root = rootOf(screen); root && !roots.contains(root);
         root = rootOf(root->presentingViewController()))
        roots << root;
    return roots;
}

// The first navigation stack in a hierarchy, breadth first: a container's own stack before those of
// what it holds.
NavigationController* navigationIn(ViewController* root) {
    QList<ViewController*> queue{root};
    while (!queue.isEmpty()) {
        ViewController* screen = queue.takeFirst();
        if (auto* stack = qobject_cast<NavigationController*>(screen))
            return stack;
        queue << screen->childViewControllers();
    }
    return nullptr;
}

QString text(const QVariantMap& details, const char* key) {
    const QVariant value = details.value(QString::fromLatin1(key));
    return value.canConvert<QString>() ? value.toString() : QString();
}

// An address or a number as its row shows it and its action uses it: one text, with no directional
// control that could make it read otherwise than it is.
QString address(const QString& value) {
    return platform::BidiText::withoutControls(value);
}
} // namespace

PLGroupMemeberDetailTableViewController::PLGroupMemeberDetailTableViewController(QObject* parent)
    : PLBaseTableTableViewController(parent) {}

PLGroupMemeberDetailTableViewController::~PLGroupMemeberDetailTableViewController() = default;

void PLGroupMemeberDetailTableViewController::configureWithUser(const std::shared_ptr<User>& user,
                                                                const QString& roomID, bool isOneToOneChat,
                                                                bool shouldShowGroupInfoOptions,
                                                                const std::shared_ptr<ChatRoom>& chatRoom) {
    if (chatRoom)
        m_roomID = chatRoom->roomId();
    m_isOneToOneChat = isOneToOneChat;
    m_shouldShowGroupInfoOptions = shouldShowGroupInfoOptions;
    if (user)
        m_userID = user->userID();
    if (!roomID.isEmpty())
        m_roomID = roomID;
}

std::shared_ptr<ChatRoom> PLGroupMemeberDetailTableViewController::chatRoom() const {
    return m_roomID.isEmpty() ? nullptr : ChatRoom::chatRoomWithID(m_roomID);
}

QWidget* PLGroupMemeberDetailTableViewController::loadView() {
    QWidget* page = PLBaseTableTableViewController::loadView();
    buildCells();
    if (auto* table = qobject_cast<TableView*>(page)) {
        table->setDataSource(this);
        table->setDelegate(this);
    }
    return page;
}

void PLGroupMemeberDetailTableViewController::buildCells() {
    const auto row = [this](int index, const char* name) {
        auto* cell = new DetailCell;
        cell->setObjectName(QString::fromLatin1(name));
        m_cellStore.addCell(0, cell);
        m_cells[index] = cell;
        return cell;
    };
    DetailCell* cover = row(CoverRow, "coverImageCell");
    cover->setSelectionStyle(TableViewCell::SelectionStyle::None);
    cover->setSeparatorVisible(false);
    m_memberImageview = new PLRoundImageView(cover->contentView());
    m_memberImageview->setObjectName(QStringLiteral("memberImageview"));
    m_memberImageview->resize(int(kPictureSide), int(kPictureSide));
    m_memberImageview->awakeFromNib();
    m_memberImageview->setImage(defaultPicture());
    auto* tap = new platform::ui::TapGestureRecognizer([this](platform::ui::GestureRecognizer* recognizer) {
        profileImageTapped(recognizer->locationInView());
    });
    tap->addToView(m_memberImageview);
    m_memberNameLabel = makeLabel(cover->contentView(), "memberNameLabel", 19);
    m_memberNameLabel->setAlignment(Qt::AlignCenter);
    cover->layout = [this](const QRect& r) {
        m_memberImageview->setGeometry((r.width() - int(kPictureSide)) / 2, 30, int(kPictureSide),
                                       int(kPictureSide));
        m_memberNameLabel->setGeometry(kMargin, 30 + int(kPictureSide) + 16, r.width() - 2 * kMargin, 28);
    };

    const auto iconRow = [this, &row](int index, const char* name, const char* icon, const char* labelName,
                                      QPointer<Label>* label, QPointer<ImageView>* iconView) {
        DetailCell* cell = row(index, name);
        auto* image = new ImageView(cell->contentView());
        image->setContentMode(ImageView::ContentMode::ScaleAspectFit);
        image->setImage(ImageAdditions::loadImageNamed(QString::fromLatin1(icon)));
        *label = makeLabel(cell->contentView(), labelName, 15);
        (*label)->setNumberOfLines(0);
        if (iconView)
            *iconView = image;
        QPointer<Label> text = *label;
        cell->layout = [cell, image, text](const QRect& r) {
            const auto place = [&](QWidget* view, const QRect& rect) {
                view->setGeometry(QStyle::visualRect(cell->layoutDirection(), r, rect));
            };
            // Centred in the row, however tall a long address makes it.
            place(image, QRect(kMargin, (r.height() - kIconSide) / 2, kIconSide, kIconSide));
            const int left = kMargin + kIconSide + 12;
            if (text)
                place(text, QRect(left, 0, qMax(0, r.width() - left - kMargin), r.height()));
        };
    };
    iconRow(EmailRow, "emailCell", "profileEmailIcon", "emaillabel", &m_emaillabel, &m_emailIcon);
    iconRow(PhoneRow, "phoneCell", "profilePhoneIcon", "phoneNumberLabel", &m_phoneNumberLabel, nullptr);

    const auto actionRow = [&row](int index, const char* name, const QString& title, const QColor& color) {
        DetailCell* cell = row(index, name);
        Label* label = makeLabel(cell->contentView(), "actionLabel", 15);
        label->setText(title);
        label->setTextColor(color);
        cell->layout = [label](const QRect& r) {
            label->setGeometry(kMargin, 0, r.width() - 2 * kMargin, r.height());
        };
        return label;
    };
    m_startConversationLabel = actionRow(StartConversationRow, "startConversationCell",
                                         localized("Start Conversation"), QColor(16, 112, 189));
    actionRow(ClearConversationRow, "clearConversationCell", localized("Clear Conversation"), kTextColor);
    actionRow(DeleteConversationRow, "deleteConversationCell", localized("Delete Conversation"),
              QColor(208, 2, 27));
}

void PLGroupMemeberDetailTableViewController::viewDidLoad() {
    PLBaseTableTableViewController::viewDidLoad();
    hideTabelView(true);
    startFetchingMemberDetails();
    if (!m_groupInfoAlertFactory) {
        m_groupInfoAlertFactory = std::make_unique<PLGroupInfoAlertsFactory>();
        m_groupInfoAlertFactory->setChatRoom(chatRoom());
    }
}

void PLGroupMemeberDetailTableViewController::reloadTable() {
    if (isViewLoaded())
        tableView()->reloadData();
}

void PLGroupMemeberDetailTableViewController::hideTabelView(bool hide) {
    if (!hide)
        for (int row = EmailRow; row < kRowCount; ++row)
            if (m_cells[row])
                ButtonAdditions::setCustomHighlightColor(m_cells[row]);
    m_hidden.fill(hide);
    reloadTable();
}

void PLGroupMemeberDetailTableViewController::showFailure(const QString& message, const QString& title) {
    auto* alert = new AlertView(title.isNull() ? localized("Failed") : title, message, localized("OK"), {});
    alert->show(window());
}

// ---- Fetching

void PLGroupMemeberDetailTableViewController::startFetchingMemberDetails() {
    QPointer<PLGroupMemeberDetailTableViewController> self(this);
    if (m_userID != 0) {
        const bool started = ChatRoom::memberDetailsForRoomID(
            m_roomID, m_userID,
            [self](bool success, const PLOptionalError&, const QString& message, const QVariantMap& details) {
                PLActivityIndicatorView::dismiss();
                if (!self)
                    return;
                if (success && !details.isEmpty()) {
                    self->showMemberDetailsForDictionary(details);
                    return;
                }
                self->showFailure(message.isEmpty() ? localized("Unable to fetch member details") : message);
            });
        if (started)
            PLActivityIndicatorView::show();
        else
            showFailure(localized("Unable to fetch details.Please check your network connectivity"));
        return;
    }
    const auto room = chatRoom();
    // The other party of a one-to-one room who was invited and has not joined.
    if (!room || room->members().size() != 1)
        return;
    const bool started =
        ChatRoom::pendingMembersForRoom(room->roomId(), [self](bool success, const PLOptionalError&,
                                                               const QString&, const QVariantList& invitees) {
            PLActivityIndicatorView::dismiss();
            if (!self || !success)
                return;
            const QVariantMap invitee = invitees.value(0).toMap();
            self->m_emailOrPhone = address(invitee.value(QStringLiteral("name")).toString());
            self->m_shouldShowInviteOption =
                invitee.value(QStringLiteral("type")).toString() == QLatin1String("phone");
            self->configurePendingMemberDetails();
        });
    if (started)
        PLActivityIndicatorView::show();
}

void PLGroupMemeberDetailTableViewController::showRows() {
    hideTabelView(false);
}

void PLGroupMemeberDetailTableViewController::showMemberDetailsForDictionary(const QVariantMap& details) {
    if (details.isEmpty())
        return;
    const QString imageURL = text(details, "imageUrl");
    platform::ui::ImageViewWebCache::pl_setImageWithURL(m_memberImageview, QUrl(imageURL), defaultPicture());
    m_thumbnailURL = imageURL;
    const QString big = text(details, "bigImgUrl");
    m_bigImageURL = RoomsAnalytics::hasOwnPicture(big) ? big : m_thumbnailURL;
    m_memberNameLabel->setText(text(details, "name"));
    const QString email = address(text(details, "email"));
    m_emaillabel->setText(email.isEmpty() ? kNotAvailable : email);
    const QString phone = address(text(details, "phone"));
    const bool verified = details.value(QStringLiteral("isPhoneVerified")).toBool();
    m_phoneNumberLabel->setText(
        !phone.isEmpty() && verified
            ? QStringLiteral("+%1%2").arg(address(text(details, "countryCode")), phone)
            : kNotAvailable);
    showRows();
    // A conversation starts with an e-mail address only: a reply that names a phone alone (even as
    // "Phone") offers none, rather than starting one with "NA".
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    const QString myEmail = me ? me->email() : QString();
    m_hidden[StartConversationRow] =
        email.isEmpty() || email.compare(myEmail, Qt::CaseInsensitive) == 0 || m_isOneToOneChat;
    if (!m_shouldShowGroupInfoOptions) {
        m_hidden[ClearConversationRow] = true;
        m_hidden[DeleteConversationRow] = true;
    }
    reloadTable();
    const auto room = chatRoom();
    if (room && !room->hideMemberProfile() && phone.isEmpty() && email.isEmpty())
        showFailure(localized("Contact info is not available for members of Open/Public groups."),
                    localized("Sorry!"));
}

void PLGroupMemeberDetailTableViewController::configurePendingMemberDetails() {
    const auto room = chatRoom();
    m_memberNameLabel->setText(room ? room->name() : QString());
    if (m_shouldShowInviteOption) {
        m_emaillabel->setText(localized("Invite"));
        m_emailIcon->setImage(ImageAdditions::loadImageNamed(QStringLiteral("invite_green")));
        m_phoneNumberLabel->setText(m_emailOrPhone);
    } else {
        m_emaillabel->setText(m_emailOrPhone.isEmpty() ? kNotAvailable : m_emailOrPhone);
        m_phoneNumberLabel->setText(kNotAvailable);
    }
    showRows();
    m_hidden[StartConversationRow] = true;
    reloadTable();
}

// ---- Table

int PLGroupMemeberDetailTableViewController::numberOfRowsInSection(TableView*, int) {
    return kRowCount;
}

TableViewCell* PLGroupMemeberDetailTableViewController::cellForRowAtIndexPath(TableView*,
                                                                              const IndexPath& path) {
    // A hidden row has no height: its cell takes no room and shows nothing.
    return m_cells.at(qBound(0, path.row, kRowCount - 1));
}

qreal PLGroupMemeberDetailTableViewController::heightForRowAtIndexPath(TableView*, const IndexPath& path) {
    const int row = path.row;
    if (row < 0 || row >= kRowCount || m_hidden.at(row))
        return 0;
    if (row == StartConversationRow && m_isOneToOneChat)
        return 0;
    if ((row == ClearConversationRow || row == DeleteConversationRow) && !m_shouldShowGroupInfoOptions)
        return 0;
    if (row == CoverRow)
        return kCoverHeight;
    if (row == EmailRow && m_emaillabel) {
        const qreal width = isViewLoaded() ? view()->width() - (kMargin + kIconSide + 12) - kMargin : 250;
        // Measured as the label lays it out: an address too long for a line breaks anywhere.
        const qreal height = m_emaillabel->sizeThatFits({width, 999}).height();
        if (height > 20)
            return kRowHeight + kTallEmailExtra;
    }
    return kRowHeight;
}

void PLGroupMemeberDetailTableViewController::didSelectRowAtIndexPath(TableView* table,
                                                                      const IndexPath& path) {
    table->deselectRow(path, true);
    selectRow(path.row);
}

void PLGroupMemeberDetailTableViewController::selectRow(int row) {
    if (row < EmailRow || row >= kRowCount || m_hidden.at(row))
        return;
    switch (row) {
    case EmailRow:
        if (m_shouldShowInviteOption) {
            QPointer<PLGroupMemeberDetailTableViewController> self(this);
            auto* alert = new AlertView(
                localized("Invite"),
                localized("This contact is not on Pelnix yet. You might want to invite him/her again."),
                localized("Cancel"), {localized("Invite")}, [self](AlertView*, int index) {
                    if (self && index == 1)
                        self->inviteContact(self->m_emailOrPhone);
                });
            alert->setTag(InviteAlertTag);
            alert->show(window());
        } else if (m_emaillabel->text() != kNotAvailable) {
            emailButtonClicked();
        }
        break;
    case PhoneRow:
        if (m_phoneNumberLabel->text() != kNotAvailable)
            phoneButtonClicked();
        break;
    case StartConversationRow:
        startConversationOptionClicked();
        break;
    case ClearConversationRow:
        clearConversationOptionClicked();
        break;
    case DeleteConversationRow:
        deleteConversationOptionClicked();
        break;
    }
}

// ---- Mail, call, invitation

void PLGroupMemeberDetailTableViewController::emailButtonClicked() {
    SystemServices* services = SystemServices::current();
    if (!services || !services->canSendMail()) {
        showFailure(localized("Email is not supported in your device!"));
        return;
    }
    platform::ui::MailDraft draft;
    draft.toRecipients = {m_emaillabel->text()};
    services->composeMail(draft, view(), {});
}

void PLGroupMemeberDetailTableViewController::phoneButtonClicked() {
    // The number as a path: whatever the label holds, it cannot add a host, a query or a scheme.
    QUrl url;
    url.setScheme(QStringLiteral("tel"));
    url.setPath(m_phoneNumberLabel->text());
    SystemServices* services = SystemServices::current();
    if (services && url.isValid() && services->canOpenURL(url) && services->openURL(url))
        return;
    showFailure(localized("Phone call facility is not available in your device!"));
}

void PLGroupMemeberDetailTableViewController::inviteContact(const QString& number) {
    PLSmsInvitation::send(number, this);
}

// ---- Start, clear, delete

void PLGroupMemeberDetailTableViewController::startConversationOptionClicked() {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    QPointer<PLGroupMemeberDetailTableViewController> self(this);
    auto* alert = new AlertView(
        localized("Confirm"),
        RoomsTexts::localizedFormat("Do you want to start conversation with %@ ?", {m_emaillabel->text()}),
        localized("No"), {localized("Yes")}, [self](AlertView*, int index) {
            if (!self)
                return;
            if (TableViewCell* cell = self->m_cells[StartConversationRow])
                cell->setSelected(false);
            if (index == 1)
                self->startConversation();
        });
    alert->setTag(StartAlertTag);
    alert->show(window());
}

void PLGroupMemeberDetailTableViewController::startConversation() {
    const QString email = m_emaillabel->text();
    QPointer<PLGroupMemeberDetailTableViewController> self(this);
    const bool started = ChatRoom::createRoomWithName(
        email, QString(QLatin1String("")), {PLRoomContact(email)}, QString(), QString(), false, false,
        [self](bool success, const PLOptionalError&, const QString& message,
               const std::shared_ptr<ChatRoom>& room) {
            PLActivityIndicatorView::dismiss();
            if (!self)
                return;
            if (!success) {
                if (!message.isEmpty())
                    self->showFailure(message, QString(QLatin1String("")));
                return;
            }
            self->openNewRoom(room);
        });
    if (started)
        PLActivityIndicatorView::show();
}

void PLGroupMemeberDetailTableViewController::openNewRoom(const std::shared_ptr<ChatRoom>& room) {
    if (!room)
        return;
    const QList<ViewController*> roots = presentationRoots(this);
    PLChatRoomsTableViewController* list = PLChatRoomsTableViewController::sharedViewControllerInstance();
    NavigationController* listStack = list ? list->navigationController() : nullptr;
    if (listStack && roots.contains(rootOf(listStack))) {
        ViewController* listRoot = rootOf(listStack);
        if (listRoot->presentedViewController())
            listRoot->dismissViewController(false);
        listStack->popToViewController(list, false);
        list->openChatRoom(room);
        return;
    }
    // Presented over nothing, the screen's own stack is where the user started.
    ViewController* bottom = roots.last();
    NavigationController* stack = roots.size() == 1 ? navigationController() : navigationIn(bottom);
    ViewController* chat = stack ? platform::ui::ScreenRegistry::shared()->instantiate(
                                       QStringLiteral("Home"), QStringLiteral("ChatWindowViewController"))
                                 : nullptr;
    if (!chat) {
        qCWarning(lcMemberDetail) << "no stack or conversation screen to show room" << room->roomId();
        return;
    }
    chat->setProperty("roomId", room->roomId());
    if (bottom->presentedViewController())
        bottom->dismissViewController(false);
    stack->setViewControllers({stack->viewControllers().first(), chat}, false);
}

void PLGroupMemeberDetailTableViewController::confirm(
    qint64 kind, int tag, void (PLGroupMemeberDetailTableViewController::*answer)()) {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    if (!m_groupInfoAlertFactory)
        return;
    m_groupInfoAlertFactory->setChatRoom(chatRoom());
    AlertView* alert = m_groupInfoAlertFactory->alertViewForType(kind);
    if (!alert)
        return;
    alert->setCancelButtonIndex(alert->numberOfButtons() - 1);
    alert->setTag(tag);
    QPointer<PLGroupMemeberDetailTableViewController> self(this);
    alert->setClickHandler([self, answer](AlertView* shown, int index) {
        if (self && index != shown->cancelButtonIndex())
            (self.data()->*answer)();
    });
    alert->show(window());
}

void PLGroupMemeberDetailTableViewController::clearConversationOptionClicked() {
    confirm(PLGroupInfoAlertsFactory::ClearConversation, ClearAlertTag,
            &PLGroupMemeberDetailTableViewController::answerClear);
}

void PLGroupMemeberDetailTableViewController::deleteConversationOptionClicked() {
    confirm(PLGroupInfoAlertsFactory::LeaveOrClose, DeleteAlertTag,
            &PLGroupMemeberDetailTableViewController::answerDelete);
}

void PLGroupMemeberDetailTableViewController::deleteLocalChatDirectory() {
    if (!DocumentSaver::removeChatDirectoryWithName(m_roomID))
        showFailure(localized("Couldn't delete media directory"), QString(QLatin1String("")));
}

void PLGroupMemeberDetailTableViewController::answerClear() {
    const auto room = chatRoom();
    deleteLocalChatDirectory();
    if (room)
        room->clearMessages();
    if (m_completionHandler)
        m_completionHandler(true);
    RoomsAnalytics::trackRoomEvent(QStringLiteral("Clear conversation"), room, QStringLiteral("Success"));
    if (NavigationController* nav = navigationController())
        nav->popViewController(true);
}

void PLGroupMemeberDetailTableViewController::answerDelete() {
    const auto room = chatRoom();
    if (!room)
        return;
    QPointer<PLGroupMemeberDetailTableViewController> self(this);
    const QString roomID = m_roomID;
    const bool started = room->leaveGroupWithCompletionHandler(
        [self, roomID](bool success, const PLOptionalError&, const QString& message) {
            // The media go only once the server has let the user go: a refusal keeps them.
            if (success && !DocumentSaver::removeChatDirectoryWithName(roomID) && self)
                self->showFailure(localized("Couldn't delete media directory"), QString(QLatin1String("")));
            if (self)
                self->leaveFinished(success, message);
            RoomsAnalytics::trackRoomEvent(QStringLiteral("Delete conv & leave"),
                                           ChatRoom::chatRoomWithID(roomID), success);
            PLActivityIndicatorView::dismiss();
        });
    if (started)
        PLActivityIndicatorView::show();
}

void PLGroupMemeberDetailTableViewController::leaveFinished(bool success, const QString& message) {
    if (!success) {
        if (!message.isEmpty())
            showFailure(message, QString(QLatin1String("")));
        return;
    }
    NavigationController* nav = navigationController();
    if (!nav)
        return;
    const auto stack = nav->viewControllers();
    if (stack.size() == 2) {
        if (ViewController* presenter = nav->presentingViewController())
            presenter->dismissViewController(true);
    } else if (stack.size() >= 3) {
        nav->popToViewController(stack.at(stack.size() - 3), true);
    }
}

// ---- Picture

void PLGroupMemeberDetailTableViewController::profileImageTapped(const QPointF& pointInView) {
    if (!RoomsAnalytics::hasOwnPicture(m_thumbnailURL))
        return;
    const QString viewer = QStringLiteral("PLProfileImageViewController");
    ViewController* screen = platform::ui::ScreenRegistry::shared()->instantiate(viewer, viewer);
    if (!screen) {
        qCInfo(lcMemberDetail) << "the profile image viewer is not available";
        return;
    }
    QWidget* picture = m_memberImageview;
    QWidget* top = picture ? picture->window() : nullptr;
    const QPointF origin = picture && top ? QPointF(picture->mapTo(top, pointInView.toPoint())) : pointInView;
    const QRectF frame(origin, picture ? QSizeF(picture->size()) : QSizeF());
    const QImage thumbnail = m_memberImageview ? m_memberImageview->image() : QImage();
    const QString big = m_bigImageURL;
    QPointer<ViewController> shown(screen);
    presentViewController(screen, false, [shown, thumbnail, big, frame] {
        if (shown)
            QMetaObject::invokeMethod(shown, "showProfileImageWithThumbNailImage", Q_ARG(QImage, thumbnail),
                                      Q_ARG(QString, big), Q_ARG(QRectF, frame));
    });
}

} // namespace pelnix
