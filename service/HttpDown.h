#pragma once

#include "UbHttpDown.h"

class CDnThread;

// The download worker's HTTP client: each chunk of the body goes to the worker's file.
class CHttpDown : public CUbHttpDown
{
public:
    explicit CHttpDown(CDnThread *worker);

protected:
    bool OnData(qint32 contentLength, qint32 received, const char *chunk, qint32 size) override;

private:
    CDnThread *m_worker;
};
