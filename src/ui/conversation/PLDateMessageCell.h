#pragma once

#include "platform/ui/CollectionViewCell.h"

#include <QDateTime>

namespace pelnix {

namespace platform::ui {
class Label;
}

// The day separator row: "Today", or the day as "dd MMM, ddd" (this year or later) or
// "dd MMM yyyy, ddd" (earlier years), in a pill on a thin line.
class PLDateMessageCell : public platform::ui::CollectionViewCell {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("PLDateMessageCell");

    explicit PLDateMessageCell(QWidget* parent = nullptr);

    static qreal cellHeight() { return 32; }
    // The separator's text for a day, against now.
    static QString textForDate(const QDateTime& date);
    void setDate(const QDateTime& date);
    platform::ui::Label* dateStringLabel() const { return m_dateStringLabel; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    platform::ui::Label* m_dateStringLabel;
};

} // namespace pelnix
