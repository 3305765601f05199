#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/AttributedString.h"

#include <QColor>
#include <QFont>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

class QWidget;

Q_DECLARE_LOGGING_CATEGORY(lcAccountScreens)

namespace pelnix {

namespace platform::ui {
class Button;
class Label;
class TextView;
class ViewController;
} // namespace platform::ui

// What the account screens share: texts from the bundle, colours and fonts by name, alerts in the
// screen's window, the host container's navigation item, and attributed text in text views.
namespace AccountUi {

QString localized(const char* text);
QString localized(const QString& text);
// The localized `format` with each "%@" (or "%d") filled, in order, from `values`, each value
// isolated in its own direction.
QString localizedFormat(const char* format, const QStringList& values);
// A colour from a hexadecimal text such as "0086CA".
QColor hexColor(const char* hex);
// A DejaVu face by PostScript name at `size` points.
QFont font(const char* postScriptName, qreal size);
// The size of a font in points (logical pixels), however it was set.
qreal pointSize(const QFont& font);

// Shows an alert in the window of `controller` (the key window when it has none). `onClick` hears the
// tapped button's index (0 is the cancel button when there is one).
platform::ui::AlertView* showAlert(platform::ui::ViewController* controller, const QString& title,
                                   const QString& message, const QString& cancelButton,
                                   const QStringList& otherButtons = {}, int tag = 0,
                                   platform::ui::AlertView::ClickHandler onClick = {});
// "OK" alert with the localized title and message.
platform::ui::AlertView* showOkAlert(platform::ui::ViewController* controller, const QString& title,
                                     const QString& message);

// The facade's own container, whose navigation item a hosted screen uses for its title and buttons.
bool isHostedByPelnixViewController(const platform::ui::ViewController* controller);
// The controller whose navigation item carries the screen's title and bar items.
platform::ui::ViewController* navigationItemOwner(platform::ui::ViewController* controller);

// The form screens' pieces: a blue bold heading, a text in `face` at `size` in a colour, wrapped
// and centred; the filled blue action button; a plain blue text button.
platform::ui::Label* heading(const QString& text, QWidget* parent);
platform::ui::Label* centredText(const char* face, qreal size, const char* hex, QWidget* parent);
platform::ui::Button* primaryButton(const QString& title, QWidget* parent);
platform::ui::Button* linkButton(const QString& title, QWidget* parent);

// Enabled with full opacity, or disabled at half.
void setEnabledWithAlpha(QWidget* control, bool enabled);

// Shows `text` (runs, links, line spacing) in a read-only text view, aligned as given.
void showAttributedText(platform::ui::TextView* view, const platform::ui::AttributedString& text,
                        Qt::Alignment alignment);
// The localized `text` with its spaces removed, percent-escaped, as a link address.
QUrl linkForText(const QString& text);

} // namespace AccountUi
} // namespace pelnix
