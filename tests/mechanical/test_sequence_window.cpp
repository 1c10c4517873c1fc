#include "core/module1.h"
#include "mechanical/sequence_window.h"
#include "support/harness.h"

using mechanical::Form17;

namespace {

class Sequence : public testing_support::WindowTest {
  protected:
    Form17& open(const std::string& sequence, const std::string& title = "Sequenza serraggio testata") {
        startProgram();
        core::BoltSequence = sequence;
        core::BoltSequenceTitle = title;
        return Form17::get();
    }
    static bool label(Form17& f, int n, int left, int top) {
        auto it = f.numSeq.find(n);
        if (it == f.numSeq.end() || !it->second->Visible()) return false;
        return it->second->Left() == left && it->second->Top() == top &&
               it->second->Caption() == std::to_string(n);
    }
    static int markers(Form17& f) {
        int n = 0;
        for (auto& row : f.Img)
            for (auto& img : row)
                n += img->Visible();
        return n;
    }
};

} // namespace

TEST_F(Sequence, InLineEngineWithCornerBolts) {
    Form17& f = open("L01A0102G15");
    EXPECT_EQ(f.Caption(), "SEQUENZA SERRAGGIO TESTATA");
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_TRUE(f.ImageMotore(1).Visible());
    EXPECT_FALSE(f.ImageMotore(0).Visible());
    EXPECT_FALSE(f.ImageMotore(1).Picture().isNull());
    EXPECT_EQ(f.Img[0](0).Left(), 840);
    EXPECT_EQ(f.Img[0](0).Top(), 600);
    EXPECT_TRUE(f.Img[0](0).Visible());
    EXPECT_EQ(f.Img[6](14).Left(), 7560);
    EXPECT_EQ(f.Img[6](14).Top(), 3480);
    EXPECT_TRUE(f.Img[6](14).Visible());
    EXPECT_EQ(markers(f), 2);
    EXPECT_TRUE(label(f, 1, 840 + 120, 600 + 135));
    EXPECT_TRUE(label(f, 2, 7560 + 120, 3480 + 135));
}

TEST_F(Sequence, TransverseEngineWithOneBolt) {
    Form17& f = open("T05B03");
    EXPECT_TRUE(f.ImageMotore(0).Visible());
    EXPECT_FALSE(f.ImageMotore(1).Visible());
    EXPECT_EQ(markers(f), 1);
    EXPECT_TRUE(f.Img[1](2).Visible());
    EXPECT_TRUE(label(f, 5, 840 + 2 * 480 + 120, 600 + 480 + 135));
    EXPECT_FALSE(f.numSeq.at(1)->Visible());
}

TEST_F(Sequence, UnknownEngineLetterIsReportedAndTheBoltsStillDrawn) {
    Form17& f = open("t01A01");
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "Errore! Tipo motore non riconosciuto!");
    EXPECT_EQ(svc.boxes[0].title, "ERRORE STRINGA SEQUENZA SERRAGGIO TESTA");
    EXPECT_EQ(svc.boxes[0].flags, 16);
    EXPECT_FALSE(f.ImageMotore(0).Visible());
    EXPECT_FALSE(f.ImageMotore(1).Visible());
    EXPECT_EQ(markers(f), 1);
}

TEST_F(Sequence, EmptySequenceAndBadRowLetter) {
    Form17& f = open("");
    EXPECT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(markers(f), 0);
    f.Unload();
    Form17& g = open("T01A0102H0503C0");
    EXPECT_EQ(markers(g), 1);
    // Bolt 2 has no marker; its number stays where the design put it.
    EXPECT_TRUE(label(g, 2, 960, 720));
    EXPECT_EQ(g.numSeq.count(3), 0u);
}
