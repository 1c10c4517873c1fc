#include "diagram_fixture.h"

#include "platform/files.h"

namespace diagram_tests {

void DiagramTest::SetUp() {
    WindowTest::SetUp();
    svc.onShow = [this](vb::Form* f, const std::string& name) {
        auto it = on.find(name);
        if (it != on.end() && it->second) it->second(f);
    };
}

selection::Form2& DiagramTest::mainWindow() {
    startProgram();
    return selection::Form2::get();
}

void DiagramTest::choose(const std::string& brand, const std::string& family, const std::string& model) {
    chooseVehicle(brand, family, model);
}

void DiagramTest::openList() {
    mainWindow().Label10_Click(0);
}

void DiagramTest::openDiagram(int row) {
    auto& list = diagrams::Form15::get();
    list.MSGrid1.setRow(row);
    list.MSGrid1_DblClick();
}

void DiagramTest::openViewer(const std::string& code, int mode, const std::string& caption) {
    core::PscCode = code;
    core::PscCaption = caption;
    const auto saved = core::DiagramMode;
    core::DiagramMode = std::int16_t(mode);
    vb::showModalByName("Form5", &mainWindow());
    core::DiagramMode = saved;
}

std::string DiagramTest::file(const std::string& rel) const {
    return vb::resolvePath(appPath() + "\\" + rel);
}

int DiagramTest::boxesWith(const std::string& text) const {
    int n = 0;
    for (const auto& b : svc.boxes)
        if (b.prompt.find(text) != std::string::npos) ++n;
    return n;
}

} // namespace diagram_tests
