// What the engine checks of a variant-impact element before a run starts, so that a missing
// file stops the run at once with every problem named, instead of failing it after hours of
// earlier elements:
//  - "db_path" (elements that have it) opens as a reference database;
//  - a script element's script exists in the script folder, and so do the data files the
//    script reads (found as the script finds them: its environment variable, else the file
//    below the script folder's data/).
#pragma once

#include <QCoreApplication>
#include <QStringList>

namespace Nx {
namespace Workflow {
class ActorPrototype;
}

namespace LocalWorkflow {

class BaseWorker;

class SnpElementRunChecks {
    Q_DECLARE_TR_FUNCTIONS(SnpElementRunChecks)
public:
    // A data file or folder an analysis script reads.
    struct ScriptData {
        QString variable;    // environment variable naming it
        QString defaultRel;  // else this path below the script folder's data/
        bool folder;         // a folder (of files) rather than a file
        QString what;        // what it holds, for the message
    };

    // Adds the checks that apply to the element (by its id and attributes) to its prototype.
    static void addTo(Workflow::ActorPrototype* proto);

    // The reference database of the worker's "db_path"; one problem or none.
    static QStringList checkReferenceDatabase(BaseWorker* worker);
    // The worker's script and the data it reads; none for a worker that runs no script.
    static QStringList checkScriptAndData(BaseWorker* worker, const QList<ScriptData>& data);
    // The data files each script element's script reads, by element id; empty for an element
    // that runs no script.
    static QList<ScriptData> scriptData(const QString& elementId);
};

}  // namespace LocalWorkflow
}  // namespace Nx
