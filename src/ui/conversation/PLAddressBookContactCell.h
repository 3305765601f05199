#pragma once

#include "platform/ui/TableViewCell.h"

namespace pelnix {

namespace platform::ui {
class Label;
}
class PLCustomSeparatorView;

// A person of the share-contact list: the name over the product's separator, which stays visible
// while the row is highlighted or selected.
class PLAddressBookContactCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("AddressBookContactCell");
    static constexpr qreal kHeight = 44;

    explicit PLAddressBookContactCell(QWidget* parent = nullptr);

    void configureWithName(const QString& name);
    platform::ui::Label* nameLabel() const { return m_nameLabel; }
    PLCustomSeparatorView* customSeparatorView() const { return m_customSeparatorView; }

protected:
    void layoutSubviews() override;

private:
    platform::ui::Label* m_nameLabel;
    PLCustomSeparatorView* m_customSeparatorView;
};

} // namespace pelnix
