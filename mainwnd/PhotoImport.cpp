#include "PhotoImport.h"

#include "WorkingFolders.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QtConcurrent/QtConcurrentMap>

#include <numeric>

CPhotoImport::Result CPhotoImport::Run(const QStringList &paths, const QString &tempFolder,
                                       QWidget *parent)
{
    Result result;
    if (paths.isEmpty())
        return result;
    QDir().mkpath(tempFolder);
    QStringList copyNames;
    for (const QString &path : paths)
        copyNames.append(
            CWorkingFolders::UniqueName(tempFolder, QFileInfo(path).fileName(), copyNames));

    // Each job fills only its own element, so `made` needs no lock.
    std::vector<std::unique_ptr<CImgFile>> made(static_cast<size_t>(paths.size()));
    std::vector<int> indices(made.size());
    std::iota(indices.begin(), indices.end(), 0);
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    std::unique_ptr<QProgressDialog> progress;
    if (parent) {
        progress = std::make_unique<QProgressDialog>(
            QString::fromUtf8("사진을 추가하는 중입니다..."), QString::fromUtf8("취소"), 0,
            int(paths.size()), parent);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(ProgressDelayMs);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        QObject::connect(&watcher, &QFutureWatcher<void>::progressValueChanged, progress.get(),
                         &QProgressDialog::setValue);
        QObject::connect(progress.get(), &QProgressDialog::canceled, &watcher,
                         &QFutureWatcher<void>::cancel);
    }
    watcher.setFuture(QtConcurrent::map(indices, [&](int i) {
        const auto at = static_cast<size_t>(i);
        made[at] = CWorkingFolders::MakePhotoFromFile(paths.at(i), tempFolder, copyNames.at(i),
                                                      QDateTime::currentDateTime());
    }));
    if (progress)
        progress->setValue(0); // starts the dialog's delay
    if (!watcher.isFinished())
        loop.exec();
    watcher.waitForFinished();

    if (watcher.isCanceled()) {
        // A cancelled step changes nothing: the copies already made go again.
        for (const auto &photo : made) {
            if (photo)
                QFile::remove(photo->workingPath);
        }
        result.cancelled = true;
        return result;
    }
    for (size_t i = 0; i < made.size(); ++i) {
        if (made[i])
            result.photos.push_back(std::move(made[i]));
        else
            result.failed.append(paths.at(qsizetype(i)));
    }
    return result;
}
