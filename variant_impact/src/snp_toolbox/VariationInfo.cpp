// How one variation becomes report rows.
//
// Location text of a variation in a gene (getLocation):
//  1. outside the gene region: "Out of gene";
//  2. the coding region decides the branch: "CDS. " or "Out of CDS. " (left out for "FR" genes);
//  3. in an intron: the intron, or the splice site of the intron with its nearest exon; outside the
//     coding region also which end of the gene ("5'-end of gene. ", inverted on the complement strand);
//  4. in an exon: the exon, then the first splice window (two bases either side of an inner exon
//     boundary) that holds the variation. The scan walks the exons in transcript order, so the
//     transcript's own ends are skipped and the site names follow the strand.
//
// Effect cells (fillEffectColumns): the gene's damage-effect record and the known record (empty
// gene name) are picked from the stored effects; a variation in the coding part of a protein-coding
// gene gets its codon, amino-acid change and protein accession; the known record gives the scores.
//
// Rows: one in-gene row per gene that holds the variation, or one regulatory row per gene whose
// promoter holds a variation that lies in no gene. Cells missing from a row are written as "-".
#include "VariationInfo.h"

#include "DamageEffectEvaluator.h"

#include <NxCore/attributes/NxAttributeUtils.h>
#include <NxCore/biology/BaseDNAAlphabetIds.h>
#include <NxCore/biology/DNAAlphabetRegistry.h>
#include <NxCore/biology/DNATranslationRegistry.h>
#include <NxCore/core/AppContext.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/log/Logger.h>
#include <NxCore/variation/VariationPropertiesUtils.h>
#include <NxFormats/genbank/LocationParser.h>

#include <SnpRequestKeys.h>

#include <QVarLengthArray>

#include <algorithm>
#include <cstring>

namespace Nx {

namespace {

const int SPLICE_WINDOW = 2;

// The region a variation covers: its end minus its start, or one base when the end is unset.
NxRegion variantRegion(const NxVariant& v) {
    return NxRegion(v.startPos, v.endPos == 0 ? 1 : v.endPos - v.startPos);
}

// The report's overlap test of a gene-side region g with a variation-side region v, used for the
// gene, its coding region and its exons alike. Unlike NxRegion::intersects it lets a zero-length
// variation (a point between two bases) inside g, but not on g's first base, hit it.
bool regionsIntersect(const NxRegion& g, const NxRegion& v) {
    const qint64 d = g.startPos - v.startPos;
    return d >= 0 ? d < v.length : -d < g.length;
}

// Index of the first exon the variation hits by the same test, or -1.
int findExon(const QVector<NxRegion>& exons, const NxRegion& v) {
    for (int i = 0; i < exons.size(); ++i) {
        if (regionsIntersect(exons[i], v)) {
            return i;
        }
    }
    return -1;
}

QString loc(const NxRegion& r) {
    return Genbank::LocationParser::buildLocationString(r);
}

// The last value made on this thread and what it was made from: neighbouring variations of a
// report ask for the same texts again (one gene's rows, one position's alleles, one exon).
template <typename Key, typename Value>
class LastResult {
public:
    template <typename Make>
    const Value& get(const Key& key, Make make) {
        if (!valid || !(key == lastKey)) {
            valid = false;
            value = make();
            lastKey = key;
            valid = true;
        }
        return value;
    }

private:
    Key lastKey{};
    Value value{};
    bool valid = false;
};

// Names of the answers stored per gene: the result key, the separator and the gene's feature id.
struct GeneAnswerNames {
    QString prot1d;
    QString prot3d;
    QString pdbSite;
    QString tata;
};

QString featureAttribute(const QString& resultKey, const QString& featureId) {
    const QString& separator = SnpRequestKeys::SEPARATOR;
    QString name;
    name.reserve(resultKey.size() + separator.size() + featureId.size());
    name += resultKey;
    name += separator;
    name += featureId;
    return name;
}

const GeneAnswerNames& answerNames(const NxDataId& featureId) {
    thread_local LastResult<NxDataId, GeneAnswerNames> last;
    return last.get(featureId, [&featureId]() {
        const QString feature = QString::fromLatin1(featureId);
        return GeneAnswerNames{featureAttribute(SnpRequestKeys::PROT1D_RESULT, feature),
                               featureAttribute(SnpRequestKeys::PROT3D_RESULT, feature),
                               featureAttribute(SnpRequestKeys::PDB_SITE_RESULT, feature),
                               featureAttribute(SnpRequestKeys::TATA_RESULT, feature)};
    });
}

// What a location text depends on: the gene's shape and the variation's region.
struct LocationKey {
    Gene gene;
    NxRegion varRegion;

