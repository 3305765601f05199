// The contact picker's list: typed addresses first, then the letter sections, or the search result;
// the letter headers, the section index and the row heights.
#include "ui/contacts/PLContactsViewController.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/DeviceInfo.h"
#include "foundation/ui/LabelAdditions.h"
#include "platform/ui/TableView.h"
#include "ui/contacts/PLAddressBookSections.h"
#include "ui/contacts/PLContactsLayout.h"
#include "ui/contacts/PLContactsSectionHeaderView.h"
#include "ui/contacts/PLContactsTableViewCell.h"
#include "ui/contacts/PLNewlyAddedContactTableViewCell.h"

namespace pelnix {

using platform::ui::IndexPath;
using platform::ui::TableView;
using platform::ui::TableViewCell;

namespace {
QString withLayoutSuffix(const QString& identifier) {
    return DeviceInfo::currentLocaleIsOfRTLType() ? identifier + QStringLiteral("RTL") : identifier;
}
} // namespace

bool PLContactsViewController::hasTypedAddressSection() const {
    return !m_isFiltered && !m_newlyAddedContactsArray.isEmpty();
}

bool PLContactsViewController::isSectionIndexShown() const {
    return !m_isFiltered && m_addressBookContacts.size() > kIndexThreshold;
}

PLPickerContact PLContactsViewController::contactForIndexPath(const IndexPath& path) const {
    if (m_isFiltered)
        return path.section == 0 ? m_filteredMembersArray.value(path.row) : PLPickerContact();
    if (!m_newlyAddedContactsArray.isEmpty()) {
        if (path.section == 0)
            return m_newlyAddedContactsArray.value(path.row);
        return m_sections.value(path.section - 1).value(path.row);
    }
    return m_sections.value(path.section).value(path.row);
}

int PLContactsViewController::numberOfSectionsInTableView(TableView*) {
    if (m_isFiltered)
        return 1;
    return int(m_sections.size()) + (hasTypedAddressSection() ? 1 : 0);
}

int PLContactsViewController::numberOfRowsInSection(TableView*, int section) {
    if (m_isFiltered)
        return section == 0 ? int(m_filteredMembersArray.size()) : 0;
    if (hasTypedAddressSection()) {
        if (section == 0)
            return int(m_newlyAddedContactsArray.size());
        --section;
    }
    return int(m_sections.value(section).size());
}

QString PLContactsViewController::titleForHeaderInSection(TableView*, int section) {
    if (m_isFiltered)
        return {};
    if (hasTypedAddressSection()) {
        if (section == 0)
            return {};
        --section;
    }
    return m_sectionTitles.value(section);
}

qreal PLContactsViewController::heightForHeaderInSection(TableView* table, int section) {
    return titleForHeaderInSection(table, section).isEmpty() ? 0 : kLetterHeaderHeight;
}

QWidget* PLContactsViewController::viewForHeaderInSection(TableView* table, int section) {
    const QString title = titleForHeaderInSection(table, section);
    if (title.isEmpty())
        return nullptr;
    auto* header = qobject_cast<PLContactsSectionHeaderView*>(
        table->dequeueReusableView(PLContactsSectionHeaderView::kReuseIdentifier));
    if (header)
        header->setTitle(title);
    return header;
}

TableViewCell* PLContactsViewController::cellForRowAtIndexPath(TableView* table, const IndexPath& path) {
    const bool typed = hasTypedAddressSection() && path.section == 0;
    TableViewCell* cell = table->dequeueReusableCell(
        withLayoutSuffix(typed ? kNewlyAddedCellIdentifier : kContactsCellIdentifier));
    const PLPickerContact contact = contactForIndexPath(path);
    if (auto* row = qobject_cast<PLContactsTableViewCell*>(cell)) {
        switch (contact.kind()) {
        case PLPickerContact::Kind::User:
            row->configureCellWithUser(contact.user());
            break;
        case PLPickerContact::Kind::AddressBook:
            row->configureCellWithAddressBookContact(contact.toVariant().value<PLAddressBookContact>());
            break;
        case PLPickerContact::Kind::Host:
            row->configureCellWithAddressBookContact(contact.toVariant().value<PLPelnixContact>());
            break;
        case PLPickerContact::Kind::None:
            break;
        }
        row->showContactAsSelected(m_selectedContactsArray.contains(contact));
    } else if (auto* typedRow = qobject_cast<PLNewlyAddedContactTableViewCell*>(cell)) {
        typedRow->configureWithEmailOrPhone(contact.email(), this);
    }
    return cell;
}

qreal PLContactsViewController::rowTextWidth(qreal viewWidth, bool sectionIndexShown) {
    return viewWidth - PLWidthConstant - (sectionIndexShown ? kSectionIndexWidth : 0);
}

qreal PLContactsViewController::heightForRowAtIndexPath(TableView*, const IndexPath& path) {
    const qreal width = rowTextWidth(view()->width(), isSectionIndexShown());
    const PLPickerContact contact = contactForIndexPath(path);
    const QString email = contact.email();
    // A list asks every row's height at each reload: the book's rows were measured with the book.
    const bool measured =
        width == m_bookSections.textWidth && contact.isAddressBookContact() && contact.recordID() != 0;
    const bool tall =
        measured ? m_bookSections.tallAddresses.contains(email) : PLAddressBookSections::isTall(email, width);
    return tall ? PLCellHeight + 12 : PLCellHeight;
}

QStringList PLContactsViewController::sectionIndexTitlesForTableView(TableView*) {
    return isSectionIndexShown() ? m_sectionTitles : QStringList();
}

int PLContactsViewController::sectionForSectionIndexTitle(TableView*, const QString& title, int) {
    const int position = int(m_sectionTitles.indexOf(title));
    return position + (hasTypedAddressSection() ? 1 : 0);
}

} // namespace pelnix
