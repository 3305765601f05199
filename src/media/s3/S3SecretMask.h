#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <unordered_set>

namespace pelnix {

class S3ServiceRequest;
struct PLError;

// The secrets one request was sent with (its secret key, security token and signature, and any header
// named like a secret) and every text that a service may hand back with them in: a refusal of the
// keyed-hash scheme repeats the text it signed and the signature it got, and a server gone bad may
// echo anything, in any encoding, in a header's name or value, a message or a redirect.
//
// A server can encode an echo in more ways than a list of exact forms can hold, so text is compared
// after it is normalised: XML character references, JSON and percent escapes decoded (repeatedly, for
// double encodings), and blanks, line breaks, NULs and "+" dropped (a "+" read back as a blank, a
// secret split over lines, UTF-16 read as bytes). A secret is then found as it is, in Base64 (at
// every alignment inside a longer Base64 text, standard or URL alphabet) and in hexadecimal, and so
// is any piece of kFragment characters of one of those forms; the original text of every match is
// masked whole.
class S3SecretMask {
public:
    // Long enough that no ordinary message repeats a piece of a secret by chance.
    static constexpr qsizetype kFragment = 16;

    S3SecretMask() = default;
    // What `request` carries now: the credentials it was signed with, its secret headers, the
    // signatures it went out with before it was signed again, and its "Signature" parameter.
    static S3SecretMask forRequest(const S3ServiceRequest& request);

    // Texts shorter than four characters mask too much of everything else and are left out.
    void addSecret(const QString& secret);
    bool isEmpty() const { return m_exact.isEmpty() && m_caseless.isEmpty(); }

    // `text` with every form and every long piece of every secret replaced by the masked value.
    QString mask(const QString& text) const;
    // A response body as it may be logged: masked, and the elements in which a service repeats what
    // it signed or was given (string to sign, its bytes, the canonical request, the signature
    // provided) emptied of their text whatever it holds. A body that is not UTF-8 text (UTF-16, say)
    // cannot be vetted as it is read and is described by its size and type only.
    QString maskDocument(const QByteArray& body, const QString& contentType) const;
    // The error's description and its text values masked.
    PLError mask(const PLError& error) const;

private:
    // The normalised forms of the secrets, matched in normalised text.
    class Forms {
    public:
        void add(const QString& normalised);
        bool isEmpty() const { return m_windows.empty() && m_short.isEmpty(); }
        // Marks in `marked` every character of `text` inside a match.
        void mark(const QString& text, QList<bool>& marked) const;

    private:
        // Rolling hashes of every kFragment-long piece of the longer forms.
        std::unordered_set<quint64> m_windows;
        // Forms shorter than kFragment, matched whole.
        QStringList m_short;
    };

    Forms m_exact;
    // Hexadecimal forms, lower case, matched without regard to case.
    Forms m_caseless;
};

} // namespace pelnix
