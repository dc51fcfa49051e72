#pragma once

#include "LocalService.h"
#include "LoopbackServer.h"

#include <QTemporaryDir>

#include <memory>

// The bundled local content service, in process, on a temporary data folder and a free port.
// Its demo user is demo / demo1234, partner code P0001.
class LocalServiceServer
{
public:
    ~LocalServiceServer() { loopback.Stop(); }

    bool Start()
    {
        if (!m_data.isValid())
            return false;
        service = std::make_unique<CLocalService>(m_data.filePath(QStringLiteral("data")));
        QString error;
        if (!service->Open(&error))
            return false;
        service->Register(loopback.server);
        return loopback.Start();
    }

    QString Host() const { return loopback.Host(); }

    LoopbackServer loopback;
    std::unique_ptr<CLocalService> service;

private:
    QTemporaryDir m_data;
};
