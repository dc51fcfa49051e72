#include "SkinArt.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

using namespace SkinStyle;

const QColor CSkinArt::kFace(244, 244, 246);
const QColor CSkinArt::kBand(58, 63, 75);
const QColor CSkinArt::kBandDark(40, 43, 51);
const QColor CSkinArt::kText(43, 46, 54);
const QColor CSkinArt::kTextDisabled(164, 167, 175);
const QColor CSkinArt::kAccent(47, 111, 224);
const QColor CSkinArt::kOutline(190, 194, 202);

namespace {

enum { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

QLinearGradient BandGradient(int height)
{
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0, CSkinArt::kBand);
    g.setColorAt(1, CSkinArt::kBandDark);
    return g;
}

QRectF Inset(const QRect &r, qreal d)
{
    return QRectF(r).adjusted(d, d, -d, -d);
}

void Chevron(QPainter &p, const QPointF &c, qreal size, int direction, const QColor &colour,
             qreal width)
{
    QPen pen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal dx = size / 2 * direction;
    QPolygonF poly;
    poly << QPointF(c.x() - dx, c.y() - size) << QPointF(c.x() + dx, c.y())
         << QPointF(c.x() - dx, c.y() + size);
    p.drawPolyline(poly);
}

// A double-headed arrow for the measuring-line cursors, black with a white outline.
void DoubleArrow(QPainter &p, bool vertical)
{
    QPolygonF a;
    a << QPointF(16, 3) << QPointF(23, 11) << QPointF(18, 11) << QPointF(18, 21) << QPointF(23, 21)
      << QPointF(16, 29) << QPointF(9, 21) << QPointF(14, 21) << QPointF(14, 11) << QPointF(9, 11);
    if (!vertical) {
        QTransform t;
        t.translate(16, 16);
        t.rotate(90);
        t.translate(-16, -16);
        a = t.map(a);
    }
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::black);
    p.drawPolygon(a);
    p.setPen(QPen(Qt::black, 1));
    p.drawPolygon(a);
}

} // namespace

QFont CSkinArt::CaptionFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies(CSkin::CaptionFamilies());
    font.setPixelSize(std::max(6, pixelSize));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void CSkinArt::DrawFittedText(QPainter &p, const QRect &r, const QString &text,
                              const QColor &colour, int maxPixelSize, bool bold, int flags)
{
    if (text.isEmpty())
        return;
    int size = maxPixelSize;
    QFont font = CaptionFont(size, bold);
    while (size > 8) {
        font = CaptionFont(size, bold);
        if (QFontMetrics(font).horizontalAdvance(text) <= r.width() - 4)
            break;
        --size;
    }
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, flags | Qt::TextSingleLine, text);
}

QPoint CSkinArt::CursorHotSpot(const SkinEntry &entry)
{
    return entry.arg == 3 ? QPoint(1, 1) : QPoint(16, 16);
}

