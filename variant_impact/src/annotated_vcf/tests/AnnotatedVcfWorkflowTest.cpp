// The "write-annotated-variations" element from the console on the demo data, checked with
// bcftools: the file reads back without a warning, keeps every input field, agrees with the
// in-gene report and with bcftools csq; every output format; and what a careless or hostile user
// does to it (bad names, unwritable folders, a changed input, a second run, an unsorted file,
// the annotated file fed back in).
#include <tests/ConsoleRun.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <memory>

using Nx::ConsoleRun::runTool;

namespace {

const QString ADDED = "INFO/NXCSQ,INFO/NXKNOWN,INFO/NXSTAB1D,INFO/NXSTAB3D,INFO/NXPDBSITE,INFO/NXTATA,INFO/NXRSNP,INFO/NXCHIP";

struct ProcessRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

ProcessRun run(const QString& program, const QStringList& args, const QString& dir = QString()) {
    QProcess p;
    if (!dir.isEmpty()) {
        p.setWorkingDirectory(dir);
    }
    p.start(program.contains('/') ? program : QStandardPaths::findExecutable(program), args);
    ProcessRun r;
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
        r.err = program + " did not finish";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// Everything in dir whose name starts with prefix.
QStringList filesStartingWith(const QString& dir, const QString& prefix) {
    return QDir(dir).entryList({prefix + "*"}, QDir::Files);
}

class AnnotatedVcfWorkflowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tmp.reset(new QTemporaryDir());
        QString output;
        ok = Nx::ConsoleRun::makeDemoWithReference(tmp->path(), "1", {}, output);
        if (!ok) {
            std::cerr << output.toStdString();
            return;
        }
        // The demo's VCF bgzipped, so the writer reads a compressed input as users give it.
        const ProcessRun gz = run("bcftools", {"view", "-Oz", "-o", path("variants.vcf.gz"), path("variants.vcf")});
        ok = gz.exitCode == 0;
        write(path("wf.json"), R"({
  "elements": [
    {"name": "read", "type": "read-variations", "attributes": {"url-in": "variants.vcf.gz"}},
    {"name": "annotate", "type": "VOZAdarova-id", "attributes": {"db_path": "reference.s3db"}},
    {"name": "report", "type": "snp-report-writer-id", "attributes": {"db_path": "reference.s3db",
      "report_path": "in_gene.tsv", "regulatory_report_path": "regulatory.tsv"}},
    {"name": "vcf", "type": "write-annotated-variations", "attributes": {"db_path": "reference.s3db",
      "url-out": "annotated.vcf.gz"}}
  ],
  "links": [{"from": "read", "to": "annotate"}, {"from": "annotate", "to": "report"},
            {"from": "annotate", "to": "vcf"}]
})");
        const ProcessRun r = workflow({});
        ok = ok && r.exitCode == 0;
        if (r.exitCode != 0) {
            std::cerr << r.err.toStdString();
        }
    }
    static void TearDownTestSuite() { tmp.reset(); }

    void SetUp() override { ASSERT_TRUE(ok) << "the demo data or the first run failed"; }

    static QString path(const QString& name) { return tmp->path() + "/" + name; }

    // The workflow with NAME.ATTRIBUTE=VALUE overrides; paths relative to the data folder.
    static ProcessRun workflow(const QStringList& sets) {
        QStringList args{"--workflow=" + path("wf.json")};
        for (const QString& s : sets) {
            args << "--set" << s;
        }
        return run(QString(NX_BINARY_DIR) + "/bin/resource_probe", args, tmp->path());
    }

    static ProcessRun bcftools(const QStringList& args) { return run("bcftools", args); }

    static std::unique_ptr<QTemporaryDir> tmp;
    static bool ok;
};

std::unique_ptr<QTemporaryDir> AnnotatedVcfWorkflowTest::tmp;
bool AnnotatedVcfWorkflowTest::ok = false;

// "REF/ALT" of a record's allele and the report's Allele cell, to key both sides alike.
QString key(const QString& chr, const QString& pos, const QString& ref, const QString& alt) {
    return chr + ":" + pos + ":" + ref + "/" + alt;
}

