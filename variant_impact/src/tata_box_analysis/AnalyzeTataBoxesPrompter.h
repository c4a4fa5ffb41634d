// The one-paragraph description of a "tata-box-snp" element: its input and its database.
#pragma once

#include <NxDesigner/prompter/PrompterBase.h>

namespace Nx {
namespace LocalWorkflow {

class AnalyzeTataBoxesPrompter : public PrompterBase<AnalyzeTataBoxesPrompter> {
    Q_OBJECT
public:
    explicit AnalyzeTataBoxesPrompter(Actor* p = nullptr) : PrompterBase<AnalyzeTataBoxesPrompter>(p) {}

protected:
    QString composeDescription() override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
