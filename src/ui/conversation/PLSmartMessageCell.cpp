#include "ui/conversation/PLSmartMessageCell.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/User.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "media/PLMultiMediaInfo.h"
#include "platform/UserDefaults.h"
#include "platform/ui/Animator.h"
#include "platform/ui/ViewController.h"
#include "smart/PLSmartMessageInfo.h"
#include "smart/SmartRenderQueue.h"
#include "ui/conversation/ConversationSmartLog.h"
#include "ui/conversation/PLCellImageView.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLMessageCellLayout.h"
#include "ui/conversation/PLPagePlaceholderView.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"
#include "ui/conversation/PLPendingRichMediaView.h"
#include "ui/conversation/PLPostFailureHandlerHelper.h"
#include "ui/conversation/PLSmartMessageImageCache.h"
#include "ui/conversation/PLStaleMessagePopOverView.h"
#include "ui/toolkit/PLPopoverController.h"

namespace pelnix {

using platform::ui::Animator;
using platform::ui::Label;

namespace Layout = PLMessageCellLayout;

namespace {
constexpr int kPictureMaximumWidth = 220;
constexpr int kStaleMarkSide = 20;
// Entry types of the outbox whose message has no page yet.
constexpr qint16 kChatletEntry = 1;
constexpr qint16 kRichMediaEntry = 3;

RichMediaInfo::Ptr firstRichMedia(const PendingMessageInfo::Ptr& entry) {
    RichMediaInfo::Ptr first;
    for (const auto& file : entry ? entry->richMediaInfo() : QList<RichMediaInfo::Ptr>())
        if (!first || file->mediaId() < first->mediaId())
            first = file;
    return first;
}

QString text(const char* key) {
    return PLCurrentBundleInfo::localizedString(QString::fromUtf8(key));
}

QString profileNameOf(const std::shared_ptr<User>& user) {
    return user ? user->profileName() : QString();
}

// What shows through a widget that paints no background: the colour of the nearest view below it
// that paints an opaque one.
QColor colourBehind(const QWidget* widget) {
    for (const QWidget* view = widget; view; view = view->parentWidget()) {
        const auto* row = qobject_cast<const platform::ui::ReusableView*>(view);
        if (row && row->backgroundColor().alpha() == 255)
            return row->backgroundColor();
        if (view->autoFillBackground() || view->isWindow()) {
            const QColor filled = view->palette().color(view->backgroundRole());
            if (filled.alpha() == 255)
                return filled;
        }
    }
    return Qt::white;
}
} // namespace

void PLSmartMessageCell::initialize() {
    if (!platform::UserDefaults::contains(kShouldHandleStaleTapKey))
        platform::UserDefaults::setValue(kShouldHandleStaleTapKey, 1);
}

PLSmartMessageCell::PLSmartMessageCell(QWidget* parent)
    : PLChatMessageWithProfileImageCell(kIdentifier, parent),
      m_userNameLabel(new Label(QString(), contentView())),
      m_repliedByLabel(new Label(QString(), contentView())),
      m_repliedBySuffixLabel(new Label(QString(), contentView())),
      m_postingChatletTextLabel(new Label(QString(), contentView())),
      m_staleMark(new platform::ui::Button(contentView())),
      m_spinner(new platform::ui::Spinner(contentView())), m_pendingMessageView(new QWidget(contentView())),
      m_pendingRichMediaView(new PLPendingRichMediaView(contentView())) {
    initialize();
    // The engine hears of every hide and show of the page: the cell waits shown in the list's pool.
    setStaysShownInPool(true);
    m_userNameLabel->setObjectName(QStringLiteral("userNameLabel"));
    m_userNameLabel->setFont(PLChatWindowStyle::senderNameFont());
    m_userNameLabel->setTextColor(QColor(0x33, 0x33, 0x33));
    m_userNameLabel->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);