QImage CSkinArt::Render(const SkinEntry &e)
{
    QImage image(e.width, e.height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    switch (e.role) {
    case SkinRole::Strip: {
        const int h = e.height / 4;
        for (int state = 0; state < 4; ++state) {
            p.save();
            const QRect r(0, state * h, e.width, h);
            p.setClipRect(r);
            DrawStripState(p, r, e, state);
            p.restore();
        }
        break;
    }
    case SkinRole::FramePiece:
        DrawFramePiece(p, e);
        break;
    case SkinRole::Background:
        DrawBackground(p, e);
        break;
    case SkinRole::Track:
        DrawTrackPiece(p, e);
        break;
    case SkinRole::Cursor:
        DrawCursor(p, e);
        break;
    case SkinRole::Tile:
    case SkinRole::Thumb:
    case SkinRole::Picture:
        DrawPicture(p, e);
        break;
    }
    p.end();
    return image;
}

void CSkinArt::DrawStripState(QPainter &p, const QRect &r, const SkinEntry &e, int state)
{
    const QString caption = QString::fromUtf8(e.caption);
    const int textSize = std::clamp(r.height() * 11 / 20, 9, 13);
    const QRect textRect = state == Pressed ? r.translated(0, 1) : r;
    const QRectF box = Inset(r, 0.5);
    switch (e.style) {
    case ButtonPrimary: {
        const QColor face = state == Hover ? kAccent.lighter(112)
            : state == Pressed             ? kAccent.darker(118)
            : state == Disabled            ? QColor(170, 189, 224)
                                           : kAccent;
        p.setPen(QPen(face.darker(115), 1));
        p.setBrush(face);
        p.drawRoundedRect(box, 3, 3);
        DrawFittedText(p, textRect, caption, state == Disabled ? QColor(236, 240, 248) : Qt::white,
                       textSize, true);
        break;
    }
    case ButtonOnDark: {
        p.fillRect(r, kBand);
        if (state == Hover || state == Pressed) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, state == Hover ? 36 : 70));
            p.drawRoundedRect(box, 3, 3);
        }
        DrawFittedText(p, textRect, caption,
                       state == Disabled     ? QColor(110, 115, 128)
                           : state == Normal ? QColor(214, 217, 224)
                                             : Qt::white,
                       std::min(textSize, 12));
        break;
    }
    case CloseCross:
    case WindowGlyph: {
        p.fillRect(r, kBandDark);
        const bool danger = e.style == CloseCross || e.arg == 2;
        if (state == Hover || state == Pressed) {
            p.setPen(Qt::NoPen);
            QColor hot = danger ? QColor(224, 80, 74) : QColor(255, 255, 255, 50);
            if (state == Pressed)
                hot = danger ? QColor(180, 52, 48) : QColor(255, 255, 255, 90);
            p.setBrush(hot);
            p.drawRoundedRect(box, 2, 2);
        }
        const QColor ink = state == Disabled ? QColor(100, 105, 118)
            : state == Normal                ? QColor(205, 208, 216)
                                             : Qt::white;
        p.setPen(QPen(ink, e.style == CloseCross ? 1.6 : 1.4, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const qreal m = r.width() * (e.style == CloseCross ? 0.28 : 0.3);
        const QRectF g = QRectF(r).adjusted(m, m, -m, -m);
        if (danger) {
            p.drawLine(g.topLeft(), g.bottomRight());
            p.drawLine(g.topRight(), g.bottomLeft());
        } else if (e.arg == 0) {
            p.drawLine(QPointF(g.left(), g.bottom()), QPointF(g.right(), g.bottom()));
        } else {
            p.drawRect(g);
        }
        break;
    }
    case Tab: {
        const bool chosen = state == Pressed;
        p.setPen(QPen(chosen ? kOutline : QColor(208, 211, 217), 1));
        p.setBrush(chosen               ? QColor(Qt::white)
                       : state == Hover ? QColor(238, 240, 244)
                                        : QColor(228, 229, 233));
        p.drawRoundedRect(box.adjusted(0, 0, 0, 3), 3, 3);
        if (chosen)
            p.fillRect(QRectF(box.left() + 1, box.bottom() - 2, box.width() - 2, 2), kAccent);
        DrawFittedText(p, r, caption,
                       state == Disabled ? kTextDisabled
                           : chosen      ? kAccent
                                         : kText,
                       textSize, chosen);
        break;
    }
    case Swatch: {
        const QColor colour = QColor::fromRgb(QRgb(0xFF000000u | unsigned(e.arg)));
        p.setPen(Qt::NoPen);
        if (state == Hover || state == Pressed) {
            p.setBrush(state == Pressed ? kAccent : QColor(150, 176, 230));
            p.drawRoundedRect(QRectF(r), 3, 3);
        }
        const qreal in = state == Pressed ? 3 : 2;
        p.setPen(QPen(QColor(120, 124, 132), 1));
        QColor fill = colour;
        if (state == Disabled)
            fill.setAlpha(90);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(r).adjusted(in + 0.5, in + 0.5, -in - 0.5, -in - 0.5), 2, 2);
        break;
    }
    case LineWidth:
    case AlignGlyph:
    case ArrowGlyph:
    case Toggle:
    case ButtonLight:
    default: {
        const bool toggle = e.style == Toggle;
        QColor face = Qt::white;
        QColor line = kOutline;
        if (state == Hover) {
            face = QColor(240, 245, 254);
            line = QColor(140, 170, 230);
        } else if (state == Pressed) {
            face = toggle ? QColor(220, 231, 251) : QColor(221, 225, 232);
            line = toggle ? kAccent : QColor(160, 165, 175);
        } else if (state == Disabled) {
            face = QColor(240, 240, 242);
            line = QColor(216, 218, 223);
        }
        p.setPen(QPen(line, 1));
        p.setBrush(face);
        p.drawRoundedRect(box, 3, 3);
        const QColor ink = state == Disabled ? kTextDisabled
            : (toggle && state == Pressed)   ? kAccent
                                             : kText;
        const QPointF c = QRectF(textRect).center();
        if (e.style == LineWidth) {
            p.fillRect(QRectF(r.left() + 4, c.y() - e.arg / 2.0, r.width() - 8, e.arg), ink);
        } else if (e.style == AlignGlyph) {
            const qreal full = r.width() - 10;
            for (int i = 0; i < 4; ++i) {
                const qreal len = (i % 2) ? full * 0.62 : full;
                qreal x = r.left() + 5;
                if (e.arg == 2)
                    x += (full - len) / 2;
                else if (e.arg == 3)
                    x += full - len;
                p.fillRect(QRectF(x, c.y() - 5 + i * 3, len, 1.4), ink);
            }
        } else if (e.style == ArrowGlyph) {
            Chevron(p, c, std::min(r.width(), r.height()) * 0.22, e.arg, ink, 2);
        } else {
            DrawFittedText(p, textRect, caption, ink, textSize, toggle && state == Pressed);
        }
        break;
    }
    }
}

