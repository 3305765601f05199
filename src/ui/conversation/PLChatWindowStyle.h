#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

// The look shared by the chat window's cells and views: fonts by PostScript name, colours from
// colour texts, bundle images (each read once per process).
namespace pelnix::PLChatWindowStyle {

QFont font(const QString& postScriptName, qreal size);
QFont messageFont();
QFont senderNameFont();
QFont timeFont();
QFont systemEventFont();
// A colour given as text ("808080").
QColor color(const QString& text);
QColor readTextColor();
QColor readSystemEventColor();
QColor unreadSystemEventColor();
QImage image(const QString& name);
// `rect` of a view `width` wide, mirrored for a right-to-left layout.
QRect mirrored(const QRect& rect, int width, bool rightToLeft);

} // namespace pelnix::PLChatWindowStyle
