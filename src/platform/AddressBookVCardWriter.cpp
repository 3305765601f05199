#include "platform/AddressBookVCardWriter.h"

#include <QStringList>

namespace pelnix::platform {

namespace {

constexpr int kLineLimit = 75;

QString escaped(QString text) {
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char(','), QLatin1String("\\,"))
        .replace(QLatin1Char(';'), QLatin1String("\\;"))
        .replace(QLatin1String("\r\n"), QLatin1String("\\n"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .remove(QLatin1Char('\r'));
    return text;
}

// Long lines are folded as the format asks: continuation lines begin with a space. Folding never
// splits a UTF-8 sequence, as it counts characters.
void appendLine(QByteArray& out, const QString& line) {
    QString rest = line;
    bool first = true;
    while (!rest.isEmpty()) {
        const int take = first ? kLineLimit : kLineLimit - 1;
        QString part = rest.left(take);
        if (part.size() < rest.size() && part.back().isHighSurrogate())
            part.chop(1);
        out += (first ? QByteArray() : QByteArray(" ")) + part.toUtf8() + "\r\n";
        rest = rest.mid(part.size());
        first = false;
    }
}

// The TYPE parameter of a label the reader maps back to the same label, or empty.
QString typeForLabel(const QString& label, bool phone) {
    const QString lower = label.toLower();
    if (lower == QLatin1String("mobile"))
        return phone ? QStringLiteral("CELL") : QString();
    for (const char* known : {"work", "home", "iphone", "main", "pager", "other", "fax"})
        if (lower == QLatin1String(known))
            return lower.toUpper();
    return {};
}

} // namespace

QByteArray AddressBookVCardWriter::write(const AddressBookPerson& person, const QString& uid) {
    QByteArray out;
    int group = 0;
    appendLine(out, QStringLiteral("BEGIN:VCARD"));
    appendLine(out, QStringLiteral("VERSION:3.0"));
    appendLine(out, QStringLiteral("N:%1;%2;;;").arg(escaped(person.lastName), escaped(person.firstName)));
    const QString full = QStringList{person.firstName, person.lastName}.join(QLatin1Char(' ')).trimmed();
    appendLine(out, QStringLiteral("FN:%1").arg(escaped(full)));
    const auto values = [&](const QList<AddressBookValue>& list, const char* name, bool phone) {
        for (const AddressBookValue& value : list) {
            const QString type = typeForLabel(value.label, phone);
            if (!value.label.isEmpty() && type.isEmpty()) {
                const QString item = QStringLiteral("item%1").arg(++group);
                appendLine(out,
                           QStringLiteral("%1.%2:%3").arg(item, QLatin1String(name), escaped(value.value)));
                appendLine(out, QStringLiteral("%1.X-ABLabel:%2").arg(item, escaped(value.label)));
            } else if (!type.isEmpty()) {
                appendLine(
                    out,
                    QStringLiteral("%1;TYPE=%2:%3").arg(QLatin1String(name), type, escaped(value.value)));
            } else {
                appendLine(out, QStringLiteral("%1:%2").arg(QLatin1String(name), escaped(value.value)));
            }
        }
    };
    values(person.phones, "TEL", true);
    values(person.emails, "EMAIL", false);
    if (!person.thumbnail.isEmpty())
        appendLine(
            out, QStringLiteral("PHOTO;ENCODING=b:%1").arg(QString::fromLatin1(person.thumbnail.toBase64())));
    if (!uid.isEmpty())
        appendLine(out, QStringLiteral("UID:%1").arg(escaped(uid)));
    appendLine(out, QStringLiteral("END:VCARD"));
    return out;
}

} // namespace pelnix::platform
