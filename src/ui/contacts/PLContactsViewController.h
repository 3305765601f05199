#pragma once

#include "platform/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/IndexPath.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "platform/ui/TextField.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/contacts/PLAddressBookSections.h"
#include "ui/contacts/PLContactsTableViewCellDelegate.h"
#include "ui/contacts/PLNewlyAddedContactTableViewCellDelegate.h"
#include "ui/contacts/PLPickerContact.h"

#include <QFont>
#include <QHash>
#include <QImage>
#include <QLoggingCategory>
#include <QPointer>
#include <QRect>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

namespace pelnix {

Q_DECLARE_LOGGING_CATEGORY(lcContactPicker)

class PLContactsTableViewCell;

namespace platform::ui {
class BarButtonItem;
} // namespace platform::ui

// The contact picker ("Home"/"PLContactsNavigationController", the picker at the top of that
// navigation controller): the people a user may choose for a new conversation, a new group or a room
// that gets more members. It merges the device address book, the service's active users and the
// host's contacts (as the host's contact options choose) into one indexed list, leaving out the
// people already in the room or chosen and the signed-in user; the field above the list filters it
// and takes e-mail addresses that no source offers.
//
// Other screens reach it through the screen registry and Qt's meta-object system only:
// - a caller configures it with the invokable configureWithAddedContacts(QVariantList added, QObject*
//   delegate, bool addMore) before presenting its navigation controller. `added` holds users and
//   room members (std::shared_ptr<User>, std::shared_ptr<RoomMember>), pending invitees
//   ({"name", "type"} maps), address-book entries (PLAddressBookContact) and host contacts
//   (PLPelnixContact).
// - the delegate hears, when it has the invokable: contactViewControllerAddedContacts(QObject* picker,
//   QVariantList contacts) in add-more mode (contacts as std::shared_ptr<User>, PLAddressBookContact or
//   PLPelnixContact, in the order chosen), and openChatRoomWithID(QString roomID) for the room to open.
// - the new group screen ("PLNewGroupNavigationController") and the member editor
//   ("PLNewGroupMembersViewController") are configured through Qt properties of their top screen:
//   "selectedContactsArray" (QVariantList), "delegate" (QObject*, new group only),
//   "shouldShowAddMoreMembersOption" (false, editor only), and "newGroupViewCompletionHandler" /
//   "editedGroupMembersCompletionHandler" (a PLContactsViewController::ContactsHandler that hands the
//   list back). The new group screen reports a created group through the picker's invokable
//   dismissPresentingViewControllerAndOpenChatRoom(QString roomID).
class PLContactsViewController : public PLBaseViewController,
                                 public platform::ui::TableViewDataSource,
                                 public platform::ui::TableViewDelegate,
                                 public PLContactsTableViewCellDelegate,
                                 public PLNewlyAddedContactTableViewCellDelegate {
    Q_OBJECT
public:
    // Receives a list of contacts handed back (the new group screen's cancel, the editor's done).
    using ContactsHandler = std::function<void(const QVariantList& contacts)>;

    // The host's contact options.
    enum ContactSource : quint64 { AddressBookSource = 1, ActiveUsersSource = 2, HostSource = 4 };
    // Kinds of exclusion test of a host contact.
    enum ExclusionType : int { EmailExclusion = 0, PhoneExclusion = 1 };

    static constexpr int kEntryRowHeight = 50;
    static constexpr int kBottomViewHeight = 50;
    static constexpr int kAddButtonWidth = 25;
    static constexpr qreal kLetterHeaderHeight = 28;
    // The index shows once the address book offers more entries than this, and narrows the rows.
    static constexpr int kIndexThreshold = 30;
    static constexpr int kSectionIndexWidth = 15;
    static constexpr qint64 kAddressBookReadDelayMs = 500;
    static constexpr int kBarTitleMs = 100;
    static constexpr int kBarSlideMs = 500;
    static constexpr int kAddButtonMs = 300;

    static inline const QString kStoryboard = QStringLiteral("Home");
    static inline const QString kNavigationIdentifier = QStringLiteral("PLContactsNavigationController");
    static inline const QString kNewGroupIdentifier = QStringLiteral("PLNewGroupNavigationController");
    static inline const QString kMembersEditorIdentifier = QStringLiteral("PLNewGroupMembersViewController");
    static inline const QString kContactsCellIdentifier = QStringLiteral("PLContactsCell");
    static inline const QString kNewlyAddedCellIdentifier = QStringLiteral("PLNewlyAddedContactCell");

    explicit PLContactsViewController(QObject* parent = nullptr);
    ~PLContactsViewController() override;

    Q_INVOKABLE void configureWithAddedContacts(const QVariantList& addedContacts, QObject* delegate,
                                                bool isPresentedToAddMoreContacts);
    // The new group flow created a group: the picker and the flow go, and the room is opened.
    Q_INVOKABLE void dismissPresentingViewControllerAndOpenChatRoom(const QString& roomID);

    // What the screen holds now.
    QVariantList addedContactsArray() const { return m_addedContactsArray; }
    QObject* delegate() const { return m_delegate; }
    bool isPresentedToAddMoreContacts() const { return m_isPresentedToAddMoreContacts; }
    QList<PLPickerContact> selectedContactsArray() const { return m_selectedContactsArray; }
    QList<PLPickerContact> addressBookContacts() const { return m_addressBookContacts; }
    QList<PLPickerContact> pelnixContacts() const { return m_pelnixContacts; }
    QList<PLPickerContact> customAddressBookContactsArray() const { return m_customAddressBookContactsArray; }
    QList<PLPickerContact> filteredMembersArray() const { return m_filteredMembersArray; }
    QList<PLPickerContact> newlyAddedContactsArray() const { return m_newlyAddedContactsArray; }
    QList<QList<PLPickerContact>> sections() const { return m_sections; }
    QStringList sectionTitles() const { return m_sectionTitles; }
    QVariantMap addedUsersEmailsAndPhones() const { return m_addedUsersEmailsAndPhones; }
    bool isFiltered() const { return m_isFiltered; }
    QString searchText() const { return m_searchText; }
    bool isKeyboardShown() const { return m_isKeyboardShown; }
    qint64 keyboardHeight() const { return m_keyboardHeight; }
    bool isAddContactButtonShown() const { return m_isAddContactButtonShown; }
    bool isBlurViewShown() const;
    // Whether the picker waits for the service's contact list or for the address book.
    bool isWaitingForContacts() const { return m_waitingForContacts; }
    bool isReadingAddressBook() const { return m_readingAddressBook; }
    // The photo of the address-book person at thumbnail size, once the book's photos are read.
    QImage addressBookThumbnail(qint32 recordID) const;
    QFont placeholderFont() const { return m_placeholderFont; }

    platform::ui::TableView* contactsTableView() const { return m_contactsTableView; }
    QWidget* bottomView() const { return m_bottomView; }
    platform::ui::Button* startConversationButton() const { return m_startConversationButton; }
    platform::ui::Button* editButton() const { return m_editButton; }
    platform::ui::TextField* addContactsTextField() const { return m_addContactsTextField; }
    platform::ui::Button* addNewContactButton() const { return m_addNewContactButton; }
    QWidget* blurView() const { return m_blurView; }

    // Sources and list.
    void loadContactsBasedOnShowContactOptions();
    void loadContacts();
    void loadCustomAndLocalContactsBasedOnShowContactOptions();
    void refreshActivePelnixContacts();
    void contactsFetchedNotification();
    // {"email": [...], "phone": [digit strings]}: the people handed over and the signed-in user.
    QVariantMap addedUserEmailsAndPhones() const;
    void loadCustomContacts();
    bool checkIfCustomContactShouldBeAdded(const PLPelnixContact& contact, int type) const;
    void loadAddressBookContacts();
    void syncWithAddressBookContacts();
    void arrangeContactsIntoSections();
    PLPickerContact contactForIndexPath(const platform::ui::IndexPath& path) const;
    bool hasTypedAddressSection() const;
    bool isSectionIndexShown() const;
    platform::ui::BarButtonItem* cancelBarButtonItem();
    void cancelButtonClicked();

    // Choice and actions.
    void configureCellSelectionAtIndexPath(const platform::ui::IndexPath& path);
    void configureBottotmView();
    void startConversationButtonClicked();
    void openOneToOneChatRoom();
    void editButtonTapped();
    // What the new group screen and the member editor hand back.
    void returnedContacts(const QVariantList& contacts);

    // Entry field, typed addresses and keyboard.
    void searchForMembersUsingSearchText(const QString& text);
    QList<PLPickerContact> filteredMembersForSearchTerm(const QString& term) const;
    void searchCancelled();
    void addContactsButtonTapped();
    bool contactAlreadyAddedOrSelectedForEmail(const QString& email) const;
    void newlyAddedContactRemovedFromCell(PLNewlyAddedContactTableViewCell* cell) override;
    void removeContactAndUpdate(const PLPickerContact& contact, const platform::ui::IndexPath& path);
    void showAddContactButton(bool show);
    void configureBlurView();
    void blurViewTapped();
    void keyboardWillShow(const platform::Notification& notification);
    void keyboardWillHide(const platform::Notification& notification);
    void updateBottomViewFrame(const platform::Notification& notification);
    void adjustTableViewContentInset();
    void textFieldDidChange(const QString& text);
    void textFieldDidBeginEditing();
    bool textFieldShouldChangeCharacters(int start, int length, const QString& replacement);
    bool textFieldShouldReturn();
    void textFieldDidEndEditing();

    // Table data source and delegate.
    int numberOfSectionsInTableView(platform::ui::TableView* table) override;
    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    QString titleForHeaderInSection(platform::ui::TableView* table, int section) override;
    qreal heightForHeaderInSection(platform::ui::TableView* table, int section) override;
    QWidget* viewForHeaderInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;
    QStringList sectionIndexTitlesForTableView(platform::ui::TableView* table) override;
    int sectionForSectionIndexTitle(platform::ui::TableView* table, const QString& title, int index) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The typed address, as "+" adds it; Return adds it too, and leaves the keys in the field.
    void addTypedAddress(bool endsEditing);
    void configureNavigationItems();
    void configureAddContactTextField();
    void registerToNotifications();
    void layoutPicker();
    // Where the entry field lies: narrower by the add button's room while the button shows, that
    // room at its trailing end.
    QRect addContactsTextFieldFrame(bool addButtonShown) const;
    void placeBottomViewButtons();
    // Tab reaches the action bar's buttons only while the bar is up; keys on one as it leaves go back
    // to the typed-address field.
    void setBottomViewInReach(bool inReach);
    void setBottomViewBottom(qreal bottom, int durationMs);
    void setBusy(bool& flag, bool busy);
    void reloadTable();
    void showAlert(const QString& title, const QString& message);
    // The picker's own contact (current offer, choice or typed) that `value` describes; else a new one.
    PLPickerContact contactForReturnedValue(const QVariant& value) const;
    QVariantList selectedContactsAsVariants() const;
    // Presents a screen of the picker's storyboard that takes the choice (new group, member editor).
    bool presentHandOff(const QString& identifier, const QVariantMap& properties);
    // The block that takes a handed-back list as the choice.
    QVariant returnHandler();
    bool delegateResponds(const char* signature) const;
    void readAddressBook(bool granted);
    // The width of a row's address in a view that wide, with or without the section index beside it.
    static qreal rowTextWidth(qreal viewWidth, bool sectionIndexShown);

    // Configuration.
    QVariantList m_addedContactsArray;
    QPointer<QObject> m_delegate;
    bool m_isPresentedToAddMoreContacts = false;

    // Offer and choice.
    QList<PLPickerContact> m_selectedContactsArray;
    QList<PLPickerContact> m_addressBookContacts;
    QList<PLPickerContact> m_pelnixContacts;
    QList<PLPickerContact> m_customAddressBookContactsArray;
    QList<PLPickerContact> m_filteredMembersArray;
    QList<PLPickerContact> m_newlyAddedContactsArray;
    QList<QList<PLPickerContact>> m_sections;
    QStringList m_sectionTitles;
    QVariantMap m_addedUsersEmailsAndPhones;
    bool m_isFiltered = false;
    QString m_searchText;
    bool m_isKeyboardShown = false;
    qint64 m_keyboardHeight = 0;
    bool m_isAddContactButtonShown = false;
    QFont m_placeholderFont;
    qsizetype m_fieldTextLength = 0;
    // Whether the field's latest keys came from the user's own move into it (a click, Tab), not
    // from the page showing or the window activating.
    bool m_fieldFocusedByUser = true;
    // The book's part of the list and thumbnails, read with it; which read is the latest.
    PLAddressBookSections m_bookSections;
    QHash<qint32, QImage> m_thumbnails;
    quint64 m_addressBookReads = 0;

    // Busy indicator owners: each flag is set while this picker keeps the indicator up for it.
    bool m_waitingForContacts = false;
    bool m_readingAddressBook = false;
    platform::NotificationCenter::Token m_contactsObserver = 0;

    // Views.
    QPointer<platform::ui::TableView> m_contactsTableView;
    QPointer<QWidget> m_bottomView;
    QPointer<platform::ui::Button> m_startConversationButton;
    QPointer<platform::ui::Button> m_editButton;
    QPointer<platform::ui::TextField> m_addContactsTextField;
    QPointer<platform::ui::Button> m_addNewContactButton;
    QPointer<QWidget> m_entryLine;
    QPointer<QWidget> m_blurView;
};

} // namespace pelnix
