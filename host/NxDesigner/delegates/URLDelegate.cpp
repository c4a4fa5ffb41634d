#include "URLDelegate.h"

namespace Nx {

URLDelegate::URLDelegate(const QString& filter, const QString& type, bool multi, bool isPath, bool saveFile,
                         QObject* parent, const QString& format, bool noFilesMode)
    : PropertyDelegate(parent), filter(filter), type(type), multi(multi), path(isPath), saveFile(saveFile),
      format(format), noFilesMode(noFilesMode) {}

}  // namespace Nx
