// The encoders against the program's own decoders.
#include "sampledata/encode.h"

#include "core/key_table.h"
#include "core/scramble.h"

#include <gtest/gtest.h>

using namespace sampledata;

namespace {

const std::array<int, 80>& key() {
    static std::array<int, 80> k = [] {
        std::array<int, 80> r{};
        for (size_t i = 0; i < 80; ++i)
            r[i] = core::kKeyConstants[i];
        return r;
    }();
    return k;
}

} // namespace

TEST(Encode, EveryFormRoundTripsItsText) {
    const std::string accented = cp1252("Quantità refrigerante °C cm³ Relè");
    for (Form f : {Form::Line, Form::Str}) {
        const std::string stored = encode(f, accented);
        EXPECT_EQ(stored.size(), accented.size());
        EXPECT_EQ(decode(f, stored), accented);
    }
    // Table fields stay ASCII: their decoder cannot reach every accented
    // letter at every position.
    const std::string ascii = "ALBA 1.2 16V (59)/6000 +-\"';";
    EXPECT_EQ(decode(Form::Conv, encode(Form::Conv, ascii)), ascii);
    for (size_t i = 0; i < 80; ++i) {
        const std::string one = std::string(i, 'A') + cp1252("°");
        try {
            EXPECT_EQ(decode(Form::Conv, encode(Form::Conv, one)), one);
        } catch (const std::runtime_error&) {
            // refused rather than stored wrongly
        }
    }
}

TEST(Encode, LineFormStoresAccentsThroughTheCodePage) {
    ensureKeys();
    const std::string stored = encode(Form::Line, cp1252("à"));
    // code page 850 has à at 0x85
    EXPECT_EQ(static_cast<unsigned char>(stored[0]), 0x85 - key()[0]);
    EXPECT_EQ(core::DescrambleLine(stored), cp1252("à"));
}

TEST(Encode, RejectsWhatCannotBeStored) {
    EXPECT_THROW(encode(Form::Str, std::string(81, 'A')), std::runtime_error);
    EXPECT_THROW(encode(Form::Line, "a\rb"), std::runtime_error);
    // A character below its key entry (key[0] is at least 1).
    EXPECT_THROW(encode(Form::Str, std::string(1, '\0')), std::runtime_error);
    EXPECT_THROW(encodePadded(Form::Conv, "TOO LONG", 4), std::runtime_error);
}

TEST(Encode, PaddedValuesLeaveNoRawBlankAndKeepTheirOrder) {
    const std::string a = encodePadded(Form::Conv, "ALBA", 30);
    const std::string b = encodePadded(Form::Conv, "ALBA 2", 30);
    EXPECT_EQ(a.size(), 30u);
    EXPECT_EQ(a.find(' '), std::string::npos);
    EXPECT_LT(a, b);
    EXPECT_EQ(decode(Form::Conv, a), "ALBA" + std::string(26, ' '));
}

TEST(Encode, CptFileEndsEveryLineWithCrLf) {
    const std::string file = cptFile(Form::Line, {"uno", "", "tre"});
    EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
    EXPECT_EQ(file.find("\r\n\r\n"), 3u); // the empty line is kept
    EXPECT_EQ(decodeCpt(Form::Line, file), (std::vector<std::string>{"uno", "", "tre"}));
    EXPECT_THROW(decodeCpt(Form::Line, file.substr(0, file.size() - 2)), std::runtime_error);
}

TEST(Encode, HeaderScramblingStopsAtTheFirstZeroByte) {
    std::string plain = "GIF89a";
    plain += std::string("\x2a\x00\x10\x00", 4) + "rest";
    const std::string stored = scrambleHeader(plain, key());
    EXPECT_EQ(stored.substr(7), plain.substr(7)); // from the 0 on, unchanged
    EXPECT_NE(stored.substr(0, 7), plain.substr(0, 7));
    std::string back = stored;
    EXPECT_EQ(core::decodeHeader(back, key()), 7);
    EXPECT_EQ(back, plain);
}

TEST(Encode, HeaderByteEqualToItsKeyEntryIsACollision) {
    std::string plain(10, 'x');
    plain[3] = char(key()[3]);
    EXPECT_THROW(scrambleHeader(plain, key()), HeaderCollision);
    // A 0 earlier ends the header before the colliding byte.
    plain[1] = '\0';
    EXPECT_NO_THROW(scrambleHeader(plain, key()));
}

TEST(Encode, PackedGroupsUseUpperCaseHexLengths) {
    EXPECT_EQ(packGroup("A01", "AL-12V16"), "03A0108AL-12V16000000");
    EXPECT_EQ(packGroup("B01", "12 - 14", "02", "", "Valori a motore caldo"),
              "03B010712 - 1402020015Valori a motore caldo");
    EXPECT_EQ(packItem(std::string(26, 'x')).substr(0, 2), "1A");
    EXPECT_THROW(packItem(std::string(256, 'x')), std::runtime_error);
}
