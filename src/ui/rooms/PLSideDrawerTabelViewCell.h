#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"
#include "ui/toolkit/PLCustomSeparatorView.h"

#include <QPointer>

namespace pelnix {

// A row of the side drawer: an icon, a title, a round count badge and a divider, in one of three
// colour themes. The drawer's own table decides the rows; this cell only offers them their look.
//
// Themes: 2 green (background D0EBD7); 0 blue (background E8F4FA, badge 25A449, title 0086CA),
// which is this library's choice for a theme the original rows leave open; any other plain white.
class PLSideDrawerTabelViewCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    static constexpr char kReuseIdentifier[] = "PLSideDrawerTabelViewCell";
    static constexpr int kNarrowBadgeWidth = 27;
    static constexpr int kWideBadgeWidth = 47;
    static constexpr int kBadgeHeight = 27;

    explicit PLSideDrawerTabelViewCell(QWidget* parent = nullptr);

    quint64 themeType() const { return m_themeType; }
    void setThemeType(quint64 themeType);
    void setUpUIForCurrentTheme();
    bool isRightArrowVisible() const { return m_rightArrowVisible; }
    void setIsRightArrowVisible(bool visible) { m_rightArrowVisible = visible; }

    // Narrow round badge below 1000, wide from 1000 on, hidden at 0.
    void setWithChatCount(qint64 count);
    // The icon comes from the host application's own images, not the library's.
    void showCellWithTitle(const QString& title, const QString& imageName);
    void hideDivider();
    void setBackGroundColorForSelectedCell();

    void setSelected(bool selected, bool animated = false) override;
    void setHighlighted(bool highlighted) override;
    void prepareForReuse() override;

    platform::ui::ImageView* iconImage() const { return m_icon; }
    platform::ui::Label* titleLabel() const { return m_title; }
    QWidget* chatCountView() const { return m_countView; }
    platform::ui::Label* chatCountlabel() const { return m_countLabel; }
    PLCustomSeparatorView* separatorView() const { return m_separator; }
    qreal badgeCornerRadius() const { return m_badgeRadius; }
    QColor badgeColor() const { return m_badgeColor; }

    // The host's image of that name: ":/<name>@2x.png", ":/<name>.png" or ":/<name>" of its resources.
    static QImage hostImageNamed(const QString& name);

protected:
    void layoutSubviews() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void awakeFromNib();

    quint64 m_themeType = 1;
    bool m_rightArrowVisible = false;
    QPointer<platform::ui::ImageView> m_icon;
    QPointer<platform::ui::Label> m_title;
    QPointer<QWidget> m_countView;
    QPointer<platform::ui::Label> m_countLabel;
    QPointer<PLCustomSeparatorView> m_separator;
    int m_badgeWidth = kNarrowBadgeWidth;
    qreal m_badgeRadius = kNarrowBadgeWidth / 2.0;
    QColor m_badgeColor;
};

} // namespace pelnix
