#pragma once

#include <QString>
#include <QStringList>

namespace pelnix {

class S3ServiceRequest;
struct PLError;

// The secrets one request was sent with (its secret key, security token and signature, and any header
// named like a secret) and every text that a service may hand back with them in: a refusal of the
// keyed-hash scheme repeats the text it signed and the signature it got, and a server gone bad may
// echo anything in a header or message. Each secret is found in the forms such echoes take: as it
// is, percent-encoded, XML- or JSON-escaped, and as hexadecimal bytes with or without blanks.
class S3SecretMask {
public:
    S3SecretMask() = default;
    // What `request` carries now: the credentials it was signed with, its secret headers and its
    // "Signature" parameter.
    static S3SecretMask forRequest(const S3ServiceRequest& request);

    // Texts shorter than four characters mask too much of everything else and are left out.
    void addSecret(const QString& secret);
    bool isEmpty() const { return m_forms.isEmpty(); }

    // `text` with every form of every secret replaced by the masked value.
    QString mask(const QString& text) const;
    // A response body as it may be logged: masked, and the elements in which a service repeats what
    // it signed or was given (string to sign, its bytes, the canonical request, the signature
    // provided) emptied of their text whatever it holds.
    QString maskDocument(const QString& body) const;
    // The error's description and its text values masked.
    PLError mask(const PLError& error) const;

private:
    // Longest first, so that a form holding another is replaced whole.
    QStringList m_forms;
    // Escaped and hexadecimal forms, matched without regard to case.
    QStringList m_caselessForms;
};

} // namespace pelnix
