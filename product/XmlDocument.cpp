#include "XmlDocument.h"

#include <QFile>
#include <QXmlStreamReader>

#include <new>

namespace {

// Builds the DOM from the stream reader so that every rule of the reader is applied in one
// pass: no document type, bounded depth, white-space-only text dropped, namespaces resolved.
bool BuildDocument(QXmlStreamReader &reader, QDomDocument &document)
{
    document = QDomDocument();
    // The document's storage exists only once it has created a node, so the root element is
    // appended to the document itself and everything below it to the current element.
    QDomNode current;
    int depth = 0;
    bool sawRoot = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            // The program's documents never declare a document type; one that does is refused
            // before any of its entities can be used.
            return false;
        case QXmlStreamReader::StartElement: {
            if (++depth > CXmlDocument::MaxDepth)
                return false;
            QDomElement element = document.createElementNS(reader.namespaceUri().toString(),
                                                           reader.qualifiedName().toString());
            const QXmlStreamNamespaceDeclarations declarations = reader.namespaceDeclarations();
            for (const QXmlStreamNamespaceDeclaration &declaration : declarations) {
                const QString prefix = declaration.prefix().toString();
                element.setAttribute(prefix.isEmpty() ? QStringLiteral("xmlns")
                                                      : QStringLiteral("xmlns:") + prefix,
                                     declaration.namespaceUri().toString());
            }
            const QXmlStreamAttributes attributes = reader.attributes();
            for (const QXmlStreamAttribute &attribute : attributes) {
                element.setAttributeNS(attribute.namespaceUri().toString(),
                                       attribute.qualifiedName().toString(),
                                       attribute.value().toString());
            }
            if (depth == 1)
                document.appendChild(element);
            else
                current.appendChild(element);
            current = element;
            sawRoot = true;
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            current = current.parentNode();
            break;
        case QXmlStreamReader::Characters:
            if (depth == 0)
                break; // white space outside the root element
            if (reader.isCDATA())
                current.appendChild(document.createCDATASection(reader.text().toString()));
            else if (!reader.isWhitespace())
                current.appendChild(document.createTextNode(reader.text().toString()));
            break;
        case QXmlStreamReader::EntityReference:
            // Only declared entities are reported this way, and declarations are refused.
            return false;
        default:
            break; // declaration, comments and processing instructions are not kept
        }
    }
    return !reader.hasError() && sawRoot;
}

} // namespace

template<class Input> bool CXmlDocument::Parse(const Input &input)
{
    try {
        QXmlStreamReader reader(input);
        reader.setNamespaceProcessing(true);
        QDomDocument document;
        if (!BuildDocument(reader, document))
            return false;
        m_document = document;
        return true;
    } catch (...) {
        // Running out of memory on a huge document is a failed parse, not a crash.
        return false;
    }
}

bool CXmlDocument::Open(const QString &path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    Close();
    m_path = path;
    if (file.size() > MaxFileSize)
        return false;
    // The size may change while reading (or not be known for special files): read at most one
    // byte past the limit and refuse anything longer.
    QByteArray bytes;
    try {
        bytes = file.read(MaxFileSize + 1);
    } catch (...) {
        return false;
    }
    if (bytes.size() > MaxFileSize || file.error() != QFileDevice::NoError)
        return false;
    return Parse(bytes);
}

bool CXmlDocument::LoadXml(const QString &text)
{
    Close();
    if (text.size() > MaxFileSize)
        return false;
    return Parse(text);
}

bool CXmlDocument::LoadBytes(const QByteArray &bytes)
{
    Close();
    if (bytes.size() > MaxFileSize)
        return false;
    return Parse(bytes);
}

CXmlNodePtr CXmlDocument::GetRoot() const
{
    const QDomElement root = m_document.documentElement();
    if (root.isNull())
        return CXmlNode::Empty();
    return std::make_shared<CXmlNode>(m_document, root);
}

void CXmlDocument::Close()
{
    m_document = QDomDocument();
    m_path.clear();
}
