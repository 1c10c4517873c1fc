// Any component file, and any secondary file, through the component-list
// fillers of a diagram window and everything the windows then read from the
// items: hot-spot edges, the hot-spot test, tooltip, grid and legend texts,
// the sorted inserts.
#include "core/component_lists.h"
#include "core/diagram_records.h"
#include "core/start_window.h"
#include "fuzz_support.h"
#include "platform/controls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& folder = fuzzing::programFolder();
    static bool ready = [] {
        core::registerCoreWindows();
        vb::FormRegistry::get("Form1"); // the description tables
        return true;
    }();
    (void)ready;
    // The first byte splits the input into the secondary file and the component file.
    const std::size_t split = size == 0 ? 0 : std::min<std::size_t>(size - 1, data[0] * size / 256);
    const std::size_t start = size == 0 ? 0 : 1;
    fuzzing::writeInput("psc/psc_txt/F100&.cpt", data + start, split > start ? split - start : 0);
    fuzzing::writeInput("psc/psc_txt/F100.cpt", data + std::max(split, start), size - std::max(split, start));
    static vb::Form host("FuzzHost");
    static vb::ListBox comp(host, "ListDescrComp");
    static vb::ListBox second(host, "ListDescrSecond");
    comp.Clear();
    second.Clear();
    core::FillListDescrSecond(host, core::AppPath + "\\psc\\psc_txt\\F100&.cpt");
    core::FillListDescrComp(host, core::AppPath + "\\psc\\psc_txt\\F100.cpt");
    const auto spots = core::hotspotsOf(comp.items());
    std::vector<std::string> grid, legend;
    for (const std::string& item : comp.items()) {
        const core::Hotspot h = core::hotspotOf(item);
        for (double f : {1.0, 1.25, 1.28, 1.6})
            (void)core::findHotspot(spots, h.x1 * f + 1, h.y1 * f + 1, f);
        (void)core::componentCode(item);
        (void)core::componentTextCode(item);
        const std::string row = core::componentRowText(item);
        grid.insert(grid.begin() + core::gridInsertPosition(grid, row), row);
        if (core::inLegend(item)) core::legendInsert(legend, core::legendRowText(item));
    }
    // std::string compares bytes unsigned, as the grid must.
    for (std::size_t i = 1; i < grid.size(); ++i)
        if (grid[i] < grid[i - 1]) std::abort();
    (void)core::withoutRepeats(grid);
    (void)folder;
    return 0;
}
