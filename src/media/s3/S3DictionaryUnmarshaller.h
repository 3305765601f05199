#pragma once

#include "media/s3/S3ServiceResponseUnmarshaller.h"

#include <QVariant>
#include <QVariantMap>

namespace pelnix {

// Reads key/value entries into a dictionary. With a value reader, each value element is read by a
// fresh child whose result becomes the value.
class S3DictionaryUnmarshaller : public S3ServiceResponseUnmarshaller {
public:
    using DictionarySetter = std::function<void(const QVariantMap&)>;
    // Makes the child that reads one value; it reports its result through `setValue` of `owner`.
    using ValueReaderFactory =
        std::function<std::unique_ptr<S3UnmarshallerXMLParserDelegate>(S3DictionaryUnmarshaller* owner)>;

    S3DictionaryUnmarshaller() = default;
    S3DictionaryUnmarshaller(S3UnmarshallerXMLParserDelegate* caller, DictionarySetter parentSetter)
        : S3ServiceResponseUnmarshaller(caller, {}), m_dictionarySetter(std::move(parentSetter)) {}

    void setDelegateClass(ValueReaderFactory factory) { m_delegateClass = std::move(factory); }
    void setValueXpathElement(const QString& name) { m_valueXpathElement = name; }
    void setEntryEndElement(const QString& name) { m_entryEndElement = name; }
    void setKeyXpathElement(const QString& name) { m_keyXpathElement = name; }
    void setDictionaryEndElement(const QString& name) { m_dictionaryEndElement = name; }

    QString key() const { return m_key; }
    QVariant value() const { return m_value; }
    void setValue(const QVariant& value) { m_value = value; }
    const QVariantMap& dictionary() const { return m_dictionary; }

    void didStartElement(S3XMLParser& parser, const QString& elementName) override;
    void didEndElement(S3XMLParser& parser, const QString& elementName) override;

private:
    DictionarySetter m_dictionarySetter;
    ValueReaderFactory m_delegateClass;
    QString m_valueXpathElement;
    QString m_entryEndElement;
    QString m_keyXpathElement;
    QString m_dictionaryEndElement;
    QString m_key;
    QVariant m_value;
    QVariantMap m_dictionary;
};

} // namespace pelnix
