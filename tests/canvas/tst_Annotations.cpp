// Annotation objects: hit tests, drags, description fragments and drawing, at several zooms.
#include "DrComment.h"
#include "DrCut.h"
#include "DrLine.h"
#include "DrMgr.h"
#include "DrTextBox.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>
#include <memory>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

ViewTransform Scale(double s, double ox = 0, double oy = 0)
{
    return ViewTransform {s, s, ox, oy};
}

std::unique_ptr<CDrLine> MakeLine(double x1, double y1, double x2, double y2)
{
    auto line = std::make_unique<CDrLine>();
    line->X1 = x1;
    line->Y1 = y1;
    line->X2 = x2;
    line->Y2 = y2;
    return line;
}

} // namespace

TEST(DrLine, HitTestUsesScreenTolerance)
{
    const auto owned = MakeLine(10, 10, 110, 10);
    const CDrLine &line = *owned;
    struct Row
    {
        const char *name;
        double scale;
        int sx, sy; // screen point
        double ix, iy; // image point
        int handle;
    } rows[] = {
        {"body within 8.5", 1, 60, 18, 60, 18, HandleMove},
        {"body at 9", 1, 60, 19, 60, 19, HandleNone},
        {"start square", 1, 10, 14, 10, 14, HandleLineStart},
        {"end square", 1, 114, 6, 114, 6, HandleLineEnd},
        {"beyond the end measured to the end", 1, 117, 10, 117, 10, HandleMove},
        {"far beyond the end", 1, 121, 10, 121, 10, HandleNone},
        // The tolerance is 8.5 screen pixels at every zoom: 85 image pixels at scale 0.1, 0.85
        // at scale 10.
        {"zoomed out body", 0.1, 6, 9, 60, 90, HandleMove},
        {"zoomed out miss", 0.1, 6, 10, 60, 100, HandleNone},
        {"zoomed in body", 10, 600, 108, 60, 10.8, HandleMove},
        {"zoomed in miss", 10, 600, 180, 60, 18, HandleNone},
    };
    for (const Row &row : rows) {
        const ViewTransform t = Scale(row.scale);
        EXPECT_EQ(line.HitTestHandle(t, row.sx, row.sy, row.ix, row.iy), row.handle) << row.name;
        EXPECT_EQ(line.HitTest(t, row.sx, row.sy, row.ix, row.iy), row.handle != HandleNone)
            << row.name;
    }
}

TEST(DrLine, DistanceToSegments)
{
    struct Row
    {
        const char *name;
        double x1, y1, x2, y2;
        double x, y, distance;
    } rows[] = {
        {"diagonal foot inside", 0, 0, 10, 10, 10, 0, std::sqrt(50.0)},
        {"diagonal foot outside", 0, 0, 10, 10, -3, -4, 5},
        {"reversed diagonal", 10, 10, 0, 0, 0, 10, std::sqrt(50.0)},
        {"vertical inside", 5, 0, 5, 100, 8, 50, 3},
        {"vertical outside", 5, 0, 5, 100, 5, 104, 4},
        {"a point", 5, 5, 5, 5, 8, 9, 5},
    };
    for (const Row &row : rows)
        EXPECT_NEAR(MakeLine(row.x1, row.y1, row.x2, row.y2)->DistanceTo(row.x, row.y),
                    row.distance, 1e-9)
            << row.name;
}

TEST(DrLine, TouchesTheAreaAnywhereAlongItsLength)
{
    const QRectF area(0, 0, 100, 100);
    struct Row
    {
        const char *name;
        double x1, y1, x2, y2;
        bool touches;
    } rows[] = {
        {"crossing with both ends outside", -50, 50, 150, 60, true},
        {"wholly left", -50, 10, -5, 90, false},
        {"past a corner, ends on both sides", -10, 5, 5, -10, false},
        {"a point inside", 40, 40, 40, 40, true},
        {"ending on the edge", -20, 100, 0, 100, true},
    };
    for (const Row &row : rows) {
        const auto line = MakeLine(row.x1, row.y1, row.x2, row.y2);
        EXPECT_EQ(line->Touches(area, Scale(1)), row.touches) << row.name;
    }
}

