#include "ui/conversation/PLChatletFormView.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Label.h"
#include "ui/conversation/ConversationSmartLog.h"
#include "ui/conversation/PLChatletChoiceFieldView.h"
#include "ui/conversation/PLChatletListFieldView.h"
#include "ui/conversation/PLChatletPickedValueFieldView.h"
#include "ui/conversation/PLChatletTextFieldView.h"

#include <QApplication>
#include <QEvent>
#include <QVBoxLayout>

namespace pelnix {

namespace {
PLChatletFormFieldView* makeField(const QVariantMap& definition) {
    const QString type = definition.value(QStringLiteral("type")).toString();
    if (type == QLatin1String("text") || type == QLatin1String("textarea"))
        return new PLChatletTextFieldView(definition);
    if (type == QLatin1String("list"))
        return new PLChatletListFieldView(definition);
    if (type == QLatin1String("choice"))
        return new PLChatletChoiceFieldView(definition);
    if (type == QLatin1String("contact") || type == QLatin1String("location"))
        return new PLChatletPickedValueFieldView(definition);
    return nullptr;
}

QString text(const QVariantMap& map, const char* key) {
    return map.value(QLatin1String(key)).toString();
}
} // namespace

PLChatletFormView::PLChatletFormView(QWidget* parent)
    : ScrollView(parent), m_content(new QWidget), m_title(new platform::ui::Label) {
    setObjectName(QStringLiteral("chatletFormView"));
    // Its fields take the keys; the scrolling view around them shows no focus of its own.
    setFocusPolicy(Qt::NoFocus);
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        connect(app, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { showField(now); });
    m_content->setObjectName(QStringLiteral("formContent"));
    m_content->setAutoFillBackground(true);
    QPalette palette = m_content->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_content->setPalette(palette);
    auto* column = new QVBoxLayout(m_content);
    column->setContentsMargins(0, 12, 0, 20);
    column->setSpacing(4);
    m_title->setObjectName(QStringLiteral("formTitle"));
    m_title->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), 18));
    m_title->setTextColor(QColor(0x22, 0x22, 0x22));
    m_title->setNumberOfLines(0);
    auto* titleRow = new QWidget;
    auto* titleLayout = new QVBoxLayout(titleRow);
    titleLayout->setContentsMargins(15, 0, 15, 4);
    titleLayout->addWidget(m_title);
    column->addWidget(titleRow);
    // Extra height goes below the fields, never between them.
    column->addStretch(1);
    setContentWidget(m_content);
    setShowsHorizontalScrollIndicator(false);
    // Fields that grow (a list's new line) grow the content.
    m_content->installEventFilter(this);
}

QString PLChatletFormView::excess(const QString& title, const QVariantList& fields) {
    if (title.size() > kMaxTextLength)
        return QStringLiteral("a title of %1 characters").arg(title.size());
    if (fields.size() > kMaxFields)
        return QStringLiteral("%1 fields").arg(fields.size());
    for (const QVariant& entry : fields) {
        const QVariantMap field = entry.toMap();
        const QString label = text(field, "label");
        if ((label.isEmpty() ? text(field, "id") : label).size() > kMaxTextLength)
            return QStringLiteral("a label of %1 characters")
                .arg(qMax(label.size(), text(field, "id").size()));
        if (field.value(QStringLiteral("min")).toDouble() > kMaxListEntries)
            return QStringLiteral("a list of at least %1 entries")
                .arg(field.value(QStringLiteral("min")).toDouble());
        const QVariantList choices = field.value(QStringLiteral("choices")).toList();
        if (choices.size() > kMaxChoices)
            return QStringLiteral("%1 choices").arg(choices.size());
        for (const QVariant& choice : choices)
            if (text(choice.toMap(), "text").size() > kMaxTextLength)
                return QStringLiteral("a choice of %1 characters").arg(text(choice.toMap(), "text").size());
    }
    return {};
}

void PLChatletFormView::setForm(const QString& title, const QVariantList& fields) {
    qDeleteAll(m_fields);
    m_fields.clear();
    const QString excess = PLChatletFormView::excess(title, fields);
    m_tooLarge = !excess.isEmpty();
    if (m_tooLarge) {
        qCWarning(lcConversationSmart) << "a form too large to show, with" << excess;
        m_title->setText(
            PLCurrentBundleInfo::localizedString(QStringLiteral("This form is too large to show.")));
        layOut();
        return;
    }
    m_title->setText(title);
    auto* column = static_cast<QVBoxLayout*>(m_content->layout());
    for (const QVariant& entry : fields) {
        PLChatletFormFieldView* field = makeField(entry.toMap());
        if (!field)
            continue;
        column->insertWidget(column->count() - 1, field);
        m_fields << field;
    }
    layOut();
}

PLChatletFormFieldView* PLChatletFormView::fieldView(const QString& id) const {
    for (PLChatletFormFieldView* field : m_fields)
        if (field->fieldId() == id)
            return field;
    return nullptr;
}

QVariantMap PLChatletFormView::values() const {
    QVariantMap values;
    for (const PLChatletFormFieldView* field : m_fields)
        values.insert(field->fieldId(), field->value());
    return values;
}

PLChatletFormFieldView* PLChatletFormView::firstMissingRequiredField() const {
    for (PLChatletFormFieldView* field : m_fields)
        if (field->isRequired() && !field->hasValue())
            return field;
    return nullptr;
}

void PLChatletFormView::resizeEvent(QResizeEvent* event) {
    ScrollView::resizeEvent(event);
    layOut();
}

bool PLChatletFormView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_content && event->type() == QEvent::LayoutRequest)
        QMetaObject::invokeMethod(
            this, [this] { layOut(); }, Qt::QueuedConnection);
    return ScrollView::eventFilter(watched, event);
}

void PLChatletFormView::layOut() {
    const int width = viewport()->width();
    QLayout* column = m_content->layout();
    column->activate();
    const int height = qMax(viewport()->height(), column->hasHeightForWidth() ? column->heightForWidth(width)
                                                                              : column->sizeHint().height());
    m_content->resize(width, height);
    setContentSize(QSizeF(width, height));
}

void PLChatletFormView::showField(QWidget* focus) {
    if (focus && m_content->isAncestorOf(focus))
        scrollRectToVisible(QRectF(focus->mapTo(m_content, QPoint()), focus->size()), false);
}

} // namespace pelnix
