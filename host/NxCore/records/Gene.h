// One transcript of a gene as the variation helpers see it (the reference database keeps one
// Gene per transcript). Exons are in ascending genomic order on both strands.
#pragma once

#include <NxCore/records/NxEntity.h>
#include <NxCore/records/NxRegion.h>

#include <QVector>

namespace Nx {

class Gene {
public:
    Gene() = default;
    Gene(const NxDataId& featureId, const QString& name, const NxRegion& region, const NxRegion& cdsRegion,
         const QVector<NxRegion>& exons, bool coding, bool complemented)
        : featureId(featureId), name(name), region(region), cdsRegion(cdsRegion), exons(exons),
          coding(coding), complemented(complemented) {}

    const NxDataId& getFeatureId() const { return featureId; }
    const QString& getName() const { return name; }
    const QString& getAltName() const { return altName; }
    const QString& getAccession() const { return accession; }
    const QString& getDisease() const { return disease; }
    const NxRegion& getRegion() const { return region; }
    // Span of the CDS parts; empty for a non-coding transcript.
    const NxRegion& getCDSRegion() const { return cdsRegion; }
    const QVector<NxRegion>& getExons() const { return exons; }
    bool isCoding() const { return coding; }
    bool isComplemented() const { return complemented; }

    void setAltName(const QString& v) { altName = v; }
    void setAccession(const QString& v) { accession = v; }
    void setDisease(const QString& v) { disease = v; }

    bool operator==(const Gene& o) const { return featureId == o.featureId; }

private:
    NxDataId featureId;  // the transcript's stable identifier as stored
    QString name;        // the gene's Name
    QString altName;
    QString accession;
    QString disease;
    NxRegion region;     // transcript span
    NxRegion cdsRegion;
    QVector<NxRegion> exons;
    bool coding = false;
    bool complemented = false;  // on the reverse strand
};

}  // namespace Nx
