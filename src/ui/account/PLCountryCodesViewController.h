#pragma once

#include "core/model/PLCountryInfo.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/toolkit/PLCustomSearchDelegate.h"
#include "ui/toolkit/PLCustomSearchView.h"

#include <QObject>
#include <QPointer>
#include <optional>

namespace pelnix {

// Lets the user pick the country, and so the dialling code, of a phone number. Opens with the
// country in use marked and in the middle; typing filters by the start of the name; Done or a pick
// made while searching (after 0.5 s) returns through the "done" segue, Cancel through "cancel".
//
// The choice is kept as a country, not as a row: filtering changes which rows are shown, never which
// country was chosen.
class PLCountryCodesViewController : public PLBaseViewController,
                                     public platform::ui::TableViewDataSource,
                                     public platform::ui::TableViewDelegate,
                                     public PLCustomSearchDelegate {
    Q_OBJECT
public:
    static constexpr qreal kRowHeight = 53;
    static constexpr int kSearchHeight = 44;
    static constexpr int kAutoDoneMs = 500;
    static constexpr qsizetype kNotFound = -1;

    explicit PLCountryCodesViewController(QObject* parent = nullptr);
    ~PLCountryCodesViewController() override;

    std::optional<PLCountryInfo> currentSelectedCountryInfo() const { return m_initial; }
    void setCurrentSelectedCountryInfo(const std::optional<PLCountryInfo>& country) { m_initial = country; }
    // The chosen country; nothing after a cancel or when none was chosen.
    std::optional<PLCountryInfo> selectedCountry() const;

    QList<PLCountryInfo> countryList() const { return m_shown; }
    QList<PLCountryInfo> unfliteredCountryList() const { return m_all; }
    // The row of the chosen country among the rows shown, or kNotFound.
    qsizetype currentSelectedIndex() const;
    bool isSearching() const { return m_searching; }
    bool isCancelled() const { return m_cancelled; }
    platform::ui::TableView* countryCodesTableView() const { return m_table; }
    PLCustomSearchView* searchView() const { return m_searchView; }
    QWidget* searchContainerView() const { return m_searchContainer; }
    platform::ui::BarButtonItem* doneButton() const { return m_done; }
    platform::ui::BarButtonItem* cancelButton() const { return m_cancel; }

    bool shouldPerformSegue(const QString& identifier, QObject* sender) override;

    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;
    void willDisplayCell(platform::ui::TableView* table, platform::ui::TableViewCell* cell,
                         const platform::ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;

    void searchTextFieldDidChange(PLCustomSearchTextField* textField) override;
    void searchViewCancelledSearch() override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    void layout();
    void setKeyboardInset(int bottom, double durationSeconds);
    QString cellIdentifier() const;

    std::optional<PLCountryInfo> m_initial;
    std::optional<PLCountryInfo> m_chosen;
    QList<PLCountryInfo> m_all;
    QList<PLCountryInfo> m_shown;
    bool m_searching = false;
    bool m_cancelled = false;
    QPointer<platform::ui::TableView> m_table;
    QPointer<PLCustomSearchView> m_searchView;
    QPointer<QWidget> m_searchContainer;
    QPointer<platform::ui::BarButtonItem> m_done;
    QPointer<platform::ui::BarButtonItem> m_cancel;
    QObject m_keyboardObservers;
};

} // namespace pelnix
