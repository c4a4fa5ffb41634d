// The console application object: event dispatch that survives an exception thrown by an event
// handler. The exception is reported to the crash monitor and the event counts as not handled.
#pragma once

#include <QCoreApplication>

namespace Nx {

class GApplication : public QCoreApplication {
public:
    GApplication(int& argc, char** argv) : QCoreApplication(argc, argv) {}
    ~GApplication() override = default;

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace Nx
