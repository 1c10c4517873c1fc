#pragma once
// The data folder being written: resolves the canonical relative names
// ("Ark\Xmarche.dbf") to paths, creates folders and reads files back.
#include "sampledata/encode.h"
#include "sampledata/sampledata.h"

#include <string>
#include <string_view>
#include <vector>

namespace sampledata {

class Output {
  public:
    Output(std::string root, const Options& options);

    const Options& options() const { return options_; }
    // rel uses backslashes as the program writes it.
    std::string path(std::string_view rel) const;
    // Lower case when asked for, so names built from data follow the switch too.
    std::string name(std::string_view rel) const;

    void write(std::string_view rel, const std::string& bytes) const;
    std::string read(std::string_view rel) const;
    void makeFolder(std::string_view rel) const;

    // Writes a ".cpt" file and checks it decodes to the same lines.
    void writeCpt(std::string_view rel, Form form, const std::vector<std::string>& lines) const;

    // Removes whatever an earlier run (or a program run on the data) left
    // in the data folders, whatever the letter case of their names.
    void clean() const;

  private:
    std::string root_;
    Options options_;
};

// Every error names the file it concerns.
[[noreturn]] void failFile(std::string_view rel, const std::string& why);

} // namespace sampledata
