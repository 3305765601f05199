#pragma once

#include "platform/ui/CollectionViewCell.h"

namespace pelnix {

class PLChatWindowCellContent;

namespace platform::ui {
class Button;
}

// The new-updates separator row: a line across with the count ("3 New Updates ") in a button whose
// width follows its title (the title's width plus 30).
class PLUnreadMessagesSeparatorCell : public platform::ui::CollectionViewCell {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("PLUnreadMessagesSeparatorCell");
    static constexpr qreal kTitlePadding = 30.0;

    explicit PLUnreadMessagesSeparatorCell(QWidget* parent = nullptr);

    static qreal cellHeight() { return 32; }
    void setChatWindowCellContent(const PLChatWindowCellContent& row);
    platform::ui::Button* countIndicatorButton() const { return m_countIndicatorButton; }
    // The button's width as its width constraint sets it.
    qreal buttonWidth() const { return m_widthConstraint; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOut();

    platform::ui::Button* m_countIndicatorButton;
    qreal m_widthConstraint = 120;
};

} // namespace pelnix
