// The contact picker's set-up, life cycle, layout and navigation bar.
#include "ui/contacts/PLContactsViewController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/MainThread.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "ui/contacts/ContactsUi.h"
#include "ui/contacts/PLContactsSectionHeaderView.h"
#include "ui/contacts/PLContactsTableViewCell.h"
#include "ui/contacts/PLNewlyAddedContactTableViewCell.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLCustomSeparatorView.h"

#include <QResizeEvent>
#include <QStyle>

Q_LOGGING_CATEGORY(pelnix::lcContactPicker, "pelnix.ui.contacts.picker", QtWarningMsg)

namespace pelnix {

using ContactsUi::font;
using ContactsUi::localized;
using platform::ui::Animator;
using platform::ui::BarButtonItem;
using platform::ui::Button;
using platform::ui::TableView;
using platform::ui::TextField;

namespace {
constexpr int kFieldMargin = 10;
constexpr int kFieldTop = 8;
constexpr int kFieldHeight = 34;
constexpr int kAddButtonSide = 22;

} // namespace

PLContactsViewController::PLContactsViewController(QObject* parent) : PLBaseViewController(parent) {
    Q_ASSERT(platform::isMainThread());
}

PLContactsViewController::~PLContactsViewController() {
    platform::NotificationCenter::defaultCenter()->removeObservers(this);
    // A picker that goes while it keeps the busy indicator up must not leave it over the window.
    if (m_waitingForContacts || m_readingAddressBook)
        PLActivityIndicatorView::dismiss();
}

void PLContactsViewController::configureWithAddedContacts(const QVariantList& addedContacts,
                                                          QObject* delegate,
                                                          bool isPresentedToAddMoreContacts) {
    Q_ASSERT(platform::isMainThread());
    m_addedContactsArray = addedContacts;
    m_delegate = delegate;
    m_isPresentedToAddMoreContacts = isPresentedToAddMoreContacts;
}

bool PLContactsViewController::isBlurViewShown() const {
    return m_blurView && !m_blurView->isHidden();
}

QWidget* PLContactsViewController::loadView() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("contactsView"));
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, Qt::white);
    page->setPalette(palette);

    m_addContactsTextField = new TextField(page);
    m_addContactsTextField->setObjectName(QStringLiteral("addContactsTextField"));
    m_addContactsTextField->setInsets(QMargins(8, 0, 8, 0));
    m_addNewContactButton = new Button(page);
    m_addNewContactButton->setObjectName(QStringLiteral("addNewContactButton"));
    m_addNewContactButton->setTitle(QStringLiteral("+"));
    m_addNewContactButton->setTitleFont(font("DejaVuSans", 17));
    m_addNewContactButton->setTitleColor(Qt::white);
    m_addNewContactButton->setBackgroundColor(CustomColors::pelnixBlueColor());
    m_addNewContactButton->setCornerRadius(kAddButtonSide / 2.0);
    // Tapping it must not take the focus from the field, so the typed text stays the search text.
    m_addNewContactButton->setFocusPolicy(Qt::NoFocus);
    // Shown only while the field is edited (it lies over the field's end).
    Animator::setAlpha(m_addNewContactButton, 0);
    m_addNewContactButton->hide();
    connect(m_addNewContactButton, &Button::clicked, this,
            &PLContactsViewController::addContactsButtonTapped);
    m_entryLine = new PLCustomSeparatorView(page);
    m_entryLine->setObjectName(QStringLiteral("entryLine"));

    m_contactsTableView = new TableView(page);
    m_contactsTableView->setObjectName(QStringLiteral("contactsTableView"));
    m_contactsTableView->setShowsSeparators(false);

    m_bottomView = new QWidget(page);
    m_bottomView->setObjectName(QStringLiteral("bottomView"));
    m_bottomView->setAutoFillBackground(true);
    QPalette bar = m_bottomView->palette();
    bar.setColor(QPalette::Window, CustomColors::pelnixBlueColor());
    m_bottomView->setPalette(bar);
    m_startConversationButton = new Button(m_bottomView);
    m_startConversationButton->setObjectName(QStringLiteral("startConversationButton"));
    m_startConversationButton->setTitleColor(Qt::white);
    // Room above and below the title keeps the ring Tab draws off it.
    m_startConversationButton->setContentEdgeInsets(QMargins(10, 5, 10, 5));
    connect(m_startConversationButton, &Button::clicked, this,
            &PLContactsViewController::startConversationButtonClicked);
    m_editButton = new Button(m_bottomView);
    m_editButton->setObjectName(QStringLiteral("editButton"));
    m_editButton->setTitle(localized("Edit"));
    m_editButton->setTitleColor(Qt::white);
    m_editButton->setContentEdgeInsets(QMargins(10, 5, 10, 5));
    connect(m_editButton, &Button::clicked, this, &PLContactsViewController::editButtonTapped);
    setBottomViewInReach(false);
    return page;
}

