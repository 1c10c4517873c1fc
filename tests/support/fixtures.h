#pragma once
// Small hand-made data files for tests of the readers.
#include "dbwriter/table_writer.h"
#include "platform/rtf_reader.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// Stores each plain ASCII line in its scrambled form, joined by CR LF (and
// ended by one when trailing is true).
std::string scrambledLines(const std::vector<std::string>& lines, bool trailing = true);
void writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);
// A valid picture file of the given size (GIF-free: PNG) with its header
// scrambled as the data folder stores it.
std::string scrambledPicture(int w, int h);
// The header scrambling of a data file (inverse of the program's decoder),
// with the first key table or the second.
std::string scrambleHeader(std::string plain, bool secondKey = false);

// A dBase table's records, each value as its field stores it.
using Records = std::vector<std::vector<std::optional<std::string>>>;
// Writes the table at path again through the table writer after edit
// changed its fields or records.
void rewriteTable(const std::string& path,
                  const std::function<void(std::vector<db::FieldDef>&, Records&)>& edit);
// The index of the field called name (in any letter case), -1 when none is.
int fieldIndex(const std::vector<db::FieldDef>& defs, const std::string& name);
// Gives each value of field in the table at path that reads as from (decoded
// and trimmed) the text to, stored as the data folder stores text: padded to
// the field's width, then scrambled. Returns how many values it changed.
int renameInTable(const std::string& path, const std::string& field, const std::string& from,
                  const std::string& to);
// Gives field the value to in each record of the table at path whose field
// where reads as is, stored as renameInTable stores it. Returns how many
// records it changed.
int setInTable(const std::string& path, const std::string& where, const std::string& is,
               const std::string& field, const std::string& to);

// A FIFO made at path, watched so that a test whose code opens it and waits
// for the other end fails instead of hanging: once the grace time has passed
// the guard opens the FIFO itself, which ends the wait, and says so.
class FifoGuard {
  public:
    explicit FifoGuard(const std::string& path, int graceMs = 5000);
    ~FifoGuard();
    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;
    // Whether an open had to be ended by the guard.
    bool released() const { return released_.load(); }

  private:
    std::atomic<bool> done_{false}, released_{false};
    int fd_ = -1;
    std::thread watch_;
};

// A damaged RTF document, as its file holds it once decoded.
struct DamagedDocument {
    const char* form;  // what is wrong with it
    std::string bytes; // the decoded content
    vb::RtfDamage damage;
    std::string shown; // a text that is still shown; empty when nothing is
};
// Every way a document was found damaged: not RTF, cut short, unbalanced
// braces, empty, binary garbage (alone and after a sound start), binary
// data running past the end, a picture cut short.
std::vector<DamagedDocument> damagedDocuments();

} // namespace testing_support
