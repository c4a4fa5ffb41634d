// The one-paragraph description of a "snp-chip-tools" element: its input (it uses no database).
#pragma once

#include <NxDesigner/prompter/PrompterBase.h>

namespace Nx {
namespace LocalWorkflow {

class SnpChipToolsPrompter : public PrompterBase<SnpChipToolsPrompter> {
    Q_OBJECT
public:
    explicit SnpChipToolsPrompter(Actor* p = nullptr) : PrompterBase<SnpChipToolsPrompter>(p) {}

protected:
    QString composeDescription() override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
