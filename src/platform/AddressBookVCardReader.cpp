#include "platform/AddressBookVCardReader.h"

#include "platform/BidiText.h"

#include <QCryptographicHash>
#include <QHash>
#include <QStringList>

namespace pelnix::platform {

namespace {

struct Property {
    QString group;
    QString name;
    QStringList types;
    QString encoding;
    QString value;
};

// Joins folded lines: a line that starts with a space or a tab continues the previous one.
QStringList unfold(const QByteArray& text) {
    QStringList lines;
    const QString all = QString::fromUtf8(text);
    for (QString line : all.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if ((line.startsWith(QLatin1Char(' ')) || line.startsWith(QLatin1Char('\t'))) && !lines.isEmpty())
            lines.last() += line.mid(1);
        else if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

QString unescape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value.at(++i);
            out += (next == QLatin1Char('n') || next == QLatin1Char('N')) ? QChar(QLatin1Char('\n')) : next;
        } else {
            out += c;
        }
    }
    return out;
}

// Splits on `separator` where it is not escaped.
QStringList splitUnescaped(const QString& text, QChar separator) {
    QStringList parts{QString()};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            parts.last() += c;
            parts.last() += text.at(++i);
        } else if (c == separator) {
            parts << QString();
        } else {
            parts.last() += c;
        }
    }
    return parts;
}

Property parse(const QString& line) {
    Property p;
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return p;
    p.value = line.mid(colon + 1);
    QStringList head = line.left(colon).split(QLatin1Char(';'));
    QString name = head.takeFirst();
    if (const qsizetype dot = name.indexOf(QLatin1Char('.')); dot >= 0) {
        p.group = name.left(dot);
        name = name.mid(dot + 1);
    }
    p.name = name.toUpper();
    for (const QString& parameter : head) {
        const qsizetype eq = parameter.indexOf(QLatin1Char('='));
        const QString key = eq < 0 ? QStringLiteral("TYPE") : parameter.left(eq).toUpper();
        const QString value = eq < 0 ? parameter : parameter.mid(eq + 1);
        if (key == QLatin1String("TYPE")) {
            for (const QString& type : value.split(QLatin1Char(',')))
                p.types << type.trimmed().remove(QLatin1Char('"')).toLower();
        } else if (key == QLatin1String("ENCODING")) {
            p.encoding = value.toLower();
        }
    }
    return p;
}

// The photo's bytes; none when they would be more than the reader keeps.
QByteArray photoData(const Property& p) {
    QStringView encoded;
    if (p.value.startsWith(QLatin1String("data:"))) {
        const qsizetype comma = p.value.indexOf(QLatin1Char(','));
        if (comma >= 0)
            encoded = QStringView(p.value).mid(comma + 1);
    } else if (p.encoding == QLatin1String("b") || p.encoding == QLatin1String("base64")) {
        encoded = p.value;
    }
    const qsizetype padding = encoded.endsWith(u"==") ? 2 : encoded.endsWith(u'=') ? 1 : 0;
    if (encoded.isEmpty() || encoded.size() / 4 * 3 - padding > AddressBookVCardReader::kMaximumPhotoBytes)
        return {};
    return QByteArray::fromBase64(encoded.toLatin1());
}

// An e-mail address or a phone number as every screen shows it and every action uses it: without
// directional controls, which could make it read otherwise than it is.
QString address(const QString& value) {
    return BidiText::withoutControls(value);
}

qint32 recordIDFor(const QString& source, int index, const QString& uid) {
    const QByteArray key =
        (uid.isEmpty() ? source + QLatin1Char('#') + QString::number(index) : uid).toUtf8();
    const QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha1);
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | quint8(digest.at(i));
    // Positive and never 0, like the record IDs of a device address book.
    return qint32(value & 0x7fffffffu) | 1;
}

// Standard labels come wrapped ("_$!<Mobile>!$_"); custom ones as typed.
QString standardLabel(const QString& label) {
    if (label.startsWith(QLatin1String("_$!<")) && label.endsWith(QLatin1String(">!$_")))
        return label.mid(4, label.size() - 8).toLower();
    return label;
}

} // namespace

QString AddressBookVCardReader::labelForTypes(const QStringList& types) {
    for (const QString& type : types) {
        if (type == QLatin1String("cell") || type == QLatin1String("mobile"))
            return QStringLiteral("mobile");
        if (type == QLatin1String("work") || type == QLatin1String("home") ||
            type == QLatin1String("iphone") || type == QLatin1String("main") ||
            type == QLatin1String("pager") || type == QLatin1String("other"))
            return type;
        if (type == QLatin1String("fax"))
            return QStringLiteral("fax");
    }
    return {};
}

QList<AddressBookPerson> AddressBookVCardReader::read(const QByteArray& text, const QString& source) {
    QList<AddressBookPerson> people;
    AddressBookPerson current;
    QString uid;
    QString formattedName;
    // Values of a group ("item1.EMAIL"), whose label may follow as "item1.X-ABLabel".
    QHash<QString, std::pair<bool, qsizetype>> grouped; // (is an e-mail, position)
    bool inCard = false;
    for (const QString& line : unfold(text)) {
        const Property p = parse(line);
        if (p.name == QLatin1String("BEGIN") &&
            p.value.trimmed().compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0) {
            current = {};
            grouped.clear();
            uid.clear();
            formattedName.clear();
            inCard = true;
        } else if (!inCard) {
            continue;
        } else if (p.name == QLatin1String("END")) {
            if (current.firstName.isEmpty() && current.lastName.isEmpty())
                current.firstName = formattedName;
            current.recordID = recordIDFor(source, int(people.size()), uid);
            people << current;
            inCard = false;
        } else if (p.name == QLatin1String("N")) {
            const QStringList parts = splitUnescaped(p.value, QLatin1Char(';'));
            current.lastName = unescape(parts.value(0)).trimmed();
            current.firstName = unescape(parts.value(1)).trimmed();
        } else if (p.name == QLatin1String("FN")) {
            formattedName = unescape(p.value).trimmed();
        } else if (p.name == QLatin1String("UID")) {
            uid = p.value.trimmed();
        } else if (p.name == QLatin1String("EMAIL")) {
            current.emails << AddressBookValue{labelForTypes(p.types), address(unescape(p.value))};
            if (!p.group.isEmpty())
                grouped.insert(p.group.toLower(), {true, current.emails.size() - 1});
        } else if (p.name == QLatin1String("TEL")) {
            QString value = address(unescape(p.value));
            if (value.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
                value = value.mid(4);
            current.phones << AddressBookValue{labelForTypes(p.types), value};
            if (!p.group.isEmpty())
                grouped.insert(p.group.toLower(), {false, current.phones.size() - 1});
        } else if (p.name == QLatin1String("X-ABLABEL") && grouped.contains(p.group.toLower())) {
            const auto [email, position] = grouped.value(p.group.toLower());
            (email ? current.emails : current.phones)[position].label =
                standardLabel(unescape(p.value).trimmed());
        } else if (p.name == QLatin1String("PHOTO")) {
            current.thumbnail = photoData(p);
        }
    }
    return people;
}

} // namespace pelnix::platform
