#include "VmReg.h"

QString CVmReg::ProgramKeyPath()
{
    return QString::asprintf("SOFTWARE\\%s\\%s", kOrganisation, kApplication);
}

QString CVmReg::SaveOptionsKeyPath()
{
    return QString::asprintf("SOFTWARE\\%s\\%s\\SaveOptions", kOrganisation, kApplication);
}

bool CVmReg::Open()
{
    return CUbRegConfig::Open(ProgramKeyPath(), true);
}

bool CVmReg::OpenSaveOptions()
{
    return CUbRegConfig::Open(SaveOptionsKeyPath(), false);
}
