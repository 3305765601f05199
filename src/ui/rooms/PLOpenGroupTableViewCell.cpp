#include "ui/rooms/PLOpenGroupTableViewCell.h"

#include "core/model/PLPublicRoom.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageViewWebCache.h"
#include "platform/ui/Label.h"
#include "ui/toolkit/Color.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QStyle>

namespace pelnix {

using platform::ui::Button;
using platform::ui::Label;

namespace {
constexpr int kRowHeight = 64;
constexpr int kPictureSide = 44;
constexpr int kMargin = 12;
constexpr int kButtonSide = 44;
} // namespace

PLOpenGroupTableViewCell::PLOpenGroupTableViewCell(const QString& reuseIdentifier, QWidget* parent)
    : TableViewCell(Style::Default, reuseIdentifier, parent) {
    if (reuseIdentifier == QLatin1String(kReuseIdentifierRTL))
        setLayoutDirection(Qt::RightToLeft);
    auto* picture = new PLRoundImageView(contentView());
    picture->setObjectName(QStringLiteral("groupImageView"));
    picture->resize(kPictureSide, kPictureSide);
    picture->awakeFromNib();
    m_picture = picture;
    m_title = new Label(QString(), contentView());
    m_title->setObjectName(QStringLiteral("groupTitleLabel"));
    m_title->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 16));
    m_title->setTextColor(Color::colorWithString(QStringLiteral("333333")).toQColor());
    m_joinButton = new Button(contentView());
    m_joinButton->setObjectName(QStringLiteral("addToGroupButton"));
    m_joinButton->setFocusPolicy(Qt::NoFocus);
    connect(m_joinButton, &Button::clicked, this, &PLOpenGroupTableViewCell::joinOpenGroup);
    // awakeFromNib
    ButtonAdditions::setCustomHighlightColor(this);
}

qreal PLOpenGroupTableViewCell::cellHeight() {
    return kRowHeight;
}

PLRoundImageView* PLOpenGroupTableViewCell::groupImageView() const {
    return static_cast<PLRoundImageView*>(m_picture.data());
}

void PLOpenGroupTableViewCell::setPublicRoom(const std::shared_ptr<PLPublicRoom>& room) {
    m_publicRoom = room;
    m_title->setText(room ? room->name() : QString());
    m_joinImageName = room && room->isuserJoined() ? QStringLiteral("select_address_book")
                                                   : QStringLiteral("addGroup_icon");
    m_joinButton->setImage(ImageAdditions::loadImageNamed(m_joinImageName), Button::State::Normal);
    m_joinButton->setAccessibleName(m_joinImageName);
    platform::ui::ImageViewWebCache::pl_setImageWithURL(
        groupImageView(), room && !room->imgUrl().isEmpty() ? QUrl(room->imgUrl()) : QUrl(),
        ImageAdditions::loadImageNamed(QStringLiteral("groupImage")));
}

void PLOpenGroupTableViewCell::joinOpenGroup() {
    if (!m_publicRoom || m_publicRoom->isuserJoined())
        return;
    if (PLAddToOpenGroupDelegate* delegate = m_delegate.get())
        delegate->joinPublicGroup(this);
}

void PLOpenGroupTableViewCell::prepareForReuse() {
    TableViewCell::prepareForReuse();
    m_joinImageName.clear();
    m_joinButton->setImage(QImage(), Button::State::Normal);
}

void PLOpenGroupTableViewCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    if (!m_joinButton)
        return;
    const QRect bounds = contentView()->rect();
    const int h = bounds.height();
    auto place = [&](QWidget* view, const QRect& rect) {
        view->setGeometry(QStyle::visualRect(layoutDirection(), bounds, rect));
    };
    place(m_picture, QRect(kMargin, (h - kPictureSide) / 2, kPictureSide, kPictureSide));
    const int buttonLeft = bounds.width() - kMargin - kButtonSide;
    place(m_joinButton, QRect(buttonLeft, (h - kButtonSide) / 2, kButtonSide, kButtonSide));
    const int titleLeft = kMargin + kPictureSide + 12;
    place(m_title, QRect(titleLeft, 0, qMax(0, buttonLeft - 8 - titleLeft), h));
}

} // namespace pelnix
