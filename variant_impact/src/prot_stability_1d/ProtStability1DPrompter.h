// The one-paragraph description of a "prot-stability-1d" element: its input and its database.
#pragma once

#include <NxDesigner/prompter/PrompterBase.h>

namespace Nx {
namespace LocalWorkflow {

class ProtStability1DPrompter : public PrompterBase<ProtStability1DPrompter> {
    Q_OBJECT
public:
    explicit ProtStability1DPrompter(Actor* p = nullptr) : PrompterBase<ProtStability1DPrompter>(p) {}

protected:
    QString composeDescription() override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
