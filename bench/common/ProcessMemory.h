// Resident memory of this process as the kernel counts it, for benchmarks that report the peak
// of one step: reset the high-water mark before the step, read it after.
#pragma once

#include <QFile>

namespace NxBench {

// A field of /proc/self/status in kB ("VmHWM", "VmRSS"), -1 when unreadable.
inline qint64 statusKb(const char* field) {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray prefix = QByteArray(field) + ":";
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

// Makes VmHWM start again from the current resident size.
inline void resetPeakRss() {
    QFile f("/proc/self/clear_refs");
    if (f.open(QIODevice::WriteOnly)) {
        f.write("5");
    }
}

}  // namespace NxBench
