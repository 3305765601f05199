#pragma once

#include "platform/ui/TableViewCell.h"

namespace pelnix {

namespace platform::ui {
class ImageView;
class Label;
} // namespace platform::ui

// A phone number or e-mail address of the person being shared: the kind's icon, the label over the
// value, and a tick while it is chosen.
class PLContactDetailCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("ContactDetailCell");
    static constexpr qreal kHeight = 60;
    enum FieldType { Email = 0, Phone = 1 };

    explicit PLContactDetailCell(QWidget* parent = nullptr);
    // "ContactDetailCell", or "ContactDetailCellRTL" in a right-to-left locale.
    static QString reuseIdentifierForLocale();

    void configureWithEmailOrPhone(const QString& value, const QString& typeLabel, int contactDetailType);
    void showContactAsSelected(bool selected);
    bool isShownAsSelected() const { return m_shownSelected; }

    platform::ui::ImageView* fieldTypeImageView() const { return m_fieldTypeImageView; }
    platform::ui::Label* typeLabel() const { return m_typeLabel; }
    platform::ui::Label* emailOrPhoneLabel() const { return m_emailOrPhoneLabel; }
    platform::ui::ImageView* selectionStateImageView() const { return m_selectionStateImageView; }

protected:
    void layoutSubviews() override;

private:
    platform::ui::ImageView* m_fieldTypeImageView;
    platform::ui::Label* m_typeLabel;
    platform::ui::Label* m_emailOrPhoneLabel;
    platform::ui::ImageView* m_selectionStateImageView;
    bool m_shownSelected = false;
};

} // namespace pelnix
