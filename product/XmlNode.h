#pragma once

#include <QDomDocument>
#include <QDomElement>
#include <QString>

#include <memory>

class CXmlNode;
class CXmlNodes;
// Handed out by the XML layer, never null: a missing element is a node whose IsNull is true.
using CXmlNodePtr = std::shared_ptr<CXmlNode>;
using CXmlNodesPtr = std::shared_ptr<CXmlNodes>;

// One element of a parsed document (or none). Every read works on an empty node too and then
// gives its empty result ("" , 0, the default), so callers can chain lookups without checks.
// A node keeps its document alive, so it may outlive the CXmlDocument that produced it.
class CXmlNode
{
public:
    CXmlNode() = default;
    CXmlNode(const QDomDocument &document, const QDomElement &element);

    static CXmlNodePtr Empty();

    bool IsNull() const { return m_element.isNull(); }

    // First child element whose local name (prefix ignored) is exactly name, in document order;
    // grandchildren are not searched. With build set and no such child, a new empty element of
    // that name is appended as the last child and returned. Otherwise an empty node.
    CXmlNodePtr GetChild(const QString &name, bool build = false);
    // All child elements in document order (text, comments and instructions skipped).
    CXmlNodesPtr GetChildren() const;

    // The qualified name as written, "" for an empty node.
    QString GetName() const;
    // Text content of the element and its descendants. When it is empty the element's content
    // is removed (so empty child elements disappear) and "" is returned.
    QString GetString();
    // Text content as a 32-bit integer with C strtol rules (leading blanks, sign, digits up to
    // the first other character; none gives 0; out-of-range values saturate). An empty element
    // gets the text "0" written into it.
    int GetInt();
    // Text content as a double with C strtod rules in the "C" locale; non-finite results give
    // 0. An empty element gets the default written into it in "%e" form with a three-digit
    // exponent ("2.500000e+000"), and that text is converted, so the default comes back
    // rounded to seven significant digits.
    double GetDouble(double defaultValue);
    // Attribute value; defaultValue when the attribute is missing or empty.
    QString GetAttribute(const QString &name, const QString &defaultValue = QString()) const;
    // Attribute value as an integer (strtol rules); defaultValue when missing or empty.
    int GetAttributeInt(const QString &name, int defaultValue) const;

    // The text conversions used above, for callers that hold the text already.
    static int ToInt(const QString &text);
    static double ToDouble(const QString &text);
    static QString FormatDouble(double value);

private:
    void ReplaceText(const QString &text);

    QDomDocument m_document; // keeps the tree alive as long as the node
    QDomElement m_element;
};
