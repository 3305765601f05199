#pragma once

// A host's program font for the tests of the library's own faces: DejaVu Serif at 9 points, a desktop
// default of another face and size, set for the whole test program while the object lives.

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QString>
#include <QWidget>

namespace pelnix::test {

class HostProgramFont {
public:
    HostProgramFont() : m_before(QApplication::font()) {
        QApplication::setFont(QFont(QStringLiteral("DejaVu Serif"), 9));
    }
    ~HostProgramFont() { QApplication::setFont(m_before); }
    HostProgramFont(const HostProgramFont&) = delete;
    HostProgramFont& operator=(const HostProgramFont&) = delete;

    // The face `widget` shows its text in, as "DejaVu Sans 15" or "DejaVu Sans 14 bold" (the size in
    // pixels).
    static QString faceOf(const QWidget* widget) {
        const QFont font = widget->font();
        return QStringLiteral("%1 %2%3")
            .arg(QFontInfo(font).family())
            .arg(QFontInfo(font).pixelSize())
            .arg(font.bold() ? QStringLiteral(" bold") : QString());
    }

private:
    QFont m_before;
};

} // namespace pelnix::test
