// The one-paragraph description of a "prot-stability-3d" element: its input and its database.
#pragma once

#include <NxDesigner/prompter/PrompterBase.h>

namespace Nx {
namespace LocalWorkflow {

class ProtStability3DPrompter : public PrompterBase<ProtStability3DPrompter> {
    Q_OBJECT
public:
    explicit ProtStability3DPrompter(Actor* p = nullptr) : PrompterBase<ProtStability3DPrompter>(p) {}

protected:
    QString composeDescription() override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
