// nolix-tata as users run it: a real process on real files and standard input. Expected numbers
// come from an independent Python evaluation of the model's formulas, printed with %.9g.
#include "TataInputReader.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QByteArray SEQ = "CCGCGTTATAAAAGGCGCCTATAAATAGGCGCTGCAGCGTAC";     // best site 20.2853622
const QByteArray SEQ_VAR = "CCGCGTTATAAAAGGCGCCTATACATAGGCGCTGCAGCGTAC"; // TATAAAT -> TATACAT
const QByteArray W = "GCTATAAAAGGGCTGTATAAAAGCGC";                       // one window, 17.8923931

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList& arguments, const QByteArray& input = QByteArray()) {
    QProcess p;
    p.start(QStringLiteral(NX_BINARY_DIR "/bin/nolix-tata"), arguments);
    EXPECT_TRUE(p.waitForStarted()) << "nolix-tata did not start";
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000));
    ToolRun r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return path;
}

} // namespace

TEST(NolixTata, ScoresEveryFastaRecord) {
    QTemporaryDir dir;
    const QString fasta = writeFile(dir, "in.fa",
                                    ">prom1 a gene's promoter\n" + SEQ.left(26) + "\n" + SEQ.mid(26) +
                                        "\n>short\nACGT\n>\n" + W + "\r\n");
    const ToolRun r = runTool({fasta});
    EXPECT_EQ(0, r.exitCode) << r.err.constData();
    EXPECT_EQ("prom1\t20.2853622\t0.108306393\nshort\tnone\nseq3\t17.8923931\t0.0789899752\n", r.out);
    EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
}

TEST(NolixTata, ScoresOneSequencePerLineFromStandardInput) {
    const ToolRun r = runTool({}, SEQ + "\n\n   \n" + W + "\r\n" + SEQ_VAR);
    EXPECT_EQ(0, r.exitCode) << r.err.constData();
    EXPECT_EQ("seq1\t20.2853622\t0.108306393\nseq2\t17.8923931\t0.0789899752\nseq3\t19.7629204\t0.125744298\n",
              r.out);
    EXPECT_EQ(r.out, runTool({"-"}, SEQ + "\n\n   \n" + W + "\r\n" + SEQ_VAR).out);
}

TEST(NolixTata, ResultLinesStayWholeBetweenDiagnostics) {
    // An N at letter 3 of the only window: no failure, many diagnostic lines.
    QByteArray withN = W;
    withN[3] = 'N';
    const ToolRun r = runTool({}, withN + "\n" + W + "\n");
    EXPECT_EQ(0, r.exitCode);
    EXPECT_TRUE(r.out.contains("\n j=3 ")) << r.out.constData();
    const QList<QByteArray> lines = r.out.split('\n');
    int results = 0;
    for (const QByteArray& line : lines) {
        if (line.startsWith("seq")) {
            ++results;
            EXPECT_EQ(3, line.split('\t').size()) << line.constData();
        } else {
            EXPECT_TRUE(line.isEmpty() || line.startsWith(" j=")) << line.constData();
        }
    }
    EXPECT_EQ(2, results);
    EXPECT_TRUE(r.out.endsWith("\nseq2\t17.8923931\t0.0789899752\n"));
}

TEST(NolixTata, ComparesAReferenceAndAVariantStretch) {
    // Hand value: |19.7629204 - 20.2853622| / (0.5 * sqrt(f32(d1^2) + f32(d2^2))) = 6.29609...
    ToolRun r = runTool({"--compare", SEQ, SEQ_VAR});
    EXPECT_EQ(0, r.exitCode) << r.err.constData();
    EXPECT_EQ("6.29609/0.999999\n", r.out);

    r = runTool({"--compare", SEQ, SEQ});
    EXPECT_EQ("0/unsignificant\n", r.out);

    QTemporaryDir dir;
    const QString ref = writeFile(dir, "ref.fa", ">ref\n" + SEQ.left(20) + "\n" + SEQ.mid(20) + "\n");
    const QString var = writeFile(dir, "var.txt", SEQ_VAR + "\n");
    r = runTool({"--compare", ref, var});
    EXPECT_EQ("6.29609/0.999999\n", r.out) << r.err.constData();

    r = runTool({"--compare", "ACGTACGTAC", "ACGTACGTAA"});
    EXPECT_EQ(0, r.exitCode);
    EXPECT_EQ("none\n", r.out);
}

