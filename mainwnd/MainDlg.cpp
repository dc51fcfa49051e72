#include "MainDlg.h"

#include "DrComment.h"
#include "EffectDlg.h"
#include "MainLayout.h"
#include "Measurement.h"
#include "PhotoImport.h"
#include "Skin.h"
#include "SkinArt.h"
#include "UbImgButton.h"
#include "VmEditCtrl.h"
#include "VmSheetDlg.h"
#include "VmThumbnailCtrl.h"
#include "WorkingFolders.h"
#include "ZoomSliderCtrl.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLoggingCategory>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcMainWnd, "vm.mainwnd")

using namespace MainLayout;

const char *const CMainDlg::NewQuestion
    = "데이터가 수정되었습니다.\n수정된 데이터를 버리시겠습니까?";
const char *const CMainDlg::SetCardSizeMessage = "카드크기 설정하세요.";
const char *const CMainDlg::EnterRealSizeMessage = "실측정보를 입력하세요.";
const char *const CMainDlg::PhotoFilter
    = "Image files(*.jpg,*.png,*.bmp) (*.jpg *.png *.bmp *.jpeg *.JPG *.PNG *.BMP *.JPEG)";

namespace {

const char *const kLoadFailedMessage = "사진을 불러오지 못했습니다.";
const char *const kSaveFailedMessage = "편집한 사진을 저장하지 못했습니다.";
const char *const kNotAddedMessage = "다음 파일은 사진으로 읽을 수 없어 추가하지 않았습니다:";

bool IsImageFileName(const QString &name)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")
        || suffix == QLatin1String("png") || suffix == QLatin1String("bmp");
}

} // namespace

CMainDlg::CMainDlg(MainSession session, MainWindowSeams seams, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_session(std::move(session))
    , m_seams(std::move(seams))
{
    setObjectName(QStringLiteral("MainDlg"));
    setWindowTitle(QStringLiteral("VmEditor"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);
    setMouseTracking(true); // the grip's cursor shows on hover
    setMinimumSize(MinimumSize);
    if (!CSkin::Picture(292).isNull())
        setWindowIcon(QIcon(QPixmap::fromImage(CSkin::Picture(292))));

    if (m_seams.loadCalibration)
        m_calibration = m_seams.loadCalibration();
    // Whatever an earlier run left in the working folders belongs to no product now.
    CWorkingFolders::EmptyTempFolder(m_session.tempFolder);
    CWorkingFolders::EmptyDownFolder(m_session.downFolder);

    CreateButtons();

    m_zoomSlider = new CZoomSliderCtrl(this);
    m_zoomSlider->SetControlId(ZoomSliderId);
    m_zoomSlider->setGeometry(ZoomSliderRect);
    m_zoomSlider->SetTrackBitmaps(261, 262, 263);
    m_zoomSlider->SetThumbBitmap(264);
    m_zoomSlider->SetRange(-99, 99);
    m_zoomSlider->SetPos(0);
    connect(
        m_zoomSlider, &CUbSliderCtrl::Notification, this,
        [this](int code, int) { OnZoomSlider(code); }, Qt::QueuedConnection);

    m_canvas = new CVmEditCtrl(this);
    m_canvas->SetPanCursor(CSkin::Cursor(249));
    m_canvas->SetSelectCursor(CSkin::Cursor(251));
    if (IsCalibrated(m_calibration))
        m_canvas->SetScreenCalibration(m_calibration.PixelPerMilliX, m_calibration.PixelPerMilliY);
    m_canvas->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_canvas, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { ShowCanvasMenu(m_canvas->mapToGlobal(at)); });
    // Selection and crop are handled after the canvas's own event is done, as posted messages;
    // edits are counted at once so the modified flag is never behind the product.
    connect(m_canvas, &CVmEditCtrl::selectionChanged, this, &CMainDlg::OnSelectionChanged,
            Qt::QueuedConnection);
    connect(m_canvas, &CVmEditCtrl::cropFinished, this, &CMainDlg::OnCropFinished,
            Qt::QueuedConnection);
    connect(m_canvas, &CVmEditCtrl::viewChanged, this, &CMainDlg::OnViewChanged);
    connect(m_canvas, &CVmEditCtrl::contentEdited, this, &CMainDlg::OnCanvasEdited);
    connect(m_canvas, &CVmEditCtrl::CommentActivated, this, &CMainDlg::EditComment,
            Qt::QueuedConnection);

    m_strip = new CVmThumbnailCtrl(this);
    m_strip->move(StripPosition);
    m_strip->resize(m_strip->sizeHint());
    m_strip->SetBadge(CSkin::Png(243));
    m_strip->SetSelectionHandler([this](int index) { return SelectPhoto(index); });
    connect(m_strip, &CVmThumbnailCtrl::scrollStateChanged, this, &CMainDlg::UpdateArrows);

    CreateShortcuts();
    resize(OpeningSize);
    LayoutChildren();
    m_canvas->SetTool(CVmEditCtrl::ToolSelect);
    UpdateArrows();
    UpdateViewButtons();
}

CMainDlg::~CMainDlg()
{
    // Children are destroyed after this destructor: a sheet's end must not reach a window that
    // is no longer whole.
    if (m_sheet)
        m_sheet->disconnect(this);
    delete m_colourPopup;
}

void CMainDlg::CreateButtons()
{
    const auto add = [this](int id, int bitmap, int x, int y) {
        auto *button = new CUbImgButton(this);
        button->SetControlId(id);
        button->SetBitmap(bitmap, x, y);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QAbstractButton::clicked, this, [this, id] { RunCommand(id); });
        m_buttons.insert(id, button);
        return button;
    };
    for (const FixedButton &b : FixedButtons)
        add(b.id, b.bitmap, b.x, b.y)->setVisible(!b.hidden);
    for (const TopRowButton &b : WindowButtons)
        add(b.id, b.bitmap, 0, TopRowY);
    for (const TopRowButton &b : TextButtons)
        add(b.id, b.bitmap, 0, TopRowY);
    m_buttons.value(CmdNew)->setToolTip(QString::fromUtf8("새로운 파일을 생성합니다."));
}

