#pragma once

#include <QWidget>

class QAbstractButton;

namespace pelnix {

// The row of buttons the rooms list puts on the right of its navigation bar. Only the buttons are
// accessibility elements, not the row.
class PLNavigationBarRightButtonItems : public QWidget {
    Q_OBJECT
public:
    explicit PLNavigationBarRightButtonItems(QWidget* parent = nullptr);
    void addButton(QAbstractButton* button);
    bool isAccessibilityElement() const { return false; }
};

} // namespace pelnix
