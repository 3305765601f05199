#pragma once

#include <QWidget>
#include <functional>

namespace pelnix {

// The white root view of a full-screen account page, which tells its screen whenever it has been
// resized or its layout direction has turned, so the screen can lay out its blocks.
class PLPageView : public QWidget {
    Q_OBJECT
public:
    explicit PLPageView(std::function<void()> laidOut, QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::function<void()> m_laidOut;
};

} // namespace pelnix