void CSkinArt::DrawFramePiece(QPainter &p, const SkinEntry &e)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    const int w = e.width;
    const int h = e.height;
    const QColor edge = kBandDark;
    const bool top = e.arg <= 2;
    if (top) {
        const int band = e.style == MainFrame ? 36 : h;
        p.fillRect(0, 0, w, band, BandGradient(band));
        p.fillRect(0, 0, w, 1, QColor(80, 86, 100));
        if (e.style == MainFrame) {
            // Toolbar under the caption: a pale gradient down to the work area.
            QLinearGradient g(0, band, 0, h);
            g.setColorAt(0, QColor(252, 252, 253));
            g.setColorAt(1, kFace);
            p.fillRect(0, band, w, h - band, g);
            p.fillRect(0, band, w, 1, QColor(215, 217, 222));
            p.fillRect(0, 78, w, 1, QColor(226, 228, 232));
            p.fillRect(0, h - 1, w, 1, QColor(205, 208, 214));
        }
        if (e.arg == 0)
            p.fillRect(0, 0, 1, h, edge);
        if (e.arg == 2)
            p.fillRect(w - 1, 0, 1, h, edge);
        p.fillRect(0, 0, w, 1, edge);
        return;
    }
    p.fillRect(0, 0, w, h, kFace);
    switch (e.arg) {
    case 3: // right
        p.fillRect(w - 1, 0, 1, h, edge);
        break;
    case 7: // left
        p.fillRect(0, 0, 1, h, edge);
        break;
    case 5: // bottom
        p.fillRect(0, h - 1, w, 1, edge);
        break;
    case 4: // bottom-right
        p.fillRect(w - 1, 0, 1, h, edge);
        p.fillRect(0, h - 1, w, 1, edge);
        break;
    case 6: // bottom-left
        p.fillRect(0, 0, 1, h, edge);
        p.fillRect(0, h - 1, w, 1, edge);
        break;
    }
}

void CSkinArt::DrawFrame(QPainter &p, const QRect &rect, const std::array<QImage, 8> &pieces)
{
    const QImage &tl = pieces[0], &t = pieces[1], &tr = pieces[2], &r = pieces[3];
    const QImage &br = pieces[4], &b = pieces[5], &bl = pieces[6], &l = pieces[7];
    const int left = rect.left(), top = rect.top();
    const int right = rect.left() + rect.width(), bottom = rect.top() + rect.height();
    p.drawImage(left, top, tl);
    p.drawImage(right - tr.width(), top, tr);
    if (!t.isNull()) {
        for (int x = left + tl.width(); x < right - tr.width(); x += t.width())
            p.drawImage(x, top, t, 0, 0, std::min(t.width(), right - tr.width() - x), t.height());
    }
    p.drawImage(left, bottom - bl.height(), bl);
    p.drawImage(right - br.width(), bottom - br.height(), br);
    if (!b.isNull()) {
        for (int x = left + bl.width(); x < right - br.width(); x += b.width())
            p.drawImage(x, bottom - b.height(), b, 0, 0,
                        std::min(b.width(), right - br.width() - x), b.height());
    }
    if (!l.isNull()) {
        for (int y = top + tl.height(); y < bottom - bl.height(); y += l.height())
            p.drawImage(left, y, l, 0, 0, l.width(),
                        std::min(l.height(), bottom - bl.height() - y));
    }
    if (!r.isNull()) {
        for (int y = top + tr.height(); y < bottom - br.height(); y += r.height())
            p.drawImage(right - r.width(), y, r, 0, 0, r.width(),
                        std::min(r.height(), bottom - br.height() - y));
    }
}

