// The annotated VCF's entries of one variation without their first part, the allele: every ALT
// allele read as that variation gets them, prefixed with the allele as its record writes it.
// They come from the report's own VariationInfo rows, so the file and the reports cannot
// disagree. The VCF writer computes them itself, or takes them from the report writer of the same
// run, which computes them on its way (SharedVcfEntries); both go through this class.
#pragma once

#include "SNPReportWriterTask.h"

#include <NxCore/records/DamageEffect.h>
#include <NxCore/records/NxVariant.h>

#include <QByteArray>
#include <QSharedPointer>
#include <QStringList>

namespace Nx {

class DamageEffectEvaluator;
class VariationInfo;

class VariationEntries {
public:
    // In the order of AnnotatedVcfFields::fieldIds().
    enum Field { Consequence, Known, Stability1D, Stability3D, PdbSite, Tata, RSnp, Chip, FIELDS };

    // Each field's entries without the allele part: the parts after it joined by "|", entries
    // separated by "," (parts are escaped: neither character is left in them).
    QByteArray tails[FIELDS];

    void clear();
    bool isEmpty() const;
    // Appends the entries of the allele (as its record writes it) to the values of the fields,
    // "," between entries.
    void appendTo(const QString& allele, QByteArray* values) const;
    // Every field's tails in one text, "\t" between fields (neither a tab nor a line feed is left
    // in the parts), and the same appending from that text.
    QByteArray joined() const;
    static void appendJoinedTo(const QByteArray& joined, const QString& allele, QByteArray* values);

    // What a variation is read against.
    struct Source {
        NxDataId sequenceId;
        const NxVariantTrack* track = nullptr;        // the track it was read from
        const NxVariantTrack* storedTrack = nullptr;  // its stored record; null: looked up per variation
        SNPReportWriterTask::Tables tables;           // attributes null: no answers to look up
        QSharedPointer<DamageEffectEvaluator> evaluator;
    };
    // The entries of a variation nothing was read for yet.
    static void compute(const NxVariant& variant, const Source& source, VariationEntries& out);
    // The same from a VariationInfo the caller initialised (genes and effects), with the rows the
    // caller took from it (null: not taken yet).
    static void fromInfo(VariationInfo& info, const NxVariant& variant, const QStringList* inGeneRows,
                         const QStringList* regulatoryRows, const Source& source, VariationEntries& out);
    // The entries of a variation in no gene and far from every promoter: its known mutation and
    // answers only.
    static void farFromGenes(const NxVariant& variant, const Source& source, VariationEntries& out);
    // Whether a variation is one for farFromGenes.
    static bool isFarFromGenes(const NxVariant& variant, const Source& source);

private:
    static void appendField(const char* tail, int size, const QByteArray& prefix, QByteArray& value);
    void add(Field field, const QStringList& partsAfterAllele);
    void addKnownAndAnswers(const NxVariant& variant, const QList<DamageEffect>& effects, const Source& source);
};

}  // namespace Nx
