#include "PrompterBaseImpl.h"

#include <NxLang/model/Actor.h>

namespace Nx {

const QString PrompterBaseImpl::HREF_PARAM_ID = QStringLiteral("param:");

QString PrompterBaseImpl::getURL(const QString& attrId, bool* empty) const {
    QString res;
    Attribute* a = target != nullptr ? target->getParameter(attrId) : nullptr;
    if (a != nullptr) {
        res = a->getAttributeScript().isEmpty() ? a->getAttributePureValue().toString() : tr("set by script");
    }
    if (empty != nullptr) {
        *empty = res.isEmpty();
    }
    return res;
}

QString PrompterBaseImpl::getHyperlink(const QString& attrId, const QString& text) {
    if (text.isEmpty()) {
        return QString();
    }
    return QString("<a href=\"%1%2\">%3</a>").arg(HREF_PARAM_ID, attrId, text.toHtmlEscaped());
}

void PrompterBaseImpl::sl_actorModified() {
    setHtml(composeDescription());
}

}  // namespace Nx
