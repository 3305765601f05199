#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

namespace pelnix {

class S3UnmarshallerXMLParserDelegate;

// Event-driven XML reading with a replaceable current delegate. Delegates handed over during a parse
// (`adoptDelegate`) belong to the parser until it is destroyed. White space between elements reaches
// the delegate as characters. A parse error stops the parse; what was read so far stays.
class S3XMLParser {
public:
    explicit S3XMLParser(const QByteArray& data);
    ~S3XMLParser();
    S3XMLParser(const S3XMLParser&) = delete;
    S3XMLParser& operator=(const S3XMLParser&) = delete;

    S3UnmarshallerXMLParserDelegate* delegate() const { return m_delegate; }
    // Not owned: the caller keeps the top-level delegate alive for the parse.
    void setDelegate(S3UnmarshallerXMLParserDelegate* delegate) { m_delegate = delegate; }
    // Takes ownership and makes `child` the current delegate.
    S3UnmarshallerXMLParserDelegate* adoptDelegate(std::unique_ptr<S3UnmarshallerXMLParserDelegate> child);

    // False after a parse error (the delegate has been told).
    bool parse();
    QString errorString() const { return m_errorString; }

private:
    QByteArray m_data;
    S3UnmarshallerXMLParserDelegate* m_delegate = nullptr;
    std::vector<std::unique_ptr<S3UnmarshallerXMLParserDelegate>> m_owned;
    QString m_errorString;
};

} // namespace pelnix
