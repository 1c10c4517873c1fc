#include "appendix_strings.h"
#include "core/technical_data.h"
#include "core/window_services.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using Items = std::vector<std::pair<int, std::string>>;

static Items walk(std::string_view text) {
    Items items;
    core::walkTechnicalData(text, [&](int k, std::string_view item) {
        items.emplace_back(k, std::string(item));
        return true;
    });
    return items;
}

TEST(TechnicalDataWalk, OneGroupOfFiveItems) {
    EXPECT_EQ(walk("03X1104abcd000000"), (Items{{1, "X11"}, {2, "abcd"}, {3, ""}, {4, ""}, {5, ""}}));
    EXPECT_TRUE(walk("").empty());
}

TEST(TechnicalDataWalk, LengthDigitsReadAsTheHexToLongOfTheirTwoCharacters) {
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            const std::string two{char(a), char(b)};
            EXPECT_EQ(16 * core::hexDigitValue(a) + core::hexDigitValue(b), core::HexToLong(two))
                << a << " " << b;
        }
    EXPECT_EQ(core::hexDigitValue('a'), 10);
    EXPECT_EQ(core::hexDigitValue('G'), 0);
}

TEST(TechnicalDataWalk, MalformedPrefixesOfTheEdgeModel) {
    // Lower-case lengths, a length of non-hex characters, an item of zero
    // length written "0G" and a last length running past the end.
    const Items expected = {
        {1, "A01"},
        {2, "FOHN-10"},
        {3, ""},
        {4, ""},
        {5, ""},
        {1, "A02"},
        {2, "abcdefghijklmnopqrstuvwxyz"},
        {3, "01"},
        {4, ""},
        {5, ""},
        {1, "A03"},
        {2, "0123456789"},
        {3, ""},
        {4, ""},
        {5, ""},
        {1, "C05"},
        {2, "filtro U01-X"},
        {3, ""},
        {4, ""},
        {5, ""},
        {1, "A04"},
        {2, "12345"},
        {3, ""},
        {4, ""},
        {5, ""},
        {1, "A05"},
        {2, "xyz"},
        {3, "short"},
    };
    EXPECT_EQ(walk(appendix::kM15), expected);
}

TEST(TechnicalDataWalk, TextEndingInsideAnItemOrPrefix) {
    EXPECT_EQ(walk("05ab"), (Items{{1, "ab"}}));
    EXPECT_EQ(walk("03A01F"), (Items{{1, "A01"}, {2, ""}}));
    EXPECT_EQ(walk("0"), (Items{{1, ""}}));
    EXPECT_EQ(walk("00"), (Items{{1, ""}}));
}

TEST(TechnicalDataWalk, StopsWhenTheReaderSaysSo) {
    int seen = 0;
    core::walkTechnicalData("03A0101x03A0201y", [&](int, std::string_view) { return ++seen < 3; });
    EXPECT_EQ(seen, 3);
}

TEST(TechnicalDataReaders, TighteningFormulasOfTheShowcaseModel) {
    const auto f = core::tighteningFormulas(appendix::kM01);
    EXPECT_EQ(f[0], "E+A2+B90+B90+D+C+A4+B180+F+A1,5 x3+I4,5+L6+M7+");
    EXPECT_EQ(f[1], "A5+B60+");
    EXPECT_EQ(f[2], "A3(1)+B40+");
    EXPECT_EQ(f[3], "A3+B30");
}

TEST(TechnicalDataReaders, LaterGroupWinsAndOtherCodesArePassedOver) {
    const auto f = core::tighteningFormulas(appendix::kM17);
    EXPECT_EQ(f[0], "2A+90B+20+C+++1,5 x3A+2AB+A2+A2+A2+A2+A2+A2+90B");
    EXPECT_EQ(f[1], "20+A1jkwx+"); // "r03" is no tightening group
    EXPECT_EQ(f[2], "A2");
    EXPECT_EQ(f[3].substr(0, 8), "A1+B1+C+");
    const auto none = core::tighteningFormulas(appendix::kM18);
    for (const auto& s : none)
        EXPECT_EQ(s, "");
}

TEST(TechnicalDataReaders, TorqueAvailability) {
    EXPECT_TRUE(core::Has_DatiSerraggio(appendix::kM01));
    EXPECT_TRUE(core::Has_DatiSerraggio(appendix::kM05));  // R05 only
    EXPECT_FALSE(core::Has_DatiSerraggio(appendix::kM03)); // R02 only
    EXPECT_FALSE(core::Has_DatiSerraggio(appendix::kM18));
    EXPECT_FALSE(core::Has_DatiSerraggio(""));
    EXPECT_FALSE(core::Has_DatiSerraggio("03r0103A1+000000"));
    // The code is held from item 1 and tested when item 2 is read.
    EXPECT_FALSE(core::Has_DatiSerraggio("03R01"));
    EXPECT_TRUE(core::Has_DatiSerraggio("03R0100"));
}

TEST(TechnicalDataReaders, FirstExactU01GroupGivesTheAcRecords) {
    EXPECT_EQ(core::acRecordChain(appendix::kM01), "A055025ATB120000  A0550  VU");
    const auto m19 = core::acRecordChain(appendix::kM19);
    ASSERT_TRUE(m19);
    EXPECT_EQ(m19->size(), 192u);
    EXPECT_EQ(m19->substr(0, 18), "A085025ATB120000BU");
    EXPECT_FALSE(core::acRecordChain(appendix::kM15)); // "U01" only inside a value
    EXPECT_FALSE(core::acRecordChain(appendix::kM20)); // "u01"
    EXPECT_TRUE(core::Has_DatiClima(appendix::kM15));
    EXPECT_FALSE(core::Has_DatiClima(appendix::kM05));
}

TEST(TechnicalDataReaders, HostileTextsEndWithoutReadingPastTheirBuffer) {
    std::string big(1 << 20, 'F');
    EXPECT_FALSE(core::Has_DatiSerraggio(big));
    EXPECT_FALSE(core::acRecordChain(big));
    std::string zeros(1 << 20, '0');
    EXPECT_FALSE(core::Has_DatiSerraggio(zeros));
    std::string high(1000, '\xFF');
    EXPECT_FALSE(core::Has_DatiSerraggio(high));
}
