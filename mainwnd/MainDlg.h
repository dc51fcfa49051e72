#pragma once

#include "MainSession.h"
#include "MeasureSizeArray.h"
#include "Product.h"
#include "ScreenCalibration.h"
#include "VmSheetDlg.h"

#include <QDialog>
#include <QHash>
#include <QPointer>

#include <vector>

class CDrComment;
class CDrObject;
class CEffectDlg;
class CUbImgButton;
class CVmEditCtrl;
class CVmThumbnailCtrl;
class CZoomSliderCtrl;

// The editor window: the one open product, the editing canvas, the thumbnail strip, the zoom
// slider and the command buttons of a frameless skinned window. Every change of the product goes
// through the operations under "Edits" (photographs added, deleted, reordered; canvas edits;
// measurements; the header), which set the modified flag; later features (undo) wrap them there.
//
// Children talk to the window through typed signals: the canvas's selection and crop signals and
// the zoom slider's notifications are connected queued, as posted messages would be; sheets and
// popups end through SheetResult with the codes below.
class CMainDlg : public QDialog
{
    Q_OBJECT
public:
    // What a sheet is: the template number it is known by.
    enum SheetKind {
        SheetNone = 0,
        SheetMeasure = 103,
        SheetCalibration = 167,
        SheetImageOrder = 168,
        SheetPrint = 262,
    };
    // Result codes sheets and popups hand to SheetResult.
    enum ResultCode {
        ResultMeasureClosed = 1,
        ResultCalibrationClosed = 2,
        ResultImageOrderClosed = 3,
        ResultCloseSheet = 4,
        ResultHidePropertyPanel = 5,
        ResultHideColour = 6,
        ResultCloseComment = 7,
    };
    // How much of the canvas goes back into the current photograph.
    enum WriteBackMode {
        WriteBackForSave, // annotations, changed pixels, a new time stamp
        WriteBackForSwitch, // annotations and changed pixels
        WriteBackForMeasure, // only when something changed, then the canvas counts as saved
    };

    static constexpr int ZoomSliderId = 2003;
    static const char *const NewQuestion; // "discard modified data?"
    static const char *const SetCardSizeMessage;
    static const char *const EnterRealSizeMessage;
    static const char *const PhotoFilter;

    explicit CMainDlg(MainSession session, MainWindowSeams seams = {}, QWidget *parent = nullptr);
    ~CMainDlg() override;

    // Runs a command by its id (buttons, keyboard, tests).
    void RunCommand(int id);

    // ---- Edits: the one place the product changes ----
    // Asks for files (command 1015) and adds them; with no product, starts one first.
    void AddPhotos();
    // Adds the files in the given order; returns how many were added. Files that cannot be read
    // are named together in one message.
    int AddPhotoFiles(const QStringList &paths);
    // Deletes the current photograph with its working copy and annotations.
    bool DeletePhoto();
    // Makes photo `index` current: writes the canvas back into the previous one and loads this
    // one. False when it cannot be shown (the previous photo stays current).
    bool SelectPhoto(int index);
    // Writes the canvas into the current photo; false when a changed picture could not be saved.
    bool WriteBack(WriteBackMode mode);
    // order[n] is the old index of the photo that goes to position n; false (nothing changed)
    // unless it names every photo exactly once.
    bool ApplyOrder(const std::vector<int> &order);
    // A measuring line and the length typed for it, in the current photo.
    bool ApplyMeasurement(QPointF start, QPointF end, double typedLength, int unit);
    // The text of a comment of the current photo.
    bool SetCommentText(CDrComment *comment, const QString &text);
    // Replaces the product's header (item information).
    void SetHeader(const CItemInfo &header);
    // Starts a new product: asks about unsaved changes, asks for the header, empties everything.
    // False when the user stopped it.
    bool NewProduct();
    // Brightness and contrast of the current photo: final values, or a quick preview while a
    // slider is dragged.
    void SetColour(int brightness, int contrast);
    void PreviewColour(int brightness, int contrast);

