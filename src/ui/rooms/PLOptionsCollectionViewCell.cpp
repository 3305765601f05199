#include "ui/rooms/PLOptionsCollectionViewCell.h"

#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"

namespace pelnix {

using platform::ui::Button;

PLOptionsCollectionViewCell::PLOptionsCollectionViewCell(QWidget* parent)
    : ReusableView(QString::fromLatin1(kReuseIdentifier), parent) {
    setBackgroundColor(Qt::transparent);
    m_optionImageView = new platform::ui::ImageView(this);
    m_optionImageView->hide();
    m_optionsButton = new Button(this);
    m_optionsButton->setObjectName(QStringLiteral("optionsButton"));
    m_optionsButton->setFocusPolicy(Qt::NoFocus);
    connect(m_optionsButton, &Button::clicked, this, &PLOptionsCollectionViewCell::optionButtonTapped);
    awakeFromNib();
}

void PLOptionsCollectionViewCell::awakeFromNib() {
    m_imageNamesForOptions = {{1, QStringLiteral("deleteGroupIcon")},
                              {2, QStringLiteral("clearConversationIcon")},
                              {3, QStringLiteral("addMemberToGroupIcon")},
                              {4, QStringLiteral("favoritesIcon")},
                              {5, QStringLiteral("muteIcon")}};
}

void PLOptionsCollectionViewCell::setOptionType(qint64 type) {
    m_optionType = type;
    const QString name = m_imageNamesForOptions.value(type);
    m_optionsButton->setImage(ImageAdditions::loadImageNamed(name), Button::State::Normal);
    m_optionsButton->setImage(ImageAdditions::loadImageNamed(name + QStringLiteral("Highlighted")),
                              Button::State::Highlighted);
    m_optionsButton->setAccessibleName(name);
}

void PLOptionsCollectionViewCell::optionButtonTapped() {
    if (PLOptionsCollectionViewCellDelegate* delegate = m_delegate.get())
        delegate->optionsCollectionViewCellDidTapOnOption(this);
}

void PLOptionsCollectionViewCell::prepareForReuse() {
    ReusableView::prepareForReuse();
    m_delegate.set(nullptr);
}

void PLOptionsCollectionViewCell::resizeEvent(QResizeEvent* event) {
    ReusableView::resizeEvent(event);
    m_optionsButton->setGeometry(rect());
    m_optionImageView->setGeometry(rect());
}

} // namespace pelnix