void CMainDlg::CreateShortcuts()
{
    const auto bind = [this](const QKeySequence &keys, int command) {
        auto *shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, command] { RunCommand(command); });
    };
    bind(QKeySequence::New, CmdNew);
    bind(QKeySequence::Open, CmdOpen);
    bind(QKeySequence::Save, CmdSave);
    bind(QKeySequence(Qt::CTRL | Qt::Key_0), CmdFitButton);
    bind(QKeySequence(Qt::CTRL | Qt::Key_1), CmdRealSize);
    bind(QKeySequence(Qt::CTRL | Qt::Key_Plus), CmdZoomIn);
    bind(QKeySequence(Qt::CTRL | Qt::Key_Equal), CmdZoomIn);
    bind(QKeySequence(Qt::CTRL | Qt::Key_Minus), CmdZoomOut);
}

// ---- layout and painting ----

void CMainDlg::LayoutChildren()
{
    const QSize client = size();
    QList<QSize> sizes;
    QList<int> ids;
    for (const TopRowButton &b : WindowButtons)
        ids.append(b.id);
    for (const TopRowButton &b : TextButtons)
        ids.append(b.id);
    for (int id : ids)
        sizes.append(m_buttons.value(id)->size());
    const QList<QRect> places = TopRowPlaces(client.width(), sizes);
    for (qsizetype i = 0; i < ids.size(); ++i)
        m_buttons.value(ids.at(i))->setGeometry(places.at(i));
    m_canvas->setGeometry(WorkArea(client));
    if (m_sheet)
        m_sheet->setGeometry(SheetArea(client));
    if (!m_zoomSlider->IsDragging() && m_canvas->HasImage())
        m_zoomSlider->SetZoom(m_canvas->GetZoom());
    update();
}

void CMainDlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    LayoutChildren();
}

void CMainDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The window stays within the screen's available area (a small screen or a scaled desktop
    // may have less than the opening size).
    if (const QScreen *screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        QRect frame = geometry();
        frame.setSize(frame.size().boundedTo(available.size()).expandedTo(minimumSize()));
        if (!available.contains(frame)) {
            frame.moveCenter(available.center());
            frame.moveTop(std::max(frame.top(), available.top()));
            frame.moveLeft(std::max(frame.left(), available.left()));
        }
        if (frame != geometry())
            setGeometry(frame);
    }
}

void CMainDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(244, 244, 246));
    CSkinArt::DrawFrame(painter, rect(), CSkin::MainFramePieces());
    if (!m_sheet) {
        QFont counterFont(QString::fromUtf8("굴림"));
        counterFont.setPointSize(10);
        counterFont.setWeight(QFont::Normal);
        painter.setFont(counterFont);
        painter.setPen(Qt::black);
        painter.drawText(CounterRect, Qt::AlignCenter, CounterText());
        painter.setPen(QColor(0x76, 0x78, 0x84));
        painter.drawText(PercentRect, Qt::AlignRight | Qt::AlignVCenter, PercentText());
    }
}

QString CMainDlg::CounterText() const
{
    return MainLayout::CounterText(m_product.currentPhoto, m_product.Count());
}

QString CMainDlg::PercentText() const
{
    // The canvas's own zoom: it goes far beyond the slider's range.
    return MainLayout::PercentText(m_canvas->HasImage() ? m_canvas->GetZoom() : 1.0);
}

