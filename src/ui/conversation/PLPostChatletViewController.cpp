#include "ui/conversation/PLPostChatletViewController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScreenRegistry.h"
#include "smart/FormJSONManagement.h"
#include "smart/PLChatletCategoryItems.h"
#include "ui/conversation/ConversationSmartLog.h"
#include "ui/conversation/PLAddressBookContactViewController.h"
#include "ui/conversation/PLChatletCategoryViewController.h"
#include "ui/conversation/PLChatletFormFieldView.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLChatletMessageBuilder.h"
#include "ui/conversation/PLChatletPickedValueFieldView.h"
#include "ui/conversation/PLLinkDisplayHelper.h"
#include "ui/conversation/PLLocationScreenInput.h"
#include "ui/conversation/SmartScreenSupport.h"
#include "ui/toolkit/PLSwipeViewController.h"

#include <QGridLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

namespace pelnix {

using SmartScreenSupport::text;
using SmartScreenSupport::topOf;

using platform::ui::BarButtonItem;
using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

QString locationSummary(const QVariantMap& location) {
    const QString name = location.value(QStringLiteral("locName")).toString();
    if (!name.isEmpty())
        return name;
    return QStringLiteral("%1, %2").arg(location.value(QStringLiteral("lat")).toString(),
                                        location.value(QStringLiteral("lng")).toString());
}

} // namespace

PLPostChatletViewController::PLPostChatletViewController(QObject* parent) : PLBaseViewController(parent) {}

void PLPostChatletViewController::configureWithMessageType(
    const QString& smartType, const QVariantMap& paramsDict, const QVariantMap& actionDict,
    const Message::Ptr& message, const std::optional<QVariantMap>& formJSONDict, int postChatletType) {
    m_smartType = smartType;
    m_params = paramsDict;
    m_action = actionDict;
    m_message = message;
    m_postChatletType = postChatletType;
    m_hasForm = formJSONDict.has_value() || postChatletType == Reply;
    m_form = formJSONDict.value_or(QVariantMap());
}

QWidget* PLPostChatletViewController::preferredFocusWidget() {
    if (showsPicker() && m_picker)
        return m_picker->preferredFocusWidget();
    return PLBaseViewController::preferredFocusWidget();
}

bool PLPostChatletViewController::showsPicker() const {
    return !m_hasForm;
}

QVariantMap PLPostChatletViewController::storedForm(const QString& name) {
    const auto stored = FormJSONManagement::formJSONWithName(name, QStringLiteral("form"));
    return stored ? QJsonDocument::fromJson(stored->data().toUtf8()).object().toVariantMap() : QVariantMap();
}

QVariantMap PLPostChatletViewController::composableCatalogue() {
    QVariantMap offered;
    const QVariantMap catalogue = PLChatletCategoryItems::cachedCatalogue();
    for (auto it = catalogue.begin(); it != catalogue.end(); ++it) {
        QVariantList chatlets;
        for (const QVariant& entry : it.value().toList()) {
            const QVariantMap chatlet = entry.toMap();
            const QVariantMap form = storedForm(chatlet.value(QStringLiteral("name")).toString());
            if (PLChatletMessageBuilder::canCompose(form.value(QStringLiteral("fields")).toList()))
                chatlets << chatlet;
        }
        if (!chatlets.isEmpty())
            offered.insert(it.key(), chatlets);
    }
    return offered;
}

QWidget* PLPostChatletViewController::loadView() {
    m_root = new QWidget;
    m_root->setObjectName(QStringLiteral("postChatletView"));
    m_root->setAutoFillBackground(true);
    QPalette palette = m_root->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_root->setPalette(palette);
    auto* layout = new QGridLayout(m_root);
    layout->setContentsMargins(0, 0, 0, 0);
    return m_root;
}

