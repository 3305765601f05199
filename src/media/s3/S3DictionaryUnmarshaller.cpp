#include "media/s3/S3DictionaryUnmarshaller.h"

#include "media/s3/S3XMLParser.h"

namespace pelnix {

void S3DictionaryUnmarshaller::didStartElement(S3XMLParser& parser, const QString& elementName) {
    S3ServiceResponseUnmarshaller::didStartElement(parser, elementName);
    if (m_delegateClass && elementName == m_valueXpathElement) {
        auto child = m_delegateClass(this);
        if (!child)
            return;
        child->setCaller(this);
        child->setEndElementTagName(m_entryEndElement);
        parser.adoptDelegate(std::move(child));
    }
}

void S3DictionaryUnmarshaller::didEndElement(S3XMLParser& parser, const QString& elementName) {
    S3ServiceResponseUnmarshaller::didEndElement(parser, elementName);
    if (elementName == m_keyXpathElement) {
        m_key = currentText();
        return;
    }
    if (!m_delegateClass && elementName == m_valueXpathElement) {
        m_value = currentText();
        return;
    }
    if ((!m_entryEndElement.isEmpty() && elementName == m_entryEndElement) ||
        elementName == m_dictionaryEndElement) {
        if (!m_key.isNull()) {
            if (m_value.isValid())
                m_dictionary.insert(m_key, m_value);
            else
                m_dictionary.remove(m_key);
        }
        // Each entry starts empty: a key without a value must not inherit the previous entry's value.
        m_key = QString();
        m_value = QVariant();
    }
    if (elementName == m_dictionaryEndElement) {
        returnToCaller(parser);
        if (m_dictionarySetter)
            m_dictionarySetter(m_dictionary);
    }
}

} // namespace pelnix
