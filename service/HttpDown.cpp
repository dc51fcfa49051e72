#include "HttpDown.h"

#include "DnThread.h"

CHttpDown::CHttpDown(CDnThread *worker)
    : CUbHttpDown(QStringLiteral("VmEditor"))
    , m_worker(worker)
{ }

bool CHttpDown::OnData(qint32, qint32 received, const char *chunk, qint32 size)
{
    return m_worker->WriteChunk(received, chunk, size);
}
