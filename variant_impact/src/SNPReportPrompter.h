// The one-paragraph description of a "snp-report-writer-id" element: where its variations come
// from and where the two reports go.
#pragma once

#include <NxDesigner/prompter/PrompterBase.h>

namespace Nx {
namespace LocalWorkflow {

class SNPReportPrompter : public PrompterBase<SNPReportPrompter> {
    Q_OBJECT
public:
    explicit SNPReportPrompter(Actor* p = nullptr) : PrompterBase<SNPReportPrompter>(p) {}

protected:
    QString composeDescription() override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
