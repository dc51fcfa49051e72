#pragma once

#include "UbRegConfig.h"

// The program's own settings key and the names of what it keeps there.
class CVmReg : public CUbRegConfig
{
public:
    static constexpr const char *kOrganisation = "Halvern";
    static constexpr const char *kApplication = "VmEditor";

    static constexpr const char *kUserId = "UserID";
    static constexpr const char *kUserPw = "UserPW";
    static constexpr const char *kPixelPerMilliX = "PixelPerMilliX";
    static constexpr const char *kPixelPerMilliY = "PixelPerMilliY";
    static constexpr const char *kMonitorInch = "MonitorInch";
    static constexpr const char *kPublicType = "PublicType";
    static constexpr const char *kFacebookSave = "FacebookSave";

    // "SOFTWARE\Halvern\VmEditor" and its "SaveOptions" subkey.
    static QString ProgramKeyPath();
    static QString SaveOptionsKeyPath();

    // Opens the program key, creating it when missing.
    bool Open();
    // Opens the "SaveOptions" subkey without creating it; false when it does not exist.
    bool OpenSaveOptions();
};
