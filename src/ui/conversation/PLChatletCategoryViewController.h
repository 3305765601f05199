#pragma once

#include "platform/ui/TableView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "platform/ui/ViewController.h"

#include <QPointer>
#include <QVariantList>
#include <functional>

class QKeyEvent;

namespace pelnix {

namespace platform::ui {
class TableView;
}

// One page of the chatlet picker: the chatlets of a catalogue category, each with its description.
// From the keyboard, the list shows the row the keys are on; Up and Down move it and Return picks it.
class PLChatletCategoryViewController : public platform::ui::ViewController,
                                        public platform::ui::TableViewDataSource,
                                        public platform::ui::TableViewDelegate {
    Q_OBJECT
public:
    static constexpr qreal kRowHeight = 60;
    using PickHandler = std::function<void(const QVariantMap& chatlet)>;

    PLChatletCategoryViewController(const QString& category, const QVariantList& chatlets, PickHandler picked,
                                    QObject* parent = nullptr);

    QVariantList chatlets() const { return m_chatlets; }
    platform::ui::TableView* tableView() const { return m_table; }
    // The list: Up, Down and Return work on it at once.
    QWidget* preferredFocusWidget() override;

    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;

protected:
    QWidget* loadView() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Puts the keys' mark on `row` (kept within the list) and shows it.
    void markRow(int row);
    void unmarkRow();
    bool keyPressed(const QKeyEvent* event);

    int m_keyRow = 0;
    QVariantList m_chatlets;
    PickHandler m_picked;
    QPointer<platform::ui::TableView> m_table;
};

} // namespace pelnix