void PLPostChatletViewController::viewDidLoad() {
    ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(this);
    // The first screen of the composer closes it; a form pushed over the picker goes back to it.
    if (!navigationController() || navigationController()->viewControllers().value(0) == this) {
        auto* cancel = new BarButtonItem(text("Cancel"), [this] { cancelButtonTapped(); });
        cancel->setObjectName(QStringLiteral("cancelBarButtonItem"));
        ButtonAdditions::setDejavuTitleFont(cancel);
        navigationItem()->setLeftBarButtonItem(cancel);
    }
    if (showsPicker())
        buildPicker();
    else
        buildForm();
}

void PLPostChatletViewController::buildPicker() {
    if (title().isEmpty())
        setTitle(text("Chatlets"));
    const QVariantMap catalogue = composableCatalogue();
    if (catalogue.isEmpty()) {
        m_emptyLabel = new platform::ui::Label(text("No chatlets available."));
        m_emptyLabel->setObjectName(QStringLiteral("emptyLabel"));
        m_emptyLabel->setAlignment(Qt::AlignCenter);
        m_emptyLabel->setTextColor(QColor(0x8E, 0x8E, 0x93));
        m_emptyLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
        static_cast<QGridLayout*>(m_root->layout())->addWidget(m_emptyLabel, 0, 0);
        // The catalogue may not have come yet: the picker is built again when it does.
        QPointer<PLPostChatletViewController> self(this);
        PLChatletCategoryItems::updateChaletsWithCompletionHandler([self](bool replaced) {
            if (!self || !replaced || composableCatalogue().isEmpty())
                return;
            delete self->m_emptyLabel;
            self->buildPicker();
        });
        return;
    }
    QList<ViewController*> pages;
    QPointer<PLPostChatletViewController> self(this);
    for (auto it = catalogue.begin(); it != catalogue.end(); ++it)
        pages << new PLChatletCategoryViewController(it.key(), it.value().toList(),
                                                     [self](const QVariantMap& chatlet) {
                                                         if (self)
                                                             self->chatletPicked(chatlet);
                                                     });
    m_picker = new PLSwipeViewController(pages);
    m_picker->setSwipeViewType(0);
    addChildViewController(m_picker, m_root);
}

QVariantList PLPostChatletViewController::formFields() const {
    if (m_postChatletType != Reply)
        return m_form.value(QStringLiteral("fields")).toList();
    // A reply asks what the chatlet's compose link carries; an older link without its fields takes
    // them from the stored form and the chatlet's content.
    const QVariantList carried = m_action.value(QStringLiteral("fields")).toList();
    if (!carried.isEmpty())
        return carried;
    const QVariantMap content = m_message ? QJsonDocument::fromJson(m_message->text().toUtf8())
                                                .object()
                                                .value(QStringLiteral("content"))
                                                .toObject()
                                                .toVariantMap()
                                          : QVariantMap();
    return PLChatletMessageBuilder::replyFields(storedForm(m_smartType), content);
}

void PLPostChatletViewController::buildForm() {
    if (m_form.isEmpty() && m_postChatletType == New)
        m_form = storedForm(m_smartType);
    QString heading = m_form.value(QStringLiteral("displayname")).toString();
    if (heading.isEmpty())
        heading = m_params.value(QStringLiteral("displayname")).toString();
    if (title().isEmpty())
        setTitle(heading);
    m_formView = new PLChatletFormView;
    m_formView->setForm(m_postChatletType == Reply ? m_action.value(QStringLiteral("label")).toString()
                                                   : heading,
                        formFields());
    for (PLChatletFormFieldView* field : m_formView->fieldViews())
        if (auto* picked = qobject_cast<PLChatletPickedValueFieldView*>(field))
            picked->setPicker([this](PLChatletPickedValueFieldView* asking) { pickValue(asking); });
    static_cast<QGridLayout*>(m_root->layout())->addWidget(m_formView, 0, 0);
    m_send = new BarButtonItem(text("Send"), [this] { sendButtonTapped(); });
    m_send->setObjectName(QStringLiteral("sendBarButtonItem"));
    ButtonAdditions::setDejavuTitleFont(m_send);
    // A form too large to show has nothing to send.
    m_send->setEnabled(!m_formView->isTooLarge());
    navigationItem()->setRightBarButtonItem(m_send);
}

