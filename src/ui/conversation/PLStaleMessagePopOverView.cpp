#include "ui/conversation/PLStaleMessagePopOverView.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace pelnix {

using platform::ui::Button;

PLStaleMessagePopOverView::PLStaleMessagePopOverView(QWidget* parent)
    : QWidget(parent), m_message(new platform::ui::Label), m_dontShow(new Button), m_dismiss(new Button) {
    setObjectName(QStringLiteral("PLStaleMessagePopOverView"));
    resize(kWidth, kHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 12, 14, 8);
    column->setSpacing(8);
    m_message->setObjectName(QStringLiteral("staleMessageText"));
    m_message->setText(PLCurrentBundleInfo::localizedString(
        QStringLiteral("This chatlet has been updated since. Its latest version is shown further down.")));
    m_message->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 13));
    m_message->setTextColor(QColor(0x33, 0x33, 0x33));
    m_message->setNumberOfLines(0);
    m_message->setAlignsTop(true);
    column->addWidget(m_message, 1);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    m_dontShow->setObjectName(QStringLiteral("dontShowButton"));
    m_dontShow->setImage(ImageAdditions::loadImageNamed(QStringLiteral("checkBox")));
    m_dontShow->setImage(ImageAdditions::loadImageNamed(QStringLiteral("checkBoxSelected")),
                         Button::State::Selected);
    m_dontShow->setTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("Don't show again")));
    m_dontShow->setTitleColor(QColor(0x33, 0x33, 0x33));
    m_dontShow->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 12));
    m_dontShow->setFixedHeight(30);
    row->addWidget(m_dontShow, 0, Qt::AlignLeft);
    row->addStretch();
    m_dismiss->setObjectName(QStringLiteral("dismissButton"));
    m_dismiss->setTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("OK")));
    m_dismiss->setTitleColor(QColor(0, 134, 202));
    m_dismiss->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), 14));
    m_dismiss->setFixedSize(50, 30);
    row->addWidget(m_dismiss);
    column->addLayout(row);
}

} // namespace pelnix
