#include <NxFormats/genbank/LocationParser.h>

#include <gtest/gtest.h>

#include <limits>

using namespace Nx;
using Nx::Genbank::LocationParser;

TEST(LocationParserTest, OneRegionIsOneBasedAndInclusive) {
    // 0-based half-open [99, 200) covers 1-based bases 100 to 200.
    EXPECT_EQ(LocationParser::buildLocationString(NxRegion(99, 101)), "100..200");
    EXPECT_EQ(LocationParser::buildLocationString(QVector<NxRegion>{NxRegion(0, 10)}), "1..10");
    EXPECT_EQ(LocationParser::buildLocationString(NxRegion(1499, 100)), "1500..1599");
}

TEST(LocationParserTest, SingleBaseAndBetweenBases) {
    EXPECT_EQ(LocationParser::buildLocationString(NxRegion(41, 1)), "42");
    // An empty region at 0-based 41 sits between 1-based bases 41 and 42.
    EXPECT_EQ(LocationParser::buildLocationString(NxRegion(41, 0)), "41^42");
}

TEST(LocationParserTest, JoinAndComplement) {
    QVector<NxRegion> parts{NxRegion(9, 11), NxRegion(49, 51)};
    EXPECT_EQ(LocationParser::buildLocationString(parts), "join(10..20,50..100)");
    EXPECT_EQ(LocationParser::buildLocationString(parts, true), "complement(join(10..20,50..100))");
    EXPECT_EQ(LocationParser::buildLocationString(NxRegion(99, 101), true), "complement(100..200)");
}

TEST(LocationParserTest, NothingToDescribeGivesEmptyText) {
    EXPECT_EQ(LocationParser::buildLocationString(QVector<NxRegion>()), QString());
    EXPECT_EQ(LocationParser::buildLocationString(NxRegion(10, -1)), QString());
    EXPECT_EQ(LocationParser::buildLocationString(NxRegion(-5, 3)), QString());
    EXPECT_EQ(LocationParser::buildLocationString(NxRegion(10, std::numeric_limits<qint64>::max())), QString());
    EXPECT_EQ(LocationParser::buildLocationString(QVector<NxRegion>{NxRegion(1, 2), NxRegion(5, -2)}), QString());
}

TEST(LocationParserTest, LargeCoordinatesStayExact) {
    qint64 start = 3000000000LL;  // beyond 32 bits
    EXPECT_EQ(LocationParser::buildLocationString(NxRegion(start, 2)), "3000000001..3000000002");
}