void PLPostChatletViewController::chatletPicked(const QVariantMap& chatlet) {
    const QString name = chatlet.value(QStringLiteral("name")).toString();
    const QVariantMap form = storedForm(name);
    NavigationController* navigation = navigationController();
    if (form.isEmpty() || !navigation) {
        showAlert(text("Failed"), PLLinkDisplayHelper::notAvailableText());
        return;
    }
    PLChatletCategoryItems::recordUseOfChatlet(name);
    auto* composer = new PLPostChatletViewController;
    composer->setPostChatletDelegate(m_postChatletDelegate.get());
    composer->configureWithMessageType(name, {}, {}, nullptr, form, New);
    navigation->pushViewController(composer, true);
}

QString PLPostChatletViewController::composedMessage() const {
    if (!m_formView || m_formView->isTooLarge() || m_formView->firstMissingRequiredField())
        return {};
    const QVariantMap values = m_formView->values();
    if (m_postChatletType == Reply) {
        const QString formId =
            m_message ? m_message->formId() : m_params.value(QStringLiteral("formid")).toString();
        return PLChatletMessageBuilder::replyJSON(m_smartType, formId, values);
    }
    return PLChatletMessageBuilder::newChatletJSON(
        m_smartType, m_form, values, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}

void PLPostChatletViewController::sendButtonTapped() {
    if (!m_formView || m_formView->isTooLarge())
        return;
    if (PLChatletFormFieldView* missing = m_formView->firstMissingRequiredField()) {
        showAlert(text("Failed"), text("Please fill in %1.").arg(missing->label()));
        return;
    }
    const QString message = composedMessage();
    PLPostChatletDelegate* delegate = m_postChatletDelegate.get();
    if (message.isEmpty() || !delegate) {
        qCWarning(lcConversationSmart) << "a composed chatlet has nowhere to go";
        showAlert(text("Failed"), text("Please try again."));
        return;
    }
    delegate->postChatletToChatWindow(message, m_postChatletType == Reply ? m_message : nullptr, {});
    rootAncestor()->dismissViewController(true);
}

void PLPostChatletViewController::cancelButtonTapped() {
    rootAncestor()->dismissViewController(true);
}

void PLPostChatletViewController::showAlert(const QString& title, const QString& message) {
    SmartScreenSupport::showAlert(this, title, message);
}

void PLPostChatletViewController::pickValue(PLChatletPickedValueFieldView* field) {
    auto* registry = ScreenRegistry::shared();
    if (field->isContact()) {
        ViewController* initial =
            registry->instantiate(PLAddressBookContactViewController::kStoryboard,
                                  PLAddressBookContactViewController::kNavigationIdentifier);
        auto* list = qobject_cast<PLAddressBookContactViewController*>(topOf(initial));
        if (!list) {
            delete initial;
            showAlert(text("Failed"), PLLinkDisplayHelper::notAvailableText());
            return;
        }
        m_pendingContactField = field;
        list->setShareContactDelegate(this);
        presentViewController(initial, true);
        return;
    }
    ViewController* initial =
        registry->instantiate(QLatin1String(kLocationStoryboard), kChooseLocationIdentifier);
    ViewController* chooser = topOf(initial);
    if (!chooser) {
        delete initial;
        showAlert(text("Failed"), PLLinkDisplayHelper::notAvailableText());
        return;
    }
    QPointer<PLChatletPickedValueFieldView> asking(field);
    chooser->setProperty(
        kChooseLocationCompletionProperty,
        QVariant::fromValue(PLChooseLocationCompletionHandler([asking](const QVariantMap& location) {
            // Cancel answers nothing and keeps what was picked before.
            if (asking && !location.isEmpty())
                asking->setPickedValue(location, locationSummary(location));
        })));
    presentViewController(initial, true);
}

void PLPostChatletViewController::selectedContact(const QVariantMap& contact, qint32) {
    if (m_pendingContactField)
        m_pendingContactField->setPickedValue(contact, contact.value(QStringLiteral("name")).toString());
    m_pendingContactField = nullptr;
}

} // namespace pelnix
