#include "ReadVariationsTask.h"

#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/log/Logger.h>
#include <NxFormats/vcf/VcfImporter.h>

#include <QFileInfo>

namespace Nx {

ReadVariationsTask::ReadVariationsTask(const QStringList& files, const NxDbiRef& sessionRef)
    : Task(tr("Read variations"), TaskFlag_None), files(files), sessionRef(sessionRef) {}

void ReadVariationsTask::run() {
    DbiConnection con(sessionRef, false, stateInfo);
    if (stateInfo.isCoR()) {
        return;
    }
    VcfImporter importer(con);
    for (int i = 0; i < files.size() && !stateInfo.isCoR(); i++) {
        const QString& file = files.at(i);
        stateInfo.setDescription(tr("Reading %1").arg(QFileInfo(file).fileName()));
        const QList<NxVariantTrack> fileTracks = importer.importFile(file, stateInfo);
        tracks << fileTracks;
        if (stateInfo.isCoR()) {
            break;
        }
        cmdLog.info(tr("Read %1 variations on %2 chromosomes from %3; %4 alleles without bases skipped")
                        .arg(importer.getImportedVariantCount())
                        .arg(fileTracks.size())
                        .arg(file)
                        .arg(importer.getSkippedAlleleCount()));
    }
    NxOpStatusImpl closeOs;
    con.close(closeOs);
}

}  // namespace Nx
