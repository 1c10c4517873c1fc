#include "core/scrambled_file.h"

#include "core/module1.h"
#include "core/scramble.h"
#include "core/texts.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/log.h"
#include "platform/services.h"
#include "platform/temporary_files.h"
#include "platform/vbstring.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

namespace core {
namespace {

std::map<int, ScrambledTarget>& targets() {
    static std::map<int, ScrambledTarget> t;
    return t;
}

// The temporary file is AppPath\DcFile.<six random characters>.<the data
// file's last three characters>: the name keeps the kind of the data file,
// and only its letters and digits are taken so that it stays in the folder.
std::string decodedTempSuffix(const std::string& dataPath) {
    std::string suffix = ".";
    for (char c : vb::Right(dataPath, 3))
        if (std::isalnum(static_cast<unsigned char>(c))) suffix += c;
    return suffix;
}

} // namespace

void registerScrambledTarget(int index, ScrambledTarget target) {
    // A number names one control. A second window taking a number already
    // taken would have the first window's files shown in its own control, so
    // the program stops while it is being put together.
    if (!targets().emplace(index, std::move(target)).second) {
        std::fprintf(stderr, "Scrambled-file target %d is registered twice\n", index);
        std::abort();
    }
}
void clearScrambledTargets() {
    targets().clear();
}

std::string recoveryPath(const std::string& dataPath) {
    return dataPath.substr(0, dataPath.size() >= 3 ? dataPath.size() - 3 : 0) + "REC";
}

void LoadScrambledFile(const std::string& Path, int Target) {
    for (;;) {
        int error = 0;
        StepMarker = "(1) ";
        bool failed = false;
        if (!vb::fileExists(Path)) {
            failed = true;
        } else {
            std::string content;
            try {
                content = vb::readAll(Path);
            } catch (const vb::VbError& e) {
                StepMarker += "Read File Error";
                error = e.number();
                failed = true;
            }
            // A file of this call alone: another program on the same folder,
            // or a file planted under the name, can neither change nor
            // receive what is decoded. It goes when the call is done, also
            // after a failure.
            std::optional<vb::TemporaryFile> temp;
            if (!failed) {
                decodeHeader(content, UseSecondKey ? SecondKey : Key);
                try {
                    temp.emplace(AppPath, "DcFile.", decodedTempSuffix(Path), content);
                } catch (const vb::VbError& e) {
                    // The data file is there: the message says what failed.
                    StepMarker += "Write File Error";
                    MsgBoxStd("Error: (" + std::to_string(e.number()) + ") the temporary file for " +
                                  vb::LCase(Path) + " could not be written in " + e.file() + ": " +
                                  e.description(),
                              vb::vbCritical);
                    vb::EndFatal();
                }
            }
            if (!failed) {
                StepMarker = "(2) ";
                try {
                    auto it = targets().find(Target);
                    if (it != targets().end() && it->second) it->second(temp->path(), content);
                    if (Target == 9 || Target == 26 || Target == 27) UseSecondKey = false;
                } catch (const vb::VbError& e) {
                    StepMarker += "Read File Error";
                    error = e.number();
                    failed = true;
                }
            }
            temp.reset();
            if (!failed) return;
        }

        if (error == vb::errInvalidPicture) {
            int answer = vb::MsgBox("(" + std::to_string(error) + ") File " + vb::LCase(Path) +
                                        " Failed !! To try to recover ?",
                                    vb::vbYesNo | vb::vbCritical, StepMarker);
            if (answer != vb::vbYes) vb::EndFatal();
            const std::string rec = recoveryPath(Path);
            bool restored = false;
            if (vb::fileExists(rec)) {
                try {
                    vb::FileCopy(rec, Path);
                    restored = true;
                } catch (const vb::VbError& e) {
                    qCWarning(vb::lcFiles).noquote()
                        << "recovery copy" << vb::toQt(rec) << "not restored:" << vb::toQt(e.description());
                }
            }
            if (!restored) {
                vb::MsgBox("Unable to recover " + Path, vb::vbCritical);
                return;
            }
            continue;
        }
        MsgBoxStd("Error: (" + std::to_string(error) + ") file " + vb::LCase(Path) + " not available",
                  vb::vbCritical);
        vb::EndFatal();
    }
}

} // namespace core
