#include "UploadResult.h"

void CUploadResult::Reset()
{
    success = 0;
    vmiPath.clear();
    vmiUrl.clear();
    key1.clear();
    key2.clear();
    key3.clear();
}
