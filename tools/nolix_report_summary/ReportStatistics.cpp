#include "ReportStatistics.h"

#include <algorithm>

namespace Nx {

namespace {

const int SIFT_BINS = 20;
const int DISTANCE_BINS = 10;
const int TOP_GENES = 20;

struct ScoreColumn {
    ReportKind kind;
    int column;
};

// The score columns of both reports, in page order.
const QList<ScoreColumn>& scoreColumns() {
    static const QList<ScoreColumn> all{
        {ReportKind::InGene, InGeneColumn::SiftScore},         {ReportKind::InGene, InGeneColumn::Lrt},
        {ReportKind::InGene, InGeneColumn::PhyloP},            {ReportKind::InGene, InGeneColumn::PolyPhen2},
        {ReportKind::InGene, InGeneColumn::MutationTaster},    {ReportKind::InGene, InGeneColumn::Genomes1000},
        {ReportKind::InGene, InGeneColumn::AltAllele},         {ReportKind::InGene, InGeneColumn::Hapmap},
        {ReportKind::InGene, InGeneColumn::GerpScore},         {ReportKind::Regulatory, RegulatoryColumn::Genomes1000},
        {ReportKind::Regulatory, RegulatoryColumn::AltAllele}, {ReportKind::Regulatory, RegulatoryColumn::Hapmap},
        {ReportKind::Regulatory, RegulatoryColumn::GerpScore}};
    return all;
}

struct AnswerColumn {
    ReportKind kind;
    int column;
    const char* element;
};

const QList<AnswerColumn>& answerColumns() {
    static const QList<AnswerColumn> all{
        {ReportKind::InGene, InGeneColumn::ProtStability1D, "prot-stability-1d"},
        {ReportKind::InGene, InGeneColumn::ProtStability3D, "prot-stability-3d"},
        {ReportKind::InGene, InGeneColumn::Snp2PdbSite, "snp2pdb-site"},
        {ReportKind::Regulatory, RegulatoryColumn::RSnpToolsFactors, "rSnp-tools"},
        {ReportKind::Regulatory, RegulatoryColumn::ChipTools, "snp-chip-tools"},
        {ReportKind::Regulatory, RegulatoryColumn::TataTool, "tata-box-snp"}};
    return all;
}

QString columnKey(ReportKind kind, int column) {
    return ReportFormat::kindName(kind) + '/' + QString::number(column);
}

double median(QVector<double> values) {
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

ReportStatistics::ReportStatistics() {
    counts.variationTypes.fill(0, ReportCellClasses::variationTypes().size());
    counts.knownInGene.fill(0, 2);
    counts.knownRegulatory.fill(0, 2);
    counts.knownAll.fill(0, 2);
    counts.locations.fill(0, ReportCellClasses::locationClasses().size());
    counts.codingClasses.fill(0, ReportCellClasses::codingClasses().size());
    counts.siftScoreBins.fill(0, SIFT_BINS);
    counts.distanceBins.fill(0, DISTANCE_BINS);
    counts.tataLevels.fill(0, ReportCellClasses::tataLevels().size());
}

bool ReportStatistics::addRow(ReportKind kind, const QStringList& cells, QString& error) {
    // Columns 0-3 are the same in both reports.
    bool ok = false;
    const qint64 position = cells[1].toLongLong(&ok);
    if (!ok || position < 1) {
        error = tr("Position '%1' is not a whole number from 1 on").arg(cells[1]);
        return false;
    }
    QString ref;
    QString alt;
    if (!ReportCellClasses::splitAllele(cells[2], ref, alt)) {
        error = tr("Allele '%1' is not REF/ALT").arg(cells[2]);
        return false;
    }
    if (cells[0].isEmpty()) {
        error = tr("the Chr cell is empty");
        return false;
    }
    const QString key = cells[0] + '\t' + cells[1] + '\t' + cells[2];
    if (kind == ReportKind::InGene ? !addInGeneRow(cells, key, error) : !addRegulatoryRow(cells, error)) {
        return false;
    }
    VariationFacts& facts = variations[key];
    (kind == ReportKind::InGene ? facts.inGene : facts.regulatory) = true;
    facts.known = facts.known || !ReportFormat::isMissing(cells[3]);
    if (kind == ReportKind::InGene) {
        ++counts.inGeneRows;
        ++inGeneRowsByChr[cells[0]];
    } else {
        ++counts.regulatoryRows;
        ++regulatoryRowsByChr[cells[0]];
    }
    return true;
}

bool ReportStatistics::parseScores(ReportKind kind, const QStringList& cells, QList<QPair<QString, double>>& values,
                                   QString& error) {
    for (const ScoreColumn& s : scoreColumns()) {
        const QString& cell = cells[s.column];
        if (s.kind != kind || ReportFormat::isMissing(cell)) {
            continue;
        }
        bool ok = false;
        const double value = cell.toDouble(&ok);
        if (!ok) {
            error = tr("%1 '%2' is not a number").arg(ReportFormat::columnName(kind, s.column), cell);
            return false;
        }
        values.append({columnKey(kind, s.column), value});
    }
    return true;
}

void ReportStatistics::addScores(const QList<QPair<QString, double>>& values) {
    for (const auto& v : values) {
        scoreValues[v.first] << v.second;
    }
}

bool ReportStatistics::countFlag(const QString& name, const QString& cell, qint64& count, QString& error) {
    if (cell == QLatin1String("+")) {
        ++count;
    } else if (!ReportFormat::isMissing(cell)) {
        error = tr("%1 '%2' is neither '+' nor '-'").arg(name, cell);
        return false;
    }
    return true;
}

bool ReportStatistics::addInGeneRow(const QStringList& cells, const QString& key, QString& error) {
    // Check every cell before counting any, so a bad row leaves no trace.
    const QString& substitution = cells[InGeneColumn::Substitution];
    CodingClass coding = CodingClass::Synonymous;
    const bool hasCoding = !ReportFormat::isMissing(substitution);
    if (hasCoding && !ReportCellClasses::codingClass(substitution, coding)) {
        error = tr("Substitution '%1' is not an amino-acid change such as R100G").arg(substitution);
        return false;
    }
    const QString& verdict = cells[InGeneColumn::SiftEffect];
    static const QStringList verdicts{"Damaging", "Tolerated", "Unknown", "-"};
    if (!verdicts.contains(verdict)) {
        error = tr("SIFTeffect '%1' is none of Damaging, Tolerated, Unknown and '-'").arg(verdict);
        return false;
    }
    QList<QPair<QString, double>> scores;
    if (!parseScores(ReportKind::InGene, cells, scores, error)) {
        return false;
    }
    qint64 segmental = 0;
    qint64 conserved = 0;
    if (!countFlag("segmental_dupl", cells[InGeneColumn::SegmentalDupl], segmental, error) ||
        !countFlag("conserved_reg", cells[InGeneColumn::ConservedReg], conserved, error)) {
        return false;
    }
    addScores(scores);
    counts.inGeneSegmentalDupl += segmental;
    counts.inGeneConservedReg += conserved;

    const LocationClass location = ReportCellClasses::locationClass(cells[InGeneColumn::Location]);
    ++counts.locations[int(location)];
    if (location == LocationClass::Unrecognised && counts.unrecognisedLocations.size() < 10) {
        ++counts.unrecognisedLocations[cells[InGeneColumn::Location]];
    }
    if (hasCoding) {
        ++counts.codingClasses[int(coding)];
    }
    ++counts.siftVerdicts[verdict];
    const QString& siftScore = cells[InGeneColumn::SiftScore];
    if (!ReportFormat::isMissing(siftScore)) {
        const double score = siftScore.toDouble();
        if (score < 0 || score > 1) {
            ++counts.siftScoresOutside;
        } else {
            ++counts.siftScoreBins[std::min(SIFT_BINS - 1, int(score * SIFT_BINS))];
        }
    }
    for (const AnswerColumn& a : answerColumns()) {
        if (a.kind == ReportKind::InGene && !ReportFormat::isMissing(cells[a.column])) {
            ++answered[columnKey(a.kind, a.column)];
        }
    }

    GeneTally& gene = genes[cells[InGeneColumn::Gene]];
    if (gene.clinicalSignificance.isEmpty()) {
        gene.clinicalSignificance = cells[InGeneColumn::ClinicalSignificance];
    }
    gene.variations << key;
    const bool stop = hasCoding && (coding == CodingClass::Nonsense || coding == CodingClass::StopLost);
    const bool sift = verdict == QLatin1String("Damaging");
    const bool splice = location == LocationClass::SpliceDonor || location == LocationClass::SpliceAcceptor;
    if (stop) gene.stopChanges << key;
    if (sift) gene.siftDamaging << key;
    if (splice) gene.spliceSites << key;
    if (stop || sift || splice) gene.damaging << key;
    if (hasCoding && coding == CodingClass::Missense) gene.missense << key;
    return true;
}

bool ReportStatistics::addRegulatoryRow(const QStringList& cells, QString& error) {
    const QString& distanceCell = cells[RegulatoryColumn::FromTranscriptionStart];
    // The writer puts a minus sign in front of the distance, whatever its sign: "-719", "--5".
    qint64 distance = 0;
    const bool hasDistance = !ReportFormat::isMissing(distanceCell);
    if (hasDistance) {
        bool ok = distanceCell.startsWith('-');
        if (ok) {
            distance = distanceCell.mid(1).toLongLong(&ok);
        }
        if (!ok) {
            error = tr("From_transcroption_start '%1' is not a minus sign and a distance").arg(distanceCell);
            return false;
        }
    }
    const QString& tataCell = cells[RegulatoryColumn::TataTool];
    TataLevel level = TataLevel::Unsignificant;
    double z = 0;
    const bool hasTata = !ReportFormat::isMissing(tataCell);
    if (hasTata && !ReportCellClasses::tataLevel(tataCell, level, z)) {
        error = tr("TATATool '%1' is not a statistic and a level such as 2.6/0.99").arg(tataCell);
        return false;
    }
    QList<QPair<QString, double>> scores;
    if (!parseScores(ReportKind::Regulatory, cells, scores, error)) {
        return false;
    }
    qint64 segmental = 0;
    qint64 conserved = 0;
    if (!countFlag("segmental_dupl", cells[RegulatoryColumn::SegmentalDupl], segmental, error) ||
        !countFlag("conserved_reg", cells[RegulatoryColumn::ConservedReg], conserved, error)) {
        return false;
    }
    addScores(scores);
    counts.regulatorySegmentalDupl += segmental;
    counts.regulatoryConservedReg += conserved;

    if (!hasDistance) {
        ++counts.distanceUnknown;
    } else if (distance < 0) {
        ++counts.distanceNegative;
    } else if (distance >= 100 * DISTANCE_BINS) {
        ++counts.distanceAtLeast1000;
    } else {
        ++counts.distanceBins[int(distance / 100)];
    }
    if (hasTata) {
        ++counts.tataLevels[int(level)];
    } else {
        ++counts.tataNotAnalysed;
    }
    for (const AnswerColumn& a : answerColumns()) {
        if (a.kind == ReportKind::Regulatory && !ReportFormat::isMissing(cells[a.column])) {
            ++answered[columnKey(a.kind, a.column)];
        }
    }
    regulatoryGenes << cells[RegulatoryColumn::PromoterOfGene];
    return true;
}

SummaryCounts ReportStatistics::result() const {
    SummaryCounts c = counts;
    c.inGeneGenes = genes.size();
    c.regulatoryGenes = regulatoryGenes.size();

    // Per variation: report, chromosome, type, base change, known or novel.
    QMap<QString, ChromosomeCounts> chromosomes;
    for (auto it = variations.constBegin(); it != variations.constEnd(); ++it) {
        const QStringList parts = it.key().split('\t');
        const VariationFacts& f = it.value();
        ChromosomeCounts& chr = chromosomes[parts[0]];
        ++c.variations;
        ++chr.variations;
        ++c.knownAll[f.known ? 1 : 0];
        if (f.inGene) {
            ++c.inGeneVariations;
            ++chr.inGeneVariations;
            ++c.knownInGene[f.known ? 1 : 0];
        }
        if (f.regulatory) {
            ++c.regulatoryVariations;
            ++chr.regulatoryVariations;
            ++c.knownRegulatory[f.known ? 1 : 0];
        }
        QString ref;
        QString alt;
        ReportCellClasses::splitAllele(parts[2], ref, alt);
        const VariationType type = ReportCellClasses::variationType(ref, alt);
        ++c.variationTypes[int(type)];
        ref = ref.toUpper();
        alt = alt.toUpper();
        static const QString bases("ACGT");
        if (type == VariationType::Snv && bases.contains(ref[0]) && bases.contains(alt[0]) && ref != alt) {
            ++c.baseChanges[ref + '>' + alt];
            ++(ReportCellClasses::isTransition(ref[0], alt[0]) ? c.transitions : c.transversions);
        }
    }
    for (auto it = inGeneRowsByChr.constBegin(); it != inGeneRowsByChr.constEnd(); ++it) {
        chromosomes[it.key()].inGeneRows = it.value();
    }
    for (auto it = regulatoryRowsByChr.constBegin(); it != regulatoryRowsByChr.constEnd(); ++it) {
        chromosomes[it.key()].regulatoryRows = it.value();
    }
    for (auto it = chromosomes.begin(); it != chromosomes.end(); ++it) {
        it.value().name = it.key();
        c.chromosomes << it.value();
    }
    std::sort(c.chromosomes.begin(), c.chromosomes.end(), [](const ChromosomeCounts& a, const ChromosomeCounts& b) {
        return ReportCellClasses::chromosomeLess(a.name, b.name);
    });

    for (const ScoreColumn& s : scoreColumns()) {
        ScoreSummary score;
        score.kind = s.kind;
        score.column = ReportFormat::columnName(s.kind, s.column);
        const QVector<double> values = scoreValues.value(columnKey(s.kind, s.column));
        score.rows = values.size();
        if (!values.isEmpty()) {
            score.min = *std::min_element(values.begin(), values.end());
            score.max = *std::max_element(values.begin(), values.end());
            score.median = median(values);
        }
        c.scores << score;
    }
    for (const AnswerColumn& a : answerColumns()) {
        AnswerCounts answer;
        answer.kind = a.kind;
        answer.column = ReportFormat::columnName(a.kind, a.column);
        answer.element = QString::fromLatin1(a.element);
        answer.rows = a.kind == ReportKind::InGene ? c.inGeneRows : c.regulatoryRows;
        answer.answered = answered.value(columnKey(a.kind, a.column));
        c.answers << answer;
    }

    QList<GeneCounts> damaging;
    for (auto it = genes.constBegin(); it != genes.constEnd(); ++it) {
        const GeneTally& t = it.value();
        if (t.damaging.isEmpty()) {
            continue;
        }
        GeneCounts g;
        g.gene = it.key();
        g.clinicalSignificance = t.clinicalSignificance;
        g.variations = t.variations.size();
        g.damaging = t.damaging.size();
        g.stopChanges = t.stopChanges.size();
        g.siftDamaging = t.siftDamaging.size();
        g.spliceSites = t.spliceSites.size();
        g.missense = t.missense.size();
        damaging << g;
    }
    c.genesWithDamaging = damaging.size();
    std::sort(damaging.begin(), damaging.end(), [](const GeneCounts& a, const GeneCounts& b) {
        if (a.damaging != b.damaging) return a.damaging > b.damaging;
        if (a.variations != b.variations) return a.variations > b.variations;
        return a.gene < b.gene;
    });
    c.damagingGenes = damaging.mid(0, TOP_GENES);
    return c;
}

}  // namespace Nx
