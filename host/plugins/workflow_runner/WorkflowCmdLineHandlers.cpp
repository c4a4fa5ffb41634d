#include "WorkflowCmdLineHandlers.h"

#include "ConsoleWorkflowRunTask.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>
#include <NxCore/tasks/FailTask.h>
#include <NxLang/registry/WorkflowEnv.h>

#include <QCoreApplication>

#include <cstdio>

namespace Nx {

static QString tr(const char* s) { return QCoreApplication::translate("WorkflowCmdLineHandlers", s); }

Task* WorkflowCmdLineHandler::createTask(CMDLineRegistry& r) {
    const QString path = r.getParameterValue(getName());
    if (path.isEmpty()) {
        return new FailTask(tr("--workflow needs a file: --workflow=FILE"));
    }
    QList<WorkflowFileLoader::Override> overrides;
    for (const QString& s : r.getParameterValues("set")) {
        NxOpStatusImpl os;
        overrides << WorkflowFileLoader::parseOverride(s, os);
        if (os.hasError()) {
            return new FailTask(os.getError());
        }
    }
    const QString sessionDb = r.getParameterValue("session-db");
    if (r.hasParameter("session-db") && sessionDb.isEmpty()) {
        return new FailTask(tr("--session-db needs a file: --session-db=PATH"));
    }
    return new ConsoleWorkflowRunTask(path, overrides, sessionDb);
}

QString WorkflowCmdLineHandler::getHelp() const {
    return tr("--workflow=FILE  run a workflow file (JSON)");
}

Task* WorkflowOptionHandler::createTask(CMDLineRegistry& r) {
    if (r.hasParameter("workflow")) {
        return nullptr;  // read by the --workflow handler
    }
    return new FailTask(tr("--%1 is only meaningful with --workflow=FILE").arg(getName()));
}

QString WorkflowOptionHandler::getHelp() const {
    return getName() == "set" ? tr("--set NAME.ATTRIBUTE=VALUE  set an element attribute of the --workflow run")
                              : tr("--session-db=PATH  keep the workflow's session database at PATH");
}

Task* ListElementsCmdLineHandler::createTask(CMDLineRegistry&) {
    fputs(listElements().toLocal8Bit().constData(), stdout);
    fflush(stdout);
    return nullptr;
}

QString ListElementsCmdLineHandler::getHelp() const {
    return tr("--list-elements  print the workflow elements with their ports and attributes");
}

Task* CheckSessionDbCmdLineHandler::createTask(CMDLineRegistry& r) {
    const QString path = r.getParameterValue(getName());
    if (path.isEmpty()) {
        return new FailTask(tr("--check-session-db needs a file: --check-session-db=PATH"));
    }
    bool ok = false;
    const QString line = check(path, ok);
    if (!ok) {
        return new FailTask(line);
    }
    fputs((line + "\n").toLocal8Bit().constData(), stdout);
    fflush(stdout);
    return nullptr;
}

QString CheckSessionDbCmdLineHandler::getHelp() const {
    return tr("--check-session-db=PATH  say whether the run that wrote a kept session database finished");
}

QString CheckSessionDbCmdLineHandler::check(const QString& path, bool& ok) {
    ok = false;
    NxOpStatusImpl os;
    DbiConnection con;
    con.openReadOnly(NxDbiRef(SQLITE_DBI_ID, path), os);
    if (os.hasError()) {
        return os.getError();
    }
    const SQLiteDbi::RunState state = static_cast<SQLiteDbi*>(con.dbi)->getRunState(os);
    if (os.hasError()) {
        return tr("Cannot read the run state of %1: %2").arg(path, os.getError());
    }
    switch (state) {
        case SQLiteDbi::RunState_Finished:
            ok = true;
            return tr("%1: the run finished").arg(path);
        case SQLiteDbi::RunState_Failed:
            return tr("%1: the run failed; its results are incomplete").arg(path);
        case SQLiteDbi::RunState_Running:
            return tr("%1: the run never finished (killed or still running); its results are incomplete").arg(path);
        default:
            return tr("%1: no workflow run recorded itself in this database").arg(path);
    }
}

static QString valueText(const QVariant& v) {
    return v.toString().isEmpty() ? QString("\"\"") : v.toString();
}

QString ListElementsCmdLineHandler::listElements() {
    QString out;
    const auto groups = WorkflowEnv::getProtoRegistry()->getProtos();
    for (auto g = groups.begin(); g != groups.end(); ++g) {
        for (ActorPrototype* p : g.value()) {
            out += QString("%1\t%2\t[%3]\n").arg(p->getId(), p->getDisplayName(), g.key().getDisplayName());
            for (PortDescriptor* pd : p->getPortDescriptors()) {
                QStringList slotIds;
                if (!pd->getType().isNull()) {
                    for (const Descriptor& d : pd->getType()->getAllDescriptors()) {
                        slotIds << d.getId();
                    }
                }
                out += QString("  port %1\t%2\t%3\tslots: %4\n")
                           .arg(pd->getId(), pd->isInput() ? "input" : "output", pd->getDisplayName(),
                                slotIds.isEmpty() ? "none" : slotIds.join(", "));
            }
            for (Attribute* a : p->getAttributes()) {
                PropertyDelegate* d = p->getEditor() != nullptr ? p->getEditor()->getDelegate(a->getId()) : nullptr;
                QString line = QString("  attribute %1\t%2\t%3%4\tdefault: %5")
                                   .arg(a->getId(), a->getDisplayName(),
                                        a->getAttributeType().isNull() ? "?" : a->getAttributeType()->getId(),
                                        a->isRequiredAttribute() ? ", required" : "", valueText(a->getDefaultPureValue()));
                if (d != nullptr) {
                    line += "\teditor: " + d->getKind();
                    const QVariantMap choices = d->getChoices();
                    if (!choices.isEmpty()) {
                        QStringList c;
                        for (auto it = choices.begin(); it != choices.end(); ++it) {
                            c << QString("%1=%2").arg(it.value().toString(), it.key());
                        }
                        line += "\tchoices: " + c.join("; ");
                    }
                }
                out += line + "\n";
            }
        }
    }
    return out;
}

}  // namespace Nx
