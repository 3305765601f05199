#pragma once

#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "platform/ui/Button.h"
#include "platform/ui/CollectionView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Spinner.h"
#include "platform/ui/WebView.h"
#include "ui/conversation/PLChatMessageWithProfileImageCell.h"
#include "ui/conversation/PLChatWindowCellContent.h"
#include "ui/conversation/PLPendingRichMediaViewDelegate.h"
#include "ui/conversation/PLStaleMessagePopOverView.h"
#include "ui/toolkit/PLPopoverController.h"
#include "ui/toolkit/PLPopoverControllerDelegate.h"

#include <QPointer>
#include <functional>

namespace pelnix {

class PLPagePlaceholderView;
class PLPendingMessageIndicatorView;
class PLPendingRichMediaView;
class PLSmartMessageInfo;

// A smart message row: the sender, the outbox state, and the message's HTML in a web page whose own
// height, read once it has loaded, sizes the row and is stored on the message, so that the list sizes
// the row later without loading the page. Links of the page go to the owner's link handler; only the
// page itself loads in place. A chatlet still being posted shows a posting line, a file post its
// upload view. An older copy of an updated message carries the stale mark, which explains itself in a
// popover until the user asks it not to.
//
// A cell owns one web page for its whole life and loads it again for each row it is given: the list
// never has more pages than cells on screen.
//
// The page's height depends on its width: once the engine has laid a measured page out at a new
// width (the window was resized), the cell measures it again, and a new height goes the way of a
// load's (stored on the row, the row resized by the list), so the page neither scrolls inside the
// row nor leaves blank space under it.
//
// A message with no HTML yet is rendered off the main thread (SmartRenderQueue): the cell shows its
// spinner over the covered page until the HTML arrives; a message whose rendering failed before shows
// at once that its form is not supported.
//
// A page that cannot be shown (no browser engine in this process, or its load failed) leaves no blank
// row: a placeholder naming what the row holds ("Poll", "Image") takes the page's place.
class PLSmartMessageCell : public PLChatMessageWithProfileImageCell,
                           public PLPendingRichMediaViewDelegate,
                           public PLPopoverControllerDelegate {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("PLSmartMessageCell");
    static inline const QString kStaleIdentifier = QStringLiteral("PLStaleMessageCell");
    static inline const QString kShouldHandleStaleTapKey =
        QStringLiteral("shouldHandleStaleMessageIndicatorTap");
    static constexpr int kBodyTop = 26;
    static constexpr int kDefaultWebViewHeight = 59;
    static constexpr int kRepliedByGap = 7;
    static constexpr int kRepliedByHeight = 16;
    static constexpr int kBottomMargin = 4;
    static constexpr int kFadeMs = 200;
    static constexpr int kStaleFadeMs = 500;

    // (height changed) after each load; (URL text, message) for each link of the page.
    using LoadCompletionHandler = std::function<void(bool heightChanged)>;
    using LinkHandler = std::function<void(const QString& url, const std::shared_ptr<Message>& message)>;

    explicit PLSmartMessageCell(QWidget* parent = nullptr);
    ~PLSmartMessageCell() override;

    // Registers the stale-tap default (1) when the key has no value.
    static void initialize();
    static qreal defaultCellHeight();
    // The font family the page asks for: the family of the configured face.
    static QString pageFontFamily(const QString& fontName);
    // The page around a message's HTML, in the configured font, size and colour.
    static QString customFormattedHTMLString(const QString& body);
    // The HTML a row shows: its own, or the text that the form is not supported.
    static QString bodyForRow(const QString& html, const QString& xsltName);

    void loadCellFromSmartMessageInfo(const PLChatWindowCellContent& row);
    // What the cell shows, as a copy taken when it was filled: it keeps that rendering when the message
    // changes later (an older copy of an updated message is its own copy).
    PLChatWindowCellContent currentDisplayedMessage() const { return PLChatWindowCellContent(m_shownCopy); }
    // The height the loaded page needs; the default before it has loaded.
    qreal cellHeight() const;
    void showWebViewAnimated(bool animated);
    // Whether the page shows (loaded, measured and uncovered).
    bool isPageShown() const;
    void setAsUpdated(bool updated, bool animated);
    void setAsUpdated(bool updated, bool animated, bool reloadWebView);

    QString senderUserName() const;
    QString repliedByUserName() const;
    bool hideRepliedByText() const;
    void updateRepliedByLabel();

    void setWebViewLoadCompletionHandler(LoadCompletionHandler handler) {
        m_loadCompletion = std::move(handler);
    }
    // The list's part in a load: a page that found a new height has the height saved and its row
    // resized before the page shows; `resized` then hears whether the list was at its bottom before.
    void resizeRowOnLoad(platform::ui::CollectionView* list,
                         std::function<void(bool wasAtBottom)> resized = {});
    void setLinkHandler(LinkHandler handler) { m_linkHandler = std::move(handler); }
    // The answer to a navigation of the page: the page itself loads in place; a link the user
    // clicked goes to the link handler; anything else is refused.
    bool shouldStartLoad(const QUrl& url, platform::ui::WebView::NavigationType type =
                                              platform::ui::WebView::NavigationType::LinkClicked);

    void staleIndicatorTapped();
    void dontShowPopOverButtonClickHandler();
    void dismissPopOverButtonClickHandler();
    void popoverControllerDidDismissPopover(PLPopoverController* popover) override;
    void retryOrCancelUploadFromRichMediaView(PLPendingRichMediaView* view) override;
    void prepareForReuse() override;

    platform::ui::WebView* webView() const { return m_webView; }
    bool webViewLoadedSuccessfully() const { return m_webViewLoadedSuccessfully; }
    int webViewHeight() const { return m_webViewHeight; }
    platform::ui::Label* userNameLabel() const { return m_userNameLabel; }
    platform::ui::Label* repliedByLabel() const { return m_repliedByLabel; }
    platform::ui::Label* repliedBySuffixLabel() const { return m_repliedBySuffixLabel; }
    platform::ui::Label* postingChatletTextLabel() const { return m_postingChatletTextLabel; }
    platform::ui::Button* staleMessageIndicatorImageView() const { return m_staleMark; }
    platform::ui::Spinner* htmlLoadActivityIndicator() const { return m_spinner; }
    PLPagePlaceholderView* pagePlaceholder() const { return m_placeholder; }
    PLPendingRichMediaView* pendingRichMediaView() const { return m_pendingRichMediaView; }
    PendingMessageInfo::Ptr pendingMessage() const { return m_pendingMessage; }
    PLPopoverController* staleIndicatorInfoPopoverController() const { return m_popover; }
    PLStaleMessagePopOverView* stalePopOverView() const { return m_popoverView; }

signals:
    // The upload view's mark was tapped: stop the running upload or retry the stopped one.
    void uploadRetryOrCancelRequested(const std::shared_ptr<pelnix::Message>& message);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void layOut();
    void takeColourBehind();
    void resetView();
    void configurePendingMessageView();
    // Whether the page is held back for the outbox entry (a chatlet or a file still being posted).
    bool configureForActivePendingMessage();
    // The message's page, once its HTML is rendered.
    void loadMessagePage(const std::shared_ptr<Message>& message);
    void messageRendered(const std::shared_ptr<Message>& message, const QString& html);
    void loadPage(const QString& html, const QString& xsltName);
    void webViewDidStartLoad();
    void webViewDidFailLoad(const PLError& error);
    void webViewDidFinishLoad(bool ok);
    // The placeholder in the page's place, named after what the row holds; hidden again by a new load.
    void showPlaceholder();
    void hidePlaceholder();
    void heightMeasured(qreal height);
    // The engine laid the page out again: measured again when that was at another width.
    void pageContentSizeChanged();
    void measurePage();
    void forgetMeasure();
    // Sizes the page to a measure taken at the view's width; a measure at another width is dropped.
    void pageMeasured(const QSizeF& size);
    bool isViewWidth(qreal width) const;
    void hideRepliedByLabel();
    void coverPage(bool covered);

    PLChatWindowCellContent m_row;
    std::shared_ptr<PLSmartMessageInfo> m_shownCopy;
    PendingMessageInfo::Ptr m_pendingMessage;
    LoadCompletionHandler m_loadCompletion;
    LinkHandler m_linkHandler;
    bool m_webViewLoadedSuccessfully = false;
    int m_webViewHeight = kDefaultWebViewHeight;
    // Counts the loads, so that an answer from an earlier row's page is not taken for this one's.
    quint64 m_loadGeneration = 0;
    // The width the loaded page was last measured at (none before its first measure), whether a
    // measure is on its way, and whether the engine laid the page out again meanwhile.
    qreal m_measuredWidth = -1;
    bool m_measuring = false;
    bool m_laidOutWhileMeasuring = false;
    // Answers for another width in a row; past a few, the cell waits for the engine's next layout.
    static constexpr int kStaleAnswersAskedAgain = 8;
    int m_staleAnswers = 0;

    QPointer<platform::ui::WebView> m_webView;
    QWidget* m_pageCover = nullptr;
    PLPagePlaceholderView* m_placeholder = nullptr;
    // Whether the load that failed last was only replaced by another (no fault of the page).
    bool m_loadCancelled = false;
    // The colour the page and its cover show: that of the view behind the cell.
    QColor m_colourBehind;
    platform::ui::Label* m_userNameLabel;
    platform::ui::Label* m_repliedByLabel;
    platform::ui::Label* m_repliedBySuffixLabel;
    platform::ui::Label* m_postingChatletTextLabel;
    platform::ui::Button* m_staleMark;
    platform::ui::Spinner* m_spinner;
    QWidget* m_pendingMessageView;
    PLPendingMessageIndicatorView* m_indicator = nullptr;
    PLPendingRichMediaView* m_pendingRichMediaView;
    QSizeF m_pictureSize;
    QPointer<PLPopoverController> m_popover;
    QPointer<PLStaleMessagePopOverView> m_popoverView;
};

} // namespace pelnix
