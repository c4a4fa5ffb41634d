// The windowed application object: event dispatch that survives an exception thrown by an event
// handler, as in the console program. The exception goes to the crash monitor and the event
// counts as not handled.
#pragma once

#include <QApplication>

namespace Nx {

class GuiApplication : public QApplication {
public:
    GuiApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace Nx