void CMainDlg::SetWorkControlsVisible(bool visible)
{
    m_canvas->setVisible(visible);
    m_strip->setVisible(visible);
    m_zoomSlider->setVisible(visible);
    for (const FixedButton &b : FixedButtons) {
        if (!b.hidden)
            m_buttons.value(b.id)->setVisible(visible);
    }
    update();
}

void CMainDlg::UpdateArrows()
{
    m_buttons.value(CmdStripBack)->setEnabled(m_strip->CanScrollBack());
    m_buttons.value(CmdStripForward)->setEnabled(m_strip->CanScrollForward());
}

void CMainDlg::UpdateViewButtons()
{
    m_buttons.value(CmdRealSize)->SetLatched(m_canvas->GetViewMode() == CVmEditCtrl::ViewRealSize);
    m_buttons.value(CmdFitButton)->SetLatched(m_canvas->GetViewMode() == CVmEditCtrl::ViewFit);
    m_buttons.value(CmdCrop)->SetLatched(m_canvas->GetTool() == CVmEditCtrl::ToolCrop);
}

// ---- commands ----

void CMainDlg::RunCommand(int id)
{
    if (m_importing)
        return;
    // Under a sheet the work area is hidden: its commands wait until the sheet closes.
    static const int workAreaCommands[]
        = {CmdZoomOut,      CmdZoomIn,     CmdFit,       CmdFitButton,   CmdRealSize,
           CmdCrop,         CmdColour,     CmdAddPhotos, CmdDeletePhoto, CmdStripBack,
           CmdStripForward, CmdSelectTool, CmdPanTool,   CmdText};
    if (m_sheet
        && std::find(std::begin(workAreaCommands), std::end(workAreaCommands), id)
            != std::end(workAreaCommands))
        return;
    // The product-wide commands end any sheet first, as if it was cancelled.
    if (m_sheet
        && (id == CmdNew || id == CmdOpen || id == CmdSave || id == CmdDetails || id == CmdLogout))
        CloseSheet();
    const bool hasPhoto = m_canvas->HasImage();
    switch (id) {
    case CmdMinimise:
        showMinimized();
        break;
    case CmdMaximise:
        isMaximized() ? showNormal() : showMaximized();
        break;
    case CmdClose:
        close();
        break;
    case CmdNew:
        NewProduct();
        break;
    case CmdOpen:
        if (m_seams.openProduct && m_seams.openProduct(this, m_product))
            RebuildFromProduct();
        break;
    case CmdSave:
        if (m_product.state != CProduct::NoProduct && m_seams.saveProduct) {
            if (m_product.currentPhoto >= 0 && !WriteBack(WriteBackForSave))
                break;
            if (m_seams.saveProduct(this, m_product))
                SetModified(false);
        }
        break;
    case CmdZoomOut:
        m_canvas->ZoomOut();
        break;
    case CmdZoomIn:
        m_canvas->ZoomIn();
        break;
    case CmdFit:
    case CmdFitButton:
        m_canvas->ShowFit();
        break;
    case CmdRealSize:
        ShowRealSize();
        break;
    case CmdCrop:
        ToggleCrop();
        break;
    case CmdDetails:
        EditDetails();
        break;
    case CmdColour:
        ToggleColourPopup();
        break;
    case CmdMeasure:
        if (m_product.currentPhoto >= 0 && WriteBack(WriteBackForMeasure))
            ToggleSheet(SheetMeasure);
        break;
    case CmdAddPhotos:
        AddPhotos();
        break;
    case CmdDeletePhoto:
        DeletePhoto();
        break;
    case CmdStripBack:
    case CmdStripForward:
        m_strip->Scroll(id == CmdStripForward);
        UpdateArrows();
        break;
    case CmdImageOrder:
        if (m_product.Count() > 0)
            ToggleSheet(SheetImageOrder);
        break;
    case CmdSelectTool:
        if (hasPhoto)
            m_canvas->SetTool(CVmEditCtrl::ToolSelect);
        break;
    case CmdPanTool:
        if (hasPhoto)
            m_canvas->SetTool(CVmEditCtrl::ToolPan);
        break;
    case CmdText:
        NewComment();
        break;
    case CmdCalibrationSheet:
        ToggleSheet(SheetCalibration);
        break;
    case CmdPreview:
        if (m_product.state != CProduct::NoProduct && m_seams.preview)
            m_seams.preview(this, m_product);
        break;
    case CmdShare:
        if (!m_product.header.itemId.isEmpty() && !m_product.publication.key1.isEmpty()
            && m_seams.share)
            m_seams.share(this, m_product);
        break;
    case CmdLogout:
        Logout();
        break;
    case CmdSettings:
        if (m_seams.runCalibrationDialog) {
            ScreenCalibration calibration = m_calibration;
            if (m_seams.runCalibrationDialog(this, calibration))
                SetCalibration(calibration);
        }
        break;
    case CmdPrint:
        if (m_product.Count() > 0)
            ToggleSheet(SheetPrint);
        break;
    default:
        qCDebug(lcMainWnd) << "unknown command" << id;
        break;
    }
    UpdateViewButtons();
    update();
}

