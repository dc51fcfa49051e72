#include "XmlNode.h"

#include "XmlNodes.h"

#include <QByteArray>

#include <charconv>
#include <climits>
#include <cmath>

namespace {

QString LocalNameOf(const QDomElement &element)
{
    QString local = element.localName();
    if (local.isEmpty()) {
        // Elements created without namespace processing carry only their qualified name.
        const QString name = element.nodeName();
        local = name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
    }
    return local;
}

// A name without prefix that an element may carry. Anything else can never match a local name
// and must not be created (the DOM would accept it and the document would not be well-formed).
bool IsNcName(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        const bool start = c.isLetter() || c == QLatin1Char('_');
        const bool inner = start || c.isDigit() || c.isMark() || c == QLatin1Char('-')
            || c == QLatin1Char('.') || c.category() == QChar::Punctuation_Connector;
        if (i == 0 ? !start : !inner)
            return false;
    }
    return true;
}

// The blanks the C library's conversions skip (iswspace in the "C" locale).
bool IsCSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || (u >= '\t' && u <= '\r');
}

bool IsAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

} // namespace

CXmlNode::CXmlNode(const QDomDocument &document, const QDomElement &element)
    : m_document(document)
    , m_element(element)
{ }

CXmlNodePtr CXmlNode::Empty()
{
    return std::make_shared<CXmlNode>();
}

CXmlNodePtr CXmlNode::GetChild(const QString &name, bool build)
{
    if (m_element.isNull() || !IsNcName(name))
        return Empty();
    for (QDomElement child = m_element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        if (LocalNameOf(child) == name)
            return std::make_shared<CXmlNode>(m_document, child);
    }
    if (!build)
        return Empty();
    QDomDocument owner = m_element.ownerDocument();
    QDomElement created = owner.createElementNS(QString(), name);
    if (created.isNull())
        return Empty();
    m_element.appendChild(created);
    return std::make_shared<CXmlNode>(m_document, created);
}

CXmlNodesPtr CXmlNode::GetChildren() const
{
    if (m_element.isNull())
        return CXmlNodes::Empty();
    QList<QDomElement> children;
    for (QDomElement child = m_element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement())
        children.append(child);
    return std::make_shared<CXmlNodes>(m_document, children);
}

QString CXmlNode::GetName() const
{
    if (m_element.isNull())
        return QString();
    return m_element.nodeName();
}

QString CXmlNode::GetString()
{
    if (m_element.isNull())
        return QString();
    const QString text = m_element.text();
    if (text.isEmpty()) {
        ReplaceText(QString());
        return QString();
    }
    return text;
}

int CXmlNode::GetInt()
{
    if (m_element.isNull())
        return 0;
    QString text = m_element.text();
    if (text.isEmpty()) {
        text = QStringLiteral("0");
        ReplaceText(text);
    }
    return ToInt(text);
}

double CXmlNode::GetDouble(double defaultValue)
{
    if (m_element.isNull())
        return defaultValue;
    QString text = m_element.text();
    if (text.isEmpty()) {
        text = FormatDouble(defaultValue);
        ReplaceText(text);
    }
    return ToDouble(text);
}

QString CXmlNode::GetAttribute(const QString &name, const QString &defaultValue) const
{
    QString value;
    if (!m_element.isNull() && !name.isEmpty()) {
        if (m_element.hasAttribute(name))
            value = m_element.attribute(name);
    }
    if (value.isEmpty() && !defaultValue.isNull())
        return defaultValue;
    return value;
}

int CXmlNode::GetAttributeInt(const QString &name, int defaultValue) const
{
    QString value = GetAttribute(name);
    if (value.isEmpty())
        value = QString::number(defaultValue);
    return ToInt(value);
}

void CXmlNode::ReplaceText(const QString &text)
{
    while (!m_element.firstChild().isNull())
        m_element.removeChild(m_element.firstChild());
    if (!text.isEmpty())
        m_element.appendChild(m_element.ownerDocument().createTextNode(text));
}

int CXmlNode::ToInt(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && IsCSpace(text.at(i)))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    // Accumulate with saturation so long digit runs cannot overflow.
    long long value = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; i < n && IsAsciiDigit(text.at(i)); ++i) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > limit)
            value = limit;
    }
    return static_cast<int>(negative ? -value : value);
}

double CXmlNode::ToDouble(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && IsCSpace(text.at(i)))
        ++i;
    // Longest prefix of the form [sign] digits [. digits] [e [sign] digits], needing at least
    // one mantissa digit; the exponent counts only when it has digits.
    QByteArray number;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        number.append(static_cast<char>(text.at(i++).unicode()));
    int digits = 0;
    for (; i < n && IsAsciiDigit(text.at(i)); ++i, ++digits)
        number.append(static_cast<char>(text.at(i).unicode()));
    if (i < n && text.at(i) == QLatin1Char('.')) {
        number.append('.');
        for (++i; i < n && IsAsciiDigit(text.at(i)); ++i, ++digits)
            number.append(static_cast<char>(text.at(i).unicode()));
    }
    if (digits == 0)
        return 0.0;
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        QByteArray exponent("e");
        if (j < n && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')))
            exponent.append(static_cast<char>(text.at(j++).unicode()));
        const qsizetype firstDigit = j;
        for (; j < n && IsAsciiDigit(text.at(j)); ++j)
            exponent.append(static_cast<char>(text.at(j).unicode()));
        if (j > firstDigit)
            number.append(exponent);
    }
    const char *begin = number.constData();
    if (*begin == '+')
        ++begin; // from_chars takes no plus sign
    double value = 0.0;
    const auto result = std::from_chars(begin, number.constData() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Underflow is zero; overflow would be infinite, which no caller can use.
        return 0.0;
    }
    if (result.ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return value;
}

QString CXmlNode::FormatDouble(double value)
{
    if (!std::isfinite(value))
        value = 0.0;
    char buffer[64];
    const auto result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 6);
    QByteArray text(buffer, static_cast<qsizetype>(result.ptr - buffer));
    // The target platform's C library writes at least three exponent digits.
    const qsizetype e = text.indexOf('e');
    if (e >= 0) {
        const qsizetype digitsAt = e + 2; // after "e+" or "e-"
        while (text.size() - digitsAt < 3)
            text.insert(digitsAt, '0');
    }
    return QString::fromLatin1(text);
}
