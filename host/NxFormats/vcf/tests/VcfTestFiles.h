// Writes the input files of the importer tests: VCF text, its bgzipped and BCF forms.
#pragma once

#include <QString>
#include <QStringList>

namespace Nx {
namespace VcfTestFiles {

// The fixed header of the test files: 5 lines, so the first record is line 6.
QString header();
void writeText(const QString& path, const QString& text);
// bgzip's output (the bgzip program when installed, else htslib's BGZF writer, the same format).
bool bgzip(const QString& from, const QString& to);
// Re-encodes a VCF file as BCF with htslib.
bool toBcf(const QString& from, const QString& to);
// A copy of the first bytes of a file.
void truncateCopy(const QString& from, const QString& to, qint64 bytes);
// Variations committed to a database file, counted through a handle of its own.
qint64 committedVariantCount(const QString& dbPath);

}  // namespace VcfTestFiles
}  // namespace Nx
