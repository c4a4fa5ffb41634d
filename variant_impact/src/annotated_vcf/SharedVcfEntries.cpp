#include "SharedVcfEntries.h"

#include "AnnotatedVcfWorker.h"
#include "AnnotatedVcfWorkerFactory.h"
#include "SNPReportWriterFactory.h"

#include <NxLang/model/Actor.h>
#include <NxLang/model/ActorPrototype.h>
#include <NxLang/model/Attribute.h>
#include <NxLang/model/Port.h>

#include <QBuffer>
#include <QDir>
#include <QTemporaryFile>

#include <cstring>
#include <map>

namespace Nx {

using LocalWorkflow::AnnotatedVcfWorkerFactory;
using LocalWorkflow::SNPReportWriterFactory;

namespace {

// Entries of a part collect in memory up to this size before they go to its file.
const int SPOOL_BUFFER = 256 * 1024;
const int WAIT_MS = 100;

// One line per variation with entries: start, id (hex), then the tails of every field.
void writeLine(QByteArray& out, const NxVariant& variant, const VariationEntries& entries) {
    out += QByteArray::number(variant.startPos);
    out += '\t';
    out += variant.id.toHex();
    for (const QByteArray& t : entries.tails) {
        out += '\t';
        out += t;
    }
    out += '\n';
}

QList<Port*> inputLinks(const Workflow::Actor* a) {
    const QList<Port*> inputs = a->getInputPorts();
    return inputs.size() == 1 ? inputs.first()->getLinks() : QList<Port*>();
}

QString dbPathOf(const Workflow::Actor* a, const QString& attrId, Workflow::WorkflowContext* context) {
    Attribute* attr = a->getParameter(attrId);
    return attr != nullptr ? attr->getAttributeValue<QString>(context) : QString();
}

// The first element of partnerType fed by the same single link as the element, with the same
// reference database.
const Workflow::Actor* firstOnLink(const Workflow::Actor* element, const QString& partnerType,
                                   Workflow::WorkflowContext* context) {
    const QList<Port*> links = inputLinks(element);
    if (links.size() != 1) {
        return nullptr;
    }
    const QString ownType = element->getProto()->getId();
    const QString ownDb = dbPathOf(element, ownType == SNPReportWriterFactory::ACTOR_ID
                                               ? SNPReportWriterFactory::DB_PATH_ATTR_ID
                                               : AnnotatedVcfWorkerFactory::DB_PATH_ATTR_ID, context);
    const QString partnerDbAttr = partnerType == SNPReportWriterFactory::ACTOR_ID
                                      ? SNPReportWriterFactory::DB_PATH_ATTR_ID
                                      : AnnotatedVcfWorkerFactory::DB_PATH_ATTR_ID;
    for (Port* peer : links.first()->getLinks()) {
        const Workflow::Actor* other = peer->owner();
        if (other == element || other->getProto()->getId() != partnerType) {
            continue;
        }
        if (inputLinks(other).size() == 1 && dbPathOf(other, partnerDbAttr, context) == ownDb) {
            return other;
        }
    }
    return nullptr;
}

}  // namespace

void SharedVcfEntries::pairOf(const Workflow::Actor* element, Workflow::WorkflowContext* context,
                              const Workflow::Actor*& report, const Workflow::Actor*& vcf) {
    report = vcf = nullptr;
    if (element == nullptr) {
        return;
    }
    const bool isReport = element->getProto()->getId() == SNPReportWriterFactory::ACTOR_ID;
    const QString partnerType = isReport ? AnnotatedVcfWorkerFactory::ACTOR_ID : SNPReportWriterFactory::ACTOR_ID;
    const Workflow::Actor* partner = firstOnLink(element, partnerType, context);
    // Both ways, so that one report and one VCF writer pair up, never more.
    if (partner == nullptr || firstOnLink(partner, element->getProto()->getId(), context) != element) {
        return;
    }
    report = isReport ? element : partner;
    vcf = isReport ? partner : element;
}

std::shared_ptr<SharedVcfEntries> SharedVcfEntries::forElement(const Workflow::Actor* element,
                                                               Workflow::WorkflowContext* context,
                                                               const NxDbiRef& dbiRef) {
    const Workflow::Actor* report = nullptr;
    const Workflow::Actor* vcf = nullptr;
    pairOf(element, context, report, vcf);
    if (report == nullptr) {
        return nullptr;
    }
    static QMutex registryLock;
    static std::map<QString, std::weak_ptr<SharedVcfEntries>> registry;
    const QString key = QString("%1 %2 %3 %4")
                            .arg(quintptr(report))
                            .arg(quintptr(vcf))
                            .arg(dbiRef.dbiFactoryId, dbiRef.dbiId);
    QMutexLocker locker(&registryLock);
    for (auto it = registry.begin(); it != registry.end();) {
        it = it->second.expired() ? registry.erase(it) : std::next(it);
    }
    std::shared_ptr<SharedVcfEntries> shared = registry[key].lock();
    if (shared == nullptr) {
        shared = std::make_shared<SharedVcfEntries>();
        shared->setReadsAnswers(LocalWorkflow::AnnotatedVcfWorker::readsAnswers(vcf, context));
        registry[key] = shared;
    }
    return shared;
}

void SharedVcfEntries::PartWriter::add(const NxVariant& variant, const VariationEntries& entries) {
    if (entries.isEmpty() || writeFailed) {
        return;
    }
    writeLine(buffer, variant, entries);
    if (buffer.size() >= SPOOL_BUFFER) {
        spill();
    }
}

bool SharedVcfEntries::PartWriter::spill() {
    if (writeFailed) {
        return false;
    }
    if (file == nullptr) {
        auto* temporary = new QTemporaryFile(QDir(folder).filePath("nolix-vcf-entries-XXXXXX"));
        file.reset(temporary);
        if (!temporary->open()) {
            writeFailed = true;
            return false;
        }
    }
    if (file->write(buffer) != buffer.size()) {
        writeFailed = true;
        return false;
    }
    buffer.clear();
    return true;
}

void SharedVcfEntries::plan(const QList<Part>& planned_) {
    QMutexLocker locker(&lock);
    if (planned || closed) {
        return;
    }
    parts = planned_;
    published.resize(size_t(parts.size()));
    publishedOnce.assign(size_t(parts.size()), false);
    planned = true;
    changed.wakeAll();
}

void SharedVcfEntries::publish(int part, PartWriter& writer) {
    std::unique_ptr<QIODevice> device;
    if (writer.file != nullptr) {
        if (!writer.spill() || !writer.file->seek(0)) {
            return;
        }
        device = std::move(writer.file);
    } else {
        auto* buffer = new QBuffer();
        buffer->setData(writer.buffer);
        buffer->open(QIODevice::ReadOnly);
        device.reset(buffer);
        writer.buffer.clear();
    }
    QMutexLocker locker(&lock);
    if (!planned || closed || part < 0 || part >= parts.size() || publishedOnce[size_t(part)]) {
        return;
    }
    published[size_t(part)] = std::move(device);
    publishedOnce[size_t(part)] = true;
    changed.wakeAll();
}

void SharedVcfEntries::close() {
    QMutexLocker locker(&lock);
    closed = true;
    changed.wakeAll();
}

std::unique_ptr<QIODevice> SharedVcfEntries::takePart(int part, const std::function<bool()>& canceled) {
    QMutexLocker locker(&lock);
    while (!publishedOnce[size_t(part)] && !closed) {
        if (canceled()) {
            return nullptr;
        }
        changed.wait(&lock, WAIT_MS);
    }
    return std::move(published[size_t(part)]);
}

int SharedVcfEntries::partOf(const NxDataId& track, qint64 pos, int from) {
    QMutexLocker locker(&lock);
    if (!planned) {
        return -1;
    }
    for (int i = qMax(0, from); i < parts.size(); ++i) {
        const Part& p = parts[i];
        if (p.track == track && p.region.startPos <= pos && pos - p.region.startPos < p.region.length) {
            return i;
        }
    }
    // Positions only grow within a track; a new reader starts from the beginning.
    if (from > 0) {
        return partOf(track, pos, 0);
    }
    return -1;
}

bool SharedVcfEntries::TrackReader::entriesOf(const NxVariant& variant, QByteArray& out,
                                              const std::function<bool()>& canceled) {
    const qint64 pos = variant.startPos;
    const bool inPart = part >= 0 && [&]() {
        QMutexLocker locker(&shared->lock);
        const Part& p = shared->parts[part];
        return p.region.startPos <= pos && pos - p.region.startPos < p.region.length;
    }();
    if (!inPart) {
        const int found = shared->partOf(track, pos, part);
        if (found < 0) {
            return false;
        }
        part = found;
        data.clear();
        offset = 0;
        atPosition.clear();
        bufferedPos = -1;
        std::unique_ptr<QIODevice> device = shared->takePart(part, canceled);
        missing = device == nullptr;
        if (device != nullptr) {
            data = device->readAll();
            missing = device->bytesAvailable() > 0 || !device->atEnd();
        }
    }
    if (missing) {
        return false;
    }
    if (pos != bufferedPos && !readUpTo(pos)) {
        missing = true;  // a damaged spool: the rest of the part is computed
        data.clear();
        return false;
    }
    const QByteArray id = variant.id.toHex();
    out.clear();  // no line: the variation has no entries
    for (const Line& line : atPosition) {
        if (line.idSize == id.size() && memcmp(data.constData() + line.idFrom, id.constData(), size_t(id.size())) == 0) {
            out = data.mid(line.tailsFrom, line.tailsSize);
            break;
        }
    }
    return true;
}

bool SharedVcfEntries::TrackReader::readUpTo(qint64 pos) {
    atPosition.clear();
    bufferedPos = pos;
    const char* d = data.constData();
    const int size = data.size();
    while (offset < size) {
        const char* end = static_cast<const char*>(memchr(d + offset, '\n', size_t(size - offset)));
        if (end == nullptr) {
            return false;
        }
        const int lineEnd = int(end - d);
        const char* tab1 = static_cast<const char*>(memchr(d + offset, '\t', size_t(lineEnd - offset)));
        if (tab1 == nullptr) {
            return false;
        }
        bool ok = false;
        const qint64 linePos = QByteArray::fromRawData(d + offset, int(tab1 - d) - offset).toLongLong(&ok);
        const int idFrom = int(tab1 - d) + 1;
        const char* tab2 = static_cast<const char*>(memchr(d + idFrom, '\t', size_t(qMax(0, lineEnd - idFrom))));
        if (!ok || tab2 == nullptr) {
            return false;
        }
        if (linePos > pos) {
            return true;  // a later variation's line: read when its position comes
        }
        if (linePos == pos) {
            const int tailsFrom = int(tab2 - d) + 1;
            atPosition.push_back(Line{idFrom, int(tab2 - d) - idFrom, tailsFrom, lineEnd - tailsFrom});
        }
        offset = lineEnd + 1;
    }
    return true;
}

}  // namespace Nx
