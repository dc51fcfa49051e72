#include "HttpUp.h"

#include "UpThread.h"

CHttpUp::CHttpUp(CUpThread *worker)
    : CUbHttpFileUp(kChunkSize)
    , m_worker(worker)
{ }

void CHttpUp::OnBegin(qint32 total)
{
    m_worker->Began(total);
}

bool CHttpUp::OnSent(qint32 sent, qint32)
{
    return m_worker->Sent(sent);
}
