#include "SearchBar.h"

#include "BarButtonItem.h"
#include "LibraryFont.h"
#include "SegmentedControl.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QToolButton>

namespace pelnix::platform::ui {

namespace {
constexpr int kMargin = 8;
constexpr int kFieldHeight = 28;
constexpr int kFieldTextPixelSize = 15;

// The magnifier drawn in grey, for the field's leading action.
QIcon magnifierIcon() {
    QPixmap pixmap(28, 28);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(142, 142, 147), 2));
    p.drawEllipse(QRectF(6, 6, 11, 11));
    p.drawLine(QPointF(15.5, 15.5), QPointF(21, 21));
    return QIcon(pixmap);
}
} // namespace

SearchBar::SearchBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("searchBar"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("searchBar.field"));
    m_field->setFrame(false);
    m_field->setClearButtonEnabled(true);
    m_field->addAction(magnifierIcon(), QLineEdit::LeadingPosition);
    m_field->setPlaceholderText(QStringLiteral("Search"));
    // The text, the placeholder and Cancel in the library's face, never the host program's; the scope
    // bar's segments have their own.
    m_field->setFont(libraryFont(kFieldTextPixelSize));
    m_field->installEventFilter(this);
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, QColor(142, 142, 147, 30));
    m_field->setPalette(palette);
    connect(m_field, &QLineEdit::textEdited, this, &SearchBar::textDidChange);
    // Qt's clear button reports itself through textEdited too.
    connect(m_field, &QLineEdit::returnPressed, this, &SearchBar::searchButtonClicked);

    m_cancel = new QToolButton(this);
    m_cancel->setObjectName(QStringLiteral("searchBar.cancel"));
    m_cancel->setText(QStringLiteral("Cancel"));
    m_cancel->setFont(BarButtonItem::barItemFont());
    m_cancel->setAutoRaise(true);
    m_cancel->hide();
    connect(m_cancel, &QToolButton::clicked, this, &SearchBar::cancelButtonClicked);

    m_scope = new SegmentedControl({}, this);
    m_scope->setObjectName(QStringLiteral("searchBar.scope"));
    m_scope->hide();
    connect(m_scope, &SegmentedControl::valueChanged, this, &SearchBar::selectedScopeButtonIndexDidChange);
    layoutParts();
}

QString SearchBar::text() const {
    return m_field->text();
}

void SearchBar::setText(const QString& text) {
    const QSignalBlocker block(m_field);
    m_field->setText(text);
    m_field->setModified(false);
}

QString SearchBar::placeholder() const {
    return m_field->placeholderText();
}

void SearchBar::setPlaceholder(const QString& placeholder) {
    m_field->setPlaceholderText(placeholder);
}

void SearchBar::setShowsCancelButton(bool shows) {
    m_showsCancel = shows;
    m_cancel->setVisible(shows);
    layoutParts();
}

void SearchBar::setScopeButtonTitles(const QStringList& titles) {
    m_scopeTitles = titles;
    m_scope->setTitles(titles);
    if (!titles.isEmpty() && m_scope->selectedSegmentIndex() < 0)
        m_scope->setSelectedSegmentIndex(0);
}

void SearchBar::setShowsScopeBar(bool shows) {
    if (m_showsScope == shows)
        return;
    m_showsScope = shows;
    m_scope->setVisible(shows);
    setFixedHeight(sizeHint().height());
    updateGeometry();
    layoutParts();
}

int SearchBar::selectedScopeButtonIndex() const {
    return m_scope->selectedSegmentIndex();
}

void SearchBar::setSelectedScopeButtonIndex(int index) {
    m_scope->setSelectedSegmentIndex(index);
}

bool SearchBar::isEditing() const {
    return m_field->hasFocus();
}

void SearchBar::beginEditing() {
    m_field->setFocus(Qt::OtherFocusReason);
}

void SearchBar::endEditing() {
    m_field->clearFocus();
}

QSize SearchBar::sizeHint() const {
    return {320, kBarHeight + (m_showsScope ? kScopeHeight : 0)};
}

void SearchBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutParts();
}

void SearchBar::layoutParts() {
    const QRect bar(0, 0, width(), kBarHeight);
    int fieldWidth = width() - 2 * kMargin;
    if (m_showsCancel) {
        const int w = m_cancel->sizeHint().width();
        fieldWidth -= w + kMargin;
        m_cancel->setGeometry(
            QStyle::visualRect(layoutDirection(), bar, QRect(width() - kMargin - w, 0, w, kBarHeight)));
    }
    m_field->setGeometry(QStyle::visualRect(
        layoutDirection(), bar, QRect(kMargin, (kBarHeight - kFieldHeight) / 2, fieldWidth, kFieldHeight)));
    if (m_showsScope)
        m_scope->setGeometry(kMargin, kBarHeight + (kScopeHeight - 29) / 2, width() - 2 * kMargin, 29);
}

void SearchBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(201, 201, 206));
    p.fillRect(QRect(0, height() - 1, width(), 1), QColor(178, 178, 178));
}

bool SearchBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field) {
        if (event->type() == QEvent::FocusIn)
            emit textDidBeginEditing();
        else if (event->type() == QEvent::FocusOut)
            emit textDidEndEditing();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pelnix::platform::ui
