// Reads one local file on a pool thread, recognises its format and, back on the main thread,
// adds it to the project of the application's project loader. A file already open is shown
// again rather than opened twice.
#pragma once

#include <NxCore/io/GUrl.h>
#include <NxCore/tasks/Task.h>

namespace Nx {

class Document;

class LoadDocumentTask : public Task {
    Q_OBJECT
public:
    // Files above this size are refused: the window shows documents as text.
    static constexpr qint64 MAX_FILE_SIZE = 256LL * 1024 * 1024;

    LoadDocumentTask(const GUrl& url, const QString& documentName = QString());

    void run() override;
    ReportResult report() override;

    // The document added to (or found in) the project; null before the end or on error.
    Document* getDocument() const { return document; }

private:
    GUrl url;
    QString documentName;
    // Filled by run():
    QString formatId;
    QString summary;
    QString text;
    Document* document = nullptr;
};

}  // namespace Nx
