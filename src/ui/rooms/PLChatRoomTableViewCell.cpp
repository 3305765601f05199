#include "ui/rooms/PLChatRoomTableViewCell.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/DeviceInfo.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/MainThread.h"
#include "platform/ui/Animator.h"
#include "platform/ui/CollectionStrip.h"
#include "platform/ui/ImageViewWebCache.h"
#include "platform/ui/Label.h"
#include "platform/ui/LongPressGestureRecognizer.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/SwipeGestureRecognizer.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "ui/rooms/PLOptionsCollectionViewCell.h"
#include "ui/rooms/PLRoomPictureView.h"
#include "ui/rooms/PLRoomRowLabel.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/Color.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>

namespace pelnix {

using platform::ui::Animator;
using platform::ui::AttributedString;
using platform::ui::CollectionStrip;
using platform::ui::GestureRecognizer;
using platform::ui::ImageView;
using platform::ui::Label;
using platform::ui::Scheduler;
using platform::ui::SwipeGestureRecognizer;
using platform::ui::TextAttributes;
namespace WebCache = platform::ui::ImageViewWebCache;

namespace {
constexpr int kRowHeight = 72;
constexpr int kPictureSide = 48;
constexpr int kMargin = 12;
constexpr int kTextLeft = kMargin + kPictureSide + 12;
constexpr int kBadgeHeight = 20;

QColor hex(const char* text) {
    return Color::colorWithString(QString::fromLatin1(text)).toQColor();
}

QFont dejaVu(qreal size, bool bold = false) {
    return CustomFontRegistration::fontWithName(
        bold ? QStringLiteral("DejaVuSans-Bold") : QStringLiteral("DejaVuSans"), size);
}

QImage placeholderPicture() {
    static const QImage image = ImageAdditions::loadImageNamed(QStringLiteral("tempProfileImage"));
    return image;
}

// The sliding part of the row: opaque in the row's colour (selection included) while it is moved
// aside, so that it covers the options behind it; in place, the row's own background shows through.
class SlideableContainer : public QWidget {
public:
    explicit SlideableContainer(platform::ui::TableViewCell* row) : QWidget(row->contentView()), m_row(row) {}

protected:
    void paintEvent(QPaintEvent*) override {
        if (x() == 0)
            return;
        const bool selected = (m_row->isSelected() || m_row->isHighlighted()) &&
                              m_row->selectionStyle() != platform::ui::TableViewCell::SelectionStyle::None;
        QPainter(this).fillRect(rect(),
                                selected ? m_row->selectedBackgroundColor() : m_row->backgroundColor());
    }

private:
    platform::ui::TableViewCell* m_row;
};
// A filled rounded shape behind a label (the unread badge, the admin mark), rendered once per size and
// then only copied when the row repaints.
class Pill : public QWidget {
public:
    Pill(QWidget* parent, const QColor& colour, bool round)
        : QWidget(parent), m_colour(colour), m_round(round) {}

protected:
    void paintEvent(QPaintEvent*) override {
        const qreal ratio = devicePixelRatioF();
        const QSize pixels = (QSizeF(size()) * ratio).toSize();
        if (pixels.isEmpty())
            return;
        if (m_rendered.size() != pixels) {
            m_rendered = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            m_rendered.fill(Qt::transparent);
            QPainter painter(&m_rendered);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(m_colour);
            const qreal radius = m_round ? pixels.height() / 2.0 : 3 * ratio;
            painter.drawRoundedRect(QRectF(QPointF(), QSizeF(pixels)), radius, radius);
            painter.end();
            m_rendered.setDevicePixelRatio(ratio);
        }
        QPainter(this).drawImage(QPointF(0, 0), m_rendered);
    }

private:
    QColor m_colour;
    bool m_round;
    QImage m_rendered;
};
} // namespace

PLChatRoomTableViewCell::PLChatRoomTableViewCell(QWidget* parent)
    : TableViewCell(Style::Default, QString::fromLatin1(kReuseIdentifier), parent) {
    // The row paints every pixel of its own (background, selection, separator): what lies under it
    // is not painted first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QWidget* content = contentView();
    m_optionsArea = new QWidget(content);
    m_optionsArea->setObjectName(QStringLiteral("optionsArea"));
    m_strip = new CollectionStrip(m_optionsArea);
    m_strip->setObjectName(QStringLiteral("optionsCollectionView"));
    m_strip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_strip->setFrameShape(QFrame::NoFrame);
    m_strip->viewport()->setAutoFillBackground(false);
    m_strip->setItemWidth(kOptionWidth);
    m_strip->setSpacing(0);

    m_container = new SlideableContainer(this);
    m_container->setObjectName(QStringLiteral("slideableContainerView"));
    m_picture = new PLRoomPictureView(m_container);
    m_picture->setObjectName(QStringLiteral("chatRoomImageView"));
    m_picture->resize(kPictureSide, kPictureSide);
    m_roomName = new PLRoomRowLabel(m_container);
    m_roomName->setObjectName(QStringLiteral("roomNameLabel"));
    m_roomName->setFont(dejaVu(15, true));
    m_roomName->setTextColor(hex("333333"));
    m_lastMessage = new PLRoomRowLabel(m_container);
    m_lastMessage->setObjectName(QStringLiteral("lastMessageLabel"));
    m_lastMessage->setFont(dejaVu(14));
    m_lastMessage->setTextColor(hex("808080"));
    m_updateTime = new PLRoomRowLabel(m_container);
    m_updateTime->setObjectName(QStringLiteral("updateTimeLabel"));
    m_updateTime->setFont(dejaVu(12));
    m_updateTime->setTextColor(hex("808080"));
    m_updateTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_accessory = new Pill(m_container, hex("25a549"), true);
    m_accessory->setObjectName(QStringLiteral("customAccessoryView"));
    m_unreadCount = new Label(QString(), m_accessory);
    m_unreadCount->setObjectName(QStringLiteral("unreadMessageCountLabel"));
    m_unreadCount->setFont(dejaVu(11, true));
    m_unreadCount->setTextColor(Qt::white);
    m_unreadCount->setAlignment(Qt::AlignCenter);
    m_adminView = new Pill(m_container, hex("EBF8F1"), false);
    m_adminView->setObjectName(QStringLiteral("adminIndicatorView"));
    m_adminLabel = new Label(RoomsTexts::localized("Admin"), m_adminView);
    m_adminLabel->setObjectName(QStringLiteral("adminIndicatorLabel"));
    m_adminLabel->setFont(dejaVu(10));
    m_adminLabel->setTextColor(hex("25a549"));
    m_adminLabel->setAlignment(Qt::AlignCenter);

    // Recognisers live with the row while they are off the container.
    m_tap =
        new platform::ui::TapGestureRecognizer([this](GestureRecognizer* r) { handleGestureRecognizer(r); });
    m_longPress = new platform::ui::LongPressGestureRecognizer({}, 100);
    m_swipeLeft = new SwipeGestureRecognizer([this](GestureRecognizer* r) { handleGestureRecognizer(r); },
                                             SwipeGestureRecognizer::Left);
    m_swipeRight = new SwipeGestureRecognizer([this](GestureRecognizer* r) { handleGestureRecognizer(r); },
                                              SwipeGestureRecognizer::Right);
    // While open, a touch on the row is the row's own: it neither selects it nor scrolls the list.
    m_tap->setPassesThrough(false);
    m_longPress->setPassesThrough(false);
    for (GestureRecognizer* recognizer :
         {m_tap.data(), m_longPress.data(), m_swipeLeft.data(), m_swipeRight.data()})
        recognizer->setParent(this);
    awakeFromNib();
}

PLChatRoomTableViewCell::~PLChatRoomTableViewCell() {
    Scheduler::shared()->cancelPerforms(this);
}

qreal PLChatRoomTableViewCell::cellHeight() {
    return kRowHeight;
}

void PLChatRoomTableViewCell::awakeFromNib() {
    ButtonAdditions::setCustomHighlightColor(this);
    // The label itself is clear: the mark behind it carries the pale green.
    m_chatRoomOptions.clear();
    m_stripWidth = 0;
    configureViewForCellState(0);
    m_strip->setDataSource(this);
    m_picture->setImage(placeholderPicture());
    m_picture->awakeFromNib();
}

void PLChatRoomTableViewCell::setChatRoom(const std::shared_ptr<ChatRoom>& room) {
    Q_ASSERT(platform::isMainThread());
    m_chatRoom = room;
    // A picture still waiting for its delay belongs to the room shown before.
    Scheduler::shared()->cancelPerforms(this);
    // The signed-in user, read once for the whole row.
    const auto account = CurrentUserInfo::currentUserInfo();
    const auto me = account ? account->user() : nullptr;
    const qint32 myID = me ? me->userID() : 0;
    m_roomNameText = room ? room->displayName() : QString();
    const qint64 unread = room ? room->unreadMessagesCount() : 0;
    m_unreadCount->setText(unread > 0 ? QString::number(quint64(unread)) : QString());
    m_accessory->setVisible(unread > 0);
    m_lastMessageText = recentText(room ? room->latestMessageSummary() : std::nullopt,
                                   room ? room->managedObjectContext() : nullptr, myID);
    m_updateTime->setText(room ? room->activityDateString() : QString());
    // The room's admin is the signed-in user (the room's own test, with the user read once).
    m_adminView->setVisible(room && room->adminUserID() == myID && !room->isOneToOne());

    const QUrl url = pictureURL(me ? me->email() : QString());
    if (!url.isEmpty()) {
        if (WebCache::cachedImageExistsForURL(url)) {
            refreshImage(url);
        } else {
            WebCache::pl_cancelCurrentImageLoad(m_picture);
            m_picture->setImage(placeholderPicture());
            Scheduler::shared()->performAfter(this, kPictureLoadDelayMs, [this, url] { refreshImage(url); });
        }
    }
    layoutSubviews();
}

QUrl PLChatRoomTableViewCell::pictureURL(const QString& myEmail) const {
    if (!m_chatRoom)
        return {};
    QString url;
    if (m_chatRoom->isOneToOne()) {
        for (const auto& member : m_chatRoom->members()) {
            const auto user = member ? member->user() : nullptr;
            if (user && user->email() != myEmail) {
                url = user->imageUrl();
                break;
            }
        }
    } else {
        url = m_chatRoom->imageUrl();
    }
    return url.isEmpty() ? QUrl() : QUrl(url);
}

AttributedString PLChatRoomTableViewCell::recentTextFromMessage(const std::shared_ptr<Message>& message) {
    return recentTextFromMessage(message, CurrentUserInfo::currentUserID());
}

AttributedString PLChatRoomTableViewCell::recentTextFromMessage(const std::shared_ptr<Message>& message,
                                                                qint32 myID) {
    return recentText(message ? std::optional<MessageSummary>(MessageSummary::of(*message)) : std::nullopt,
                      message ? message->managedObjectContext() : nullptr, myID);
}

AttributedString PLChatRoomTableViewCell::recentText(const std::optional<MessageSummary>& message,
                                                     platform::ObjectContext* context, qint32 myID) {
    const QString text = message ? message->displayText : QString();
    if (text.isEmpty())
        return {};
    const auto sender = message->sender(context);
    QString name;
    if (sender && sender->userID() == myID) {
        name = RoomsTexts::localized("Me");
    } else if (sender) {
        name = sender->profileName();
        if (name.isEmpty())
            name = sender->email().section(QLatin1Char('@'), 0, 0);
    }
    TextAttributes grey;
    grey.font = dejaVu(14);
    grey.color = hex("808080");
    const bool posted = message->type == 1 || message->type == 2;
    if (!posted || name.isEmpty())
        return AttributedString(text, grey);
    TextAttributes dark = grey;
    dark.color = hex("333333");
    const QString prefix = RoomsTexts::localizedFormat("%@: ", {name});
    AttributedString line(prefix + text, grey);
    line.addAttributes(dark, 0, int(prefix.size()));
    return line;
}

void PLChatRoomTableViewCell::refreshImage(const QUrl& url) {
    WebCache::pl_setImageWithURL(m_picture, url, placeholderPicture(), WebCache::RetryFailed);
}

void PLChatRoomTableViewCell::toggleCellState() {
    toggleCellStateWithAnimationDuration(kToggleDurationMs);
}

void PLChatRoomTableViewCell::toggleCellStateWithAnimationDuration(int durationMs) {
    // A slide overtaken by this one ends now, as far as the list is concerned.
    if (m_runningSlide) {
        m_runningSlide = 0;
        reportState(m_runningState);
    }
    m_currentState = m_currentState == 0 ? 1 : 0;
    const qint64 state = m_currentState;
    // The options are those of the room shown now, also when the row was refilled since the last
    // reload of its strip.
    if (state == 1)
        reloadSwipeOptions();
    configureViewForCellState(state);
    const qreal from = m_shift;
    const qreal target = qreal(state) * m_stripWidth;
    const quint64 slide = ++m_slide;
    m_runningSlide = slide;
    m_runningState = state;
    QPointer<PLChatRoomTableViewCell> guard(this);
    Animator::run(
        this, durationMs, Animator::Curve::Spring,
        [guard, slide, from, target](qreal t) {
            if (guard && guard->m_slide == slide)
                guard->setContainerShift(from + (target - from) * t);
        },
        [guard, slide, state](bool) {
            if (!guard || guard->m_runningSlide != slide)
                return;
            guard->m_runningSlide = 0;
            guard->reportState(state);
        });
}

void PLChatRoomTableViewCell::reportState(qint64 state) {
    if (PLChatRoomTableViewCellDelegate* delegate = m_delegate.get())
        delegate->cellDidUpdateToState(this, state);
}

void PLChatRoomTableViewCell::configureViewForCellState(qint64 state) {
    m_optionsArea->setVisible(state == 1);
    if (!m_inGestureHandler) {
        applyRecognizers(state);
        return;
    }
    QPointer<PLChatRoomTableViewCell> guard(this);
    QMetaObject::invokeMethod(
        this,
        [guard] {
            if (guard)
                guard->applyRecognizers(guard->m_currentState);
        },
        Qt::QueuedConnection);
}

void PLChatRoomTableViewCell::applyRecognizers(qint64 state) {
    if (m_recognizerState == state)
        return;
    m_recognizerState = state;
    const QList<GestureRecognizer*> all{m_tap, m_longPress, m_swipeLeft, m_swipeRight};
    for (GestureRecognizer* recognizer : all) {
        recognizer->removeFromView();
        recognizer->setParent(this);
    }
    // The last recogniser added sees a touch first: the swipes go last so that they still see the
    // touches the tap keeps from the list.
    QList<GestureRecognizer*> set;
    if (state == 1)
        set << m_longPress << m_tap;
    set << m_swipeLeft << m_swipeRight;
    for (GestureRecognizer* recognizer : set)
        recognizer->addToView(m_container);
}

QList<GestureRecognizer*> PLChatRoomTableViewCell::containerRecognizers() const {
    QList<GestureRecognizer*> out;
    for (GestureRecognizer* recognizer :
         {m_longPress.data(), m_tap.data(), m_swipeLeft.data(), m_swipeRight.data()})
        if (recognizer && recognizer->view() == m_container)
            out << recognizer;
    return out;
}

void PLChatRoomTableViewCell::handleGestureRecognizer(GestureRecognizer* recognizer) {
    if (recognizer->state() != GestureRecognizer::State::Ended)
        return;
    m_inGestureHandler = true;
    const bool rtl = DeviceInfo::currentLocaleIsOfRTLType();
    if (auto* swipe = qobject_cast<SwipeGestureRecognizer*>(recognizer)) {
        const auto direction = swipe->recognizedDirection();
        const auto opening = rtl ? SwipeGestureRecognizer::Right : SwipeGestureRecognizer::Left;
        const auto closing = rtl ? SwipeGestureRecognizer::Left : SwipeGestureRecognizer::Right;
        if ((m_currentState == 0 && direction == opening) || (m_currentState == 1 && direction == closing))
            toggleCellState();
    } else if (recognizer == m_tap && m_currentState == 1) {
        toggleCellState();
    }
    m_inGestureHandler = false;
}

void PLChatRoomTableViewCell::reloadSwipeOptions() {
    m_strip->reloadData();
}

qint64 PLChatRoomTableViewCell::numberOfOptions() {
    PLChatRoomTableViewCellDatasource* source = m_dataSource.get();
    const qint64 count = source ? source->numberOfOptionsForChatRoom(m_chatRoom) : 0;
    configureCollectionViewWidthForNumberOfOptions(count);
    return count;
}

void PLChatRoomTableViewCell::configureCollectionViewWidthForNumberOfOptions(qint64 count) {
    if (count <= 0)
        return;
    const qreal padding = collectionViewPadding().width();
    m_stripWidth = qMin<qreal>(qreal(kOptionWidth) * qreal(count) + 2 * padding, kMaximumStripWidth);
    layoutSubviews();
}

int PLChatRoomTableViewCell::numberOfItemsInStrip(CollectionStrip*) {
    return int(qBound<qint64>(0, numberOfOptions(), qint64(64)));
}

platform::ui::ReusableView* PLChatRoomTableViewCell::viewForItem(CollectionStrip* strip, int index) {
    auto* item = static_cast<PLOptionsCollectionViewCell*>(
        strip->dequeueReusableView(QString::fromLatin1(PLOptionsCollectionViewCell::kReuseIdentifier)));
    if (!item)
        item = new PLOptionsCollectionViewCell;
    PLChatRoomTableViewCellDatasource* source = m_dataSource.get();
    const qint64 type = source ? source->chatRoomTypeAtIndex(index, m_chatRoom) : 0;
    if (type == 0)
        return item;
    while (m_chatRoomOptions.size() <= index)
        m_chatRoomOptions << 0;
    m_chatRoomOptions[index] = type;
    item->setOptionType(type);
    item->setDelegate(this);
    return item;
}

void PLChatRoomTableViewCell::optionsCollectionViewCellDidTapOnOption(PLOptionsCollectionViewCell* cell) {
    if (PLChatRoomTableViewCellDelegate* delegate = m_delegate.get())
        delegate->cellDidSelectChatRoomOption(this, cell ? cell->optionType() : 0);
}

void PLChatRoomTableViewCell::prepareForReuse() {
    // The inherited reset is left out on purpose, as in the row's original design.
    m_lastMessageText = {};
    m_lastMessage->setText(QString());
    WebCache::pl_cancelCurrentImageLoad(m_picture);
    m_picture->setImage(placeholderPicture());
    if (m_currentState == 1)
        toggleCellStateWithAnimationDuration(0);
    m_chatRoomOptions.clear();
    Scheduler::shared()->cancelPerforms(this);
}

void PLChatRoomTableViewCell::setSeparatorLine(int inset, const QColor& colour) {
    m_separatorInset = inset;
    m_separatorColour = colour;
    setSeparatorInset(inset);
}

void PLChatRoomTableViewCell::paintEvent(QPaintEvent* event) {
    TableViewCell::paintEvent(event);
    if (!m_separatorColour.isValid())
        return;
    // The list's own separator colour over the table's plain one.
    QPainter painter(this);
    painter.fillRect(QStyle::visualRect(layoutDirection(), rect(),
                                        QRect(m_separatorInset, height() - 1, width() - m_separatorInset, 1)),
                     m_separatorColour);
}

void PLChatRoomTableViewCell::setContainerShift(qreal shift) {
    m_shift = shift;
    layoutSubviews();
}

void PLChatRoomTableViewCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    if (!m_adminLabel)
        return; // still being built
    const Qt::LayoutDirection dir = layoutDirection();
    const QRect bounds = contentView()->rect();
    const int w = bounds.width();
    // The bottom point stays clear for the row's separator.
    const int h = qMax(0, bounds.height() - 1);
    auto visual = [dir](const QRect& outer, const QRect& rect) {
        return QStyle::visualRect(dir, outer, rect);
    };

