#pragma once

#include "DrCut.h"
#include "DrMgr.h"
#include "DrTextCtrl.h"
#include "LinePropInfo.h"
#include "ScaledView.h"
#include "ScreenCalibration.h"
#include "TextBoxPropInfo.h"
#include "ViewTransform.h"

#include <QCursor>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <optional>

class CDrComment;
class CUbImgButton;

// The editing canvas in the middle of the main window: shows the current photograph at a free
// zoom, fitted or at real size, draws its annotations, lets the user select, move, resize and
// create them, pan the view and crop the image.
//
// Coordinates: mouse and widget positions are client pixels of this window; annotation and
// crop positions are image pixels of the photograph, related through View (ViewTransform).
//
// The parent hears of changes through Notify (connect it queued: the canvas posts them):
//   (2, selected object or 0) after every selection change;
//   (1, 1) after a crop was applied, (1, 0) after the crop tool was left with cancel.
class CVmEditCtrl : public QWidget
{
    Q_OBJECT
public:
    enum ViewModeValue { ViewFree = 0, ViewFit = 1, ViewRealSize = 2 };
    enum ToolValue { ToolSelect = 1, ToolPan = 2, ToolCrop = 3 };
    enum NotifyCode { NotifyCrop = 1, NotifySelection = 2 };
    static constexpr int ControlId = 2001;
    static constexpr int NotifyMessage = 1076;
    static constexpr int CropOkId = 8193;
    static constexpr int CropCancelId = 8194;
    static constexpr int CropOkImage = 226;
    static constexpr int CropCancelImage = 225;

    explicit CVmEditCtrl(QWidget *parent = nullptr);
    ~CVmEditCtrl() override;

    // Photograph.
    bool LoadImage(const QString &path);
    void Clear();
    bool SaveWorkingImage(const QString &path) const;
    // WorkingImage with its longer side at 140 pixels on white; null without an image.
    QImage MakeThumbnail() const;
    bool HasImage() const { return !WorkingImage.isNull(); }

    // Tools and view.
    void SetTool(int tool);
    void FitToWindow();
    void SetZoom(double scale);
    // The next level up or down of the 22 zoom levels; false when the scale stays.
    bool ZoomIn();
    bool ZoomOut();
    // Real size from the calibration and the photo's scale; false (nothing done) without them.
    bool SetActualSize(bool redraw = true);
    void SetScreenCalibration(double pixelPerMilliX, double pixelPerMilliY);
    void SetPhotoScale(double value) { PhotoScale = value; }
    void SetContrast(int value);
    void SetBrightness(int value);

    // Objects.
    bool AddTextBox(const CTextBoxPropInfo &properties);
    bool AddComment();
    void ArmLine();
    void BeginEdit();
    void EndEdit();
    void DeleteSelection();
    void Select(CDrObject *object);

    // The cursors the main window supplies (skin cursors 249 and 251).
    void SetPanCursor(const QCursor &cursor) { m_panCursor = cursor; }
    void SetSelectCursor(const QCursor &cursor) { m_selectCursor = cursor; }

    // Crop buttons (for the main window's keyboard and for tests).
    void CropOk();
    void CropCancel();
    CUbImgButton *CropOkButton() const { return m_cropOk; }
    CUbImgButton *CropCancelButton() const { return m_cropCancel; }
    CDrTextCtrl *Editor() const { return m_editor; }
    const CScaledView &ScaledView() const { return m_scaled; }

    // The state the main window and the panels read (see the class comment for coordinates).
    QString ImagePath;
    QImage BaseImage;
    QImage WorkingImage;
    int ImageWidth = 0;
    int ImageHeight = 0;
    bool Modified = false;
    ViewTransform View;
    int ViewMode = ViewFit;
    int Tool = ToolSelect;
    ScreenCalibration Calibration;
    double PhotoScale = 0.0;
    bool Dragging = false;
    int DragHandle = 0;
    QPoint DragStart;
    QPoint DragLast;
    bool FastRender = false;
    CDrMgr Objects;
    CDrObject *Selection = nullptr;
    bool Editing = false;
    int Contrast = 0;
    int Brightness = 0;
    int PendingInsert = 0;
    CDrCut Crop;
    CLinePropInfo LineProps;
    CTextBoxPropInfo TextBoxProps;

signals:
    void Notify(int code, quintptr value);
    // "(x, y) => (ix, iy)": the mouse's client and image position, for the main window title.
    void TitleTextChanged(const QString &text);
    // A double click on the selected comment: the main window opens its panel.
    void CommentActivated(CDrComment *comment);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void RebuildWorkingImage();
    void Layout();
    void ApplyView(const ViewTransform &view);
    void PlaceCropButtons();
    void ShowCropButtons(bool show);
    void PlaceEditor();
    void EndDrag();
    int CursorHandleAt(QPoint m) const;
    void UpdateCursor(QPoint m);
    QPointF ImagePoint(QPoint m) const { return View.ToImage(QPointF(m)); }
    bool InsideImage(QPointF p) const;

    CScaledView m_scaled;
    QPointer<CDrTextCtrl> m_editor;
    CUbImgButton *m_cropOk = nullptr;
    CUbImgButton *m_cropCancel = nullptr;
    QCursor m_panCursor {Qt::OpenHandCursor};
    std::optional<QCursor> m_selectCursor;
};