    m_webView = platform::ui::WebView::create(contentView());
    m_webView->setObjectName(QStringLiteral("webView"));
    // The row is as tall as its page and the list scrolls it: a scroll bar of the page's own would
    // take width from its text, which then needs more height than it was measured at, and keep the
    // bar for good.
    m_webView->setShowsScrollBars(false);
    // The page's scripts stay off (the view's default): the cell's own measuring runs apart from them.
    // The page is not shown until it has loaded and been measured (its alpha 0): a cover in the
    // cell's colour hides it. The page itself stays visible, as the engine lays a hidden page out in
    // a viewport of its own size, not the view's, and would measure a wrong height.
    m_pageCover = new QWidget(contentView());
    m_pageCover->setObjectName(QStringLiteral("pageCover"));
    m_pageCover->setAutoFillBackground(true);
    takeColourBehind();
    m_webView->setShouldStartLoad([this](const QUrl& url, platform::ui::WebView::NavigationType type) {
        return shouldStartLoad(url, type);
    });
    connect(m_webView, &platform::ui::WebView::didStartLoad, this, &PLSmartMessageCell::webViewDidStartLoad);
    connect(m_webView, &platform::ui::WebView::didFailLoad, this, &PLSmartMessageCell::webViewDidFailLoad);
    connect(m_webView, &platform::ui::WebView::didFinishLoad, this,
            &PLSmartMessageCell::webViewDidFinishLoad);
    m_placeholder = new PLPagePlaceholderView(contentView());
    m_placeholder->hide();
    connect(m_webView, &platform::ui::WebView::contentSizeChanged, this,
            &PLSmartMessageCell::pageContentSizeChanged);

    for (Label* label : {m_repliedByLabel, m_repliedBySuffixLabel}) {
        label->setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 11));
        label->setTextColor(QColor(0x8E, 0x8E, 0x93));
        label->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    }
    m_repliedByLabel->setObjectName(QStringLiteral("repliedByLabel"));
    m_repliedByLabel->setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans-Bold"), 11));
    m_repliedBySuffixLabel->setObjectName(QStringLiteral("repliedBySuffixLabel"));
    m_repliedBySuffixLabel->hide();
    m_postingChatletTextLabel->setObjectName(QStringLiteral("postingChatletTextLabel"));
    m_postingChatletTextLabel->setFont(PLChatWindowStyle::messageFont());
    m_postingChatletTextLabel->setTextColor(QColor(0x8E, 0x8E, 0x93));
    m_postingChatletTextLabel->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    m_postingChatletTextLabel->hide();

    m_staleMark->setObjectName(QStringLiteral("staleMessageIndicatorImageView"));
    m_staleMark->setImage(PLChatWindowStyle::image(QStringLiteral("staleMessageIndicator")));
    m_staleMark->setFocusPolicy(Qt::NoFocus);
    connect(m_staleMark, &platform::ui::Button::clicked, this, &PLSmartMessageCell::staleIndicatorTapped);
    m_spinner->setObjectName(QStringLiteral("htmlLoadActivityIndicator"));
    m_spinner->setHidesWhenStopped(true);
    m_spinner->startAnimating();
    m_pendingMessageView->setObjectName(QStringLiteral("pendingMessageView"));
    m_pendingMessageView->resize(Layout::kIndicatorWidth, Layout::kHeaderHeight);
    m_pendingRichMediaView->hide();
    setAsUpdated(false, false);
    markRead(0);
}

void PLSmartMessageCell::showEvent(QShowEvent* event) {
    PLChatMessageWithProfileImageCell::showEvent(event);
    // Placed in its list: what lies behind the cell is known now.
    takeColourBehind();
}

void PLSmartMessageCell::takeColourBehind() {
    // The page blends in by the colour behind it rather than by being transparent: the engine draws
    // a transparent page above whatever covers the chat (dims, sheets, alerts) on a GL-composed
    // display.
    const QColor colour = colourBehind(contentView());
    if (colour == m_colourBehind)
        return;
    m_colourBehind = colour;
    m_webView->setBackgroundColor(colour);
    QPalette cover = m_pageCover->palette();
    cover.setColor(QPalette::Window, colour);
    m_pageCover->setPalette(cover);
}

PLSmartMessageCell::~PLSmartMessageCell() {
    if (m_popover)
        m_popover->dismissPopover(false);
}

qreal PLSmartMessageCell::defaultCellHeight() {
    return kBodyTop + kDefaultWebViewHeight + kRepliedByGap + kRepliedByHeight + 8 + kBottomMargin;
}

QString PLSmartMessageCell::pageFontFamily(const QString& fontName) {
    // The configuration names the font by its PostScript name, which the browser engine does not
    // know: the page gets the family of that face.
    if (CustomFontRegistration::registeredFontNames().contains(fontName))
        return CustomFontRegistration::fontWithName(fontName, 12).family();
    return fontName;
}

