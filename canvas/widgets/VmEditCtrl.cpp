#include "VmEditCtrl.h"

#include "CanvasGeometry.h"
#include "DrComment.h"
#include "DrLine.h"
#include "DrTextBox.h"
#include "DrTextCtrl.h"
#include "ImageFiles.h"
#include "Skin.h"
#include "UbImgButton.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A strip of four states for a crop button when the skin has no picture of that number.
QImage FallbackStrip(const QString &caption, QColor face)
{
    QImage strip(56, 88, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor faces[4] = {face, face.lighter(115), face.darker(120), QColor(200, 200, 200)};
    for (int i = 0; i < 4; ++i) {
        const QRectF box(0.5, i * 22 + 0.5, 55, 21);
        painter.setPen(faces[i].darker(140));
        painter.setBrush(faces[i]);
        painter.drawRoundedRect(box, 4, 4);
        painter.setPen(i == 3 ? QColor(140, 140, 140) : QColor(Qt::white));
        painter.drawText(box, Qt::AlignCenter, caption);
    }
    return strip;
}

CUbImgButton *MakeCropButton(QWidget *parent, int id, int image, const QString &caption,
                             QColor face)
{
    auto *button = new CUbImgButton(parent);
    button->SetControlId(id);
    if (!button->SetDibBitmap(image))
        button->SetStripImage(FallbackStrip(caption, face));
    button->resize(button->ImageSize());
    button->setCursor(Qt::ArrowCursor);
    button->setFocusPolicy(Qt::NoFocus);
    button->hide();
    return button;
}

bool SameView(const ViewTransform &a, const ViewTransform &b)
{
    return a.ScaleX == b.ScaleX && a.ScaleY == b.ScaleY && a.OffsetX == b.OffsetX
        && a.OffsetY == b.OffsetY;
}

} // namespace

CVmEditCtrl::CVmEditCtrl(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("VmEditCtrl"));
    setAttribute(Qt::WA_OpaquePaintEvent); // every paint covers the whole client
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    m_cropOk
        = MakeCropButton(this, CropOkId, CropOkImage, QStringLiteral("확인"), QColor(52, 120, 220));
    m_cropCancel = MakeCropButton(this, CropCancelId, CropCancelImage, QStringLiteral("취소"),
                                  QColor(120, 120, 130));
    connect(m_cropOk, &QAbstractButton::clicked, this, &CVmEditCtrl::CropOk);
    connect(m_cropCancel, &QAbstractButton::clicked, this, &CVmEditCtrl::CropCancel);
}

CVmEditCtrl::~CVmEditCtrl()
{
    Selection = nullptr; // Objects deletes everything it holds
}

// ---- photograph ----

void CVmEditCtrl::Clear()
{
    Reset();
    NotifyView();
}

void CVmEditCtrl::Reset()
{
    // The typed text reaches its box first; quietly, as every object goes right after.
    CloseEditor(false);
    AbandonDrag();
    // A crop rectangle or an armed line belongs to the photograph being left.
    const bool wasCropping = Tool == ToolCrop;
    Tool = ToolSelect;
    PendingInsert = 0;
    Crop.Active = 0;
    ShowCropButtons(false);
    setCursor(Qt::ArrowCursor);
    BaseImage = QImage();
    WorkingImage = QImage();
    m_scaled.Invalidate();
    m_scaled.SetAdjustment(0, 0);
    m_previewing = false;
    View = ViewTransform();
    ImageWidth = ImageHeight = 0;
    ViewMode = ViewFit;
    ImagePath.clear();
    PhotoScale = 0.0;
    const bool hadSelection = Selection != nullptr;
    Selection = nullptr;
    Objects.RemoveAll();
    m_modified = false;
    m_cropped = false;
    Contrast = Brightness = 0;
    m_fileContrast = m_fileBrightness = 0;
    update();
    // The parent may hold the old selection (an open comment panel): tell it the object is gone.
    if (hadSelection)
        emit selectionChanged(nullptr);
    if (wasCropping)
        emit cropFinished(false, QRect());
}

