// The one-paragraph description of a "snp2pdb-site" element: its input and its database.
#pragma once

#include <NxDesigner/prompter/PrompterBase.h>

namespace Nx {
namespace LocalWorkflow {

class Snp2PdbSitePrompter : public PrompterBase<Snp2PdbSitePrompter> {
    Q_OBJECT
public:
    explicit Snp2PdbSitePrompter(Actor* p = nullptr) : PrompterBase<Snp2PdbSitePrompter>(p) {}

protected:
    QString composeDescription() override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
