#pragma once
// Pictures and documents stored with a scrambled header: decoded through a
// temporary file of the call's own in the program folder and loaded into a
// target control.
#include "platform/picture.h"

#include <cstdint>
#include <functional>
#include <string>

namespace core {

// Loads the decoded file into its control. tempPath is the decoded copy on
// disk; content is the same bytes in memory for a target that loads a
// document, empty for one that loads a picture.
using ScrambledTarget = std::function<void(const std::string& tempPath, const std::string& content)>;

// The largest document file a target loads, in bytes: far above any real
// document (its text and a few pictures), and small enough that the file
// held whole, as the rich-text box takes it, costs no more than a large
// picture.
constexpr std::int64_t kLargestDocument = std::int64_t(64) << 20;

// What a target loads, which bounds the data files it takes. A larger file
// is refused unread: nothing of it is decoded or held.
enum class TargetLoads {
    // A picture, from the decoded copy: a data file larger than the picture
    // reader would ever load (vb::largestPictureFile) is damaged, however it
    // decodes. It is refused as a damaged picture (481): the user is asked
    // whether to restore it from its recovery copy.
    Picture,
    // A rich-text document, from content: a data file larger than
    // kLargestDocument is refused with a message that says it is too large,
    // and the program ends as for a file that cannot be read.
    Document,
};

// Windows register the targets they own when their code is built in; an
// index with no target decodes the file (bounded as a document) and loads
// nothing. A number that is taken already stops the program with a message
// on stderr.
void registerScrambledTarget(int index, ScrambledTarget target, TargetLoads loads);
// A target that shows the decoded picture in a control of a window's default
// instance (the control may be one of a base class's):
// `registerPictureTarget<Form5>(4, &Form5::ImageMarca)`.
template <class Window, class Control, class Owner>
void registerPictureTarget(int index, Control Owner::*control) {
    registerScrambledTarget(
        index,
        [control](const std::string& temp, const std::string&) {
            (Window::get().*control).setPicture(vb::LoadPicture(temp));
        },
        TargetLoads::Picture);
}
// A target that shows the decoded document in a rich-text box of a window's
// default instance.
template <class Window, class Box, class Owner> void registerRichTextTarget(int index, Box Owner::*box) {
    registerScrambledTarget(
        index,
        [box](const std::string&, const std::string& content) { (Window::get().*box).setTextRTF(content); },
        TargetLoads::Document);
}
void clearScrambledTargets();

// Decodes the data file a block at a time into a temporary file of the
// call's own, so that a large file is never held whole but by a document
// target, and loads it into its target. A damaged picture asks to restore
// the recovery copy; a file that cannot be read, or a document too large,
// ends the program with a message, which names the lack of descriptors or
// memory (67, 7) where that was the cause.
void LoadScrambledFile(const std::string& Path, int Target);

// The recovery copy: the path with its last three characters made "REC".
std::string recoveryPath(const std::string& dataPath);

} // namespace core