QString PLSmartMessageCell::customFormattedHTMLString(const QString& body) {
    const auto* configuration = PLAppConfigurations::currentConfiguration();
    // Substituted in one pass, so nothing in the body is taken for a placeholder.
    return QStringLiteral("<html> \n"
                          "<head> \n"
                          "<style type=\"text/css\"> \n"
                          "body {font-family:\"%1\"; font-size:%2; color:%3;}\n"
                          "</style> \n"
                          "</head> \n"
                          "<body>%4</body> \n"
                          "</html>")
        .arg(pageFontFamily(configuration->smartMessageFontName()), configuration->smartMessageFontSize(),
             configuration->smartMessageTextColor(), body);
}

QString PLSmartMessageCell::bodyForRow(const QString& html, const QString& xsltName) {
    if (!html.isEmpty())
        return html;
    return text("The current version does not support this form - ") + QStringLiteral("\"%1\"").arg(xsltName);
}

// ---- Filling

void PLSmartMessageCell::loadCellFromSmartMessageInfo(const PLChatWindowCellContent& row) {
    if (!m_row.isNull() && m_row == row)
        return;
    m_row = row;
    const auto snapshot = row.smartMessageInfo();
    std::shared_ptr<Message> message = row.message();
    if (snapshot) {
        // An older copy of an updated message: the server has it, so no outbox state goes with it.
        message = snapshot->smartMessage();
        setMessage(message);
        m_pendingMessage.reset();
        markRead(1);
        setAsUpdated(true, true);
    } else {
        setMessage(message);
        m_pendingMessage = message ? message->latestPendingMessage() : nullptr;
        if (m_pendingMessage && m_pendingMessage->isCompletd())
            m_pendingMessage.reset();
        setAsUpdated(false, false);
    }
    configurePendingMessageView();
    bool holdPage = false;
    if (m_pendingMessage) {
        holdPage = configureForActivePendingMessage();
    } else {
        if (m_indicator)
            m_indicator->stopRotatingClockImageView();
        m_postingChatletTextLabel->hide();
        m_pendingRichMediaView->configureWithRichMediaInfo(nullptr, nullptr);
        m_pendingRichMediaView->hide();
    }
    if (snapshot)
        m_shownCopy = snapshot;
    else if (message)
        m_shownCopy = std::make_shared<PLSmartMessageInfo>(
            message->senderUser(), message->fromUser(), message->chatWindowTimeString(), message->htmlText(),
            message->displayCellHeight(), message->detailsLinkVisibility(), message->latestAction(), message);
    if (!holdPage) {
        resetView();
        if (snapshot)
            loadPage(snapshot->htmlString(), message ? message->xsltName() : QString());
        else
            loadMessagePage(message);
    }
    m_userNameLabel->setText(senderUserName());
    const auto sender = snapshot ? snapshot->senderUser() : (message ? message->senderUser() : nullptr);
    if (!m_pendingMessage && sender)
        showSenderImage(sender->imageUrl());
    layOut();
}

void PLSmartMessageCell::configurePendingMessageView() {
    if (!m_indicator) {
        m_indicator = new PLPendingMessageIndicatorView(m_pendingMessageView->width(), m_pendingMessageView);
        m_indicator->show();
    }
    if (const auto message = this->message())
        m_indicator->setMessage(message);
}

bool PLSmartMessageCell::configureForActivePendingMessage() {
    // A pending post is always the user's own.
    if (const auto account = CurrentUserInfo::currentUserInfo())
        if (const auto me = account->user())
            showSenderImage(me->imageUrl());
    const qint16 type = m_pendingMessage->type();
    const bool holdPage = type == kChatletEntry || type == kRichMediaEntry;
    if (holdPage) {
        m_webView->stopLoading();
        m_webView->hide();
        m_pageCover->hide();
        hidePlaceholder();
        m_spinner->stopAnimating();
        hideRepliedByLabel();
    }
    m_postingChatletTextLabel->setVisible(type == kChatletEntry);
    if (type == kChatletEntry) {
        const auto message = this->message();
        m_postingChatletTextLabel->setText(
            QStringLiteral("%1 '%2' chatlet")
                .arg(text("Posting"),
                     PLCurrentBundleInfo::localizedString(message ? message->displayName() : QString())));
    }
    const auto file = type == kRichMediaEntry ? firstRichMedia(m_pendingMessage) : nullptr;
    m_pendingRichMediaView->setVisible(file != nullptr);
    m_pictureSize = QSizeF();
    if (file) {
        if (const auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(file->uploadedMediaInfo()))
            m_pictureSize = info->bigImgSize;
        m_pendingRichMediaView->configureWithRichMediaInfo(file, this);
    } else {
        m_pendingRichMediaView->configureWithRichMediaInfo(nullptr, nullptr);
    }
    return holdPage;
}

