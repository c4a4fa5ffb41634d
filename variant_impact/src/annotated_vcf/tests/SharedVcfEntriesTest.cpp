// Variations and their entries handed from the report writer's threads to the annotated-VCF
// writer: what comes from the handed-over lines and what from the database (parts not planned,
// not published, not there yet, a canceled wait), and parts that went to a temporary file.
#include <annotated_vcf/SharedVcfEntries.h>
#include <annotated_vcf/VariationEntries.h>

#include <NxCore/dbi/NxDbiIterator.h>

#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <memory>

using Nx::NxRegion;
using Nx::NxVariant;
using Nx::SharedVcfEntries;
using Nx::VariationEntries;

namespace {

NxVariant variant(qint64 pos, const char* id) {
    NxVariant v;
    v.startPos = pos;
    v.id = QByteArray(id);
    return v;
}

VariationEntries entries(const QByteArray& consequence, const QByteArray& chip = QByteArray()) {
    VariationEntries e;
    e.tails[VariationEntries::Consequence] = consequence;
    e.tails[VariationEntries::Chip] = chip;
    return e;
}

const std::function<bool()> never = [] { return false; };
const qint64 END = std::numeric_limits<qint64>::max();

}  // namespace

TEST(VariationEntriesTest, AllelesPrefixEveryEntryAlikeFromFieldsAndFromTheJoinedText) {
    const VariationEntries e = entries("G|T1|missense_variant,G|T2|intron_variant", "peak");
    QByteArray fromFields[VariationEntries::FIELDS];
    QByteArray fromJoined[VariationEntries::FIELDS];
    fromFields[VariationEntries::Consequence] = fromJoined[VariationEntries::Consequence] = "C|G9|T1|x";
    e.appendTo("a=b", fromFields);
    VariationEntries::appendJoinedTo(e.joined(), "a=b", fromJoined);
    EXPECT_EQ(fromFields[VariationEntries::Consequence],
              "C|G9|T1|x,a%3Db|G|T1|missense_variant,a%3Db|G|T2|intron_variant");
    EXPECT_EQ(fromFields[VariationEntries::Chip], "a%3Db|peak");
    for (int f = 0; f < VariationEntries::FIELDS; ++f) {
        EXPECT_EQ(fromJoined[f], fromFields[f]) << f;
    }
    QByteArray none[VariationEntries::FIELDS];
    VariationEntries::appendJoinedTo(VariationEntries().joined(), "A", none);
    for (const QByteArray& v : none) {
        EXPECT_TRUE(v.isEmpty());
    }
}

// The variations of the workflow database, as the reader gets those of a part not handed over.
class Database {
public:
    QList<NxVariant> variants;  // in position order
    QList<NxRegion> opened;

    SharedVcfEntries::TrackReader::OpenRegion opener() {
        return [this](const NxRegion& region) -> Nx::NxDbiIterator<NxVariant>* {
            opened << region;
            QList<NxVariant> in;
            for (const NxVariant& v : variants) {
                if (v.startPos >= region.startPos && v.startPos - region.startPos < region.length) {
                    in << v;
                }
            }
            return new Nx::NxBufferedDbiIterator<NxVariant>(in);
        };
    }
};

NxVariant snv(qint64 pos, const char* id, const char* ref = "A", const char* alt = "G") {
    NxVariant v = variant(pos, id);
    v.refData = ref;
    v.obsData = alt;
    return v;
}

struct Next {
    bool ok = false;
    NxVariant variant;
    QByteArray entries;
    bool hasEntries = false;
};

Next next(SharedVcfEntries::TrackReader& reader, const std::function<bool()>& canceled = never) {
    Next n;
    n.ok = reader.next(n.variant, n.entries, n.hasEntries, canceled);
    return n;
}

TEST(SharedVcfEntriesTest, PublishedPartsHandOverEveryVariationAndTheRestComesFromTheDatabase) {
    QTemporaryDir folder;
    Database db;
    db.variants = {snv(1, "a"), snv(5, "b", "C", "T"), snv(5, "c", "C", "GA"), snv(150, "d"), snv(160, "e")};
    auto shared = std::make_shared<SharedVcfEntries>();
    shared->plan({{"chr1", NxRegion(0, 100)}, {"chr1", NxRegion(100, END - 100)}, {"chr2", NxRegion(0, END)}});
    SharedVcfEntries::PartWriter part0(folder.path());
    part0.add(db.variants[0], entries("one"));
    part0.add(db.variants[1], entries("two", "chip"));
    part0.add(db.variants[2], VariationEntries());  // no entries
    shared->publish(0, part0);
    // A later copy of a part changes nothing.
    SharedVcfEntries::PartWriter again(folder.path());
    again.add(db.variants[0], entries("other"));
    shared->publish(0, again);
    shared->close();  // the second part never comes

    SharedVcfEntries::TrackReader reader(shared, "chr1", db.opener());
    const QByteArray expected[] = {entries("one").joined(), entries("two", "chip").joined(), QByteArray()};
    for (int i = 0; i < 3; ++i) {
        const Next n = next(reader);
        ASSERT_TRUE(n.ok) << i;
        EXPECT_TRUE(n.hasEntries) << i;
        EXPECT_EQ(n.variant.startPos, db.variants[i].startPos);
        EXPECT_EQ(n.variant.refData, db.variants[i].refData);
        EXPECT_EQ(n.variant.obsData, db.variants[i].obsData);
        EXPECT_EQ(n.entries, expected[i]) << i;
    }
    EXPECT_TRUE(db.opened.isEmpty());
    // The second part from the database, whole records for the caller to compute.
    for (int i = 3; i < 5; ++i) {
        const Next n = next(reader);
        ASSERT_TRUE(n.ok);
        EXPECT_FALSE(n.hasEntries);
        EXPECT_EQ(n.variant.id, db.variants[i].id);
    }
    EXPECT_EQ(db.opened, QList<NxRegion>{NxRegion(100, END - 100)});
    EXPECT_FALSE(next(reader).ok);
}