TEST(DrObject, OffsetMovesEveryKindWithoutReshapingIt)
{
    const ViewTransform t = Scale(0.5);
    const auto line = MakeLine(10, 20, 30, 60);
    CDrTextBox box;
    box.X = 10;
    box.Y = 20;
    box.Width = 250;
    box.Height = 40;
    CDrComment comment;
    comment.X = 10;
    comment.Y = 20;
    CDrCut cut;
    cut.Left = 10;
    cut.Top = 20;
    cut.Right = 30;
    cut.Bottom = 60;
    for (CDrObject *object :
         std::initializer_list<CDrObject *> {line.get(), &box, &comment, &cut}) {
        const QRectF before = object->GetImageRect(t);
        object->Offset(-5, 7);
        EXPECT_EQ(object->GetImageRect(t), before.translated(-5, 7)) << object->GetType();
    }
}

TEST(DrLine, TrackMovesBodyOrEnds)
{
    const ViewTransform t = Scale(2, 10, 20);
    const auto owned = MakeLine(10, 10, 110, 10);
    CDrLine &line = *owned;
    line.Track(t, HandleMove, 0, 0, 100, 100, 110, 96);
    EXPECT_DOUBLE_EQ(line.X1, 15);
    EXPECT_DOUBLE_EQ(line.Y1, 8);
    EXPECT_DOUBLE_EQ(line.X2, 115);
    line.Track(t, HandleLineEnd, 0, 0, 0, 0, 210, 120);
    EXPECT_DOUBLE_EQ(line.X2, 100);
    EXPECT_DOUBLE_EQ(line.Y2, 50);
    line.Track(t, HandleTopLeft, 0, 0, 0, 0, 500, 500);
    EXPECT_DOUBLE_EQ(line.X1, 15) << "other handles are ignored";
}

