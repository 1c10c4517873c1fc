#include "mechanical/dictionaries.h"

#include "core/module1.h"
#include "core/scramble.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/services.h"
#include "platform/vbstring.h"

namespace mechanical {

std::optional<std::vector<std::string>> readDecodedLines(const std::string& path, LineForm form) {
    std::string text;
    try {
        text = vb::readAll(path);
    } catch (const vb::VbError& e) {
        if (vb::isShortage(e.number())) throw;
        return std::nullopt;
    }
    std::vector<std::string> lines;
    core::forEachCptLine(text, [&](std::string line) {
        if (form == LineForm::Line) {
            lines.push_back(core::decodeLineLenient(line));
            return;
        }
        try {
            lines.push_back(core::DescrambleString(line));
        } catch (const vb::VbError&) {
            lines.emplace_back();
        }
    });
    return lines;
}

std::optional<std::vector<std::string>> readOrReport(const std::string& path, LineForm form,
                                                     const std::string& missingMessage) {
    std::optional<std::vector<std::string>> lines;
    try {
        lines = readDecodedLines(path, form);
    } catch (const vb::VbError& e) {
        if (!core::reportedAsShortage(e.number())) throw;
        return std::nullopt;
    }
    if (!lines) core::MsgBoxStd(missingMessage, vb::vbCritical);
    return lines;
}

std::optional<std::vector<std::string>> readLanguageText(const std::string& folderAndStem) {
    const std::string path = core::AppPath + folderAndStem + core::Lang + ".cpt";
    return readOrReport(path, LineForm::Line, "Error: file " + vb::LCase(path) + " not available");
}

} // namespace mechanical
