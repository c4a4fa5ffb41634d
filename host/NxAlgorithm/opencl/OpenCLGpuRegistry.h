// The OpenCL GPUs of the machine, found at construction through the system's OpenCL loader
// (libOpenCL, opened at run time so that the suite neither needs OpenCL to build nor to run).
// On a machine without OpenCL the registry is simply empty.
#pragma once

#include <QList>
#include <QVector>
#include <QString>

namespace Nx {

struct OpenCLGpuModel {
    QString name;            // the device's own name
    QString vendor;
    qint64 globalMemory = 0; // bytes
    void* deviceId = nullptr;   // cl_device_id
    void* platformId = nullptr; // cl_platform_id
};

class OpenCLGpuRegistry {
public:
    // libraryName: the loader to open; empty means the system's libOpenCL.
    explicit OpenCLGpuRegistry(const QString& libraryName = QString());
    ~OpenCLGpuRegistry();
    OpenCLGpuRegistry(const OpenCLGpuRegistry&) = delete;
    OpenCLGpuRegistry& operator=(const OpenCLGpuRegistry&) = delete;

    const QList<OpenCLGpuModel>& getRegisteredGpus() const { return gpus; }
    bool empty() const { return gpus.isEmpty(); }
    // Why the registry is empty when it is ("no OpenCL library", "no platform"), else empty.
    const QString& getStatusText() const { return statusText; }

private:
    QList<OpenCLGpuModel> gpus;
    QString statusText;
    void* library = nullptr;  // dlopen handle, kept while device ids are around
};

}  // namespace Nx
