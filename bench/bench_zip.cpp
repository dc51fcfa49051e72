// Archive writing and extraction against Info-ZIP on the member files of a package of ten
// 12-megapixel photographs (about 4 MB each, mostly incompressible like JPEG data).
#include "BenchHarness.h"
#include "UbUnzip.h"
#include "UbZip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>

namespace {

QByteArray PhotoLikeBytes(int index)
{
    // JPEG entropy-coded data barely compresses; headers and tables do a little.
    QRandomGenerator random(quint32(1000 + index));
    QByteArray bytes(3900 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); i += 4) {
        const quint32 v = random.generate();
        std::memcpy(bytes.data() + i, &v, 4);
    }
    QByteArray text;
    while (text.size() < 200 * 1024)
        text += "EXIF and marker segment filler, quantisation and Huffman tables ";
    return text + bytes;
}

// Best of several rounds, each timing ours and then the reference once, so that both see the
// same load on a busy machine. A failed reference gives -1.
void Alternate(const std::function<void()> &ours, const QString &shellCommand, bool haveTool,
               int rounds, double &oursMs, double &referenceMs)
{
    oursMs = std::numeric_limits<double>::max();
    referenceMs = haveTool ? std::numeric_limits<double>::max() : -1;
    for (int i = 0; i < rounds; ++i) {
        oursMs = std::min(oursMs, BenchHarness::BestMs(ours, 1));
        if (referenceMs < 0)
            continue;
        const double ms = BenchHarness::BestCommandMs("sh", {"-c", shellCommand}, 1);
        referenceMs = ms < 0 ? -1 : std::min(referenceMs, ms);
    }
}

QString ShellQuote(const QString &s)
{
    QString out = s;
    out.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    QStringList members;
    for (int i = 1; i <= 10; ++i) {
        const QString path
            = dir.filePath(QStringLiteral("100_%1.vmi").arg(i, 4, 10, QLatin1Char('0')));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(PhotoLikeBytes(i)) < 0)
            return 1;
        members << path;
    }
    const QString ours = dir.filePath("ours.zip");
    const QString theirs = dir.filePath("theirs.zip");
    const int rounds = 5;

    bool ok = true;
    QString zipCommand = QStringLiteral("rm -f %1 && zip -8 -q -j %1").arg(ShellQuote(theirs));
    for (const QString &m : members)
        zipCommand += QLatin1Char(' ') + ShellQuote(m);
    double writeMs = 0, zipMs = 0;
    Alternate(
        [&] {
            CUbZip zip;
            ok = ok && zip.Create(ours);
            for (const QString &m : members)
                ok = ok && zip.AddFile(QFileInfo(m).fileName(), m);
            ok = ok && zip.Close();
        },
        zipCommand, !QStandardPaths::findExecutable("zip").isEmpty(), rounds, writeMs, zipMs);
    if (!ok) {
        std::fprintf(stderr, "bench_zip: writing the archive failed\n");
        return 1;
    }
    std::printf("archive sizes: ours %lld bytes, zip -8 %lld bytes\n",
                qlonglong(QFileInfo(ours).size()), qlonglong(QFileInfo(theirs).size()));
    BenchHarness::Report("archive 10 x 4 MB (CUbZip vs zip -8 -q)", writeMs, zipMs, 1.1);

    // Both extract the writer's archive into a fresh folder each time.
    const QString fresh = dir.filePath("fresh");
    const QString unzipCommand = QStringLiteral("rm -rf %1 && mkdir %1 && unzip -q -o %2 -d %1")
                                     .arg(ShellQuote(fresh), ShellQuote(ours));
    double extractMs = 0, unzipMs = 0;
    Alternate(
        [&] {
            QDir(fresh).removeRecursively();
            QDir().mkpath(fresh);
            CUbUnzip unzip;
            ok = ok && unzip.Open(ours) && unzip.ExtractAll(fresh);
        },
        unzipCommand, !QStandardPaths::findExecutable("unzip").isEmpty(), rounds, extractMs,
        unzipMs);
    if (!ok) {
        std::fprintf(stderr, "bench_zip: extracting the archive failed\n");
        return 1;
    }
    BenchHarness::Report("extract 10 x 4 MB (CUbUnzip vs unzip -q -o)", extractMs, unzipMs, 1.1);
    return 0;
}
