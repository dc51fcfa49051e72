#include "DrMgr.h"

CDrMgr::CDrMgr() = default;

CDrMgr::~CDrMgr() = default;
