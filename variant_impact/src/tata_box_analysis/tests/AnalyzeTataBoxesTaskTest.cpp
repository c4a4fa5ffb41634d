// The TATA-box task: the label of the statistic, the stretches it refuses, and a planted TATA
// box that a single substitution destroys.
#include "TataTestGenome.h"

#include <SnpRequestKeys.h>
#include <tata_box_analysis/AnalyzeTataBoxesTask.h>

#include <NxCore/log/Logger.h>
#include <NxPrivate/tasks/TaskRunner.h>
#include <tata_box_analysis/model/TataSignificance.h>

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <memory>

using namespace Nx;
using namespace Nx::TataTestGenome;

namespace {

// The 50-letter promoter window of FWD1 and the same window with one letter replaced.
QByteArray window() {
    return chromosome().mid(930, 50);
}

QVariantMap request(const QByteArray& seq1, const QByteArray& seq2) {
    return {{SnpRequestKeys::FEATURE_ID, QByteArray("FWD1")},
            {SnpRequestKeys::TATA_FIRST_SEQUENCE, seq1},
            {SnpRequestKeys::TATA_SECOND_SEQUENCE, seq2}};
}

QVariantMap analyze(const QVariantMap& input) {
    ensureApplication();
    std::unique_ptr<AnalyzeTataBoxesTask> t(new AnalyzeTataBoxesTask(input, NxVariant()));
    EXPECT_EQ(t->getTaskName(), "Get variant impact on tata boxes");
    EXPECT_TRUE(TaskRunner::runAndWait(t.get(), 30000));
    EXPECT_FALSE(t->hasError());
    return t->getResults();
}

}  // namespace

TEST(AnalyzeTataBoxesTaskTest, IdenticalStretchesAreUnsignificantWithZeroStatistic) {
    const QVariantMap r = analyze(request(window(), window()));
    EXPECT_EQ(r, (QVariantMap{{"TATA_TOOLS", "0/unsignificant"}}));
}

TEST(AnalyzeTataBoxesTaskTest, DestroyingThePlantedTataBoxIsSignificant) {
    QByteArray destroyed = window();
    const int offset = int(TATA_START - 930) + 1;  // the A of "TA" in the box's first step
    ASSERT_EQ(destroyed[offset], 'A');
    destroyed[offset] = 'C';
    const QString label = analyze(request(window(), destroyed)).value("TATA_TOOLS").toString();
    const QRegularExpression form("^([0-9.e+]+)/(0\\.95|0\\.99|0\\.999|0\\.999999)$");
    const QRegularExpressionMatch m = form.match(label);
    ASSERT_TRUE(m.hasMatch()) << label.toStdString();
    // The label is the one the statistic reaches, with six significant digits.
    const double z = m.captured(1).toDouble();
    EXPECT_GE(z, 1.95996398454);
    EXPECT_EQ(QString::fromStdString(tataSignificanceText(z)).section('/', 1), m.captured(2));
}

TEST(AnalyzeTataBoxesTaskTest, LabelsTakeTheHighestThresholdReachedAndSixDigits) {
    EXPECT_EQ(tataSignificanceText(1.95996398454), "1.95996/0.95");
    EXPECT_EQ(tataSignificanceText(1.9599639845), "1.95996/unsignificant");
    EXPECT_EQ(tataSignificanceText(2.575829303549), "2.57583/0.99");
    EXPECT_EQ(tataSignificanceText(4.891638475699), "4.89164/0.999999");
    EXPECT_EQ(tataSignificanceText(2.6), "2.6/0.99");
}

TEST(AnalyzeTataBoxesTaskTest, StretchesOfDifferentLengthLogTheErrorAndGiveNoAnswer) {
    LogCapture log;
    QByteArray longer = window();
    longer.insert(20, "TT");
    EXPECT_TRUE(analyze(request(window(), longer)).isEmpty());
    EXPECT_TRUE(log.contains("Core Services", LogLevel_ERROR,
                             "Trying to recover from error: AnalyzeTataBoxesTask::sites of tata boxes must be similar in the length"));
}

TEST(AnalyzeTataBoxesTaskTest, ShortStretchesAndMissingKeysGiveNoAnswerSilently) {
    LogCapture log;
    const QByteArray s25 = window().left(25);
    EXPECT_TRUE(analyze(request(s25, s25)).isEmpty());
    // 30 bytes but only 25 accepted letters.
    const QByteArray spaced = s25 + "     ";
    EXPECT_TRUE(analyze(request(spaced, spaced)).isEmpty());
    EXPECT_TRUE(analyze({{SnpRequestKeys::TATA_FIRST_SEQUENCE, window()}}).isEmpty());
    EXPECT_FALSE(log.contains("Trying to recover from error"));
    // 26 letters are enough for one window.
    EXPECT_EQ(analyze(request(window().left(26), window().left(26))).value("TATA_TOOLS").toString(), "0/unsignificant");
}
