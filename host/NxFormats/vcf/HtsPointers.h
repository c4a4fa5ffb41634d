// Owning pointers for htslib's VCF/BCF objects: the file, its header and a record are closed or
// freed with the function htslib gives for each.
#pragma once

#include <htslib/hts.h>
#include <htslib/vcf.h>

#include <memory>

namespace Nx {

struct HtsFileDeleter {
    void operator()(htsFile* f) const {
        if (f != nullptr) {
            hts_close(f);
        }
    }
};
struct HtsHeaderDeleter {
    void operator()(bcf_hdr_t* h) const {
        if (h != nullptr) {
            bcf_hdr_destroy(h);
        }
    }
};
struct HtsRecordDeleter {
    void operator()(bcf1_t* r) const {
        if (r != nullptr) {
            bcf_destroy(r);
        }
    }
};

using HtsFilePtr = std::unique_ptr<htsFile, HtsFileDeleter>;
using HtsHeaderPtr = std::unique_ptr<bcf_hdr_t, HtsHeaderDeleter>;
using HtsRecordPtr = std::unique_ptr<bcf1_t, HtsRecordDeleter>;

}  // namespace Nx
