#pragma once
// Pictures and documents stored with a scrambled header: decoded through a
// temporary file of the call's own in the program folder and loaded into a
// target control.
#include <functional>
#include <string>

namespace core {

// Loads the decoded file into its control. tempPath is the decoded copy on
// disk; content is the same bytes in memory (for rich-text targets).
using ScrambledTarget = std::function<void(const std::string& tempPath, const std::string& content)>;

// Windows register the targets they own when their code is built in; an
// index with no target decodes the file and loads nothing.
void registerScrambledTarget(int index, ScrambledTarget target);
void clearScrambledTargets();

void LoadScrambledFile(const std::string& Path, int Target);

// The recovery copy: the path with its last three characters made "REC".
std::string recoveryPath(const std::string& dataPath);

} // namespace core