    const int strip = qRound(m_stripWidth);
    m_optionsArea->setGeometry(visual(bounds, QRect(w - strip, 0, strip, h)));
    const int padding = int(collectionViewPadding().width());
    const int stripHeight = int(collectionViewPadding().height());
    m_strip->setGeometry(visual(m_optionsArea->rect(), QRect(padding, (h - stripHeight) / 2,
                                                             qMax(0, strip - 2 * padding), stripHeight)));
    m_container->setGeometry(visual(bounds, QRect(-qRound(m_shift), 0, w, h)));

    const QRect inside = m_container->rect();
    auto place = [&](QWidget* view, const QRect& rect) { view->setGeometry(visual(inside, rect)); };
    place(m_picture, QRect(kMargin, (h - kPictureSide) / 2, kPictureSide, kPictureSide));

    const int right = w - kMargin;
    const int topLine = h / 2 - 22;
    const int bottomLine = h / 2 + 2;
    const int timeWidth = qMin(100, int(m_updateTime->sizeThatFits(QSizeF(1e6, 1e6)).width()) + 2);
    place(m_updateTime, QRect(right - timeWidth, topLine, timeWidth, 20));
    int nameRight = right - timeWidth - 6;
    if (m_adminView->isVisibleTo(m_container)) {
        const int adminWidth = int(m_adminLabel->sizeThatFits(QSizeF(1e6, 1e6)).width()) + 10;
        place(m_adminView, QRect(nameRight - adminWidth, topLine + 2, adminWidth, 16));
        m_adminLabel->setGeometry(m_adminView->rect());
        nameRight -= adminWidth + 6;
    }
    place(m_roomName, QRect(kTextLeft, topLine, qMax(0, nameRight - kTextLeft), 20));
    const QFontMetricsF nameMetrics(m_roomName->font());
    m_roomName->setText(nameMetrics.horizontalAdvance(m_roomNameText) <= m_roomName->width()
                            ? m_roomNameText
                            : nameMetrics.elidedText(m_roomNameText, Qt::ElideRight, m_roomName->width()));

