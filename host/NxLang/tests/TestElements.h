// Small elements for the engine tests, registered once per test program:
//   t-source  no input; sends one message per id of "tracks" (comma-separated), each holding a
//             track handle in the variation-track slot, then ends.
//   t-pass    one input, one output without slots; per message it journals what it saw and, by
//             "mode": "task" runs a real task and sends an empty message when it succeeded,
//             "slow" is "task" with a task that runs "count" short sleeps (until canceled),
//             "direct" sends the empty message at once, "fail" returns a FailTask, "hold"
//             takes messages and never becomes done.
//   t-sink    one input; journals every message; done when its input has ended and is empty.
//   t-checked a t-pass ("direct" by default) whose run check wants every file of "needs"
//             (";"-separated) to exist: "no file <path>" for each one missing.
// The journal lines are "<element>:<track id>:<note attribute as read>".
#pragma once

#include <QString>
#include <QStringList>

namespace TestElements {

void registerAll();
QStringList& journal();
// A QCoreApplication for code that needs one (made once).
void ensureApp();

}  // namespace TestElements
