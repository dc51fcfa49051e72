#include "DrTextBox.h"

#include <QFont>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

ScreenRect CDrTextBox::GetScreenRect(const ViewTransform &t) const
{
    const int left = static_cast<int>(t.ToScreenX(X) + 0.5);
    const int top = static_cast<int>(t.ToScreenY(Y) + 0.5);
    return {left, top, left + static_cast<int>(Width), top + static_cast<int>(Height)};
}

QRectF CDrTextBox::GetImageRect(const ViewTransform &t) const
{
    return QRectF(X, Y, Width / t.ScaleX, Height / t.ScaleY);
}

void CDrTextBox::Draw(QPainter &painter, const ViewTransform &t) const
{
    const double sx = t.ToScreenX(X), sy = t.ToScreenY(Y);
    const QRectF box(sx, sy, Width, Height);
    painter.save();
    if (Properties.BackColor != -1)
        painter.fillRect(box, ToColor(Properties.BackColor));
    if (Properties.LineColor != -1) {
        QPen pen(ToColor(Properties.LineColor));
        pen.setWidth(std::max(1, Properties.LineWidth));
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box);
    }
    if (!Text.isEmpty()) {
        const int left = static_cast<int>(sx), top = static_cast<int>(sy);
        const int right = static_cast<int>(sx + Width), bottom = static_cast<int>(sy + Height);
        const QRect textRect(QPoint(left + 7, top + 6), QPoint(right - 5 - 1, bottom - 6 - 1));
        // Points at screen resolution, not scaled by the zoom.
        const int dpi = painter.device() ? painter.device()->logicalDpiY() : 96;
        QFont font(Properties.FontName.isEmpty() ? QStringLiteral("Times New Roman")
                                                 : Properties.FontName);
        font.setPixelSize(std::max(1, (Properties.FontSize * dpi + 36) / 72));
        font.setWeight(QFont::Normal);
        painter.setFont(font);
        painter.setPen(ToColor(Properties.TextColor));
        if (Properties.BackColor != -1) {
            painter.setBackgroundMode(Qt::OpaqueMode);
            painter.setBackground(ToColor(Properties.BackColor));
        } else {
            painter.setBackgroundMode(Qt::TransparentMode);
        }
        Qt::Alignment align = Qt::AlignLeft;
        if (Properties.Align == 2)
            align = Qt::AlignHCenter;
        else if (Properties.Align == 3)
            align = Qt::AlignRight;
        painter.drawText(textRect, int(align | Qt::AlignTop | Qt::TextWordWrap), Text);
    }
    painter.restore();
}

void CDrTextBox::DrawHandles(QPainter &painter, const ViewTransform &t) const
{
    DrawBoxHandles(painter, GetScreenRect(t));
}

bool CDrTextBox::HitTest(const ViewTransform &t, int screenX, int screenY, double, double) const
{
    return GetScreenRect(t).Contains(screenX, screenY);
}

int CDrTextBox::HitTestHandle(const ViewTransform &t, int screenX, int screenY, double,
                              double) const
{
    const int handle = BoxHandleTest(GetScreenRect(t), screenX, screenY);
    // Only the eight squares resize; the rest of the outline moves the box.
    return handle >= HandleLeftBand && handle <= HandleBottomBand ? HandleMove : handle;
}

void CDrTextBox::Track(const ViewTransform &t, int handle, int, int, int previousX, int previousY,
                       int currentX, int currentY)
{
    if (handle == HandleMove) {
        X += t.ToImageX(currentX) - t.ToImageX(previousX);
        Y += t.ToImageY(currentY) - t.ToImageY(previousY);
        return;
    }
    if (handle < HandleTopLeft || handle > HandleBottom)
        return;
    double left = t.ToScreenX(X), top = t.ToScreenY(Y);
    double right = left + Width, bottom = top + Height;
    ResizeBox(handle, currentX, currentY, left, top, right, bottom, MinWidth, MinHeight);
    X = t.ToImageX(left);
    Y = t.ToImageY(top);
    Width = right - left;
    Height = bottom - top;
}

void CDrTextBox::CopyFrom(const CDrObject &other)
{
    const auto *box = dynamic_cast<const CDrTextBox *>(&other);
    if (!box || box == this)
        return;
    Text = box->Text;
    X = box->X;
    Y = box->Y;
    Width = box->Width;
    Height = box->Height;
    Properties.CopyFrom(box->Properties);
}