void CMainDlg::ShowRealSize()
{
    if (!IsCalibrated(m_calibration)) {
        ShowMessage(QString::fromUtf8(SetCardSizeMessage));
        return;
    }
    if (m_product.currentPhoto < 0 || !m_canvas->HasImage())
        return;
    const double scale = m_product.PhotoAt(m_product.currentPhoto)->ImagePixelPerMilli;
    // A scale read from a damaged file may be anything; only a usable one shows real size.
    if (!(scale > 0.0) || !std::isfinite(scale)) {
        ShowMessage(QString::fromUtf8(EnterRealSizeMessage));
        return;
    }
    m_canvas->ShowRealSize(scale);
}

void CMainDlg::ToggleCrop()
{
    if (!m_canvas->HasImage())
        return;
    if (m_canvas->GetTool() == CVmEditCtrl::ToolCrop)
        m_canvas->CropCancel();
    else
        m_canvas->SetTool(CVmEditCtrl::ToolCrop);
}

void CMainDlg::NewComment()
{
    if (!m_canvas->HasImage())
        return;
    m_canvas->SetTool(CVmEditCtrl::ToolSelect);
    const CDrObject *selected = m_canvas->GetSelection();
    // A fresh empty comment is already waiting for its text.
    if (selected && selected->GetType() == 3
        && static_cast<const CDrComment *>(selected)->Text().isEmpty())
        return;
    if (m_canvas->AddComment())
        EditComment(static_cast<CDrComment *>(m_canvas->GetSelection()));
}

void CMainDlg::EditComment(CDrComment *comment)
{
    // Queued from a double click: the comment must still be the selected one.
    if (!comment || comment != m_canvas->GetSelection())
        return;
    QString text = comment->Text();
    bool accepted = false;
    if (m_seams.editCommentText) {
        accepted = m_seams.editCommentText(this, text);
    } else {
        text = QInputDialog::getMultiLineText(this, QString::fromUtf8("코멘트"), QString(), text,
                                              &accepted);
    }
    if (accepted)
        SetCommentText(comment, text);
}

bool CMainDlg::SetCommentText(CDrComment *comment, const QString &text)
{
    return m_canvas->SetCommentText(comment, text);
}

void CMainDlg::ShowCanvasMenu(const QPoint &globalPos)
{
    if (!m_canvas->HasImage() || m_canvas->GetTool() == CVmEditCtrl::ToolCrop)
        return;
    QMenu menu(this);
    menu.addAction(QString::fromUtf8("선 그리기"), this, [this] {
        m_canvas->SetTool(CVmEditCtrl::ToolSelect);
        m_canvas->ArmLine();
    });
    menu.addAction(QString::fromUtf8("텍스트 상자"), this, [this] {
        m_canvas->SetTool(CVmEditCtrl::ToolSelect);
        m_canvas->AddTextBox(m_canvas->TextBoxProps);
    });
    menu.addAction(QString::fromUtf8("코멘트"), this, [this] { RunCommand(CmdText); });
    QAction *remove
        = menu.addAction(QString::fromUtf8("삭제"), this, [this] { m_canvas->DeleteSelection(); });
    remove->setEnabled(m_canvas->GetSelection() != nullptr);
    menu.exec(globalPos);
}

void CMainDlg::EditDetails()
{
    if (m_product.state == CProduct::NoProduct || !m_seams.editItemInfo)
        return;
    CItemInfo header(m_product.header);
    if (m_seams.editItemInfo(this, header))
        SetHeader(header);
}

void CMainDlg::Logout()
{
    if (!ConfirmDiscard())
        return;
    if (m_seams.logout && m_seams.logout(this) && isVisible())
        done(1);
}

bool CMainDlg::ConfirmDiscard()
{
    m_canvas->EndEdit(); // text typed into an open text box is a change too
    return !m_product.modified || AskYesNo(QString::fromUtf8(NewQuestion));
}

// ---- edits ----

void CMainDlg::SetModified(bool modified)
{
    if (m_product.modified == modified)
        return;
    m_product.modified = modified;
    emit modifiedChanged(modified);
}

void CMainDlg::NoteEdit()
{
    ++m_edits;
    SetModified(true);
}

void CMainDlg::OnCanvasEdited(int kind)
{
    // Colour changes are the colour popup's own, which its Cancel may take back.
    if (kind == CVmEditCtrl::EditColour)
        SetModified(true);
    else
        NoteEdit();
}