bool CVmEditCtrl::LoadImage(const QString &path)
{
    Reset();
    QImage image = LoadImageCopy(path);
    if (image.isNull()) {
        NotifyView();
        return false;
    }
    ImagePath = path;
    BaseImage = std::move(image);
    ImageWidth = BaseImage.width();
    ImageHeight = BaseImage.height();
    RebuildWorkingImage();
    Layout();
    NotifyView();
    update();
    return true;
}

void CVmEditCtrl::RebuildWorkingImage()
{
    // Shared with BaseImage until adjusted: the adjustment writes into its own copy.
    WorkingImage = BaseImage;
    if ((Contrast != 0 || Brightness != 0) && !WorkingImage.isNull())
        AdjustBrightnessContrast(WorkingImage, Brightness, Contrast);
    m_scaled.Invalidate();
}

bool CVmEditCtrl::SaveWorkingImage(const QString &path) const
{
    if (WorkingImage.isNull())
        return false;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return SaveImageFile(0, WorkingImage, path, QStringLiteral("PNG"));
    if (suffix == QLatin1String("bmp"))
        return SaveImageFile(0, WorkingImage, path, QStringLiteral("BMP"));
    return SaveImageFile(100, WorkingImage, path, QStringLiteral("JPEG"));
}

QImage CVmEditCtrl::MakeThumbnail() const
{
    if (WorkingImage.isNull())
        return QImage();
    return ScaleImageToFit(WorkingImage, 140, 140);
}

bool CVmEditCtrl::PixelsModified() const
{
    return m_cropped || Brightness != m_fileBrightness || Contrast != m_fileContrast;
}

void CVmEditCtrl::ClearModified()
{
    m_modified = false;
    m_cropped = false;
    m_fileBrightness = Brightness;
    m_fileContrast = Contrast;
}

void CVmEditCtrl::Edited(int kind)
{
    m_modified = true;
    emit contentEdited(kind);
}

bool CVmEditCtrl::SetCommentText(CDrComment *comment, const QString &text)
{
    if (!comment || Objects.Find(comment) < 0)
        return false;
    if (comment->Text() != text) {
        comment->SetText(text);
        update();
        Edited(EditText);
    }
    return true;
}

void CVmEditCtrl::SetColour(int brightness, int contrast)
{
    if (BaseImage.isNull())
        return;
    brightness = std::clamp(brightness, -255, 255);
    contrast = std::clamp(contrast, -100, 100);
    CancelColourPreview();
    if (brightness == Brightness && contrast == Contrast)
        return;
    Brightness = brightness;
    Contrast = contrast;
    RebuildWorkingImage();
    update();
    Edited(EditColour);
}

void CVmEditCtrl::PreviewColour(int brightness, int contrast)
{
    if (BaseImage.isNull())
        return;
    // The screen copy of BaseImage is adjusted instead of the whole photograph; WorkingImage
    // and the values stay until SetColour.
    m_previewing = true;
    m_scaled.SetAdjustment(std::clamp(brightness, -255, 255), std::clamp(contrast, -100, 100));
    update();
}

void CVmEditCtrl::CancelColourPreview()
{
    if (!m_previewing)
        return;
    m_previewing = false;
    m_scaled.SetAdjustment(0, 0);
    update();
}

// ---- view ----

void CVmEditCtrl::NotifyView()
{
    if (m_shownMode == ViewMode && SameView(m_shownView, View))
        return;
    m_shownView = View;
    m_shownMode = ViewMode;
    emit viewChanged(View.ScaleX, QPointF(View.OffsetX, View.OffsetY), ViewMode);
}

void CVmEditCtrl::ApplyView(const ViewTransform &view)
{
    View = view;
    if (Crop.Active && Tool == ToolCrop && !Dragging)
        PlaceCropButtons();
    PlaceEditor();
    update();
    NotifyView();
}

