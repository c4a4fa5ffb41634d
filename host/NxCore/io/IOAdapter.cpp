#include "IOAdapter.h"

#include <NxCore/core/NxOpStatus.h>

namespace Nx {

IOAdapter::~IOAdapter() {
    if (file.isOpen()) {
        file.close();
    }
}

bool IOAdapter::open(const GUrl& u, IOAdapterMode mode, NxOpStatus& os) {
    if (file.isOpen()) {
        file.close();
    }
    url = u;
    if (url.isEmpty()) {
        os.setError(tr("No file name given"));
        return false;
    }
    file.setFileName(url.getURLString());
    const QIODevice::OpenMode flags =
        mode == IOAdapterMode::Write ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::ReadOnly;
    if (!file.open(flags)) {
        os.setError(tr("Cannot open file %1: %2").arg(url.getURLString(), file.errorString()));
        return false;
    }
    return true;
}

bool IOAdapter::writeBlock(const QByteArray& data, NxOpStatus& os) {
    if (!file.isOpen()) {
        os.setError(tr("File %1 is not open for writing").arg(url.getURLString()));
        return false;
    }
    if (file.write(data) != data.size()) {
        os.setError(tr("Cannot write to file %1: %2").arg(url.getURLString(), file.errorString()));
        return false;
    }
    return true;
}

QByteArray IOAdapter::readBlock(qint64 maxSize, NxOpStatus& os) {
    if (!file.isOpen()) {
        os.setError(tr("File %1 is not open for reading").arg(url.getURLString()));
        return QByteArray();
    }
    QByteArray data = file.read(maxSize);
    if (file.error() != QFileDevice::NoError) {
        os.setError(tr("Cannot read file %1: %2").arg(url.getURLString(), file.errorString()));
    }
    return data;
}

void IOAdapter::close(NxOpStatus& os) {
    if (!file.isOpen()) {
        return;
    }
    if (!file.flush()) {
        os.setError(tr("Cannot write to file %1: %2").arg(url.getURLString(), file.errorString()));
    }
    file.close();
}

}  // namespace Nx