TEST_F(AnnotatedVcfWorkflowTest, ReadsBackWithBcftoolsAndKeepsEveryInputField) {
    const QString out = path("annotated.vcf.gz");
    ASSERT_TRUE(QFile::exists(out + ".tbi"));
    const ProcessRun view = bcftools({"view", out});
    EXPECT_EQ(view.exitCode, 0);
    EXPECT_EQ(view.err, "") << "bcftools view warns";
    ASSERT_TRUE(QFile::copy(out, path("copy.vcf.gz")));
    const ProcessRun index = bcftools({"index", path("copy.vcf.gz")});
    EXPECT_EQ(index.exitCode, 0);
    EXPECT_EQ(index.err, "") << "bcftools index warns";
    // Region queries go through the written index.
    const ProcessRun region = bcftools({"view", "-H", "-r", "chr7:7693", out});
    EXPECT_EQ(region.out.count('\n'), 2) << region.out.constData();

    // Without the added fields the records are the input's, in its order.
    const ProcessRun stripped = bcftools({"annotate", "-x", ADDED, out});
    const ProcessRun input = bcftools({"view", path("variants.vcf.gz")});
    ASSERT_EQ(stripped.exitCode, 0) << stripped.err.toStdString();
    EXPECT_EQ(stripped.out.mid(stripped.out.indexOf("\n#CHROM")), input.out.mid(input.out.indexOf("\n#CHROM")));
    // And so are the header lines.
    for (const QByteArray& line : input.out.left(input.out.indexOf("\n#CHROM")).split('\n')) {
        if (!line.startsWith("##bcftools")) {
            EXPECT_TRUE(view.out.contains(line + "\n")) << line.constData();
        }
    }
    // Every added field reads back through bcftools query, without a word on standard error.
    QString format;
    for (const QString& field : ADDED.split(',')) {
        format += "%" + field + "\t";
    }
    const ProcessRun query = bcftools({"query", "-f", format + "\n", out});
    EXPECT_EQ(query.exitCode, 0);
    EXPECT_EQ(query.err, "");
    EXPECT_EQ(query.out.count('\n'), 1715);
    EXPECT_TRUE(query.out.contains("\nC|NXG01|ENST90000000001|missense_variant|CGA->GGA|R100G|Tolerated|0.843|\t"
                                   "C|rs990000005|0.843|0.978|0.807|||0.323|||0.824|0.459|5.831\t.\t"))
        << query.out.constData();
    for (const QString& field : ADDED.split(',')) {
        EXPECT_TRUE(view.out.contains("##INFO=<ID=" + field.mid(5).toUtf8() + ",Number=.,Type=String,Description=\""))
            << field.toStdString();
    }
}

