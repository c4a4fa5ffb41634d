// The one-paragraph description of a "write-annotated-variations" element: where its variations
// come from and where the annotated file goes.
#pragma once

#include <NxDesigner/prompter/PrompterBase.h>

namespace Nx {
namespace LocalWorkflow {

class AnnotatedVcfPrompter : public PrompterBase<AnnotatedVcfPrompter> {
    Q_OBJECT
public:
    explicit AnnotatedVcfPrompter(Actor* p = nullptr) : PrompterBase<AnnotatedVcfPrompter>(p) {}

protected:
    QString composeDescription() override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
