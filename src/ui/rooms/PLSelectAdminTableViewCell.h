#pragma once

#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QPointer>
#include <memory>

namespace pelnix {

class RoomMember;

// A row of the admin change list: the member's picture, name, e-mail address (aligned to the top)
// and, for the admin, the admin badge.
class PLSelectAdminTableViewCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    static constexpr int kPictureSide = 44;
    static constexpr int kMargin = 12;

    explicit PLSelectAdminTableViewCell(QWidget* parent = nullptr);
    static QString cellIdentifier() { return QStringLiteral("PLAdminSelectionCellIdentifier"); }

    void showDetailsOfMember(const std::shared_ptr<RoomMember>& member);

    platform::ui::Label* nameLabel() const { return m_nameLabel; }
    platform::ui::Label* emailLabel() const { return m_emailLabel; }
    PLRoundImageView* iconImageView() const { return m_iconImageView; }
    platform::ui::Label* adminLabel() const { return m_adminLabel; }

protected:
    void layoutSubviews() override;

private:
    QPointer<platform::ui::Label> m_nameLabel;
    QPointer<platform::ui::Label> m_emailLabel;
    QPointer<PLRoundImageView> m_iconImageView;
    QPointer<platform::ui::Label> m_adminLabel;
};

} // namespace pelnix