void PLSmartMessageCell::resetView() {
    m_webViewHeight = kDefaultWebViewHeight;
    m_repliedByLabel->setText(QString());
    m_repliedBySuffixLabel->hide();
}

void PLSmartMessageCell::loadMessagePage(const std::shared_ptr<Message>& message) {
    // A message rendered off the main thread: until its HTML arrives, the cell shows the covered
    // page and the spinner, as while a page loads. An answer for an earlier row of a reused cell is
    // not taken for this one's.
    const quint64 generation = ++m_loadGeneration;
    QPointer<PLSmartMessageCell> self(this);
    const std::weak_ptr<Message> shown = message;
    const std::optional<QString> html =
        message ? SmartRenderQueue::shared()->htmlString(message, this,
                                                         [self, generation, shown](const QString& html) {
                                                             if (self && generation == self->m_loadGeneration)
                                                                 self->messageRendered(shown.lock(), html);
                                                         })
                : QString();
    if (html) {
        messageRendered(message, *html);
        return;
    }
    // The page of the cell's previous row must not finish as this row's.
    m_webView->stopLoading();
    m_webViewLoadedSuccessfully = false;
    hidePlaceholder();
    coverPage(true);
    m_spinner->startAnimating();
}

void PLSmartMessageCell::messageRendered(const std::shared_ptr<Message>& message, const QString& html) {
    if (m_shownCopy && m_shownCopy->smartMessage() == message && m_shownCopy->htmlString().isEmpty())
        m_shownCopy->setHtmlString(html);
    loadPage(html, message ? message->xsltName() : QString());
}

void PLSmartMessageCell::loadPage(const QString& html, const QString& xsltName) {
    const QString body = bodyForRow(html, xsltName);
    if (PLSmartMessageImageCache::shouldCacheImages(html, xsltName))
        PLSmartMessageImageCache::shared()->cacheImagesIfNeeded(html);
    ++m_loadGeneration;
    forgetMeasure();
    m_webViewLoadedSuccessfully = false;
    hidePlaceholder();
    m_webView->show();
    coverPage(true);
    m_spinner->startAnimating();
    m_webView->loadHTMLString(customFormattedHTMLString(body),
                              QUrl(PLAppConfigurations::currentConfiguration()->baseURL()));
}

// ---- The page

bool PLSmartMessageCell::shouldStartLoad(const QUrl& url, platform::ui::WebView::NavigationType type) {
    const QUrl base(PLAppConfigurations::currentConfiguration()->baseURL());
    if (url.adjusted(QUrl::NormalizePathSegments) == base.adjusted(QUrl::NormalizePathSegments))
        return true;
    // The page is someone else's HTML: only the user's own click is a link to act on.
    if (type != platform::ui::WebView::NavigationType::LinkClicked) {
        qCWarning(lcConversationSmart) << "a smart message's page tried to leave without a click; refused";
        return false;
    }
    if (m_linkHandler) {
        // Answered after the page's veto returns: whatever the link opens runs outside the engine's call.
        QPointer<PLSmartMessageCell> self(this);
        const QString urlString = url.toString();
        const std::weak_ptr<Message> message = this->message();
        QMetaObject::invokeMethod(
            this,
            [self, urlString, message] {
                if (self && self->m_linkHandler)
                    self->m_linkHandler(urlString, message.lock());
            },
            Qt::QueuedConnection);
    }
    return false;
}

void PLSmartMessageCell::webViewDidStartLoad() {
    m_loadCancelled = false;
    m_spinner->startAnimating();
}

void PLSmartMessageCell::webViewDidFailLoad(const PLError& error) {
    m_loadCancelled = error.code == platform::ui::WebView::CancelledError;
}

