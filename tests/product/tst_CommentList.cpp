// Reading a photograph's annotation block back from the product description.
#include "CommentListReader.h"
#include "DrLine.h"
#include "DrTextBox.h"
#include "XmlDocument.h"
#include "helper_QtPrint.h"

#include <gtest/gtest.h>

namespace {

// Wraps a list's block in a photograph element and parses it.
CXmlNodePtr PhotoElement(CXmlDocument &document, const QString &block)
{
    const QString xml
        = QStringLiteral("<item>\r\n\t\t<resizeList/>\r\n") + block + QStringLiteral("</item>");
    EXPECT_TRUE(document.LoadXml(xml)) << xml.toStdString();
    return document.GetRoot();
}

} // namespace

TEST(CommentList, WrittenBlockReadsBackAsTheCommentsOnly)
{
    CDrMgr written;
    auto *line = new CDrLine(&written);
    line->X2 = 5;
    written.AddTail(line);
    written.AddTail(new CDrTextBox(&written));
    const QString texts[]
        = {QStringLiteral("흠집 ]]> 주의 <b>&amp;"), QString(), QStringLiteral("two\nlines")};
    for (int i = 0; i < 3; ++i) {
        auto *comment = new CDrComment(&written);
        comment->X = 10.25 * i;
        comment->Y = 3;
        comment->SetText(texts[i]);
        written.AddTail(comment);
    }

    CXmlDocument document;
    CDrMgr read;
    read.AddTail(new CDrLine(&read)); // replaced by the read
    CCommentListReader::ReadCommentList(read,
                                        PhotoElement(document, CDrMgr::WriteCommentList(written)));
    ASSERT_EQ(read.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const auto *comment = dynamic_cast<const CDrComment *>(read.GetAt(i));
        ASSERT_NE(comment, nullptr);
        EXPECT_EQ(comment->Owner, &read);
        EXPECT_DOUBLE_EQ(comment->X, 10.25 * i);
        EXPECT_EQ(comment->Text(), texts[i]) << i;
    }
}

TEST(CommentList, IncompleteItemsAndMissingBlocksGiveNoComments)
{
    struct Row
    {
        const char *name;
        const char *block;
        int count;
    } rows[] = {
        {"no block", "", 0},
        {"block without list", "<comment><item><x>1</x><y>1</y><text>a</text></item></comment>", 0},
        {"item without text",
         "<comment><list><item><x>1</x><y>2</y></item>"
         "<item><x>1</x><y>2</y><text>ok</text></item></list></comment>",
         1},
        {"item without x", "<comment><list><item><y>2</y><text>a</text></item></list></comment>",
         0},
        {"any element name", "<comment><list><note><x>1</x><y>2</y><text/></note></list></comment>",
         1},
        {"line element", "<comment><list><Line x1=\"1\"/></list></comment>", 0},
        {"coordinate beyond any photograph",
         "<comment><list><item><x>1e300</x><y>2</y><text>far</text></item>"
         "<item><x>3</x><y>-4e7</y><text>far</text></item>"
         "<item><x>3</x><y>4</y><text>near</text></item></list></comment>",
         1},
    };
    for (const Row &row : rows) {
        CXmlDocument document;
        CDrMgr list;
        CCommentListReader::ReadCommentList(list,
                                            PhotoElement(document, QString::fromUtf8(row.block)));
        EXPECT_EQ(list.Count(), row.count) << row.name;
    }
    CDrMgr list;
    list.AddTail(new CDrComment(&list));
    CCommentListReader::ReadCommentList(list, CXmlNode::Empty());
    EXPECT_EQ(list.Count(), 0) << "an empty element empties the list";
}
