// One transcript of a gene as the variation helpers see it (the reference database keeps one
// Gene per transcript). Exons are in ascending genomic order on both strands.
#pragma once

#include <NxCore/records/NxEntity.h>
#include <NxCore/records/NxRegion.h>

#include <QSharedData>
#include <QSharedDataPointer>
#include <QVector>

namespace Nx {

// Implicitly shared: genes are copied into every query result, and a copy costs one reference
// count instead of one per member (QList keeps them in place, without a node each).
class Gene {
public:
    Gene() : d(emptyData()) {}
    Gene(const NxDataId& featureId, const QString& name, const NxRegion& region, const NxRegion& cdsRegion,
         const QVector<NxRegion>& exons, bool coding, bool complemented)
        : d(new Data) {
        d->featureId = featureId;
        d->name = name;
        d->region = region;
        d->cdsRegion = cdsRegion;
        d->exons = exons;
        d->coding = coding;
        d->complemented = complemented;
    }

    const NxDataId& getFeatureId() const { return d->featureId; }
    const QString& getName() const { return d->name; }
    const QString& getAltName() const { return d->altName; }
    const QString& getAccession() const { return d->accession; }
    const QString& getDisease() const { return d->disease; }
    const NxRegion& getRegion() const { return d->region; }
    // Span of the CDS parts; empty for a non-coding transcript.
    const NxRegion& getCDSRegion() const { return d->cdsRegion; }
    const QVector<NxRegion>& getExons() const { return d->exons; }
    bool isCoding() const { return d->coding; }
    bool isComplemented() const { return d->complemented; }

    void setAltName(const QString& v) { d->altName = v; }
    void setAccession(const QString& v) { d->accession = v; }
    void setDisease(const QString& v) { d->disease = v; }

    bool operator==(const Gene& o) const { return d->featureId == o.d->featureId; }

private:
    struct Data : QSharedData {
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

    // Default-made genes share one empty record.
    static const QSharedDataPointer<Data>& emptyData() {
        static const QSharedDataPointer<Data> empty(new Data);
        return empty;
    }

    QSharedDataPointer<Data> d;
};

}  // namespace Nx

Q_DECLARE_TYPEINFO(Nx::Gene, Q_MOVABLE_TYPE);