TEST(NolixTata, BadInputFailsWithAClearMessage) {
    ToolRun r = runTool({"--compare", SEQ, SEQ_VAR + "A"});
    EXPECT_NE(0, r.exitCode);
    EXPECT_TRUE(r.err.contains("differ in length (42 and 43")) << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());

    r = runTool({"--compare", SEQ});
    EXPECT_NE(0, r.exitCode);
    EXPECT_TRUE(r.err.contains("--compare needs exactly two")) << r.err.constData();

    // A path that does not exist is no sequence: refused, never scored as letters.
    r = runTool({"--compare", "/no/such/ref.fa", SEQ_VAR});
    EXPECT_NE(0, r.exitCode);
    EXPECT_TRUE(r.err.contains("'/no/such/ref.fa': no such file")) << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());
    QTemporaryDir folder;
    r = runTool({"--compare", SEQ, folder.path()});
    EXPECT_NE(0, r.exitCode);
    EXPECT_TRUE(r.err.contains("is a folder")) << r.err.constData();

    r = runTool({"/no/such/dir/promoters.fa"});
    EXPECT_NE(0, r.exitCode);
    EXPECT_TRUE(r.err.contains("cannot read '/no/such/dir/promoters.fa'")) << r.err.constData();

    r = runTool({}, "\n  \n\r\n");
    EXPECT_NE(0, r.exitCode);
    EXPECT_TRUE(r.err.contains("no sequences in standard input")) << r.err.constData();

    QTemporaryDir dir;
    const QString empty = writeFile(dir, "empty.fa", "");
    r = runTool({empty});
    EXPECT_NE(0, r.exitCode);
    EXPECT_TRUE(r.err.contains("no sequences in " + empty.toUtf8())) << r.err.constData();

    const QString stray = writeFile(dir, "stray.fa", "\nACGT\n>x\nACGT\n");
    r = runTool({stray});
    EXPECT_NE(0, r.exitCode);
    EXPECT_TRUE(r.err.contains("line 2: sequence text before the first FASTA header")) << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());
}

TEST(TataInputReader, SplitsFastaAndPlainInput) {
    QList<Nx::TataInputRecord> records;
    QString error;
    ASSERT_TRUE(Nx::TataInputReader::parse(">a\tdescription\nAC\nGT\n\n>b\n>  \nTT\n", records, error));
    ASSERT_EQ(3, records.size());
    EXPECT_EQ("a", records[0].name);
    EXPECT_EQ("ACGT", records[0].sequence);
    EXPECT_EQ(1, records[0].line);
    EXPECT_EQ("b", records[1].name);
    EXPECT_TRUE(records[1].sequence.isEmpty());
    EXPECT_EQ("seq3", records[2].name); // a header without a name
    EXPECT_EQ(6, records[2].line);
    EXPECT_EQ("TT", records[2].sequence);

    // Binary input is refused, never scored as letters.
    EXPECT_FALSE(Nx::TataInputReader::parse(QByteArray("ACGT\r\n\nTT\0AA", 13), records, error));
    EXPECT_EQ("line 3: a NUL byte; the input is not a text file", error);
    EXPECT_FALSE(Nx::TataInputReader::parse(QByteArray("\x1f\x8b\x08\x00ACGT", 8), records, error));
    EXPECT_TRUE(error.contains("gzip")) << error.toStdString();

    ASSERT_TRUE(Nx::TataInputReader::parse("", records, error));
    EXPECT_TRUE(records.isEmpty());
}
