#include "MeasureSize.h"

QString CMeasureSize::HistoryText() const
{
    return QString::asprintf("%.3f (%s)", Length, Unit == Millimetre ? "mm" : "inch");
}
