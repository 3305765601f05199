#include "ui/conversation/PLContactDetailViewController.h"

#include "core/model/PLAddressBookHelper.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/TableView.h"
#include "ui/conversation/PLContactDetailCell.h"
#include "ui/conversation/PLShareContactDelegate.h"
#include "ui/toolkit/Geometry.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLRoundImageView.h"

#include "ui/conversation/SmartScreenSupport.h"

#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVBoxLayout>

namespace pelnix {

using SmartScreenSupport::text;
using SmartScreenSupport::topOf;

using platform::ui::IndexPath;
using platform::ui::TableView;

namespace {

constexpr int kHeaderHeight = 96;
constexpr int kPictureSide = 64;

const QVariantList kNoEntries;

} // namespace

PLContactDetailViewController::PLContactDetailViewController(QObject* parent)
    : PLBaseViewController(parent) {}

PLContactDetailViewController::~PLContactDetailViewController() {
    // Its read will land with nobody to show it to.
    if (m_readingPerson)
        PLActivityIndicatorView::dismiss();
}

void PLContactDetailViewController::configureWithContactRecordID(qint32 recordID, QObject* delegate) {
    m_recordID = recordID;
    m_shareContactDelegate = delegate;
}

QWidget* PLContactDetailViewController::loadView() {
    auto* root = new QWidget;
    root->setObjectName(QStringLiteral("contactDetailView"));
    root->setAutoFillBackground(true);
    QPalette palette = root->palette();
    palette.setColor(QPalette::Window, Qt::white);
    root->setPalette(palette);
    auto* column = new QVBoxLayout(root);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_header = new QWidget;
    m_header->setObjectName(QStringLiteral("contactHeader"));
    m_header->setFixedHeight(kHeaderHeight);
    m_header->installEventFilter(this);
    m_contactImageView = new PLRoundImageView(m_header);
    m_contactImageView->setObjectName(QStringLiteral("contactImageView"));
    m_contactImageView->setRound(true);
    m_contactImageView->setBackgroundColor(QColor(0xE5, 0xE5, 0xEA));
    m_nameLabel = new platform::ui::Label({}, m_header);
    m_nameLabel->setObjectName(QStringLiteral("nameLabel"));
    m_nameLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), 18));
    m_nameLabel->setTextColor(QColor(0x22, 0x22, 0x22));
    column->addWidget(m_header);
    m_contactDetailtableView = new TableView;
    m_contactDetailtableView->setObjectName(QStringLiteral("contactDetailtableView"));
    m_contactDetailtableView->registerCell(PLContactDetailCell::reuseIdentifierForLocale(),
                                           [] { return new PLContactDetailCell; });
    column->addWidget(m_contactDetailtableView, 1);
    return root;
}

void PLContactDetailViewController::viewDidLoad() {
    loadContactDetails();
    m_doneBarButtonItem = new platform::ui::BarButtonItem(platform::ui::BarButtonItem::SystemItem::Done,
                                                          [this] { doneButtonTapped(); });
    m_doneBarButtonItem->setTitle(text("Done"));
    m_doneBarButtonItem->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_doneBarButtonItem->setObjectName(QStringLiteral("doneBarButtonItem"));
    navigationItem()->setRightBarButtonItem(m_doneBarButtonItem);
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    layOutHeader();
}

void PLContactDetailViewController::loadContactDetails() {
    m_contactDetailtableView->setDataSource(this);
    m_contactDetailtableView->setDelegate(this);
    m_readingPerson = true;
    PLActivityIndicatorView::show();
    // A big book takes seconds to read: the person is read on the reading thread.
    QPointer<PLContactDetailViewController> self(this);
    PLAddressBookHelper::readPerson(m_recordID, this, [self](const PLAddressBookHelper::PersonShown& person) {
        self->m_readingPerson = false;
        PLActivityIndicatorView::dismiss();
        self->m_emailsArray = person.details.value(QStringLiteral("email")).toList();
        self->m_phonesArray = person.details.value(QStringLiteral("phone")).toList();
        self->m_selectedEmailIndexSet.clear();
        self->m_selectedPhonesIndexSet.clear();
        if (self->m_contactDetailtableView)
            self->m_contactDetailtableView->reloadData();
        if (!person.thumbnail.isNull() && self->m_contactImageView)
            self->m_contactImageView->setImage(person.thumbnail);
        if (self->m_nameLabel)
            self->m_nameLabel->setText(person.name);
    });
}

bool PLContactDetailViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_header &&
        (event->type() == QEvent::Resize || event->type() == QEvent::LayoutDirectionChange))
        layOutHeader();
    return PLBaseViewController::eventFilter(watched, event);
}

// Picture and name from the leading edge, in the header's own direction.
void PLContactDetailViewController::layOutHeader() {
    if (!m_header)
        return;
    const int width = m_header->width();
    const QRect picture(15, (kHeaderHeight - kPictureSide) / 2, kPictureSide, kPictureSide);
    Geometry::placeInReadingOrder(m_contactImageView, picture);
    Geometry::placeInReadingOrder(
        m_nameLabel, QRect(picture.right() + 16, 0, qMax(0, width - picture.right() - 31), kHeaderHeight));
    m_nameLabel->setAlignment(Geometry::leadingAlignment(m_header->isRightToLeft()) | Qt::AlignVCenter);
}

// Phones first when there are any, then e-mail addresses; no section for a kind without entries.
const QVariantList& PLContactDetailViewController::listForSection(int section) const {
    if (section == 0)
        return !m_phonesArray.isEmpty() ? m_phonesArray : m_emailsArray;
    if (section == 1 && !m_phonesArray.isEmpty())
        return m_emailsArray;
    return kNoEntries;
}

