#include "RunDescription.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include <cmath>

namespace Nx {

bool RunDescription::isEmpty() const {
    return inputs.isEmpty() && reference.isEmpty() && !started.isValid() && durationSeconds < 0 &&
           workflowPath.isEmpty() && looseSettings.isEmpty();
}

bool RunDescription::setStarted(const QString& text, QString& error) {
    started = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!started.isValid()) {
        started = QDateTime::fromString(text, Qt::ISODate);
    }
    if (!started.isValid()) {
        error = tr("--started '%1' is not an ISO 8601 time such as 2024-05-01T10:00:00+02:00").arg(text);
        return false;
    }
    return true;
}

bool RunDescription::setDuration(const QString& text, QString& error) {
    bool ok = false;
    durationSeconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(durationSeconds) || durationSeconds < 0) {
        durationSeconds = -1;
        error = tr("--duration '%1' is not a number of seconds").arg(text);
        return false;
    }
    return true;
}

namespace {

QString valueText(const QJsonValue& v) {
    switch (v.type()) {
        case QJsonValue::String: return v.toString();
        case QJsonValue::Bool: return v.toBool() ? "true" : "false";
        case QJsonValue::Double: return QString::number(v.toDouble(), 'g', 15);
        case QJsonValue::Null: return QString();
        default: return QString::fromUtf8(QJsonDocument::fromVariant(v.toVariant()).toJson(QJsonDocument::Compact));
    }
}

}  // namespace

bool RunDescription::loadWorkflow(const QString& path, const QStringList& sets, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = tr("%1: cannot read: %2").arg(path, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (doc.isNull()) {
        error = tr("%1: not a workflow file: %2 at byte %3").arg(path, parseError.errorString()).arg(parseError.offset);
        return false;
    }
    const QJsonValue list = doc.object().value("elements");
    if (!list.isArray()) {
        error = tr("%1: not a workflow file: it has no list of \"elements\"").arg(path);
        return false;
    }
    workflowPath = QFileInfo(path).absoluteFilePath();
    elements.clear();
    for (const QJsonValue& e : list.toArray()) {
        const QJsonObject o = e.toObject();
        ElementSettings element;
        element.name = o.value("name").toString();
        element.type = o.value("type").toString();
        const QJsonObject attributes = o.value("attributes").toObject();
        for (auto it = attributes.begin(); it != attributes.end(); ++it) {
            element.attributes << qMakePair(it.key(), valueText(it.value()));
        }
        elements << element;
    }
    for (const QString& set : sets) {
        const int eq = set.indexOf('=');
        const int dot = eq < 0 ? -1 : set.left(eq).indexOf('.');
        if (dot <= 0 || dot + 1 >= eq) {
            error = tr("--set '%1' is not NAME.ATTRIBUTE=VALUE").arg(set);
            return false;
        }
        const QString name = set.left(dot);
        const QString attribute = set.mid(dot + 1, eq - dot - 1);
        const QString value = set.mid(eq + 1);
        auto element = std::find_if(elements.begin(), elements.end(),
                                    [&name](const ElementSettings& s) { return s.name == name; });
        if (element == elements.end()) {
            error = tr("--set '%1': the workflow %2 has no element named '%3'").arg(set, path, name);
            return false;
        }
        auto a = std::find_if(element->attributes.begin(), element->attributes.end(),
                              [&attribute](const QPair<QString, QString>& p) { return p.first == attribute; });
        if (a != element->attributes.end()) {
            a->second = value;
        } else {
            element->attributes << qMakePair(attribute, value);
        }
    }
    return true;
}

QString RunDescription::durationText(double seconds) {
    if (seconds < 60) {
        return tr("%1 s").arg(QString::number(seconds, 'f', seconds < 10 ? 2 : 1));
    }
    const qint64 whole = qint64(std::llround(seconds));
    const qint64 h = whole / 3600;
    const qint64 m = whole % 3600 / 60;
    const qint64 s = whole % 60;
    return h > 0 ? tr("%1 h %2 min %3 s").arg(h).arg(m).arg(s) : tr("%1 min %2 s").arg(m).arg(s);
}

}  // namespace Nx