bool CMainDlg::NewProduct()
{
    if (!ConfirmDiscard())
        return false;
    CItemInfo header;
    if (m_seams.editItemInfo && !m_seams.editItemInfo(this, header))
        return false;
    ClearProduct();
    m_product.header = header;
    m_product.state = CProduct::NewProduct;
    update();
    return true;
}

void CMainDlg::ClearProduct()
{
    CloseSheet();
    m_canvas->Clear();
    m_strip->RemoveAll();
    m_product.Clear();
    if (m_colourPopup)
        m_colourPopup->ResetSliders();
    CWorkingFolders::EmptyDownFolder(m_session.downFolder);
    CWorkingFolders::EmptyTempFolder(m_session.tempFolder);
    emit modifiedChanged(false);
    emit currentPhotoChanged(-1);
    UpdateArrows();
    update();
}

void CMainDlg::RebuildFromProduct()
{
    m_canvas->Clear();
    m_strip->RemoveAll();
    m_product.currentPhoto = -1;
    for (int i = 0; i < m_product.Count(); ++i) {
        const CImgFile *photo = m_product.PhotoAt(i);
        m_strip->InsertItem(i, photo->thumbnail);
        m_strip->SetMarked(i, CProduct::IsMeasured(*photo));
    }
    SetModified(false);
    emit currentPhotoChanged(-1);
    m_strip->SelectFirst();
    UpdateArrows();
    update();
}

void CMainDlg::AddPhotos()
{
    if (m_product.state == CProduct::NoProduct) {
        // A photograph always belongs to a product: start one, then ask for the files.
        if (!NewProduct())
            return;
    }
    QStringList files;
    if (m_seams.choosePhotoFiles) {
        files = m_seams.choosePhotoFiles(this);
    } else {
        files = QFileDialog::getOpenFileNames(this, QString(), QString(),
                                              QString::fromUtf8(PhotoFilter));
    }
    if (!files.isEmpty())
        AddPhotoFiles(files);
}

int CMainDlg::AddPhotoFiles(const QStringList &paths)
{
    if (paths.isEmpty())
        return 0;
    if (m_product.state == CProduct::NoProduct && !NewProduct())
        return 0;
    const bool hadPhotos = m_product.Count() > 0;
    if (m_importing)
        return 0;
    CPhotoImport::Result imported = [&] {
        m_importing = true;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        auto result = CPhotoImport::Run(paths, m_session.tempFolder, this);
        QGuiApplication::restoreOverrideCursor();
        m_importing = false;
        return result;
    }();
    int added = 0;
    QStringList failed = imported.failed;
    for (auto &photo : imported.photos) {
        if (!m_strip->InsertItem(m_strip->ItemCount(), photo->thumbnail)) {
            QFile::remove(photo->workingPath);
            failed.append(photo->sourcePath);
            continue;
        }
        m_product.AppendPhoto(photo.release());
        ++added;
    }
    if (added > 0)
        NoteEdit();
    if (!hadPhotos && m_product.Count() > 0)
        m_strip->SelectFirst();
    UpdateArrows();
    update();
    if (!failed.isEmpty()) {
        QStringList names;
        for (const QString &path : failed)
            names.append(QDir::toNativeSeparators(path));
        qCWarning(lcMainWnd) << "not added:" << names;
        ShowMessage(QString::fromUtf8(kNotAddedMessage) + QLatin1Char('\n')
                    + names.join(QLatin1Char('\n')));
    }
    return added;
}

bool CMainDlg::DeletePhoto()
{
    const int index = m_product.currentPhoto;
    if (m_product.state == CProduct::NoProduct || index < 0)
        return false;
    m_strip->RemoveItem(index);
    m_product.currentPhoto = -1;
    m_canvas->Clear();
    if (m_colourPopup)
        m_colourPopup->ResetSliders();
    CImgFile *photo = m_product.RemovePhotoAt(index);
    QFile::remove(photo->workingPath);
    delete photo;
    NoteEdit();
    emit currentPhotoChanged(-1);
    UpdateArrows();
    update();
    return true;
}

bool CMainDlg::WriteBack(WriteBackMode mode)
{
    const int index = m_product.currentPhoto;
    if (index < 0)
        return true;
    CImgFile *photo = m_product.PhotoAt(index);
    // Only the photograph the canvas really holds: after a failed load the canvas may hold
    // nothing, and its empty annotation list must never replace the photo's.
    if (!m_canvas->HasImage() || m_canvas->GetImagePath() != photo->workingPath)
        return true;
    m_canvas->EndEdit(); // text typed into an open text box belongs to the photo
    if (mode == WriteBackForMeasure && !m_canvas->IsModified())
        return true;
    CDrMgr::CopyList(m_canvas->GetAnnotations(), photo->annotations);
    // Each save of a JPEG loses a little: the picture is written only when its pixels changed.
    if (m_canvas->PixelsModified()) {
        if (!m_canvas->SaveWorkingImage(photo->workingPath)) {
            qCWarning(lcMainWnd) << "cannot write the working copy" << photo->workingPath;
            ShowMessage(QString::fromUtf8(kSaveFailedMessage));
            return false;
        }
        if (mode == WriteBackForSave)
            photo->timeStamp = QDateTime::currentDateTime();
    }
    if (mode != WriteBackForSwitch)
        m_canvas->ClearModified();
    return true;
}