int PLContactDetailViewController::fieldTypeAtIndexPath(const IndexPath& path) const {
    return path.section == 0 && !m_phonesArray.isEmpty() ? PLContactDetailCell::Phone
                                                         : PLContactDetailCell::Email;
}

QVariantMap PLContactDetailViewController::contactDetailsDictionaryAtIndexPath(const IndexPath& path) const {
    return listForSection(path.section).value(path.row).toMap();
}

QString PLContactDetailViewController::fieldValueAtIndexPath(const IndexPath& path) const {
    const QVariantMap entry = contactDetailsDictionaryAtIndexPath(path);
    return entry.contains(QStringLiteral("email")) ? entry.value(QStringLiteral("email")).toString()
                                                   : entry.value(QStringLiteral("phone")).toString();
}

QString PLContactDetailViewController::typeLabelAtIndexPath(const IndexPath& path) const {
    return contactDetailsDictionaryAtIndexPath(path).value(QStringLiteral("label")).toString();
}

QSet<int>& PLContactDetailViewController::selectionForType(int type) {
    return type == PLContactDetailCell::Phone ? m_selectedPhonesIndexSet : m_selectedEmailIndexSet;
}

const QSet<int>& PLContactDetailViewController::selectionForType(int type) const {
    return type == PLContactDetailCell::Phone ? m_selectedPhonesIndexSet : m_selectedEmailIndexSet;
}

bool PLContactDetailViewController::isSelectedAtIndexPath(const IndexPath& path) const {
    return selectionForType(fieldTypeAtIndexPath(path)).contains(path.row);
}

int PLContactDetailViewController::numberOfSectionsInTableView(TableView*) {
    return int(!m_phonesArray.isEmpty()) + int(!m_emailsArray.isEmpty());
}

int PLContactDetailViewController::numberOfRowsInSection(TableView*, int section) {
    return int(listForSection(section).size());
}

platform::ui::TableViewCell* PLContactDetailViewController::cellForRowAtIndexPath(TableView* table,
                                                                                  const IndexPath& path) {
    auto* cell = static_cast<PLContactDetailCell*>(
        table->dequeueReusableCell(PLContactDetailCell::reuseIdentifierForLocale()));
    cell->configureWithEmailOrPhone(fieldValueAtIndexPath(path), typeLabelAtIndexPath(path),
                                    fieldTypeAtIndexPath(path));
    cell->showContactAsSelected(isSelectedAtIndexPath(path));
    cell->setSeparatorColor(CustomColors::chatRoomsTableViewSeparatorColor());
    return cell;
}

qreal PLContactDetailViewController::heightForRowAtIndexPath(TableView*, const IndexPath&) {
    return PLContactDetailCell::kHeight;
}

void PLContactDetailViewController::didSelectRowAtIndexPath(TableView* table, const IndexPath& path) {
    table->deselectRow(path, true);
    if (path.row >= listForSection(path.section).size())
        return;
    QSet<int>& selection = selectionForType(fieldTypeAtIndexPath(path));
    const bool ticked = !selection.contains(path.row);
    if (ticked)
        selection.insert(path.row);
    else
        selection.remove(path.row);
    if (auto* cell = qobject_cast<PLContactDetailCell*>(table->cellForRowAtIndexPath(path)))
        cell->showContactAsSelected(ticked);
}

QVariantMap PLContactDetailViewController::sharedContactRecord() const {
    const QString name = m_nameLabel ? m_nameLabel->text() : QString();
    QJsonObject person{{QStringLiteral("name"), name}};
    // Ticked entries in the order of the person's list, whatever order they were ticked in.
    const auto ticked = [](const QVariantList& list, const QSet<int>& selection, const QString& key) {
        QList<int> positions(selection.begin(), selection.end());
        std::sort(positions.begin(), positions.end());
        QJsonArray entries;
        for (int position : positions) {
            if (position >= list.size())
                continue;
            const QVariantMap entry = list.at(position).toMap();
            entries.append(
                QJsonObject{{QStringLiteral("label"), entry.value(QStringLiteral("label")).toString()},
                            {key, entry.value(key).toString()}});
        }
        return entries;
    };
    const QJsonArray emails = ticked(m_emailsArray, m_selectedEmailIndexSet, QStringLiteral("email"));
    const QJsonArray phones = ticked(m_phonesArray, m_selectedPhonesIndexSet, QStringLiteral("phone"));
    if (!emails.isEmpty())
        person.insert(QStringLiteral("email"), emails);
    if (!phones.isEmpty())
        person.insert(QStringLiteral("phone"), phones);
    return {{QStringLiteral("pl"), QString::fromUtf8(QJsonDocument(person).toJson(QJsonDocument::Indented))},
            {QStringLiteral("name"), name}};
}

void PLContactDetailViewController::doneButtonTapped() {
    if (m_selectedEmailIndexSet.isEmpty() && m_selectedPhonesIndexSet.isEmpty()) {
        auto* alert = new platform::ui::AlertView(
            text("Failed"), text("Please select at least one contact info to be shared."), text("OK"), {});
        alert->show(window());
        return;
    }
    if (auto* delegate = dynamic_cast<PLShareContactDelegate*>(m_shareContactDelegate.data()))
        delegate->selectedContact(sharedContactRecord(), m_recordID);
    rootAncestor()->dismissViewController(true);
}

} // namespace pelnix
