#include "VcfTestFiles.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <sqlite3.h>

#include <htslib/bgzf.h>
#include <htslib/vcf.h>

namespace Nx {
namespace VcfTestFiles {

QString header() {
    return "##fileformat=VCFv4.2\n"
           "##contig=<ID=chr1>\n"
           "##contig=<ID=chr2>\n"
           "##INFO=<ID=DP,Number=1,Type=Integer,Description=\"Depth\">\n"
           "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n";
}

void writeText(const QString& path, const QString& text) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
}

bool bgzip(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) return false;
    QString tool = QStandardPaths::findExecutable("bgzip");
    if (!tool.isEmpty()) {
        QProcess p;
        p.setStandardInputFile(from);
        p.setStandardOutputFile(to);
        p.start(tool, {"-c"});
        return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    QByteArray data = in.readAll();
    BGZF* out = bgzf_open(QFile::encodeName(to).constData(), "w");
    if (out == nullptr) return false;
    bool ok = bgzf_write(out, data.constData(), data.size()) == data.size();
    return bgzf_close(out) == 0 && ok;
}

bool toBcf(const QString& from, const QString& to) {
    htsFile* in = hts_open(QFile::encodeName(from).constData(), "r");
    if (in == nullptr) return false;
    bcf_hdr_t* hdr = bcf_hdr_read(in);
    htsFile* out = hts_open(QFile::encodeName(to).constData(), "wb");
    bool ok = hdr != nullptr && out != nullptr && bcf_hdr_write(out, hdr) == 0;
    bcf1_t* rec = bcf_init();
    while (ok && bcf_read(in, hdr, rec) == 0) {
        ok = bcf_write(out, hdr, rec) == 0;
    }
    bcf_destroy(rec);
    if (out != nullptr) ok = hts_close(out) == 0 && ok;
    if (hdr != nullptr) bcf_hdr_destroy(hdr);
    hts_close(in);
    return ok;
}

void truncateCopy(const QString& from, const QString& to, qint64 bytes) {
    QFile in(from);
    in.open(QIODevice::ReadOnly);
    QFile out(to);
    out.open(QIODevice::WriteOnly);
    out.write(in.read(bytes));
}

qint64 committedVariantCount(const QString& dbPath) {
    sqlite3* h = nullptr;
    qint64 n = -1;
    if (sqlite3_open_v2(QFile::encodeName(dbPath).constData(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, "SELECT COUNT(*) FROM Variant", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
            n = sqlite3_column_int64(st, 0);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return n;
}

}  // namespace VcfTestFiles
}  // namespace Nx
