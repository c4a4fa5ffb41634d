#include "LineReader.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

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
    const QFileInfo info(p);
    if (!info.exists()) {
        error = tr("%1: no such file").arg(p);
        return false;
    }
    if (info.isDir()) {
        error = tr("%1: is a folder, not a file").arg(p);
        return false;
    }
    file = hts_open(p.toLocal8Bit().constData(), "r");
    if (file == nullptr) {
        const int err = errno;
        error = err == ENOEXEC ? tr("%1: not a text file (binary data, or compressed in a format other than gzip)").arg(p)
                               : tr("%1: cannot open the file: %2").arg(p, QString::fromLocal8Bit(std::strerror(err)));
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

void LineReader::fetch() {
    hasNext = false;
    const int rc = hts_getline(file, KS_SEP_LINE, &buffer);
    if (rc < 0) {
        if (rc < -1) {
            readError = tr("the compressed data ends early or is damaged: the file is truncated or corrupt");
        }
        return;
    }
    size_t n = buffer.l;
    if (n > 0 && buffer.s[n - 1] == '\r') {
        --n;
    }
    next = QByteArray(buffer.s, static_cast<int>(n));
    hasNext = true;
}

bool LineReader::readLine(QByteArray& line) {
    if (file == nullptr || !readError.isEmpty()) {
        return false;
    }
    if (!started) {
        started = true;
        fetch();
    }
    if (!hasNext) {
        return false;
    }
    line = next;
    ++lineNumber;
    // One line ahead: the last piece before a decompression error is no line of the file.
    fetch();
    if (!readError.isEmpty()) {
        return false;
    }
    if (std::memchr(line.constData(), 0, static_cast<size_t>(line.size())) != nullptr) {
        readError = tr("NUL byte in the line (column %1): not a text file").arg(line.indexOf('\0') + 1);
        return false;
    }
    return true;
}

QString LineReader::readErrorMessage() const {
    return where() + readError;
}

QString LineReader::where() const {
    return QString("%1:%2: ").arg(path).arg(lineNumber);
}

}  // namespace Nx
