#include "VmEditCtrl.h"

#include "CanvasGeometry.h"
#include "DrComment.h"
#include "DrLine.h"
#include "DrTextBox.h"
#include "DrTextCtrl.h"
#include "ImageFiles.h"
#include "Skin.h"
#include "UbImgButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

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

quintptr ObjectValue(const CDrObject *object)
{
    return reinterpret_cast<quintptr>(object);
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
    if (m_editor) {
        m_editor->hide();
        m_editor->deleteLater();
        m_editor = nullptr;
    }
    BaseImage = QImage();
    WorkingImage = QImage();
    m_scaled.Invalidate();
    View = ViewTransform();
    ImageWidth = ImageHeight = 0;
    ViewMode = ViewFit;
    ImagePath.clear();
    PhotoScale = 0.0;
    Crop.Active = 0;
    const bool hadSelection = Selection != nullptr;
    Selection = nullptr;
    Objects.RemoveAll();
    Editing = false;
    Modified = false;
    Contrast = Brightness = 0;
    update();
    // The parent may hold the old selection (an open comment panel): tell it the object is gone.
    if (hadSelection)
        emit Notify(NotifySelection, 0);
}

bool CVmEditCtrl::LoadImage(const QString &path)
{
    Clear();
    QImage image = LoadImageCopy(path);
    if (image.isNull())
        return false;
    ImagePath = path;
    BaseImage = std::move(image);
    ImageWidth = BaseImage.width();
    ImageHeight = BaseImage.height();
    RebuildWorkingImage();
    Layout();
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
    return SaveImageFile(100, WorkingImage, path, QStringLiteral("JPEG"));
}

QImage CVmEditCtrl::MakeThumbnail() const
{
    if (WorkingImage.isNull())
        return QImage();
    return ScaleImageToFit(WorkingImage, 140, 140);
}

void CVmEditCtrl::SetContrast(int value)
{
    if (value == Contrast)
        return;
    Contrast = value;
    if (!BaseImage.isNull()) {
        RebuildWorkingImage();
        Modified = true;
        update();
    }
}

void CVmEditCtrl::SetBrightness(int value)
{
    if (value == Brightness)
        return;
    Brightness = value;
    if (!BaseImage.isNull()) {
        RebuildWorkingImage();
        Modified = true;
        update();
    }
}

// ---- view ----

void CVmEditCtrl::ApplyView(const ViewTransform &view)
{
    View = view;
    if (Crop.Active && Tool == ToolCrop && !Dragging)
        PlaceCropButtons();
    PlaceEditor();
    update();
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

void CVmEditCtrl::SetZoom(double scale)
{
    if (BaseImage.isNull() || !(scale > 0.0))
        return;
    ApplyView(CanvasGeometry::ZoomAbout(View, scale, CanvasGeometry::ClientCentre(size())));
    ViewMode = ViewFree;
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
    const auto area
        = CanvasGeometry::CropPixelRect(Crop.GetImageRect(View), QSize(ImageWidth, ImageHeight));
    if (!area || BaseImage.isNull())
        return; // nothing of the image inside: the crop tool stays
    QImage cropped = BaseImage.copy(*area);
    if (cropped.isNull())
        return; // out of memory: keep the image and the tool as they are
    BaseImage = std::move(cropped);
    ImageWidth = BaseImage.width();
    ImageHeight = BaseImage.height();
    RebuildWorkingImage();
    FitToWindow();
    Modified = true;
    update();
    SetTool(ToolSelect);
    emit Notify(NotifyCrop, 1);
}

void CVmEditCtrl::CropCancel()
{
    SetTool(ToolSelect);
    emit Notify(NotifyCrop, 0);
}

// ---- objects ----

void CVmEditCtrl::ArmLine()
{
    if (!BaseImage.isNull() && Tool == ToolSelect)
        PendingInsert = 2;
}

bool CVmEditCtrl::AddTextBox(const CTextBoxPropInfo &properties)
{
    if (Tool != ToolSelect)
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
    Modified = true;
    Select(box);
    BeginEdit();
    return true;
}

bool CVmEditCtrl::AddComment()
{
    if (Tool != ToolSelect)
        return false;
    auto *comment = new CDrComment(&Objects);
    const QPointF at = View.ToImage(CanvasGeometry::ClientCentre(size()));
    comment->X = at.x();
    comment->Y = at.y();
    setFocus(Qt::OtherFocusReason);
    Objects.AddTail(comment);
    Modified = true;
    Select(comment);
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
    if (!m_editor)
        m_editor = new CDrTextCtrl(this);
    PlaceEditor();
    m_editor->SetText(static_cast<CDrTextBox *>(Selection)->Text);
    m_editor->show();
    m_editor->setFocus(Qt::OtherFocusReason);
    m_editor->moveCursor(QTextCursor::End);
    Editing = true;
}

void CVmEditCtrl::EndEdit()
{
    if (m_editor) {
        const QString text = m_editor->GetText();
        m_editor->hide();
        // Not deleted here: EndEdit may run inside one of the field's own event handlers.
        m_editor->deleteLater();
        m_editor = nullptr;
        if (Selection && Selection->GetType() == 1) {
            auto *box = static_cast<CDrTextBox *>(Selection);
            if (box->Text != text) {
                box->Text = text;
                Modified = true;
            }
        }
        if (!hasFocus())
            setFocus(Qt::OtherFocusReason);
        update();
    }
    Editing = false;
}

void CVmEditCtrl::Select(CDrObject *object)
{
    if (object == Selection)
        return;
    if (Selection) {
        CDrObject *previous = Selection;
        if (Editing)
            EndEdit();
        // An empty comment does not survive losing the selection.
        if (Objects.DeleteIfEmptyComment(previous))
            Selection = nullptr;
    }
    Selection = object;
    update();
    emit Notify(NotifySelection, ObjectValue(object));
}

void CVmEditCtrl::DeleteSelection()
{
    CDrObject *object = Selection;
    if (!object || Objects.Find(object) < 0)
        return;
    // Closes the editor and tells the parent first, while the object still exists; an empty
    // comment may already be gone after that.
    Select(nullptr);
    Objects.DeleteObject(object); // false when the empty-comment rule took it already
    Modified = true;
    update();
}

// ---- painting ----

void CVmEditCtrl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (WorkingImage.isNull())
        return;
    m_scaled.Paint(painter, WorkingImage, View, size(), FastRender || Dragging);
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
            Modified = true;
            DragHandle = HandleLineEnd;
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
            if (Selection)
                Modified = true;
            else
                FastRender = true;
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
    if (Tool == ToolPan || (Tool == ToolSelect && (DragHandle == 0 || !Selection))) {
        View.OffsetX += m.x() - DragLast.x();
        View.OffsetY += m.y() - DragLast.y();
        PlaceEditor();
    } else if (Tool == ToolSelect) {
        Selection->Track(View, DragHandle, DragStart.x(), DragStart.y(), DragLast.x(), DragLast.y(),
                         m.x(), m.y());
        if (Selection->GetType() == 1)
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
