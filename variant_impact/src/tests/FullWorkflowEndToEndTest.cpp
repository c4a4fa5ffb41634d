// The sample workflow data/workflows/full_demo.json (read -> annotate -> the five script elements
// -> tata-box-snp -> report) run from the console on demo data with the real scripts. A part of
// the demo VCF keeps the run short: every promoter and TATA-box record, the alpha-globin records,
// the records of the first transcript with a damage matrix, records in special regions or on
// known mutations, and the first record of every other class. Checked:
//  - every column of both reports that these records can fill is filled for some row;
//  - the script columns agree with the scripts run by hand on the same data;
//  - the fixed cases: His58 of 4HHB chain A lies in the haem site, Val1 in none, the promoter
//    record in the globin promoter breaks known factor sites, ChIP peaks cover some records and
//    the identifier left out of the demo table is unknown.
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>

namespace {

const QByteArray GLOBIN =
    "MVLSPADKTNVKAAWGKVGAHAGEYGAEALERMFLSFPTTKTYFPHFDLSHGSAQVKGHGKKVADALTNAVAHVDDMPNALSALSDLHAHKLRVDPVNFKLLSH"
    "CLLVTLAAHLPAEFTPAVHASLDKFLASVSTVLTSKYR";
const int CHECKS_PER_COLUMN = 6;  // hand runs per script column

struct Table {
    QStringList header;
    QList<QStringList> rows;
    int column(const QString& name) const { return header.indexOf(name); }
};

class FullWorkflowEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        python = QStandardPaths::findExecutable("python3");
        env = QProcessEnvironment::systemEnvironment();
        env.insert("NX_SNP_RSID_TABLE", dir.filePath("rsids.bed"));
        env.insert("NX_CHIP_PEAK_DIR", dir.filePath("chip_peaks"));
        env.insert("NX_SNP_CACHE_DIR", QString(NX_BINARY_DIR) + "/snp_script_cache");
    }

    bool run(const QString& program, const QStringList& args, QString& output, bool merged = true) {
        QProcess p;
        p.setProcessEnvironment(env);
        if (merged) {
            p.setProcessChannelMode(QProcess::MergedChannels);
        }
        p.start(program.contains('/') ? program : QString(NX_BINARY_DIR) + "/bin/" + program, args);
        if (!p.waitForFinished(300000)) {
            p.kill();
            output = program + " did not finish";
            return false;
        }
        output = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    // The value of the script's KEY:value line, as the element stores it.
    QString script(const QString& name, const QStringList& args, const QString& key) {
        QString out;
        if (!run(python, QStringList{QString(NX_SOURCE_DIR) + "/data/snp_scripts/" + name} + args, out, false)) {
            return "<" + name + " failed: " + out + ">";
        }
        for (const QString& line : out.split('\n')) {
            if (line.trimmed().startsWith(key + ":")) {
                return line.trimmed().mid(key.size() + 1);
            }
        }
        return "<no " + key + " line>";
    }

    QTemporaryDir dir;
    QString python;
    QProcessEnvironment env;
};

QList<QStringList> readTsv(const QString& path) {
    QList<QStringList> rows;
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        while (!f.atEnd()) {
            QString line = QString::fromLatin1(f.readLine());
            line.chop(line.endsWith('\n') ? 1 : 0);
            rows << line.split('\t');
        }
    }
    return rows;
}

Table readReport(const QString& path) {
    Table t;
    t.rows = readTsv(path);
    if (!t.rows.isEmpty()) {
        t.header = t.rows.takeFirst();
        t.header[0].remove(0, 1);  // the leading '#'
    }
    return t;
}

QHash<QString, QByteArray> readFasta(const QString& path) {
    QHash<QString, QByteArray> res;
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    QString name;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        if (line.startsWith('>')) {
            name = QString::fromLatin1(line.mid(1).split(' ').first());
        } else {
            res[name] += line.toUpper();
        }
    }
    return res;
}