void CVmEditCtrl::Layout()
{
    if (BaseImage.isNull())
        return;
    if (ViewMode == ViewRealSize && SetActualSize(false))
        return;
    if (ViewMode == ViewFit || ViewMode == ViewRealSize)
        FitToWindow();
}

void CVmEditCtrl::FitToWindow()
{
    if (BaseImage.isNull())
        return;
    ApplyView(CanvasGeometry::FitTransform(size(), QSize(ImageWidth, ImageHeight)));
}

void CVmEditCtrl::ShowFit()
{
    m_shownMode = -1; // reported once even when nothing moved: the caller asked for it
    ViewMode = ViewFit;
    FitToWindow();
    NotifyView();
}

bool CVmEditCtrl::ShowRealSize(double photoScale)
{
    if (BaseImage.isNull() || !std::isfinite(photoScale) || !(photoScale > 0.0))
        return false;
    if (!CanvasGeometry::RealSizeTransform(size(), QSize(ImageWidth, ImageHeight), Calibration,
                                           photoScale))
        return false;
    PhotoScale = photoScale;
    m_shownMode = -1; // reported once even when nothing moved: the caller asked for it
    SetActualSize(true);
    return true;
}

void CVmEditCtrl::SetZoom(double scale)
{
    if (BaseImage.isNull() || !(scale > 0.0))
        return;
    ViewMode = ViewFree;
    ApplyView(CanvasGeometry::ZoomAbout(View, scale, CanvasGeometry::ClientCentre(size())));
}

bool CVmEditCtrl::ZoomIn()
{
    const double next = CanvasGeometry::ZoomInScale(View.ScaleX);
    if (BaseImage.isNull() || next == View.ScaleX)
        return false;
    SetZoom(next);
    return true;
}

bool CVmEditCtrl::ZoomOut()
{
    const double next = CanvasGeometry::ZoomOutScale(View.ScaleX);
    if (BaseImage.isNull() || next == View.ScaleX)
        return false;
    SetZoom(next);
    return true;
}

bool CVmEditCtrl::SetActualSize(bool redraw)
{
    const auto view = CanvasGeometry::RealSizeTransform(size(), QSize(ImageWidth, ImageHeight),
                                                        Calibration, PhotoScale);
    if (!view)
        return false;
    ViewMode = ViewRealSize;
    View = *view;
    if (Crop.Active && Tool == ToolCrop)
        PlaceCropButtons();
    PlaceEditor();
    if (redraw)
        update();
    NotifyView();
    return true;
}

void CVmEditCtrl::SetScreenCalibration(double pixelPerMilliX, double pixelPerMilliY)
{
    Calibration = ScreenCalibration {pixelPerMilliX, pixelPerMilliY};
    if (!BaseImage.isNull() && ViewMode == ViewRealSize)
        SetActualSize(true);
}

void CVmEditCtrl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_scaled.Invalidate();
    Layout();
    update();
}

bool CVmEditCtrl::InsideImage(QPointF p) const
{
    return p.x() >= 0 && p.x() < ImageWidth && p.y() >= 0 && p.y() < ImageHeight;
}

// ---- tools and crop ----

void CVmEditCtrl::SetTool(int tool)
{
    EndDrag(); // a drag in progress finishes under the tool it began with
    if (tool != ToolSelect)
        CloseEditor(true); // the editor belongs to the select tool
    Tool = tool;
    PendingInsert = 0;
    ShowCropButtons(false);
    if (tool == ToolSelect)
        setCursor(Qt::ArrowCursor);
    else if (tool == ToolPan)
        setCursor(m_panCursor);
    if (tool == ToolCrop) {
        const QRect r = CanvasGeometry::InitialCropClientRect(size());
        Crop.Left = View.ToImageX(r.left());
        Crop.Top = View.ToImageY(r.top());
        Crop.Right = View.ToImageX(r.left() + r.width());
        Crop.Bottom = View.ToImageY(r.top() + r.height());
        Crop.Active = 1;
        update();
        PlaceCropButtons();
        ShowCropButtons(true);
    } else {
        Crop.Active = 0;
        update();
    }
}

