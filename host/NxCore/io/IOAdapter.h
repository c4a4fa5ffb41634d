// A file opened for reading or writing through the suite's file layer. Writes are buffered by
// QFile; a failed write or close sets the status with the file's path, so a report that could
// not be completed is never mistaken for a complete one.
#pragma once

#include <NxCore/io/GUrl.h>

#include <QCoreApplication>
#include <QFile>

namespace Nx {

class NxOpStatus;

enum class IOAdapterMode { Read, Write };

class IOAdapter {
    Q_DECLARE_TR_FUNCTIONS(Nx::IOAdapter)
public:
    IOAdapter() = default;
    ~IOAdapter();

    IOAdapter(const IOAdapter&) = delete;
    IOAdapter& operator=(const IOAdapter&) = delete;

    // Write mode creates the file or truncates an existing one; an error names the path.
    bool open(const GUrl& url, IOAdapterMode mode, NxOpStatus& os);
    bool isOpen() const { return file.isOpen(); }
    const GUrl& getURL() const { return url; }

    // Appends all of data; false (and an error) when the file is not open or the write fails.
    bool writeBlock(const QByteArray& data, NxOpStatus& os);
    // Up to maxSize bytes; empty at the end of the file.
    QByteArray readBlock(qint64 maxSize, NxOpStatus& os);
    // Flushes and closes; a failed flush (a full disk) is an error. Closing twice does nothing.
    void close(NxOpStatus& os);

private:
    GUrl url;
    QFile file;
};

}  // namespace Nx