// "chrom\tstart\tend" regions of a BED file.
bool inRegions(const QList<QStringList>& bed, const QString& chrom, qint64 pos0) {
    for (const QStringList& r : bed) {
        if (r.size() >= 3 && r[0] == chrom && r[1].toLongLong() <= pos0 && pos0 < r[2].toLongLong()) {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST_F(FullWorkflowEndToEndTest, EveryFillableColumnIsFilledAndScriptColumnsMatchHandRuns) {
    ASSERT_FALSE(python.isEmpty()) << "python3 is not installed";
    const QString d = dir.path();
    QString out;
    ASSERT_TRUE(run("nolix-demo-data", {"--out-dir", d, "--seed", "1"}, out)) << out.toStdString();
    ASSERT_TRUE(run("nolix-refdb", {"--out", d + "/reference.s3db", "--fasta", d + "/genome.fa", "--genes",
                                    d + "/genes.gff3", "--known-mutations", d + "/known_mutations.vcf", "--matrices",
                                    d + "/matrices.tsv", "--gene-info", d + "/gene_info.tsv",
                                    "--segmental-duplications", d + "/sd.bed", "--conserved-regions", d + "/cr.bed"},
                    out))
        << out.toStdString();

    // The part of the demo VCF the run uses.
    const QList<QStringList> sd = readTsv(d + "/sd.bed");
    const QList<QStringList> cr = readTsv(d + "/cr.bed");
    QSet<QString> known;  // "chrom:pos:ref/alt" of known mutations, as the report's first cells
    for (const QStringList& k : readTsv(d + "/known_mutations.vcf")) {
        if (!k[0].startsWith('#') && k.size() > 4) {
            for (const QString& alt : k[4].split(',')) {
                known << k[0] + ":" + k[1] + ":" + k[3] + "/" + alt;
            }
        }
    }
    const QString matrixTranscript = readTsv(d + "/matrices.tsv").value(1).value(0);
    qint64 matrixStart = -1, matrixEnd = -1;
    QString matrixChrom, globinChrom;
    qint64 globinStart = -1, globinEnd = -1;
    for (const QStringList& g : readTsv(d + "/genes.gff3")) {
        if (g.size() < 9 || g[2] != "mRNA") {
            continue;
        }
        if (g[8].contains("ID=transcript:" + matrixTranscript + ";")) {
            matrixChrom = g[0];
            matrixStart = g[3].toLongLong();
            matrixEnd = g[4].toLongLong();
        }
        if (g[8].contains("Name=HBA1-")) {
            globinChrom = g[0];
            globinStart = g[3].toLongLong() - 1000;
            globinEnd = g[4].toLongLong();
        }
    }
    ASSERT_GT(matrixStart, 0);
    ASSERT_GT(globinStart, 0);
    QFile all(d + "/variants.vcf");
    QFile part(d + "/part.vcf");
    ASSERT_TRUE(all.open(QIODevice::ReadOnly) && part.open(QIODevice::WriteOnly));
    QSet<QString> classesSeen;
    int special = 0, knownTaken = 0, records = 0;
    while (!all.atEnd()) {
        const QByteArray line = all.readLine();
        const QStringList c = QString::fromLatin1(line).trimmed().split('\t');
        bool take = line.startsWith('#');
        if (!take && c.size() >= 8) {
            const qint64 pos = c[1].toLongLong();
            const QString cls = c[7];
            take = cls == "DEMO=promoter" || cls == "DEMO=tata_box" ||
                   (c[0] == globinChrom && pos >= globinStart && pos <= globinEnd) ||
                   (c[0] == matrixChrom && pos >= matrixStart && pos <= matrixEnd) || !classesSeen.contains(cls);
            // Special regions are recorded with known mutations only.
            const bool isKnown = known.contains(c[0] + ":" + c[1] + ":" + c[3] + "/" + c[4]);
            if (!take && isKnown && (inRegions(sd, c[0], pos - 1) || inRegions(cr, c[0], pos - 1)) && special < 6) {
                take = true;
                ++special;
            }
            if (!take && isKnown && knownTaken < 4) {
                take = true;
                ++knownTaken;
            }
            classesSeen << cls;
            records += take;
        }
        if (take) {
            part.write(line);
        }
    }
    part.close();
    std::cout << "records run: " << records << std::endl;

    const QString inGenePath = d + "/in_gene.tsv";
    const QString regulatoryPath = d + "/regulatory.tsv";
    const QString db = d + "/reference.s3db";
    QStringList args{"--workflow=" + QString(NX_SOURCE_DIR) + "/data/workflows/full_demo.json", "--set",
                     "read.url-in=" + d + "/part.vcf"};
    for (const char* element : {"annotate", "rsnp", "stability1d", "stability3d", "pdbsite", "tata", "report", "vcf"}) {
        args << "--set" << QString("%1.db_path=%2").arg(element, db);
    }
    args << "--set" << "report.report_path=" + inGenePath << "--set" << "report.regulatory_report_path=" + regulatoryPath;
    args << "--set" << "vcf.url-out=" + d + "/annotated.vcf.gz";
    // The program runs from a folder outside the repository, as a build folder elsewhere would:
    // the scripts and their data are still found through the suite's data folder.
    const QString outside = d + "/elsewhere/bin";
    ASSERT_TRUE(QDir().mkpath(outside));
    ASSERT_TRUE(QFile::copy(QString(NX_BINARY_DIR) + "/bin/resource_probe", outside + "/resource_probe"));
    QFile(outside + "/resource_probe").setPermissions(QFileDevice::ExeOwner | QFileDevice::ReadOwner);
    env.remove("NX_DATA_DIR");
    env.insert("NX_PLUGIN_DIR", QString(NX_BINARY_DIR) + "/plugins");
    ASSERT_TRUE(run(outside + "/resource_probe", args, out)) << out.toStdString();

    const Table inGene = readReport(inGenePath);
    const Table regulatory = readReport(regulatoryPath);
    ASSERT_EQ(inGene.header.size(), 25);
    ASSERT_EQ(regulatory.header.size(), 16);
    auto filledRows = [](const Table& t, const QString& column) {
        QList<QStringList> rows;
        const int c = t.column(column);
        for (const QStringList& r : t.rows) {
            if (c >= 0 && c < r.size() && r[c] != "-" && !r[c].isEmpty()) {
                rows << r;
            }
        }
        return rows;
    };
    // The known-mutation columns can be filled when a row lies on a known mutation, the special
    // region columns when such a row also lies in a region of that kind; all others always.
    bool inGeneSpecial = false;
    auto expectFilled = [&](const Table& t, const char* report) {
        bool onKnown = false, inSd = false, inCr = false;
        for (const QStringList& r : t.rows) {
            if (known.contains(r[0] + ":" + r[1] + ":" + r[2])) {
                onKnown = true;
                inSd = inSd || inRegions(sd, r[0], r[1].toLongLong() - 1);
                inCr = inCr || inRegions(cr, r[0], r[1].toLongLong() - 1);
            }
        }
        inGeneSpecial = inGeneSpecial || inSd || inCr;
        std::cout << report << " rows on known mutations: " << onKnown << ", in SD: " << inSd << ", in CR: " << inCr
                  << std::endl;
        for (const QString& column : t.header) {
            const bool fromKnown = QStringList{"1000genomes", "alt_allele", "hapmap", "gerpScore", "LRT", "PhyloP",
                                               "PolyPhen2", "MutationTaster"}
                                       .contains(column);
            if ((fromKnown && !onKnown) || (column == "segmental_dupl" && !inSd) || (column == "conserved_reg" && !inCr)) {
                continue;
            }
            EXPECT_FALSE(filledRows(t, column).isEmpty()) << report << " column " << column.toStdString();
        }
    };
    expectFilled(inGene, "in-gene");
    EXPECT_TRUE(inGeneSpecial) << "no run record is a known mutation in a special region";
    expectFilled(regulatory, "regulatory");

    // Hand runs. rSNP-tools: the window of 40 bases on each side, the observed allele put in.
    const QHash<QString, QByteArray> genome = readFasta(d + "/genome.fa");
    int checked = 0;
    bool globinPromoter = false;
    const int factors = regulatory.column("rSNPTools_factors");
    for (const QStringList& r : filledRows(regulatory, "rSNPTools_factors")) {
        const qint64 p = r[1].toLongLong() - 1;
        const qint64 start = std::max<qint64>(0, p - 40);
        const QString first = QString::fromLatin1(genome[r[0]].mid(int(start), int(p + 41 - start)));
        QString second = first;
        second.replace(int(p - start), 1, r[2].section('/', 1));
        const bool fixedCase = first.contains("CTAGCTTGCGGTTTCTGTGGTTTGCATGCATCGATCGGCTA");
        if (checked++ >= CHECKS_PER_COLUMN && !fixedCase) {
            continue;
        }
        EXPECT_EQ(r[factors], script("rsnp.py", {"--sign", "10", "--snpdm1", "1", "--snpdm2", "2", "-f", first, "-s", second},
                                     "PRESENT"))
            << r.join('\t').toStdString();
        if (fixedCase) {
            globinPromoter = true;
            for (const char* tf : {"Gfi1b MA0483.1", "POU5F1 MA1115.1", "Pou2f3 MA0627.1"}) {
                EXPECT_TRUE(r[factors].contains(tf)) << tf << " missing in " << r[factors].toStdString();
            }
        }
    }
    EXPECT_TRUE(globinPromoter);

    // ChIP tools: the identifier alone.
    const int chip = regulatory.column("ChIPTools");
    QSet<QString> chipKinds;
    checked = 0;
    for (const QStringList& r : filledRows(regulatory, "ChIPTools")) {
        const QString kind = r[chip].startsWith("no peak") ? "none" : r[chip].startsWith("unknown") ? "unknown" : "peak";
        if (checked++ < CHECKS_PER_COLUMN || !chipKinds.contains(kind)) {
            EXPECT_EQ(r[chip], script("SNPChIPTools.py", {"--ug", "true", "-i", r[3]}, "SNP_CHIP")) << r[3].toStdString();
        }
        chipKinds << kind;
    }
    EXPECT_EQ(chipKinds, (QSet<QString>{"none", "unknown", "peak"}));

    // Protein stability 3D and PDB sites: accession, position and letters from the row.
    const int protein = inGene.column("Protein"), substitution = inGene.column("Substitution");
    const int stability1d = inGene.column("ProtStability1D"), stability3d = inGene.column("ProtStability3D");
    const int site = inGene.column("SNP2PDBSite");
    checked = 0;
    int globinRows = 0;
    for (const QStringList& r : filledRows(inGene, "ProtStability3D")) {
        const QString s = r[substitution];  // e.g. "H59R"
        const QString before = s.left(1), after = s.right(1), position = s.mid(1, s.size() - 2);
        const bool globin = r[protein] == "P69905";
        if (checked++ >= CHECKS_PER_COLUMN && !globin) {
            continue;
        }
        EXPECT_EQ(r[stability3d], script("protstability3d.py", {"-c", "A", "-i", r[protein], "-p", position, "-t", after},
                                         "STABILITY_3D"))
            << r.join('\t').toStdString();
        EXPECT_EQ(r[site], script("snp2pdbsite.py",
                                  {"-c", "A", "-m", QString("\"A %1       %2 -> %3\"").arg(position, before, after), "-p", r[protein]},
                                  "PDB_SITE"))
            << r.join('\t').toStdString();
        if (globin) {
            ++globinRows;
            EXPECT_EQ(r[stability1d], script("protstability1d.py", {"-p", position, "-s", ">seq\n" + GLOBIN, "-t", after},
                                             "STABILITY_1D"))
                << r.join('\t').toStdString();
            if (s == "H59R" || s == "H88Y") {
                EXPECT_TRUE(r[site].contains("HEM")) << r[site].toStdString();
            } else if (s == "V2M") {
                EXPECT_TRUE(r[site].contains("no site")) << r[site].toStdString();
            }
        }
    }
    EXPECT_EQ(globinRows, 3);
    std::cout << "in-gene rows: " << inGene.rows.size() << ", regulatory rows: " << regulatory.rows.size() << std::endl;
}