void CVmEditCtrl::PlaceCropButtons()
{
    const auto places = CanvasGeometry::PlaceCropButtons(
        Crop.GetScreenRect(View), m_cropOk->ImageSize(), m_cropCancel->ImageSize());
    m_cropOk->setGeometry(places.ok);
    m_cropCancel->setGeometry(places.cancel);
}

void CVmEditCtrl::ShowCropButtons(bool show)
{
    m_cropOk->setVisible(show);
    m_cropCancel->setVisible(show);
}

void CVmEditCtrl::CropOk()
{
    if (Tool != ToolCrop || !Crop.Active || BaseImage.isNull())
        return;
    const auto area
        = CanvasGeometry::CropPixelRect(Crop.GetImageRect(View), QSize(ImageWidth, ImageHeight));
    if (!area)
        return; // nothing of the image inside: the crop tool stays
    QImage cropped = BaseImage.copy(*area);
    if (cropped.isNull())
        return; // out of memory: keep the image and the tool as they are
    BaseImage = std::move(cropped);
    ImageWidth = BaseImage.width();
    ImageHeight = BaseImage.height();
    RebuildWorkingImage();
    m_cropped = true;
    // The annotations stay on the same picture detail: they move with the picture's origin.
    for (CDrObject *object : Objects)
        object->Offset(-area->left(), -area->top());
    // The crop shows the whole new picture; the mode says so, also when real size was on.
    ViewMode = ViewFit;
    FitToWindow();
    // Annotations left wholly off the picture have nothing to point at any more.
    const QRectF picture(0, 0, ImageWidth, ImageHeight);
    std::vector<CDrObject *> outside;
    for (CDrObject *object : Objects) {
        if (!object->Touches(picture, View))
            outside.push_back(object);
    }
    if (Selection && std::find(outside.begin(), outside.end(), Selection) != outside.end())
        Select(nullptr);
    for (CDrObject *object : outside)
        RemoveObject(object);
    SetTool(ToolSelect);
    update();
    emit cropFinished(true, *area);
    Edited(EditCrop);
}

void CVmEditCtrl::CropCancel()
{
    if (Tool != ToolCrop)
        return;
    SetTool(ToolSelect);
    emit cropFinished(false, QRect());
}

// ---- objects ----

void CVmEditCtrl::ArmLine()
{
    if (!BaseImage.isNull() && Tool == ToolSelect)
        PendingInsert = 2;
}

bool CVmEditCtrl::AddTextBox(const CTextBoxPropInfo &properties)
{
    if (Tool != ToolSelect || BaseImage.isNull())
        return false;
    TextBoxProps.CopyFrom(properties);
    auto *box = new CDrTextBox(&Objects);
    box->Properties.CopyFrom(TextBoxProps);
    const QPointF centre = CanvasGeometry::ClientCentre(size());
    const QPointF topLeft = View.ToImage(centre - QPointF(CDrTextBox::NewWidth / 2, 20));
    box->X = topLeft.x();
    box->Y = topLeft.y();
    box->Width = CDrTextBox::NewWidth;
    box->Height = CDrTextBox::NewHeight;
    setFocus(Qt::OtherFocusReason);
    Objects.AddTail(box);
    Select(box);
    BeginEdit();
    Edited(EditAnnotationAdded);
    return true;
}

bool CVmEditCtrl::AddComment()
{
    if (Tool != ToolSelect || BaseImage.isNull())
        return false;
    auto *comment = new CDrComment(&Objects);
    const QPointF at = View.ToImage(CanvasGeometry::ClientCentre(size()));
    comment->X = at.x();
    comment->Y = at.y();
    setFocus(Qt::OtherFocusReason);
    Objects.AddTail(comment);
    Select(comment);
    Edited(EditAnnotationAdded);
    return true;
}

