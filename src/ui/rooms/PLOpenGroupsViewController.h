#pragma once

#include "interface/PelnixGroup.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/rooms/PLAddToOpenGroupDelegate.h"

#include <QPointer>
#include <functional>
#include <memory>

namespace pelnix {

class PLPublicRoom;

// The public ("open") groups that the server offers: a join button on each row, and a joined group
// handed back to the host as a PelnixGroup when its row is tapped. The list is fetched 0.5 s after
// every appearance; a failed fetch is retried at once until three have failed over the screen's life,
// after which each failure says "Please try again later." and nothing is retried.
class PLOpenGroupsViewController : public PLBaseViewController,
                                   public platform::ui::TableViewDataSource,
                                   public platform::ui::TableViewDelegate,
                                   public PLAddToOpenGroupDelegate {
    Q_OBJECT
public:
    static constexpr qint64 kLoadDelayMs = 500;
    static constexpr qint64 kAllowedFailures = 3;

    explicit PLOpenGroupsViewController(QObject* parent = nullptr);
    ~PLOpenGroupsViewController() override;

    // The screen whose view was loaded last; made from the registry when there is none.
    static PLOpenGroupsViewController* sharedOpenGroupControllerInstance();

    QList<std::shared_ptr<PLPublicRoom>> openGroups() const { return m_openGroups; }
    // Replaces the groups shown (the fetch does it on success).
    void setOpenGroups(const QList<std::shared_ptr<PLPublicRoom>>& groups);
    std::shared_ptr<PLPublicRoom> selectedPublicGroup() const { return m_selectedPublicGroup; }
    void setPublicGroupsCompletionHandler(std::function<void(const PelnixGroup&)> handler) {
        m_publicGroupsCompletionHandler = std::move(handler);
    }
    // Kept for the host's sake; never called.
    void setOpenGroupsCompletionHandler(std::function<void()> handler) {
        m_openGroupsCompletionHandler = std::move(handler);
    }
    qint64 noOfTriesToGetOpenGroups() const { return m_noOfTries; }
    platform::ui::TableView* tableView() const { return m_tableView; }

    void loadOpenGroups();
    void reloadOpenGroups();
    void joinPublicGroup(PLOpenGroupTableViewCell* cell) override;
    void openSelectedPublicGroup();
    void showAlert(const QString& message);
    void showFailureMessage();
    void dismissOpenGroupsView();

    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    void configuteTableView();
    void configuteNavigationBar();
    void addLeftBarButtonItems();
    int indexOfGroup(const QString& groupID) const;
    void joinFinished(const std::shared_ptr<PLPublicRoom>& group, bool success);

    QList<std::shared_ptr<PLPublicRoom>> m_openGroups;
    std::shared_ptr<PLPublicRoom> m_selectedPublicGroup;
    std::function<void(const PelnixGroup&)> m_publicGroupsCompletionHandler;
    std::function<void()> m_openGroupsCompletionHandler;
    QPointer<platform::ui::TableView> m_tableView;
    qint64 m_noOfTries = 0;
};

} // namespace pelnix
