// The contact picker's entry field: filtering as the user types, addresses typed in by hand, the
// dimming overlay while the field is edited, and the list and action bar following the keyboard.
#include "ui/contacts/PLContactsViewController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/StringAdditions.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/BidiText.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/TextField.h"
#include "ui/contacts/ContactsUi.h"
#include "ui/contacts/PLNewlyAddedContactTableViewCell.h"

#include <utility>

namespace pelnix {

using ContactsUi::font;
using ContactsUi::localized;
using platform::ui::Animator;
using platform::ui::IndexPath;
using platform::ui::KeyboardMonitor;

namespace {

bool containsIgnoringCase(const QString& text, const QString& term) {
    return !text.isNull() && text.contains(term, Qt::CaseInsensitive);
}
} // namespace

void PLContactsViewController::configureAddContactTextField() {
    platform::ui::TextField* field = m_addContactsTextField;
    connect(field, &platform::ui::TextField::editingChanged, this,
            &PLContactsViewController::textFieldDidChange, Qt::UniqueConnection);
    connect(field, &platform::ui::TextField::editingDidBegin, this,
            &PLContactsViewController::textFieldDidBeginEditing, Qt::UniqueConnection);
    connect(field, &platform::ui::TextField::editingDidEnd, this,
            &PLContactsViewController::textFieldDidEndEditing, Qt::UniqueConnection);
    connect(field, &QLineEdit::returnPressed, this, &PLContactsViewController::textFieldShouldReturn,
            Qt::UniqueConnection);
    field->setShouldChangeCharacters([this](int start, int length, const QString& replacement) {
        return textFieldShouldChangeCharacters(start, length, replacement);
    });
    m_placeholderFont = font("DejaVuSans-ExtraLight", 15);
    field->setPlaceholder(localized("Type here to add manually"));
    field->setPlaceholderColor(CustomColors::colorFromHexString(QStringLiteral("0086ca")));
    field->setPlaceholderFont(m_placeholderFont);
    field->setFont(m_placeholderFont);
}

void PLContactsViewController::textFieldDidChange(const QString& text) {
    m_fieldTextLength = text.size();
    searchForMembersUsingSearchText(text);
    if (text.isEmpty())
        m_addContactsTextField->setFont(m_placeholderFont);
}

void PLContactsViewController::searchForMembersUsingSearchText(const QString& text) {
    if (text.isEmpty()) {
        m_isFiltered = false;
        reloadTable();
        m_searchText = QString();
        return;
    }
    m_isFiltered = true;
    m_filteredMembersArray = filteredMembersForSearchTerm(text);
    reloadTable();
    // Once something is typed the list under the field shows again.
    if (m_blurView)
        m_blurView->hide();
    m_searchText = text;
}

QList<PLPickerContact> PLContactsViewController::filteredMembersForSearchTerm(const QString& term) const {
    QList<PLPickerContact> found;
    for (const PLPickerContact& entry : m_addressBookContacts)
        if (containsIgnoringCase(entry.profileName(), term) || containsIgnoringCase(entry.email(), term) ||
            containsIgnoringCase(entry.phone(), term))
            found << entry;
    for (const QList<PLPickerContact>* list : {&m_pelnixContacts, &m_customAddressBookContactsArray})
        for (const PLPickerContact& contact : *list)
            if (containsIgnoringCase(contact.profileName(), term) ||
                containsIgnoringCase(contact.email(), term))
                found << contact;
    std::stable_sort(found.begin(), found.end(), [](const PLPickerContact& a, const PLPickerContact& b) {
        return QString::localeAwareCompare(a.profileName().toCaseFolded(), b.profileName().toCaseFolded()) <
               0;
    });
    return found;
}

void PLContactsViewController::searchCancelled() {
    if (m_blurView)
        m_blurView->hide();
    m_isFiltered = false;
    reloadTable();
}

bool PLContactsViewController::textFieldShouldChangeCharacters(int, int length, const QString& replacement) {
    // The field asks with its text already changed: the length before is the one last seen.
    const qsizetype newLength = m_fieldTextLength + replacement.size() - length;
    if (newLength == 1)
        m_addContactsTextField->setFont(font("DejaVuSans", 15));
    else if (newLength == 0)
        m_addContactsTextField->setFont(font("DejaVuSans-ExtraLight", 15));
    return true;
}

bool PLContactsViewController::textFieldShouldReturn() {
    // Return is the field's "+": a keyboard has no other way to add, and the field keeps the keys for
    // the next address. With nothing typed there is nothing to add, and nothing to tell.
    if (m_addContactsTextField->text().isEmpty())
        return false;
    addTypedAddress(false);
    return true;
}

void PLContactsViewController::textFieldDidBeginEditing() {
    // What the field shows is what "+" adds: Return ends editing and leaves a typed address there, the
    // list filtered by it.
    const QString shown = m_addContactsTextField->text();
    m_searchText = shown.isEmpty() ? QString() : shown;
    showAddContactButton(true);
    // The overlay answers the user's move into the field: keys the field takes as the page shows leave
    // the list in view, and its first click chooses a row.
    if (std::exchange(m_fieldFocusedByUser, true))
        configureBlurView();
}

void PLContactsViewController::textFieldDidEndEditing() {
    if (m_isAddContactButtonShown)
        showAddContactButton(false);
    m_addContactsTextField->setFont(m_placeholderFont);
    if (m_blurView)
        m_blurView->hide();
}

void PLContactsViewController::showAddContactButton(bool show) {
    m_isAddContactButtonShown = show;
    Animator::animateProperty(m_addContactsTextField, "geometry", addContactsTextFieldFrame(show),
                              kAddButtonMs);
    // The hidden button lies over the field's end: from the moment it starts to fade it lets the
    // clicks through to the field, and once faded it is taken off the screen.
    platform::ui::Button* button = m_addNewContactButton;
    button->setAttribute(Qt::WA_TransparentForMouseEvents, !show);
    if (show)
        button->show();
    QPointer<PLContactsViewController> self(this);
    Animator::animateAlpha(button, show ? 1 : 0, kAddButtonMs, [self](bool) {
        if (self && !self->m_isAddContactButtonShown && self->m_addNewContactButton)
            self->m_addNewContactButton->hide();
    });
}

void PLContactsViewController::configureBlurView() {
    if (!m_blurView) {
        m_blurView = new QWidget(view());
        m_blurView->setObjectName(QStringLiteral("blurView"));
        m_blurView->setAutoFillBackground(true);
        QPalette palette = m_blurView->palette();
        palette.setColor(QPalette::Window, Qt::black);
        m_blurView->setPalette(palette);
        Animator::setAlpha(m_blurView, 0.5);
        auto* tap =
            new platform::ui::TapGestureRecognizer([this](platform::ui::GestureRecognizer* recognizer) {
                if (recognizer->state() == platform::ui::GestureRecognizer::State::Ended)
                    blurViewTapped();
            });
        tap->setParent(m_blurView);
        tap->addToView(m_blurView);
    }
    m_blurView->setGeometry(m_contactsTableView->geometry());
    m_blurView->show();
    m_blurView->raise();
    m_bottomView->raise();
}

void PLContactsViewController::blurViewTapped() {
    if (m_blurView)
        m_blurView->hide();
    endEditing();
}

void PLContactsViewController::addContactsButtonTapped() {
    addTypedAddress(true);
}

void PLContactsViewController::addTypedAddress(bool endsEditing) {
    // The address as its row shows it and its invitation goes to it.
    const QString text = platform::BidiText::withoutControls(m_searchText);
    if (!StringAdditions::isValidEmailAddress(text)) {
        showAlert(localized("Alert"), localized("Please enter valid Email"));
        return;
    }
    if (endsEditing)
        endEditing();
    const PLPickerContact typed =
        PLPickerContact::fromAddressBook(PLAddressBookContact{text, text, QString(), 0});
    if (contactAlreadyAddedOrSelectedForEmail(text)) {
        showAlert(localized("Alert"), localized("Contact already added"));
        return;
    }
    // A listed contact with this very address is chosen in place of a typed one; a contact whose
    // address merely contains the text is not it, and one already chosen is not chosen twice.
    const QList<PLPickerContact> found = filteredMembersForSearchTerm(text);
    const auto listed =
        std::find_if(found.cbegin(), found.cend(), [this, &text](const PLPickerContact& contact) {
            return contact.email().compare(text, Qt::CaseInsensitive) == 0 &&
                   !m_selectedContactsArray.contains(contact);
        });
    if (listed != found.cend()) {
        m_selectedContactsArray << *listed;
        reloadTable();
        configureBottotmView();
        adjustTableViewContentInset();
        return;
    }
    m_newlyAddedContactsArray << typed;
    m_selectedContactsArray << typed;
    m_isFiltered = false;
    reloadTable();
    configureBottotmView();
    adjustTableViewContentInset();
    m_addContactsTextField->setText(QString());
    m_fieldTextLength = 0;
}

bool PLContactsViewController::contactAlreadyAddedOrSelectedForEmail(const QString& email) const {
    // Addresses differ only in letter case are the same mailbox to the people who type them.
    const auto same = [&email](const PLPickerContact& contact) {
        return !contact.email().isEmpty() && contact.email().compare(email, Qt::CaseInsensitive) == 0;
    };
    return std::any_of(m_newlyAddedContactsArray.cbegin(), m_newlyAddedContactsArray.cend(), same) ||
           std::any_of(m_selectedContactsArray.cbegin(), m_selectedContactsArray.cend(), same);
}

void PLContactsViewController::newlyAddedContactRemovedFromCell(PLNewlyAddedContactTableViewCell* cell) {
    const auto path = m_contactsTableView->indexPathForCell(cell);
    if (!path || !hasTypedAddressSection() || path->section != 0 ||
        path->row >= m_newlyAddedContactsArray.size())
        return;
    removeContactAndUpdate(m_newlyAddedContactsArray.at(path->row), *path);
}

void PLContactsViewController::removeContactAndUpdate(const PLPickerContact& contact, const IndexPath& path) {
    // Empty addresses and numbers never match: a typed address has no number.
    const auto matches = [&contact](const PLPickerContact& chosen) {
        if (!contact.email().isEmpty() && chosen.email() == contact.email())
            return true;
        return contact.isAddressBookContact() && chosen.isAddressBookContact() &&
               !contact.phone().isEmpty() && chosen.phone() == contact.phone();
    };
    qsizetype index = -1;
    for (qsizetype i = 0; i < m_selectedContactsArray.size(); ++i)
        if (matches(m_selectedContactsArray.at(i)))
            index = i;
    if (index < 0)
        return;
    m_selectedContactsArray.removeAt(index);
    m_newlyAddedContactsArray.removeOne(contact);
    platform::ui::TableView* table = m_contactsTableView;
    table->performBatchUpdates([&] {
        if (!m_newlyAddedContactsArray.isEmpty())
            table->deleteRows({path});
        else
            table->deleteSections({0});
    });
    configureBottotmView();
    adjustTableViewContentInset();
}

void PLContactsViewController::keyboardWillShow(const platform::Notification& notification) {
    const QRectF begin = notification.userInfo.value(KeyboardMonitor::kFrameBeginKey).toRectF();
    m_keyboardHeight = qint64(begin.height());
    m_isKeyboardShown = true;
    adjustTableViewContentInset();
    if (!m_selectedContactsArray.isEmpty())
        updateBottomViewFrame(notification);
}

void PLContactsViewController::keyboardWillHide(const platform::Notification& notification) {
    m_isKeyboardShown = false;
    adjustTableViewContentInset();
    if (!m_selectedContactsArray.isEmpty())
        updateBottomViewFrame(notification);
}

void PLContactsViewController::updateBottomViewFrame(const platform::Notification& notification) {
    if (!isViewLoaded())
        return;
    const int durationMs =
        qRound(notification.userInfo.value(KeyboardMonitor::kDurationKey).toDouble() * 1000.0);
    qreal bottom = view()->height();
    if (notification.name == KeyboardMonitor::kWillShow)
        bottom -= notification.userInfo.value(KeyboardMonitor::kFrameEndKey).toRectF().height();
    setBottomViewBottom(bottom, durationMs);
}

void PLContactsViewController::adjustTableViewContentInset() {
    if (!isViewLoaded())
        return;
    platform::ui::TableView* table = m_contactsTableView;
    const bool chosen = !m_selectedContactsArray.isEmpty();
    QMargins insets;
    if (m_isKeyboardShown) {
        const int uncovered = view()->height() - table->geometry().bottom() - 1;
        insets.setBottom(int(m_keyboardHeight) - uncovered + (chosen ? kBottomViewHeight : 0));
    } else {
        insets.setBottom(chosen ? kBottomViewHeight : 0);
        insets.setTop(table->contentInset().top());
    }
    table->setContentInset(insets);
    table->setScrollIndicatorInsets(insets);
}

} // namespace pelnix
