#pragma once

#include "ReusableView.h"

namespace pelnix::platform::ui {

// An item of a collection: a content view for the subclass's views.
class CollectionViewCell : public ReusableView {
    Q_OBJECT
public:
    explicit CollectionViewCell(const QString& reuseIdentifier = {}, QWidget* parent = nullptr);
    QWidget* contentView() const { return m_content; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_content;
};

} // namespace pelnix::platform::ui
