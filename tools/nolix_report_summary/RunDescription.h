// The run a summary page describes, as its command line tells it: input files, reference
// database, start time, duration, and the element settings of the workflow (its file with the
// run's --set values applied), so the page says what produced the reports.
#pragma once

#include "FailedRequestsReader.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QStringList>

namespace Nx {

struct ElementSettings {
    QString name;
    QString type;
    QList<QPair<QString, QString>> attributes;  // in file order; --set values replace or add
};

class RunDescription {
    Q_DECLARE_TR_FUNCTIONS(Nx::RunDescription)
public:
    QStringList inputs;
    QString reference;
    QDateTime started;          // invalid when not given
    double durationSeconds = -1;  // negative when not given
    QString workflowPath;       // empty when not given
    QList<ElementSettings> elements;
    QStringList looseSettings;  // --set values without a workflow file, as given
    FailedRequests failures;    // from --failed-requests files; empty when none was given

    bool isEmpty() const;

    // An ISO 8601 time ("2024-05-01T10:00:00+02:00", "2024-05-01 10:00:00").
    bool setStarted(const QString& text, QString& error);
    // Seconds, a non-negative number.
    bool setDuration(const QString& text, QString& error);
    // Reads the elements of a workflow file (JSON: "elements" with "name", "type" and
    // "attributes") and applies NAME.ATTRIBUTE=VALUE settings; an unknown element is an error.
    bool loadWorkflow(const QString& path, const QStringList& sets, QString& error);

    static QString durationText(double seconds);
};

}  // namespace Nx
