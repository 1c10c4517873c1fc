#include "appendix_strings.h"
#include "core/technical_data.h"
#include "mechanical/ac_records.h"

#include <gtest/gtest.h>

using namespace mechanical;
using Lines = std::vector<std::string>;

namespace {

std::string label(int k) {
    return "L" + std::to_string(k);
}
std::string line(std::string_view record) {
    return acRecordLine(record, label);
}
Lines labelLines() {
    Lines l;
    for (int k = 0; k < kAcLabelCount; ++k)
        l.push_back("A" + std::string(k < 10 ? "0" : "") + std::to_string(k) + label(k));
    return l;
}

} // namespace

TEST(AcRecords, WorkedExamples) {
    EXPECT_EQ(line("A085025AT"), "Freon R134a =  850 g. +/- 25 ( L0 ) ( L17 )");
    EXPECT_EQ(line("B120000  "), "Freon R12 =  1200 g.");
    EXPECT_EQ(line("C0600  C "), "  600 g. ( L2 )");
    EXPECT_EQ(line("A0400 5E "), "Freon R134a =  400 g. +/-  5 ( L4 )");
    EXPECT_EQ(line("B09"), "Freon R12 =  9 g.");
    EXPECT_EQ(line(""), "  0 g.");
}

TEST(AcRecords, SplitIntoNineCharacterRecords) {
    EXPECT_EQ(splitAcRecords(std::string(18, 'x')).size(), 2u);
    const auto three = splitAcRecords(std::string(18, 'x') + "B0");
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[2], "B0");
    EXPECT_TRUE(splitAcRecords("").empty());
}

TEST(AcRecords, EveryRecordOfTheEdgeModel) {
    const Lines expected = {
        "Freon R134a =  850 g. +/- 25 ( L0 ) ( L17 )",
        "Freon R12 =  1200 g. ( L1 ) ( L18 )",
        "  600 g. ( L2 )",
        "Freon R134a =  400 g. +/- 07 ( L3 )",
        "Freon R134a =  400 g. +/-  5 ( L4 )",
        "Freon R134a =  450 g. ( L5 )",
        "Freon R134a =  500 g. ( L6 )",
        "Freon R134a =  500 g. ( L7 )",
        "Freon R134a =  500 g. ( L8 )",
        "Freon R134a =  500 g.",
        "Freon R134a =  500 g. ( L9 )",
        "Freon R134a =  500 g. ( L10 )",
        "Freon R134a =  500 g. ( L11 )",
        "Freon R134a =  500 g. ( L12 )",
        "Freon R134a =  500 g. ( L13 )",
        "Freon R134a =  500 g. ( L14 )",
        "Freon R134a =  500 g. ( L15 )",
        "Freon R134a =  500 g. ( L16 )",
        "Freon R134a =  500 g. ( L19 )",
        "Freon R134a =  500 g. ( L20 )",
        "Freon R134a =  500 g.",
        "Freon R12 =  9 g.",
    };
    Lines got;
    for (const auto& r : splitAcRecords(*core::acRecordChain(appendix::kM19)))
        got.push_back(line(r));
    EXPECT_EQ(got, expected);
}

TEST(AcRecords, LabelLettersOfColumnEight) {
    const std::string letters = "ABCDEFGHILMNOPQRS";
    for (size_t i = 0; i < letters.size(); ++i)
        EXPECT_EQ(acLabelOfLetter(static_cast<unsigned char>(letters[i])), int(i));
    EXPECT_EQ(acLabelOfLetter('V'), 19);
    EXPECT_EQ(acLabelOfLetter('Z'), 20);
    for (char c : std::string("JKTUWXYa "))
        EXPECT_EQ(acLabelOfLetter(static_cast<unsigned char>(c)), -1) << c;
}

TEST(AcRecords, SheetTextJoinsRecordsWithCrLf) {
    EXPECT_EQ(acSheetText("A085025ATB120000  ", labelLines()),
              " Freon R134a =  850 g. +/- 25 ( L0 ) ( L17 )\r\n Freon R12 =  1200 g.");
    EXPECT_EQ(acSheetText("A060000  ", labelLines()), " Freon R134a =  600 g.");
    EXPECT_EQ(acSheetText("", labelLines()), "");
    // No label file: the brackets stand empty; a short label line too.
    EXPECT_EQ(acSheetText("A060000A ", {}), " Freon R134a =  600 g. (  )");
    EXPECT_EQ(acSheetText("A060000A ", {"A0"}), " Freon R134a =  600 g. (  )");
}