void CVmEditCtrl::PlaceEditor()
{
    if (!m_editor || !Selection || Selection->GetType() != 1)
        return;
    const ScreenRect r = Selection->GetScreenRect(View);
    m_editor->setGeometry(r.left + 6, r.top + 6, std::max(1, r.right - r.left - 12),
                          std::max(1, r.bottom - r.top - 12));
}

void CVmEditCtrl::BeginEdit()
{
    if (!Selection || Selection->GetType() != 1)
        return;
    if (!m_editor) {
        m_editor = new CDrTextCtrl(this);
        connect(m_editor, &CDrTextCtrl::escapePressed, this, &CVmEditCtrl::EndEdit);
    }
    PlaceEditor();
    m_editor->SetText(static_cast<CDrTextBox *>(Selection)->Text);
    m_editor->show();
    m_editor->setFocus(Qt::OtherFocusReason);
    m_editor->moveCursor(QTextCursor::End);
    Editing = true;
}

void CVmEditCtrl::EndEdit()
{
    CloseEditor(true);
}

void CVmEditCtrl::CloseEditor(bool notify)
{
    if (m_editor) {
        const QString text = m_editor->GetText();
        m_editor->hide();
        // Not deleted here: this may run inside one of the field's own event handlers.
        m_editor->deleteLater();
        m_editor = nullptr;
        bool changed = false;
        if (Selection && Selection->GetType() == 1) {
            auto *box = static_cast<CDrTextBox *>(Selection);
            changed = box->Text != text;
            box->Text = text;
        }
        if (!hasFocus())
            setFocus(Qt::OtherFocusReason);
        update();
        Editing = false;
        if (changed && notify)
            Edited(EditText);
    }
    Editing = false;
}

bool CVmEditCtrl::RemoveObject(CDrObject *object)
{
    if (Objects.Find(object) < 0)
        return false;
    emit objectAboutToBeRemoved(object);
    if (object == m_dragObject)
        m_dragObject = nullptr;
    return Objects.DeleteObject(object);
}

void CVmEditCtrl::Select(CDrObject *object)
{
    if (object == Selection)
        return;
    bool removed = false;
    if (Selection) {
        CDrObject *previous = Selection;
        if (Editing)
            CloseEditor(true);
        // An empty comment does not survive losing the selection.
        const auto *comment = dynamic_cast<const CDrComment *>(previous);
        if (comment && comment->Text().isEmpty()) {
            Selection = nullptr;
            removed = RemoveObject(previous);
        }
    }
    Selection = object;
    update();
    emit selectionChanged(object);
    if (removed)
        Edited(EditAnnotationRemoved);
}

void CVmEditCtrl::DeleteSelection()
{
    CDrObject *object = Selection;
    if (!object || Objects.Find(object) < 0)
        return;
    // Closes the editor and tells the parent first, while the object still exists; an empty
    // comment is already gone after that (and reported as removed).
    Select(nullptr);
    if (RemoveObject(object))
        Edited(EditAnnotationRemoved);
    update();
}

void CVmEditCtrl::SetAnnotations(const CDrMgr &source)
{
    // The editor and a drag belong to objects about to be replaced.
    CloseEditor(false);
    AbandonDrag();
    const bool hadSelection = Selection != nullptr;
    Selection = nullptr;
    CDrMgr::CopyList(source, Objects);
    update();
    if (hadSelection)
        emit selectionChanged(nullptr);
}

// ---- painting ----

void CVmEditCtrl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (WorkingImage.isNull())
        return;
    // A colour preview shows BaseImage with the preview values applied to its screen copy.
    m_scaled.Paint(painter, m_previewing ? BaseImage : WorkingImage, View, size(),
                   FastRender || Dragging);
    Objects.Draw(painter, View);
    if (Tool == ToolSelect && Selection && !Dragging)
        Selection->DrawHandles(painter, View);
    if (Crop.Active) {
        Crop.Draw(painter, View);
        if (!Dragging)
            Crop.DrawHandles(painter, View);
    }
}

// ---- mouse and keyboard ----

