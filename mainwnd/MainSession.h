#pragma once

#include "ScreenCalibration.h"

#include <QString>
#include <QStringList>

#include <functional>

class CItemInfo;
class CMainDlg;
class CProduct;
class CVmSheetDlg;
class QWidget;

// Who is signed in and where the main window works. Built by the application after the login;
// the main window reads nothing else from above.
struct MainSession
{
    QString userId;
    QString pnsCd; // partner code from the login answer
    QString loginKey; // the service key
    QString serviceHost;
    QString tempFolder; // working copies live here
    QString downFolder; // downloaded packages are unpacked here
};

// The calls the main window makes beyond its own widgets. Every member may stay empty: an empty
// member does what MainWindowSeams documents as its default (nothing, cancel, or the plain Qt
// dialog), so later features plug in here without touching the command dispatch.
struct MainWindowSeams
{
    // --- the application above ---
    // Logging out; true when the user confirmed and the window should end. Default: nothing.
    std::function<bool(QWidget *window)> logout;
    // The saved screen calibration and its storage. Default: uncalibrated, not stored.
    std::function<ScreenCalibration()> loadCalibration;
    std::function<bool(const ScreenCalibration &)> saveCalibration;

    // --- questions and messages (tests answer them) ---
    // Yes/No question; true only for Yes. Default: a message box.
    std::function<bool(QWidget *window, const QString &question)> askYesNo;
    // A message with an OK button. Default: a message box.
    std::function<void(QWidget *window, const QString &text)> showMessage;
    // The photographs to add, in the order the user chose them; empty on cancel. Default: the
    // file dialog with the image filter and multiple selection.
    std::function<QStringList(QWidget *window)> choosePhotoFiles;

    // The text of a comment pinned on the photo; true on OK with the new text. Default: a plain
    // multi-line text prompt (the comment panel replaces it).
    std::function<bool(QWidget *window, QString &text)> editCommentText;

    // --- product flows and dialogs of later features ---
    // The item information dialog on a copy of the header; true on OK. Default: accept the header
    // as it is, so a new product can be started before that dialog exists.
    std::function<bool(QWidget *window, CItemInfo &header)> editItemInfo;
    // Open, save and preview of a product through the service. Default: nothing (false).
    std::function<bool(QWidget *window, CProduct &product)> openProduct;
    std::function<bool(QWidget *window, CProduct &product)> saveProduct;
    std::function<void(QWidget *window, CProduct &product)> preview;
    // The share dialog for a saved product. Default: nothing.
    std::function<void(QWidget *window, CProduct &product)> share;
    // The monitor/card calibration run modally from the settings command: true on OK with the
    // new calibration in the argument. Default: cancel.
    std::function<bool(QWidget *window, ScreenCalibration &calibration)> runCalibrationDialog;

    // --- sheets laid over the work area (measuring, calibration, image order, printing) ---
    // Creates the sheet of a kind (CMainDlg::SheetKind) as a child of the window; null when that
    // sheet does not exist yet (the command then does nothing). The sheet reports its end through
    // CMainDlg::SheetResult; the window places, shows and destroys it.
    std::function<CVmSheetDlg *(int sheetKind, CMainDlg &window)> createSheet;
};
