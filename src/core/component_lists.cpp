#include "core/component_lists.h"

#include "core/module1.h"
#include "core/scramble.h"
#include "core/start_window.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/form.h"
#include "platform/services.h"
#include "platform/vbstring.h"

namespace core {
namespace {

vb::ListBox& listOf(vb::Form& window, const char* name) {
    auto* c = window.findControl(name);
    if (!c || c->kind() != vb::ControlKind::ListBox)
        throw vb::VbError(438, "Object doesn't support this property or method");
    return static_cast<vb::ListBox&>(*c);
}

std::string findIn(const vb::ListBox& list, const std::string& code, int width) {
    for (const std::string& item : list.items())
        if (vb::Trim(vb::Left(item, width)) == code) return vb::Mid(item, width + 1);
    return {};
}

void warnEmpty(const std::string& path) {
    vb::MsgBox("Il file " + path + "\r\n" + " non contiene Descrizioni.", vb::vbOKOnly,
               std::string("Warning"));
}

std::string readComponentFile(const std::string& path) {
    if (vb::FileLen(path) > kMaxComponentFileBytes) throw vb::VbError(vb::errOverflow);
    return vb::readAll(path);
}

} // namespace

std::string FindDescrComp(const std::string& Code) {
    return findIn(Form1::get().ListAllDescr, Code, 4);
}

std::string FindDescrSecond(const std::string& Code) {
    return findIn(Form1::get().ListAllDescrSecond, Code, 5);
}

void FillListDescrSecond(vb::Form& Window, const std::string& Path) {
    if (!vb::fileAvailable(Path)) return;
    vb::ListBox& list = listOf(Window, "ListDescrSecond");
    try {
        if (vb::FileLen(Path) == 0) {
            warnEmpty(Path);
            list.Clear();
            return;
        }
        const std::string text = readComponentFile(Path);
        forEachCptLine(text, [&](const std::string& stored) {
            const std::string code = vb::Left(DescrambleLine(stored), 5);
            list.AddItem(code + FindDescrSecond(code));
        });
    } catch (const vb::VbError& e) {
        // An unreadable or oversized file is reported the way the component
        // file is; the lines loaded so far stay.
        if (!reportedAsShortage(e.number())) vb::MsgBox("Error file " + Path, vb::vbOKOnly, Des[2]);
    }
}

void FillListDescrComp(vb::Form& Window, const std::string& Path) {
    vb::ListBox& list = listOf(Window, "ListDescrComp");
    try {
        if (vb::FileLen(Path) == 0) {
            warnEmpty(Path);
            return;
        }
        const std::string text = readComponentFile(Path);
        forEachCptLine(text, [&](const std::string& stored) {
            const std::string line = DescrambleLine(stored);
            const std::string description = FindDescrComp(vb::Trim(vb::Mid(line, 25, 4)));
            std::string secondary;
            const std::string code = vb::Right(line, 5);
            if (code != "00000") secondary = FindSecondaryInForm(Window, code);
            list.AddItem(line + description + secondary);
        });
    } catch (const vb::VbError& e) {
        if (!reportedAsShortage(e.number())) vb::MsgBox("Error file " + Path, vb::vbOKOnly, Des[2]);
    }
}

std::string FindSecondaryInForm(vb::Form& Window, const std::string& Code) {
    const vb::ListBox& list = listOf(Window, "ListDescrSecond");
    for (const std::string& item : list.items())
        if (vb::Left(item, 5) == Code) return " " + vb::Mid(item, 6);
    vb::Beep();
    vb::MsgBox("Codice Descrizione Secondaria " + Code + " non Trovato!");
    return {};
}

} // namespace core
