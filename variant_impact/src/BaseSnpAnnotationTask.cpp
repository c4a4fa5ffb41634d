#include "BaseSnpAnnotationTask.h"

#include "SnpRequestKeys.h"

namespace Nx {

BaseSnpAnnotationTask::BaseSnpAnnotationTask(const QVariantMap& input, const NxVariant& v, const QString& name)
    : Task(name.isEmpty() ? QString("SNP Annotation task") : name, TaskFlags(2)), inputData(input), variation(v) {
    auto it = inputData.find(SnpRequestKeys::FEATURE_ID);
    if (it != inputData.end()) {
        featureId = it.value().toByteArray();
        inputData.erase(it);
    }
}

}  // namespace Nx
