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

bool CDrTextCtrl::event(QEvent *event)
{
    // Claims Escape before any window shortcut can take it.
    if (event->type() == QEvent::ShortcutOverride
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QPlainTextEdit::event(event);
}

void CDrTextCtrl::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        emit escapePressed(); // the canvas may delete this field (later) from here
        return;
    }
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