    bool operator==(const LocationKey& o) const {
        return varRegion == o.varRegion && gene.getRegion() == o.gene.getRegion() &&
               gene.getCDSRegion() == o.gene.getCDSRegion() && gene.isComplemented() == o.gene.isComplemented() &&
               gene.getName() == o.gene.getName() && gene.getExons() == o.gene.getExons();
    }
};

// The region text of an exon or intron.
QString cachedLoc(const NxRegion& r) {
    thread_local LastResult<NxRegion, QString> last;
    return last.get(r, [&r]() { return loc(r); });
}

// A translated text with one place holder: filled by appending when the holder ends it.
class OneArgText {
public:
    explicit OneArgText(const QString& text) : text(text) {
        const int n = text.size();
        simple = n >= 2 && text.at(n - 2) == QLatin1Char('%') && text.at(n - 1).isDigit() &&
                 text.count(QLatin1Char('%')) == 1;
        prefix = simple ? text.left(n - 2) : QString();
    }
    QString operator()(const QString& value) const { return simple ? prefix + value : text.arg(value); }

private:
    QString text;
    QString prefix;
    bool simple = false;
};

bool isFrGene(const QString& name) {
    return name.startsWith(QLatin1String("FR"));
}

}  // namespace

VariationInfo::VariationInfo(const NxVariant& variation, const NxDataId& sequenceId, NxSequenceDbi* sequenceDbi,
                             NxAttributeDbi* attributeDbi, const QString& chromosomeName)
    : sequenceDbi(sequenceDbi),
      attributeDbi(attributeDbi),
      variation(variation),
      sequenceId(sequenceId),
      chromosomeName(chromosomeName) {
    // Built once and shared: one object is made per variation of a report.
    static const QList<int> inGene = [] {
        QList<int> columns;
        for (int c = ReportColumn_Chr; c <= ReportColumn_GerpScore; ++c) {
            columns << c;
        }
        return columns;
    }();
    static const QList<int> regulatory{
        ReportColumn_Chr,         ReportColumn_Position,       ReportColumn_Allele,
        ReportColumn_DbSnp,       ReportColumn_Gene,           ReportColumn_ClinicalSignificance,
        ReportColumn_FromTranscriptionStart, ReportColumn_RSnpToolsFactors, ReportColumn_ChipTools,
        ReportColumn_TataTool,    ReportColumn_Genomes1000,    ReportColumn_SegmentalDupl,
        ReportColumn_ConservedReg, ReportColumn_AltAllele,     ReportColumn_Hapmap,
        ReportColumn_GerpScore};
    inGeneColumns = inGene;
    regulatoryColumns = regulatory;
}

void VariationInfo::init(NxVariantDbi* variantDbi, const QSharedPointer<DamageEffectEvaluator>& ev, bool loadEffects) {
    evaluator = ev;
    if (evaluator.isNull()) {
        return;
    }
    NX_SAFE_POINT(variantDbi != nullptr, "No variant dbi", );
    NxOpStatusImpl os;
    track = variantDbi->getVariantTrackOfVariant(variation.id, os);
    if (os.hasError()) {
        return;
    }
    loadGenesAndEffects(loadEffects);
}

void VariationInfo::init(const NxVariantTrack& variationTrack, const QSharedPointer<DamageEffectEvaluator>& ev,
                         bool loadEffects) {
    evaluator = ev;
    if (evaluator.isNull()) {
        return;
    }
    track = variationTrack;
    loadGenesAndEffects(loadEffects);
}

void VariationInfo::loadGenesAndEffects(bool loadEffects) {
    NxOpStatusImpl os;
    if (!genesLoaded) {
        genes = evaluator->genesAtVariant(variation, sequenceId, os);
        if (os.hasError()) {
            return;
        }
        genesLoaded = true;
    }
    if (!effectsLoaded && loadEffects) {
        effectRecords = evaluator->damageEffects(variation, track, DamageEffectEvaluator::Mode_All, os);
        effectsLoaded = !os.hasError();
    }
}

bool VariationInfo::hasGene(const QString& name) const {
    if (!genesLoaded) {
        return false;
    }
    return std::any_of(genes.begin(), genes.end(), [&name](const Gene& g) { return g.getName() == name; });
}

Gene VariationInfo::getGene(const QString& name) const {
    const Gene* gene = findGene(name);
    return gene != nullptr ? *gene : Gene();
}

const Gene* VariationInfo::findGene(const QString& name) const {
    for (const Gene& g : genes) {
        if (g.getName() == name) {
            return &g;
        }
    }
    return nullptr;
}

// ---- Location --------------------------------------------------------------------------------

QString VariationInfo::getLocation(const QString& geneName) const {
    const Gene* found = genesLoaded ? findGene(geneName) : nullptr;
    return found == nullptr ? tr("Out of gene") : locationIn(*found);
}

QString VariationInfo::locationIn(const Gene& gene) const {
    thread_local LastResult<LocationKey, QString> last;
    const LocationKey key{gene, variantRegion(variation)};
    return last.get(key, [&]() { return computeLocation(gene, key.varRegion); });
}

// The texts of a location, translated once.
struct VariationInfo::LocationTexts {
    QString outOfGene = tr("Out of gene");
    QString cds = tr("CDS. ");
    QString intron = tr("Intron.");
    OneArgText intronAt{tr("Intron: %1")};
    QString splice = tr("%1 splice-site of the intron %2, nearest exon is: %3");
    QString donor = tr("Donor");
    QString acceptor = tr("Acceptor");
    OneArgText exonAt{tr("Exon: %1")};
    QString outOfCds = tr("Out of CDS. ");
    QString fiveEnd = tr("%1'-end of gene. ").arg(5);
    QString threeEnd = tr("%1'-end of gene. ").arg(3);
    OneArgText nonCodingExon{tr("Non-coding exon: %1")};
    OneArgText nonCodingPartOf3{tr("Non-coding part of %1'-coding exon: %2").arg(3)};
    OneArgText nonCodingPartOf5{tr("Non-coding part of %1'-coding exon: %2").arg(5)};
};

QString VariationInfo::computeLocation(const Gene& gene, const NxRegion& varRegion) const {
    static const LocationTexts t;
    const QString& geneName = gene.getName();
    if (!regionsIntersect(gene.getRegion(), varRegion)) {
        return t.outOfGene;
    }
    const bool complement = gene.isComplemented();
    const QVector<NxRegion>& exons = gene.getExons();
    const int n = findExon(exons, varRegion);
    const qint64 pos = variation.startPos;
    QString result;

    if (regionsIntersect(gene.getCDSRegion(), varRegion)) {
        if (!isFrGene(geneName)) {
            result += t.cds;
        }
        if (n == -1) {
            NxRegion nearest = VariationPropertiesUtils::noRegion();
            bool donor = false;
            const NxRegion intron = VariationPropertiesUtils::getIntron(gene.getRegion(), exons, pos, nearest, donor);
            if (intron == VariationPropertiesUtils::noRegion()) {
                result += t.intron;
            } else if (nearest == VariationPropertiesUtils::noRegion()) {
                result += t.intronAt(cachedLoc(intron));
            } else {
                donor = complement ? !donor : donor;
                result += t.splice.arg(donor ? t.donor : t.acceptor, loc(intron), loc(nearest));
            }
            return result;
        }
        result += t.exonAt(cachedLoc(exons[n]));
        return result + spliceSiteText(gene);
    }

    if (!isFrGene(geneName)) {
        result += t.outOfCds;
    }
    bool five = pos < gene.getCDSRegion().startPos;
    five = complement ? !five : five;
    if (n == -1) {
        NxRegion nearest = VariationPropertiesUtils::noRegion();
        bool donor = false;
        const NxRegion intron = VariationPropertiesUtils::getIntron(gene.getRegion(), exons, pos, nearest, donor);
        donor = complement ? !donor : donor;
        result += five ? t.fiveEnd : t.threeEnd;
        if (nearest != VariationPropertiesUtils::noRegion()) {
            result += t.splice.arg(donor ? t.donor : t.acceptor, loc(intron), loc(nearest));
        } else if (intron != VariationPropertiesUtils::noRegion()) {
            result += t.intronAt(cachedLoc(intron));
        } else {
            result += t.intron;
        }
        return result;
    }
    result += five ? t.fiveEnd : t.threeEnd;
    if (!regionsIntersect(exons[n], gene.getCDSRegion())) {
        result += t.nonCodingExon(cachedLoc(exons[n]));
    } else {
        result += (five ? t.nonCodingPartOf3 : t.nonCodingPartOf5)(cachedLoc(exons[n]));
    }
    return result + spliceSiteText(gene);
}

// The splice piece of a variation in an exon, or an empty text. Genes keep their exons ascending
// on both strands; the scan needs them 5' to 3' of the transcript, so that on the complement strand
// the transcript's first exon (skipped end) is the highest one and its last (skipped start) the
// lowest one.
QString VariationInfo::spliceSiteText(const Gene& gene) const {
    const bool complement = gene.isComplemented();
    QVector<NxRegion> exons = gene.getExons();
    if (complement) {
        std::reverse(exons.begin(), exons.end());
    }
    const qint64 p = variation.startPos;
    const int n = exons.size();
    for (int i = 0; i < n; ++i) {
        const qint64 s = exons[i].startPos;
        const qint64 e = s + exons[i].length;
        const bool skipStart = (i == 0 && !complement) || (i == n - 1 && complement);
        if (!skipStart && s - SPLICE_WINDOW <= p && p < s + SPLICE_WINDOW) {
            return tr(". %1 splice-site.").arg(complement ? tr("Donor") : tr("Acceptor"));
        }
        const bool skipEnd = (i == 0 && complement) || (i == n - 1 && !complement);
        if (!skipEnd && e - SPLICE_WINDOW <= p && p < e + SPLICE_WINDOW) {
            return tr(". %1 splice-site.").arg(complement ? tr("Acceptor") : tr("Donor"));
        }
    }
    return QString();
}

// ---- Effect cells ----------------------------------------------------------------------------

void VariationInfo::fillEffectColumns(const QString& geneName, ColumnValues* values) {
    static const Gene noGene;
    const Gene* found = findGene(geneName);
    fillEffectColumnsOf(found != nullptr ? *found : noGene, values);
}

void VariationInfo::fillEffectColumnsOf(const Gene& gene, ColumnValues* values) {
    NX_SAFE_POINT(sequenceDbi != nullptr, "Sequence DBI is NULL", );
    if (!effectsLoaded && !evaluator.isNull()) {
        NxOpStatusImpl loadOs;
        QList<DamageEffect> loaded = evaluator->damageEffects(variation, track, DamageEffectEvaluator::Mode_All, loadOs);
        if (loadOs.hasError()) {
            return;
        }
        effectRecords = loaded;
        effectsLoaded = true;
    }

    // The gene's own record ends the scan: a known record after it is not looked at.
    const DamageEffect* known = nullptr;
    for (const DamageEffect& record : qAsConst(effectRecords)) {
        if (!gene.getName().isEmpty() &&
            record.affectedGeneName.compare(gene.getName(), Qt::CaseInsensitive) == 0) {
            break;
        }
        if (record.affectedGeneName.isEmpty()) {
            known = &record;
        }
    }

    if (!fillCodonColumns(gene, values)) {
        return;
    }
    if (known != nullptr) {
        fillKnownRecordColumns(*known, values);
    }
}

bool VariationInfo::fillCodonColumns(const Gene& gene, ColumnValues* values) {
    const NxRegion varRegion = variantRegion(variation);
    const bool analyse =
        !isFrGene(gene.getName()) &&
        (regionsIntersect(gene.getCDSRegion(), varRegion) ||
         findExon(gene.getExons(), varRegion) != -1 ||
         VariationPropertiesUtils::isInSpliceSite(gene.getExons(), variation.startPos, SPLICE_WINDOW,
                                                  gene.isComplemented()));
    if (!analyse || !VariationPropertiesUtils::isDamageProtein(variation, gene) || !gene.isCoding()) {
        return true;
    }
    NxOpStatusImpl os;
    // The base under the variation: only its read status matters, it is checked with the codon's.
    sequenceDbi->getSequenceData(sequenceId, NxRegion(variation.startPos, 1), os);

    qint64 codonStart = -1;
    int codonIndex = -1;
    int positionInCodon = -1;
    if (!VariationPropertiesUtils::getFrameStartPositionsForCoding(codonStart, codonIndex, positionInCodon, variation,
                                                                   gene)) {
        return false;
    }
    QByteArray codon =
        VariationPropertiesUtils::getDamagedTriplet(gene, codonStart, sequenceId, sequenceDbi, os).toUpper();

    DNAAlphabetRegistry* alphabets = AppContext::getDNAAlphabetRegistry();
    const DNAAlphabet* alphabet = alphabets != nullptr ? alphabets->findById(BaseDNAAlphabetIds::NUCL_DNA_DEFAULT()) : nullptr;
    NX_SAFE_POINT(alphabet != nullptr, "No Alphabet", false);
    DNATranslationRegistry* translations = AppContext::getDNATranslationRegistry();

    QByteArray varied;
    if (gene.isComplemented()) {
        QList<DNATranslation*> complements = translations != nullptr
            ? translations->lookupTranslation(alphabet, DNATranslationType::NucleotideToComplement)
            : QList<DNATranslation*>();
        NX_SAFE_POINT(!complements.isEmpty(), "No compl Translations", false);
        DNATranslation* complement = complements.first();
        complement->translate(codon.data(), codon.size());
        varied = VariationPropertiesUtils::varyTriplet(codon, variation, positionInCodon, complement);
    } else {
        varied = VariationPropertiesUtils::varyTriplet(codon, variation, positionInCodon, nullptr);
    }
    QList<DNATranslation*> aminos = translations != nullptr
        ? translations->lookupTranslation(alphabet, DNATranslationType::NucleotideToAmino)
        : QList<DNATranslation*>();
    NX_SAFE_POINT(!aminos.isEmpty(), "No Translations", false);
    const DNATranslation* amino = aminos.first();
    auto byteAt = [](const QByteArray& b, int i) { return i < b.size() ? b.at(i) : '\0'; };
    const char refAmino = amino->translate3to1(byteAt(codon, 0), byteAt(codon, 1), byteAt(codon, 2));
    const char varAmino = amino->translate3to1(byteAt(varied, 0), byteAt(varied, 1), byteAt(varied, 2));

    QString codonText = QString::fromLatin1(codon);
    codonText += QLatin1String("->");
    codonText += QLatin1String(varied);
    values->insert(ReportColumn_Codon, codonText);
    QString substitution(QChar::fromLatin1(refAmino));
    substitution += QString::number(codonIndex + 1);
    substitution += QChar::fromLatin1(varAmino);
    values->insert(ReportColumn_Substitution, substitution);
    if (!gene.getAccession().isEmpty()) {
        values->insert(ReportColumn_Protein, gene.getAccession());
    }
    return !os.hasError();
}

void VariationInfo::fillKnownRecordColumns(const DamageEffect& known, ColumnValues* values) {
    if (known.avSift == -1) {
        values->insert(ReportColumn_SiftEffect, QStringLiteral("Unknown"));
    } else {
        // A score that is no number is not below 0.05: tolerated.
        values->insert(ReportColumn_SiftEffect, known.avSift < 0.05 ? QStringLiteral("Damaging") : QStringLiteral("Tolerated"));
        values->insert(ReportColumn_SiftScore, QString("%1").arg(known.avSift));
    }
    const QList<QPair<int, double>> scores{
        {ReportColumn_Lrt, known.lrt},
        {ReportColumn_PhyloP, known.phyloP},
        {ReportColumn_PolyPhen2, known.pp2},
        {ReportColumn_MutationTaster, known.mutationTaster},
        {ReportColumn_Genomes1000, known.genomes1000},
    };
    for (const auto& s : scores) {
        if (s.second != -1) {
            values->insert(s.first, QString("%1").arg(s.second));
        }
    }
    if (known.inSegmentalDuplication) {
        values->insert(ReportColumn_SegmentalDupl, QStringLiteral("+"));
    }
    if (known.inConservedRegion) {
        values->insert(ReportColumn_ConservedReg, QStringLiteral("+"));
    }
    const QList<QPair<int, double>> tail{
        {ReportColumn_AltAllele, known.altAlleleFrequency},
        {ReportColumn_Hapmap, known.hapmap},
        {ReportColumn_GerpScore, known.gerpScore},
    };
    for (const auto& s : tail) {
        if (s.second != -1) {
            values->insert(s.first, QString("%1").arg(s.second));
        }
    }
}

// ---- Headers and rows ------------------------------------------------------------------------

QString VariationInfo::inGeneColumnName(int column) {
    static const char* const names[] = {
        "",          "Chr",          "Position",        "Allele",          "dbSNP",         "Gene",
        "Clinical_significance",     "Location",        "Protein",         "Codon",         "Substitution",
        "SIFTeffect", "SIFTscore",   "ProtStability1D", "ProtStability3D", "SNP2PDBSite",   "LRT",
        "PhyloP",    "PolyPhen2",    "MutationTaster",  "1000genomes",     "segmental_dupl", "conserved_reg",
        "alt_allele", "hapmap",      "gerpScore",       "From_transcroption_start", "rSNPTools_factors",
        "ChIPTools", "TATATool"};
    return column >= ReportColumn_Chr && column <= ReportColumn_TataTool ? QString::fromLatin1(names[column]) : QString();
}

QString VariationInfo::regulatoryColumnName(int column) {
    return column == ReportColumn_Gene ? QStringLiteral("Promoter_of_Gene") : inGeneColumnName(column);
}

QString VariationInfo::assembleHeader(const QList<int>& columns, QString (*name)(int)) {
    QString header("#");
    for (int i = 0; i < columns.size(); ++i) {
        if (i > 0) {
            header += '\t';
        }
        header += name(columns[i]);
    }
    return header + '\n';
}

QString VariationInfo::getInGeneHeader() const {
    return assembleHeader(inGeneColumns, &VariationInfo::inGeneColumnName);
}

QString VariationInfo::getRegulatoryHeader() const {
    return assembleHeader(regulatoryColumns, &VariationInfo::regulatoryColumnName);
}

QString VariationInfo::assembleRow(const ColumnValues& values, const QList<int>& columns) {
    // Sized once and filled by copying: rows are made for nearly every variation of a report.
    static const QString dash = QStringLiteral("-");
    const int n = columns.size();
    QVarLengthArray<const QString*, 32> cells(n);
    int length = n > 0 ? n - 1 : 0;
    for (int i = 0; i < n; ++i) {
        const QString* cell = values.find(columns[i]);
        cells[i] = cell != nullptr ? cell : &dash;
        length += cells[i]->size();
    }
    QString row(length, Qt::Uninitialized);
    QChar* out = row.data();
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            *out++ = QLatin1Char('\t');
        }
        const int size = cells[i]->size();
        memcpy(static_cast<void*>(out), cells[i]->constData(), size_t(size) * sizeof(QChar));
        out += size;
    }
    return row;
}

