// The XML layer: local-name lookups, text conversions with their write-back, failure results,
// and documents built to hurt the reader.
#include "XmlDocument.h"
#include "XmlNodes.h"
#include "helper_QtPrint.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

QString Text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

CXmlNodePtr RootOf(CXmlDocument &document, const char *xml)
{
    EXPECT_TRUE(document.LoadXml(Text(xml))) << xml;
    return document.GetRoot();
}

QString WriteFile(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

} // namespace

TEST(XmlDocument, OpenOfMissingFileKeepsTheLoadedDocument)
{
    CXmlDocument document;
    ASSERT_TRUE(document.LoadXml(QStringLiteral("<a><b>1</b></a>")));
    EXPECT_FALSE(document.Open(QStringLiteral("/nonexistent/folder/x.xml")));
    EXPECT_FALSE(document.Open(QString()));
    EXPECT_EQ(document.GetRoot()->GetChild(QStringLiteral("b"))->GetInt(), 1);
}

TEST(XmlDocument, FailedParseLeavesEveryReadEmpty)
{
    CXmlDocument document;
    ASSERT_TRUE(document.LoadXml(QStringLiteral("<a x='1'/>")));
    EXPECT_FALSE(document.LoadXml(QStringLiteral("<a><b></a>")));
    EXPECT_FALSE(document.IsLoaded());
    CXmlNodePtr root = document.GetRoot();
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->IsNull());
    EXPECT_TRUE(root->GetChild(QStringLiteral("b"), true)->IsNull()) << "nothing to build in";
    EXPECT_EQ(root->GetName(), QString());
    EXPECT_EQ(root->GetString(), QString());
    EXPECT_EQ(root->GetInt(), 0);
    EXPECT_EQ(root->GetDouble(2.5), 2.5);
    EXPECT_EQ(root->GetAttribute(QStringLiteral("x")), QString());
    EXPECT_EQ(root->GetAttribute(QStringLiteral("x"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(root->GetAttributeInt(QStringLiteral("x"), -1), -1);
    CXmlNodesPtr children = root->GetChildren();
    ASSERT_TRUE(children);
    EXPECT_TRUE(children->IsNull());
    EXPECT_EQ(children->GetCount(), -1);
    EXPECT_TRUE(children->GetItem(0)->IsNull());
}

TEST(XmlDocument, ChildLookupByLocalNameAmongChildrenOnly)
{
    CXmlDocument document;
    CXmlNodePtr root = RootOf(document,
                              "<answer xmlns:p='urn:x'>"
                              "<wrap><Result>deep</Result></wrap>"
                              "<p:Result>first</p:Result>"
                              "<Result>second</Result>"
                              "<result>case</result>"
                              "</answer>");
    CXmlNodePtr result = root->GetChild(QStringLiteral("Result"));
    EXPECT_EQ(result->GetString(), QStringLiteral("first"));
    EXPECT_EQ(result->GetName(), QStringLiteral("p:Result"));
    EXPECT_EQ(root->GetChild(QStringLiteral("result"))->GetString(), QStringLiteral("case"));
    EXPECT_TRUE(root->GetChild(QStringLiteral("p:Result"))->IsNull());
    EXPECT_TRUE(root->GetChild(QStringLiteral("it's"), true)->IsNull());

    CXmlDocument onlyDeep;
    CXmlNodePtr top = RootOf(onlyDeep, "<a><wrap><Result>deep</Result></wrap></a>");
    EXPECT_TRUE(top->GetChild(QStringLiteral("Result"))->IsNull());
}

TEST(XmlDocument, BuildFlagAppendsOnceAndFindsItAgain)
{
    CXmlDocument document;
    CXmlNodePtr root = RootOf(document, "<product><itemName>n</itemName></product>");
    EXPECT_TRUE(root->GetChild(QStringLiteral("itemID"))->IsNull());
    CXmlNodePtr built = root->GetChild(QStringLiteral("itemID"), true);
    ASSERT_FALSE(built->IsNull());
    EXPECT_EQ(built->GetString(), QString());
    CXmlNodesPtr children = root->GetChildren();
    ASSERT_EQ(children->GetCount(), 2);
    EXPECT_EQ(children->GetItem(1)->GetName(), QStringLiteral("itemID")) << "appended last";

    built->GetInt(); // writes "0" into the element
    EXPECT_EQ(root->GetChild(QStringLiteral("itemID"), true)->GetString(), QStringLiteral("0"));
    EXPECT_EQ(root->GetChildren()->GetCount(), 2) << "second call finds the built element";
}

TEST(XmlDocument, GetIntFollowsStrtolAndWritesZeroBack)
{
    struct Row
    {
        const char *name;
        const char *text;
        int value;
    } rows[] = {
        {"spaces around", " 42 ", 42},
        {"digits then letter", "-7x", -7},
        {"plus sign", "+15", 15},
        {"letter first", "x7", 0},
        {"hex is not read", "0x1F", 0},
        {"decimal stops at point", "3.9", 3},
        {"overflow saturates", "99999999999", 2147483647},
        {"underflow saturates", "-99999999999", -2147483647 - 1},
        {"int min", "-2147483648", -2147483647 - 1},
    };
    for (const Row &row : rows) {
        CXmlDocument document;
        const QString xml = QStringLiteral("<a><v>%1</v></a>").arg(Text(row.text));
        ASSERT_TRUE(document.LoadXml(xml));
        EXPECT_EQ(document.GetRoot()->GetChild(QStringLiteral("v"))->GetInt(), row.value)
            << row.name;
    }

    CXmlDocument document;
    CXmlNodePtr root = RootOf(document, "<a><v/><w>   </w></a>");
    for (const char *name : {"v", "w"}) {
        CXmlNodePtr v = root->GetChild(QString::fromLatin1(name));
        EXPECT_EQ(v->GetInt(), 0) << name;
        EXPECT_EQ(v->GetString(), QStringLiteral("0")) << name << ": written back";
    }
}

TEST(XmlDocument, GetDoubleWritesThePercentEFormOfTheDefault)
{
    struct Row
    {
        const char *name;
        double defaultValue;
        const char *written;
        double value;
    } rows[] = {
        {"two and a half", 2.5, "2.500000e+000", 2.5},
        {"zero", 0.0, "0.000000e+000", 0.0},
        {"rounded to seven digits", 1.0 / 3.0, "3.333333e-001", 0.3333333},
        {"negative small", -0.00012345678, "-1.234568e-004", -0.0001234568},
        {"three-digit exponent", 1e150, "1.000000e+150", 1e150},
        {"millimetres per inch", 25.4, "2.540000e+001", 25.4},
    };
    for (const Row &row : rows) {
        CXmlDocument document;
        CXmlNodePtr v = RootOf(document, "<a><v/></a>")->GetChild(QStringLiteral("v"));
        EXPECT_DOUBLE_EQ(v->GetDouble(row.defaultValue), row.value) << row.name;
        EXPECT_EQ(v->GetString(), Text(row.written)) << row.name;
    }
}

TEST(XmlDocument, GetDoubleFollowsStrtodInTheCLocale)
{
    struct Row
    {
        const char *name;
        const char *text;
        double value;
    } rows[] = {
        {"exponent", "1e-3", 0.001},
        {"blanks and trailing letters", "  3.25abc", 3.25},
        {"comma is not a decimal point", "3,75", 3.0},
        {"leading point", ".5", 0.5},
        {"exponent without digits", "2e", 2.0},
        {"exponent sign without digits", "2e+", 2.0},
        {"capital exponent", "-1.5E2", -150.0},
        {"nothing convertible", "abc", 0.0},
        {"lone sign", "-", 0.0},
        {"infinite is refused", "1e999", 0.0},
        {"not a number is refused", "nan", 0.0},
    };
    for (const Row &row : rows) {
        CXmlDocument document;
        const QString xml = QStringLiteral("<a><v>%1</v></a>").arg(Text(row.text));
        ASSERT_TRUE(document.LoadXml(xml));
        CXmlNodePtr v = document.GetRoot()->GetChild(QStringLiteral("v"));
        EXPECT_DOUBLE_EQ(v->GetDouble(9.0), row.value) << row.name;
        EXPECT_EQ(v->GetString(), Text(row.text)) << row.name << ": text untouched";
    }
}

TEST(XmlDocument, AttributesFallBackToTheDefaultWhenMissingOrEmpty)
{
    CXmlDocument document;
    CXmlNodePtr root = RootOf(document, "<a><m/><e type=''/><s type='2'/><t type=' 5z'/></a>");
    struct Row
    {
        const char *element;
        int value;
    } rows[] = {{"m", -1}, {"e", -1}, {"s", 2}, {"t", 5}};
    for (const Row &row : rows) {
        CXmlNodePtr node = root->GetChild(QString::fromLatin1(row.element));
        EXPECT_EQ(node->GetAttributeInt(QStringLiteral("type"), -1), row.value) << row.element;
    }
    CXmlNodePtr e = root->GetChild(QStringLiteral("e"));
    EXPECT_EQ(e->GetAttribute(QStringLiteral("type"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(e->GetAttribute(QStringLiteral("type")), QString());
    EXPECT_EQ(root->GetChild(QStringLiteral("m"))->GetString(), QString());
    EXPECT_EQ(e->GetAttribute(QString()), QString());
}

TEST(XmlDocument, WhiteSpaceBetweenElementsIsDropped)
{
    CXmlDocument document;
    CXmlNodePtr root = RootOf(document,
                              "<?xml version='1.0'?>\r\n<!-- c -->\n<a>\n\t<b> 1 </b>\n"
                              "\t<?pi x?><c><![CDATA[<x>]]></c>\n</a>\n");
    CXmlNodesPtr children = root->GetChildren();
    ASSERT_EQ(children->GetCount(), 2);
    EXPECT_EQ(root->GetString(), QStringLiteral(" 1 <x>")) << "only the text of descendants";
    EXPECT_EQ(children->GetItem(1)->GetString(), QStringLiteral("<x>"));
    EXPECT_TRUE(children->GetItem(2)->IsNull());
    EXPECT_TRUE(children->GetItem(-1)->IsNull());

    CXmlDocument emptyChildren;
    CXmlNodePtr holder = RootOf(emptyChildren, "<a><b/><c/></a>");
    EXPECT_EQ(holder->GetChildren()->GetCount(), 2);
    EXPECT_EQ(holder->GetString(), QString());
    EXPECT_EQ(holder->GetChildren()->GetCount(), 0) << "empty children vanish with the text";
    EXPECT_FALSE(holder->GetChildren()->IsNull());
}

TEST(XmlDocument, NodesOutliveTheirDocument)
{
    CXmlNodePtr child;
    CXmlNodesPtr list;
    {
        CXmlDocument document;
        CXmlNodePtr root = RootOf(document, "<a><b>7</b><c/></a>");
        child = root->GetChild(QStringLiteral("b"));
        list = root->GetChildren();
        document.Close();
        EXPECT_TRUE(document.GetRoot()->IsNull());
    }
    EXPECT_EQ(child->GetInt(), 7);
    EXPECT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetItem(1)->GetName(), QStringLiteral("c"));
}

TEST(XmlDocument, OpenDetectsTheFileEncoding)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString korean = QStringLiteral("가방 %1").arg(QChar(0x00E9));
    struct Row
    {
        const char *name;
        QByteArray bytes;
    } rows[] = {
        {"utf8.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><t>" + korean.toUtf8() + "</t>"},
        {"nodecl.xml", "<t>" + korean.toUtf8() + "</t>"},
        {"bom.xml", "\xEF\xBB\xBF<t>" + korean.toUtf8() + "</t>"},
        {"utf16.xml",
         [&] {
             QString text = QStringLiteral("\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><t>")
                 + korean + QStringLiteral("</t>");
             return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
         }()},
    };
    for (const Row &row : rows) {
        CXmlDocument document;
        const QString path = WriteFile(dir, row.name, row.bytes);
        ASSERT_TRUE(document.Open(path)) << row.name;
        EXPECT_EQ(document.Path(), path);
        EXPECT_EQ(document.GetRoot()->GetString(), korean) << row.name;
    }

    CXmlDocument latin;
    ASSERT_TRUE(latin.Open(
        WriteFile(dir, "latin1.xml", "<?xml version='1.0' encoding='ISO-8859-1'?><t>\xE9</t>")));
    EXPECT_EQ(latin.GetRoot()->GetString(), QString(QChar(0x00E9)));

    CXmlDocument decoded;
    ASSERT_TRUE(decoded.LoadXml(QStringLiteral("<?xml version='1.0' encoding='ISO-8859-1'?><t>")
                                + korean + QStringLiteral("</t>")));
    EXPECT_EQ(decoded.GetRoot()->GetString(), korean) << "decoded text ignores the declaration";
}

// Documents made to hurt the reader: each must give false quickly, without reading anything
// it points at, expanding anything, or running out of stack.
TEST(XmlDocument, HostileDocumentsAreRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString secret = WriteFile(dir, "secret.txt", "TOPSECRET-CONTENT");

    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        laughs += "<!ENTITY lol" + QByteArray::number(i) + " \"";
        for (int j = 0; j < 10; ++j)
            laughs += "&lol" + (i == 1 ? QByteArray() : QByteArray::number(i - 1)) + ";";
        laughs += "\">\n";
    }
    laughs += "]>\n<lolz>&lol9;</lolz>";

    const QByteArray external = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file://"
        + secret.toUtf8() + "\">]><r>&x;</r>";
    const QByteArray externalDtd
        = "<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"" + secret.toUtf8() + "\"><r>&x;</r>";
    auto nested = [](int depth) {
        return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
    };

    struct Row
    {
        const char *name;
        QByteArray bytes;
        bool badEncoding = false;
    } rows[] = {
        {"billion laughs", laughs},
        {"external entity", external},
        {"external dtd", externalDtd},
        {"plain doctype", "<!DOCTYPE r><r/>"},
        {"undeclared entity", "<r>&x;</r>"},
        {"undeclared prefix", "<p:r/>"},
        {"depth 257", nested(257)},
        {"depth 200000", nested(200000)},
        {"unclosed depth 200000", QByteArray("<a>").repeated(200000)},
        {"invalid utf8 byte", "<r>\xFF\xFE</r>", true},
        {"overlong utf8", "<r>\xC0\xAF</r>", true},
        {"truncated utf8", "<r>\xEA\xB0</r>", true},
        {"utf16 surrogate encoded in utf8", "<r>\xED\xA0\x80</r>", true},
        {"invalid utf8 in name", "<r\xFF/>", true},
        {"two roots", "<a/><b/>"},
        {"empty", ""},
        {"text only", "hello"},
        {"nul byte", QByteArray("<r>a\0b</r>", 10)},
    };
    for (const Row &row : rows) {
        QElapsedTimer timer;
        timer.start();
        CXmlDocument fromBytes;
        EXPECT_FALSE(fromBytes.LoadBytes(row.bytes)) << row.name;
        EXPECT_TRUE(fromBytes.GetRoot()->IsNull()) << row.name;
        CXmlDocument fromFile;
        EXPECT_FALSE(fromFile.Open(WriteFile(dir, "hostile.xml", row.bytes))) << row.name;
        // Decoding to text already replaced bad bytes, so only the structural rows apply.
        CXmlDocument fromText;
        if (!row.badEncoding) {
            EXPECT_FALSE(fromText.LoadXml(QString::fromUtf8(row.bytes))) << row.name;
        }
        EXPECT_LT(timer.elapsed(), 5000) << row.name;
    }

    CXmlDocument deepest;
    EXPECT_TRUE(deepest.LoadBytes(nested(CXmlDocument::MaxDepth)));
}

TEST(XmlDocument, OversizedAndSpecialFilesAreRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString big = dir.filePath(QStringLiteral("big.xml"));
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<a>");
        ASSERT_TRUE(file.resize(CXmlDocument::MaxFileSize + 1)); // sparse, costs no disk
    }
    CXmlDocument document;
    EXPECT_FALSE(document.Open(big));
    EXPECT_FALSE(document.Open(dir.path())) << "a folder is not a document";
}
