#include "ui/conversation/PLChatletCategoryViewController.h"

#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/TableView.h"
#include "ui/toolkit/Geometry.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>

namespace pelnix {

using platform::ui::TableViewCell;

namespace {
const QString kCellIdentifier = QStringLiteral("ChatletCell");

// A chatlet's row: its name over its description, both at the row's leading edge in either direction.
class ChatletCell : public TableViewCell {
public:
    ChatletCell() : TableViewCell(Style::Subtitle, kCellIdentifier) {
        textLabel()->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), 15));
        detailTextLabel()->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 13));
        QPalette palette = detailTextLabel()->palette();
        palette.setColor(QPalette::WindowText, QColor(0x8E, 0x8E, 0x93));
        detailTextLabel()->setPalette(palette);
        setAccessoryType(Accessory::DisclosureIndicator);
        ButtonAdditions::setCustomHighlightColor(this);
    }

protected:
    // A label aligns its text by the text's own direction unless told an absolute side: an English
    // name would stay at the left of a mirrored row.
    void layoutSubviews() override {
        TableViewCell::layoutSubviews();
        const Qt::Alignment leading = Geometry::leadingAlignment(layoutDirection() == Qt::RightToLeft);
        textLabel()->setAlignment(leading | Qt::AlignVCenter);
        detailTextLabel()->setAlignment(leading | Qt::AlignVCenter);
    }
};
} // namespace

PLChatletCategoryViewController::PLChatletCategoryViewController(const QString& category,
                                                                 const QVariantList& chatlets,
                                                                 PickHandler picked, QObject* parent)
    : ViewController(parent), m_chatlets(chatlets), m_picked(std::move(picked)) {
    setTitle(category);
}

QWidget* PLChatletCategoryViewController::loadView() {
    auto* root = new QWidget;
    root->setObjectName(QStringLiteral("chatletCategory"));
    m_table = new platform::ui::TableView(root);
    m_table->setObjectName(QStringLiteral("chatletTable"));
    m_table->setRowHeight(kRowHeight);
    m_table->registerCell(kCellIdentifier, [] { return new ChatletCell; });
    m_table->setDataSource(this);
    m_table->setDelegate(this);
    m_table->installEventFilter(this);
    auto* layout = new QGridLayout(root);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table, 0, 0);
    return root;
}

int PLChatletCategoryViewController::numberOfRowsInSection(platform::ui::TableView*, int) {
    return int(m_chatlets.size());
}

TableViewCell* PLChatletCategoryViewController::cellForRowAtIndexPath(platform::ui::TableView* table,
                                                                      const platform::ui::IndexPath& path) {
    TableViewCell* cell = table->dequeueReusableCell(kCellIdentifier);
    const QVariantMap chatlet = m_chatlets.value(path.row).toMap();
    const QString name = chatlet.value(QStringLiteral("displayname")).toString();
    cell->textLabel()->setText(name.isEmpty() ? chatlet.value(QStringLiteral("name")).toString() : name);
    cell->detailTextLabel()->setText(chatlet.value(QStringLiteral("description")).toString());
    return cell;
}

void PLChatletCategoryViewController::didSelectRowAtIndexPath(platform::ui::TableView* table,
                                                              const platform::ui::IndexPath& path) {
    table->deselectRow(path, true);
    m_keyRow = path.row;
    if (m_picked && path.row < m_chatlets.size())
        m_picked(m_chatlets.at(path.row).toMap());
}

bool PLChatletCategoryViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table) {
        switch (event->type()) {
        case QEvent::FocusIn:
            // A click picks its row at once; keys that came any other way show where they are.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason)
                markRow(m_keyRow);
            break;
        case QEvent::FocusOut:
            unmarkRow();
            break;
        case QEvent::KeyPress:
            if (keyPressed(static_cast<QKeyEvent*>(event)))
                return true;
            break;
        default:
            break;
        }
    }
    return ViewController::eventFilter(watched, event);
}

QWidget* PLChatletCategoryViewController::preferredFocusWidget() {
    return m_table;
}

bool PLChatletCategoryViewController::keyPressed(const QKeyEvent* event) {
    if (event->modifiers() & ~Qt::KeypadModifier)
        return false;
    switch (event->key()) {
    case Qt::Key_Up:
        markRow(m_keyRow - 1);
        return true;
    case Qt::Key_Down:
        markRow(m_keyRow + 1);
        return true;
    case Qt::Key_Home:
        markRow(0);
        return true;
    case Qt::Key_End:
        markRow(int(m_chatlets.size()) - 1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Held down, it picks once: its repeats would reach the form it opens.
        if (!event->isAutoRepeat() && m_keyRow < m_chatlets.size())
            didSelectRowAtIndexPath(m_table, platform::ui::IndexPath::forRow(m_keyRow));
        return true;
    default:
        return false;
    }
}

void PLChatletCategoryViewController::markRow(int row) {
    if (m_chatlets.isEmpty())
        return;
    m_keyRow = qBound(0, row, int(m_chatlets.size()) - 1);
    const auto path = platform::ui::IndexPath::forRow(m_keyRow);
    m_table->selectRow(path, false);
    m_table->scrollToRowAtIndexPath(path, platform::ui::RowListView::ScrollPosition::None, false);
}

void PLChatletCategoryViewController::unmarkRow() {
    if (const auto selected = m_table->indexPathForSelectedRow())
        m_table->deselectRow(*selected, false);
}

} // namespace pelnix
