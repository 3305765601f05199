#pragma once

#include "TintColor.h"

#include <QColor>
#include <QStringList>
#include <QWidget>

namespace pelnix::platform::ui {

// The section index along the trailing edge of a list ("A" ... "Z", "#"; the left edge when mirrored,
// away from the section headers' titles); touching or dragging over a title picks it.
class SectionIndexBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 18;

    explicit SectionIndexBar(QWidget* parent = nullptr);
    void setTitles(const QStringList& titles);
    QStringList titles() const { return m_titles; }
    void setColor(const QColor& color);
    // The index of the title under the bar's point `y`, or -1.
    int indexAt(qreal y) const;

signals:
    void picked(int index, const QString& title);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    qreal rowHeight() const;
    void pick(qreal y);

    QStringList m_titles;
    QColor m_color = defaultTintColor();
    int m_last = -1;
};

} // namespace pelnix::platform::ui
