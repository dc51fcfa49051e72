#pragma once

#include "VmEditCtrl.h"

#include <QCoreApplication>
#include <QImage>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QTemporaryDir>
#include <QTest>

// A picture with the look of a product photograph: a lit backdrop, a soft shadow and a
// rounded object with a highlight, so screenshots and scaling checks see real gradients.
inline QImage MakeProductPhoto(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient backdrop(0, 0, 0, height);
    backdrop.setColorAt(0, QColor(236, 232, 226));
    backdrop.setColorAt(0.65, QColor(210, 204, 196));
    backdrop.setColorAt(1, QColor(160, 150, 140));
    painter.fillRect(image.rect(), backdrop);
    const QRectF body(width * 0.28, height * 0.22, width * 0.44, height * 0.56);
    QRadialGradient shadow(body.center() + QPointF(0, body.height() * 0.45), body.width() * 0.6);
    shadow.setColorAt(0, QColor(60, 50, 40, 150));
    shadow.setColorAt(1, QColor(60, 50, 40, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shadow);
    painter.drawEllipse(body.center() + QPointF(0, body.height() * 0.45), body.width() * 0.6,
                        body.height() * 0.15);
    QLinearGradient leather(body.topLeft(), body.bottomRight());
    leather.setColorAt(0, QColor(150, 74, 40));
    leather.setColorAt(0.5, QColor(118, 52, 26));
    leather.setColorAt(1, QColor(70, 30, 16));
    painter.setBrush(leather);
    painter.drawRoundedRect(body, width * 0.04, width * 0.04);
    QRadialGradient shine(body.topLeft() + QPointF(body.width() * 0.3, body.height() * 0.25),
                          body.width() * 0.35);
    shine.setColorAt(0, QColor(255, 255, 255, 90));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setBrush(shine);
    painter.drawRoundedRect(body, width * 0.04, width * 0.04);
    painter.setPen(QPen(QColor(220, 190, 120), std::max(2, width / 200)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(body.adjusted(width * 0.02, width * 0.02, -width * 0.02, -width * 0.02),
                            width * 0.03, width * 0.03);
    return image;
}

// Mouse steps with the left button held, as a user drags: QTest's own move does not carry
// the held button on every platform plugin, so the events are made here.
inline void SendMouse(QWidget *widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons,
                      Qt::MouseButton button = Qt::NoButton)
{
    const QPointF local(at);
    const QPointF global(widget->mapToGlobal(at));
    QMouseEvent event(type, local, local, global, button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

inline void Drag(QWidget *widget, QPoint from, QPoint to, int steps = 4)
{
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, from);
    for (int i = 1; i <= steps; ++i) {
        const QPoint at = from + (to - from) * i / steps;
        SendMouse(widget, QEvent::MouseMove, at, Qt::LeftButton);
    }
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, to);
}