bool CMainDlg::LoadPhotoIntoCanvas(int index, bool keepRealSize)
{
    CImgFile *photo = m_product.PhotoAt(index);
    if (!m_canvas->LoadImage(photo->workingPath))
        return false;
    if (m_colourPopup)
        m_colourPopup->ResetSliders(); // the canvas starts every photo unadjusted
    m_canvas->SetAnnotations(photo->annotations);
    const double scale = photo->ImagePixelPerMilli;
    if (!(keepRealSize && IsCalibrated(m_calibration) && m_canvas->ShowRealSize(scale)))
        m_canvas->ShowFit();
    return true;
}

bool CMainDlg::SelectPhoto(int index)
{
    if (m_importing)
        return false;
    if (index == m_product.currentPhoto)
        return index >= 0;
    if (index < 0 || index >= m_product.Count())
        return false;
    const int previous = m_product.currentPhoto;
    if (previous >= 0 && !WriteBack(WriteBackForSwitch))
        return false;
    const bool realSize = m_canvas->GetViewMode() == CVmEditCtrl::ViewRealSize;
    if (!LoadPhotoIntoCanvas(index, realSize)) {
        qCWarning(lcMainWnd) << "cannot load" << m_product.PhotoAt(index)->workingPath;
        // The canvas never stays empty while the strip marks a photo current: the previous one
        // comes back (its edits were written back above).
        if (previous < 0 || !LoadPhotoIntoCanvas(previous, realSize)) {
            m_product.currentPhoto = -1;
            m_strip->SetSelection(-1);
            emit currentPhotoChanged(-1);
        }
        ShowMessage(QString::fromUtf8(kLoadFailedMessage));
        update();
        return false;
    }
    m_product.currentPhoto = index;
    m_strip->SetSelection(index);
    emit currentPhotoChanged(index);
    emit selectionShown(nullptr);
    if (!m_zoomSlider->IsDragging())
        m_zoomSlider->SetZoom(m_canvas->GetZoom());
    UpdateViewButtons();
    update();
    return true;
}

bool CMainDlg::ApplyOrder(const std::vector<int> &order)
{
    if (!m_product.photos.IsPermutation(order))
        return false;
    const int count = m_product.Count();
    if (m_product.currentPhoto >= 0 && !WriteBack(WriteBackForSwitch))
        return false;
    m_product.currentPhoto = -1;
    m_canvas->Clear();
    m_product.photos.Reorder(order);
    m_strip->Reorder(order);
    m_strip->SetSelection(-1);
    NoteEdit();
    if (count > 0)
        SelectPhoto(0);
    UpdateArrows();
    update();
    return true;
}

bool CMainDlg::ApplyMeasurement(QPointF start, QPointF end, double typedLength, int unit)
{
    const int index = m_product.currentPhoto;
    if (index < 0)
        return false;
    CImgFile *photo = m_product.PhotoAt(index);
    if (!CMeasurement::ApplyMeasurement(*photo, start, end, typedLength, unit))
        return false;
    if (m_canvas->GetViewMode() == CVmEditCtrl::ViewRealSize)
        m_canvas->ShowRealSize(photo->ImagePixelPerMilli);
    m_strip->SetMarked(index, true);
    m_strip->update();
    NoteEdit();
    return true;
}

void CMainDlg::SetHeader(const CItemInfo &header)
{
    m_product.header = header;
    NoteEdit();
}

void CMainDlg::SetColour(int brightness, int contrast)
{
    if (!m_canvas->HasImage())
        return;
    m_canvas->SetColour(brightness, contrast);
}

void CMainDlg::PreviewColour(int brightness, int contrast)
{
    if (m_canvas->HasImage())
        m_canvas->PreviewColour(brightness, contrast);
}

void CMainDlg::OnColourCancelled(int brightness, int contrast)
{
    SetColour(brightness, contrast);
    // Back where it opened: the flag too, unless something else changed meanwhile.
    if (!m_modifiedWhenColourOpened && m_edits == m_editsWhenColourOpened
        && m_product.currentPhoto == m_photoWhenColourOpened
        && m_canvas->GetBrightness() == brightness && m_canvas->GetContrast() == contrast
        && !m_canvas->PixelsModified())
        SetModified(false);
}

