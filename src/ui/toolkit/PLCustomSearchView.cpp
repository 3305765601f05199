#include "PLCustomSearchView.h"

#include "Color.h"
#include "PLCustomSearchTextField.h"
#include "ToolkitStyle.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/DeviceInfo.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/Button.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>

namespace pelnix {

using platform::ui::Button;

namespace {
QColor brandBlue() {
    return Color::colorWithString(QStringLiteral("0086ca")).toQColor();
}

// The cancel button with the field's border.
class BorderedButton : public Button {
public:
    using Button::Button;

protected:
    void paintEvent(QPaintEvent* event) override {
        Button::paintEvent(event);
        QPainter painter(this);
        ToolkitStyle::paintFieldBorder(painter, rect(), ToolkitStyle::borderColor());
    }
};

QFont withPixelSize(QFont font, qreal size) {
    font.setPixelSize(qMax(1, qRound(size)));
    return font;
}
} // namespace

PLCustomSearchView* PLCustomSearchView::instanceWithOwner(QObject* owner) {
    const auto direction = DeviceInfo::currentLocaleIsOfRTLType() ? Qt::RightToLeft : Qt::LeftToRight;
    return new PLCustomSearchView(direction, qobject_cast<QWidget*>(owner));
}

PLCustomSearchView::PLCustomSearchView(Qt::LayoutDirection direction, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PLCustomSearchView"));
    setLayoutDirection(direction);
    m_placeholderFont = ToolkitStyle::lightFont();

    m_field = new PLCustomSearchTextField(this);
    m_field->setObjectName(QStringLiteral("searchTextField"));
    const QImage icon = ImageAdditions::loadImageNamed(QStringLiteral("search_icon"));
    m_field->setSearchIcon(icon);
    m_field->setClearButtonShown(true);
    m_field->setPlaceholderColor(brandBlue());
    setFieldFont(m_placeholderFont);
    m_field->setShouldChangeCharacters([this](int start, int length, const QString& replacement) {
        return shouldChangeCharacters(start, length, replacement);
    });
    connect(m_field, &PLCustomSearchTextField::editingChanged, this, &PLCustomSearchView::textFieldDidChange);
    // The field checks an edit after applying it; the length before it is kept here.
    connect(m_field, &PLCustomSearchTextField::textChanged, this,
            [this](const QString& text) { m_lengthBeforeEdit = text.size(); });
    connect(m_field, &PLCustomSearchTextField::editingDidBegin, this, [this] { m_cancel->setEnabled(true); });
    connect(m_field, &PLCustomSearchTextField::editingDidEnd, this, [this] {
        if (m_field->text().isEmpty())
            setFieldFont(m_placeholderFont);
    });
    connect(m_field, &PLCustomSearchTextField::returnPressed, this,
            [this] { m_field->resignFirstResponder(); });

    m_cancel = new BorderedButton(this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("Cancel")));
    m_cancel->setTitleFont(typingFont());
    m_cancel->setTitleColor(brandBlue());
    m_cancel->setTitleColor(CustomColors::customBlueBackgroundColor(), Button::State::Disabled);
    m_cancel->setContentEdgeInsets(QMargins(10, 0, 10, 0));
    m_cancel->setEnabled(false);
    // Like a bar button it never takes the focus, so tapping it leaves the field editing.
    m_cancel->setFocusPolicy(Qt::NoFocus);
    connect(m_cancel, &Button::clicked, this, &PLCustomSearchView::cancelSearch);

    // The layout direction mirrors the row: the cancel button ends up on the left in right-to-left.
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 6, 8, 6);
    row->setSpacing(8);
    row->addWidget(m_field, 1);
    row->addWidget(m_cancel);
    m_field->setMinimumHeight(qRound(ToolkitStyle::kSearchFieldHeight));
    m_cancel->setMinimumHeight(qRound(ToolkitStyle::kSearchFieldHeight));

    m_field->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_field);
    m_field->setAccessibleName(QStringLiteral("search"));
}

QFont PLCustomSearchView::typingFont() {
    return ToolkitStyle::regularFont();
}

void PLCustomSearchView::setFieldFont(const QFont& font) {
    m_field->setFont(font);
    m_field->setPlaceholderFont(m_placeholderFont);
}

void PLCustomSearchView::setPlaceholderText(const QString& text) {
    const QString value = text.isNull() ? QString(QLatin1String("")) : text;
    if (m_placeholderText && *m_placeholderText == value)
        return;
    m_placeholderText = value;
    m_field->setPlaceholder(value);
    m_placeholderFont = withPixelSize(m_field->font(), requiredFontSizeForPlaceholderText(value));
    setFieldFont(m_placeholderFont);
}

void PLCustomSearchView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The fit depends on the field's width, which a code-built bar learns only now: fit again from
    // the full size.
    if (!m_placeholderText || !layout())
        return;
    layout()->activate();
    m_placeholderFont = withPixelSize(m_placeholderFont, ToolkitStyle::kFontSize);
    m_placeholderFont =
        withPixelSize(m_placeholderFont, requiredFontSizeForPlaceholderText(*m_placeholderText));
    if (m_field->text().isEmpty())
        setFieldFont(m_placeholderFont);
    else
        m_field->setPlaceholderFont(m_placeholderFont);
}

qreal PLCustomSearchView::requiredFontSizeForPlaceholderText(const QString& text) const {
    const qreal available = m_field->textRectWidth();
    const qreal needed = QFontMetricsF(m_placeholderFont).horizontalAdvance(text);
    return needed >= available ? m_field->minimumFontSize() : qreal(m_placeholderFont.pixelSize());
}

QString PLCustomSearchView::textFieldText() const {
    return m_field->text();
}

void PLCustomSearchView::clearText() {
    m_field->setText(QString());
}

void PLCustomSearchView::makeTextFieldFirstResponder() {
    m_field->becomeFirstResponder();
}

void PLCustomSearchView::makeTextFieldResignResponder() {
    m_field->resignFirstResponder();
}

void PLCustomSearchView::disableCancelButton() {
    m_cancel->setEnabled(false);
}

void PLCustomSearchView::cancelSearch() {
    if (PLCustomSearchDelegate* delegate = m_delegate.get())
        delegate->searchViewCancelledSearch();
}

void PLCustomSearchView::textFieldDidChange() {
    if (PLCustomSearchDelegate* delegate = m_delegate.get())
        delegate->searchTextFieldDidChange(m_field);
    // The delegate may have dropped the bar.
    if (m_field && m_field->text().isEmpty())
        setFieldFont(m_placeholderFont);
}

bool PLCustomSearchView::shouldChangeCharacters(int, int length, const QString& replacement) {
    // Decided on the length after the edit: a paste of several characters keeps the placeholder font.
    const qsizetype after = m_lengthBeforeEdit + replacement.size() - length;
    if (after == 1)
        setFieldFont(typingFont());
    else if (after == 0)
        setFieldFont(m_placeholderFont);
    return true;
}

} // namespace pelnix
