#pragma once

#include "UbHttpFileUp.h"

class CUpThread;

// The upload worker's client: 4096-byte pieces, each reported to the worker, which stops the
// upload when it has been cancelled.
class CHttpUp : public CUbHttpFileUp
{
public:
    static constexpr qint32 kChunkSize = 4096;

    explicit CHttpUp(CUpThread *worker);

protected:
    void OnBegin(qint32 total) override;
    bool OnSent(qint32 sent, qint32 total) override;

private:
    CUpThread *m_worker;
};