void CSkinArt::DrawBackground(QPainter &p, const SkinEntry &e)
{
    const int w = e.width, h = e.height, band = e.arg;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(0, 0, w, h, kFace);
    p.fillRect(0, 0, w, band, BandGradient(band));
    p.fillRect(0, 0, w, 1, QColor(80, 86, 100));
    p.setPen(kBandDark);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, w - 1, h - 1);
    p.setRenderHint(QPainter::Antialiasing);
    // The mark left of the title, where a window icon would sit.
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(13, (band - 12) / 2.0, 12, 12), 3, 3);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(16.5, (band - 12) / 2.0 + 3.5, 5, 5));
    const QString title = QString::fromUtf8(e.caption);
    if (!title.isEmpty())
        DrawFittedText(p, QRect(35, 0, 265, band + 1), title, Qt::white, 13, false,
                       Qt::AlignLeft | Qt::AlignVCenter);

    auto label = [&](const QRect &r, const char *text, int flags = Qt::AlignLeft | Qt::AlignVCenter,
                     int size = 12) {
        DrawFittedText(p, r, QString::fromUtf8(text), kText, size, false, flags);
    };
    auto well = [&](const QRect &r) {
        p.setPen(QPen(kOutline, 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    };
    auto rule = [&](int y) {
        p.fillRect(8, y, w - 16, 1, QColor(222, 224, 229));
    };

    switch (e.number) {
    case 235: // login: the fields' labels and wells, the remember caption, the program's name
        DrawFittedText(p, QRect(18, 40, 140, 26), QStringLiteral("VmEditor"), kBand, 20, true,
                       Qt::AlignLeft | Qt::AlignVCenter);
        DrawFittedText(p, QRect(18, 66, 120, 18), QString::fromUtf8("실측 사진 편집기"),
                       QColor(110, 114, 124), 11, false, Qt::AlignLeft | Qt::AlignVCenter);
        label(QRect(110, 43, 56, 17), "아이디", Qt::AlignRight | Qt::AlignVCenter);
        label(QRect(110, 69, 56, 17), "비밀번호", Qt::AlignRight | Qt::AlignVCenter);
        well(QRect(171, 42, 120, 19));
        well(QRect(171, 68, 120, 19));
        label(QRect(182, 101, 130, 18), "아이디 저장");
        rule(138);
        break;
    case 243: // colour effect: the slider names and the button frame
        label(QRect(17, 32, 200, 18), "Brightness");
        label(QRect(17, 72, 200, 18), "Contrast");
        rule(118);
        break;
    case 172: // properties window
        label(QRect(17, 32, 200, 18), "밝기");
        label(QRect(17, 72, 200, 18), "대비");
        rule(118);
        well(QRect(10, 150, 250, 255));
        break;
    case 272: // monitor dialog
        label(QRect(20, 50, 340, 20), "모니터 크기를 선택하거나 입력하세요.");
        label(QRect(335, 96, 40, 21), "인치");
        rule(255);
        break;
    case 260: // share dialog
        label(QRect(20, 52, 110, 22), "링크 버튼");
        label(QRect(20, 91, 110, 22), "상품 주소");
        label(QRect(20, 127, 110, 22), "뷰어 코드");
        label(QRect(20, 228, 110, 22), "뷰어 크기");
        label(QRect(20, 313, 110, 22), "미니 뷰어 코드");
        label(QRect(20, 414, 110, 22), "미니 뷰어 크기");
        rule(205);
        rule(395);
        rule(495);
        break;
    default:
        break;
    }
}

void CSkinArt::DrawTrackPiece(QPainter &p, const SkinEntry &e)
{
    const int piece = e.arg & 3;
    const bool filled = e.arg & 4;
    const int w = e.width, h = e.height;
    const qreal thick = 6;
    const qreal y = (h - 6) / 2; // whole pixels, so odd heights stay sharp
    const QColor groove = filled ? kAccent : QColor(208, 211, 218);
    p.setPen(Qt::NoPen);
    p.setBrush(groove);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF bar(0, y, w, thick);
    if (piece == 0)
        bar.setLeft(2);
    if (piece == 2)
        bar.setRight(w - 2);
    if (piece == 1) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(bar, groove);
    } else {
        // Round only the outer end; the inner end meets the middle tile flush.
        QPainterPath path;
        path.addRoundedRect(bar, thick / 2, thick / 2);
        QRectF flush = piece == 0
            ? QRectF(bar.center().x(), y, bar.right() - bar.center().x(), thick)
            : QRectF(bar.left(), y, bar.width() / 2, thick);
        path.addRect(flush);
        path.setFillRule(Qt::WindingFill);
        p.drawPath(path);
    }
}

