// Operation status: how errors, cancellation and progress travel up instead of exceptions.
// The first error wins; later setError calls are ignored so the root cause is what users see.
#pragma once

#include <QMutex>
#include <QString>

#include <atomic>

namespace Nx {

class NxOpStatus {
public:
    virtual ~NxOpStatus() = default;

    virtual void setError(const QString& err) = 0;
    virtual QString getError() const = 0;
    virtual bool hasError() const = 0;

    virtual bool isCanceled() const = 0;
    virtual void setCanceled(bool v) = 0;

    virtual int getProgress() const = 0;
    virtual void setProgress(int percent) = 0;

    virtual QString getDescription() const = 0;
    virtual void setDescription(const QString& d) = 0;

    // Cancel-or-error: true when the caller must stop.
    bool isCoR() const { return isCanceled() || hasError(); }
};

// Thread-safe plain status. TaskStateInfo (tasks/Task.h) is the task's own flavour of it.
class NxOpStatusImpl : public NxOpStatus {
public:
    void setError(const QString& err) override;
    QString getError() const override;
    bool hasError() const override { return errorSet.load(); }

    bool isCanceled() const override { return canceled.load(); }
    void setCanceled(bool v) override { canceled.store(v); }

    int getProgress() const override { return progress.load(); }
    void setProgress(int percent) override { progress.store(percent); }

    QString getDescription() const override;
    void setDescription(const QString& d) override;

private:
    mutable QMutex lock;
    QString error;
    QString description;
    std::atomic<bool> errorSet{false};
    std::atomic<bool> canceled{false};
    std::atomic<int> progress{-1};
};

// Writes the (first) error to the log as well, at the given level, in category "Core Services".
class NxOpStatus2Log : public NxOpStatusImpl {
public:
    explicit NxOpStatus2Log(int logLevel = 3) : level(logLevel) {}
    void setError(const QString& err) override;

private:
    int level;
};

}  // namespace Nx

#define NX_CHECK_OP(os, result) \
    if ((os).isCoR()) {         \
        return result;          \
    }
