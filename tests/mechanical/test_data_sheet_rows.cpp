#include "appendix_strings.h"
#include "mechanical/data_sheet.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace mechanical;
using namespace mechanical::sheet;

namespace {

SheetDictionaries dictionaries() {
    SheetDictionaries d;
    d.categories = {"ADati generali",         "BMotore",        "RSerraggi motore", "SSerraggi accensione",
                    "TSerraggi trasmissione", "UClimatizzatore"};
    d.descriptions = {"A01Codice motore",
                      "A02Cilindrata",
                      "A03Alesaggio x corsa",
                      "A04Rapporto di compressione",
                      "B01Pressione di compressione",
                      "R01Serraggio testata",
                      "R02SEQUENZA SERRAGGIO TESTATA",
                      "R03Serraggio supporti di banco",
                      "R08Sequenza serraggio collettore",
                      "S02Bobina di accensione",
                      "S03Sensore di detonazione",
                      "S04Sonda lambda",
                      "S05Sensore giri",
                      "T02Dado mozzo",
                      "U01Ricarica climatizzatore",
                      "U03Pressione circuito"};
    d.units = {"01[mm]Millimetri", "02[bar]Bar", "12[kgm]Chilogrammetri"};
    for (int i = 0; i < 48; ++i)
        d.stepLines.push_back((i < 10 ? "S0" : "S") + std::to_string(i) + "T" + std::to_string(i));
    for (int k = 0; k < 21; ++k)
        d.acLabels.push_back("A" + std::string(k < 10 ? "0" : "") + std::to_string(k) + "L" +
                             std::to_string(k));
    return d;
}

struct Texts {
    std::string c0, c1, c2, c8;
    bool operator==(const Texts&) const = default;
};
void PrintTo(const Texts& t, std::ostream* os) {
    *os << "{" << t.c0 << "|" << t.c1 << "|" << t.c2 << "|" << t.c8 << "}";
}

std::vector<Texts> texts(const std::vector<SheetRow>& rows) {
    std::vector<Texts> v;
    for (const auto& r : rows)
        v.push_back({r.cells[0].text, r.cells[1].text, r.cells[2].text, r.cells[8].text});
    return v;
}

} // namespace

TEST(DataSheetRows, EmptyTextGivesOnlyTheOpeningRows) {
    const auto rows = buildDataSheet("", "4/16V", dictionaries());
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& c : rows[0].cells)
        EXPECT_EQ(c.text, "Dati generali");
    EXPECT_TRUE(rows[0].merge);
    EXPECT_EQ(rows[0].cells[0].fore, kTitleRed);
    EXPECT_TRUE(rows[0].cells[0].bold);
    EXPECT_EQ(rows[0].cells[0].back, kBandA);
    EXPECT_EQ(texts({rows[1]}), (std::vector<Texts>{{"n\xB0 Cilindri", "4", "", "CHECK"}}));
    EXPECT_EQ(rows[1].cells[1].fore, kBlue);
    EXPECT_EQ(rows[1].cells[0].alignment, kRightCentre);
    EXPECT_EQ(rows[1].cells[1].alignment, kCentreCentre);
    for (const auto& c : rows[1].cells)
        EXPECT_EQ(c.back, kBandB);
    EXPECT_EQ(texts({rows[2]}), (std::vector<Texts>{{"Distribuzione", "16V", "", "CHECK"}}));
    EXPECT_EQ(rows[2].cells[1].fore, kBlack);
    EXPECT_EQ(rows[2].cells[5].back, kBandA);
    EXPECT_EQ(buildDataSheet("", "4", dictionaries()).size(), 2u);
    EXPECT_EQ(buildDataSheet("", "4/8V/SOHC", dictionaries())[2].cells[1].text, "8V/SOHC");
}

