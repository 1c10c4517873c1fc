#include "core/key_table.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "platform/errors.h"

#include <gtest/gtest.h>

using namespace core;

namespace {
struct Keys : ::testing::Test {
    void SetUp() override {
        resetModule();
        InitKeys();
        InitIdentityTable();
    }
    static std::string bytes(std::initializer_list<int> v) {
        std::string s;
        for (int c : v)
            s.push_back(char(c));
        return s;
    }
};
} // namespace

TEST_F(Keys, KeyTablesAreBuiltFromTheConstants) {
    for (int i = 0; i < 80; ++i) {
        EXPECT_EQ(Key[size_t(i)], kKeyConstants[size_t(i)]);
        EXPECT_GE(Key[size_t(i)], 1);
        EXPECT_LE(Key[size_t(i)], 9);
    }
    EXPECT_EQ(SecondKey, Key);
    EXPECT_EQ(IdentityTable[0], 128);
    EXPECT_EQ(IdentityTable[127], 255);
}

TEST_F(Keys, HandComputedVectors) {
    // Key starts 8, 4, 6, 5: "ABCD" is stored 65-8, 66-4, 67-6, 68-5.
    std::string plain = "ABCD";
    EXPECT_EQ(ScrambleString(plain), bytes({57, 62, 61, 63}));
    std::string stored = bytes({57, 62, 61, 63});
    EXPECT_EQ(DescrambleString(stored), "ABCD");
    EXPECT_EQ(DescrambleLine(stored), "ABCD");
    EXPECT_EQ(DescrambleLineConv(stored), "ABCD");
    for (auto f : {+[](std::string s) { return ScrambleString(s); },
                   +[](std::string s) { return DescrambleString(s); }})
        EXPECT_EQ(f(""), "");
    EXPECT_EQ(DescrambleLine(""), "");
    EXPECT_EQ(DescrambleLineConv(""), "");
}

TEST_F(Keys, CutToEightyIsVisibleInTheCallersText) {
    std::string s(100, 'x');
    EXPECT_EQ(ScrambleString(s).size(), 80u);
    EXPECT_EQ(s.size(), 80u);
    std::string t(100, 'x');
    EXPECT_EQ(DescrambleString(t).size(), 80u);
    EXPECT_EQ(t.size(), 80u);
}

TEST_F(Keys, LineDecodingRules) {
    // CR and LF pass unchanged and keep their position in the count.
    std::string s = bytes({'A' - 8, 13, 'B' - 6});
    EXPECT_EQ(DescrambleLine(s), "A\rB");
    // The 80th character uses the last key entry; the 81st is an error.
    std::string line(80, char('a' - 1));
    line[79] = char('z' - Key[79]);
    EXPECT_EQ(DescrambleLine(line).back(), 'z');
    line.push_back('a');
    EXPECT_THROW(DescrambleLine(line), vb::VbError);
    try {
        DescrambleLine(line);
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.number(), vb::errSubscript);
    }
    // ...but CR/LF past 80 are fine.
    std::string crlf(80, 'a' - 9);
    crlf += "\r\n";
    EXPECT_NO_THROW(DescrambleLine(crlf));
    // A sum above 255 is an invalid argument.
    EXPECT_THROW(DescrambleLine(bytes({250})), vb::VbError);
    std::string below = "\x01";
    EXPECT_THROW(ScrambleString(below), vb::VbError);
}

TEST_F(Keys, OutputTablesAndTheirDeviations) {
    EXPECT_EQ(OemToAnsiTable()[0], 199);
    // Code 127 is appended as is, 128 goes through the table.
    EXPECT_EQ(DescrambleLine(bytes({127 - 8})), bytes({127}));
    EXPECT_EQ(DescrambleLine(bytes({128 - 8})), bytes({199}));
    struct Row {
        int c, line, conv;
    };
    const Row rows[] = {{143, 194, 194},
                        {159, 167, 167},
                        {171, 181, 189},
                        {182, 197, 197},
                        {208, 128, 128},
                        {213, 145, 145},
                        {214, 205, 237},
                        {215, 238, 238},
                        {216, 239, 239},
                        {222, 236, 236},
                        {224, 211, 243},
                        {226, 212, 244},
                        {227, 210, 242},
                        {231, 222, 222},
                        {232, 254, 254},
                        {247, 128, 128},
                        {249, 128, 128},
                        // A few that follow the rule: shades and boxes have no character.
                        {176, 128, 128},
                        {242, 128, 128},
                        {254, 128, 128},
                        {130, 233, 233},
                        {225, 223, 223}};
    for (const Row& r : rows) {
        EXPECT_EQ(OemToAnsiTable()[size_t(r.c - 128)], r.line) << r.c;
        EXPECT_EQ(OemToAnsiTableConv()[size_t(r.c - 128)], r.conv) << r.c;
    }
    const int in[][2] = {{161, 173}, {162, 155}, {167, 21},  {182, 20},
                         {222, 231}, {233, 130}, {128, 128}, {160, 160}};
    for (auto& r : in)
        EXPECT_EQ(AnsiToOemTableConv()[size_t(r[0] - 128)], r[1]) << r[0];
}

TEST_F(Keys, ConvMapsInputCodesAbove160Only) {
    // 160 is not mapped; 161 becomes 173 before the key is added.
    EXPECT_EQ(DescrambleLineConv(bytes({160})), DescrambleLine(bytes({160})));
    std::string conv = DescrambleLineConv(bytes({161}));
    EXPECT_EQ(static_cast<unsigned char>(conv[0]), OemToAnsiTableConv()[173 + 8 - 128]);
    EXPECT_NE(conv, DescrambleLine(bytes({161})));
}

TEST_F(Keys, DescrambleThenScrambleGivesBackTheStoredValue) {
    for (int seed = 0; seed < 200; ++seed) {
        std::string stored;
        for (int i = 0; i < 1 + seed % 80; ++i)
            stored.push_back(char((seed * 7 + i * 13) % 240));
        std::string copy = stored;
        std::string plain = DescrambleString(copy);
        EXPECT_EQ(ScrambleString(plain), stored);
    }
}

TEST_F(Keys, HeaderDecodingWrapsAndStopsAtZero) {
    std::string content = bytes({250, 255 - 4, 0, 5});
    EXPECT_EQ(decodeHeader(content, Key), 2);
    EXPECT_EQ(content, bytes({(250 + 8) - 256, 255, 0, 5}));
    std::string none = bytes({0, 1, 2});
    EXPECT_EQ(decodeHeader(none, Key), 0);
    EXPECT_EQ(none, bytes({0, 1, 2}));
    std::string long_(100, '\x01');
    EXPECT_EQ(decodeHeader(long_, Key), 80);
    EXPECT_EQ(long_[80], '\x01');
    EXPECT_EQ(static_cast<unsigned char>(long_[79]), 1 + Key[79]);
}
