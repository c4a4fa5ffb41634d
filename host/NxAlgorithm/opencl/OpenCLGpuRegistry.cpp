#include "OpenCLGpuRegistry.h"

#include <NxCore/log/Logger.h>

#include <cstdint>
#include <dlfcn.h>

namespace Nx {

namespace {

// The few OpenCL 1.0 declarations used here (no OpenCL headers needed to build).
typedef int32_t cl_int;
typedef uint32_t cl_uint;
typedef uint64_t cl_device_type;
typedef uint32_t cl_device_info;
const cl_int CL_SUCCESS = 0;
const cl_device_type CL_DEVICE_TYPE_GPU = 1 << 2;
const cl_device_info CL_DEVICE_GLOBAL_MEM_SIZE = 0x101F;
const cl_device_info CL_DEVICE_NAME = 0x102B;
const cl_device_info CL_DEVICE_VENDOR = 0x102C;

typedef cl_int (*GetPlatformIDs)(cl_uint, void**, cl_uint*);
typedef cl_int (*GetDeviceIDs)(void*, cl_device_type, cl_uint, void**, cl_uint*);
typedef cl_int (*GetDeviceInfo)(void*, cl_device_info, size_t, void*, size_t*);

QString deviceText(GetDeviceInfo info, void* dev, cl_device_info what) {
    char buf[1024] = {0};
    if (info(dev, what, sizeof(buf) - 1, buf, nullptr) != CL_SUCCESS) {
        return QString();
    }
    return QString::fromLatin1(buf).trimmed();
}

}  // namespace

OpenCLGpuRegistry::OpenCLGpuRegistry(const QString& libraryName) {
    QList<QByteArray> names;
    if (libraryName.isEmpty()) {
        names = {"libOpenCL.so.1", "libOpenCL.so"};
    } else {
        names = {libraryName.toLocal8Bit()};
    }
    for (const QByteArray& n : names) {
        library = dlopen(n.constData(), RTLD_NOW | RTLD_LOCAL);
        if (library != nullptr) break;
    }
    if (library == nullptr) {
        statusText = "No OpenCL library";
        algoLog.details("OpenCL is not available: no OpenCL library found");
        return;
    }
    auto getPlatforms = reinterpret_cast<GetPlatformIDs>(dlsym(library, "clGetPlatformIDs"));
    auto getDevices = reinterpret_cast<GetDeviceIDs>(dlsym(library, "clGetDeviceIDs"));
    auto getInfo = reinterpret_cast<GetDeviceInfo>(dlsym(library, "clGetDeviceInfo"));
    if (getPlatforms == nullptr || getDevices == nullptr || getInfo == nullptr) {
        statusText = "The OpenCL library lacks the platform functions";
        return;
    }
    cl_uint nPlatforms = 0;
    if (getPlatforms(0, nullptr, &nPlatforms) != CL_SUCCESS || nPlatforms == 0) {
        statusText = "No OpenCL platform";
        return;
    }
    QVector<void*> platforms(static_cast<int>(nPlatforms));
    if (getPlatforms(nPlatforms, platforms.data(), nullptr) != CL_SUCCESS) {
        statusText = "No OpenCL platform";
        return;
    }
    for (void* p : platforms) {
        cl_uint nDevices = 0;
        if (getDevices(p, CL_DEVICE_TYPE_GPU, 0, nullptr, &nDevices) != CL_SUCCESS || nDevices == 0) {
            continue;
        }
        QVector<void*> devices(static_cast<int>(nDevices));
        if (getDevices(p, CL_DEVICE_TYPE_GPU, nDevices, devices.data(), nullptr) != CL_SUCCESS) {
            continue;
        }
        for (void* d : devices) {
            OpenCLGpuModel m;
            m.deviceId = d;
            m.platformId = p;
            m.name = deviceText(getInfo, d, CL_DEVICE_NAME);
            m.vendor = deviceText(getInfo, d, CL_DEVICE_VENDOR);
            uint64_t mem = 0;
            if (getInfo(d, CL_DEVICE_GLOBAL_MEM_SIZE, sizeof(mem), &mem, nullptr) == CL_SUCCESS) {
                m.globalMemory = qint64(mem);
            }
            gpus.append(m);
            algoLog.details(QString("OpenCL GPU: %1 (%2)").arg(m.name, m.vendor));
        }
    }
    if (gpus.isEmpty()) {
        statusText = "No OpenCL GPU";
    }
}

OpenCLGpuRegistry::~OpenCLGpuRegistry() {
    if (library != nullptr) {
        dlclose(library);
    }
}

}  // namespace Nx
