// Entries handed from the report writer's threads to the annotated-VCF writer: which variation
// gets which entries, what the reader does with parts that are not planned, not published or not
// there yet, and parts that went to a temporary file.
#include <annotated_vcf/SharedVcfEntries.h>
#include <annotated_vcf/VariationEntries.h>

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

TEST(SharedVcfEntriesTest, VariationsTakeTheirOwnLinesFromPublishedPartsAndComputeTheRest) {
    QTemporaryDir folder;
    auto shared = std::make_shared<SharedVcfEntries>();
    SharedVcfEntries::TrackReader reader(shared, "chr1");
    QByteArray out;
    // Nothing planned yet: computed by the caller, without waiting.
    EXPECT_FALSE(reader.entriesOf(variant(1, "a"), out, never));

    shared->plan({{"chr1", NxRegion(0, 100)}, {"chr1", NxRegion(100, END - 100)}, {"chr2", NxRegion(0, END)}});
    SharedVcfEntries::PartWriter part0(folder.path());
    part0.add(variant(1, "a"), entries("one"));
    part0.add(variant(5, "b"), entries("two", "chip"));
    part0.add(variant(5, "c"), VariationEntries());  // no entries: no line
    part0.add(variant(5, "d"), entries("four"));
    part0.add(variant(9, "e"), entries("five"));
    shared->publish(0, part0);
    // A later copy of a part changes nothing.
    SharedVcfEntries::PartWriter again(folder.path());
    again.add(variant(1, "a"), entries("other"));
    shared->publish(0, again);
    shared->close();

    // "a" was computed before the plan; the reader starts at "b" and finds each of position 5 by
    // its id, in any order.
    ASSERT_TRUE(reader.entriesOf(variant(5, "d"), out, never));
    EXPECT_EQ(out, entries("four").joined());
    ASSERT_TRUE(reader.entriesOf(variant(5, "c"), out, never));
    EXPECT_TRUE(out.isEmpty());
    ASSERT_TRUE(reader.entriesOf(variant(5, "b"), out, never));
    EXPECT_EQ(out, entries("two", "chip").joined());
    ASSERT_TRUE(reader.entriesOf(variant(7, "x"), out, never));
    EXPECT_TRUE(out.isEmpty());
    ASSERT_TRUE(reader.entriesOf(variant(9, "e"), out, never));
    EXPECT_EQ(out, entries("five").joined());
    // Part 1 was never published and the report closed: computed, without waiting.
    EXPECT_FALSE(reader.entriesOf(variant(150, "f"), out, never));
    // A track the report did not plan.
    SharedVcfEntries::TrackReader other(shared, "chr3");
    EXPECT_FALSE(other.entriesOf(variant(1, "g"), out, never));
}

TEST(SharedVcfEntriesTest, AReaderWaitsForAPlannedPartUntilItIsPublishedClosedOrCanceled) {
    QTemporaryDir folder;
    auto shared = std::make_shared<SharedVcfEntries>();
    shared->plan({{"chr1", NxRegion(0, 10)}, {"chr1", NxRegion(10, 10)}, {"chr1", NxRegion(20, END - 20)}});
    std::unique_ptr<QThread> producer(QThread::create([&]() {
        QThread::msleep(100);
        SharedVcfEntries::PartWriter part(folder.path());
        part.add(variant(3, "a"), entries("late"));
        shared->publish(0, part);
    }));
    producer->start();
    SharedVcfEntries::TrackReader reader(shared, "chr1");
    QByteArray out;
    ASSERT_TRUE(reader.entriesOf(variant(3, "a"), out, never));
    EXPECT_EQ(out, entries("late").joined());
    producer->wait();

    // Canceled while waiting for part 1.
    std::atomic<int> asked{0};
    EXPECT_FALSE(reader.entriesOf(variant(12, "b"), out, [&] { return ++asked > 2; }));
    EXPECT_GT(asked.load(), 2);

    // Closed while waiting for part 2.
    std::unique_ptr<QThread> closer(QThread::create([&]() {
        QThread::msleep(100);
        shared->close();
    }));
    closer->start();
    EXPECT_FALSE(reader.entriesOf(variant(25, "c"), out, never));
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
        part.add(variant(i, QByteArray::number(i).constData()), entries(tail + QByteArray::number(i)));
    }
    EXPECT_FALSE(part.failed());
    shared->publish(0, part);
    SharedVcfEntries::TrackReader reader(shared, "chr1");
    QByteArray out;
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(reader.entriesOf(variant(i, QByteArray::number(i).constData()), out, never)) << i;
        ASSERT_EQ(out, entries(tail + QByteArray::number(i)).joined()) << i;
    }
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}
