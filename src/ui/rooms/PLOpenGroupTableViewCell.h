#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/rooms/PLAddToOpenGroupDelegate.h"

#include <QPointer>
#include <memory>

namespace pelnix {

class PLPublicRoom;
class PLRoundImageView;

// A public group's row: its picture, its name and a join button that shows "select_address_book" once
// the group is joined ("addGroup_icon" before). The join button of a joined group does nothing.
class PLOpenGroupTableViewCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    static constexpr char kReuseIdentifier[] = "PLOpenGroupTableViewCell";
    static constexpr char kReuseIdentifierRTL[] = "PLOpenGroupTableViewCellRTL";

    explicit PLOpenGroupTableViewCell(const QString& reuseIdentifier = QString::fromLatin1(kReuseIdentifier),
                                      QWidget* parent = nullptr);

    static qreal cellHeight();

    std::shared_ptr<PLPublicRoom> publicRoom() const { return m_publicRoom; }
    void setPublicRoom(const std::shared_ptr<PLPublicRoom>& room);
    PLAddToOpenGroupDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PLAddToOpenGroupDelegate* delegate) { m_delegate.set(delegate); }

    void joinOpenGroup();
    void prepareForReuse() override;

    platform::ui::Label* groupTitleLabel() const { return m_title; }
    PLRoundImageView* groupImageView() const;
    platform::ui::Button* addToGroupButton() const { return m_joinButton; }
    // The bundle image now on the join button ("" when none).
    QString joinButtonImageName() const { return m_joinImageName; }

protected:
    void layoutSubviews() override;

private:
    std::shared_ptr<PLPublicRoom> m_publicRoom;
    platform::ui::WeakDelegate<PLAddToOpenGroupDelegate> m_delegate;
    QPointer<platform::ui::Label> m_title;
    QPointer<QWidget> m_picture;
    QPointer<platform::ui::Button> m_joinButton;
    QString m_joinImageName;
};

} // namespace pelnix
