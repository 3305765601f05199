#pragma once

#include "platform/ui/ReusableView.h"

namespace pelnix {

namespace platform::ui {
class Label;
}
class PLCustomSeparatorView;

// The letter over a section of the contact picker: blue bold title on white, with a line at its foot
// from the text's inset to the right edge.
class PLContactsSectionHeaderView : public platform::ui::ReusableView {
    Q_OBJECT
public:
    static inline const QString kReuseIdentifier = QStringLiteral("PLContactsSectionHeader");
    static constexpr int kInset = 15;

    PLContactsSectionHeaderView();

    void setTitle(const QString& title);
    QString title() const;
    platform::ui::Label* titleLabel() const { return m_title; }
    PLCustomSeparatorView* lineView() const { return m_line; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    platform::ui::Label* m_title = nullptr;
    PLCustomSeparatorView* m_line = nullptr;
};

} // namespace pelnix
