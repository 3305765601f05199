#include "ui/account/PLCountryCodeTableViewCell.h"

#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "ui/account/AccountUi.h"

#include <QPainter>
#include <QPainterPath>

namespace pelnix {

using namespace platform::ui;

namespace {
constexpr int kMarkSide = 22;
constexpr int kCodeWidth = 64;
constexpr int kInset = 15;
} // namespace

PLCountryCodeTableViewCell::PLCountryCodeTableViewCell(const QString& reuseIdentifier, QWidget* parent)
    : TableViewCell(Style::Default, reuseIdentifier, parent),
      m_rightToLeft(reuseIdentifier.endsWith(QLatin1String("_RTL"))) {
    m_status = new ImageView(contentView());
    m_status->setObjectName(QStringLiteral("selectionStatusImageView"));
    m_status->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    m_name = new Label(QString(), contentView());
    m_name->setObjectName(QStringLiteral("countryNameLabel"));
    m_name->setFont(AccountUi::font("DejaVuSans", 15));
    m_name->setTextColor(AccountUi::hexColor("404040"));
    m_code = new Label(QString(), contentView());
    m_code->setObjectName(QStringLiteral("countryCodeLabel"));
    m_code->setFont(AccountUi::font("DejaVuSans", 15));
    m_code->setTextColor(AccountUi::hexColor("0086CA"));
    if (m_rightToLeft) {
        m_name->setAlignment(Qt::AlignRight | Qt::AlignVCenter | Qt::AlignAbsolute);
        m_code->setAlignment(Qt::AlignLeft | Qt::AlignVCenter | Qt::AlignAbsolute);
    } else {
        m_name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter | Qt::AlignAbsolute);
        m_code->setAlignment(Qt::AlignRight | Qt::AlignVCenter | Qt::AlignAbsolute);
    }
    ButtonAdditions::setCustomHighlightColor(this);
    layoutSubviews();
}

QImage PLCountryCodeTableViewCell::selectionMark() {
    const QImage bundled = ImageAdditions::loadImageNamed(QStringLiteral("select_address_book"));
    if (!bundled.isNull())
        return bundled;
    QImage tick(QSize(kMarkSide, kMarkSide) * 2, QImage::Format_ARGB32_Premultiplied);
    tick.setDevicePixelRatio(2);
    tick.fill(Qt::transparent);
    QPainter painter(&tick);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(AccountUi::hexColor("25a549"));
    painter.drawEllipse(QRectF(1, 1, kMarkSide - 2, kMarkSide - 2));
    QPainterPath path;
    path.moveTo(6, 11.5);
    path.lineTo(9.5, 15);
    path.lineTo(16, 7.5);
    painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    return tick;
}

void PLCountryCodeTableViewCell::setCountryInfo(const PLCountryInfo& country) {
    m_name->setText(country.name());
    m_code->setText(QStringLiteral("+") + country.code());
}

void PLCountryCodeTableViewCell::setCountrySelected(bool selected) {
    m_selected = selected;
    m_status->setImage(selected ? selectionMark() : QImage());
}

void PLCountryCodeTableViewCell::prepareForReuse() {
    TableViewCell::prepareForReuse();
    setCountrySelected(false);
}

void PLCountryCodeTableViewCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    if (!m_name)
        return;
    const QRect content = contentView()->rect();
    const int middle = (content.height() - kMarkSide) / 2;
    const int nameWidth = qMax(0, content.width() - 2 * kInset - kMarkSide - 10 - kCodeWidth - 10);
    if (m_rightToLeft) {
        m_status->setGeometry(content.width() - kInset - kMarkSide, middle, kMarkSide, kMarkSide);
        m_code->setGeometry(kInset, 0, kCodeWidth, content.height());
        m_name->setGeometry(kInset + kCodeWidth + 10, 0, nameWidth, content.height());
    } else {
        m_status->setGeometry(kInset, middle, kMarkSide, kMarkSide);
        m_name->setGeometry(kInset + kMarkSide + 10, 0, nameWidth, content.height());
        m_code->setGeometry(content.width() - kInset - kCodeWidth, 0, kCodeWidth, content.height());
    }
}

} // namespace pelnix
