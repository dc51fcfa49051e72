#include "UbRegConfig.h"

#include "VmReg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

#include <charconv>
#include <cmath>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Makes sure the settings file exists with owner-only access before anything is written into
// it, so the saved password is never readable by others, not even for a moment.
void PrepareOwnerOnlyFile(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (info.exists()) {
        if (info.isFile() && info.permissions() != kOwnerOnly)
            QFile::setPermissions(fileName, kOwnerOnly);
        return;
    }
    QDir().mkpath(info.absolutePath());
    const int fd
        = ::open(QFile::encodeName(fileName).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

} // namespace

double ParseDecimalC(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    const char *p = bytes.constData();
    const char *end = p + bytes.size();
    while (p < end
           && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r'))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // from_chars would accept a second sign; atof does not.
    if (p < end && (*p == '+' || *p == '-'))
        return 0.0;
    double value = 0.0;
    const auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec != std::errc())
        return 0.0;
    return negative ? -value : value;
}

CUbRegConfig::CUbRegConfig() = default;

CUbRegConfig::~CUbRegConfig()
{
    Close();
}

bool CUbRegConfig::Open(const QString &keyPath, bool create)
{
    Close();
    m_keyPath = keyPath;

    QStringList parts
        = keyPath.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
    if (parts.size() < 3 || parts.at(0).compare(QLatin1String("SOFTWARE"), Qt::CaseInsensitive))
        return false;
    const QString organisation = parts.at(1);
    const QString application = parts.at(2);
    const QString group = parts.mid(3).join(QLatin1Char('/'));

    auto settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                organisation, application);
    if (settings->status() != QSettings::NoError)
        return false;
    if (!create) {
        // A key exists once something is stored in it.
        bool exists;
        if (group.isEmpty()) {
            exists = QFileInfo::exists(settings->fileName()) || !settings->allKeys().isEmpty();
        } else {
            settings->beginGroup(group);
            exists = !settings->allKeys().isEmpty();
            settings->endGroup();
        }
        if (!exists)
            return false;
    }
    m_settings = std::move(settings);
    m_group = group;
    return true;
}

void CUbRegConfig::Close()
{
    m_settings.reset();
    m_group.clear();
    m_stale = false;
}

QString CUbRegConfig::FileName() const
{
    return m_settings ? m_settings->fileName() : QString();
}

QString CUbRegConfig::FullName(const QString &valueName) const
{
    return m_group.isEmpty() ? valueName : m_group + QLatin1Char('/') + valueName;
}

void CUbRegConfig::PrepareWrite()
{
    if (m_stale) {
        const QString organisation = m_settings->organizationName();
        const QString application = m_settings->applicationName();
        m_settings.reset();
        m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                 organisation, application);
        m_stale = false;
    }
    PrepareOwnerOnlyFile(m_settings->fileName());
}

bool CUbRegConfig::Flush()
{
    m_settings->sync();
    const bool ok = m_settings->status() == QSettings::NoError;
    const QString fileName = m_settings->fileName();
    if (QFileInfo(fileName).isFile())
        QFile::setPermissions(fileName, kOwnerOnly);
    // QSettings keeps its first error for good; the next write starts on a fresh object so it
    // reports its own outcome.
    m_stale = !ok;
    return ok;
}

std::optional<QString> CUbRegConfig::ReadString(const QString &valueName) const
{
    if (!m_settings)
        return std::nullopt;
    const QVariant value = m_settings->value(FullName(valueName));
    if (!value.isValid())
        return std::nullopt;
    const int type = value.typeId();
    if (type != QMetaType::QString && type != QMetaType::QByteArray && type != QMetaType::Int
        && type != QMetaType::UInt && type != QMetaType::LongLong && type != QMetaType::ULongLong)
        return std::nullopt;
    QString text = value.toString();
    // The data would not fit the reader's buffer.
    if (text.size() * 2 > kMaxStringBytes)
        return std::nullopt;
    const qsizetype zero = text.indexOf(QChar(u'\0'));
    if (zero >= 0)
        text.truncate(zero);
    return text;
}

bool CUbRegConfig::WriteString(const QString &valueName, const QString &text)
{
    if (!m_settings)
        return false;
    PrepareWrite();
    m_settings->setValue(FullName(valueName), text);
    return Flush();
}

std::optional<quint32> CUbRegConfig::ReadDword(const QString &valueName) const
{
    if (!m_settings)
        return std::nullopt;
    const QVariant value = m_settings->value(FullName(valueName));
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!ok || number < -2147483648LL || number > 4294967295LL)
        return std::nullopt;
    return static_cast<quint32>(number);
}

bool CUbRegConfig::WriteDword(const QString &valueName, quint32 value)
{
    if (!m_settings)
        return false;
    PrepareWrite();
    m_settings->setValue(FullName(valueName), static_cast<qulonglong>(value));
    return Flush();
}

bool CUbRegConfig::LoadCalibration(double &pixelPerMilliX, double &pixelPerMilliY) const
{
    pixelPerMilliX = 0.0;
    pixelPerMilliY = 0.0;
    const std::optional<QString> textX = ReadString(QLatin1String(CVmReg::kPixelPerMilliX));
    const std::optional<QString> textY = ReadString(QLatin1String(CVmReg::kPixelPerMilliY));
    if (!textX || !textY)
        return false;
    const double x = ParseDecimalC(*textX);
    const double y = ParseDecimalC(*textY);
    // An infinite density would turn every real-size view into nonsense; treat it as unset.
    if (!(x > 0.0) || !(y > 0.0) || !std::isfinite(x) || !std::isfinite(y))
        return false;
    pixelPerMilliX = x;
    pixelPerMilliY = y;
    return true;
}

bool CUbRegConfig::SaveCalibration(double pixelPerMilliX, double pixelPerMilliY)
{
    // QString::asprintf never uses the user's locale, so the decimal point is always ".".
    if (!WriteString(QLatin1String(CVmReg::kPixelPerMilliX),
                     QString::asprintf("%f", pixelPerMilliX)))
        return false;
    return WriteString(QLatin1String(CVmReg::kPixelPerMilliY),
                       QString::asprintf("%f", pixelPerMilliY));
}
