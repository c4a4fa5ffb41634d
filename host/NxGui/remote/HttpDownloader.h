// Downloads one address into a file, blocking the calling thread (a task's pool thread) in an
// event loop of its own. The file appears only complete: the data goes to "<file>.part" and is
// renamed at the end; on any failure nothing is left behind.
#pragma once

#include <QString>
#include <QUrl>

namespace Nx {

class NxOpStatus;

class HttpDownloader {
public:
    // Fails (error in os) on a network error, an answer other than 200, more than maxBytes (by
    // the announced length or the bytes received), no end within timeoutMs, or os being
    // canceled. Follows redirects, never from https to http.
    static void download(const QUrl& url, const QString& filePath, int timeoutMs, qint64 maxBytes, NxOpStatus& os);
};

}  // namespace Nx
