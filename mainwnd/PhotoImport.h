#pragma once

#include "ImgFile.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QWidget;

// Adding photographs from disk: each file is copied into the temporary folder and its thumbnail
// made from the copy. Decoding large photographs takes time, so the files are worked on by the
// thread pool while the caller's window stays responsive; a progress dialog with Cancel appears
// when the work lasts longer than half a second.
class CPhotoImport
{
public:
    struct Result
    {
        std::vector<std::unique_ptr<CImgFile>> photos; // in the order the files were given
        QStringList failed; // files that could not be copied or decoded
        bool cancelled = false; // then photos is empty and no copy is left behind
    };

    // Copy names are chosen before any work starts (see CWorkingFolders::UniqueName), so two
    // files of the same name from different folders are both added. `parent` hosts the progress
    // dialog; null runs without one.
    static Result Run(const QStringList &paths, const QString &tempFolder, QWidget *parent);

    // The time the progress dialog waits before it shows.
    static constexpr int ProgressDelayMs = 500;
};
