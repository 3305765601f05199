#include "ui/conversation/PLChatletListFieldView.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Button.h"
#include "ui/toolkit/PLCustomTextField.h"
#include "ui/toolkit/ToolkitStyle.h"

#include <QVBoxLayout>

namespace pelnix {

PLChatletListFieldView::PLChatletListFieldView(const QVariantMap& definition, QWidget* parent)
    : PLChatletFormFieldView(definition, parent) {
    m_add = new platform::ui::Button;
    m_add->setObjectName(QStringLiteral("addEntryButton"));
    m_add->setTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("+ Add")));
    m_add->setTitleColor(QColor(0, 134, 202));
    m_add->setTitleColor(QColor(0xB0, 0xB0, 0xB5), platform::ui::Button::State::Disabled);
    m_add->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 14));
    m_add->setFixedHeight(30);
    m_add->setFixedWidth(
        m_add->fontMetrics().horizontalAdvance(m_add->titleForState(platform::ui::Button::State::Normal)) +
        16);
    // The entry a click adds takes the keys, so the user types on into it.
    connect(m_add, &platform::ui::Button::clicked, this, [this] {
        const qsizetype before = m_entries.size();
        addEntry();
        if (m_entries.size() > before && m_entries.last())
            m_entries.last()->setFocus(Qt::OtherFocusReason);
    });
    // Placed after the first entries, so that Tab reaches them before "+ Add".
    for (int i = 0; i < minimum(); ++i)
        addEntry();
    body()->addWidget(m_add, 0, Qt::AlignLeft);
}

int PLChatletListFieldView::minimum() const {
    const int given = definition().value(QStringLiteral("min")).toInt();
    return given > 0 ? given : kDefaultMinimum;
}

int PLChatletListFieldView::maximum() const {
    const int given = definition().value(QStringLiteral("max")).toInt();
    return qMax(minimum(), given > 0 ? given : kDefaultMaximum);
}

void PLChatletListFieldView::addEntry() {
    if (m_entries.size() >= maximum())
        return;
    auto* line = new PLCustomTextField;
    line->setObjectName(QStringLiteral("entry.%1").arg(m_entries.size()));
    line->awakeFromNib();
    // What the user types reads as a value, not in the placeholder's grey.
    ToolkitStyle::applyFieldPalette(line, ToolkitStyle::textColor());
    line->setPlaceholder(QStringLiteral("%1 %2").arg(label()).arg(m_entries.size() + 1));
    connect(line, &QLineEdit::textChanged, this, &PLChatletFormFieldView::valueChanged);
    body()->insertWidget(body()->indexOf(m_add), line);
    // Tab runs through the entries in their order, then to "+ Add". (Placing the entry after the
    // previous one is what works: Qt 6.4 leaves the order as it was when asked to put "+ Add" after
    // an entry that ends the chain.)
    if (!m_entries.isEmpty() && m_entries.last())
        QWidget::setTabOrder(m_entries.last(), line);
    m_entries << line;
    m_add->setEnabled(m_entries.size() < maximum());
}

QList<PLCustomTextField*> PLChatletListFieldView::entryFields() const {
    QList<PLCustomTextField*> fields;
    for (const auto& line : m_entries)
        if (line)
            fields << line.data();
    return fields;
}

QVariant PLChatletListFieldView::value() const {
    QStringList entries;
    for (const auto* line : entryFields())
        if (!line->text().trimmed().isEmpty())
            entries << line->text().trimmed();
    return entries;
}

// A list needs its minimum of entries to count as filled.
bool PLChatletListFieldView::hasValue() const {
    return value().toStringList().size() >= minimum();
}

} // namespace pelnix
