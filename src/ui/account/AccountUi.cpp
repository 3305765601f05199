#include "ui/account/AccountUi.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/BidiText.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "ui/toolkit/Color.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

Q_LOGGING_CATEGORY(lcAccountScreens, "pelnix.ui.account", QtWarningMsg)

namespace pelnix::AccountUi {

using namespace platform::ui;

QString localized(const char* text) {
    return PLCurrentBundleInfo::localizedString(QString::fromUtf8(text));
}

QString localized(const QString& text) {
    return PLCurrentBundleInfo::localizedString(text);
}

QString localizedFormat(const char* format, const QStringList& values) {
    QString text = localized(format);
    qsizetype from = 0;
    for (const QString& given : values) {
        // Isolated, a value cannot reorder the words around it.
        const QString value = platform::BidiText::isolated(given);
        const qsizetype object = text.indexOf(QLatin1String("%@"), from);
        const qsizetype number = text.indexOf(QLatin1String("%d"), from);
        qsizetype at = object < 0 ? number : (number < 0 ? object : qMin(object, number));
        if (at < 0)
            break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}

QColor hexColor(const char* hex) {
    return Color::colorWithString(QString::fromLatin1(hex)).toQColor();
}

QFont font(const char* postScriptName, qreal size) {
    return CustomFontRegistration::fontWithName(QString::fromLatin1(postScriptName), size);
}

qreal pointSize(const QFont& font) {
    return font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF();
}

AlertView* showAlert(ViewController* controller, const QString& title, const QString& message,
                     const QString& cancelButton, const QStringList& otherButtons, int tag,
                     AlertView::ClickHandler onClick) {
    auto* alert = new AlertView(title, message, cancelButton, otherButtons, std::move(onClick));
    alert->setTag(tag);
    alert->show(controller ? controller->window() : nullptr);
    return alert;
}

AlertView* showOkAlert(ViewController* controller, const QString& title, const QString& message) {
    return showAlert(controller, title, message, localized("OK"));
}

bool isHostedByPelnixViewController(const ViewController* controller) {
    const ViewController* parent = controller ? controller->parentViewController() : nullptr;
    return parent && parent->inherits("pelnix::PelnixViewController");
}

ViewController* navigationItemOwner(ViewController* controller) {
    return isHostedByPelnixViewController(controller) ? controller->parentViewController() : controller;
}

Label* heading(const QString& text, QWidget* parent) {
    auto* label = new Label(text, parent);
    label->setNumberOfLines(0);
    label->setFont(font("DejaVuSans-Bold", 22));
    label->setTextColor(hexColor("0086CA"));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

Label* centredText(const char* face, qreal size, const char* hex, QWidget* parent) {
    auto* label = new Label(QString(), parent);
    label->setNumberOfLines(0);
    label->setFont(font(face, size));
    label->setTextColor(hexColor(hex));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

Button* primaryButton(const QString& title, QWidget* parent) {
    auto* button = new Button(parent);
    button->setTitle(title);
    button->setTitleColor(Qt::white);
    button->setTitleFont(font("DejaVuSans-Bold", 17));
    button->setBackgroundColor(hexColor("0086CA"));
    button->setCornerRadius(4);
    return button;
}

Button* linkButton(const QString& title, QWidget* parent) {
    auto* button = new Button(parent);
    button->setTitle(title);
    button->setTitleColor(hexColor("0086CA"));
    button->setTitleFont(font("DejaVuSans", 15));
    return button;
}

void setEnabledWithAlpha(QWidget* control, bool enabled) {
    if (!control)
        return;
    control->setEnabled(enabled);
    Animator::setAlpha(control, enabled ? 1.0 : 0.5);
}

void showAttributedText(TextView* view, const AttributedString& text, Qt::Alignment alignment) {
    if (!view)
        return;
    QTextDocument* document = view->document();
    document->clear();
    document->setDocumentMargin(0);
    QTextCursor cursor(document);
    QTextBlockFormat block;
    block.setAlignment(alignment);
    if (text.lineSpacing() > 0)
        block.setLineHeight(text.lineSpacing(), QTextBlockFormat::LineDistanceHeight);
    cursor.setBlockFormat(block);

    // Each character takes the attributes of the last run covering it (later runs win).
    const QString plain = text.text();
    const auto runs = text.runs();
    const auto formatAt = [&](int index) {
        QTextCharFormat format;
        format.setFont(view->font());
        format.setForeground(view->palette().color(QPalette::Text));
        for (const AttributedString::Run& run : runs) {
            if (index < run.start || index >= run.start + run.length)
                continue;
            const TextAttributes& a = run.attributes;
            if (a.font)
                format.setFont(*a.font);
            if (a.color)
                format.setForeground(*a.color);
            if (a.kern) {
                format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
                format.setFontLetterSpacing(*a.kern);
            }
            if (a.bold)
                format.setFontWeight(QFont::Bold);
            if (a.underline)
                format.setFontUnderline(true);
            if (a.link.isValid()) {
                format.setAnchor(true);
                format.setAnchorHref(a.link.toString(QUrl::FullyEncoded));
            }
        }
        return format;
    };
    int start = 0;
    while (start < plain.size()) {
        const QTextCharFormat format = formatAt(start);
        int end = start + 1;
        while (end < plain.size() && formatAt(end) == format)
            ++end;
        // Line ends start a new block in the same paragraph style.
        const QStringList lines = plain.mid(start, end - start).split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0)
                cursor.insertBlock(block);
            cursor.insertText(lines[i], format);
        }
        start = end;
    }
}

QUrl linkForText(const QString& text) {
    QString compact = text;
    compact.remove(QLatin1Char(' '));
    return QUrl(QString::fromLatin1(QUrl::toPercentEncoding(compact)));
}

} // namespace pelnix::AccountUi
