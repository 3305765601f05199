#pragma once

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "ui/account/PLBaseViewController.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QPointer>
#include <QSet>
#include <QVariantList>

namespace pelnix {

namespace platform::ui {
class BarButtonItem;
class Label;
class TableView;
} // namespace platform::ui
class PLRoundImageView;

// One address-book person to share: picture, name, then the phone numbers and e-mail addresses, each
// ticked on a tap. Done hands the share-contact delegate {"pl": the person with the ticked values as
// pretty-printed JSON, "name"} and closes the share-contact screens.
class PLContactDetailViewController : public PLBaseViewController,
                                      public platform::ui::TableViewDataSource,
                                      public platform::ui::TableViewDelegate {
    Q_OBJECT
public:
    static inline const QString kStoryboard = QStringLiteral("Chatlets");
    static inline const QString kIdentifier = QStringLiteral("PLContactDetailViewController");

    explicit PLContactDetailViewController(QObject* parent = nullptr);
    ~PLContactDetailViewController() override;

    // Before the view loads. The contact reaches `delegate` only when it adopts PLShareContactDelegate.
    void configureWithContactRecordID(qint32 recordID, QObject* delegate);
    qint32 recordID() const { return m_recordID; }

    QVariantList emailsArray() const { return m_emailsArray; }
    QVariantList phonesArray() const { return m_phonesArray; }
    platform::ui::TableView* contactDetailtableView() const { return m_contactDetailtableView; }
    platform::ui::Label* nameLabel() const { return m_nameLabel; }
    PLRoundImageView* contactImageView() const { return m_contactImageView; }
    platform::ui::BarButtonItem* doneBarButtonItem() const { return m_doneBarButtonItem; }
    // True while the person is read from the address book, off the main thread.
    bool isReadingPerson() const { return m_readingPerson; }

    QString fieldValueAtIndexPath(const platform::ui::IndexPath& path) const;
    QString typeLabelAtIndexPath(const platform::ui::IndexPath& path) const;
    int fieldTypeAtIndexPath(const platform::ui::IndexPath& path) const;
    QVariantMap contactDetailsDictionaryAtIndexPath(const platform::ui::IndexPath& path) const;
    bool isSelectedAtIndexPath(const platform::ui::IndexPath& path) const;
    void loadContactDetails();
    void doneButtonTapped();
    // The record handed to the delegate for the ticked values.
    QVariantMap sharedContactRecord() const;

    // TableViewDataSource and delegate
    int numberOfSectionsInTableView(platform::ui::TableView* table) override;
    int numberOfRowsInSection(platform::ui::TableView* table, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    qreal heightForRowAtIndexPath(platform::ui::TableView* table,
                                  const platform::ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* table,
                                 const platform::ui::IndexPath& path) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const QVariantList& listForSection(int section) const;
    QSet<int>& selectionForType(int type);
    const QSet<int>& selectionForType(int type) const;
    void layOutHeader();

    qint32 m_recordID = 0;
    bool m_readingPerson = false;
    QPointer<QObject> m_shareContactDelegate;
    QVariantList m_emailsArray;
    QVariantList m_phonesArray;
    QSet<int> m_selectedEmailIndexSet;
    QSet<int> m_selectedPhonesIndexSet;
    QPointer<platform::ui::TableView> m_contactDetailtableView;
    QPointer<PLRoundImageView> m_contactImageView;
    QPointer<platform::ui::Label> m_nameLabel;
    QPointer<QWidget> m_header;
    QPointer<platform::ui::BarButtonItem> m_doneBarButtonItem;
};

} // namespace pelnix
