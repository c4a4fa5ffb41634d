// Application-level settings: the resource pool (threads, memory) and the user's application
// settings (temporary folders). AppSettingsImpl (NxPrivate) is the one filled at start-up.
#pragma once

#include <QString>

namespace Nx {

// How much of the machine the suite may use.
class AppResourcePool {
public:
    AppResourcePool();
    virtual ~AppResourcePool() = default;

    // Threads for the task scheduler's pool: the number of cores unless set.
    int getIdealThreadCount() const { return idealThreadCount; }
    void setIdealThreadCount(int n);
    int getMaxMemorySizeInMB() const { return maxMemoryMB; }
    void setMaxMemorySizeInMB(int mb) { maxMemoryMB = mb; }

private:
    int idealThreadCount;  // >= 1
    int maxMemoryMB;       // soft limit for memory-hungry tasks
};

class UserAppsSettings {
public:
    virtual ~UserAppsSettings() = default;

    // A folder private to this process below the system's temporary folder, created on first
    // use (domain: an optional sub-folder, also created). Empty when it cannot be created.
    // Static so that it also works before (or without) the application settings.
    static QString getCurrentProcessTemporaryDirPath(const QString& domain = QString());
    // Removes that folder and everything in it; called at shutdown.
    static void cleanupCurrentProcessTemporaryDir();
};

class AppSettings {
public:
    virtual ~AppSettings() = default;
    virtual AppResourcePool* getAppResourcePool() const = 0;
    virtual UserAppsSettings* getUserAppsSettings() const = 0;
};

}  // namespace Nx
