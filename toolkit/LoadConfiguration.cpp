#include "LoadConfiguration.h"

#include "ServiceDefaults.h"
#include "UbIniFile.h"

QString LoadConfiguration(const QString &exeFolder)
{
    const CUbIniFile file(
        QString::asprintf("%ls/%s", qUtf16Printable(exeFolder), kConfigurationFileName));
    return file.GetString(QStringLiteral("Setup"), QStringLiteral("WebSite"))
        .value_or(QString::fromLatin1(ServiceDefaults::kServiceHost));
}
