#pragma once

#include <QString>

#include <memory>
#include <optional>

class QSettings;

// One open settings key of the current user. A key path "SOFTWARE\Org\App\Sub\..." names the
// per-user settings file of organisation Org and application App; the components after them
// are nested groups inside it ("SOFTWARE\Halvern\VmEditor\SaveOptions" is the group
// "SaveOptions" of Halvern/VmEditor). Writes are flushed at once, so a write that returns true
// is on disk; the file is kept readable by its owner only because it holds the saved password.
class CUbRegConfig
{
public:
    // Largest string the readers accept, in bytes of UTF-16 data (512 characters).
    static constexpr int kMaxStringBytes = 1024;

    CUbRegConfig();
    virtual ~CUbRegConfig();
    CUbRegConfig(const CUbRegConfig &) = delete;
    CUbRegConfig &operator=(const CUbRegConfig &) = delete;

    // Closes any open key, then opens keyPath; with create set a missing key is created (it
    // appears in the file with its first value). True when a key is open afterwards.
    bool Open(const QString &keyPath, bool create);
    void Close();
    bool IsOpen() const { return m_settings != nullptr; }
    QString KeyPath() const { return m_keyPath; }
    // The settings file behind the open key; empty when closed.
    QString FileName() const;

    // The text of a string value: none when the key is closed, the value is missing, is not
    // text, or holds more than kMaxStringBytes of data. The text ends at its first zero.
    std::optional<QString> ReadString(const QString &valueName) const;
    bool WriteString(const QString &valueName, const QString &text);
    // A 32-bit value; none when missing or not a number that fits 32 bits.
    std::optional<quint32> ReadDword(const QString &valueName) const;
    bool WriteDword(const QString &valueName, quint32 value);

    // The screen density pair "PixelPerMilliX"/"PixelPerMilliY". Both must be readable and
    // parse to numbers greater than 0; otherwise the result is false and both are 0.
    bool LoadCalibration(double &pixelPerMilliX, double &pixelPerMilliY) const;
    // Writes X first and Y only when X was written, as "%f" text; true only when both were.
    bool SaveCalibration(double pixelPerMilliX, double pixelPerMilliY);

private:
    QString FullName(const QString &valueName) const;
    void PrepareWrite();
    bool Flush();

    std::unique_ptr<QSettings> m_settings;
    QString m_group; // "" for the application's own key
    QString m_keyPath;
    bool m_stale = false; // the last write failed
};

// Text to double as the C library's atof reads a decimal number, but always with "." as the
// decimal point whatever the user's locale: leading white space and a sign are accepted, the
// number ends at the first character that cannot continue it, and no number gives 0.
double ParseDecimalC(const QString &text);
