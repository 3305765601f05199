#pragma once

#include "ReusableView.h"
#include "TableViewDelegate.h"

#include <QList>
#include <functional>

class QLabel;
class QPushButton;

namespace pelnix::platform::ui {

// A table row: a content view (where subclasses put their views), the standard text and detail
// labels, selection colour, accessory, bottom separator, and the row options revealed by a swipe.
class TableViewCell : public ReusableView {
    Q_OBJECT
public:
    enum class Style { Default, Subtitle, Value1 };
    enum class Accessory { None, DisclosureIndicator, Checkmark };
    enum class SelectionStyle { None, Default };

    explicit TableViewCell(Style style = Style::Default, const QString& reuseIdentifier = {},
                           QWidget* parent = nullptr);

    Style style() const { return m_style; }
    QWidget* contentView() const { return m_content; }
    QLabel* textLabel();
    QLabel* detailTextLabel();

    Accessory accessoryType() const { return m_accessory; }
    void setAccessoryType(Accessory accessory);
    SelectionStyle selectionStyle() const { return m_selectionStyle; }
    void setSelectionStyle(SelectionStyle style) { m_selectionStyle = style; }
    QColor selectedBackgroundColor() const { return m_selectedBackground; }
    void setSelectedBackgroundColor(const QColor& color);
    void setSeparatorVisible(bool visible);
    void setSeparatorInset(int left);
    void setSeparatorColor(const QColor& color);
    QColor separatorColor() const { return m_separatorColor; }

    void prepareForReuse() override;

    // Row options: shown to the right, the content sliding away to make room.
    void setRowActions(const QList<RowAction>& actions, std::function<void(int)> onTap);
    // Opening and closing slide the content on the animator's spring curve when animated.
    void revealActions(bool reveal, bool animated = false);
    bool areActionsRevealed() const { return m_revealed; }
    QList<RowAction> rowActions() const { return m_actions; }
    // A tap on the revealed option at `index` (tests and the option buttons).
    void tapAction(int index);
    // Closed, without options: the state every row starts in. The table applies it to each cell it
    // is handed for a row, so a subclass that resets nothing in prepareForReuse() still never shows
    // the options of the row the cell showed before.
    void resetRowActions();

signals:
    // The options opened (true) or closed (false), by a swipe, a tap, the table or reuse.
    void rowActionsStateChanged(bool open);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    virtual void layoutSubviews();

private:
    int actionsWidth() const;
    void setShift(qreal shift);

    Style m_style;
    QWidget* m_content = nullptr;
    QLabel* m_text = nullptr;
    QLabel* m_detail = nullptr;
    QWidget* m_actionsPanel = nullptr;
    QList<RowAction> m_actions;
    std::function<void(int)> m_onAction;
    Accessory m_accessory = Accessory::None;
    SelectionStyle m_selectionStyle = SelectionStyle::Default;
    QColor m_selectedBackground{217, 217, 217};
    bool m_separator = true;
    int m_separatorInset = 15;
    QColor m_separatorColor{200, 199, 204};
    bool m_revealed = false;
    qreal m_shift = 0; // how far the content is slid aside now
    quint64 m_slide = 0;
};

} // namespace pelnix::platform::ui
