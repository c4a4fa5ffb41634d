// The project loader's task: one LoadDocumentTask per URL; fails when any file fails.
#pragma once

#include <NxCore/io/GUrl.h>
#include <NxCore/tasks/Task.h>

#include <QVariantMap>

namespace Nx {

class OpenDocumentsTask : public Task {
    Q_OBJECT
public:
    OpenDocumentsTask(const QList<GUrl>& urls, const QVariantMap& hints);

    const QList<GUrl>& getURLs() const { return urls; }

private:
    QList<GUrl> urls;
};

}  // namespace Nx
