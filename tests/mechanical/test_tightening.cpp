#include "appendix_strings.h"
#include "core/technical_data.h"
#include "mechanical/tightening.h"

#include <gtest/gtest.h>

#include <set>

using namespace mechanical;
using Lines = std::vector<std::string>;

namespace {

// Line n reads "Snn" + "T" + n, so a step shows as "Tn".
StepDictionary dictionary() {
    StepDictionary d;
    for (int i = 0; i < kStepDictionarySize; ++i)
        d[size_t(i)] = (i < 10 ? "S0" : "S") + std::to_string(i) + "T" + std::to_string(i);
    return d;
}
Lines dictionaryLines() {
    const auto d = dictionary();
    return Lines(d.begin(), d.end());
}
Lines torque(std::string_view formula, StepCarry& carry) {
    static const StepDictionary d = dictionary();
    return torqueRows(formula, d, carry);
}
Lines torque(std::string_view formula) {
    StepCarry carry;
    return torque(formula, carry);
}
Lines sheet(std::string_view formula) {
    return sheetStepLines(formula, dictionaryLines());
}

} // namespace

TEST(TorqueRows, LetterValueAndUnitOfEachStep) {
    EXPECT_EQ(torque("2A+90B+"), (Lines{" 1) T0 2  Kgm", " 2) T1 90 \xB0"}));
    EXPECT_EQ(torque("A2+"), torque("2A+"));
    EXPECT_EQ(torque("C+"), (Lines{" 1) T2  "}));
    EXPECT_EQ(torque("2AB+"), (Lines{" 1) T1 2 \xB0"}));
    EXPECT_EQ(torque("20+"), (Lines{" 1) 20 "}));
    EXPECT_EQ(torque("++"), (Lines{" 1)  ", " 2)  "}));
    EXPECT_EQ(torque("1,5 x3A+"), (Lines{" 1) T0 1,5 x3  Kgm"}));
    EXPECT_EQ(torque("2A+90B"), (Lines{" 1) T0 2  Kgm"}));
    EXPECT_TRUE(torque("A2").empty());
    EXPECT_TRUE(torque("").empty());
}

TEST(TorqueRows, EdgeModelAcrossItsJoints) {
    const auto f = core::tighteningFormulas(appendix::kM17);
    StepCarry carry;
    EXPECT_EQ(torque(f[0], carry), (Lines{
                                       " 1) T0 2  Kgm",
                                       " 2) T1 90 \xB0",
                                       " 3) T1 20 \xB0",
                                       " 4) T2  ",
                                       " 5) T2  ",
                                       " 6) T2  ",
                                       " 7) T0 1,5 x3  Kgm",
                                       " 8) T1 2 \xB0",
                                       " 9) T0 2  Kgm",
                                       " 10) T0 2  Kgm",
                                       " 11) T0 2  Kgm",
                                       " 12) T0 2  Kgm",
                                       " 13) T0 2  Kgm",
                                       " 14) T0 2  Kgm",
                                   }));
    // Description and unit carry over into the next joint.
    EXPECT_EQ(torque(f[1], carry), (Lines{" 1) T0 20  Kgm", " 2) T0 1jkwx  Kgm"}));
    EXPECT_TRUE(torque(f[2], carry).empty());
}

TEST(TorqueRows, AllFortyEightLettersWithTheirUnits) {
    const std::string letters = "ABCDEFGHILMNOPQRSTUVZYJWKXabcdefghilmnopqrstuvzy";
    const std::set<int> degree = {1, 39, 40, 43, 44};
    const std::set<int> none = {2, 3, 4, 5, 6, 7, 45};
    const auto rows = torque(core::tighteningFormulas(appendix::kM17)[3]);
    ASSERT_EQ(rows.size(), 48u);
    for (int i = 0; i < 48; ++i) {
        const std::string unit = degree.count(i) ? "\xB0" : none.count(i) ? "" : " Kgm";
        const std::string value = none.count(i) ? "" : "1";
        EXPECT_EQ(rows[size_t(i)],
                  " " + std::to_string(i + 1) + ") T" + std::to_string(i) + " " + value + " " + unit)
            << letters[size_t(i)];
        EXPECT_EQ(stepLetterLine(static_cast<unsigned char>(letters[size_t(i)])), i);
    }
    for (char c : std::string("jkwxYz0+ ")) {
        if (c == 'Y' || c == 'z') continue;
        EXPECT_EQ(stepLetterLine(static_cast<unsigned char>(c)), -1) << c;
    }
}

TEST(TorqueRows, MissingDictionaryGivesEmptyDescriptions) {
    StepDictionary empty;
    StepCarry carry;
    EXPECT_EQ(torqueRows("2A+", empty, carry), (Lines{" 1)  2  Kgm"}));
}

TEST(SheetStepLines, WorkedExamples) {
    EXPECT_EQ(sheet("A2+B90+"), (Lines{" T0  2  Kgm", " T1  90 \xB0"}));
    EXPECT_EQ(sheet("A3(1)+"), (Lines{" T0  3 Kgm (1) "}));
    EXPECT_EQ(sheet("2A+"), (Lines{"  A "}));
    EXPECT_EQ(sheet("A2"), (Lines{" T0  2  Kgm"}));
    EXPECT_EQ(sheet("A2+B9"), (Lines{" T0  2  Kgm", " T1  9 \xB0"}));
    EXPECT_EQ(sheet("A2++B9+"), (Lines{" T0  2  Kgm", " T0   "}));
    EXPECT_EQ(sheet("+A2+"), (Lines{"   "}));
    EXPECT_TRUE(sheet("").empty());
    EXPECT_EQ(sheet("A3+B30"), (Lines{" T0  3  Kgm", " T1  30 \xB0"}));
    EXPECT_EQ(sheet("20+A1jkwx+"), (Lines{"  0 ", " T0  1jkwx  Kgm"}));
}

TEST(SheetStepLines, EdgeModelFormulas) {
    EXPECT_EQ(sheet("A2+B90+C+D+E+F+G+H0,5 mm+"), (Lines{" T0  2  Kgm", " T1  90 \xB0", " T2   ", " T3   ",
                                                         " T4   ", " T5   ", " T6   ", " T7  0,5 mm "}));
    EXPECT_EQ(sheet("2A+90B+20+C+++1,5 x3A+"), (Lines{"  A ", "  0B ", "  0 ", " T2   ", " T2   "}));
    // Without any dictionary every description is empty.
    EXPECT_EQ(sheetStepLines("A2+", {}), (Lines{"   2  Kgm"}));
}
