#include "mechanical/sequence_window.h"

#include "core/interface.h"
#include "core/module1.h"
#include "mechanical/artwork.h"
#include "mechanical/head_bolt.h"
#include "platform/geometry.h"
#include "platform/services.h"
#include "platform/vbstring.h"

namespace mechanical {

Form17::Form17() : vb::Form(kFormName) {
    setWidth(9255);
    setHeight(5640);
    Frame2.Move(120, 120, 8835, 4845);
    Frame2.setCaption("MOTORE");
    Frame2.setForeColor(core::kTitleBlue);
    Frame2.setFont("Tahoma", 9.75, true);
    for (int r = 0; r < kBoltRows; ++r)
        for (int i = 0; i < kBoltColumns; ++i) {
            auto& img = Img[size_t(r)].add(*this, "Img" + std::to_string(r + 1), i);
            img.setContainer(&Frame2);
            img.Move(840 + 480 * i, 600 + 480 * r, 480, 480);
            img.setVisible(false);
        }
    for (int i = 0; i < 2; ++i) {
        auto& m = ImageMotore.add(*this, "ImageMotore", i);
        m.setContainer(&Frame2);
        m.setVisible(false);
    }
    ImageMotore(0).setPicture(artwork::transverseEngine());
    ImageMotore(0).Move(4200, 4200, 480, 480);
    ImageMotore(1).Move(8280, 2040, 480, 480);
    newNumberLabel(1).setVisible(false);
}

QPixmap Form17::ImageList1(int index) const {
    switch (index) {
    case 1:
        return artwork::boltMarker();
    case 3:
        return artwork::inlineEngine();
    default:
        return {};
    }
}

vb::Label& Form17::newNumberLabel(int n) {
    auto label = std::make_unique<vb::Label>(*this, "numSeq", n);
    label->setContainer(&Frame2);
    label->Move(960, 720, 240, 210);
    label->setCaption("00");
    label->setFont("Tahoma", 9);
    label->setFontBold(true);
    label->setAlignment(2);
    label->setTransparent(true);
    vb::Label& ref = *label;
    numSeq[n] = std::move(label);
    return ref;
}

void Form17::Form_Load() {
    for (auto it = numSeq.begin(); it != numSeq.end();)
        it = it->first == 1 ? std::next(it) : numSeq.erase(it);
    for (auto& row : Img)
        for (auto& img : row) {
            img->setPicture(QPixmap());
            img->setVisible(false);
        }
    // Centred over the data sheet that opens it.
    setLeft(std::max(0, (vb::services().screenWidth() - Width()) / 2));
    setTop(std::max(0, (vb::services().screenHeight() - Height()) / 2));
    setCaption(vb::UCase(core::BoltSequenceTitle));

    const HeadBoltSequence s = parseHeadBoltSequence(core::BoltSequence);
    if (s.engine == 'T') {
        Frame2.setCaption("Motore Trasversale");
        ImageMotore(0).setVisible(true);
        ImageMotore(1).setVisible(false);
    } else if (s.engine == 'L') {
        Frame2.setCaption("Motore in Linea");
        ImageMotore(1).setPicture(ImageList1(3));
        ImageMotore(1).setVisible(true);
        ImageMotore(0).setVisible(false);
    } else {
        ImageMotore(0).setVisible(false);
        ImageMotore(1).setVisible(false);
        vb::MsgBox("Errore! Tipo motore non riconosciuto!", vb::vbCritical,
                   std::string("ERRORE STRINGA SEQUENZA SERRAGGIO TESTA"));
    }
    for (const Bolt& b : s.bolts) {
        vb::Label& label = b.number == 1 ? *numSeq[1] : newNumberLabel(b.number);
        label.setCaption(std::to_string(b.number));
        if (b.row >= 0) {
            vb::Image& marker = Img[size_t(b.row)](b.column);
            marker.setPicture(ImageList1(1));
            marker.setVisible(true);
            label.setTop(marker.Top() + (marker.Height() - label.Height()) / 2);
            label.setLeft(marker.Left() + (marker.Width() - label.Width()) / 2);
        }
        label.setVisible(true);
        label.widget()->raise();
    }
    Frame2.setVisible(true);
}

} // namespace mechanical