void PLSmartMessageCell::webViewDidFinishLoad(bool ok) {
    m_spinner->stopAnimating();
    if (!ok) {
        // A load replaced by the next one says nothing of the page; any other failure leaves the
        // page blank for good.
        if (!std::exchange(m_loadCancelled, false) && !m_row.isNull())
            showPlaceholder();
        return;
    }
    m_webViewLoadedSuccessfully = true;
    m_webView->evaluateJavaScript(QStringLiteral(
        "document.body.style.webkitTouchCallout='none'; document.body.style.KhtmlUserSelect='none';"
        "document.documentElement.style.webkitUserSelect='none';"));
    measurePage();
}

void PLSmartMessageCell::heightMeasured(qreal height) {
    // A page that has no document (its load was replaced) says nothing of the row's height.
    if (!(height > 0))
        return;
    m_webViewHeight = qMax(1, qRound(height));
    updateRepliedByLabel();
    layOut();
    const qint16 h = qint16(cellHeight());
    // The row of a message is the message itself, whose stored height changes here; an older copy
    // keeps a height of its own, as the message it stands for has a page of its own.
    const qint16 before = m_row.displayCellHeight();
    m_row.setDisplayCellHeight(h);
    if (m_loadCompletion)
        m_loadCompletion(before != h && h != 0);
}

void PLSmartMessageCell::forgetMeasure() {
    m_measuredWidth = -1;
    m_measuring = false;
    m_laidOutWhileMeasuring = false;
    m_staleAnswers = 0;
}

void PLSmartMessageCell::pageContentSizeChanged() {
    // Only a loaded page: its load asks for its first measure.
    if (!m_webViewLoadedSuccessfully || m_row.isNull())
        return;
    if (m_measuring) {
        m_laidOutWhileMeasuring = true;
        return;
    }
    m_staleAnswers = 0;
    if (!isViewWidth(m_measuredWidth))
        measurePage();
}

bool PLSmartMessageCell::isViewWidth(qreal width) const {
    // Within a point: a scaled display may round the page's width apart from the view's.
    return qAbs(width - m_webView->width()) <= 1;
}

void PLSmartMessageCell::measurePage() {
    m_measuring = true;
    m_laidOutWhileMeasuring = false;
    QPointer<PLSmartMessageCell> self(this);
    const quint64 generation = m_loadGeneration;
    m_webView->measureContentSize([self, generation](const QSizeF& size) {
        if (self && generation == self->m_loadGeneration)
            self->pageMeasured(size);
    });
}

void PLSmartMessageCell::pageMeasured(const QSizeF& size) {
    m_measuring = false;
    const bool laidOutSince = std::exchange(m_laidOutWhileMeasuring, false);
    // A page that has no document (its load was replaced) says nothing of the row's height.
    if (size.isEmpty())
        return;
    if (!isViewWidth(size.width())) {
        // The engine answered for a width the view has left (it lags behind a window being
        // resized): that height fits no row at this width. Asked again, at once while the engine may
        // still be catching up, else once it lays the page out again.
        if (laidOutSince || ++m_staleAnswers <= kStaleAnswersAskedAgain)
            measurePage();
        return;
    }
    m_staleAnswers = 0;
    m_measuredWidth = size.width();
    // The page never gets less room than the view's default height.
    heightMeasured(qMax<qreal>(kDefaultWebViewHeight, size.height()));
}

void PLSmartMessageCell::resizeRowOnLoad(platform::ui::CollectionView* list,
                                         std::function<void(bool)> resized) {
    QPointer<platform::ui::CollectionView> guardList(list);
    QPointer<PLSmartMessageCell> self(this);
    setWebViewLoadCompletionHandler([self, guardList, resized = std::move(resized)](bool heightChanged) {
        if (!self || !guardList)
            return;
        if (!heightChanged) {
            self->showWebViewAnimated(true);
            return;
        }
        if (const auto message = self->message())
            message->save();
        const bool wasAtBottom = guardList->followsBottom();
        // The rows take their heights at once, and the list its place with them: placed only when the
        // batch's animation ends, a list at its bottom would show a blank band or cut rows meanwhile.
        const auto resize = [&] {
            guardList->performBatchUpdates([guardList] { guardList->invalidateLayout(); }, {});
            if (self)
                self->showWebViewAnimated(true);
            if (resized)
                resized(wasAtBottom);
        };
        // Away from the bottom, what the user reads stays where it is; at the bottom, `resized` decides.
        if (wasAtBottom)
            resize();
        else
            guardList->keepingPlace(resize);
    });
}