TEST(DataSheetRows, EdgeModelRowByRow) {
    const auto rows = buildDataSheet(appendix::kM16, "5/20V/DOHC", dictionaries());
    const std::string t02 = " T0  2  Kgm\r T1  90 \xB0\r T2   \r T3   \r T4   \r T5   \r T6   \r T7  0,5 mm ";
    const std::vector<Texts> expected = {
        {"Dati generali", "Dati generali", "Dati generali", "Dati generali"},
        {"n\xB0 Cilindri", "5", "", "CHECK"},
        {"Distribuzione", "20V/DOHC", "", "CHECK"},
        {"Motore", "Motore", "Motore", "Motore"},
        {"Pressione di compressione", "11 - 13", "[bar]", "B01"},
        {"", "senza descrizione", "", ""},
        {"", "", "", ""}, // category Z has no title
        {"", "categoria senza titolo", "", ""},
        {"Dati generali", "Dati generali", "Dati generali", "Dati generali"},
        {"Cilindrata", "1600", "", "A02"},
        {"Alesaggio x corsa", "80 x 79,5", "[mm]", "A03"},
        {"Rapporto di compressione", "10:1", "", "A04"},
        {"", "", "", ""}, // nor has "r"
        {"", "A2+", "", ""},
        {"Serraggi motore", "Serraggi motore", "Serraggi motore", "Serraggi motore"},
        {"Serraggio supporti di banco", " T0  5  Kgm\r T1  60 \xB0", "[kgm]", "R03"},
        {"Sequenza serraggio collettore", "", "", "R08"},
        {"Serraggi trasmissione", "Serraggi trasmissione", "Serraggi trasmissione", "Serraggi trasmissione"},
        {"Dado mozzo", t02, t02, "T02"},
        {"Serraggi accensione", "Serraggi accensione", "Serraggi accensione", "Serraggi accensione"},
        {"Bobina di accensione", " T0  2  Kgm\r T0   ", " T0  2  Kgm\r T0   ", "S02"},
        {"Sensore di detonazione", "   ", "   ", "S03"},
        {"Sonda lambda", "  A ", "  A ", "S04"},
        {"Sensore giri", " T0  2  Kgm", " T0  2  Kgm", "S05"},
        {"", "", "", ""}, // S06 has no description and an empty formula
        {"Climatizzatore", "Climatizzatore", "Climatizzatore", "Climatizzatore"},
        {"Pressione circuito", "2,5", "[bar]", "U03"},
    };
    EXPECT_EQ(texts(rows), expected);
    ASSERT_EQ(rows.size(), expected.size());

    // Bands alternate over every row after the opening one, text colours
    // over the data rows.
    EXPECT_EQ(rows[3].cells[0].back, kBandB);
    EXPECT_EQ(rows[4].cells[0].back, kBandA);
    EXPECT_EQ(rows[4].cells[1].fore, kBlack);
    EXPECT_EQ(rows[5].cells[1].back, kBandB);
    EXPECT_EQ(rows[5].cells[1].fore, kBlue);
    EXPECT_EQ(rows[6].cells[0].back, kBandB); // untitled: keeps the previous band
    EXPECT_FALSE(rows[6].merge);
    EXPECT_EQ(rows[7].cells[1].back, kBandA);
    // Further value and note go into the hidden columns; a note shows the icon.
    EXPECT_EQ(rows[10].cells[6].text, "valore ulteriore");
    EXPECT_FALSE(rows[10].cells[4].icon);
    EXPECT_EQ(rows[11].cells[7].text, "nota di prova");
    EXPECT_TRUE(rows[11].cells[4].icon);
    // Tightening rows: the formula in column 5, the text merged over 1 to 3.
    EXPECT_EQ(rows[15].cells[5].text, "A5+B60+");
    EXPECT_TRUE(rows[15].merge);
    EXPECT_TRUE(rows[15].fitText);
    EXPECT_EQ(rows[15].cells[1].alignment, kLeftCentre);
    EXPECT_EQ(rows[15].cells[3].text, rows[15].cells[1].text);
    // A sequence row shows the icon and keeps its sequence for the drawing.
    EXPECT_TRUE(rows[16].cells[1].icon);
    EXPECT_EQ(rows[16].cells[5].text, "L01A01");
    EXPECT_FALSE(rows[16].merge);
    // One step line keeps the row height.
    EXPECT_FALSE(rows[21].fitText);
    EXPECT_TRUE(rows[20].fitText);
}

