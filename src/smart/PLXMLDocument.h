#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <memory>

struct _xmlDoc;

namespace pelnix {

// An owned libxml2 document.
//
// The one mapping from JSON to XML that smart messages use lives here (`documentWithJSON`):
//   - an object becomes its members' elements, in key order, named by their keys;
//   - an array becomes one element per entry, each carrying the array's name; an array that is an
//     entry of another array, or the whole value, becomes "item" elements inside its element;
//   - a string, number or bool becomes the element's text (numbers as JSON writes them, bools as
//     "true"/"false"); null becomes an empty element;
//   - a key that is no XML name is made into one: characters outside [A-Za-z0-9._-] become "_", and
//     "_" is put in front of a name that starts with a digit, "-" or "." (the empty key gives "_");
//   - text is stored as text nodes, so "<", "&" and quotes reach the stylesheet as characters and are
//     escaped again on output; characters XML 1.0 cannot carry (controls other than tab, line feed and
//     carriage return) are dropped.
class PLXMLDocument {
public:
    PLXMLDocument() = default;
    // What a string of the JSON value is stored as, given the key of the member it is the value of
    // (or, through arrays, an entry of; "" for the whole value).
    using TextFilter = QString (*)(QStringView key, const QString& text);
    // The JSON value under one root element named `rootName`; its strings through `text` when given.
    static PLXMLDocument documentWithJSON(const QJsonValue& value, const QString& rootName,
                                          TextFilter text = nullptr);
    // Parses XML text without network access and without loading or expanding external entities.
    // An empty document when the text is not well-formed; `error` then says why. `anyDepth` lifts
    // libxml2's bounds on nesting and text size, for a document this library wrote itself (a message
    // document nests as deep as its JSON).
    static PLXMLDocument documentWithXMLData(const QByteArray& xml, QString* error = nullptr,
                                             bool anyDepth = false);

    bool isNull() const { return !m_doc; }
    _xmlDoc* doc() const { return m_doc.get(); }
    // Gives up ownership (libxslt takes a parsed stylesheet document over).
    _xmlDoc* release();
    // The serialised document (UTF-8, with the XML declaration); "" for an empty document.
    QByteArray toXMLData() const;

    // `name` made into a valid XML element name (see the class comment).
    static QString elementName(const QString& name);

private:
    struct Free {
        void operator()(_xmlDoc* doc) const;
    };
    std::unique_ptr<_xmlDoc, Free> m_doc;
};

// Brings libxml2 and libxslt up once per process (thread-safe).
void initializeXMLLibraries();

} // namespace pelnix
