#pragma once

#include "XmlNode.h"

#include <QList>

#include <optional>

// An ordered list of elements taken from a document (or none). The list is taken when it is
// made; the program only reads it.
class CXmlNodes
{
public:
    CXmlNodes() = default;
    CXmlNodes(const QDomDocument &document, const QList<QDomElement> &elements);

    static CXmlNodesPtr Empty();

    bool IsNull() const { return !m_elements.has_value(); }
    // Number of elements; -1 for a list that holds nothing at all (taken from an empty node),
    // so a loop over indices below the count runs zero times.
    int GetCount() const;
    // The element at index, or an empty node outside 0 ... GetCount() - 1.
    CXmlNodePtr GetItem(int index) const;

private:
    QDomDocument m_document;
    std::optional<QList<QDomElement>> m_elements;
};
