#pragma once

#include "platform/ui/TextField.h"

#include <QImage>

class QMenu;

namespace pelnix {

// The search view's field, in the toolkit's field frame. Its edit menu offers only cut, copy, paste and
// select all.
class PLCustomSearchTextField : public platform::ui::TextField {
    Q_OBJECT
public:
    explicit PLCustomSearchTextField(QWidget* parent = nullptr);

    // The size a placeholder too wide for the field drops to.
    qreal minimumFontSize() const { return m_minimumFontSize; }
    void setMinimumFontSize(qreal size) { m_minimumFontSize = size; }
    // The magnifier at the leading edge; the text and the placeholder start after it.
    void setSearchIcon(const QImage& icon);
    // The width left for text: the field less its margins and the clear button.
    qreal textRectWidth() const;
    // The context menu the field shows (the caller owns it).
    QMenu* createEditMenu();
    QSize sizeHint() const override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_minimumFontSize = 10;
    QImage m_icon;
};

} // namespace pelnix
