#pragma once

#include <QString>

// A length as the user typed it, kept in the history of the length dialog.
class CMeasureSize
{
public:
    static constexpr int Millimetre = 1;
    static constexpr int Inch = 2;

    double Length = 0;
    int Unit = Millimetre;

    // The history line: "85.600 (mm)", "3.000 (inch)".
    QString HistoryText() const;
};
