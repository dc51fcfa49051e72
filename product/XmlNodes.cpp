#include "XmlNodes.h"

CXmlNodes::CXmlNodes(const QDomDocument &document, const QList<QDomElement> &elements)
    : m_document(document)
    , m_elements(elements)
{ }

CXmlNodesPtr CXmlNodes::Empty()
{
    return std::make_shared<CXmlNodes>();
}

int CXmlNodes::GetCount() const
{
    if (!m_elements)
        return -1;
    return static_cast<int>(m_elements->size());
}

CXmlNodePtr CXmlNodes::GetItem(int index) const
{
    if (!m_elements || index < 0 || index >= m_elements->size())
        return CXmlNode::Empty();
    return std::make_shared<CXmlNode>(m_document, m_elements->at(index));
}
