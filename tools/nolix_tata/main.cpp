// nolix-tata: the best TATA box of every sequence of a file (FASTA or one sequence per line), or,
// with --compare, whether a variant stretch changes the best TATA box of its reference stretch.
//
// Output, one line per sequence: name, tab, affinity, tab, deviation (%.9g, so the
// single-precision values read back exactly), or name, tab, "none" without a site. The model
// writes a diagnostic line " j=<k> " for unknown letters; a result line always starts on a line
// of its own.
#include "TataInputReader.h"

#include <tata_box_analysis/model/TataSignificance.h>
#include <tata_box_analysis/model/TataSiteScan.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

using namespace Nx;

namespace {

QString tr(const char* text) { return QCoreApplication::translate("NolixTata", text); }

int fail(const QString& message, int code = 1) {
    std::fflush(stdout);
    std::fprintf(stderr, "nolix-tata: %s\n", message.toLocal8Bit().constData());
    return code;
}

// Whether the model will write diagnostic lines for this sequence: it does for every scored
// window that holds an unknown letter, and windows exist from 26 accepted letters on.
bool writesDiagnostics(const QByteArray& sequence) {
    int accepted = 0;
    bool unknown = false;
    for (const char byte : sequence) {
        const char letter = tataScanLetter(byte);
        accepted += letter != 0;
        unknown = unknown || letter == 'N';
    }
    return unknown && accepted >= 26;
}

// Best site of a sequence; closes the model's last diagnostic line so the caller's output
// starts on a fresh line.
TataSiteScore scoreSequence(const QByteArray& sequence) {
    const TataSiteScore score = bestTataSite(sequence.constData());
    if (writesDiagnostics(sequence)) {
        std::fputc('\n', stdout);
    }
    return score;
}

// A stretch given to --compare: the single sequence of a file when the argument names one,
// otherwise the argument's own letters, which must then all be nucleotide letters: a mistyped
// path must not be scored as a sequence.
bool compareStretch(const QString& argument, QByteArray& stretch, QString& error) {
    const QFileInfo fi(argument);
    if (fi.isDir()) {
        error = tr("'%1' is a folder, not a sequence file").arg(argument);
        return false;
    }
    if (!fi.isFile()) {
        static const QRegularExpression bases("^[ACGTUNRYKMSWBDHVacgtunrykmswbdhv]+$");
        if (!bases.match(argument).hasMatch()) {
            error = tr("'%1': no such file, and not a stretch of nucleotide letters").arg(argument);
            return false;
        }
        stretch = argument.toLatin1();
        return true;
    }
    QByteArray data;
    QList<TataInputRecord> records;
    if (!TataInputReader::readSource(argument, data, error)) {
        return false;
    }
    if (!TataInputReader::parse(data, records, error)) {
        error = QString("%1: %2").arg(argument, error);
        return false;
    }
    if (records.size() != 1) {
        error = tr("'%1' holds %2 sequences; --compare takes one stretch per file").arg(argument).arg(records.size());
        return false;
    }
    stretch = records.first().sequence;
    return true;
}

int runCompare(const QString& refArgument, const QString& varArgument) {
    QByteArray reference;
    QByteArray variant;
    QString error;
    if (!compareStretch(refArgument, reference, error) || !compareStretch(varArgument, variant, error)) {
        return fail(error);
    }
    if (reference.size() != variant.size()) {
        return fail(tr("the reference and the variant stretch differ in length (%1 and %2 bytes)")
                        .arg(reference.size())
                        .arg(variant.size()));
    }
    const TataSiteScore a = scoreSequence(reference);
    const TataSiteScore b = scoreSequence(variant);
    if (!a.hasSite() || !b.hasSite()) {
        std::printf("none\n");
        return 0;
    }
    std::printf("%s\n", tataSignificanceText(tataZStatistic(a, b)).c_str());
    return 0;
}

int runScores(const QString& path) {
    QByteArray data;
    QList<TataInputRecord> records;
    QString error;
    if (!TataInputReader::readSource(path, data, error)) {
        return fail(error);
    }
    const QString source = path.isEmpty() || path == "-" ? tr("standard input") : path;
    if (!TataInputReader::parse(data, records, error)) {
        return fail(QString("%1: %2").arg(source, error));
    }
    if (records.isEmpty()) {
        return fail(tr("no sequences in %1").arg(source));
    }
    for (const TataInputRecord& r : records) {
        const TataSiteScore score = scoreSequence(r.sequence);
        if (!score.hasSite()) {
            std::printf("%s\tnone\n", r.name.constData());
        } else {
            std::printf("%s\t%.9g\t%.9g\n", r.name.constData(), double(score.affinity), double(score.deviation));
        }
    }
    return std::fflush(stdout) == 0 ? 0 : fail(tr("cannot write the results"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("nolix-tata");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Scores the best TATA box of each sequence: name, affinity and deviation per line, or "
           "'none' when a sequence has no site (fewer than 26 letters A, C, G, T, U or ambiguity "
           "codes). Input is FASTA or one sequence per line, from FILE or standard input.\n"
           "With --compare REF VAR, prints the z statistic of the change of the best TATA box "
           "from the reference to the variant stretch and its confidence level, e.g. 2.6/0.99. "
           "REF and VAR are sequences, or files holding one sequence each; they must have the "
           "same length."));
    parser.addHelpOption();
    const QCommandLineOption compare("compare", tr("Compare a reference and a variant stretch."));
    parser.addOption(compare);
    parser.addPositionalArgument("FILE", tr("Sequences to score; standard input when missing or '-'."),
                                 "[FILE | --compare REF VAR]");
    parser.process(app);

    const QStringList arguments = parser.positionalArguments();
    if (parser.isSet(compare)) {
        if (arguments.size() != 2) {
            return fail(tr("--compare needs exactly two stretches, REF and VAR (see --help)"), 2);
        }
        return runCompare(arguments[0], arguments[1]);
    }
    if (arguments.size() > 1) {
        return fail(tr("one input file at most (see --help)"), 2);
    }
    return runScores(arguments.value(0));
}
