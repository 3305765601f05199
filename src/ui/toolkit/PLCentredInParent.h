#pragma once

#include <QObject>

class QWidget;

namespace pelnix {

// Keeps a passing view (a floating label, a banner) placed in the middle of the view that holds it
// while that view changes width: it moves by half of each change. Its place from the top is left as
// it is.
class PLCentredInParent : public QObject {
public:
    // `view`, already centred in its parent, stays so; the keeper ends with `view`.
    static void keep(QWidget* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PLCentredInParent(QWidget* view);

    QWidget* m_view;
};

} // namespace pelnix
