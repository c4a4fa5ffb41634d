// The gene-info table: tab-separated key, alternative name, accession, disease text; '#' lines
// are comments or the header. The key is a transcript id, with or without its ".N" version
// (applies to that transcript), or a gene name (applies to every transcript of the gene); a
// transcript's own row wins over its gene's.
// Missing trailing columns are empty. Keys that name nothing in the annotation are counted, not
// an error, since such tables usually cover more genes than one annotation file.
#pragma once

#include <QCoreApplication>

#include "TranscriptModel.h"

namespace Nx {

class GeneInfoTable {
    Q_DECLARE_TR_FUNCTIONS(Nx::GeneInfoTable)
public:
    struct Row {
        QString altName;
        QString accession;
        QString disease;
    };

    bool read(const QString& path, QString& error);
    // Fills altName, accession and disease of the transcripts; returns how many keys matched nothing.
    int apply(QVector<TranscriptModel>& transcripts) const;

private:
    QHash<QString, Row> rows;  // key as written in the file
};

}  // namespace Nx
