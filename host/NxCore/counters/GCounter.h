// Named process-wide counters (how long start-up took, how many variations were read), for the
// "Performance" log. A counter lives as long as its owner, usually a function-local static.
// The displayed value is totalCount / scale, followed by the suffix.
#pragma once

#include <QList>
#include <QString>

#include <atomic>

namespace Nx {

class GCounter {
public:
    GCounter(const QString& name, const QString& suffix, double scale = 1.0);
    virtual ~GCounter();

    const QString& getName() const { return name; }
    const QString& getSuffix() const { return suffix; }
    double getScale() const { return scale; }
    qint64 getTotalCount() const { return totalCount.load(); }
    void add(qint64 n) { totalCount += n; }
    void reset() { totalCount.store(0); }
    double scaledTotal() const { return scale != 0 ? double(getTotalCount()) / scale : double(getTotalCount()); }
    bool isReportable() const { return reportable; }

    // Every counter alive now.
    static QList<GCounter*> allCounters();
    // Logs the reportable counters to "Performance".
    static void logReportableCounters();

protected:
    bool reportable = false;  // shown by logReportableCounters

private:
    QString name;
    QString suffix;
    double scale;                     // totalCount units per displayed unit
    std::atomic<qint64> totalCount{0};
};

// A counter that logReportableCounters shows.
class GReportableCounter : public GCounter {
public:
    GReportableCounter(const QString& name, const QString& suffix, double scale = 1.0)
        : GCounter(name, suffix, scale) {
        reportable = true;
    }
};

}  // namespace Nx
