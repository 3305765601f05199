#include "ui/rooms/PLChatRoomDefaultCell.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Label.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/Color.h"

#include <QVBoxLayout>

namespace pelnix {

PLChatRoomDefaultCell::PLChatRoomDefaultCell(QWidget* parent)
    : TableViewCell(Style::Default, QString::fromLatin1(kReuseIdentifier), parent) {
    setSelectionStyle(SelectionStyle::None);
    auto* hint = new platform::ui::Label(RoomsTexts::localized("No conversations yet"), contentView());
    hint->setObjectName(QStringLiteral("emptyListHint"));
    hint->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    hint->setTextColor(Color::colorWithString(QStringLiteral("808080")).toQColor());
    hint->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(contentView());
    layout->addWidget(hint);
}

} // namespace pelnix
