// The host's own source element "read-variations": imports the files of its "url-in"
// attribute (VCF or BCF, plain or bgzipped; several separated by ';') into the session database
// with one task, then sends one message per track with the track's handle in the
// variation-track slot, and ends its output.
#pragma once

#include <NxDesigner/prompter/PrompterBase.h>
#include <NxLang/engine/BaseWorker.h>
#include <NxLang/registry/DomainFactory.h>

namespace Nx {
namespace LocalWorkflow {

class ReadVariationsWorker : public BaseWorker {
    Q_OBJECT
public:
    explicit ReadVariationsWorker(Actor* a) : BaseWorker(a) {}

    void start() override;
    Task* step() override;
    void finish() override {}

    // The files of "url-in", made absolute; error names the first that is missing, a folder,
    // not a regular file or unreadable, or says that none is given.
    QStringList inputFiles(QString& error) const;

private Q_SLOTS:
    void sl_taskFinished();

private:
    IntegralBus* output = nullptr;  // the one output channel
    bool importStarted = false;     // the import task was returned once
};

class ReadVariationsPrompter : public PrompterBase<ReadVariationsPrompter> {
    Q_OBJECT
public:
    explicit ReadVariationsPrompter(Actor* p = nullptr) : PrompterBase<ReadVariationsPrompter>(p) {}
    QString composeDescription() override;
};

class ReadVariationsWorkerFactory : public DomainFactory {
public:
    static const QString ACTOR_ID;      // "read-variations"
    static const QString URL_IN_ATTR;   // "url-in"

    ReadVariationsWorkerFactory() : DomainFactory(ACTOR_ID) {}
    Worker* makeWorker(Actor* a) override { return new ReadVariationsWorker(a); }
    // Registers the prototype (category "Data Readers") and the factory; once per process.
    static void install();
};

}  // namespace LocalWorkflow
}  // namespace Nx
