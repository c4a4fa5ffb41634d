// The one-paragraph description of a "VOZAdarova-id" element: where its variations come from and
// which database annotates them.
#pragma once

#include <NxDesigner/prompter/PrompterBase.h>

namespace Nx {
namespace LocalWorkflow {

class VOZAdarovaPrompter : public PrompterBase<VOZAdarovaPrompter> {
    Q_OBJECT
public:
    explicit VOZAdarovaPrompter(Actor* p = nullptr) : PrompterBase<VOZAdarovaPrompter>(p) {}

protected:
    QString composeDescription() override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