void CSkinArt::DrawPicture(QPainter &p, const SkinEntry &e)
{
    const int w = e.width, h = e.height;
    const QRect all(0, 0, w, h);
    switch (e.style) {
    case HeaderTile: {
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, QColor(252, 252, 253));
        g.setColorAt(1, QColor(233, 234, 238));
        p.fillRect(all, g);
        p.fillRect(0, h - 1, w, 1, QColor(200, 203, 210));
        break;
    }
    case Hint: {
        p.setPen(Qt::NoPen);
        p.setBrush(kBand);
        p.drawRoundedRect(QRectF(1, 3, 92, h - 6), 4, 4);
        DrawFittedText(p, QRect(104, 0, w - 106, h), QString::fromUtf8(e.caption), kText, 12, false,
                       Qt::AlignLeft | Qt::AlignVCenter);
        break;
    }
    case Label:
        DrawFittedText(p, all, QString::fromUtf8(e.caption), kText, 12, true);
        break;
    case Instruction: {
        p.setPen(QPen(QColor(222, 190, 90), 1));
        p.setBrush(QColor(255, 248, 214));
        p.drawRoundedRect(QRectF(all).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        p.setFont(CaptionFont(13));
        p.setPen(kText);
        p.drawText(all.adjusted(14, 6, -14, -6), Qt::AlignVCenter | Qt::TextWordWrap,
                   QString::fromUtf8(e.caption));
        break;
    }
    case PictureButton: {
        SkinEntry as = e;
        as.style = e.arg ? ButtonPrimary : ButtonLight;
        DrawStripState(p, all, as, 0);
        break;
    }
    case Thumb: {
        const QRectF knob = QRectF(all).adjusted(1.5, 0.5, -1.5, -0.5);
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, Qt::white);
        g.setColorAt(1, QColor(226, 229, 235));
        p.setPen(QPen(QColor(120, 126, 138), 1));
        p.setBrush(g);
        p.drawRoundedRect(knob, 3, 3);
        p.setPen(QPen(kAccent, 1.5));
        p.drawLine(QPointF(w / 2.0, 4), QPointF(w / 2.0, h - 4));
        break;
    }
    case Card: {
        // A payment card of the 85 × 53.5 proportions, to be covered by a real one.
        QLinearGradient g(0, 0, w, h);
        g.setColorAt(0, QColor(40, 92, 180));
        g.setColorAt(1, QColor(24, 150, 170));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(QRectF(all), w * 0.037, w * 0.037);
        p.setBrush(QColor(226, 190, 100));
        p.drawRoundedRect(QRectF(w * 0.09, h * 0.34, w * 0.14, h * 0.21), 4, 4);
        p.setPen(QPen(QColor(170, 136, 60), 1));
        p.drawLine(QPointF(w * 0.09, h * 0.445), QPointF(w * 0.23, h * 0.445));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 190));
        for (int group = 0; group < 4; ++group)
            for (int d = 0; d < 4; ++d)
                p.drawEllipse(QPointF(w * 0.09 + group * w * 0.2 + d * w * 0.035, h * 0.7),
                              w * 0.009, w * 0.009);
        DrawFittedText(p, QRect(int(w * 0.09), int(h * 0.08), int(w * 0.6), int(h * 0.16)),
                       QStringLiteral("85 × 53.5 mm"), QColor(255, 255, 255, 210),
                       std::max(10, h / 12), true, Qt::AlignLeft | Qt::AlignVCenter);
        break;
    }
    case Grip:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 74, 84));
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j <= i; ++j)
                p.drawRect(QRectF(12 - (i - j) * 4, 12 - j * 4, 2.5, 2.5));
        break;
    case Ring: {
        const QPointF c(w / 2.0, h / 2.0);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(30, 33, 40, 230), 6));
        p.drawEllipse(c, w / 2.0 - 3.5, h / 2.0 - 3.5);
        p.setPen(QPen(QColor(255, 255, 255, 220), 1.5));
        p.drawEllipse(c, w / 2.0 - 7.5, h / 2.0 - 7.5);
        p.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
        for (int k = 0; k < 4; ++k) {
            const qreal a = k * M_PI / 2;
            const QPointF dir(std::cos(a), std::sin(a));
            p.drawLine(c + dir * (w / 2.0 - 8), c + dir * (w / 2.0 - 16));
        }
        break;
    }
    case RotateHandle: {
        const QPointF c(w / 2.0, h / 2.0);
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(QColor(40, 43, 51, 210));
        p.drawEllipse(c, w / 2.0 - 1.5, h / 2.0 - 1.5);
        p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const QRectF arc(c.x() - w * 0.25, c.y() - h * 0.25, w * 0.5, h * 0.5);
        p.drawArc(arc, 30 * 16, 280 * 16);
        const QPointF tip(c.x() + w * 0.25 * std::cos(M_PI / 6),
                          c.y() - h * 0.25 * std::sin(M_PI / 6));
        QPolygonF head;
        head << tip + QPointF(-5, -3) << tip + QPointF(3, -4) << tip + QPointF(1, 4);
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawPolygon(head);
        break;
    }
    case Badge: {
        // A small red tag in the top-left corner; the rest stays transparent over the thumbnail.
        p.setPen(QPen(Qt::white, 1.2));
        p.setBrush(QColor(224, 65, 58));
        p.drawRoundedRect(QRectF(2.5, 2.5, 22, 15), 3, 3);
        p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        QPolygonF tick;
        tick << QPointF(8, 10) << QPointF(12, 14) << QPointF(19, 6);
        p.drawPolyline(tick);
        break;
    }
    case BigArrow:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 33, 40, 150));
        p.drawRoundedRect(QRectF(all), 5, 5);
        Chevron(p, QPointF(w / 2.0, h / 2.0), 8, e.arg, Qt::white, 3);
        break;
    case CommentPin: {
        QPainterPath balloon;
        balloon.addRoundedRect(QRectF(1.5, 1.5, w - 3, h - 8), 4, 4);
        QPolygonF tail;
        tail << QPointF(6, h - 7) << QPointF(6, h - 1.5) << QPointF(12, h - 7);
        balloon.addPolygon(tail);
        balloon.setFillRule(Qt::WindingFill);
        p.setPen(QPen(QColor(190, 140, 0), 1.2));
        p.setBrush(QColor(255, 203, 61));
        p.drawPath(balloon.simplified());
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(110, 80, 0));
        for (int i = 0; i < 3; ++i)
            p.drawEllipse(QPointF(7 + i * 5, (h - 6) / 2.0 + 1), 1.4, 1.4);
        break;
    }
    default:
        break;
    }
}

