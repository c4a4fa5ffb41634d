// What the console tests of the sample workflows share: running a program of the build, and a
// demo data set with its reference database built from every input the builder takes.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace Nx {
namespace ConsoleRun {

// Runs a program of the build's bin folder (or a program given with its path); its standard
// output and error go to `output`. True when it ran and exited 0.
inline bool runTool(const QString& program, const QStringList& args, QString& output, int timeoutMs = 300000) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program.contains('/') ? program : QString(NX_BINARY_DIR) + "/bin/" + program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        output = program + " did not finish";
        return false;
    }
    output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// nolix-demo-data into dir (with extra arguments such as "--variants", "1000"), then dir +
// "/reference.s3db" from all its files.
inline bool makeDemoWithReference(const QString& dir, const QString& seed, const QStringList& extra, QString& output) {
    if (!runTool("nolix-demo-data", QStringList{"--out-dir", dir, "--seed", seed} + extra, output)) {
        return false;
    }
    return runTool("nolix-refdb",
                   {"--out", dir + "/reference.s3db", "--fasta", dir + "/genome.fa", "--genes", dir + "/genes.gff3",
                    "--known-mutations", dir + "/known_mutations.vcf", "--matrices", dir + "/matrices.tsv",
                    "--gene-info", dir + "/gene_info.tsv", "--segmental-duplications", dir + "/sd.bed",
                    "--conserved-regions", dir + "/cr.bed"},
                   output);
}

}  // namespace ConsoleRun
}  // namespace Nx
