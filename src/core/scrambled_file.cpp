#include "core/scrambled_file.h"

#include "core/module1.h"
#include "core/scramble.h"
#include "core/texts.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <map>

namespace core {
namespace {

std::map<int, ScrambledTarget>& targets() {
    static std::map<int, ScrambledTarget> t;
    return t;
}

} // namespace

void registerScrambledTarget(int index, ScrambledTarget target) {
    targets()[index] = std::move(target);
}
void clearScrambledTargets() {
    targets().clear();
}

std::string decodedTempPath(const std::string& dataPath) {
    return AppPath + "\\DcFile." + vb::Right(dataPath, 3);
}

std::string recoveryPath(const std::string& dataPath) {
    return dataPath.substr(0, dataPath.size() >= 3 ? dataPath.size() - 3 : 0) + "REC";
}

void LoadScrambledFile(const std::string& Path, int Target) {
    for (;;) {
        int error = 0;
        StepMarker = "(1) ";
        const std::string temp = decodedTempPath(Path);
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
            if (!failed) {
                decodeHeader(content, UseSecondKey ? SecondKey : Key);
                try {
                    vb::writeNew(temp, content);
                } catch (const vb::VbError& e) {
                    StepMarker += "Write File Error";
                    error = e.number();
                    failed = true;
                }
            }
            if (!failed) {
                StepMarker = "(2) ";
                try {
                    auto it = targets().find(Target);
                    if (it != targets().end() && it->second) it->second(temp, content);
                    if (Target == 9 || Target == 26 || Target == 27) UseSecondKey = false;
                } catch (const vb::VbError& e) {
                    StepMarker += "Read File Error";
                    error = e.number();
                    failed = true;
                }
            }
            if (!failed) {
                if (vb::fileExists(temp)) {
                    try {
                        vb::Kill(temp);
                    } catch (const vb::VbError&) {
                    }
                }
                return;
            }
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
                } catch (const vb::VbError&) {
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