TEST_F(AnnotatedVcfWorkflowTest, TranscriptEntriesEqualTheInGeneReportAndBcftoolsCsq) {
    // The report: codon and amino-acid change cells by variation.
    QHash<QString, QStringList> reportCells;
    for (const QByteArray& line : readAll(path("in_gene.tsv")).split('\n')) {
        const QList<QByteArray> c = line.split('\t');
        if (line.startsWith('#') || c.size() < 10) {
            continue;
        }
        const QStringList allele = QString(c[2]).split('/');
        reportCells[key(c[0], c[1], allele[0], allele[1])]
            << QString(c[8] == "-" ? "" : c[8]) + " " + QString(c[9] == "-" ? "" : c[9]);
    }
    ASSERT_GT(reportCells.size(), 500);

    // bcftools csq on the same genome and genes, each record on its own (the demo VCF has no
    // genotypes to phase): amino-acid changes by position and transcript.
    const ProcessRun csq = bcftools({"csq", "-l", "-f", path("genome.fa"), "-g", path("genes.gff3"), "-Ov", path("variants.vcf")});
    ASSERT_EQ(csq.exitCode, 0) << csq.err.toStdString();
    QHash<QString, QSet<QString>> csqChanges;  // pos:transcript -> "R100G", "T98T"
    static const QRegularExpression aaRx("^(\\d+)([A-Z*])(?:>\\d+([A-Z*]))?$");
    for (const QByteArray& line : csq.out.split('\n')) {
        const QList<QByteArray> c = line.split('\t');
        const int at = c.size() > 7 ? c[7].indexOf("BCSQ=") : -1;
        if (line.startsWith('#') || at < 0) {
            continue;
        }
        for (const QByteArray& e : c[7].mid(at + 5).split(';').first().split(',')) {
            const QList<QByteArray> p = e.split('|');
            const QRegularExpressionMatch m = p.size() > 5 ? aaRx.match(QString(p[5])) : QRegularExpressionMatch();
            if (p.size() > 2 && p[0] == "start_lost") {
                // bcftools names no amino-acid change for a lost start codon.
                csqChanges[QString(c[1]) + ":" + QString(p[2])] << "start_lost";
            } else if (m.hasMatch()) {
                const QString alt = m.captured(3).isEmpty() ? m.captured(2) : m.captured(3);
                csqChanges[QString(c[1]) + ":" + QString(p[2])] << m.captured(2) + m.captured(1) + alt;
            }
        }
    }

    const ProcessRun query = bcftools({"query", "-f", "%CHROM\t%POS\t%REF\t%ALT\t%INFO/NXCSQ\n", path("annotated.vcf.gz")});
    ASSERT_EQ(query.exitCode, 0);
    int variations = 0;
    int codingSnvs = 0;
    for (const QByteArray& line : query.out.split('\n')) {
        const QList<QByteArray> c = line.split('\t');
        if (c.size() != 5) {
            continue;
        }
        const QStringList alts = QString(c[3]).split(',');
        QHash<QString, QStringList> entries;  // variation key -> "codon change" of its in-gene entries
        for (const QByteArray& e : c[4] == "." ? QList<QByteArray>() : c[4].split(',')) {
            const QStringList p = QString(e).split('|');
            ASSERT_EQ(p.size(), 9) << e.constData();
            ASSERT_TRUE(alts.contains(p[0])) << "entry of no ALT allele: " << e.constData();
            if (p[3] == "upstream_gene_variant") {
                continue;
            }
            const QString k = key(c[0], c[1], c[2], p[0]);
            entries[k] << p[4] + " " + p[5];
            const bool snv = c[2].size() == 1 && p[0].size() == 1;
            if (snv && !p[5].isEmpty()) {
                ++codingSnvs;
                EXPECT_TRUE(csqChanges.value(QString(c[1]) + ":" + p[2]).contains(p[3] == "start_lost" ? p[3] : p[5]))
                    << "bcftools csq disagrees at " << k.toStdString() << " " << p[2].toStdString() << " "
                    << p[5].toStdString();
            }
        }
        for (const QString& alt : alts) {
            const QString k = key(c[0], c[1], c[2], alt);
            QStringList mine = entries.value(k);
            QStringList report = reportCells.value(k);
            std::sort(mine.begin(), mine.end());
            std::sort(report.begin(), report.end());
            // The report merges a variation's equal neighbouring rows; the file keeps every transcript.
            report.removeDuplicates();
            mine.removeDuplicates();
            EXPECT_EQ(mine, report) << k.toStdString();
            ++variations;
        }
    }
    EXPECT_GT(variations, 1700);
    EXPECT_GT(codingSnvs, 300);
}

TEST_F(AnnotatedVcfWorkflowTest, KnownMutationsAndMultiAllelicRecords) {
    const ProcessRun q = bcftools({"query", "-r", "chr7:7693,chr7:7706", "-f", "%POS %ALT %INFO/NXKNOWN %INFO/NXCSQ\n",
                            path("annotated.vcf.gz")});
    const QList<QByteArray> lines = q.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3) << q.out.constData();
    // Two records at 7693: only the allele of the known mutation carries it.
    EXPECT_TRUE(lines[0].startsWith("7693 A . A|NXG01|")) << lines[0].constData();
    EXPECT_TRUE(lines[1].startsWith("7693 C C|rs990000005|0.843|")) << lines[1].constData();
    // Three ALTs stay one record, one entry per allele.
    EXPECT_TRUE(lines[2].startsWith("7706 A,T,G . A|NXG01|ENST90000000001|missense_variant|TTG->TTT|L95F|||,"
                                    "T|NXG01|ENST90000000001|synonymous_variant|TTG->TTA|L95L|||,"
                                    "G|NXG01|ENST90000000001|missense_variant|TTG->TTC|L95F|||"))
        << lines[2].constData();
}

