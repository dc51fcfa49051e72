#include "DrComment.h"

#include "CommentIcon.h"

#include <QFontMetrics>
#include <QPainter>

#include <optional>

namespace {

std::optional<QImage> &SharedIcon()
{
    static std::optional<QImage> icon;
    return icon;
}

// Characters XML 1.0 allows in a document.
bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
        || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

} // namespace

void CDrComment::SetIcon(const QImage &icon)
{
    SharedIcon() = icon.isNull() ? DrawCommentPinIcon() : icon;
}

const QImage &CDrComment::Icon()
{
    std::optional<QImage> &icon = SharedIcon();
    if (!icon)
        icon = DrawCommentPinIcon();
    return *icon;
}

const QFont &CDrComment::CommentFont()
{
    static const QFont font = [] {
        QFont f(QStringLiteral("굴림"), 10);
        f.setStyleHint(QFont::SansSerif);
        f.setWeight(QFont::Normal);
        return f;
    }();
    return font;
}

ScreenRect CDrComment::GetScreenRect(const ViewTransform &t) const
{
    const int left = static_cast<int>(t.ToScreenX(X) + 0.5 - IconW() / 2);
    const int top = static_cast<int>(t.ToScreenY(Y) + 0.5 - IconH() / 2);
    return {left, top, left + IconW(), top + IconH()};
}

QRectF CDrComment::GetImageRect(const ViewTransform &t) const
{
    // Both sides are divided by the horizontal scale, as the canvas always scales evenly.
    const double w = IconW() / t.ScaleX;
    const double h = IconH() / t.ScaleX;
    return QRectF(X - w / 2, Y - h / 2, w, h);
}

ScreenRect CDrComment::GetBalloonRect(const ViewTransform &t) const
{
    const int sx = static_cast<int>(t.ToScreenX(X));
    const int sy = static_cast<int>(t.ToScreenY(Y));
    int textHeight = 0;
    if (!Properties.Text.isEmpty()) {
        const QFontMetrics metrics(CommentFont());
        textHeight = metrics.boundingRect(QRect(0, 0, 249, 768), Qt::TextWordWrap, Properties.Text)
                         .height();
    }
    return {sx + 8, sy + 8, sx + 281, sy + 32 + textHeight};
}

void CDrComment::Draw(QPainter &painter, const ViewTransform &t) const
{
    const ScreenRect icon = GetScreenRect(t);
    const ScreenRect balloon = GetBalloonRect(t);
    painter.save();
    painter.drawImage(QPoint(icon.left, icon.top), Icon());
    painter.fillRect(balloon.ToQRect(), QColor(0, 0, 0, 100));
    if (!Properties.Text.isEmpty()) {
        QRect textRect = balloon.ToQRect();
        textRect.translate(2, 2);
        painter.setFont(CommentFont());
        painter.setPen(Qt::white);
        painter.drawText(textRect, int(Qt::AlignCenter | Qt::TextWordWrap), Properties.Text);
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(balloon.left, balloon.top, balloon.Width() - 1, balloon.Height() - 1);
    painter.restore();
}

void CDrComment::DrawHandles(QPainter &painter, const ViewTransform &t) const
{
    const ScreenRect icon = GetScreenRect(t);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(icon.left - 1, icon.top - 1, icon.Width() + 1, icon.Height() + 1);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(icon.left - 2, icon.top - 2, icon.Width() + 3, icon.Height() + 3);
    painter.restore();
}

bool CDrComment::HitTest(const ViewTransform &t, int screenX, int screenY, double, double) const
{
    if (GetScreenRect(t).Contains(screenX, screenY))
        return true;
    return !Properties.Text.isEmpty() && GetBalloonRect(t).Contains(screenX, screenY);
}

int CDrComment::HitTestHandle(const ViewTransform &t, int screenX, int screenY, double imageX,
                              double imageY) const
{
    return HitTest(t, screenX, screenY, imageX, imageY) ? HandleMove : HandleNone;
}

void CDrComment::Track(const ViewTransform &t, int handle, int, int, int previousX, int previousY,
                       int currentX, int currentY)
{
    if (handle != HandleMove)
        return;
    X += t.ToImageX(currentX) - t.ToImageX(previousX);
    Y += t.ToImageY(currentY) - t.ToImageY(previousY);
}

QString CDrComment::CDataSafe(const QString &text)
{
    QString safe;
    safe.reserve(text.size());
    const QList<uint> points = text.toUcs4();
    for (uint c : points) {
        if (IsXmlChar(c))
            safe.append(QString::fromUcs4(reinterpret_cast<const char32_t *>(&c), 1));
    }
    safe.replace(QStringLiteral("]]>"), QStringLiteral("]]]]><![CDATA[>"));
    return safe;
}

void CDrComment::WriteXml(QString &out) const
{
    out += QString::asprintf("\t\t\t<item>\r\n\t\t\t\t<x>%.3f</x>\r\n\t\t\t\t<y>%.3f</y>\r\n", X,
                             Y);
    out += QStringLiteral("\t\t\t\t<text><![CDATA[") + CDataSafe(Properties.Text)
        + QStringLiteral("]]></text>\r\n\t\t\t</item>\r\n");
}

void CDrComment::CopyFrom(const CDrObject &other)
{
    const auto *comment = dynamic_cast<const CDrComment *>(&other);
    if (!comment || comment == this)
        return;
    X = comment->X;
    Y = comment->Y;
    Properties.CopyFrom(comment->Properties);
}