    int messageRight = right;
    if (m_accessory->isVisibleTo(m_container)) {
        const int badgeWidth =
            qMax(kBadgeHeight, int(m_unreadCount->sizeThatFits(QSizeF(1e6, 1e6)).width()) + 12);
        place(m_accessory, QRect(right - badgeWidth, bottomLine, badgeWidth, kBadgeHeight));
        m_unreadCount->setGeometry(m_accessory->rect());
        messageRight -= badgeWidth + 8;
    }
    place(m_lastMessage, QRect(kTextLeft, bottomLine, qMax(0, messageRight - kTextLeft), kBadgeHeight));
    fitLastMessage();
}

void PLChatRoomTableViewCell::fitLastMessage() {
    // One line, shortened with an ellipsis at the label's width; the sender's part keeps its colour.
    const QString full = m_lastMessageText.text();
    const qreal width = m_lastMessage->width();
    if (full.isEmpty() || width <= 0) {
        m_lastMessage->setAttributedText(m_lastMessageText);
        return;
    }
    const QFontMetricsF metrics(dejaVu(14));
    const QString line = QString(full).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString shown =
        metrics.horizontalAdvance(line) <= width ? line : metrics.elidedText(line, Qt::ElideRight, width);
    const auto runs = m_lastMessageText.runs();
    AttributedString fitted(shown, runs.isEmpty() ? TextAttributes{} : runs.first().attributes);
    for (const auto& run : runs)
        fitted.addAttributes(run.attributes, run.start, run.length);
    m_lastMessage->setAttributedText(fitted);
}

} // namespace pelnix