TEST_F(AnnotatedVcfWorkflowTest, PlainVcfAndBcfHoldTheSameRecords) {
    const QString reference = QString(bcftools({"view", "-H", path("annotated.vcf.gz")}).out);
    for (const QString name : {"out/annotated.vcf", "out/annotated.bcf"}) {
        const ProcessRun r = workflow({"vcf.url-out=" + path(name)});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(QString(bcftools({"view", "-H", path(name)}).out), reference) << name.toStdString();
    }
    EXPECT_TRUE(QFile::exists(path("out/annotated.bcf.csi")));
    EXPECT_FALSE(QFile::exists(path("out/annotated.vcf.tbi")));
    EXPECT_TRUE(readAll(path("out/annotated.vcf")).startsWith("##fileformat=VCFv4.2\n"));
    EXPECT_EQ(filesStartingWith(path("out"), "annotated").size(), 3) << "temporary files left";
}

TEST_F(AnnotatedVcfWorkflowTest, BadTargetsAreRefusedNamingThePathAndLeaveNoFile) {
    // Not a VCF name: refused before anything runs.
    ProcessRun r = workflow({"vcf.url-out=" + path("bad/annotated.txt")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("output file " + path("bad/annotated.txt") + " must end in .vcf, .vcf.gz or .bcf"))
        << r.err.toStdString();
    EXPECT_FALSE(QDir(path("bad")).exists());
    // A folder that cannot be made: its parent is a file.
    write(path("plain_file"), "x");
    r = workflow({"vcf.url-out=" + path("plain_file/annotated.vcf.gz")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(path("plain_file"))) << r.err.toStdString();
    // The input as its own output.
    r = workflow({"vcf.url-out=" + path("variants.vcf.gz")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("would replace their own input")) << r.err.toStdString();
    EXPECT_EQ(bcftools({"view", "-H", path("variants.vcf.gz")}).out.count('\n'), 1715) << "the input was touched";
}

TEST_F(AnnotatedVcfWorkflowTest, AChangedInputFailsAndKeepsThePreviousFile) {
    const QString target = path("changed/annotated.vcf.gz");
    ProcessRun r = workflow({"vcf.url-out=" + target});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray before = readAll(target);
    const QByteArray indexBefore = readAll(target + ".tbi");
    // A second run on the same paths writes the same bytes.
    r = workflow({"vcf.url-out=" + target});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readAll(target), before);

    // One ALT changed after the file was read.
    QByteArray vcf = readAll(path("variants.vcf"));
    const int at = vcf.indexOf("\nchr7\t7699\t.\tT\tG\t");
    ASSERT_GT(at, 0);
    vcf[at + QByteArray("\nchr7\t7699\t.\tT\t").size()] = 'A';
    write(path("changed.vcf"), vcf);
    r = workflow({"vcf.url-out=" + target, "vcf.url-in=" + path("changed.vcf")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("The variation chr7:7699 T>A of data line")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("was the file changed after it was read?")) << r.err.toStdString();
    EXPECT_EQ(readAll(target), before);
    EXPECT_EQ(readAll(target + ".tbi"), indexBefore);
    EXPECT_EQ(filesStartingWith(path("changed"), "annotated").size(), 2) << "temporary files left";

    // A record missing from the file: its variation is left over.
    vcf = readAll(path("variants.vcf"));
    vcf.remove(at + 1, vcf.indexOf('\n', at + 1) - at);
    write(path("shorter.vcf"), vcf);
    r = workflow({"vcf.url-out=" + target, "vcf.url-in=" + path("shorter.vcf")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("1 variations of chr7 that were read are not in " + path("shorter.vcf")))
        << r.err.toStdString();
    EXPECT_EQ(readAll(target), before);
}

TEST_F(AnnotatedVcfWorkflowTest, UnsortedInputIsAnnotatedAsPlainVcfAndNotIndexed) {
    // The first chr7 record moved behind the chr17 ones.
    const QList<QByteArray> lines = readAll(path("variants.vcf")).split('\n');
    QByteArray header, moved, body;
    for (const QByteArray& line : lines) {
        if (line.startsWith('#')) {
            header += line + "\n";
        } else if (!line.isEmpty() && moved.isEmpty()) {
            moved = line + "\n";
        } else if (!line.isEmpty()) {
            body += line + "\n";
        }
    }
    write(path("unsorted.vcf"), header + body + moved);
    ProcessRun r = workflow({"read.url-in=" + path("unsorted.vcf"), "vcf.url-out=" + path("unsorted/annotated.vcf.gz")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("bcftools sort")) << r.err.toStdString();
    EXPECT_TRUE(filesStartingWith(path("unsorted"), "annotated").isEmpty());

    r = workflow({"read.url-in=" + path("unsorted.vcf"), "vcf.url-out=" + path("unsorted/annotated.vcf")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray unsorted = bcftools({"view", "-H", path("unsorted/annotated.vcf")}).out;
    const QByteArray sorted = bcftools({"view", "-H", path("annotated.vcf.gz")}).out;
    const QByteArray first = sorted.left(sorted.indexOf('\n') + 1);
    EXPECT_TRUE(unsorted.endsWith(first)) << "the moved record keeps its place and its annotations";
    EXPECT_EQ(unsorted.size(), sorted.size());
}

TEST_F(AnnotatedVcfWorkflowTest, AFileWithoutVariationsIsCopiedWithTheAddedDeclarations) {
    // Only the header, and one record whose ALT is symbolic: no track reaches the element.
    const QByteArray vcf = readAll(path("variants.vcf"));
    write(path("symbolic.vcf"), vcf.left(vcf.indexOf("\nchr7\t") + 1) + "chr7\t500\t.\tA\t<DEL>\t.\t.\tDEMO=sv\n");
    const ProcessRun r = workflow({"read.url-in=" + path("symbolic.vcf"), "vcf.url-out=" + path("symbolic/out.vcf.gz")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const ProcessRun view = bcftools({"view", path("symbolic/out.vcf.gz")});
    EXPECT_TRUE(view.out.contains("##INFO=<ID=NXCSQ,")) << view.out.constData();
    EXPECT_TRUE(view.out.endsWith("\nchr7\t500\t.\tA\t<DEL>\t.\t.\tDEMO=sv\n")) << view.out.constData();
    EXPECT_TRUE(QFile::exists(path("symbolic/out.vcf.gz.tbi")));

    // A field the header does not declare cannot be declared once the header is written.
    write(path("undeclared.vcf"), vcf.left(vcf.indexOf("\nchr7\t") + 1) + "chr7\t500\t.\tA\tT\t.\t.\tXX=1\n");
    const ProcessRun bad = workflow({"read.url-in=" + path("undeclared.vcf"), "vcf.url-out=" + path("symbolic/bad.vcf.gz")});
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_TRUE(bad.err.contains("data line 1 of " + path("undeclared.vcf") + " uses a contig, INFO or FORMAT field"))
        << bad.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("symbolic/bad.vcf.gz")));
}

TEST_F(AnnotatedVcfWorkflowTest, AnAnnotatedFileFedBackKeepsOneDeclarationOfEachField) {
    const QString again = path("again/annotated.vcf.gz");
    const ProcessRun r = workflow({"read.url-in=" + path("annotated.vcf.gz"), "vcf.url-out=" + again});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray header = bcftools({"view", "-h", again}).out;
    EXPECT_EQ(header.count("##INFO=<ID=NXCSQ,"), 1);
    EXPECT_EQ(bcftools({"view", "-H", again}).out, bcftools({"view", "-H", path("annotated.vcf.gz")}).out);
}

// Ended by a signal while the file is written: no file at the target, and the next run removes
// what the ended ones left and writes the file.
TEST(AnnotatedVcfKillTest, AKilledRunLeavesNoFileAndTheNextRunCleansUp) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    QString output;
    ASSERT_TRUE(Nx::ConsoleRun::makeDemoWithReference(d, "1", {"--variants", "150000"}, output)) << output.toStdString();
    const QString target = d + "/out/annotated.vcf.gz";
    const QStringList args{"--workflow=" + QString(NX_SOURCE_DIR) + "/data/workflows/annotate_vcf_demo.json",
                           "--set", "read.url-in=" + d + "/variants.vcf",
                           "--set", "annotate.db_path=" + d + "/reference.s3db",
                           "--set", "report.db_path=" + d + "/reference.s3db",
                           "--set", "report.report_path=" + d + "/in_gene.tsv",
                           "--set", "report.regulatory_report_path=" + d + "/regulatory.tsv",
                           "--set", "vcf.db_path=" + d + "/reference.s3db",
                           "--set", "vcf.url-out=" + target};
    // Ended by SIGTERM (as a scheduler or Ctrl-C of a shell ends it), then by SIGKILL.
    for (const bool hard : {false, true}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QString(NX_BINARY_DIR) + "/bin/resource_probe", args);
        ASSERT_TRUE(p.waitForStarted());
        bool writing = false;
        for (int i = 0; i < 6000 && !writing && p.state() == QProcess::Running; ++i) {
            writing = !filesStartingWith(d + "/out", "annotated.vcf.gz.tmp-").isEmpty();
            if (!writing) {
                QThread::msleep(5);
            }
        }
        if (!writing || p.state() != QProcess::Running) {
            p.waitForFinished();
            GTEST_SKIP() << "the run ended before the file was being written";
        }
        if (hard) {
            p.kill();
        } else {
            p.terminate();
        }
        ASSERT_TRUE(p.waitForFinished());
        EXPECT_FALSE(QFile::exists(target)) << (hard ? "SIGKILL" : "SIGTERM");
        EXPECT_FALSE(QFile::exists(target + ".tbi"));
    }
    EXPECT_FALSE(filesStartingWith(d + "/out", "annotated.vcf.gz.tmp-").isEmpty()) << "nothing to clean up";

    const ProcessRun again = run(QString(NX_BINARY_DIR) + "/bin/resource_probe", args);
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    QStringList left = filesStartingWith(d + "/out", "annotated.vcf.gz");
    left.sort();
    EXPECT_EQ(left, (QStringList{"annotated.vcf.gz", "annotated.vcf.gz.tbi"}));
    EXPECT_EQ(run("bcftools", {"view", "-H", target}).out.count('\n'), 150000 + 1715);
}

}  // namespace

// Beside a report writer on the same link, the writer takes each variation's entries from the
// report's reading threads (enough variations for the report to read on several threads): the
// file is byte for byte the one it writes alone, also for a second writer on that link, which
// computes its own; a report that fails at once does not leave the writer waiting.
TEST(AnnotatedVcfSharedEntriesTest, EntriesFromTheReportWriterGiveTheSameFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    QString output;
    ASSERT_TRUE(Nx::ConsoleRun::makeDemoWithReference(d, "3", {"--variants", "40000"}, output)) << output.toStdString();
    auto element = [](const QString& name, const QString& out) {
        return QString(R"({"name": "%1", "type": "write-annotated-variations", "attributes": {"db_path": "reference.s3db", "url-out": "%2"}})")
            .arg(name, out);
    };
    const QString head = R"({"name": "read", "type": "read-variations", "attributes": {"url-in": "variants.vcf"}},
    {"name": "annotate", "type": "VOZAdarova-id", "attributes": {"db_path": "reference.s3db"}})";
    const QString report = R"({"name": "report", "type": "snp-report-writer-id", "attributes": {"db_path": "reference.s3db",
      "report_path": "%1/in_gene.tsv", "regulatory_report_path": "%1/regulatory.tsv"}})";
    write(d + "/alone.json", QString(R"({"elements": [%1, %2],
  "links": [{"from": "read", "to": "annotate"}, {"from": "annotate", "to": "vcf"}]})")
                                 .arg(head, element("vcf", "alone.vcf.gz"))
                                 .toUtf8());
    write(d + "/paired.json", QString(R"({"elements": [%1, %2, %3, %4],
  "links": [{"from": "read", "to": "annotate"}, {"from": "annotate", "to": "vcf"}, {"from": "annotate", "to": "report"},
            {"from": "annotate", "to": "second"}]})")
                                  .arg(head, element("vcf", "paired.vcf.gz"), report.arg("out"),
                                       element("second", "second.vcf"))
                                  .toUtf8());
    // How many variations took their entries from the report writer, per output file.
    auto runLogged = [&](const QString& workflow, QHash<QString, QString>& shared) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("NX_LOG_LEVEL", "details");
        env.insert("TMPDIR", d + "/tmp");  // where the report's parts wait
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(d);
        p.start(QString(NX_BINARY_DIR) + "/bin/resource_probe", {"--workflow=" + d + "/" + workflow});
        if (!p.waitForFinished(300000)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        const QRegularExpression line(R"(([^ /]+): the entries of (\d+) of (\d+) variations came from the report writer)");
        for (auto it = line.globalMatch(err); it.hasNext();) {
            const auto m = it.next();
            shared[m.captured(1)] = m.captured(2) + " of " + m.captured(3);
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    };
    ASSERT_TRUE(QDir().mkpath(d + "/tmp"));
    QHash<QString, QString> alone;
    QHash<QString, QString> paired;
    ASSERT_EQ(runLogged("alone.json", alone), 0);
    ASSERT_EQ(runLogged("paired.json", paired), 0);
    const int variations = QString(readAll(d + "/variants.vcf")).count(QRegularExpression("\n[^#]"));
    ASSERT_GT(variations, 30000);
    ASSERT_TRUE(alone.contains("alone.vcf.gz"));
    EXPECT_TRUE(alone["alone.vcf.gz"].startsWith("0 of ")) << alone["alone.vcf.gz"].toStdString();
    // Every variation from the report writer; the second writer on the link computed its own.
    const QStringList counts = paired.value("paired.vcf.gz").split(" of ");
    ASSERT_EQ(counts.size(), 2) << paired.value("paired.vcf.gz").toStdString();
    EXPECT_EQ(counts[0], counts[1]);
    EXPECT_GE(counts[0].toInt(), variations);
    EXPECT_TRUE(paired.value("second.vcf").startsWith("0 of ")) << paired.value("second.vcf").toStdString();
    EXPECT_EQ(readAll(d + "/paired.vcf.gz"), readAll(d + "/alone.vcf.gz"));
    EXPECT_EQ(readAll(d + "/paired.vcf.gz.tbi"), readAll(d + "/alone.vcf.gz.tbi"));
    const ProcessRun plain = run("bcftools", {"view", "--no-version", d + "/alone.vcf.gz"});
    const ProcessRun second = run("bcftools", {"view", "--no-version", d + "/second.vcf"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(second.out, plain.out);
    // Nothing of the report's parts left behind in the temporary folder.
    EXPECT_TRUE(QDir(d + "/tmp").entryList(QDir::Files).isEmpty());

    // A report that cannot be written fails the run at once; the writer beside it does not wait.
    write(d + "/file", "not a folder");
    write(d + "/failing.json", QString(R"({"elements": [%1, %2, %3],
  "links": [{"from": "read", "to": "annotate"}, {"from": "annotate", "to": "vcf"}, {"from": "annotate", "to": "report"}]})")
                                   .arg(head, element("vcf", "failing.vcf.gz"), report.arg("file/sub"))
                                   .toUtf8());
    QHash<QString, QString> failing;
    EXPECT_EQ(runLogged("failing.json", failing), 1);
    EXPECT_FALSE(QFile::exists(d + "/file/sub/in_gene.tsv"));
}
