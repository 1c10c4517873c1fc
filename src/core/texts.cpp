#include "core/texts.h"

#include "core/module1.h"
#include "core/scramble.h"
#include "core/start_window.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/services.h"
#include "platform/vbstring.h"

namespace core {

int MsgBoxStd(const std::string& prompt, int buttons) {
    return vb::MsgBox(prompt, buttons, Des[2] + " " + Des[4]);
}

std::string decodeLineLenient(const std::string& stored) {
    try {
        if (stored.size() > 80) {
            // Keep CR/LF pass-through semantics for the first 80 positions only.
            return DescrambleLine(stored.substr(0, 80));
        }
        return DescrambleLine(stored);
    } catch (const vb::VbError&) {
        return {};
    }
}

bool LoadDescrTable() {
    const std::string path = AppPath + "\\des\\des" + Lang + ".cpt";
    std::string text;
    try {
        text = vb::readAll(path);
    } catch (const vb::VbError& e) {
        // A lack of descriptors or memory is no fault of the file: it is
        // reported as itself (vb::describeError).
        if (vb::isShortage(e.number())) throw;
        MsgBoxStd("Error: file " + AppPath + "\\des\\des" + Lang + ".cpt not available", vb::vbCritical);
        return false;
    }
    // Read into a scratch table so a file that cannot be decoded part-way
    // still fills what it can, without touching entries past its end.
    size_t n = 0;
    size_t pos = 0;
    while (pos < text.size() && n < Des.size()) {
        size_t p = text.find("\r\n", pos);
        if (p == pos && text.size() - pos == 2) break; // an empty last line makes no entry
        std::string line = text.substr(pos, p == std::string::npos ? std::string::npos : p - pos);
        Des[n++] = decodeLineLenient(line);
        if (p == std::string::npos) break;
        pos = p + 2;
    }
    return true;
}

void loadDescriptionList(const std::string& path, vb::ListBox& list) {
    try {
        // Only a file that is not there is not found: a look-up that fails
        // otherwise is reported as a file that cannot be read.
        if (!vb::fileExists(path)) {
            vb::MsgBox("File " + path + "\r\n" + " non trovato.", vb::vbOKOnly, std::string("Warning"));
            return;
        }
        if (vb::FileLen(path) == 0) {
            vb::MsgBox("Warning! File " + path + " empty", vb::vbCritical, Des[2]);
            return;
        }
        // The length is held in a 16-bit integer.
        if (vb::FileLen(path) > 32767) throw vb::VbError(vb::errOverflow);
        std::string text = vb::readAll(path);
        list.Clear();
        size_t pos = 0;
        while (pos < text.size()) {
            size_t p = text.find("\r\n", pos);
            std::string line = text.substr(pos, p == std::string::npos ? std::string::npos : p - pos);
            list.AddItem(DescrambleString(line));
            if (p == std::string::npos) break;
            pos = p + 2;
        }
    } catch (const vb::VbError& e) {
        if (vb::isShortage(e.number())) throw; // as above
        vb::MsgBox("Error file " + path, vb::vbOKOnly, Des[2]);
    }
}

void LoadListAllDescr() {
    loadDescriptionList(AppPath + "\\ark\\lc" + Lang + ".cpt", Form1::get().ListAllDescr);
}

void LoadListAllDescrSecond() {
    loadDescriptionList(AppPath + "\\ark\\lc2" + Lang + ".cpt", Form1::get().ListAllDescrSecond);
}

} // namespace core
