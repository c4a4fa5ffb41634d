#include "LineReader.h"

#include <QFileInfo>

#include <htslib/bgzf.h>
#include <htslib/hts.h>
#include <htslib/kseq.h>
#include <htslib/kstring.h>

namespace Nx {

LineReader::~LineReader() {
    if (file != nullptr) {
        hts_close(file);
    }
    ks_free(&buffer);
}

bool LineReader::open(const QString& p, QString& error) {
    path = p;
    if (!QFileInfo(p).isFile()) {
        error = tr("%1: no such file").arg(p);
        return false;
    }
    file = hts_open(p.toLocal8Bit().constData(), "r");
    if (file == nullptr) {
        error = tr("%1: cannot open the file").arg(p);
        return false;
    }
    // A bgzip file cut at a block boundary decompresses cleanly up to the cut: only the missing
    // end-of-file block tells that the rest is gone.
    if (file->is_bgzf && hts_get_format(file)->compression == bgzf && bgzf_check_EOF(file->fp.bgzf) == 0) {
        error = tr("%1: the bgzip end-of-file marker is missing: the file is truncated").arg(p);
        hts_close(file);
        file = nullptr;
        return false;
    }
    return true;
}

bool LineReader::readLine(QByteArray& line) {
    if (file == nullptr) {
        return false;
    }
    kstring_t& s = buffer;
    int rc = hts_getline(file, KS_SEP_LINE, &s);
    if (rc < 0) {
        readError = rc < -1;
        return false;
    }
    ++lineNumber;
    size_t n = s.l;
    if (n > 0 && s.s[n - 1] == '\r') {
        --n;
    }
    line = QByteArray(s.s, static_cast<int>(n));
    return true;
}

QString LineReader::where() const {
    return QString("%1:%2: ").arg(path).arg(lineNumber);
}

}  // namespace Nx
