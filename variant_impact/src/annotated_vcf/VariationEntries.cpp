#include "VariationEntries.h"

#include "AnnotatedVcfFields.h"

#include "SnpRequestKeys.h"
#include "snp_toolbox/DamageEffectEvaluator.h"
#include "snp_toolbox/VariationInfo.h"

#include <NxCore/attributes/NxAttributeUtils.h>
#include <NxCore/core/NxOpStatus.h>

#include <cstring>
#include <vector>

namespace Nx {

namespace {

QString number(double value) {
    return value == -1 ? QString() : QString("%1").arg(value);
}

// The cells of a report row, as splitting it at its tabs gives them, without copying the others.
class RowCells {
public:
    RowCells(const QString& row, const QList<int>& columns) : row(row), columns(columns) {
        int from = 0;
        for (;;) {
            starts.push_back(from);
            const int tab = row.indexOf(QLatin1Char('\t'), from);
            if (tab < 0) {
                break;
            }
            from = tab + 1;
        }
    }
    // The cell of a column ("-" cells read as absent).
    QString operator()(int column) const {
        const int index = columns.indexOf(column);
        if (index < 0 || index >= int(starts.size())) {
            return QString();
        }
        const int from = starts[size_t(index)];
        const int to = index + 1 < int(starts.size()) ? starts[size_t(index) + 1] - 1 : row.size();
        const QStringRef cell = row.midRef(from, to - from);
        return cell == QLatin1String("-") ? QString() : cell.toString();
    }

private:
    const QString& row;
    const QList<int>& columns;
    std::vector<int> starts;  // of every cell
};

}  // namespace

void VariationEntries::clear() {
    for (QByteArray& t : tails) {
        t.resize(0);  // keeps the memory for the next variation
    }
}

bool VariationEntries::isEmpty() const {
    for (const QByteArray& t : tails) {
        if (!t.isEmpty()) {
            return false;
        }
    }
    return true;
}

void VariationEntries::add(Field field, const QStringList& partsAfterAllele) {
    QByteArray& t = tails[field];
    if (!t.isEmpty()) {
        t += ',';
    }
    AnnotatedVcfFields::appendEntry(partsAfterAllele, t);
}

void VariationEntries::appendField(const char* tail, int size, const QByteArray& prefix, QByteArray& value) {
    int from = 0;
    while (from <= size) {
        const char* comma = static_cast<const char*>(memchr(tail + from, ',', size_t(size - from)));
        const int to = comma != nullptr ? int(comma - tail) : size;
        if (!value.isEmpty()) {
            value += ',';
        }
        value += prefix;
        value.append(tail + from, to - from);
        from = to + 1;
    }
}

void VariationEntries::appendTo(const QString& allele, QByteArray* values) const {
    QByteArray prefix;
    for (int f = 0; f < FIELDS; ++f) {
        const QByteArray& t = tails[f];
        if (t.isEmpty()) {
            continue;
        }
        if (prefix.isEmpty()) {
            prefix = AnnotatedVcfFields::escape(allele).toUtf8() + '|';
        }
        appendField(t.constData(), t.size(), prefix, values[f]);
    }
}

QByteArray VariationEntries::joined() const {
    QByteArray out;
    for (int f = 0; f < FIELDS; ++f) {
        if (f > 0) {
            out += '\t';
        }
        out += tails[f];
    }
    return out;
}

void VariationEntries::appendJoinedTo(const QByteArray& joined, const QString& allele, QByteArray* values) {
    QByteArray prefix;
    const char* data = joined.constData();
    const int size = joined.size();
    int from = 0;
    for (int f = 0; f < FIELDS && from <= size; ++f) {
        const char* tab = static_cast<const char*>(memchr(data + from, '\t', size_t(size - from)));
        const int to = tab != nullptr ? int(tab - data) : size;
        if (to > from) {
            if (prefix.isEmpty()) {
                prefix = AnnotatedVcfFields::escape(allele).toUtf8() + '|';
            }
            appendField(data + from, to - from, prefix, values[f]);
        }
        from = to + 1;
    }
}

void VariationEntries::addKnownAndAnswers(const NxVariant& variant, const QList<DamageEffect>& effects,
                                          const Source& source) {
    for (const DamageEffect& known : effects) {
        if (!known.isKnownEffect()) {
            continue;
        }
        add(Known, {known.hasKnownId ? variant.publicId : QString(), number(known.avSift), number(known.lrt),
                    number(known.phyloP), number(known.pp2), number(known.mutationTaster), number(known.genomes1000),
                    known.inSegmentalDuplication ? "+" : "", known.inConservedRegion ? "+" : "",
                    number(known.altAlleleFrequency), number(known.hapmap), number(known.gerpScore)});
        break;
    }
    if (source.tables.attributes == nullptr) {
        return;
    }
    const QPair<Field, QString> perVariation[] = {{RSnp, SnpRequestKeys::RSNP_RESULT},
                                                  {Chip, SnpRequestKeys::SNP_CHIP_RESULT}};
    for (const auto& answer : perVariation) {
        NxOpStatusImpl os;
        const NxStringAttribute stored =
            NxAttributeUtils::findStringAttribute(source.tables.attributes, variant.id, answer.second, os);
        if (!os.hasError() && stored.hasValidId() && !stored.value.isEmpty()) {
            add(answer.first, {stored.value});
        }
    }
}

bool VariationEntries::isFarFromGenes(const NxVariant& variant, const Source& source) {
    return !source.evaluator->isInGene(variant, source.sequenceId) &&
           source.evaluator->hasNoRegulatoryRows(variant, source.sequenceId);
}

void VariationEntries::farFromGenes(const NxVariant& variant, const Source& source, VariationEntries& out) {
    NxOpStatusImpl os;
    const QList<DamageEffect> effects = source.evaluator->damageEffects(
        variant, source.storedTrack != nullptr ? *source.storedTrack : *source.track,
        DamageEffectEvaluator::Mode_KnownMutations, os);
    out.addKnownAndAnswers(variant, os.hasError() ? QList<DamageEffect>() : effects, source);
}

void VariationEntries::compute(const NxVariant& variant, const Source& source, VariationEntries& out) {
    // Most variations outside genes are far from every promoter too: no transcript entries, and
    // only their stored effects to read.
    if (isFarFromGenes(variant, source)) {
        farFromGenes(variant, source, out);
        return;
    }
    VariationInfo info(variant, source.sequenceId, source.tables.sequences, source.tables.attributes,
                       source.track->sequenceName);
    if (source.storedTrack != nullptr) {
        info.init(*source.storedTrack, source.evaluator, true);
    } else {
        info.init(source.tables.variants, source.evaluator, true);
    }
    fromInfo(info, variant, nullptr, nullptr, source, out);
}

void VariationEntries::fromInfo(VariationInfo& info, const NxVariant& variant, const QStringList* inGeneRows,
                                const QStringList* regulatoryRows, const Source& source, VariationEntries& out) {
    const int refLength = variant.refData.size();
    const int altLength = variant.obsData.size();
    // Transcripts hit: the in-gene rows, one per gene in gene order.
    const QList<Gene>& genes = info.getGenes();
    const QStringList inGene = inGeneRows != nullptr ? *inGeneRows : info.getInGeneRows();
    const QList<int>& inCols = info.getInGeneColumns();
    for (int g = 0; g < genes.size() && g < inGene.size(); ++g) {
        const Gene& gene = genes[g];
        const QString transcript = QString::fromLatin1(gene.getFeatureId());
        const RowCells cell(inGene[g], inCols);
        const QString substitution = cell(ReportColumn_Substitution);
        out.add(Consequence, {gene.getName(), transcript,
                              AnnotatedVcfFields::consequence(cell(ReportColumn_Location), substitution,
                                                              gene.isCoding(), refLength, altLength),
                              cell(ReportColumn_Codon), substitution, cell(ReportColumn_SiftEffect),
                              cell(ReportColumn_SiftScore), QString()});
        const QPair<Field, int> answers[] = {{Stability1D, ReportColumn_ProtStability1D},
                                             {Stability3D, ReportColumn_ProtStability3D},
                                             {PdbSite, ReportColumn_Snp2PdbSite}};
        for (const auto& answer : answers) {
            const QString value = cell(answer.second);
            if (!value.isEmpty()) {
                out.add(answer.first, {transcript, value});
            }
        }
    }
    // Promoters, for a variation in no transcript. The rows the report took came with the genes
    // they are about: neither is looked up again.
    if (info.areGenesLoaded() && genes.isEmpty() &&
        (regulatoryRows != nullptr ? !regulatoryRows->isEmpty()
                                   : !source.evaluator->hasNoRegulatoryRows(variant, source.sequenceId))) {
        const QStringList regRows = regulatoryRows != nullptr ? *regulatoryRows : info.getRegulatoryRows();
        const QList<Gene> regulated = info.getRegulatedGenes() != nullptr
                                          ? *info.getRegulatedGenes()
                                          : source.evaluator->regulatedGenes(variant, source.sequenceId);
        const QList<int>& regCols = info.getRegulatoryColumns();
        for (int g = 0; g < regulated.size() && g < regRows.size(); ++g) {
            const QString transcript = QString::fromLatin1(regulated[g].getFeatureId());
            const RowCells cell(regRows[g], regCols);
            QString distance = cell(ReportColumn_FromTranscriptionStart);
            if (distance.startsWith('-')) {
                distance = distance.mid(1);
            }
            out.add(Consequence, {regulated[g].getName(), transcript, "upstream_gene_variant", QString(), QString(),
                                  QString(), QString(), distance});
            const QString tata = cell(ReportColumn_TataTool);
            if (!tata.isEmpty()) {
                out.add(Tata, {transcript, tata});
            }
        }
    }
    out.addKnownAndAnswers(variant, info.getEffectRecords(), source);
}

}  // namespace Nx
