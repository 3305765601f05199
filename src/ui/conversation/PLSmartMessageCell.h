#pragma once

#include "ui/conversation/PLChatMessageWithProfileImageCell.h"
#include "ui/conversation/PLChatWindowCellContent.h"
#include "ui/conversation/PLPendingRichMediaViewDelegate.h"

namespace pelnix {

class PLPendingMessageIndicatorView;
class PLPendingRichMediaView;
class PLSmartMessageInfo;

namespace platform::ui {
class Label;
}

// A smart message row: sender, the outbox state, and the message as plain text (the text of its
// rendered HTML, or its display name while that is not there). A picture post still on its way
// shows its upload view. The cell shows the stored message or a snapshot of one.
class PLSmartMessageCell : public PLChatMessageWithProfileImageCell, public PLPendingRichMediaViewDelegate {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("PLSmartMessageCell");

    explicit PLSmartMessageCell(QWidget* parent = nullptr);

    static qreal defaultCellHeight() { return 120; }
    // The plain text a row shows for its HTML.
    static QString plainTextForRow(const PLChatWindowCellContent& row);

    void loadCellFromSmartMessageInfo(const PLChatWindowCellContent& row);
    // What the cell shows, as a copy taken when it was filled: it keeps the rendering of that moment
    // when the message changes later.
    std::shared_ptr<PLSmartMessageInfo> currentDisplayedMessage() const { return m_smartMessageInfo; }
    // Shows (or hides) the mark of an older copy of an updated message.
    void setAsUpdated(bool updated, bool animated);
    // The same, after showing the copy's HTML again when `reload` is true.
    void setAsUpdated(bool updated, bool animated, bool reload);
    platform::ui::Label* staleMessageIndicatorView() const { return m_staleMark; }
    platform::ui::Label* bodyLabel() const { return m_bodyLabel; }
    PLPendingRichMediaView* pendingRichMediaView() const { return m_pendingRichMediaView; }
    void prepareForReuse() override;
    void retryOrCancelUploadFromRichMediaView(PLPendingRichMediaView* view) override;

signals:
    // The upload view's mark was tapped: stop the running upload or retry the stopped one.
    void uploadRetryOrCancelRequested(const std::shared_ptr<pelnix::Message>& message);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOut();

    PLChatWindowCellContent m_row;
    std::shared_ptr<PLSmartMessageInfo> m_smartMessageInfo;
    platform::ui::Label* m_userNameLabel;
    platform::ui::Label* m_bodyLabel;
    QWidget* m_pendingMessageView;
    PLPendingMessageIndicatorView* m_indicator = nullptr;
    PLPendingRichMediaView* m_pendingRichMediaView;
    platform::ui::Label* m_staleMark;
    QSizeF m_pictureSize;
};

} // namespace pelnix