void CVmEditCtrl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || WorkingImage.isNull()) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint m = event->position().toPoint();
    const QPointF p = ImagePoint(m);
    if (Tool == ToolSelect) {
        if (PendingInsert == 2) {
            PendingInsert = 0;
            auto *line = new CDrLine(&Objects);
            line->Properties.CopyFrom(LineProps);
            line->X1 = line->X2 = p.x();
            line->Y1 = line->Y2 = p.y();
            Objects.AddTail(line);
            Select(line);
            DragHandle = HandleLineEnd;
            m_dragObject = line;
            m_drawingLine = true;
        } else {
            PendingInsert = 0;
            int h = 0;
            if (Selection) {
                h = Selection->HitTestHandle(View, m.x(), m.y(), p.x(), p.y());
                if (h != 0 && Selection->GetType() == 1)
                    EndEdit(); // the drag then moves or resizes the box
            }
            if (h == 0) {
                CDrObject *found = Objects.FindObjectAt(View, m.x(), m.y(), p.x(), p.y());
                Select(found);
                if (found)
                    h = found->HitTestHandle(View, m.x(), m.y(), p.x(), p.y());
                else if (!InsideImage(p))
                    return; // outside the picture with nothing hit: no drag
            }
            DragHandle = h;
            // Only a drag that changes the object is an edit: remember where it was.
            m_dragObject = h != 0 ? Selection : nullptr;
            if (m_dragObject) {
                m_dragImageRect = m_dragObject->GetImageRect(View);
                m_dragScreenRect = m_dragObject->GetScreenRect(View);
            } else {
                FastRender = true;
            }
        }
    } else if (Tool == ToolPan) {
        DragHandle = 0;
        FastRender = true;
    } else if (Tool == ToolCrop) {
        if (Crop.Active) {
            const int h = Crop.HitTestHandle(View, m.x(), m.y(), p.x(), p.y());
            if (h == 0)
                return;
            DragHandle = h;
        } else {
            Crop.Left = Crop.Right = p.x();
            Crop.Top = Crop.Bottom = p.y();
            Crop.Active = 1;
            DragHandle = HandleBottomRight;
        }
        ShowCropButtons(false);
    } else {
        return;
    }
    DragStart = DragLast = m;
    Dragging = true; // the press grabs the mouse until the release
    update();
}

void CVmEditCtrl::EndDrag()
{
    if (!Dragging)
        return;
    Dragging = false;
    FastRender = false;
    if (Tool == ToolCrop && Crop.Active) {
        PlaceCropButtons();
        ShowCropButtons(true);
    }
    update();
    FinishObjectDrag();
    NotifyView(); // a pan reports its view once, here
}

void CVmEditCtrl::AbandonDrag()
{
    Dragging = false;
    FastRender = false;
    m_dragObject = nullptr;
    m_drawingLine = false;
}

void CVmEditCtrl::FinishObjectDrag()
{
    CDrObject *object = m_dragObject;
    const bool newLine = m_drawingLine;
    m_dragObject = nullptr;
    m_drawingLine = false;
    if (!object || Objects.Find(object) < 0)
        return;
    if (newLine) {
        const ScreenRect ends = object->GetScreenRect(View);
        if (ends.left == ends.right && ends.top == ends.bottom) {
            // A click that drew nothing out would leave an invisible line behind.
            if (Selection == object)
                Select(nullptr);
            RemoveObject(object);
            return;
        }
        Edited(EditAnnotationAdded);
        return;
    }
    if (object->GetImageRect(View) != m_dragImageRect
        || !(object->GetScreenRect(View) == m_dragScreenRect))
        Edited(EditAnnotationChanged);
}

