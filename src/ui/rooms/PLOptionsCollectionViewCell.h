#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ReusableView.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/rooms/PLOptionsCollectionViewCellDelegate.h"

#include <QHash>
#include <QPointer>

namespace pelnix {

// One option of a room row's swipe strip: an image button for the option type (1 leave or close,
// 2 clear, 3 add members, 4 favourite, 5 mute), its highlighted image named with "Highlighted" after.
class PLOptionsCollectionViewCell : public platform::ui::ReusableView {
    Q_OBJECT
public:
    static constexpr char kReuseIdentifier[] = "PLOptionsCollectionViewCell";
    static constexpr int kWidth = 50;
    static constexpr int kHeight = 44;

    explicit PLOptionsCollectionViewCell(QWidget* parent = nullptr);

    qint64 optionType() const { return m_optionType; }
    void setOptionType(qint64 type);
    PLOptionsCollectionViewCellDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PLOptionsCollectionViewCellDelegate* delegate) { m_delegate.set(delegate); }
    QString imageNameForOption(qint64 type) const { return m_imageNamesForOptions.value(type); }

    platform::ui::Button* optionsButton() const { return m_optionsButton; }
    void optionButtonTapped();
    void prepareForReuse() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void awakeFromNib();

    qint64 m_optionType = 0;
    platform::ui::WeakDelegate<PLOptionsCollectionViewCellDelegate> m_delegate;
    QHash<qint64, QString> m_imageNamesForOptions;
    QPointer<platform::ui::Button> m_optionsButton;
    // Present in the layout, unused, as in the row's original design.
    QPointer<platform::ui::ImageView> m_optionImageView;
};

} // namespace pelnix
