#include "DrTextCtrl.h"

#include <QKeyEvent>
#include <QPalette>

CDrTextCtrl::CDrTextCtrl(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("DrTextCtrl"));
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTabChangesFocus(false);
    // Black on white whatever the desktop theme, like a plain edit field on a white brush.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);
    setBackgroundVisible(false);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
}

void CDrTextCtrl::keyPressEvent(QKeyEvent *event)
{
    QPlainTextEdit::keyPressEvent(event);
    // Enter and Delete belong to the field: never let them reach the canvas, where Delete would
    // remove the whole text box being typed into.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        event->accept();
        break;
    default:
        break;
    }
}
