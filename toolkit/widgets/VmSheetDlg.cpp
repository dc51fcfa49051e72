#include "VmSheetDlg.h"

#include <QPaintEvent>
#include <QPainter>

CVmSheetDlg::CVmSheetDlg(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    // The sheet paints every pixel itself: no background erase before the paint pass.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

bool CVmSheetDlg::EnsureInitialised()
{
    if (!m_initialised) {
        m_initResult = OnInitDialog();
        m_initialised = true;
        Layout();
    }
    return m_initResult;
}

void CVmSheetDlg::showEvent(QShowEvent *event)
{
    EnsureInitialised();
    QDialog::showEvent(event);
}

void CVmSheetDlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (m_initialised)
        Layout();
}

void CVmSheetDlg::paintEvent(QPaintEvent *event)
{
    QRegion clip = event->region();
    AdjustClip(clip);
    QPainter painter(this);
    painter.setClipRegion(clip);
    Draw(painter);
}
