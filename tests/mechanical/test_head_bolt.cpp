#include "appendix_strings.h"
#include "mechanical/head_bolt.h"

#include <gtest/gtest.h>

using namespace mechanical;

namespace {
using B = std::tuple<int, int, int>;
std::vector<B> bolts(const HeadBoltSequence& s) {
    std::vector<B> v;
    for (const auto& b : s.bolts)
        v.emplace_back(b.number, b.row, b.column);
    return v;
}
} // namespace

TEST(HeadBoltSequence, InLineEngineOfTheShowcaseModel) {
    const auto s = parseHeadBoltSequence("L01C0702E0703C0504E0905C0906E0507C0308E1109C1110E03");
    EXPECT_EQ(s.engine, 'L');
    EXPECT_EQ(bolts(s), (std::vector<B>{{1, 2, 6},
                                        {2, 4, 6},
                                        {3, 2, 4},
                                        {4, 4, 8},
                                        {5, 2, 8},
                                        {6, 4, 4},
                                        {7, 2, 2},
                                        {8, 4, 10},
                                        {9, 2, 10},
                                        {10, 4, 2}}));
}

TEST(HeadBoltSequence, EdgeValues) {
    EXPECT_EQ(parseHeadBoltSequence("T").engine, 'T');
    EXPECT_TRUE(parseHeadBoltSequence("T").bolts.empty());
    EXPECT_EQ(parseHeadBoltSequence("").engine, 0);
    const auto corners = parseHeadBoltSequence("L01A0102G15");
    EXPECT_EQ(bolts(corners), (std::vector<B>{{1, 0, 0}, {2, 6, 14}}));
    EXPECT_EQ(bolts(parseHeadBoltSequence("T05B03")), (std::vector<B>{{5, 1, 2}}));
    const auto bad = parseHeadBoltSequence("X01C08");
    EXPECT_EQ(bad.engine, 0);
    EXPECT_EQ(bolts(bad), (std::vector<B>{{1, 2, 7}}));
    EXPECT_EQ(parseHeadBoltSequence("t01A01").engine, 0);
    // A row letter outside A-G keeps the bolt without a marker; the final
    // fragment "03C0" is no record.
    EXPECT_EQ(bolts(parseHeadBoltSequence("T01A0102H0503C0")), (std::vector<B>{{1, 0, 0}, {2, -1, 4}}));
}

TEST(HeadBoltSequence, RecordsThatCannotBePlacedAreSkipped) {
    EXPECT_EQ(bolts(parseHeadBoltSequence("T00A0101A1601A00xxA0102A02")), (std::vector<B>{{2, 0, 1}}));
    EXPECT_EQ(bolts(parseHeadBoltSequence("T01A0101B02")), (std::vector<B>{{1, 0, 0}}));
    EXPECT_EQ(bolts(parseHeadBoltSequence("Ta")), (std::vector<B>{}));
    const std::string huge = "L" + std::string(1 << 20, '9');
    EXPECT_TRUE(parseHeadBoltSequence(huge).bolts.empty());
}
