// The failed-requests files beside in-gene reports: counts add up over shards, the page says how
// many failed and lists them, and a file that is not one is refused with its line.
#include "FailedRequestsReader.h"
#include "RunDescription.h"
#include "SummaryCounts.h"
#include "SummaryPage.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Nx;

namespace {

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return f.fileName();
}

const QByteArray HEADER = "#Element\tVariation\tReason\n";

}  // namespace

TEST(FailedRequestsReaderTest, ShardsAddUpAndThePageSaysHowManyFailedAndWhich) {
    QTemporaryDir dir;
    const QString a = write(dir, "a.failed_requests.tsv",
                            "## 2 of 10 requests failed\n" + HEADER +
                                "prot-stability-1d\tchr7:101 A>G\tprotstability1d.py exited with code 4: no <profile>\n"
                                "rSnp-tools\tchr7:150 C>T\trsnp.py timed out after 60 s\n");
    const QString b = write(dir, "b.failed_requests.tsv",
                            "## 1 of 5 requests failed\n" + HEADER + "prot-stability-1d\tchr17:9 G>A\twas killed by signal 9\n");
    FailedRequests f;
    QString error;
    ASSERT_TRUE(FailedRequestsReader::read(a, f, error)) << error.toStdString();
    ASSERT_TRUE(FailedRequestsReader::read(b, f, error)) << error.toStdString();
    EXPECT_EQ(f.failed, 3);
    EXPECT_EQ(f.total, 15);
    EXPECT_EQ(f.listedByElement.value("prot-stability-1d"), 2);
    EXPECT_EQ(f.listedByElement.value("rSnp-tools"), 1);
    ASSERT_EQ(f.rows.size(), 3);
    EXPECT_EQ(f.rows[2].variation, "chr17:9 G>A");

    RunDescription run;
    run.failures = f;
    const QString page = SummaryPage::build(SummaryCounts(), run, QDateTime::currentDateTime());
    EXPECT_TRUE(page.contains("3 of 15 requests failed")) << "the page does not say how many failed";
    EXPECT_TRUE(page.contains("no &lt;profile&gt;")) << "reasons are shown, escaped";
    EXPECT_TRUE(page.contains("chr7:150 C&gt;T"));
}

TEST(FailedRequestsReaderTest, WhatIsNotAFailedRequestsFileIsRefusedWithItsLine) {
    QTemporaryDir dir;
    const QList<QPair<QByteArray, QString>> cases{
        {"", ":1: the file ends before its header"},
        {"# 2 failed\n", ":1: expected \"## N of M requests failed\""},
        {"## 5 of 2 requests failed\n" + HEADER, ":1: more requests failed than were made"},
        {"## 1 of 2 requests failed\n#Element\tReason\n", ":2: expected the header"},
        {"## 1 of 2 requests failed\n" + HEADER + "e\tv\n", ":3: 2 cells where a row has 3"},
        {"## 1 of 2 requests failed\n" + HEADER + "e\tv\tr\ne\tv\tr\n", ":4: 2 rows listed but only 1 requests failed"},
        {"## 1 of 2 requests failed\n" + HEADER + QByteArray("e\tv\0\tr\n", 7), ":3: holds a NUL byte"},
    };
    for (const auto& c : cases) {
        const QString path = write(dir, "bad.tsv", c.first);
        FailedRequests f;
        QString error;
        EXPECT_FALSE(FailedRequestsReader::read(path, f, error)) << c.second.toStdString();
        EXPECT_TRUE(error.startsWith(path + c.second)) << error.toStdString();
        EXPECT_TRUE(f.isEmpty());
    }
}