qreal PLSmartMessageCell::cellHeight() const {
    if (!m_webViewLoadedSuccessfully)
        return defaultCellHeight();
    qreal height = defaultCellHeight() - kDefaultWebViewHeight + m_webViewHeight;
    if (hideRepliedByText())
        height -= kRepliedByHeight + 15.0;
    return height;
}

void PLSmartMessageCell::showWebViewAnimated(bool) {
    // Shown whole once loaded; a fade would have the engine's page drawn through an effect on every
    // frame of the scroll.
    if (m_webViewLoadedSuccessfully && !m_postingChatletTextLabel->isVisible())
        coverPage(false);
}

void PLSmartMessageCell::showPlaceholder() {
    const auto snapshot = m_row.smartMessageInfo();
    const auto message = snapshot ? snapshot->smartMessage() : m_row.message();
    // The name the rooms list and the posting line show, else the form's own name.
    QString name = message ? message->displayName() : QString();
    if (name.isEmpty() && message)
        name = message->xsltName();
    m_placeholder->setName(PLCurrentBundleInfo::localizedString(name));
    m_placeholder->show();
    m_placeholder->raise();
    layOut();
}

void PLSmartMessageCell::hidePlaceholder() {
    m_placeholder->hide();
}

void PLSmartMessageCell::coverPage(bool covered) {
    m_pageCover->setVisible(covered);
    if (covered) {
        m_pageCover->raise();
        m_spinner->raise();
    }
}

bool PLSmartMessageCell::isPageShown() const {
    return m_webView->isVisibleTo(this) && !m_pageCover->isVisibleTo(this);
}

void PLSmartMessageCell::setAsUpdated(bool updated, bool animated) {
    m_staleMark->setEnabled(updated);
    if (!animated || Animator::isInstant()) {
        Animator::setAlpha(m_staleMark, updated ? 1 : 0);
        m_staleMark->setVisible(updated);
        return;
    }
    m_staleMark->show();
    QPointer<platform::ui::Button> mark(m_staleMark);
    Animator::animateAlpha(m_staleMark, updated ? 1 : 0, kStaleFadeMs, [mark, updated](bool) {
        if (mark && !updated)
            mark->hide();
    });
}

void PLSmartMessageCell::setAsUpdated(bool updated, bool animated, bool reloadWebView) {
    if (reloadWebView) {
        const auto snapshot = m_row.smartMessageInfo();
        const auto message = this->message();
        resetView();
        if (snapshot)
            loadPage(snapshot->htmlString(), message ? message->xsltName() : QString());
        else
            loadMessagePage(message);
    }
    setAsUpdated(updated, animated);
}

// ---- Names and the replied-by line

QString PLSmartMessageCell::senderUserName() const {
    const auto snapshot = m_row.smartMessageInfo();
    const auto message = m_row.message();
    const bool mine = snapshot ? snapshot->senderIsMe() : (message && message->senderIsMe());
    if (mine)
        return text("Me");
    return profileNameOf(snapshot ? snapshot->senderUser() : (message ? message->senderUser() : nullptr));
}

QString PLSmartMessageCell::repliedByUserName() const {
    const auto snapshot = m_row.smartMessageInfo();
    const auto message = m_row.message();
    const bool mine =
        snapshot ? snapshot->lastUpdatedUserIsMe() : (message && message->lastUpdatedUserIsMe());
    if (mine)
        return text("You");
    return profileNameOf(snapshot ? snapshot->fromUser() : (message ? message->fromUser() : nullptr));
}

bool PLSmartMessageCell::hideRepliedByText() const {
    if (m_row.isNull())
        return false;
    const auto snapshot = m_row.smartMessageInfo();
    const auto message = m_row.message();
    if (!snapshot && !message)
        return false;
    const QString visibility =
        snapshot ? snapshot->detailsLinkVisibility() : message->detailsLinkVisibility();
    const bool reply = snapshot ? snapshot->latestActionIsReply() : message->latestActionIsReply();
    const bool init = snapshot ? snapshot->latestActionIsInit() : message->latestActionIsInit();
    const bool expired = snapshot ? snapshot->latestActionIsExpired() : message->latestActionIsExpired();
    return (visibility == QLatin1String("none") && reply) || init || expired;
}

