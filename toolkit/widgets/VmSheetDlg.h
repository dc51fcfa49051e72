#pragma once

#include <QDialog>
#include <QRegion>

class QPainter;

// Base of the sheets the main window lays over its work area (measuring, calibration, image
// order, printing). A sheet is a child widget by default. The keyboard's confirm and cancel keys
// never close it: accept() and reject() do nothing and the owner removes the sheet, or ends a
// modally run sheet with EndSheet().
class CVmSheetDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CVmSheetDlg(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::Widget);

    bool EnsureInitialised();
    bool IsInitialised() const { return m_initialised; }

    void accept() override { }
    void reject() override { }
    // Ends a sheet that runs its own event loop with exec(), with the given result.
    void EndSheet(int result) { QDialog::done(result); }

protected:
    virtual void Layout() { }
    virtual void Draw(QPainter &painter) { Q_UNUSED(painter); }
    // May change the clip region of the paint pass before Draw runs.
    virtual void AdjustClip(QRegion &region) { Q_UNUSED(region); }
    virtual bool OnInitDialog() { return true; }

    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_initialised = false;
    bool m_initResult = false;
};
