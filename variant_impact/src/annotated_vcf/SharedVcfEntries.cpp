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
#include <limits>
#include <map>

namespace Nx {

using LocalWorkflow::AnnotatedVcfWorkerFactory;
using LocalWorkflow::SNPReportWriterFactory;

namespace {

// Entries of a part collect in memory up to this size before they go to its file.
const int SPOOL_BUFFER = 256 * 1024;
const int WAIT_MS = 100;

// One line per variation, in the part's order: start, REF, ALT, then the tails of every field.
void writeLine(QByteArray& out, const NxVariant& variant, const VariationEntries& entries) {
    // Digits by hand: formatting through printf was a good part of the lines' cost.
    char digits[24];
    char* end = digits + sizeof(digits);
    char* d = end;
    const bool negative = variant.startPos < 0;
    quint64 value = negative ? quint64(0) - quint64(variant.startPos) : quint64(variant.startPos);
    do {
        *--d = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (negative) {
        *--d = '-';
    }
    out.append(d, int(end - d));
    out += '\t';
    out += variant.refData;
    out += '\t';
    out += variant.obsData;
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
// A copy of an allele of the lines (which go with their part); most are one base and share one
// array per base and thread instead of an allocation each.
QByteArray allele(const QByteArray& raw) {
    if (raw.size() == 1) {
        thread_local QByteArray singles[256];
        QByteArray& one = singles[static_cast<unsigned char>(raw[0])];
        if (one.isEmpty()) {
            one = QByteArray(raw.constData(), 1);
        }
        return one;
    }
    return QByteArray(raw.constData(), raw.size());
}

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
    if (writeFailed) {
        return;
    }
    // Alleles are bases; anything else would break the line: the part is not handed over.
    for (const QByteArray* allele : {&variant.refData, &variant.obsData}) {
        if (allele->contains('\t') || allele->contains('\n')) {
            writeFailed = true;
            return;
        }
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

bool SharedVcfEntries::waitForPlan(const NxDataId& track, std::vector<std::pair<int, NxRegion>>& trackParts,
                                   const std::function<bool()>& canceled) {
    QMutexLocker locker(&lock);
    while (!planned && !closed) {
        if (canceled()) {
            return false;
        }
        changed.wait(&lock, WAIT_MS);
    }
    if (!planned) {
        return false;
    }
    for (int i = 0; i < parts.size(); ++i) {
        if (parts[i].track == track) {
            trackParts.emplace_back(i, parts[i].region);
        }
    }
    return true;
}

bool SharedVcfEntries::TrackReader::next(NxVariant& variant, QByteArray& entries, bool& hasEntries,
                                         const std::function<bool()>& canceled) {
    for (;;) {
        if (segment >= 0 && it == nullptr && offset < data.size()) {
            if (nextLine(variant, entries)) {
                hasEntries = true;
                ++handed;
                return true;
            }
            // A damaged line: the rest of the part comes from the database.
            if (!readRestFromDatabase()) {
                return false;
            }
        }
        if (it != nullptr && it->hasNext()) {
            variant = it->next();
            entries.clear();
            hasEntries = false;
            ++handed;
            return true;
        }
        if (!nextSegment(canceled)) {
            return false;
        }
    }
}

bool SharedVcfEntries::TrackReader::nextSegment(const std::function<bool()>& canceled) {
    if (!segmentsKnown) {
        segmentsKnown = true;
        if (!shared->waitForPlan(track, segments, canceled) || segments.empty()) {
            segments.clear();
            segments.emplace_back(-1, NxRegion(0, std::numeric_limits<qint64>::max()));
        }
    }
    it.reset();
    data.clear();
    offset = 0;
    handed = 0;
    if (++segment >= int(segments.size())) {
        return false;
    }
    const int part = segments[size_t(segment)].first;
    std::unique_ptr<QIODevice> device = part >= 0 ? shared->takePart(part, canceled) : nullptr;
    if (device != nullptr) {
        data = device->readAll();
        if (device->atEnd() && (data.isEmpty() || data.endsWith('\n'))) {
            return true;
        }
        data.clear();
    }
    it.reset(openRegion(segments[size_t(segment)].second));
    return it != nullptr;
}

bool SharedVcfEntries::TrackReader::readRestFromDatabase() {
    const qint64 skip = handed;
    data.clear();
    offset = 0;
    it.reset(openRegion(segments[size_t(segment)].second));
    for (qint64 i = 0; i < skip && it != nullptr && it->hasNext(); ++i) {
        it->next();
    }
    return it != nullptr;
}

bool SharedVcfEntries::TrackReader::nextLine(NxVariant& variant, QByteArray& entries) {
    const char* d = data.constData();
    const int size = data.size();
    const char* end = static_cast<const char*>(memchr(d + offset, '\n', size_t(size - offset)));
    if (end == nullptr) {
        return false;
    }
    const int lineEnd = int(end - d);
    int fields[3];  // starts of position, REF, ALT
    int from = offset;
    for (int f = 0; f < 3; ++f) {
        fields[f] = from;
        const char* tab = static_cast<const char*>(memchr(d + from, '\t', size_t(lineEnd - from)));
        if (tab == nullptr) {
            return false;
        }
        from = int(tab - d) + 1;
    }
    auto field = [&](int f) { return QByteArray::fromRawData(d + fields[f], (f < 2 ? fields[f + 1] : from) - 1 - fields[f]); };
    // Only what matching a record needs: the entries are there, nothing is computed. The digits
    // are read by hand, as writeLine wrote them (the general conversion was a third of this).
    const char* digit = d + fields[0];
    const char* digitsEnd = d + fields[1] - 1;
    const bool negative = digit < digitsEnd && *digit == '-';
    digit += negative ? 1 : 0;
    bool ok = digit < digitsEnd && digitsEnd - digit <= 18;
    qint64 position = 0;
    for (; ok && digit < digitsEnd; ++digit) {
        ok = *digit >= '0' && *digit <= '9';
        position = position * 10 + (*digit - '0');
    }
    variant.startPos = negative ? -position : position;
    variant.refData = allele(field(1));
    variant.obsData = allele(field(2));
    // Most variations have no entries: tabs only, nothing to copy.
    const int tailsSize = lineEnd - from;
    if (tailsSize == VariationEntries::FIELDS - 1) {
        entries.clear();
    } else {
        entries = data.mid(from, tailsSize);
    }
    offset = lineEnd + 1;
    return ok;
}

}  // namespace Nx
