#pragma once
// The head-bolt tightening sequence: a 7 x 15 grid of bolt positions, each
// bolt of the sequence marked with its order number, and the engine layout.
#include "platform/controls.h"
#include "platform/form.h"

#include <map>
#include <memory>

namespace mechanical {

class Form17 : public vb::Form {
    Q_OBJECT
  public:
    VB_FORM(Form17)
    Form17();

    void Form_Load() override;

    vb::Frame Frame2{*this, "Frame2"};
    // Img[0] is Img1 (row A) ... Img[6] is Img7 (row G); index = column - 1.
    std::array<vb::ControlArray<vb::Image>, 7> Img;
    vb::ControlArray<vb::Image> ImageMotore;
    // numSeq(n) by order number; numSeq(1) belongs to the design.
    std::map<int, std::unique_ptr<vb::Label>> numSeq;

    // The ImageList1 pictures: 1 the bolt marker, 3 the in-line engine.
    QPixmap ImageList1(int index) const;

  private:
    vb::Label& newNumberLabel(int n);
};

} // namespace mechanical
