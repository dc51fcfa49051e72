// The annotation list: hit order, copies between photograph and canvas, the description block.
#include "DrComment.h"
#include "DrLine.h"
#include "DrMgr.h"
#include "DrTextBox.h"

#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

CDrComment *Comment(CDrMgr &list, double x, double y, const char *text)
{
    auto *comment = new CDrComment(&list);
    comment->X = x;
    comment->Y = y;
    comment->SetText(QString::fromUtf8(text));
    list.AddTail(comment);
    return comment;
}

void FillMixed(CDrMgr &list)
{
    auto *line = new CDrLine(&list);
    line->X2 = 10;
    line->Properties.Color = 0xFF0000;
    list.AddTail(line);
    auto *box = new CDrTextBox(&list);
    box->Text = QStringLiteral("not written");
    list.AddTail(box);
    Comment(list, 5, 6, "note");
}

class Counted : public CDrComment
{
public:
    static inline int alive = 0;
    Counted() { ++alive; }
    ~Counted() override { --alive; }
};

} // namespace

TEST(DrMgr, WritesTheWrapperAroundLinesAndCommentsOnly)
{
    CDrMgr list;
    EXPECT_EQ(CDrMgr::WriteCommentList(list), QString()) << "no empty comment element";
    FillMixed(list);
    EXPECT_EQ(CDrMgr::WriteCommentList(list),
              QStringLiteral("\t\t<comment>\r\n\t\t\t<list>\r\n"
                             "\t\t<Line x1=\"0.000\" y1=\"0.000\" x2=\"10.000\" y2=\"0.000\" "
                             "color=\"#FF0000\" thickness=\"1\"/>\r\n"
                             "\t\t\t<item>\r\n\t\t\t\t<x>5.000</x>\r\n\t\t\t\t<y>6.000</y>\r\n"
                             "\t\t\t\t<text><![CDATA[note]]></text>\r\n\t\t\t</item>\r\n"
                             "\t\t\t</list>\r\n\t\t</comment>\r\n"));
}

TEST(DrMgr, OverlappingObjectsFindTheOneDrawnOnTop)
{
    CDrMgr list;
    Comment(list, 100, 100, "");
    CDrComment *top = Comment(list, 102, 101, "");
    const ViewTransform t;
    EXPECT_EQ(list.FindObjectAt(t, 101, 100, 101, 100), top);
    EXPECT_EQ(list.FindObjectAt(t, 1000, 1000, 1000, 1000), nullptr);
}

TEST(DrMgr, CopyListMakesIndependentCopiesKeepingOwner)
{
    CDrMgr photo;
    FillMixed(photo);
    CDrMgr canvas;
    Comment(canvas, 1, 1, "stale");
    CDrMgr::CopyList(photo, canvas);
    ASSERT_EQ(canvas.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(canvas.GetAt(i), photo.GetAt(i));
        EXPECT_EQ(canvas.GetAt(i)->GetType(), photo.GetAt(i)->GetType());
        EXPECT_EQ(canvas.GetAt(i)->Owner, &photo);
    }
    static_cast<CDrComment *>(canvas.GetAt(2))->SetText(QStringLiteral("edited"));
    EXPECT_EQ(static_cast<CDrComment *>(photo.GetAt(2))->Text(), QStringLiteral("note"));
    EXPECT_EQ(static_cast<CDrTextBox *>(canvas.GetAt(1))->Text, QStringLiteral("not written"));

    CDrMgr::CopyList(canvas, canvas);
    EXPECT_EQ(canvas.Count(), 3) << "copying onto itself keeps the list";
}

TEST(DrMgr, RemoveAtHandsBackAndRemoveAllDeletes)
{
    Counted::alive = 0;
    auto *a = new Counted;
    auto *b = new Counted;
    {
        CDrMgr list;
        list.AddTail(a);
        list.AddTail(b);
        EXPECT_EQ(list.Find(b), 1);
        CDrObject *taken = list.RemoveAt(list.Find(a));
        EXPECT_EQ(Counted::alive, 2);
        EXPECT_EQ(list.Find(a), -1);
        delete taken;
    }
    EXPECT_EQ(Counted::alive, 0);
}

TEST(DrMgr, OnlyAnEmptyCommentOfTheListIsDeletedOnDeselection)
{
    Counted::alive = 0;
    CDrMgr list;
    auto *fresh = new Counted;
    auto *written = new Counted;
    written->SetText(QStringLiteral("kept"));
    auto *line = new CDrLine(&list);
    list.AddTail(fresh);
    list.AddTail(written);
    list.AddTail(line);
    CDrMgr other;
    auto *foreign = new Counted;
    other.AddTail(foreign);

    EXPECT_FALSE(list.DeleteIfEmptyComment(written));
    EXPECT_FALSE(list.DeleteIfEmptyComment(line));
    EXPECT_FALSE(list.DeleteIfEmptyComment(nullptr));
    EXPECT_FALSE(list.DeleteIfEmptyComment(foreign)) << "not this list's";
    EXPECT_EQ(Counted::alive, 3);
    EXPECT_TRUE(list.DeleteIfEmptyComment(fresh));
    EXPECT_EQ(Counted::alive, 2);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.GetAt(0), written);
    EXPECT_TRUE(list.DeleteObject(line));
    EXPECT_FALSE(list.DeleteObject(line));
}

TEST(DrMgrDeath, BadPositionIsFatal)
{
    EXPECT_DEATH(
        {
            CDrMgr list;
            list.RemoveAt(list.Find(nullptr));
        },
        "RemoveAt: invalid argument: position -1");
}