void CSkinArt::DrawCursor(QPainter &p, const SkinEntry &e)
{
    switch (e.arg) {
    case 0:
    case 1:
        DoubleArrow(p, e.arg == 0);
        break;
    case 2: { // open hand for panning
        QPainterPath hand;
        hand.addRoundedRect(QRectF(9, 13, 15, 13), 5, 5);
        for (int i = 0; i < 4; ++i)
            hand.addRoundedRect(QRectF(9 + i * 3.8, 5 + (i == 0 || i == 3 ? 3 : 0), 3.6, 12), 1.8,
                                1.8);
        hand.addRoundedRect(QRectF(4, 14, 8, 3.6), 1.8, 1.8);
        hand.setFillRule(Qt::WindingFill);
        const QPainterPath outline = hand.simplified();
        p.setPen(QPen(Qt::black, 1.2));
        p.setBrush(Qt::white);
        p.drawPath(outline);
        break;
    }
    case 3:
    default: { // arrow with a small selection box
        QPolygonF arrow;
        arrow << QPointF(1, 1) << QPointF(1, 18) << QPointF(5.5, 14) << QPointF(8.5, 21)
              << QPointF(11, 20) << QPointF(8, 13) << QPointF(13.5, 13);
        p.setPen(QPen(Qt::white, 1.2));
        p.setBrush(Qt::black);
        p.drawPolygon(arrow);
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.setBrush(QColor(255, 255, 255, 160));
        p.drawRect(QRectF(15.5, 17.5, 11, 9));
        break;
    }
    }
}
