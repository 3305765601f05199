#include "ActionSheet.h"

namespace pelnix::platform::ui {

ActionSheet::ActionSheet(const QString& title, const QString& cancelButtonTitle,
                         const QString& destructiveButtonTitle, const QStringList& otherButtonTitles,
                         ClickHandler onClick)
    : AlertView(Style::ActionSheet, title) {
    setObjectName(QStringLiteral("actionSheet"));
    if (!destructiveButtonTitle.isEmpty()) {
        m_buttons << destructiveButtonTitle;
        m_destructiveIndex = 0;
    }
    m_buttons << otherButtonTitles;
    if (!cancelButtonTitle.isEmpty()) {
        m_buttons << cancelButtonTitle;
        m_cancelIndex = int(m_buttons.size()) - 1;
    }
    setClickHandler(std::move(onClick));
    rebuild();
}

void ActionSheet::setDestructiveButtonIndex(int index) {
    m_destructiveIndex = index;
    rebuild();
}

} // namespace pelnix::platform::ui
