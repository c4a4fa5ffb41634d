// An opened document: where it came from, its format and its text as read at opening.
#pragma once

#include <NxCore/io/GUrl.h>

#include <QObject>
#include <QString>

namespace Nx {

class Document : public QObject {
    Q_OBJECT
public:
    Document(const GUrl& url, const QString& name, const QString& formatId, const QString& summary,
             const QString& text, QObject* parent = nullptr)
        : QObject(parent), url(url), name(name), formatId(formatId), summary(summary), text(text) {}

    const GUrl& getURL() const { return url; }
    const QString& getName() const { return name; }
    const QString& getFormatId() const { return formatId; }
    const QString& getSummary() const { return summary; }
    const QString& getText() const { return text; }

private:
    GUrl url;
    QString name;      // shown in the document list
    QString formatId;  // DocumentFormat id
    QString summary;   // one line about the content
    QString text;
};

}  // namespace Nx