void CMainDlg::ToggleColourPopup()
{
    if (m_colourPopup && m_colourPopup->isVisible()) {
        m_colourPopup->hide();
        return;
    }
    if (!m_colourPopup) {
        if (!m_canvas->HasImage())
            return;
        m_colourPopup = new CEffectDlg(this);
        connect(m_colourPopup, &CEffectDlg::colourPreview, this, &CMainDlg::PreviewColour);
        connect(m_colourPopup, &CEffectDlg::colourChanged, this, &CMainDlg::SetColour);
        connect(m_colourPopup, &CEffectDlg::applied, this,
                [this] { SheetResult(ResultHideColour, 1); });
        connect(m_colourPopup, &CEffectDlg::cancelled, this, &CMainDlg::OnColourCancelled);
    }
    m_modifiedWhenColourOpened = m_product.modified;
    m_editsWhenColourOpened = m_edits;
    m_photoWhenColourOpened = m_product.currentPhoto;
    m_colourPopup->SetValues(m_canvas->GetBrightness(), m_canvas->GetContrast());
    m_colourPopup->RememberOpeningValues();
    m_colourPopup->EnsureInitialised();
    QRect frame = m_colourPopup->geometry();
    frame.moveCenter(mapToGlobal(rect().center()));
    m_colourPopup->move(frame.topLeft());
    m_colourPopup->show();
    m_colourPopup->raise();
}

// ---- children's notifications ----

void CMainDlg::OnSelectionChanged()
{
    // Queued: the object the signal named may be gone; the canvas knows what is selected now.
    emit selectionShown(m_canvas->GetSelection());
}

void CMainDlg::OnCropFinished(bool applied, const QRect &cropRect)
{
    const int index = m_product.currentPhoto;
    if (applied && index >= 0
        && m_canvas->GetImagePath() == m_product.PhotoAt(index)->workingPath) {
        // The measuring line keeps pointing at the same feature of the cropped picture.
        CImgFile *photo = m_product.PhotoAt(index);
        if (CProduct::IsMeasured(*photo)) {
            photo->MeasureX1 -= cropRect.left();
            photo->MeasureX2 -= cropRect.left();
            photo->MeasureY1 -= cropRect.top();
            photo->MeasureY2 -= cropRect.top();
        }
        m_strip->ReplaceImage(index, m_canvas->GetWorkingImage());
    }
    if (m_canvas->HasImage())
        m_canvas->SetTool(CVmEditCtrl::ToolSelect);
    UpdateViewButtons();
}

void CMainDlg::OnZoomSlider(int)
{
    if (m_canvas->HasImage())
        m_canvas->SetZoom(m_zoomSlider->GetZoom());
    update(PercentRect);
}

void CMainDlg::OnViewChanged()
{
    if (!m_zoomSlider->IsDragging())
        m_zoomSlider->SetZoom(m_canvas->GetZoom());
    UpdateViewButtons();
    update(PercentRect);
}

// ---- sheets ----

bool CMainDlg::ToggleSheet(SheetKind kind)
{
    const SheetKind open = m_sheet ? m_sheetKind : SheetNone;
    CloseSheet();
    if (open == kind || !m_seams.createSheet)
        return false;
    CVmSheetDlg *sheet = m_seams.createSheet(kind, *this);
    if (!sheet)
        return false;
    sheet->setParent(this, Qt::Widget);
    m_sheet = sheet;
    m_sheetKind = kind;
    // A sheet that deletes itself still gives the work area back.
    connect(sheet, &QObject::destroyed, this, [this] {
        if (!m_sheet && m_sheetKind != SheetNone) {
            m_sheetKind = SheetNone;
            SetWorkControlsVisible(true);
        }
    });
    SetWorkControlsVisible(false);
    sheet->setGeometry(SheetArea(size()));
    sheet->show();
    return true;
}

void CMainDlg::CloseSheet()
{
    if (!m_sheet) {
        m_sheetKind = SheetNone;
        return;
    }
    CVmSheetDlg *sheet = m_sheet;
    m_sheet = nullptr;
    m_sheetKind = SheetNone;
    sheet->hide();
    sheet->disconnect(this); // its later destruction is no news to the window
    // Not deleted here: a sheet may end itself from one of its own handlers.
    sheet->deleteLater();
    SetWorkControlsVisible(true);
}

void CMainDlg::SheetResult(int code, int value)
{
    switch (code) {
    case ResultMeasureClosed:
    case ResultCalibrationClosed:
    case ResultImageOrderClosed:
    case ResultCloseSheet:
        // The sheets apply what they produced through the edits above before they end.
        Q_UNUSED(value);
        CloseSheet();
        if (code == ResultMeasureClosed || code == ResultCalibrationClosed)
            m_strip->update();
        break;
    case ResultHideColour:
        if (m_colourPopup)
            m_colourPopup->hide();
        break;
    case ResultHidePropertyPanel:
    case ResultCloseComment:
        emit popupCloseRequested(code);
        break;
    default:
        break;
    }
}

