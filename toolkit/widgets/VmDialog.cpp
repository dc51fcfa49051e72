#include "VmDialog.h"

#include <QPaintEvent>
#include <QPainter>

CVmDialog::CVmDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{ }

bool CVmDialog::EnsureInitialised()
{
    if (!m_initialised) {
        m_initResult = OnInitDialog();
        m_initialised = true;
        Layout();
    }
    return m_initResult;
}

void CVmDialog::showEvent(QShowEvent *event)
{
    EnsureInitialised();
    QDialog::showEvent(event);
}

void CVmDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (m_initialised)
        Layout();
}

void CVmDialog::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    Draw(painter);
}
