#pragma once

#include <QWidget>

namespace pelnix::platform::ui {

// A plain view whose child views marked "fill" always cover it, each shifted by its own horizontal and
// vertical offset (used while sliding controllers in and out). Other children are left alone.
class ContainerView : public QWidget {
    Q_OBJECT
public:
    explicit ContainerView(QWidget* parent = nullptr);

    void addFillingView(QWidget* view);
    static void setFillOffset(QWidget* view, QPointF offset);
    void layoutFillingViews();

    // The size it asks of a layout that asks (none, as a plain QWidget, until set). It asks for no
    // minimum either way: its filling views follow whatever size it is given.
    void setSizeHint(QSize size);
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    QSize m_sizeHint;
};

} // namespace pelnix::platform::ui