void PLContactsViewController::viewDidLoad() {
    PLBaseViewController::viewDidLoad();
    registerToNotifications();
    m_selectedContactsArray.clear();

    TableView* table = m_contactsTableView;
    table->setDataSource(this);
    table->setDelegate(this);
    for (const QString& suffix : {QString(), QStringLiteral("RTL")}) {
        table->registerCell(kContactsCellIdentifier + suffix, [this, suffix] {
            auto* cell = new PLContactsTableViewCell(kContactsCellIdentifier + suffix);
            QPointer<PLContactsViewController> self(this);
            cell->setThumbnailSource(
                [self](qint32 recordID) { return self ? self->addressBookThumbnail(recordID) : QImage(); });
            return cell;
        });
        table->registerCell(kNewlyAddedCellIdentifier + suffix, [suffix] {
            return new PLNewlyAddedContactTableViewCell(kNewlyAddedCellIdentifier + suffix);
        });
    }
    table->registerReuseFactory(PLContactsSectionHeaderView::kReuseIdentifier,
                                [] { return new PLContactsSectionHeaderView; });

    loadContactsBasedOnShowContactOptions();
    setTitle(localized("Contacts"));
    navigationItem()->setTitle(title());
    view()->installEventFilter(this);
    layoutPicker();
    // The action bar waits below the visible area until something is chosen.
    m_bottomView->move(0, view()->height());
    configureNavigationItems();
    m_editButton->hide();
    m_startConversationButton->setTitleFont(font("DejaVuSans", 15));
    m_editButton->setTitleFont(font("DejaVuSans", 15));
    configureAddContactTextField();
    m_addContactsTextField->installEventFilter(this);
    m_addContactsTextField->setAccessibleName(localized("Type here to add manually"));
}

void PLContactsViewController::viewWillAppear(bool animated) {
    PLBaseViewController::viewWillAppear(animated);
    // Presentation may come after the view was loaded; the Cancel button depends on it.
    configureNavigationItems();
    if (m_selectedContactsArray.isEmpty()) {
        m_contactsTableView->setContentInset({});
        m_contactsTableView->setScrollIndicatorInsets({});
    } else {
        adjustTableViewContentInset();
    }
    reloadTable();
}

void PLContactsViewController::viewDidAppear(bool animated) {
    PLBaseViewController::viewDidAppear(animated);
    takeKeysOnAppearing();
}

bool PLContactsViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_addContactsTextField && event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        m_fieldFocusedByUser = reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
                               reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
    }
    if (watched == view() && event->type() == QEvent::LayoutDirectionChange) {
        layoutPicker();
        placeBottomViewButtons();
    }
    if (watched == view() && event->type() == QEvent::Resize) {
        const auto* resize = static_cast<QResizeEvent*>(event);
        const int oldHeight = resize->oldSize().height();
        // The bar keeps its state: below the view while nothing is chosen, else on its bottom (or
        // on the keyboard).
        const bool barIn = m_bottomView && oldHeight > 0 && m_bottomView->y() < oldHeight;
        layoutPicker();
        if (m_bottomView) {
            const int height = view()->height();
            m_bottomView->move(0, barIn ? height - kBottomViewHeight -
                                              (m_isKeyboardShown ? int(m_keyboardHeight) : 0)
                                        : height);
            placeBottomViewButtons();
        }
    }
    return PLBaseViewController::eventFilter(watched, event);
}