    // ---- Sheets ----
    // A sheet or popup ended (code from ResultCode, value non-zero for OK).
    void SheetResult(int code, int value);
    bool ToggleSheet(SheetKind kind);
    void CloseSheet();
    CVmSheetDlg *Sheet() const { return m_sheet; }
    SheetKind CurrentSheetKind() const { return m_sheetKind; }

    // ---- State ----
    CProduct &Product() { return m_product; }
    const MainSession &Session() const { return m_session; }
    ScreenCalibration Calibration() const { return m_calibration; }
    // Stores and applies a new screen calibration (the settings command and the card sheet).
    void SetCalibration(const ScreenCalibration &calibration);
    CMeasureSizeArray &LengthHistory() { return m_lengthHistory; }
    int CurrentPhoto() const { return m_product.currentPhoto; }
    bool IsModified() const { return m_product.modified; }

    CVmEditCtrl *Canvas() const { return m_canvas; }
    CVmThumbnailCtrl *Strip() const { return m_strip; }
    CZoomSliderCtrl *ZoomSlider() const { return m_zoomSlider; }
    CEffectDlg *ColourPopup() const { return m_colourPopup; }
    CUbImgButton *Button(int id) const { return m_buttons.value(id); }
    // The texts drawn in the frame (for tests): the photo counter and the zoom percentage.
    QString CounterText() const;
    QString PercentText() const;

signals:
    void modifiedChanged(bool modified);
    void currentPhotoChanged(int index);
    // The canvas's selection as the property panels should show it (null for none).
    void selectionShown(CDrObject *object);
    // A popup of a later feature should close (ResultHidePropertyPanel, ResultCloseComment).
    void popupCloseRequested(int code);

public slots:
    void done(int result) override;
    void reject() override { } // Escape never closes the editor

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void CreateButtons();
    void CreateShortcuts();
    void LayoutChildren();
    void SetWorkControlsVisible(bool visible);
    void UpdateArrows();
    void UpdateViewButtons();
    void SetModified(bool modified);
    // Every edit of the product passes here: it counts the edit and sets the modified flag.
    void NoteEdit();
    void RebuildFromProduct();
    bool IsBusy() const { return m_importing; }
    void ClearProduct();
    bool ConfirmDiscard();
    void ShowRealSize();
    void ToggleColourPopup();
    void ToggleCrop();
    void NewComment();
    void EditComment(CDrComment *comment);
    void ShowCanvasMenu(const QPoint &globalPos);
    void EditDetails();
    void Logout();
    void OnCanvasEdited(int kind);
    void OnCropFinished(bool applied, const QRect &cropRect);
    void OnSelectionChanged();
    void OnZoomSlider(int code);
    void OnViewChanged();
    void OnColourCancelled(int brightness, int contrast);
    bool AskYesNo(const QString &question);
    void ShowMessage(const QString &text);
    bool LoadPhotoIntoCanvas(int index, bool keepRealSize);
    static QStringList ImageFilesIn(const QList<QUrl> &urls);

    MainSession m_session;
    MainWindowSeams m_seams;
    CProduct m_product;
    ScreenCalibration m_calibration;
    CMeasureSizeArray m_lengthHistory;
    CVmEditCtrl *m_canvas = nullptr;
    CVmThumbnailCtrl *m_strip = nullptr;
    CZoomSliderCtrl *m_zoomSlider = nullptr;
    QHash<int, CUbImgButton *> m_buttons;
    QPointer<CVmSheetDlg> m_sheet;
    SheetKind m_sheetKind = SheetNone;
    CEffectDlg *m_colourPopup = nullptr;
    // The colour popup's Cancel puts back the modified flag it found when it opened.
    bool m_modifiedWhenColourOpened = false;
    quint64 m_editsWhenColourOpened = 0;
    int m_photoWhenColourOpened = -1;
    quint64 m_edits = 0;
    // While photographs are being added the window takes no other command.
    bool m_importing = false;
    // A frameless window moves and resizes itself where the window system cannot.
    enum class Drag { None, Move, Resize };
    Drag m_drag = Drag::None;
    QPoint m_dragOrigin;
    QRect m_dragStartGeometry;
    bool m_cleanedUp = false;
};
