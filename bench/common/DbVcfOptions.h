// The command line of the benchmarks that run on a reference database and a VCF: --db FILE,
// --vcf FILE and an optional --work-dir DIR; the quiet log and the context they all start with.
#pragma once

#include <NxCore/log/Logger.h>
#include <NxPrivate/core/AppContextImpl.h>

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace NxBench {

struct DbVcfOptions {
    QString db;
    QString vcf;
    QString workDir;  // empty when not given
};

// Parses the command line (--help prints the texts and exits); false after a message on standard
// error when --db or --vcf is missing.
inline bool parseDbVcfOptions(const QCoreApplication& app, const QString& description, const QString& vcfHelp,
                              const QString& workDirHelp, DbVcfOptions& options) {
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    QCommandLineOption dbOpt("db", "Reference database (nolix-refdb output).", "FILE");
    QCommandLineOption vcfOpt("vcf", vcfHelp, "FILE");
    QCommandLineOption workOpt("work-dir", workDirHelp, "DIR");
    parser.addOption(dbOpt);
    parser.addOption(vcfOpt);
    parser.addOption(workOpt);
    parser.process(app);
    if (!parser.isSet(dbOpt) || !parser.isSet(vcfOpt)) {
        std::fprintf(stderr, "--db and --vcf are required\n");
        return false;
    }
    options.db = parser.value(dbOpt);
    options.vcf = parser.value(vcfOpt);
    options.workDir = parser.isSet(workOpt) ? parser.value(workOpt) : QString();
    Nx::Logger::setMinimumLevel(Nx::LogLevel_ERROR);
    Nx::AppContextImpl::getApplicationContext();
    return true;
}

}  // namespace NxBench
