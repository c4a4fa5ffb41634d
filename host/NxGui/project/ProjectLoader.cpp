#include "ProjectLoader.h"

#include <NxGui/project/OpenDocumentsTask.h>
#include <NxGui/project/Project.h>

namespace Nx {

ProjectLoader::ProjectLoader(QObject* parent) : QObject(parent), project(new Project(this)) {
}

Task* ProjectLoader::openWithProjectTask(const QList<GUrl>& urls, const QVariantMap& hints) {
    if (urls.isEmpty()) {
        return nullptr;
    }
    return new OpenDocumentsTask(urls, hints);
}

}  // namespace Nx
