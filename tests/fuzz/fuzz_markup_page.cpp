// Any marked-up page file through the page loader of a window, laid out on
// a window of a size taken from the input's first bytes, then painted at
// every scroll position the keys and the scroll bar reach.
#include "fuzz_support.h"
#include "core/markup_page.h"
#include "platform/controls.h"
#include "platform/file_io.h"

namespace {

struct PageWindow : vb::Form {
    PageWindow() : vb::Form("PageWindow") {}
    vb::VScrollBar VScroll1{*this, "VScroll1"};
    core::MarkupPage page{*this, VScroll1};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static PageWindow* window = [] {
        (void)fuzzing::programFolder();
        fuzzing::keysReady();
        auto* w = new PageWindow;
        w->setFontName("Courier");
        w->setFontSize(9.75);
        return w;
    }();
    if (size < 2) return 0;
    window->setWidth(1500 + 60 * data[0]);
    window->setHeight(1500 + 40 * data[1]);
    window->page.setKeepPrintCopy(data[1] & 1);
    const std::string path = fuzzing::writeInput("mas/page_ita.cpt", data + 2, size - 2);
    core::MarkupPage& page = window->page;
    page.load(vb::readAll(path), 720);
    if (page.LineCount != std::int16_t(page.Lines.size()) || page.VisibleLines < 1) std::abort();
    page.pageKey(34);
    page.pageKey(33);
    for (int v = window->VScroll1.Min(); v <= window->VScroll1.Max(); v += std::max<int>(1, page.VisibleLines))
        window->VScroll1.setValue(v);
    page.showAgain();
    if (page.FirstLine < 0 || (page.LineCount > 0 && page.FirstLine >= page.LineCount)) std::abort();
    return 0;
}
