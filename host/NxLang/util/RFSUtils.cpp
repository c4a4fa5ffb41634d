#include "RFSUtils.h"

#include <NxLang/model/Actor.h>
#include <NxLang/model/ActorPrototype.h>

namespace Nx {

static PropertyDelegate* delegateOf(const Attribute* attr, const Workflow::Actor* actor) {
    if (attr == nullptr || actor == nullptr || actor->getProto() == nullptr) {
        return nullptr;
    }
    ConfigurationEditor* ed = actor->getProto()->getEditor();
    return ed != nullptr ? ed->getDelegate(attr->getId()) : nullptr;
}

bool RFSUtils::isOutUrlAttribute(const Attribute* attr, const Workflow::Actor* actor) {
    PropertyDelegate* d = delegateOf(attr, actor);
    return d != nullptr && d->isOutputUrl();
}

bool RFSUtils::isUrlAttribute(const Attribute* attr, const Workflow::Actor* actor) {
    PropertyDelegate* d = delegateOf(attr, actor);
    return d != nullptr && d->isUrl();
}

}  // namespace Nx
