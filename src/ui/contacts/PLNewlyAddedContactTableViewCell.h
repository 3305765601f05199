#pragma once

#include "platform/ui/TableViewCell.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/contacts/PLNewlyAddedContactTableViewCellDelegate.h"

namespace pelnix {

class PLCustomSeparatorView;

namespace platform::ui {
class Button;
class Label;
} // namespace platform::ui

// An address typed into the contact picker, with a button that removes it again.
class PLNewlyAddedContactTableViewCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    explicit PLNewlyAddedContactTableViewCell(const QString& reuseIdentifier = {}, QWidget* parent = nullptr);

    PLNewlyAddedContactTableViewCellDelegate* delegate() const { return m_delegate.get(); }
    platform::ui::Label* emailOrPhoneLabel() const { return m_emailOrPhoneLabel; }
    platform::ui::Button* removeButton() const { return m_removeButton; }
    PLCustomSeparatorView* separatorView() const { return m_separatorView; }

    void configureWithEmailOrPhone(const QString& emailOrPhone,
                                   PLNewlyAddedContactTableViewCellDelegate* delegate);
    // The remove button's action.
    void removeContact();

    void setHighlighted(bool highlighted) override;
    void setSelected(bool selected, bool animated = false) override;

protected:
    void layoutSubviews() override;

private:
    platform::ui::WeakDelegate<PLNewlyAddedContactTableViewCellDelegate> m_delegate;
    platform::ui::Label* m_emailOrPhoneLabel = nullptr;
    platform::ui::Button* m_removeButton = nullptr;
    PLCustomSeparatorView* m_separatorView = nullptr;
};

} // namespace pelnix
