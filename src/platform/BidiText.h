#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <Qt>

#include <optional>

namespace pelnix::platform {

// Directional formatting characters in text that people and the server send. Such a character can
// make text read otherwise than it is stored: an address shown as "zyx@live.com" that is really
// "moc.evil@xyz", a file name that seems to end in ".png", or a name that reverses the words after it.
//
// The controls are U+061C, U+200E, U+200F, U+202A-U+202E and U+2066-U+2069.
class BidiText {
public:
    static bool isControl(char32_t c);
    static bool hasControls(const QString& text);
    // The text without its controls: for an address or a number that an action uses, and that is
    // shown as the action uses it.
    static QString withoutControls(const QString& text);
    // The text with each control shown as U+FFFD: for a file name, whose reader must see its real
    // order and extension.
    static QString withControlsShown(const QString& text);
    // The text as a first-strong isolate (U+2068 ... U+2069) when it holds anything that could
    // reorder the text around it (right-to-left letters, Arabic digits or controls), else as it is.
    // Its own controls are balanced first, so none ends the isolate early or outlives it; each line
    // is isolated on its own, as a paragraph end ends every embedding.
    static QString isolated(const QString& text);
    // Whether isolated() would wrap the text.
    static bool needsIsolation(const QString& text);
    // The direction of the text's first strong character outside any isolate, for text laid out as
    // one paragraph (the bidirectional algorithm's rules P2 and P3): right to left for a
    // right-to-left letter, else left to right, also when it has no strong character.
    static Qt::LayoutDirection firstStrongDirection(QStringView text);
    // The same, none for a text without a strong character (digits, punctuation, nothing), which a
    // field shows in its own direction.
    static std::optional<Qt::LayoutDirection> strongDirection(QStringView text);

    // A paragraph of a text: where it starts, its length without the line end, and its direction.
    struct Paragraph {
        qsizetype start = 0;
        qsizetype length = 0;
        Qt::LayoutDirection direction = Qt::LeftToRight;
    };
    // Whether `c` ends a paragraph of text as people send it: a line feed or U+2029 (a carriage
    // return before a line feed belongs to the line end).
    static bool endsParagraph(QChar c);
    // The paragraphs of `text`, each in the direction of its own first strong character outside any
    // isolate (rules P2 and P3, paragraph by paragraph). One with no strong character reads as the
    // paragraph before it, and those before the first that has one as that paragraph, as editors
    // have a line of digits or emoji follow the text around it; a text with none reads left to
    // right. Time linear in the text's length.
    static QList<Paragraph> paragraphs(QStringView text);

    static constexpr char16_t kFirstStrongIsolate = 0x2068;
    static constexpr char16_t kPopDirectionalIsolate = 0x2069;
    static constexpr char16_t kReplacement = 0xFFFD;
};

} // namespace pelnix::platform
