#pragma once

#include "core/model/Message.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLChatletPickedValueFieldView.h"
#include "ui/conversation/PLPostChatletDelegate.h"
#include "ui/conversation/PLShareContactDelegate.h"
#include "ui/toolkit/PLSwipeViewController.h"

#include <QMetaType>
#include <QPointer>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace pelnix {

namespace platform::ui {
class BarButtonItem;
class Label;
} // namespace platform::ui
class PLChatletFormView;
class PLChatletPickedValueFieldView;
class PLSwipeViewController;

// The choose-location screen (storyboard "Location", "PLChooseLocationNavigationController") reads its
// completion handler from the property "completionHandler" of its controller.
using PLChooseLocationCompletionHandler = std::function<void(const QVariantMap& location)>;

// The chatlet composer. Opened without a form it shows the chatlet picker: the catalogue's categories
// as pages of a swipe container; a chatlet picked opens its form, built from the downloaded form
// definition. Opened for a reply (the reply form of a chatlet's compose link) it shows the reply's
// fields. Send builds the message JSON and hands it to the post-chatlet delegate.
class PLPostChatletViewController : public PLBaseViewController, public PLShareContactDelegate {
    Q_OBJECT
public:
    static inline const QString kStoryboard = QStringLiteral("Chatlets");
    static inline const QString kIdentifier = QStringLiteral("PLPostChatletViewController");
    static inline const QString kNavigationIdentifier = QStringLiteral("PostChatletNavigationController");
    static inline const QString kChooseLocationIdentifier =
        QStringLiteral("PLChooseLocationNavigationController");
    static constexpr char kChooseLocationCompletionProperty[] = "completionHandler";
    enum PostChatletType { New = 0, Reply = 1 };

    explicit PLPostChatletViewController(QObject* parent = nullptr);

    PLPostChatletDelegate* postChatletDelegate() const { return m_postChatletDelegate.get(); }
    void setPostChatletDelegate(PLPostChatletDelegate* delegate) { m_postChatletDelegate.set(delegate); }

    // Before the view loads. Without a form (and for a new chatlet) the picker shows.
    void configureWithMessageType(const QString& smartType, const QVariantMap& paramsDict,
                                  const QVariantMap& actionDict, const Message::Ptr& message,
                                  const std::optional<QVariantMap>& formJSONDict, int postChatletType);

    QString smartType() const { return m_smartType; }
    int postChatletType() const { return m_postChatletType; }
    bool showsPicker() const;
    QVariantMap form() const { return m_form; }
    PLSwipeViewController* pickerViewController() const { return m_picker; }
    // The picker's list while it shows, else the form's first field.
    QWidget* preferredFocusWidget() override;
    PLChatletFormView* formView() const { return m_formView; }
    platform::ui::BarButtonItem* sendBarButtonItem() const { return m_send; }

    // The chatlets the picker offers, by category: those whose stored form the composer can fill.
    static QVariantMap composableCatalogue();
    // The stored form definition of a chatlet ("form" category), or empty.
    static QVariantMap storedForm(const QString& name);

    void chatletPicked(const QVariantMap& chatlet);
    void sendButtonTapped();
    void cancelButtonTapped();
    // The message JSON Send would post now (empty while a required field is missing).
    QString composedMessage() const;

    // PLShareContactDelegate: the contact for the field that asked.
    void selectedContact(const QVariantMap& contact, qint32 recordID) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;

private:
    void buildPicker();
    void buildForm();
    void pickValue(PLChatletPickedValueFieldView* field);
    void showAlert(const QString& title, const QString& message);
    QVariantList formFields() const;

    platform::ui::WeakDelegate<PLPostChatletDelegate> m_postChatletDelegate;
    QString m_smartType;
    QVariantMap m_params;
    QVariantMap m_action;
    Message::Ptr m_message;
    QVariantMap m_form;
    int m_postChatletType = New;
    bool m_hasForm = false;

    QPointer<QWidget> m_root;
    QPointer<PLSwipeViewController> m_picker;
    QPointer<PLChatletFormView> m_formView;
    QPointer<platform::ui::Label> m_emptyLabel;
    QPointer<platform::ui::BarButtonItem> m_send;
    QPointer<PLChatletPickedValueFieldView> m_pendingContactField;
};

} // namespace pelnix

Q_DECLARE_METATYPE(pelnix::PLChooseLocationCompletionHandler)
