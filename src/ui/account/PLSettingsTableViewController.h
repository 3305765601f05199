#pragma once

#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "ui/account/PLAppLockSettingCell.h"
#include "ui/account/PLBaseTableTableViewController.h"

namespace pelnix {

// The settings screen: one row downloads the latest smart-message material (chatlet catalogue, then
// stylesheets, then forms, strictly in turn) and tells how many new chatlets came; when the host
// enabled the app-lock feature, a second row switches the lock on or off and resets the passcode.
class PLSettingsTableViewController : public PLBaseTableTableViewController,
                                      public platform::ui::TableViewDataSource,
                                      public platform::ui::TableViewDelegate,
                                      public PLAppLockSettingCellDelegate {
    Q_OBJECT
public:
    static constexpr qreal kHeaderHeight = 31;
    static constexpr qreal kRowHeight = 54;

    explicit PLSettingsTableViewController(QObject* parent = nullptr);

    qint64 chatletCountBeforeDownload() const { return m_countBefore; }

    void configuteNavigationBar();
    void addLeftBarButtonItems();
    void dismissSettingsView();
    void downloadChatlets();
    void downloadStyleSheets();
    void downloadFormJSONs();
    void showFailureMessage();

    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    QString titleForHeaderInSection(platform::ui::TableView* table, int section) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;
    qreal heightForHeaderInSection(platform::ui::TableView* table, int section) override;
    QWidget* viewForHeaderInSection(platform::ui::TableView* table, int section) override;
    void willDisplayCell(platform::ui::TableView* table, platform::ui::TableViewCell* cell,
                         const platform::ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;

    void appLockSettingCell(PLAppLockSettingCell* cell, bool didEnableOrDisableAppLock) override;
    void appLockSettingCellResetAppPinTapped(PLAppLockSettingCell* cell) override;
    void appLockScreenViewController(PLAppLockScreenViewController* controller,
                                     bool didFinishProcessing) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    // The download chain could not go on: the overlay goes and one alert says so.
    void downloadFailed();
    void reportNewChatlets();

    qint64 m_countBefore = 0;
};

} // namespace pelnix
