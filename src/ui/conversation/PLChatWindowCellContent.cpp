#include "ui/conversation/PLChatWindowCellContent.h"

#include "core/model/Message.h"
#include "core/model/User.h"
#include "smart/PLSmartMessageInfo.h"
#include "ui/conversation/PLDateMessage.h"
#include "ui/conversation/PLUnreadCountMessage.h"

namespace pelnix {

namespace {
template <class... Fs> struct Visitor : Fs... { using Fs::operator()...; };
template <class... Fs> Visitor(Fs...) -> Visitor<Fs...>;
} // namespace

QDate chatWindowDayOfDate(qint64 milliseconds) {
    // Whole seconds, truncated towards zero, as the day of a row is defined.
    return QDateTime::fromSecsSinceEpoch(milliseconds / 1000).toLocalTime().date();
}

PLChatWindowCellContent::PLChatWindowCellContent(std::shared_ptr<Message> message) {
    if (message)
        m_row = std::move(message);
}

PLChatWindowCellContent::PLChatWindowCellContent(std::shared_ptr<PLSmartMessageInfo> snapshot) {
    if (snapshot)
        m_row = std::move(snapshot);
}

PLChatWindowCellContent::PLChatWindowCellContent(std::shared_ptr<PLDateMessage> date) {
    if (date)
        m_row = std::move(date);
}

PLChatWindowCellContent::PLChatWindowCellContent(std::shared_ptr<PLUnreadCountMessage> separator) {
    if (separator)
        m_row = std::move(separator);
}

bool PLChatWindowCellContent::isNull() const {
    return std::holds_alternative<std::monostate>(m_row);
}

const void* PLChatWindowCellContent::identity() const {
    return std::visit(Visitor{[](std::monostate) -> const void* { return nullptr; },
                              [](const auto& row) -> const void* { return row.get(); }},
                      m_row);
}

qint16 PLChatWindowCellContent::type() const {
    return std::visit(Visitor{[](std::monostate) -> qint16 { return 0; },
                              [](const auto& row) -> qint16 { return row->type(); }},
                      m_row);
}

qint16 PLChatWindowCellContent::state() const {
    return std::visit(Visitor{[](std::monostate) -> qint16 { return 1; },
                              [](const auto& row) -> qint16 { return row->state(); }},
                      m_row);
}

bool PLChatWindowCellContent::isStale() const {
    return std::visit(
        Visitor{[](std::monostate) { return true; }, [](const auto& row) { return row->isStale(); }}, m_row);
}

qint64 PLChatWindowCellContent::date() const {
    if (const auto m = message())
        return m->date();
    if (const auto d = dateMessage())
        return d->date();
    if (const auto s = smartMessageInfo())
        return s->smartMessage() ? s->smartMessage()->date() : 0;
    return 0;
}

QDate PLChatWindowCellContent::day() const {
    if (const auto d = dateMessage())
        return d->dateMessage().toLocalTime().date();
    return chatWindowDayOfDate(date());
}

qint16 PLChatWindowCellContent::displayCellHeight() const {
    return std::visit(Visitor{[](std::monostate) -> qint16 { return 0; },
                              [](const auto& row) -> qint16 { return row->displayCellHeight(); }},
                      m_row);
}

void PLChatWindowCellContent::setDisplayCellHeight(qint16 height) {
    std::visit(
        Visitor{[](std::monostate) {}, [height](const auto& row) { row->setDisplayCellHeight(height); }},
        m_row);
}

QString PLChatWindowCellContent::displayText() const {
    if (const auto m = message())
        return m->displayText();
    if (const auto u = unreadCountMessage())
        return u->displayText();
    return {};
}

std::shared_ptr<User> PLChatWindowCellContent::senderUser() const {
    if (const auto m = message())
        return m->senderUser();
    if (const auto s = smartMessageInfo())
        return s->senderUser();
    return {};
}

std::shared_ptr<Message> PLChatWindowCellContent::message() const {
    const auto* p = std::get_if<std::shared_ptr<Message>>(&m_row);
    return p ? *p : nullptr;
}

std::shared_ptr<PLSmartMessageInfo> PLChatWindowCellContent::smartMessageInfo() const {
    const auto* p = std::get_if<std::shared_ptr<PLSmartMessageInfo>>(&m_row);
    return p ? *p : nullptr;
}

std::shared_ptr<PLDateMessage> PLChatWindowCellContent::dateMessage() const {
    const auto* p = std::get_if<std::shared_ptr<PLDateMessage>>(&m_row);
    return p ? *p : nullptr;
}

std::shared_ptr<PLUnreadCountMessage> PLChatWindowCellContent::unreadCountMessage() const {
    const auto* p = std::get_if<std::shared_ptr<PLUnreadCountMessage>>(&m_row);
    return p ? *p : nullptr;
}

} // namespace pelnix
