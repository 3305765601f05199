#pragma once

#include "TintColor.h"

#include <QColor>
#include <QStringList>
#include <QWidget>

namespace pelnix::platform::ui {

// A row of titled segments, at most one selected. A tap on a segment selects it and emits
// valueChanged(); setSelectedSegmentIndex() from code does not. Disabled segments ignore taps. The
// titles are in the library's face (kTitlePixelSize) until the control is given a font of its own.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kNoSegment = -1;
    // Room kept free beside a segment's title.
    static constexpr int kTitlePadding = 8;
    // The titles' size in the library's face, as the stock control of 29 pixels' height has them.
    static constexpr int kTitlePixelSize = 13;

    explicit SegmentedControl(const QStringList& titles = {}, QWidget* parent = nullptr);

    int numberOfSegments() const { return int(m_titles.size()); }
    void setTitles(const QStringList& titles);
    QString titleForSegment(int index) const { return m_titles.value(index); }
    // The title as drawn: whole, or ended with an ellipsis where even a share by content cannot fit it.
    QString shownTitleForSegment(int index) const;
    void setTitleForSegment(const QString& title, int index);
    void setEnabledForSegment(bool enabled, int index);
    bool isEnabledForSegment(int index) const;

    int selectedSegmentIndex() const { return m_selected; }
    // Out-of-range values clear the selection.
    void setSelectedSegmentIndex(int index);

    QColor tintColor() const { return m_tint; }
    void setTintColor(const QColor& color);

    // The segment under a point, or kNoSegment.
    int segmentAt(const QPoint& point) const;
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;

signals:
    void valueChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QStringList m_titles;
    QList<bool> m_enabled;
    int m_selected = kNoSegment;
    int m_pressed = kNoSegment;
    QColor m_tint = defaultTintColor();
};

} // namespace pelnix::platform::ui
