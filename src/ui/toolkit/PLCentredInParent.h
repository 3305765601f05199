#pragma once

#include <QObject>

class QWidget;

namespace pelnix {

// Keeps a passing view (a floating label, a banner) horizontally in the middle of the view that holds
// it while that view changes size; its height and its place from the top are left as they are.
class PLCentredInParent : public QObject {
public:
    // Centres `view` in its parent now and whenever the parent changes width; ends with `view`.
    static void keep(QWidget* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PLCentredInParent(QWidget* view);
    void centre();

    QWidget* m_view;
};

} // namespace pelnix
