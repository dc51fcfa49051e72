#include "MainLayout.h"

#include <cmath>

namespace MainLayout {

QList<QRect> TopRowPlaces(int clientWidth, const QList<QSize> &sizes)
{
    QList<QRect> places;
    int right = clientWidth - 6;
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const QSize size = sizes.at(i);
        if (i == qsizetype(WindowButtons.size()))
            right -= 13 - 1; // the gap before the text buttons replaces the 1-pixel gap
        else if (i > qsizetype(WindowButtons.size()))
            right -= 3 - 1;
        places.append(QRect(right - size.width(), TopRowY, size.width(), size.height()));
        right -= size.width() + 1;
    }
    return places;
}

QRect WorkArea(QSize client)
{
    return QRect(MarginLeft, MarginTop, std::max(0, client.width() - MarginLeft - MarginRight),
                 std::max(0, client.height() - MarginTop - MarginBottom));
}

QRect SheetArea(QSize client)
{
    return QRect(MarginLeft, CaptionHeight, std::max(0, client.width() - MarginLeft - MarginRight),
                 std::max(0, client.height() - CaptionHeight - MarginBottom));
}

QRect GripRect(QSize client)
{
    return QRect(client.width() - GripSize, client.height() - GripSize, GripSize, GripSize);
}

bool IsCaptionPoint(QPoint clientPoint)
{
    return clientPoint.y() >= 0 && clientPoint.y() < CaptionHeight;
}

QString CounterText(int currentIndex, int count)
{
    return QStringLiteral("%1 / %2").arg(currentIndex < 0 ? 0 : currentIndex + 1).arg(count);
}

QString PercentText(double zoom)
{
    const double percent = zoom * 100.0;
    // Truncated; a zoom that is not a number shows 0 rather than an undefined conversion.
    const long long whole = std::isfinite(percent) ? static_cast<long long>(percent) : 0;
    return QStringLiteral("%1 %").arg(whole);
}

} // namespace MainLayout