TEST(DrLine, WritesItsElementWithTheWindowsColourOrder)
{
    const auto owned = MakeLine(1, 2, 3.5, 4.25);
    CDrLine &line = *owned;
    line.Properties.Color = 0x0000FF;
    line.Properties.Thickness = 3;
    QString out;
    line.WriteXml(out);
    EXPECT_EQ(out,
              QStringLiteral("\t\t<Line x1=\"1.000\" y1=\"2.000\" x2=\"3.500\" y2=\"4.250\" "
                             "color=\"#0000FF\" thickness=\"3\"/>\r\n"));
    line.Properties.Color = 0xFF0000;
    out.clear();
    line.WriteXml(out);
    EXPECT_TRUE(out.contains(QStringLiteral("color=\"#FF0000\""))) << "blue";
    EXPECT_EQ(CDrObject::ToColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(CDrObject::ToColor(0x123456), QColor(0x56, 0x34, 0x12));
}

TEST(BoxHandleTest, FindsSquaresBandsAndBody)
{
    const ScreenRect r {100, 100, 200, 150};
    struct Row
    {
        const char *name;
        int x, y, handle;
    } rows[] = {
        {"far outside", 50, 50, HandleNone},
        {"just outside the margin", 91, 125, HandleNone},
        {"margin but no square", 92, 125 - 20, HandleNone},
        {"top-left", 96, 96, HandleTopLeft},
        {"top-left inner edge", 104, 104, HandleTopLeft},
        {"top-right", 203, 96, HandleTopRight},
        {"bottom-right", 195, 145, HandleBottomRight},
        {"bottom-left", 100, 153, HandleBottomLeft},
        {"left middle", 100, 124, HandleLeft},
        {"top middle", 149, 100, HandleTop},
        {"right middle", 199, 124, HandleRight},
        {"bottom middle", 149, 149, HandleBottom},
        {"left band", 100, 112, HandleLeftBand},
        {"top band", 130, 103, HandleTopBand},
        {"right band", 198, 136, HandleRightBand},
        {"bottom band", 170, 147, HandleBottomBand},
        {"inside", 130, 120, HandleMove},
    };
    for (const Row &row : rows)
        EXPECT_EQ(CDrObject::BoxHandleTest(r, row.x, row.y), row.handle) << row.name;
}

TEST(DrTextBox, KeepsScreenSizeAndMinimumWhileResizing)
{
    CDrTextBox box;
    box.X = 10;
    box.Y = 20;
    box.Width = CDrTextBox::NewWidth;
    box.Height = CDrTextBox::NewHeight;
    const ViewTransform t = Scale(2, 5, 5);
    EXPECT_EQ(box.GetImageRect(t), QRectF(10, 20, 125, 20));
    EXPECT_EQ(box.GetScreenRect(t), (ScreenRect {25, 45, 275, 85}));
    EXPECT_EQ(box.GetScreenRect(Scale(1, 0.5, 0.4)), (ScreenRect {11, 20, 261, 60})) << "rounded";
    EXPECT_EQ(box.HitTestHandle(t, 26, 70, 0, 0), HandleMove) << "left band moves";

    struct Row
    {
        const char *name;
        int handle;
        int mouseX, mouseY;
        ScreenRect expected; // from (25, 45, 275, 85)
    } rows[] = {
        {"left side near the right", HandleLeft, 255, 60, {225, 45, 275, 85}},
        {"top-left past the right", HandleTopLeft, 400, 200, {225, 75, 275, 85}},
        {"right side past the left", HandleRight, 0, 60, {25, 45, 75, 85}},
        {"bottom above the top", HandleBottom, 100, 0, {25, 45, 275, 55}},
        {"bottom-right grows", HandleBottomRight, 305, 125, {25, 45, 305, 125}},
        {"top side", HandleTop, 0, 35, {25, 35, 275, 85}},
    };
    for (const Row &row : rows) {
        CDrTextBox copy;
        copy.CopyFrom(box);
        copy.Track(t, row.handle, 0, 0, 0, 0, row.mouseX, row.mouseY);
        EXPECT_EQ(copy.GetScreenRect(t), row.expected) << row.name;
    }

    box.Track(t, HandleMove, 0, 0, 100, 100, 90, 120);
    EXPECT_DOUBLE_EQ(box.X, 5);
    EXPECT_DOUBLE_EQ(box.Y, 30);
    EXPECT_DOUBLE_EQ(box.Width, 250) << "moving keeps the size";
}

TEST(DrComment, EmptyTextHasAnEmptyBalloonAndIsFoundOnTheIconOnly)
{
    CDrComment comment;
    comment.X = 100;
    comment.Y = 100;
    const ViewTransform t = Scale(1);
    const ScreenRect balloon = comment.GetBalloonRect(t);
    EXPECT_EQ(balloon.Width(), 273);
    EXPECT_EQ(balloon.Height(), 24);
    EXPECT_EQ(balloon.left, 108);
    const ScreenRect icon = comment.GetScreenRect(t);
    EXPECT_EQ(icon.Width(), CDrComment::IconW());
    EXPECT_EQ(icon.left, static_cast<int>(100.5 - CDrComment::IconW() / 2));
    EXPECT_TRUE(comment.HitTest(t, 100, 100, 100, 100));
    EXPECT_FALSE(comment.HitTest(t, 200, 120, 200, 120)) << "balloon of an empty comment";
    comment.SetText(QStringLiteral("흠집 주의"));
    EXPECT_TRUE(comment.HitTest(t, 200, 120, 200, 120));
    EXPECT_EQ(comment.HitTestHandle(t, 200, 120, 200, 120), HandleMove);
    EXPECT_GT(comment.GetBalloonRect(t).Height(), 24);

    const QRectF imageRect = comment.GetImageRect(Scale(2));
    EXPECT_DOUBLE_EQ(imageRect.width(), CDrComment::IconW() / 2.0);
    EXPECT_DOUBLE_EQ(imageRect.center().x(), 100);
}

TEST(DrComment, WritesItsTextSoThatItStaysOneCData)
{
    CDrComment comment;
    comment.X = 12.5;
    comment.Y = 7;
    comment.SetText(QStringLiteral("a<b>&c"));
    QString out;
    comment.WriteXml(out);
    EXPECT_EQ(out,
              QStringLiteral("\t\t\t<item>\r\n\t\t\t\t<x>12.500</x>\r\n\t\t\t\t<y>7.000</y>"
                             "\r\n\t\t\t\t<text><![CDATA[a<b>&c]]></text>\r\n\t\t\t</item>"
                             "\r\n"));
    EXPECT_EQ(CDrComment::CDataSafe(QStringLiteral("x]]>y")), QStringLiteral("x]]]]><![CDATA[>y"));
    EXPECT_EQ(CDrComment::CDataSafe(QStringLiteral("a\u0001b\tc")), QStringLiteral("ab\tc"));
}

TEST(DrObject, CreateEmptyKeepsOwnerAndCopyFromCopiesFields)
{
    CDrMgr owner;
    std::unique_ptr<CDrObject> kinds[]
        = {std::make_unique<CDrLine>(&owner), std::make_unique<CDrTextBox>(&owner),
           std::make_unique<CDrComment>(&owner), std::make_unique<CDrCut>(&owner)};
    const int types[] = {2, 1, 3, 5};
    for (size_t i = 0; i < std::size(kinds); ++i) {
        std::unique_ptr<CDrObject> empty(kinds[i]->CreateEmpty());
        EXPECT_EQ(empty->GetType(), types[i]);
        EXPECT_EQ(empty->Owner, &owner);
    }
    CDrComment source(&owner);
    source.X = 3;
    source.SetText(QStringLiteral("t"));
    CDrComment target(nullptr);
    target.CopyFrom(source);
    EXPECT_EQ(target.Owner, nullptr);
    EXPECT_EQ(target.Text(), QStringLiteral("t"));
    CDrLine line;
    line.CopyFrom(source); // another kind is ignored
    EXPECT_EQ(line.X1, 0);

    CTextBoxPropInfo props;
    EXPECT_EQ(props.FontName, QStringLiteral("굴림"));
    EXPECT_EQ(props.BackColor, -1);
    props.FontSize = 30;
    CDrTextBox box;
    box.SetProperties(props);
    EXPECT_EQ(static_cast<CTextBoxPropInfo &>(box.GetProperties()).FontSize, 30);
    box.SetProperties(CLinePropInfo()); // wrong kind changes nothing
    EXPECT_EQ(box.Properties.FontSize, 30);
}

TEST(DrCut, DrawsOnlyWhenActiveAndMovesInImagePixels)
{
    CDrCut cut;
    cut.Left = 10;
    cut.Top = 10;
    cut.Right = 60;
    cut.Bottom = 40;
    const ViewTransform t = Scale(2);
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        cut.Draw(painter, t);
    }
    EXPECT_EQ(image.pixel(60, 40), qRgb(0, 0, 0)) << "inactive draws nothing";
    cut.Active = 1;
    {
        QPainter painter(&image);
        cut.Draw(painter, t);
    }
    EXPECT_GT(qRed(image.pixel(60, 40)), 100) << "white veil";
    EXPECT_EQ(image.pixel(20, 20), qRgb(0, 0, 0)) << "black outline";

    cut.Track(t, HandleMove, 0, 0, 50, 50, 70, 60);
    EXPECT_DOUBLE_EQ(cut.Left, 20);
    EXPECT_DOUBLE_EQ(cut.Bottom, 45);
    cut.Track(t, HandleRight, 0, 0, 0, 0, 0, 0);
    EXPECT_DOUBLE_EQ(cut.Right - cut.Left, 25) << "50 screen pixels at scale 2";
}

TEST(DrawSmoke, LinesTextBoxesAndCommentsPaint)
{
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    CDrMgr list;
    auto *line = new CDrLine(&list);
    line->X1 = 10;
    line->Y1 = 50;
    line->X2 = 200;
    line->Y2 = 50;
    line->Properties.Color = 0x0000FF;
    line->Properties.Thickness = 3;
    list.AddTail(line);
    auto *box = new CDrTextBox(&list);
    box->X = 20;
    box->Y = 100;
    box->Width = 250;
    box->Height = 40;
    box->Properties.BackColor = 0x00FF00;
    box->Text = QStringLiteral("텍스트");
    list.AddTail(box);
    auto *comment = new CDrComment(&list);
    comment->X = 300;
    comment->Y = 30;
    list.AddTail(comment);
    {
        QPainter painter(&image);
        list.Draw(painter, Scale(1));
        line->DrawHandles(painter, Scale(1));
        box->DrawHandles(painter, Scale(1));
        comment->DrawHandles(painter, Scale(1));
    }
    EXPECT_EQ(image.pixel(100, 50), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(265, 135), qRgb(0, 255, 0));
    EXPECT_NE(image.pixel(300, 30), qRgb(255, 255, 255)) << "pin drawn";
}
