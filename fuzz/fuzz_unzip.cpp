// Fuzzes the archive reader on memory: open, walk every entry in and out of order, inflate
// each into a counting sink, and extract everything into a scratch folder whose surroundings
// must stay empty. Any overrun, undefined behaviour or escape from the folder aborts.
#include "UbUnzip.h"
#include "ZipFormat.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_unzip: %s\n", what);
        std::abort();
    }
}

struct Scratch
{
    QTemporaryDir root;
    QString out;
    Scratch()
    {
        Check(root.isValid(), "no scratch folder");
        out = root.filePath("out");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Scratch scratch;
    CUbUnzip unzip;
    if (!unzip.OpenMemory(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))))
        return 0;
    ZipItem count;
    Check(unzip.GetItem(-1, count), "count request failed on an open archive");
    const int entries = std::min(count.index, 64);
    for (int pass = 0; pass < 2; ++pass) {
        for (int k = 0; k < entries; ++k) {
            const int i = pass == 0 ? k : entries - 1 - k;
            ZipItem item;
            if (unzip.GetItem(i, item)) {
                Check(item.index == i, "wrong index");
                Check(item.name.size() <= ZipFormat::kMaxNameBytes, "name over the limit");
                QStringList parts;
                if (ZipFormat::SplitRelativePath(item.name, parts)) {
                    for (const QString &part : parts)
                        Check(part != QLatin1String("..") && !part.contains(QLatin1Char('/'))
                                  && !part.contains(QLatin1Char('\\')) && !part.isEmpty(),
                              "unsafe path component");
                }
            }
            if (pass == 1)
                continue;
            int64_t produced = 0;
            const int rc = unzip.ExtractToSink(i, [&](const char *, int n) {
                Check(n > 0 && n <= ZipFormat::kBufferSize, "piece size");
                produced += n;
                return true;
            });
            // A directory entry yields nothing, whatever size it declares.
            if (rc == 0 && produced > 0)
                Check(produced == item.size, "extracted size differs from the declared size");
            Check(produced <= int64_t(item.size), "more data than declared");
        }
    }

    // Extraction for real: nothing may appear beside the target folder.
    QDir().mkpath(scratch.out);
    unzip.ExtractAll(scratch.out);
    const QStringList beside
        = QDir(scratch.root.path())
              .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    Check(beside == QStringList {QStringLiteral("out")}, "a file escaped the target folder");
    QDir(scratch.out).removeRecursively();
    return 0;
}
