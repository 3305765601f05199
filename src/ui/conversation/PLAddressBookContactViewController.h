#pragma once

#include "core/model/PLAddressBookContact.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/toolkit/PLCustomSearchDelegate.h"
#include "ui/toolkit/PLCustomSearchView.h"

#include <QList>
#include <QPointer>

namespace pelnix {

namespace platform::ui {
class BarButtonItem;
class TableView;
} // namespace platform::ui
class PLCustomSearchView;

// The share-contact list: the address book's people in alphabetical sections (an index beside them
// from 31 people on), searchable by the beginning of their names. A row opens the person's detail,
// which hands the shared contact to the share-contact delegate.
class PLAddressBookContactViewController : public PLBaseViewController,
                                           public platform::ui::TableViewDataSource,
                                           public platform::ui::TableViewDelegate,
                                           public PLCustomSearchDelegate {
    Q_OBJECT
public:
    static inline const QString kStoryboard = QStringLiteral("Chatlets");
    static inline const QString kIdentifier = QStringLiteral("PLAddressBookContactViewController");
    static inline const QString kNavigationIdentifier =
        QStringLiteral("PLAddressBookContactNavigationController");
    static inline const QString kDetailSegue = QStringLiteral("ContactDetailSegue");
    // The section index shows from this many people on.
    static constexpr int kIndexThreshold = 31;
    static constexpr qreal kHeaderHeight = 28;
    static constexpr int kSearchBarSlideMs = 400;

    explicit PLAddressBookContactViewController(QObject* parent = nullptr);
    ~PLAddressBookContactViewController() override;

    // Any object; the contact reaches it only when it adopts PLShareContactDelegate.
    QObject* shareContactDelegate() const { return m_shareContactDelegate; }
    void setShareContactDelegate(QObject* delegate) { m_shareContactDelegate = delegate; }

    QList<PLAddressBookContact> addressBookContacts() const { return m_addressBookContacts; }
    QList<QList<PLAddressBookContact>> sections() const { return m_sections; }
    QStringList sectionTitles() const { return m_sectionTitles; }
    bool isFiltered() const { return m_isFiltered; }
    QList<PLAddressBookContact> filteredContacts() const { return m_filteredContactsArray; }
    platform::ui::TableView* contactsTableView() const { return m_contactsTableView; }
    PLCustomSearchView* searchView() const { return m_searchView; }
    // True from asking for access until the book, read off the main thread, is shown or access is
    // refused.
    bool isReadingAddressBook() const { return m_readingAddressBook; }

    PLAddressBookContact contactForIndexPath(const platform::ui::IndexPath& path) const;
    QList<PLAddressBookContact> filteredContactsArray(const QString& text) const;
    void fetchContacts();
    void arrangeAddressBookContactsIntoSections();
    void showSearchBar();
    void hideSearchBar();
    void dismissController();

    // TableViewDataSource
    int numberOfSectionsInTableView(platform::ui::TableView* table) override;
    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    QString titleForHeaderInSection(platform::ui::TableView* table, int section) override;
    QStringList sectionIndexTitlesForTableView(platform::ui::TableView* table) override;
    int sectionForSectionIndexTitle(platform::ui::TableView* table, const QString& title, int index) override;
    // TableViewDelegate
    qreal heightForHeaderInSection(platform::ui::TableView* table, int section) override;
    QWidget* viewForHeaderInSection(platform::ui::TableView* table, int section) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;
    // PLCustomSearchDelegate
    void searchTextFieldDidChange(PLCustomSearchTextField* textField) override;
    void searchViewCancelledSearch() override;

    void prepareForSegue(platform::ui::StoryboardSegue& segue, QObject* sender) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    void keyboardChanged(const platform::Notification& note, bool showing);
    void slideSearchBarAway();
    QRect searchBarFrame(bool shown) const;

    QPointer<QObject> m_shareContactDelegate;
    QPointer<platform::ui::TableView> m_contactsTableView;
    QPointer<platform::ui::BarButtonItem> m_cancelBarButtonItem;
    QList<PLAddressBookContact> m_addressBookContacts;
    bool m_readingAddressBook = false;
    bool m_showsReadIndicator = false;
    QList<QList<PLAddressBookContact>> m_sections;
    QStringList m_sectionTitles;
    QPointer<PLCustomSearchView> m_searchView;
    bool m_isFiltered = false;
    QList<PLAddressBookContact> m_filteredContactsArray;
    // The row whose detail the segue opens.
    std::optional<platform::ui::IndexPath> m_selected;
    QList<platform::NotificationCenter::Token> m_keyboardObservers;
};

} // namespace pelnix
