#include "ui/rooms/PLSideDrawerTabelViewCell.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "ui/toolkit/Color.h"
#include "ui/toolkit/PLCustomSeparatorView.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace pelnix {

using platform::ui::ImageView;
using platform::ui::Label;

namespace {
constexpr int kMargin = 15;
constexpr int kIconSide = 24;
constexpr int kWideBadgeRadius = 13;

QColor hex(const char* text) {
    return Color::colorWithString(QString::fromLatin1(text)).toQColor();
}

// The count badge: a filled rounded shape that clips what it holds to its corners.
class CountBadge : public QWidget {
public:
    explicit CountBadge(QWidget* parent) : QWidget(parent) {}
    QColor color;
    qreal radius = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), radius, radius);
        painter.fillPath(shape, color);
    }
};
} // namespace

PLSideDrawerTabelViewCell::PLSideDrawerTabelViewCell(QWidget* parent)
    : TableViewCell(Style::Default, QString::fromLatin1(kReuseIdentifier), parent) {
    m_icon = new ImageView(contentView());
    m_icon->setObjectName(QStringLiteral("iconImage"));
    m_icon->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    m_title = new Label(QString(), contentView());
    m_title->setObjectName(QStringLiteral("titleLabel"));
    m_title->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 16));
    auto* badge = new CountBadge(contentView());
    badge->setObjectName(QStringLiteral("chatCountView"));
    m_countView = badge;
    m_countLabel = new Label(QString(), m_countView);
    m_countLabel->setObjectName(QStringLiteral("chatCountlabel"));
    m_countLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 13));
    m_countLabel->setTextColor(Qt::white);
    m_countLabel->setAlignment(Qt::AlignCenter);
    m_separator = new PLCustomSeparatorView(this);
    m_separator->setObjectName(QStringLiteral("separatorView"));
    awakeFromNib();
}

void PLSideDrawerTabelViewCell::awakeFromNib() {
    ButtonAdditions::setCustomHighlightColor(this);
    m_countView->hide();
    setUpUIForCurrentTheme();
}

void PLSideDrawerTabelViewCell::setThemeType(quint64 themeType) {
    m_themeType = themeType;
    setUpUIForCurrentTheme();
}

void PLSideDrawerTabelViewCell::setUpUIForCurrentTheme() {
    QColor background = Qt::white;
    m_badgeColor = hex("0186CB");
    QColor title = hex("404040");
    if (m_themeType == 2) {
        background = hex("D0EBD7");
    } else if (m_themeType == 0) {
        background = hex("E8F4FA");
        m_badgeColor = hex("25A449");
        title = hex("0086CA");
    }
    setBackgroundColor(background);
    m_title->setTextColor(title);
    static_cast<CountBadge*>(m_countView.data())->color = m_badgeColor;
    m_countView->update();
}

void PLSideDrawerTabelViewCell::setWithChatCount(qint64 count) {
    m_badgeWidth = count < 1000 ? kNarrowBadgeWidth : kWideBadgeWidth;
    m_badgeRadius = count < 1000 ? kNarrowBadgeWidth / 2.0 : kWideBadgeRadius;
    static_cast<CountBadge*>(m_countView.data())->radius = m_badgeRadius;
    m_countView->setVisible(count != 0);
    m_countLabel->setText(count == 0 ? QString() : QString::number(count));
    layoutSubviews();
}

void PLSideDrawerTabelViewCell::showCellWithTitle(const QString& title, const QString& imageName) {
    m_title->setText(title);
    m_icon->setImage(hostImageNamed(imageName));
}

QImage PLSideDrawerTabelViewCell::hostImageNamed(const QString& name) {
    if (name.isEmpty())
        return {};
    const QList<std::pair<QString, int>> candidates = {{QStringLiteral(":/%1@2x.png").arg(name), 2},
                                                       {QStringLiteral(":/%1.png").arg(name), 1},
                                                       {QStringLiteral(":/%1").arg(name), 1}};
    const QString library = QDir::cleanPath(PLCurrentBundleInfo::bundlePath()) + QLatin1Char('/');
    for (const auto& [candidate, ratio] : candidates) {
        // The library's own bundle lives among the same resources; it is not the host's.
        const QString path = QDir::cleanPath(candidate);
        if (path.startsWith(library) || !QFile::exists(path))
            continue;
        QImage image(path);
        if (image.isNull())
            continue;
        image.setDevicePixelRatio(ratio);
        return image;
    }
    return {};
}

void PLSideDrawerTabelViewCell::hideDivider() {
    m_separator->hide();
}

void PLSideDrawerTabelViewCell::setBackGroundColorForSelectedCell() {
    setBackgroundColor(hex("E8F4FA"));
}

void PLSideDrawerTabelViewCell::setSelected(bool selected, bool animated) {
    TableViewCell::setSelected(selected, animated);
    // The divider keeps its own pattern whatever the row's state.
    m_separator->update();
}

void PLSideDrawerTabelViewCell::setHighlighted(bool highlighted) {
    TableViewCell::setHighlighted(highlighted);
    m_separator->update();
}

void PLSideDrawerTabelViewCell::prepareForReuse() {
    // The base reset is left out on purpose: only these four are reset.
    m_title->setText(QString());
    m_icon->setImage(QImage());
    m_countView->hide();
    m_separator->show();
}

void PLSideDrawerTabelViewCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    if (!m_separator)
        return;
    const Qt::LayoutDirection dir = layoutDirection();
    const QRect bounds = contentView()->rect();
    auto place = [&](QWidget* view, const QRect& rect) {
        view->setGeometry(QStyle::visualRect(dir, bounds, rect));
    };
    const int h = bounds.height();
    place(m_icon, QRect(kMargin, (h - kIconSide) / 2, kIconSide, kIconSide));
    const int badgeLeft = bounds.width() - kMargin - m_badgeWidth;
    place(m_countView, QRect(badgeLeft, (h - kBadgeHeight) / 2, m_badgeWidth, kBadgeHeight));
    m_countLabel->setGeometry(m_countView->rect());
    const int titleLeft = kMargin + kIconSide + 15;
    place(m_title, QRect(titleLeft, 0, qMax(0, badgeLeft - 8 - titleLeft), h));
    m_separator->setGeometry(0, height() - 1, width(), 1);
}

void PLSideDrawerTabelViewCell::paintEvent(QPaintEvent*) {
    // Background and selection only: the divider is a view of its own.
    QPainter painter(this);
    const bool selected = (isSelected() || isHighlighted()) && selectionStyle() != SelectionStyle::None;
    painter.fillRect(rect(), selected ? selectedBackgroundColor() : backgroundColor());
}

} // namespace pelnix
