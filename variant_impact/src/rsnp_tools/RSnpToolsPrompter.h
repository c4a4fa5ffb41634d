// The one-paragraph description of an "rSnp-tools" element: its input and its database.
#pragma once

#include <NxDesigner/prompter/PrompterBase.h>

namespace Nx {
namespace LocalWorkflow {

class RSnpToolsPrompter : public PrompterBase<RSnpToolsPrompter> {
    Q_OBJECT
public:
    explicit RSnpToolsPrompter(Actor* p = nullptr) : PrompterBase<RSnpToolsPrompter>(p) {}

protected:
    QString composeDescription() override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