void PLContactsViewController::layoutPicker() {
    QWidget* page = view();
    const int width = page->width();
    const int height = page->height();
    m_addContactsTextField->setGeometry(addContactsTextFieldFrame(m_isAddContactButtonShown));
    // "+" at the field's trailing end: the right, or the left right to left.
    m_addNewContactButton->setGeometry(QStyle::visualRect(
        page->layoutDirection(), page->rect(),
        QRect(width - kFieldMargin - kAddButtonSide, kFieldTop + (kFieldHeight - kAddButtonSide) / 2,
              kAddButtonSide, kAddButtonSide)));
    m_entryLine->setGeometry(0, kEntryRowHeight - 1, width, 1);
    m_contactsTableView->setGeometry(0, kEntryRowHeight, width, qMax(0, height - kEntryRowHeight));
    if (m_blurView)
        m_blurView->setGeometry(m_contactsTableView->geometry());
    m_bottomView->resize(width, kBottomViewHeight);
    m_bottomView->raise();
}

QRect PLContactsViewController::addContactsTextFieldFrame(bool addButtonShown) const {
    const QWidget* page = m_addContactsTextField->parentWidget();
    const int fieldWidth = page->width() - 2 * kFieldMargin - (addButtonShown ? kAddButtonWidth : 0);
    return QStyle::visualRect(page->layoutDirection(), page->rect(),
                              QRect(kFieldMargin, kFieldTop, qMax(0, fieldWidth), kFieldHeight));
}

void PLContactsViewController::configureNavigationItems() {
    navigationItem()->setLeftBarButtonItem(cancelBarButtonItem());
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
}

BarButtonItem* PLContactsViewController::cancelBarButtonItem() {
    if (!navigationController() || !presentingViewController())
        return nullptr;
    auto* button = new Button;
    button->setObjectName(QStringLiteral("cancelButton"));
    button->setTitle(localized("Cancel"));
    button->setTitleFont(font("DejaVuSans", 15));
    button->setTitleColor(CustomColors::pelnixBlueColor());
    // Tab reaches it, as the bar's other buttons; a click leaves the keys in the field. The room
    // around its title keeps the ring Tab draws off the letters.
    button->setFocusPolicy(Qt::TabFocus);
    button->setContentEdgeInsets(QMargins(6, 5, 6, 5));
    button->setMinimumWidth(64);
    connect(button, &Button::clicked, this, &PLContactsViewController::cancelButtonClicked);
    return new BarButtonItem(static_cast<QWidget*>(button));
}

void PLContactsViewController::cancelButtonClicked() {
    endEditing();
    dismissViewController(true);
}

void PLContactsViewController::registerToNotifications() {
    auto* center = platform::NotificationCenter::defaultCenter();
    using platform::ui::KeyboardMonitor;
    center->addObserver(
        KeyboardMonitor::kWillShow, [this](const platform::Notification& n) { keyboardWillShow(n); }, this);
    center->addObserver(
        KeyboardMonitor::kWillHide, [this](const platform::Notification& n) { keyboardWillHide(n); }, this);
}

void PLContactsViewController::setBusy(bool& flag, bool busy) {
    if (busy) {
        flag = true;
        PLActivityIndicatorView::show();
        return;
    }
    if (!std::exchange(flag, false))
        return;
    if (!m_waitingForContacts && !m_readingAddressBook)
        PLActivityIndicatorView::dismiss();
}

void PLContactsViewController::reloadTable() {
    if (m_contactsTableView)
        m_contactsTableView->reloadData();
}

void PLContactsViewController::showAlert(const QString& title, const QString& message) {
    auto* alert = new platform::ui::AlertView(title, message, localized("OK"), {});
    alert->show(window());
}

bool PLContactsViewController::delegateResponds(const char* signature) const {
    return m_delegate && m_delegate->metaObject()->indexOfMethod(
                             QMetaObject::normalizedSignature(signature).constData()) >= 0;
}

} // namespace pelnix
