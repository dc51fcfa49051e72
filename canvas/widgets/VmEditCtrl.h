#pragma once

#include "DrComment.h"
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

class CUbImgButton;

// The editing canvas in the middle of the main window: shows the current photograph at a free
// zoom, fitted or at real size, draws its annotations, lets the user select, move, resize and
// create them, pan the view and crop the image.
//
// Coordinates: mouse and widget positions are client pixels of this window; annotation and
// crop positions are image pixels of the photograph, related through View (ViewTransform).
//
// Signals are emitted directly, right after the canvas state has changed. The main window
// connects them queued (as posted messages) so it never runs inside a canvas handler; by the
// time one arrives the object it names may be gone, so it re-reads GetSelection() instead of
// trusting the pointer. contentEdited comes once per finished edit (a drag on its release, a
// text when editing ends) and is the one place the main window learns that the product changed.
class CVmEditCtrl : public QWidget
{
    Q_OBJECT
public:
    enum ViewModeValue { ViewFree = 0, ViewFit = 1, ViewRealSize = 2 };
    enum ToolValue { ToolSelect = 1, ToolPan = 2, ToolCrop = 3 };
    enum EditKind {
        EditAnnotationAdded = 1,
        EditAnnotationChanged = 2, // moved or resized: one per drag, on release
        EditAnnotationRemoved = 3,
        EditText = 4, // a text box's text, when its editing ends
        EditCrop = 5,
        EditColour = 6,
    };
    static constexpr int ControlId = 2001;
    static constexpr int CropOkId = 8193;
    static constexpr int CropCancelId = 8194;
    static constexpr int CropOkImage = 226;
    static constexpr int CropCancelImage = 225;

    explicit CVmEditCtrl(QWidget *parent = nullptr);
    ~CVmEditCtrl() override;

    // Photograph.
    bool LoadImage(const QString &path);
    // Empties the canvas: ends the text edit (storing the text, not reported as an edit since
    // the objects go with it), leaves the crop tool and a pending line, drops every annotation.
    void Clear();
    // Writes WorkingImage in the format of the path's suffix: .png PNG, .bmp BMP, otherwise
    // JPEG at quality 100, so a working copy keeps the format its name promises.
    bool SaveWorkingImage(const QString &path) const;
    // WorkingImage with its longer side at 140 pixels on white; null without an image.
    QImage MakeThumbnail() const;
    bool HasImage() const { return !WorkingImage.isNull(); }
    QString GetImagePath() const { return ImagePath; }
    QSize GetImageSize() const { return QSize(ImageWidth, ImageHeight); }
    const QImage &GetWorkingImage() const { return WorkingImage; }

    // Changes since the photograph was loaded (or since ClearModified). PixelsModified is true
    // only while WorkingImage differs from the file: after a crop, or with colour values other
    // than the file's; annotation edits leave it false.
    bool IsModified() const { return m_modified; }
    bool PixelsModified() const;
    // After the main window has written the photograph back: the file now holds these pixels.
    void ClearModified();

    // Tools and view.
    void SetTool(int tool);
    int GetTool() const { return Tool; }
    int GetViewMode() const { return ViewMode; }
    double GetZoom() const { return View.ScaleX; }
    const ViewTransform &GetView() const { return View; }
    // Fit mode: the whole photograph, refitted on every resize.
    void ShowFit();
    // Real size for a photograph of photoScale image pixels per millimetre; false (nothing
    // changed) without an image, a calibration or a positive, finite scale.
    bool ShowRealSize(double photoScale);
    void FitToWindow();
    void SetZoom(double scale);
    // The next level up or down of the 22 zoom levels; false when the scale stays.
    bool ZoomIn();
    bool ZoomOut();
    // Real size from the calibration and the photo's scale; false (nothing done) without them.
    bool SetActualSize(bool redraw = true);
    void SetScreenCalibration(double pixelPerMilliX, double pixelPerMilliY);
    void SetPhotoScale(double value) { PhotoScale = value; }

    // Brightness (-255 ... 255) and contrast (-100 ... 100) of the shown photograph.
    int GetBrightness() const { return Brightness; }
    int GetContrast() const { return Contrast; }
    // Final values: WorkingImage is rebuilt from BaseImage; an edit when they differ.
    void SetColour(int brightness, int contrast);
    void SetContrast(int value) { SetColour(Brightness, value); }
    void SetBrightness(int value) { SetColour(value, Contrast); }
    // While a slider is dragged: shows the values on the screen copy only (WorkingImage and
    // the values stay) until SetColour or CancelColourPreview.
    void PreviewColour(int brightness, int contrast);
    void CancelColourPreview();

    // Objects.
    const CDrMgr &GetAnnotations() const { return Objects; }
    // Replaces the annotations with copies of the source's (not an edit); no selection.
    void SetAnnotations(const CDrMgr &source);
    CDrObject *GetSelection() const { return Selection; }
    bool AddTextBox(const CTextBoxPropInfo &properties);
    bool AddComment();
    void ArmLine();
    void BeginEdit();
    void EndEdit();
    void DeleteSelection();
    // The text of one of the canvas's comments; an edit when it changed. False when the canvas
    // does not hold the comment.
    bool SetCommentText(CDrComment *comment, const QString &text);
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
    // After every selection change; nullptr for none.
    void selectionChanged(CDrObject *object);
    // The crop tool was left: applied, with the pixels kept in image pixels of the image before
    // the crop (annotations were shifted by its top-left corner), or not (empty rectangle).
    void cropFinished(bool applied, QRect cropRect);
    // Scale, offset or view mode changed (at the end of a pan, not during it).
    void viewChanged(double scale, QPointF offset, int viewMode);
    // Just before an annotation is deleted on its own (not when all are replaced or cleared).
    void objectAboutToBeRemoved(CDrObject *object);
    // After each finished edit (EditKind).
    void contentEdited(int kind);
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
    // Clear without reporting the view (a load reports its own).
    void Reset();
    void RebuildWorkingImage();
    void Edited(int kind);
    void NotifyView();
    // Deletes the object of Objects, telling the parent first; false when it is not there.
    bool RemoveObject(CDrObject *object);
    void CloseEditor(bool notify);
    void AbandonDrag();
    void FinishObjectDrag();
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

    bool m_modified = false;
    bool m_cropped = false; // since the file was loaded or written back
    int m_fileBrightness = 0; // the colour values the file's pixels carry
    int m_fileContrast = 0;
    bool m_previewing = false;
    // The drag on an object: which one, where it was at the press, and whether it is a line
    // being drawn out.
    CDrObject *m_dragObject = nullptr;
    QRectF m_dragImageRect;
    ScreenRect m_dragScreenRect;
    bool m_drawingLine = false;
    // Last reported view, so viewChanged comes only on a change.
    ViewTransform m_shownView;
    int m_shownMode = -1;
};
