// Base of the per-variation tasks of the request elements: the request (without its feature
// identifier), the variation it is about and the feature identifier, and the answer as a map
// that the worker reads once the task has finished without error.
#pragma once

#include <NxCore/records/NxVariant.h>
#include <NxCore/tasks/Task.h>

#include <QVariantMap>

namespace Nx {

class BaseSnpAnnotationTask : public Task {
    Q_OBJECT
public:
    // An empty name gives "SNP Annotation task". A "featureID" entry leaves the request and
    // becomes featureId.
    BaseSnpAnnotationTask(const QVariantMap& inputData, const NxVariant& variation, const QString& name = QString());

    // The answer; defined once the task finished without error or cancel.
    virtual QVariantMap getResults() const = 0;

    // How the task failed, for the user; the task's error unless a subclass knows better.
    virtual QString getFailureDescription() const { return getError(); }

    const QByteArray& getFeatureId() const { return featureId; }
    const QVariantMap& getInputData() const { return inputData; }
    const NxVariant& getVariation() const { return variation; }

protected:
    QByteArray featureId;   // the request's "featureID" value; empty when it had none
    QVariantMap inputData;  // the request without "featureID"
    NxVariant variation;    // the variation the request is about, a copy
};

}  // namespace Nx
