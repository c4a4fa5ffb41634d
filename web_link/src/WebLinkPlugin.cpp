// sl_clipboardCheck, in order:
//   1. read the clipboard text T (main clipboard, not the selection);
//   2. T equal to the remembered text: stop;
//   3. no line break in T: remember T and stop;
//   4. P = everything after the first line break, trimmed;
//   5. "open/selection;": write P to a new temporary file, have the project loader open it,
//      empty the clipboard when it gave a task; count;
//   6. prepare the default download folder (for any T with a line break);
//   7./8. "open/Ensembl;" / "open/PDB;": download the entry named by P's first line into that
//      folder and open it; empty the clipboard; count;
//   9. remember T (or the empty text the clipboard holds after a command emptied it, so that
//      the same command copied again is carried out again).
// Commands that are not safe (ClipboardCommand::isSafe) are logged without their text and
// ignored; nothing of the clipboard ever reaches a shell or a file name.
#include "WebLinkPlugin.h"

#include "ClipboardCommand.h"

#include <NxCore/core/AppContext.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/counters/GCounter.h>
#include <NxCore/io/GUrlUtils.h>
#include <NxCore/log/Logger.h>
#include <NxCore/settings/AppSettings.h>
#include <NxCore/tasks/TaskScheduler.h>
#include <NxGui/project/ProjectLoader.h>
#include <NxGui/remote/BaseLoadRemoteDocumentTask.h>
#include <NxGui/remote/LoadRemoteDocumentAndOpenViewTask.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <new>

namespace Nx {

namespace {

QString& rememberedText() {
    static QString text;
    return text;
}

// The three usage counters, made on first use.
GReportableCounter& counterFor(ClipboardCommand::Kind kind) {
    switch (kind) {
        case ClipboardCommand::Kind_OpenSelection: {
            static GReportableCounter c("WebLink:open/selection", "", 1);
            return c;
        }
        case ClipboardCommand::Kind_OpenEnsembl: {
            static GReportableCounter c("WebLink:open/Ensembl", "", 1);
            return c;
        }
        default: {
            static GReportableCounter c("WebLink:open/PDB", "", 1);
            return c;
        }
    }
}

}  // namespace

WebLinkPlugin::WebLinkPlugin() : Plugin(tr("WebLink"), tr("Web link")) {
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this, &WebLinkPlugin::sl_clipboardCheck);
}

QString WebLinkPlugin::getRememberedText() {
    return rememberedText();
}

void WebLinkPlugin::sl_clipboardCheck() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = clipboard->text(QClipboard::Clipboard);
    if (text == rememberedText()) {
        return;
    }
    const ClipboardCommand cmd = ClipboardCommand::parse(text);
    if (!cmd.hasLineBreak()) {
        rememberedText() = text;
        return;
    }
    QString reason;
    const bool safe = cmd.getKind() == ClipboardCommand::Kind_None || cmd.isSafe(&reason);
    if (!safe) {
        userActLog.error(QString("WebLink: a clipboard command %1 was ignored: %2")
                             .arg(cmd.getCounterName().mid(QString("WebLink:").size()), reason));
    }
    bool cleared = false;
    if (safe && cmd.getKind() == ClipboardCommand::Kind_OpenSelection) {
        cleared = openSelection(cmd);
    }
    QString downloadDir = BaseLoadRemoteDocumentTask::getDefaultDownloadDirectory();
    BaseLoadRemoteDocumentTask::prepareDownloadDirectory(downloadDir);
    downloadDir = QDir::toNativeSeparators(downloadDir);
    if (safe && (cmd.getKind() == ClipboardCommand::Kind_OpenEnsembl || cmd.getKind() == ClipboardCommand::Kind_OpenPdb)) {
        cleared = openEntry(cmd, downloadDir);
    }
    rememberedText() = cleared ? clipboard->text(QClipboard::Clipboard) : text;
}

bool WebLinkPlugin::openSelection(const ClipboardCommand& cmd) {
    NxOpStatus2Log os;
    const QString dir = UserAppsSettings::getCurrentProcessTemporaryDirPath();
    const QString path = GUrlUtils::prepareTmpFileLocation(dir, "clipboard_data", "clipboard", os);
    QFile file(path);
    bool written = false;
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QTextStream out(&file);
        out.setCodec("UTF-8");
        out << cmd.getPayload();
        out.flush();
        written = out.status() == QTextStream::Ok && file.error() == QFileDevice::NoError;
        file.close();
    }
    if (!written && !path.isEmpty()) {
        // An empty file must not open as if it were the data: the loader reports it missing.
        os.setError(QString("Cannot write the clipboard data to %1").arg(path));
        QFile::remove(path);
    }
    bool cleared = false;
    ProjectLoader* loader = AppContext::getProjectLoader();
    Task* task = loader != nullptr ? loader->openWithProjectTask({GUrl(path, GUrl_File)}, QVariantMap()) : nullptr;
    TaskScheduler* scheduler = AppContext::getTaskScheduler();
    if (task != nullptr && scheduler != nullptr) {
        scheduler->registerTopLevelTask(task);
        QGuiApplication::clipboard()->setText(QString());
        cleared = true;
    } else {
        delete task;
    }
    counterFor(ClipboardCommand::Kind_OpenSelection).add(1);
    return cleared;
}

bool WebLinkPlugin::openEntry(const ClipboardCommand& cmd, const QString& downloadDir) {
    TaskScheduler* scheduler = AppContext::getTaskScheduler();
    if (scheduler == nullptr) {
        NX_RECOVER_MSG("No task scheduler");
        return false;
    }
    scheduler->registerTopLevelTask(
        new LoadRemoteDocumentAndOpenViewTask(cmd.getIdentifier(), cmd.getDatabaseName(), downloadDir, QString()));
    QGuiApplication::clipboard()->setText(QString());
    counterFor(cmd.getKind()).add(1);
    return true;
}

}  // namespace Nx

// Loaded only into the windowed suite: without a main window there is nothing to open into.
NX_PLUGIN_EXPORT Nx::Plugin* nolix_plugin_init() {
    if (Nx::AppContext::getMainWindow() == nullptr || qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return nullptr;
    }
    return new (std::nothrow) Nx::WebLinkPlugin();
}