TEST(SharedVcfEntriesTest, WithoutAPlanTheWholeTrackComesFromTheDatabase) {
    Database db;
    db.variants = {snv(1, "a"), snv(7, "b")};
    auto shared = std::make_shared<SharedVcfEntries>();
    shared->close();  // the report read on one thread
    SharedVcfEntries::TrackReader reader(shared, "chr1", db.opener());
    EXPECT_EQ(next(reader).variant.id, QByteArray("a"));
    EXPECT_EQ(next(reader).variant.id, QByteArray("b"));
    EXPECT_FALSE(next(reader).ok);
    EXPECT_EQ(db.opened, QList<NxRegion>{NxRegion(0, END)});
    // A track the plan does not hold: also from the database.
    auto planned = std::make_shared<SharedVcfEntries>();
    planned->plan({{"chr2", NxRegion(0, END)}});
    SharedVcfEntries::TrackReader other(planned, "chr1", db.opener());
    const Next n = next(other);
    ASSERT_TRUE(n.ok);
    EXPECT_FALSE(n.hasEntries);
}

TEST(SharedVcfEntriesTest, AReaderWaitsForThePlanAndAPartUntilPublishedClosedOrCanceled) {
    QTemporaryDir folder;
    Database db;
    db.variants = {snv(3, "a"), snv(12, "b"), snv(25, "c")};
    auto shared = std::make_shared<SharedVcfEntries>();
    std::unique_ptr<QThread> producer(QThread::create([&]() {
        QThread::msleep(50);
        shared->plan({{"chr1", NxRegion(0, 10)}, {"chr1", NxRegion(10, 10)}, {"chr1", NxRegion(20, END - 20)}});
        QThread::msleep(50);
        SharedVcfEntries::PartWriter part(folder.path());
        part.add(db.variants[0], entries("late"));
        shared->publish(0, part);
    }));
    producer->start();
    SharedVcfEntries::TrackReader reader(shared, "chr1", db.opener());
    const Next first = next(reader);
    ASSERT_TRUE(first.ok);
    EXPECT_TRUE(first.hasEntries);
    EXPECT_EQ(first.entries, entries("late").joined());
    producer->wait();

    // Canceled while waiting for the second part: from the database.
    std::atomic<int> asked{0};
    const Next second = next(reader, [&] { return ++asked > 2; });
    ASSERT_TRUE(second.ok);
    EXPECT_FALSE(second.hasEntries);
    EXPECT_GT(asked.load(), 2);

    // Closed while waiting for the third part.
    std::unique_ptr<QThread> closer(QThread::create([&]() {
        QThread::msleep(100);
        shared->close();
    }));
    closer->start();
    const Next third = next(reader);
    ASSERT_TRUE(third.ok);
    EXPECT_FALSE(third.hasEntries);
    EXPECT_EQ(third.variant.id, QByteArray("c"));
    closer->wait();
}

// Over the memory buffer the lines go to a temporary file (unnamed where the system can).
TEST(SharedVcfEntriesTest, APartLargerThanItsMemoryBufferReadsBackWhole) {
    QTemporaryDir folder;
    auto shared = std::make_shared<SharedVcfEntries>();
    shared->plan({{"chr1", NxRegion(0, END)}});
    SharedVcfEntries::PartWriter part(folder.path());
    const int n = 20000;
    const QByteArray tail(40, 'x');
    for (int i = 0; i < n; ++i) {
        part.add(snv(i, "id", "ACGT", i % 2 ? "A" : "TT"), entries(i % 3 ? tail + QByteArray::number(i) : QByteArray()));
    }
    EXPECT_FALSE(part.failed());
    shared->publish(0, part);
    Database db;
    SharedVcfEntries::TrackReader reader(shared, "chr1", db.opener());
    for (int i = 0; i < n; ++i) {
        const Next r = next(reader);
        ASSERT_TRUE(r.ok && r.hasEntries) << i;
        ASSERT_EQ(r.variant.startPos, i);
        ASSERT_EQ(r.variant.refData, QByteArray("ACGT"));
        ASSERT_EQ(r.variant.obsData, QByteArray(i % 2 ? "A" : "TT"));
        ASSERT_EQ(r.entries, i % 3 ? entries(tail + QByteArray::number(i)).joined() : QByteArray()) << i;
    }
    EXPECT_FALSE(next(reader).ok);
    EXPECT_TRUE(db.opened.isEmpty());
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}
