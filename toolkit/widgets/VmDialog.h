#pragma once

#include <QDialog>

class QPainter;

// Base of the plain panels: paints through Draw and lays its children out through Layout once
// it has been initialised. Qt widgets are double-buffered already, so Draw gets the painter of
// the paint pass and nothing flickers between erase and paint.
class CVmDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CVmDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    // Runs the initialisation once (the first show runs it too). Returns its result.
    bool EnsureInitialised();
    bool IsInitialised() const { return m_initialised; }

protected:
    // Place the child controls for the current size.
    virtual void Layout() { }
    // Paint the whole client area.
    virtual void Draw(QPainter &painter) { Q_UNUSED(painter); }
    // Build the controls; the base only records that it ran.
    virtual bool OnInitDialog() { return true; }

    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_initialised = false;
    bool m_initResult = false;
};