bool VariationInfo::fillChromosomeName() {
    if (!chromosomeName.isEmpty()) {
        return true;
    }
    NX_SAFE_POINT(sequenceDbi != nullptr, "No sequence DBI", false);
    NxOpStatusImpl os;
    const NxSequence sequence = sequenceDbi->getSequenceObject(sequenceId, os);
    if (os.hasError()) {
        return false;
    }
    chromosomeName = sequence.visualName;
    return true;
}

void VariationInfo::putVariationColumns(const Gene& gene, ColumnValues* values) const {
    values->insert(ReportColumn_Chr, chromosomeName);
    values->insert(ReportColumn_Position, QString::number(variation.startPos + 1));
    QString allele;
    allele.reserve(variation.refData.size() + 1 + variation.obsData.size());
    allele += QLatin1String(variation.refData);
    allele += QLatin1Char('/');
    allele += QLatin1String(variation.obsData);
    values->insert(ReportColumn_Allele, allele);
    values->insert(ReportColumn_Gene, gene.getAltName().isEmpty() ? gene.getName() : gene.getAltName());
    values->insert(ReportColumn_ClinicalSignificance, gene.getDisease().trimmed());
    if (variation.publicId.startsWith(QLatin1String("rs"))) {
        values->insert(ReportColumn_DbSnp, variation.publicId);
    }
}