void PLSmartMessageCell::hideRepliedByLabel() {
    m_repliedByLabel->setText(QString());
    m_repliedBySuffixLabel->hide();
}

void PLSmartMessageCell::updateRepliedByLabel() {
    if (hideRepliedByText()) {
        hideRepliedByLabel();
        return;
    }
    const auto snapshot = m_row.smartMessageInfo();
    const bool comment = snapshot ? snapshot->latestActionIsComment()
                                  : (m_row.message() && m_row.message()->latestActionIsComment());
    m_repliedByLabel->setText(repliedByUserName());
    m_repliedBySuffixLabel->setText(comment ? text("commented") : text("replied"));
    m_repliedBySuffixLabel->show();
}

// ---- Layout

void PLSmartMessageCell::layOut() {
    const int w = width();
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    Layout::placeSenderHeader(this, m_userNameLabel, m_pendingMessageView);
    // The page ends where the header's trailing column does, clear of what the list keeps there.
    const int bodyWidth = qMax(0, Layout::trailingEdge(this) - Layout::kContentLeft);
    // The stale mark sits in the header before the time; the name makes room for it.
    const QRect stale(Layout::trailingEdge(this) - Layout::kIndicatorWidth - kStaleMarkSide - 4,
                      Layout::kHeaderTop - 1, kStaleMarkSide, kStaleMarkSide);
    Layout::place(m_staleMark, stale, w, rtl);
    if (m_staleMark->isVisible()) {
        QRect name = PLChatWindowStyle::mirrored(m_userNameLabel->geometry(), w, rtl);
        name.setRight(stale.left() - 4);
        Layout::place(m_userNameLabel, name, w, rtl);
    }
    const QRect page(Layout::kContentLeft, kBodyTop, bodyWidth, m_webViewHeight);
    Layout::place(m_webView, page, w, rtl);
    Layout::place(m_pageCover, page, w, rtl);
    // The placeholder fills the page's part of the row: the default page's height in a row of the
    // default height, more in a row sized for a page measured before.
    const int placeholderHeight =
        qMax(kDefaultWebViewHeight, height() - qRound(defaultCellHeight()) + kDefaultWebViewHeight);
    Layout::place(m_placeholder, QRect(Layout::kContentLeft, kBodyTop, bodyWidth, placeholderHeight), w, rtl);
    const QRect spinner(Layout::kContentLeft + (bodyWidth - 24) / 2,
                        kBodyTop + (kDefaultWebViewHeight - 24) / 2, 24, 24);
    Layout::place(m_spinner, spinner, w, rtl);
    const int repliedTop = kBodyTop + m_webViewHeight + kRepliedByGap;
    const int nameWidth =
        qMin(bodyWidth / 2, qRound(m_repliedByLabel->sizeThatFits(QSizeF(bodyWidth, 20)).width()) + 2);
    Layout::place(m_repliedByLabel, QRect(Layout::kContentLeft, repliedTop, nameWidth, kRepliedByHeight), w,
                  rtl);
    Layout::place(m_repliedBySuffixLabel,
                  QRect(Layout::kContentLeft + nameWidth + 4, repliedTop, qMax(0, bodyWidth - nameWidth - 4),
                        kRepliedByHeight),
                  w, rtl);
    Layout::place(m_postingChatletTextLabel, QRect(Layout::kContentLeft, kBodyTop, bodyWidth, 20), w, rtl);
    const QRectF body(Layout::kContentLeft, kBodyTop, bodyWidth, qMax(0, height() - kBodyTop - 8));
    const QRectF pictureBox(body.topLeft(),
                            QSizeF(qMin<qreal>(body.width(), kPictureMaximumWidth), body.height()));
    Layout::place(m_pendingRichMediaView,
                  PLPendingRichMediaView::fittedPictureRect(m_pictureSize, pictureBox).toRect(), w, rtl);
}

void PLSmartMessageCell::resizeEvent(QResizeEvent* event) {
    PLChatMessageWithProfileImageCell::resizeEvent(event);
    layOut();
}

// ---- Stale mark

