// The untimed first step of the benchmarks that need a workflow database: a VCF imported into a
// fresh one, as the "read-variations" element would.
#pragma once

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxFormats/vcf/VcfImporter.h>

#include <QElapsedTimer>

#include <cstdio>

namespace NxBench {

// The tracks of the file, with their variation count in `variations`; false (and a message on
// standard error) when the import fails.
inline bool importVcf(const QString& vcf, const Nx::NxDbiRef& sessionRef, QList<Nx::NxVariantTrack>& tracks,
                      qint64& variations) {
    Nx::NxOpStatusImpl os;
    Nx::DbiConnection con(sessionRef, true, os);
    QElapsedTimer t;
    t.start();
    Nx::VcfImporter importer(con);
    tracks = importer.importFile(vcf, os);
    if (os.hasError()) {
        std::fprintf(stderr, "import failed: %s\n", qPrintable(os.getError()));
        return false;
    }
    variations = importer.getImportedVariantCount();
    std::fprintf(stderr, "imported %lld variations in %d tracks in %.1f s\n", static_cast<long long>(variations),
                 tracks.size(), t.elapsed() / 1000.0);
    return true;
}

}  // namespace NxBench
