#include "core/scrambled_file.h"

#include "core/module1.h"
#include "core/scramble.h"
#include "core/texts.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/log.h"
#include "platform/picture.h"
#include "platform/services.h"
#include "platform/temporary_files.h"
#include "platform/temporary_names.h"
#include "platform/vbstring.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

namespace core {
namespace {

struct Registered {
    ScrambledTarget load;
    TargetLoads loads;
};
std::map<int, Registered>& targets() {
    static std::map<int, Registered> t;
    return t;
}

// The decoded copy is written a block at a time: only the header (the first
// block's start) is scrambled, and the rest is copied as it is.
constexpr std::size_t kBlock = 1 << 20;

} // namespace

void registerScrambledTarget(int index, ScrambledTarget target, TargetLoads loads) {
    // A number names one control. A second window taking a number already
    // taken would have the first window's files shown in its own control, so
    // the program stops while it is being put together.
    if (!targets().emplace(index, Registered{std::move(target), loads}).second) {
        std::fprintf(stderr, "Scrambled-file target %d is registered twice\n", index);
        std::abort();
    }
}
void clearScrambledTargets() {
    targets().clear();
}

std::string recoveryPath(const std::string& dataPath) {
    return vb::recoveryName(dataPath);
}

void LoadScrambledFile(const std::string& Path, int Target) {
    const auto found = targets().find(Target);
    const Registered* target = found != targets().end() && found->second.load ? &found->second : nullptr;
    const bool document = target && target->loads == TargetLoads::Document;
    const bool picture = target && target->loads == TargetLoads::Picture;
    const std::int64_t largest = picture ? vb::largestPictureFile() : kLargestDocument;
    for (;;) {
        int error = 0;
        StepMarker = "(1) ";
        bool failed = false;
        std::int64_t tooLarge = 0; // the size of a file refused as too large to be a document
        // A file of this call alone: another program on the same folder, or a
        // file planted under the name, can neither change nor receive what is
        // decoded. It goes when the call is done, also after a failure.
        std::optional<vb::TemporaryFile> temp;
        std::string content; // a document's bytes
        const auto write = [&](const std::string& block) {
            try {
                if (temp)
                    temp->append(block);
                else
                    temp.emplace(AppPath, vb::kDecodedCopyPrefix, vb::decodedCopySuffix(Path), block);
            } catch (const vb::VbError& e) {
                // The data file is there: the message says what failed.
                StepMarker += "Write File Error";
                MsgBoxStd("Error: (" + std::to_string(e.number()) + ") the temporary file for " +
                              vb::LCase(Path) + " could not be written in " + e.file() + ": " +
                              e.description(),
                          vb::vbCritical);
                vb::EndFatal();
            }
        };
        try {
            // Only a file that is not there is error 0: a look-up that fails
            // otherwise is its own error (67, 7, 75).
            if (!vb::fileExists(Path)) {
                failed = true;
            } else {
                const vb::FileReader file(Path);
                if (file.size() > largest) {
                    if (picture) throw vb::VbError(vb::errInvalidPicture, {}, Path);
                    StepMarker += "Read File Error";
                    tooLarge = file.size();
                    failed = true;
                } else {
                    std::string block = file.read(0, kBlock);
                    decodeHeader(block, UseSecondKey ? SecondKey : Key);
                    for (std::int64_t done = 0;;) {
                        write(block);
                        if (document) content += block;
                        done += std::int64_t(block.size());
                        if (done >= file.size()) break;
                        block = file.read(done, kBlock);
                    }
                }
            }
        } catch (const vb::VbError& e) {
            StepMarker += "Read File Error";
            error = e.number();
            failed = true;
        }
        if (!failed) {
            StepMarker = "(2) ";
            try {
                if (target) target->load(temp->path(), content);
                if (Target == 9 || Target == 26 || Target == 27) UseSecondKey = false;
            } catch (const vb::VbError& e) {
                StepMarker += "Read File Error";
                error = e.number();
                failed = true;
            }
        }
        temp.reset();
        if (!failed) return;

        if (tooLarge > 0) {
            MsgBoxStd("Error: file " + vb::LCase(Path) + " is too large for a document: " +
                          std::to_string(tooLarge) + " bytes, of at most " + std::to_string(kLargestDocument),
                      vb::vbCritical);
            vb::EndFatal();
        }

        if (error == vb::errInvalidPicture) {
            int answer = vb::MsgBox("(" + std::to_string(error) + ") File " + vb::LCase(Path) +
                                        " Failed !! To try to recover ?",
                                    vb::vbYesNo | vb::vbCritical, StepMarker);
            if (answer != vb::vbYes) vb::EndFatal();
            const std::string rec = recoveryPath(Path);
            bool restored = false;
            // A recovery copy that cannot be reached restores nothing, as
            // one that is not there.
            if (vb::fileAvailable(rec)) {
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
        // A lack of descriptors or memory says nothing of the file: it is
        // named as the cause, never as a file that is not available.
        if (vb::isShortage(error)) {
            MsgBoxStd(vb::faultMessage(error, vb::LCase(Path)), vb::vbCritical);
        } else {
            MsgBoxStd("Error: (" + std::to_string(error) + ") file " + vb::LCase(Path) + " not available",
                      vb::vbCritical);
        }
        vb::EndFatal();
    }
}

} // namespace core
