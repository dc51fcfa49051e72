#pragma once

#include "XmlNode.h"

#include <QByteArray>
#include <QDomDocument>
#include <QString>

// A parsed, read-mostly XML document. Parsing never throws and never reports more than
// true/false. The reader refuses what the program's documents never contain and what could be
// used against it: a document type declaration (so no DTD, no entity declarations, nothing
// fetched from files or the network, no entity expansion), nesting deeper than MaxDepth,
// text that is not well-formed or not correctly encoded, and files larger than MaxFileSize.
// Text nodes that hold only white space between elements are dropped while parsing.
class CXmlDocument
{
public:
    static constexpr int MaxDepth = 256;
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

    CXmlDocument() = default;
    ~CXmlDocument() = default;
    CXmlDocument(const CXmlDocument &) = delete;
    CXmlDocument &operator=(const CXmlDocument &) = delete;

    // Reads the file; its encoding comes from its byte-order mark or XML declaration (UTF-8
    // when neither says). When the file cannot be opened the current document is left as is;
    // otherwise it is replaced, and left empty when parsing fails.
    bool Open(const QString &path);
    // Parses text that is already decoded; an encoding in its declaration has no effect.
    bool LoadXml(const QString &text);
    // Same rules for raw bytes (a service answer as received).
    bool LoadBytes(const QByteArray &bytes);

    CXmlNodePtr GetRoot() const;
    void Close();

    bool IsLoaded() const { return !m_document.documentElement().isNull(); }
    // The file last opened; empty when the document came from text.
    QString Path() const { return m_path; }

private:
    template<class Input> bool Parse(const Input &input);

    QDomDocument m_document;
    QString m_path;
};