void CMainDlg::SetCalibration(const ScreenCalibration &calibration)
{
    m_calibration = calibration;
    if (m_seams.saveCalibration)
        m_seams.saveCalibration(calibration);
    m_canvas->SetScreenCalibration(calibration.PixelPerMilliX, calibration.PixelPerMilliY);
    if (!IsCalibrated(calibration) && m_canvas->GetViewMode() == CVmEditCtrl::ViewRealSize)
        m_canvas->ShowFit();
    UpdateViewButtons();
}

// ---- window ----

bool CMainDlg::AskYesNo(const QString &question)
{
    if (m_seams.askYesNo)
        return m_seams.askYesNo(this, question);
    return QMessageBox::question(this, QStringLiteral("VmEditor"), question,
                                 QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

void CMainDlg::ShowMessage(const QString &text)
{
    if (m_seams.showMessage) {
        m_seams.showMessage(this, text);
        return;
    }
    QMessageBox::information(this, QStringLiteral("VmEditor"), text);
}

void CMainDlg::closeEvent(QCloseEvent *event)
{
    if (m_importing) {
        event->ignore();
        return;
    }
    // Closing is the one way out that would lose a modified product without a word.
    if (!ConfirmDiscard()) {
        event->ignore();
        return;
    }
    event->accept();
    done(1);
}

void CMainDlg::done(int result)
{
    if (!m_cleanedUp) {
        m_cleanedUp = true;
        CloseSheet();
        if (m_colourPopup)
            m_colourPopup->hide();
        m_canvas->Clear();
        CWorkingFolders::EmptyTempFolder(m_session.tempFolder);
        CWorkingFolders::EmptyDownFolder(m_session.downFolder);
    }
    QDialog::done(result);
}

void CMainDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // swallowed: Escape never closes the editor
        return;
    }
    if (m_sheet || m_importing) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Delete:
        m_canvas->DeleteSelection();
        event->accept();
        return;
    case Qt::Key_PageUp:
        if (m_product.currentPhoto > 0)
            SelectPhoto(m_product.currentPhoto - 1);
        event->accept();
        return;
    case Qt::Key_PageDown:
        if (m_product.currentPhoto + 1 < m_product.Count())
            SelectPhoto(m_product.currentPhoto + 1);
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CMainDlg::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    const bool grip = GripRect(size()).contains(at) && !isMaximized();
    if (!grip && !IsCaptionPoint(at))
        return;
    // The window system moves and resizes when it can (Wayland allows nothing else); where it
    // cannot (the offscreen platform), the window follows the mouse itself.
    QWindow *window = windowHandle();
    if (grip) {
        if (window && window->startSystemResize(Qt::BottomEdge | Qt::RightEdge))
            return;
        m_drag = Drag::Resize;
    } else {
        if (window && window->startSystemMove())
            return;
        m_drag = Drag::Move;
    }
    m_dragOrigin = event->globalPosition().toPoint();
    m_dragStartGeometry = geometry();
}

void CMainDlg::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    setCursor(GripRect(size()).contains(at) ? Qt::SizeFDiagCursor : Qt::ArrowCursor);
    if (m_drag == Drag::None)
        return;
    const QPoint delta = event->globalPosition().toPoint() - m_dragOrigin;
    if (m_drag == Drag::Move) {
        move(m_dragStartGeometry.topLeft() + delta);
    } else {
        const QSize wanted
            = (m_dragStartGeometry.size() + QSize(delta.x(), delta.y())).expandedTo(minimumSize());
        resize(wanted);
    }
}

void CMainDlg::mouseReleaseEvent(QMouseEvent *)
{
    m_drag = Drag::None;
}

QStringList CMainDlg::ImageFilesIn(const QList<QUrl> &urls)
{
    QStringList files;
    for (const QUrl &url : urls) {
        if (url.isLocalFile() && IsImageFileName(url.toLocalFile()))
            files.append(url.toLocalFile());
    }
    return files;
}

void CMainDlg::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_sheet && !m_importing && event->mimeData()->hasUrls()
        && !ImageFilesIn(event->mimeData()->urls()).isEmpty())
        event->acceptProposedAction();
}

void CMainDlg::dropEvent(QDropEvent *event)
{
    const QStringList files = ImageFilesIn(event->mimeData()->urls());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // Added after the drop returns, so the program the files came from is not kept waiting.
    QMetaObject::invokeMethod(
        this, [this, files] { AddPhotoFiles(files); }, Qt::QueuedConnection);
}