void CVmEditCtrl::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint m = event->position().toPoint();
    if (!Dragging) {
        const QPointF p = ImagePoint(m);
        emit TitleTextChanged(QStringLiteral("(%1, %2) => (%3, %4)")
                                  .arg(m.x())
                                  .arg(m.y())
                                  .arg(int(p.x()))
                                  .arg(int(p.y())));
        UpdateCursor(m);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        EndDrag(); // the button came up where we did not see it: end as on release
        UpdateCursor(m);
        return;
    }
    if (Tool == ToolPan || (Tool == ToolSelect && DragHandle == 0)) {
        View.OffsetX += m.x() - DragLast.x();
        View.OffsetY += m.y() - DragLast.y();
        PlaceEditor();
    } else if (Tool == ToolSelect && m_dragObject) {
        m_dragObject->Track(View, DragHandle, DragStart.x(), DragStart.y(), DragLast.x(),
                            DragLast.y(), m.x(), m.y());
        if (m_dragObject->GetType() == 1)
            PlaceEditor();
    } else if (Tool == ToolCrop && DragHandle != 0) {
        Crop.Track(View, DragHandle, DragStart.x(), DragStart.y(), DragLast.x(), DragLast.y(),
                   m.x(), m.y());
    }
    DragLast = m;
    update();
}

void CVmEditCtrl::hideEvent(QHideEvent *event)
{
    // A hidden window never sees the release: the drag ends here, as on release.
    EndDrag();
    QWidget::hideEvent(event);
}

void CVmEditCtrl::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        EndDrag();
    UpdateCursor(event->position().toPoint());
}

void CVmEditCtrl::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Replaces the second press of a double click, so it starts no drag.
    if (event->button() != Qt::LeftButton || !Selection)
        return;
    const QPoint m = event->position().toPoint();
    const QPointF p = ImagePoint(m);
    if (Selection->GetType() == 1) {
        if (Selection->HitTestHandle(View, m.x(), m.y(), p.x(), p.y()) != 0)
            BeginEdit();
    } else if (Selection->GetType() == 3) {
        emit CommentActivated(static_cast<CDrComment *>(Selection));
    }
}

void CVmEditCtrl::keyPressEvent(QKeyEvent *event)
{
    // The in-place editor keeps Delete for itself (it deletes a character there); here it
    // deletes the selection.
    if (event->key() == Qt::Key_Delete) {
        DeleteSelection();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

int CVmEditCtrl::CursorHandleAt(QPoint m) const
{
    const QPointF p = ImagePoint(m);
    if (Tool == ToolSelect) {
        int h = 0;
        if (Selection)
            h = Selection->HitTestHandle(View, m.x(), m.y(), p.x(), p.y());
        if (h == 0) {
            if (const CDrObject *o = Objects.FindObjectAt(View, m.x(), m.y(), p.x(), p.y()))
                h = o->HitTestHandle(View, m.x(), m.y(), p.x(), p.y());
        }
        return h;
    }
    if (Tool == ToolCrop && Crop.Active) {
        if (!Dragging
            && ((m_cropOk->isVisible() && m_cropOk->geometry().contains(m))
                || (m_cropCancel->isVisible() && m_cropCancel->geometry().contains(m))))
            return 0;
        return Crop.HitTestHandle(View, m.x(), m.y(), p.x(), p.y());
    }
    return 0;
}

void CVmEditCtrl::UpdateCursor(QPoint m)
{
    if (Tool == ToolPan) {
        setCursor(m_panCursor);
        return;
    }
    switch (CursorHandleAt(m)) {
    case HandleNone:
        if (Tool == ToolSelect && m_selectCursor)
            setCursor(*m_selectCursor);
        else
            setCursor(Qt::ArrowCursor);
        break;
    case HandleMove:
        setCursor(Qt::SizeAllCursor);
        break;
    case HandleTopLeft:
    case HandleBottomRight:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case HandleTopRight:
    case HandleBottomLeft:
        setCursor(Qt::SizeBDiagCursor);
        break;
    case HandleLeft:
    case HandleRight:
        setCursor(Qt::SizeHorCursor);
        break;
    case HandleTop:
    case HandleBottom:
        setCursor(Qt::SizeVerCursor);
        break;
    default:
        setCursor(m_panCursor);
        break;
    }
}