QStringList VariationInfo::getInGeneRows() {
    QStringList rows;
    if (genesLoaded && genes.isEmpty()) {
        return rows;
    }
    for (const Gene& gene : qAsConst(genes)) {
        ColumnValues values;
        if (!fillChromosomeName()) {
            return rows;
        }
        putVariationColumns(gene, &values);
        // The row's own transcript, not the first gene of its name: transcripts of one gene may
        // share the name and differ in exons and coding region.
        fillEffectColumnsOf(gene, &values);
        values.insert(ReportColumn_Location, locationIn(gene));
        const GeneAnswerNames& names = answerNames(gene.getFeatureId());
        putAttributeColumn(variation.id, names.prot1d, ReportColumn_ProtStability1D, &values);
        putAttributeColumn(variation.id, names.prot3d, ReportColumn_ProtStability3D, &values);
        putAttributeColumn(variation.id, names.pdbSite, ReportColumn_Snp2PdbSite, &values);
        rows << assembleRow(values, inGeneColumns);
    }
    return rows;
}

QStringList VariationInfo::getRegulatoryRows() {
    QStringList rows;
    if (!genesLoaded || !genes.isEmpty() || evaluator.isNull()) {
        return rows;
    }
    regulated = evaluator->regulatedGenes(variation, sequenceId);
    regulatedKnown = true;
    for (const Gene& gene : qAsConst(regulated)) {
        ColumnValues values;
        if (!fillChromosomeName()) {
            return rows;
        }
        putVariationColumns(gene, &values);
        const qint64 distance = VariationPropertiesUtils::positionFromTranscriptionStart(gene, variation);
        if (distance != -1) {
            values.insert(ReportColumn_FromTranscriptionStart, QLatin1Char('-') + QString::number(distance));
        }
        fillEffectColumns(gene.getName(), &values);
        putAttributeColumn(variation.id, SnpRequestKeys::RSNP_RESULT, ReportColumn_RSnpToolsFactors, &values);
        putAttributeColumn(variation.id, SnpRequestKeys::SNP_CHIP_RESULT, ReportColumn_ChipTools, &values);
        putAttributeColumn(variation.id, answerNames(gene.getFeatureId()).tata, ReportColumn_TataTool, &values);
        rows << assembleRow(values, regulatoryColumns);
    }
    return rows;
}

void VariationInfo::putAttributeColumn(const NxDataId& variantId, const QString& attributeName, int column,
                                       ColumnValues* values) {
    if (attributeDbi == nullptr) {
        return;
    }
    NxOpStatusImpl os;
    const NxStringAttribute attr = NxAttributeUtils::findStringAttribute(attributeDbi, variantId, attributeName, os);
    if (!os.hasError() && attr.hasValidId() && !attr.value.isEmpty()) {
        values->insert(column, attr.value);
    }
}

}  // namespace Nx
