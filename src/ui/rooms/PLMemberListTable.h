#pragma once

#include "platform/NotificationCenter.h"
#include "platform/ui/TableView.h"

#include <QPointer>
#include <functional>

namespace pelnix {

// The table of a member list: a page filled by the table, whose rows are member cells under the
// list's reuse identifiers, and its bottom insets: the add-members bar's height, plus the keyboard's
// while it shows. Observes the keyboard between observe() and stopObserving() (no longer than it
// lives).
class PLMemberListTable {
public:
    explicit PLMemberListTable(std::function<double()> bottomBarHeight)
        : m_bottomBarHeight(std::move(bottomBarHeight)) {}
    ~PLMemberListTable() { stopObserving(); }
    PLMemberListTable(const PLMemberListTable&) = delete;
    PLMemberListTable& operator=(const PLMemberListTable&) = delete;

    // The list's page with its table (named `objectName`), whose data source and delegate are `list`.
    template <class List>
    QWidget* makePage(List* list, const QString& objectName, const char* identifier,
                      const char* identifierRTL) {
        QWidget* page = makePage(objectName, identifier, identifierRTL);
        m_table->setDataSource(list);
        m_table->setDelegate(list);
        return page;
    }
    platform::ui::TableView* tableView() const { return m_table; }
    void setTableView(platform::ui::TableView* table) { m_table = table; }
    // Content and indicator insets of (0, 0, bar height, 0).
    void adjust();
    void observe();
    void stopObserving();
    bool isObserving() const { return !m_tokens.isEmpty(); }

private:
    QWidget* makePage(const QString& objectName, const char* identifier, const char* identifierRTL);
    void keyboardWillShow(const QVariantMap& info);
    double barHeight() const { return m_bottomBarHeight ? m_bottomBarHeight() : 0; }

    std::function<double()> m_bottomBarHeight;
    QPointer<platform::ui::TableView> m_table;
    QList<platform::NotificationCenter::Token> m_tokens;
};

} // namespace pelnix
