#pragma once

#include "platform/ui/CollectionViewCell.h"

namespace pelnix {

// The cell of a collapsed snapshot row: nothing to show, height 0.
class PLStaleMessageCell : public platform::ui::CollectionViewCell {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("PLStaleMessageCell");
    explicit PLStaleMessageCell(QWidget* parent = nullptr) : CollectionViewCell(kIdentifier, parent) {}
};

} // namespace pelnix