void PLSmartMessageCell::staleIndicatorTapped() {
    if (m_popover || platform::UserDefaults::value(kShouldHandleStaleTapKey).toInt() != 1)
        return;
    auto* content = new platform::ui::ViewController;
    m_popoverView = new PLStaleMessagePopOverView;
    content->setPreferredContentSize(m_popoverView->size());
    // The content's view is the popover view itself.
    QWidget* holder = content->view();
    m_popoverView->setParent(holder);
    m_popoverView->setGeometry(QRect(QPoint(0, 0), m_popoverView->size()));
    connect(m_popoverView->dontShowButton(), &platform::ui::Button::clicked, this,
            &PLSmartMessageCell::dontShowPopOverButtonClickHandler);
    connect(m_popoverView->dismissButton(), &platform::ui::Button::clicked, this,
            &PLSmartMessageCell::dismissPopOverButtonClickHandler);
    m_popover = new PLPopoverController(content, this);
    m_popover->setDelegate(this);
    const QRect mark(m_staleMark->mapTo(this, QPoint(0, 0)), m_staleMark->size());
    m_popover->presentPopoverFromRect(mark.translated(15, -15).adjusted(0, 0, -15, 15), this,
                                      PLPopoverArrowDirectionAny, true,
                                      PLPopoverAnimationOptionFade | PLPopoverAnimationOptionScale);
}

void PLSmartMessageCell::dontShowPopOverButtonClickHandler() {
    if (!m_popoverView)
        return;
    platform::ui::Button* check = m_popoverView->dontShowButton();
    check->setSelected(!check->isSelected());
    platform::UserDefaults::setValue(kShouldHandleStaleTapKey, check->isSelected() ? 0 : 1);
}

void PLSmartMessageCell::dismissPopOverButtonClickHandler() {
    if (!m_popover)
        return;
    QPointer<PLSmartMessageCell> self(this);
    QPointer<PLPopoverController> popover(m_popover);
    m_popover->dismissPopover(true, [self, popover] {
        if (self)
            self->popoverControllerDidDismissPopover(popover);
    });
}

void PLSmartMessageCell::popoverControllerDidDismissPopover(PLPopoverController*) {
    if (m_popover)
        m_popover->deleteLater();
    m_popover = nullptr;
    m_popoverView = nullptr;
}

// ---- Upload and reuse

void PLSmartMessageCell::retryOrCancelUploadFromRichMediaView(PLPendingRichMediaView* view) {
    const auto shown = message();
    emit uploadRetryOrCancelRequested(shown);
    if (!shown)
        return;
    // First match wins: a stopped upload restarts, a failed post is resent, a running upload may stop.
    auto* helper = PLPostFailureHandlerHelper::sharedInstance();
    const auto latest = shown->latestPendingMessage();
    const auto file = m_pendingRichMediaView->richMediaInfo();
    if (m_pendingMessage && m_pendingMessage->isForceStopped())
        helper->forceRetryUploadingForMessage(shown);
    else if (latest && latest->isFailed())
        helper->resendFailedMessage(shown);
    else if (file && file->state() < PLPostFailureHandlerHelper::kMediaStored)
        helper->forceStopUploadingForMessage(view, shown);
}

void PLSmartMessageCell::prepareForReuse() {
    PLChatMessageWithProfileImageCell::prepareForReuse();
    ++m_loadGeneration;
    forgetMeasure();
    // The page is not stopped here: the next row's load replaces it in one step; a row that shows no
    // page at once stops it (holdPage, loadMessagePage).
    coverPage(true);
    hidePlaceholder();
    m_webViewLoadedSuccessfully = false;
    m_loadCompletion = nullptr;
    m_linkHandler = nullptr;
    m_row = {};
    m_shownCopy.reset();
    // The next row's outbox state is read afresh: a row without one must not show this row's.
    m_pendingMessage.reset();
    m_spinner->startAnimating();
    setAsUpdated(false, false);
    if (m_indicator) {
        m_indicator->stopRotatingClockImageView();
        m_indicator->prepareForReuse();
    }
    m_pendingRichMediaView->configureWithRichMediaInfo(nullptr, nullptr);
    m_pendingRichMediaView->hide();
    m_postingChatletTextLabel->hide();
    m_userNameLabel->setText(QString());
    resetView();
}

} // namespace pelnix
