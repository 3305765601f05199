#pragma once

#include "platform/ui/ReusableView.h"

#include <QPointF>

namespace pelnix {

namespace platform::ui {
class Label;
}

// A title tab of the swipe container: the page's title in upper case, in the accent colour while
// its page is selected. Tab reaches it (a click leaves the keys where they are), and it shows the ring
// where the keyboard brought them.
class PLChatletCategoryCollectionViewCell : public platform::ui::ReusableView {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("collectionViewCell");

    explicit PLChatletCategoryCollectionViewCell(QWidget* parent = nullptr);

    platform::ui::Label* titleLabel() const { return m_titleLabel; }
    void configureCellWithTitle(const QString& title);
    // The width the title's text takes.
    qreal widthOfTextContent() const;
    // The title's centre in the coordinates of `view` (the indicator's parent).
    QPointF centerOfTitle(const QWidget* view) const;
    void setSelected(bool selected, bool animated = false) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    platform::ui::Label* m_titleLabel;
};

} // namespace pelnix
