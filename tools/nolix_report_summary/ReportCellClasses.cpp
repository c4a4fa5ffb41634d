#include "ReportCellClasses.h"

#include <QList>
#include <QRegularExpression>

#include <cmath>

namespace Nx {

LocationClass ReportCellClasses::locationClass(const QString& location) {
    if (location == QLatin1String("Out of gene")) {
        return LocationClass::OutOfGene;
    }
    if (location.contains(QLatin1String("Donor splice-site"))) {
        return LocationClass::SpliceDonor;
    }
    if (location.contains(QLatin1String("Acceptor splice-site"))) {
        return LocationClass::SpliceAcceptor;
    }
    if (location.contains(QLatin1String("Non-coding exon: "))) {
        return LocationClass::NonCodingExon;
    }
    if (location.contains(QLatin1String("Non-coding part of "))) {
        if (location.contains(QLatin1String("5'-end of gene. "))) {
            return LocationClass::FivePrimeEnd;
        }
        if (location.contains(QLatin1String("3'-end of gene. "))) {
            return LocationClass::ThreePrimeEnd;
        }
        return LocationClass::Unrecognised;
    }
    // The coding branch starts with "CDS. ", which genes named "FR..." leave out.
    QString rest = location;
    if (rest.startsWith(QLatin1String("CDS. "))) {
        rest = rest.mid(5);
    }
    if (rest.startsWith(QLatin1String("Exon: "))) {
        return LocationClass::CodingExon;
    }
    if (location.contains(QLatin1String("Intron"))) {
        return LocationClass::Intron;
    }
    return LocationClass::Unrecognised;
}

QString ReportCellClasses::locationClassName(LocationClass c) {
    switch (c) {
        case LocationClass::CodingExon: return tr("Coding exon");
        case LocationClass::SpliceDonor: return tr("Splice site, donor");
        case LocationClass::SpliceAcceptor: return tr("Splice site, acceptor");
        case LocationClass::Intron: return tr("Intron");
        case LocationClass::FivePrimeEnd: return tr("5' end (untranslated part of an exon)");
        case LocationClass::ThreePrimeEnd: return tr("3' end (untranslated part of an exon)");
        case LocationClass::NonCodingExon: return tr("Non-coding exon");
        case LocationClass::OutOfGene: return tr("Out of gene");
        case LocationClass::Unrecognised: break;
    }
    return tr("Other text");
}

const QList<LocationClass>& ReportCellClasses::locationClasses() {
    static const QList<LocationClass> all{
        LocationClass::CodingExon,   LocationClass::SpliceDonor,   LocationClass::SpliceAcceptor,
        LocationClass::Intron,       LocationClass::FivePrimeEnd,  LocationClass::ThreePrimeEnd,
        LocationClass::NonCodingExon, LocationClass::OutOfGene,    LocationClass::Unrecognised};
    return all;
}

bool ReportCellClasses::codingClass(const QString& substitution, CodingClass& c) {
    static const QRegularExpression rx("^([A-Z*])([0-9]+)([A-Z*])$");
    const QRegularExpressionMatch m = rx.match(substitution);
    if (!m.hasMatch()) {
        return false;
    }
    const QString ref = m.captured(1);
    const QString alt = m.captured(3);
    if (ref == "X" || alt == "X") {
        c = CodingClass::NoAminoAcid;
    } else if (ref == alt) {
        c = CodingClass::Synonymous;
    } else if (alt == "*") {
        c = CodingClass::Nonsense;
    } else if (ref == "*") {
        c = CodingClass::StopLost;
    } else {
        c = CodingClass::Missense;
    }
    return true;
}

QString ReportCellClasses::codingClassName(CodingClass c) {
    switch (c) {
        case CodingClass::Synonymous: return tr("Synonymous");
        case CodingClass::Missense: return tr("Missense");
        case CodingClass::Nonsense: return tr("Nonsense (stop gained)");
        case CodingClass::StopLost: return tr("Stop lost");
        case CodingClass::NoAminoAcid: break;
    }
    return tr("No amino acid (codon changed by several bases)");
}

const QList<CodingClass>& ReportCellClasses::codingClasses() {
    static const QList<CodingClass> all{CodingClass::Synonymous, CodingClass::Missense, CodingClass::Nonsense,
                                        CodingClass::StopLost, CodingClass::NoAminoAcid};
    return all;
}

bool ReportCellClasses::splitAllele(const QString& allele, QString& ref, QString& alt) {
    const int slash = allele.indexOf('/');
    if (slash <= 0 || slash == allele.size() - 1 || allele.indexOf('/', slash + 1) >= 0) {
        return false;
    }
    ref = allele.left(slash);
    alt = allele.mid(slash + 1);
    return true;
}

VariationType ReportCellClasses::variationType(const QString& ref, const QString& alt) {
    if (ref.size() == alt.size()) {
        return ref.size() == 1 ? VariationType::Snv : VariationType::Mnv;
    }
    return ref.size() < alt.size() ? VariationType::Insertion : VariationType::Deletion;
}

QString ReportCellClasses::variationTypeName(VariationType t) {
    switch (t) {
        case VariationType::Snv: return tr("Single-base substitution");
        case VariationType::Mnv: return tr("Multi-base substitution");
        case VariationType::Insertion: return tr("Insertion");
        case VariationType::Deletion: break;
    }
    return tr("Deletion");
}

const QList<VariationType>& ReportCellClasses::variationTypes() {
    static const QList<VariationType> all{VariationType::Snv, VariationType::Mnv, VariationType::Insertion,
                                          VariationType::Deletion};
    return all;
}

bool ReportCellClasses::isTransition(QChar ref, QChar alt) {
    auto purine = [](QChar b) { return b == 'A' || b == 'G'; };
    return ref != alt && purine(ref) == purine(alt);
}

bool ReportCellClasses::tataLevel(const QString& cell, TataLevel& level, double& z) {
    const int slash = cell.lastIndexOf('/');
    if (slash <= 0) {
        return false;
    }
    const QString zText = cell.left(slash);
    bool ok = false;
    z = zText.toDouble(&ok);
    if (!ok) {
        // A statistic that is not a number is written by Qt as "nan" or "inf".
        if (zText != "nan" && zText != "inf" && zText != "-nan" && zText != "-inf") {
            return false;
        }
        z = zText.endsWith("nan") ? std::nan("") : (zText.startsWith('-') ? -INFINITY : INFINITY);
    }
    const QString label = cell.mid(slash + 1);
    for (TataLevel l : tataLevels()) {
        if (label == tataLevelName(l)) {
            level = l;
            return true;
        }
    }
    return false;
}

QString ReportCellClasses::tataLevelName(TataLevel level) {
    switch (level) {
        case TataLevel::P999999: return QStringLiteral("0.999999");
        case TataLevel::P999: return QStringLiteral("0.999");
        case TataLevel::P99: return QStringLiteral("0.99");
        case TataLevel::P95: return QStringLiteral("0.95");
        case TataLevel::Unsignificant: break;
    }
    return QStringLiteral("unsignificant");
}

const QList<TataLevel>& ReportCellClasses::tataLevels() {
    static const QList<TataLevel> all{TataLevel::P999999, TataLevel::P999, TataLevel::P99, TataLevel::P95,
                                      TataLevel::Unsignificant};
    return all;
}

namespace {

// Rank of a chromosome name: 1-22, X = 23, Y = 24, M/MT = 25, anything else after them.
int chromosomeRank(const QString& name) {
    QString n = name;
    if (n.startsWith(QLatin1String("chr"), Qt::CaseInsensitive)) {
        n = n.mid(3);
    }
    bool ok = false;
    const int number = n.toInt(&ok);
    if (ok && number >= 1 && number <= 22) {
        return number;
    }
    const QString u = n.toUpper();
    if (u == "X") return 23;
    if (u == "Y") return 24;
    if (u == "M" || u == "MT") return 25;
    return 1000;
}

}  // namespace

bool ReportCellClasses::chromosomeLess(const QString& a, const QString& b) {
    const int ra = chromosomeRank(a);
    const int rb = chromosomeRank(b);
    return ra != rb ? ra < rb : a < b;
}

}  // namespace Nx
