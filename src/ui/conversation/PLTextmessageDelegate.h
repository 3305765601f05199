#pragma once

#include <QUrl>

namespace pelnix {

class PLChatMessageCell;

// Receives the links tapped in a text message cell; the cell never opens them itself.
class PLTextmessageDelegate {
public:
    virtual ~PLTextmessageDelegate() = default;
    virtual void cellDidTapOnLinkWithURL(PLChatMessageCell* cell, const QUrl& url) = 0;
};

} // namespace pelnix
