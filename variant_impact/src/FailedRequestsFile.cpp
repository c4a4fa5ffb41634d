#include "FailedRequestsFile.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/io/ReplacedFile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Nx {

namespace {

// A cell of the file: no tab or line break may split the row.
QByteArray cell(const QString& text) {
    QString t = text;
    for (QChar& c : t) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            c = QChar(' ');
        }
    }
    return t.toLatin1();
}

}  // namespace

QString FailedRequestsFile::pathBeside(const QString& inGeneReportPath) {
    const QFileInfo fi(inGeneReportPath);
    return fi.absoluteDir().filePath(fi.completeBaseName() + ".failed_requests.tsv");
}

bool FailedRequestsFile::write(const QString& path, const QList<Workflow::RequestFailure>& failures, qint64 failed,
                               qint64 total, NxOpStatus& os) {
    if (failed <= 0) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            os.setError(QObject::tr("Cannot remove %1, left by an earlier run").arg(path));
            return false;
        }
        return true;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        os.setError(QObject::tr("Cannot create the folder of %1").arg(path));
        return false;
    }
    ReplacedFile file(path);
    QFile out(file.getTemporaryPath());
    if (!out.open(QIODevice::WriteOnly)) {
        os.setError(QObject::tr("Cannot write %1: %2").arg(path, out.errorString()));
        return false;
    }
    QByteArray text = QString("## %1 of %2 requests failed\n#Element\tVariation\tReason\n").arg(failed).arg(total).toLatin1();
    for (const Workflow::RequestFailure& f : failures) {
        text += cell(f.actorId) + '\t' + cell(f.variation) + '\t' + cell(f.reason) + '\n';
    }
    if (out.write(text) != text.size() || !out.flush()) {
        os.setError(QObject::tr("Cannot write %1: %2").arg(path, out.errorString()));
        return false;
    }
    out.close();
    return file.commit(os);
}

}  // namespace Nx
