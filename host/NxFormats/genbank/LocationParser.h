// GenBank feature-location text ("100..200", "complement(join(1..10,20..30))") for 0-based,
// half-open regions: the text is 1-based and inclusive, as GenBank writes it.
#pragma once

#include <NxCore/records/NxRegion.h>

#include <QString>
#include <QVector>

namespace Nx {
namespace Genbank {

class LocationParser {
public:
    // One region (start, length) gives "start+1..start+length"; a single base gives "start+1";
    // an empty region gives the between-bases form "start^start+1". Several regions are joined in
    // the given order as "join(a,b,...)"; complement wraps the whole text in "complement(...)".
    // No regions, or a region with a negative length or start (or an end beyond the 64-bit range), give an empty text.
    static QString buildLocationString(const QVector<NxRegion>& regions, bool complement = false);
    // The same for one region.
    static QString buildLocationString(const NxRegion& region, bool complement = false);
};

}  // namespace Genbank
}  // namespace Nx
