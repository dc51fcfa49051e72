#pragma once

#include <QString>

// The configuration file beside the executable and the one entry the editor reads from it.
inline constexpr const char *kConfigurationFileName = "VmEditor.ini";

// The service host from [Setup] WebSite of "VmEditor.ini" in exeFolder: the bare host, no
// scheme and no path. A missing file or entry gives the default host of ServiceDefaults; an
// entry that is present but empty gives an empty host. Never fails.
QString LoadConfiguration(const QString &exeFolder);
