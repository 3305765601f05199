#pragma once

#include <QWidget>

namespace pelnix {

// A separator line filled with the library's separator pattern.
class PLCustomSeparatorView : public QWidget {
    Q_OBJECT
public:
    explicit PLCustomSeparatorView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pelnix
