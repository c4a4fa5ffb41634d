#include "RequestRunSettings.h"

#include <NxCore/settings/ConfiguredValue.h>

#include <QThread>

namespace Nx {

RequestRunSettings RequestRunSettings::current() {
    RequestRunSettings r;
    bool ok = false;
    const int parallel = configuredValue("NX_REQUESTS_PARALLEL", "requests/parallel").toInt(&ok);
    r.parallel = ok && parallel > 0 ? parallel : qMax(1, QThread::idealThreadCount());
    const double seconds = configuredValue("NX_REQUEST_TIME_LIMIT_S", "requests/time_limit_s").toDouble(&ok);
    r.timeLimitMs = ok && seconds >= 0 ? int(qMin(seconds, 24.0 * 3600) * 1000) : 60000;
    const QString stop = configuredValue("NX_REQUESTS_STOP_AT_FIRST_FAILURE", "requests/stop_at_first_failure");
    r.stopAtFirstFailure = stop == "1" || stop.compare("true", Qt::CaseInsensitive) == 0;
    return r;
}

}  // namespace Nx
