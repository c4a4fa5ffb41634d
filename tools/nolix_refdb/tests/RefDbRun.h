// The built nolix-refdb program as the tests run it.
#pragma once

#include <QString>
#include <QStringList>

namespace Nx {

// Runs build/bin/nolix-refdb with the arguments; its exit code (-1 when it did not finish within
// a minute or crashed), standard output in out and standard error in err.
int runRefDb(const QStringList& args, QString& out, QString& err);

}  // namespace Nx