TEST(DataSheetRows, AcRowAndSequenceRowsOfTheShowcaseModel) {
    const auto rows = buildDataSheet(appendix::kM01, "4/16V", dictionaries());
    auto find = [&](const std::string& code) -> const SheetRow& {
        for (const auto& r : rows)
            if (r.cells[8].text == code) return r;
        throw std::runtime_error(code);
    };
    const SheetRow& ac = find("U01");
    EXPECT_EQ(ac.cells[1].text, " Freon R134a =  550 g. +/- 25 ( L0 ) ( L17 )\r\n Freon R12 =  1200 g.\r\n"
                                " Freon R134a =  550 g. ( L19 ) ( L18 )");
    EXPECT_TRUE(ac.fitText);
    EXPECT_TRUE(ac.merge);
    const SheetRow& seq = find("R02");
    EXPECT_TRUE(seq.cells[1].icon);
    EXPECT_EQ(seq.cells[0].text, "SEQUENZA SERRAGGIO TESTATA");
    EXPECT_EQ(seq.cells[5].text, "L01C0702E0703C0504E0905C0906E0507C0308E1109C1110E03");
    const SheetRow& head = find("R01");
    EXPECT_EQ(head.cells[1].text.substr(0, 19), " T4   \r T0  2  Kgm\r");
    // The first group belongs to the opening category: no second title row.
    EXPECT_EQ(rows[3].cells[8].text, "A01");
    EXPECT_EQ(rows[3].cells[1].text, "AL-12V16");
}

TEST(DataSheetRows, CodesMatchOnlyKeysOfTheirOwnLength) {
    SheetDictionaries d = dictionaries();
    d.descriptions.push_back("A1xShort key");
    d.units.push_back("0");
    const auto rows = buildDataSheet("02A1021x010000", "4", d);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].cells[0].text, "");
    EXPECT_EQ(rows[2].cells[2].text, "");
}

TEST(DataSheetRows, NoDictionariesAtAll) {
    const auto rows = buildDataSheet(appendix::kM05, "4", SheetDictionaries{});
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells[0].text, "");
    EXPECT_EQ(rows.back().cells[1].text, "   3  Kgm\r   60 \xB0");
}

TEST(DataSheetRows, UnitToolTip) {
    const auto units = dictionaries().units;
    EXPECT_EQ(unitShownText("02[bar]Bar"), "[bar]");
    EXPECT_EQ(unitToolTip("[bar]", units), "BAR");
    EXPECT_EQ(unitToolTip("[kgm]", units), "CHILOGRAMMETRI");
    EXPECT_EQ(unitToolTip("[xx]", units), "");
    EXPECT_EQ(unitToolTip("", units), "");
    EXPECT_EQ(unitShownText("03no bracket"), "no bracket");
    EXPECT_EQ(unitShownText("0]x"), "");
}

TEST(DataSheetPrintLines, RowsByKind) {
    const std::vector<std::array<std::string, 4>> rows = {
        {"Motore", "Motore", "Motore", "Motore"},
        {"Cilindrata", "1242", "[cm\xB3]", ""},
        {"Vuota", "", "", ""},
        {"", "", "", ""},
        {"Codice", "X", "", ""},
        {"Candele", " T0  2  Kgm", " T0  2  Kgm", " T0  2  Kgm"},
        {"Testata", " T0  2  Kgm\r T1  90 \xB0", " T0  2  Kgm\r T1  90 \xB0", " T0  2  Kgm\r T1  90 \xB0"},
        {"Clima", " Freon R12 =  9 g.\r\n Freon R12 =  8 g.\r\n",
         " Freon R12 =  9 g.\r\n Freon R12 =  8 g.\r\n", " Freon R12 =  9 g.\r\n Freon R12 =  8 g.\r\n"},
    };
    const auto lines = dataSheetPrintLines(rows);
    std::vector<std::tuple<std::string, bool, int>> got;
    for (const auto& l : lines)
        got.emplace_back(l.text, l.bold, l.leftMm);
    EXPECT_EQ(got, (std::vector<std::tuple<std::string, bool, int>>{
                       {"Motore", true, 10},
                       {"Cilindrata 1242 [cm\xB3]", false, 15},
                       {"", true, 10},
                       {"Codice X", false, 15},
                       {"T0  2  Kgm", false, 15},
                       {"Testata (0)  T0  2  Kgm", false, 15},
                       {"Testata (1) T1  90 \xB0", false, 15},
                       {"Clima (0)  Freon R12 =  9 g.", false, 15},
                       {"Clima (1)  Freon R12 =  8 g.", false, 15},
                   }));
}
