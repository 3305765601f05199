#include "ui/rooms/PLMemberListTable.h"

#include "platform/ui/KeyboardMonitor.h"
#include "ui/rooms/PLMembersTableViewCell.h"

#include <QVBoxLayout>

namespace pelnix {

using platform::NotificationCenter;
using platform::ui::KeyboardMonitor;

QWidget* PLMemberListTable::makePage(const QString& objectName, const char* identifier,
                                     const char* identifierRTL) {
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    m_table = new platform::ui::TableView(page);
    m_table->setObjectName(objectName);
    layout->addWidget(m_table);
    for (const char* id : {identifier, identifierRTL}) {
        const QString name = QString::fromLatin1(id);
        m_table->registerCell(name, [name] { return new PLMembersTableViewCell(name); });
    }
    return page;
}

void PLMemberListTable::adjust() {
    if (!m_table)
        return;
    const QMargins insets(0, 0, 0, int(barHeight()));
    m_table->setContentInset(insets);
    m_table->setScrollIndicatorInsets(insets);
}

void PLMemberListTable::keyboardWillShow(const QVariantMap& info) {
    if (!m_table)
        return;
    const QRect begin = info.value(KeyboardMonitor::kFrameBeginKey).toRect();
    const QMargins insets(0, m_table->contentInset().top(), 0, begin.height() + int(barHeight()));
    m_table->setContentInset(insets);
    m_table->setScrollIndicatorInsets(insets);
}

void PLMemberListTable::observe() {
    if (!m_tokens.isEmpty())
        return;
    auto* center = NotificationCenter::defaultCenter();
    m_tokens << center->addObserver(KeyboardMonitor::kWillShow, [this](const platform::Notification& n) {
        keyboardWillShow(n.userInfo);
    });
    m_tokens << center->addObserver(KeyboardMonitor::kWillHide,
                                    [this](const platform::Notification&) { adjust(); });
}

void PLMemberListTable::stopObserving() {
    for (const auto token : std::exchange(m_tokens, {}))
        NotificationCenter::defaultCenter()->removeObserver(token);
}

} // namespace pelnix
