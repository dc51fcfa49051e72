#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QWidget>

#include <functional>

// Waits, processing events, until the condition holds or the time is up (what QTRY_* do inside
// a QTest function).
inline bool WaitFor(const std::function<bool()> &condition, int timeoutMs = 2000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

// Shows a top-level widget and waits until the offscreen platform has exposed it.
inline bool ShowAndWait(QWidget *widget)
{
    widget->show();
    return QTest::qWaitForWindowExposed(widget);
}
