#pragma once

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QRegion>

#include <array>

class CUbImgButton;
class QPainter;

// Base of the separate popup dialogs (login, length entry, open, save, share, transfers …):
// a frameless window with a light grey face, a 24-pixel dark title band that moves the window,
// a 7-pixel border, white title text and the close cross (control 4096) at the band's right.
// A subclass either loads a background picture that shows all of this, or lets the base draw
// the frame from the application's eight frame pieces.
class CVmPopupDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kCloseButtonId = 4096;
    static constexpr int kTitleBandHeight = 24;
    static constexpr int kBorder = 7;
    static const QColor kFaceColour; // RGB(244, 244, 246)

    explicit CVmPopupDialog(int templateId = 0, QWidget *parent = nullptr);

    int TemplateId() const { return m_templateId; }

    bool EnsureInitialised();
    bool IsInitialised() const { return m_initialised; }

    void SetTitle(const QString &title);
    QString Title() const { return m_title; }

    // The face picture drawn at (0, 0) at its own size instead of the frame; null for none.
    void SetBackgroundImage(const QImage &image);
    bool LoadBackground(int skinNumber); // false when the skin has no such picture
    QImage BackgroundImage() const { return m_background; }
    // Resizes the window to the background picture (nothing without one).
    void SizeToBackground();
    void SetOverlayImage(const QImage &image);
    bool LoadOverlay(int skinNumber);

    CUbImgButton *CloseButton() const { return m_closeButton; }

    // The frame pieces every popup draws with, in the order top-left, top, top-right, right,
    // bottom-right, bottom, bottom-left, left. The application sets the ones it owns; until
    // then the skin's popup pieces are used.
    static void SetFramePieces(const std::array<QImage, 8> &pieces);
    static std::array<QImage, 8> FramePieces();

    // True for points of the title band, which drag the window.
    virtual bool IsCaptionPoint(const QPoint &clientPoint) const;

protected:
    virtual void Layout();
    virtual void Draw(QPainter &painter);
    virtual void AdjustClip(QRegion &region) { Q_UNUSED(region); }
    virtual bool OnInitDialog();

    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void ApplyChildColours(QWidget *child);
    void DrawTitle(QPainter &painter);

    int m_templateId = 0;
    QImage m_background;
    QImage m_overlay;
    CUbImgButton *m_closeButton = nullptr;
    QString m_title;
    bool m_initialised = false;
    bool m_initResult = false;
    bool m_dragging = false;
    QPoint m_dragOffset; // global cursor − window top-left at the press
};
