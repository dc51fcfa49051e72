#pragma once

#include <QPlainTextEdit>

// The plain multi-line field the canvas lays over a text box while its text is typed: black
// text on white in the default control font, Enter inserts a line break, the text scrolls
// vertically. Losing the focus does not close it; the canvas does (see CVmEditCtrl::EndEdit).
// Escape asks the canvas to end the edit, keeping the text, and goes no further: on a dialog
// it would otherwise close the dialog.
class CDrTextCtrl : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int ControlId = 4096;

    explicit CDrTextCtrl(QWidget *parent = nullptr);

    int GetControlId() const { return ControlId; }
    QString GetText() const { return toPlainText(); }
    void SetText(const QString &text) { setPlainText(text); }

signals:
    void escapePressed();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
