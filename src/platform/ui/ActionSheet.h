#pragma once

#include "AlertView.h"

namespace pelnix::platform::ui {

// An action sheet: the same in-window, index-callback behaviour as an alert, shown at the bottom.
// Numbering as UIKit's: destructive button first (when given), then the others, cancel last.
class ActionSheet : public AlertView {
    Q_OBJECT
public:
    ActionSheet(const QString& title, const QString& cancelButtonTitle, const QString& destructiveButtonTitle,
                const QStringList& otherButtonTitles, ClickHandler onClick = {});

    int destructiveButtonIndex() const { return m_destructiveIndex; }
    void setDestructiveButtonIndex(int index);
};

} // namespace pelnix::platform::ui
