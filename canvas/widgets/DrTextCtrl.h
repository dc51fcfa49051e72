#pragma once

#include <QPlainTextEdit>

// The plain multi-line field the canvas lays over a text box while its text is typed: black
// text on white in the default control font, Enter inserts a line break, the text scrolls
// vertically. Losing the focus does not close it; the canvas does (see CVmEditCtrl::EndEdit).
class CDrTextCtrl : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int ControlId = 4096;

    explicit CDrTextCtrl(QWidget *parent = nullptr);

    int GetControlId() const { return ControlId; }
    QString GetText() const { return toPlainText(); }
    void SetText(const QString &text) { setPlainText(text); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
