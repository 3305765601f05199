#pragma once

#include <QString>
#include <optional>

namespace pelnix {

class S3XMLParser;

// Base of every XML reader: collects text, and hands the parser back to its caller when the element
// that closes it ends. Text is cleared only by the start of the next element, so after a child ends
// `currentText` holds the child's text plus what followed it.
class S3UnmarshallerXMLParserDelegate {
public:
    S3UnmarshallerXMLParserDelegate() = default;
    explicit S3UnmarshallerXMLParserDelegate(S3UnmarshallerXMLParserDelegate* caller,
                                             const QString& endElementTagName = {})
        : m_caller(caller), m_endElementTagName(endElementTagName) {}
    virtual ~S3UnmarshallerXMLParserDelegate() = default;

    virtual void didStartElement(S3XMLParser& parser, const QString& elementName);
    virtual void foundCharacters(S3XMLParser& parser, const QString& characters);
    virtual void didEndElement(S3XMLParser& parser, const QString& elementName);
    virtual void parseErrorOccurred(S3XMLParser& parser, const QString& error);

    // The text collected since the current element started; "" when none.
    QString currentText() const { return m_currentText.value_or(QStringLiteral("")); }
    QString currentTag() const { return m_currentTag; }
    S3UnmarshallerXMLParserDelegate* caller() const { return m_caller; }
    void setCaller(S3UnmarshallerXMLParserDelegate* caller) { m_caller = caller; }
    QString endElementTagName() const { return m_endElementTagName; }
    void setEndElementTagName(const QString& name) { m_endElementTagName = name; }

protected:
    // Gives the parser back to the caller, when there is one.
    void returnToCaller(S3XMLParser& parser);

    std::optional<QString> m_currentText;
    QString m_currentTag;
    S3UnmarshallerXMLParserDelegate* m_caller = nullptr;
    QString m_endElementTagName;
};

} // namespace pelnix
