#include "platform/rtf_reader.h"

#include "platform/rtf_symbols.h"
#include "platform/vbstring.h"

#include <QImage>
#include <QPainter>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace vb {
namespace {

// Groups nested deeper than this share the innermost kept state: a document
// of a million "{" costs no memory.
constexpr int kMaxKeptDepth = 256;
// Picture data kept per picture; the rest of a larger one is dropped.
constexpr size_t kMaxPictureBytes = 64u << 20;
// Largest picture frame, in pixels, on either side.
constexpr int kMaxPicturePixels = 4000;
// Tab stops kept per paragraph.
constexpr size_t kMaxTabs = 64;

enum class Dest { Text, FontTable, ColorTable, Pict, Skip };

struct CharState {
    int font = -1;
    int halfPoints = 24;
    bool bold = false, italic = false, underline = false, strike = false, hidden = false;
    int fg = 0, bg = 0;
    int vertical = 0; // 1 superscript, -1 subscript
    bool operator==(const CharState&) const = default;
};

struct CharStateHash {
    size_t operator()(const CharState& c) const {
        size_t h = size_t(c.font) * 1000003u ^ size_t(c.halfPoints) * 8191u ^ size_t(c.fg) * 131u ^
                   size_t(c.bg) * 31u ^ size_t(c.vertical + 1);
        return h ^ (size_t(c.bold) | size_t(c.italic) << 1 | size_t(c.underline) << 2 | size_t(c.strike) << 3)
                       << 20;
    }
};

using Tabs = std::vector<std::pair<int, int>>; // twips, type
using Rgb = std::array<int, 3>;

struct ParaState {
    int align = 0; // 0 left, 1 centre, 2 right, 3 justified
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0, sl = 0;
    bool slmult = false, inTable = false;
    int nextTabType = 0;
    // Shared by the groups that copy the state; copied when one adds a stop.
    std::shared_ptr<const Tabs> tabs;
    bool operator==(const ParaState& o) const {
        const bool sameTabs = tabs == o.tabs || (tabs && o.tabs && *tabs == *o.tabs) ||
                              (!tabs && o.tabs && o.tabs->empty()) || (tabs && !o.tabs && tabs->empty());
        return align == o.align && li == o.li && ri == o.ri && fi == o.fi && sb == o.sb && sa == o.sa &&
               sl == o.sl && slmult == o.slmult && sameTabs;
    }
};

struct State {
    CharState ch;
    ParaState para;
    Dest dest = Dest::Text;
    int uc = 1;
    bool star = false; // "\*" seen: an unknown destination word is skipped
};

struct FontDef {
    QString name;
    int codePage = 0; // 0: the document's
    SymbolFont symbols = SymbolFont::None;
};

enum class PictKind { None, Png, Jpeg, Dib, Wmf, Emf, Other };

struct Pict {
    PictKind kind = PictKind::None;
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
    std::string data;
    int nibble = -1;
};

// What a control word does. The words of one kind act alike: they differ
// only in the value (Control::arg) or the field (the member pointers of
// Control) they act on.
enum class Word : std::uint8_t {
    Unknown,
    // Destinations and binary data, wherever they stand.
    Bin,
    FontTable,
    ColorTable,
    Pict,
    SkippedDestination, // a group whose content is never shown
    ShownGroup,         // a group whose text is shown
    // In the font table (\f in text, too).
    F,
    Fcharset,
    Cpg,
    // In the colour table.
    Colour, // arg: the channel, 0 red, 1 green, 2 blue
    // In a picture.
    PictFormat, // arg: the PictKind
    PictSize,   // the field takes the parameter
    PictScale,  // the field takes the parameter, when there is one
    // In text.
    Character, // arg: the character the word stands for
    Par,
    Page,
    U,
    Uc,
    CodePage, // arg: the document's code page; 0: the parameter
    Deff,
    Plain,
    Fs,
    CharFlag, // the flag is on, off with a parameter of 0
    UlNone,
    CharColour, // the field takes the parameter: an entry of the colour table
    Vertical,   // arg: 1 superscript, -1 subscript, 0 neither
    Pard,
    Align,  // arg: 0 left, 1 centre, 2 right, 3 justified
    Length, // the field takes the parameter, a length in twips
    SlMult,
    TabKind, // arg: the kind of the next tab stop, 1 centre, 2 right, 3 decimal
    Tx,
    InTbl,
    Trowd,
    Cellx,
    Cell,
    Row,
};

// A control word as the reader knows it: what it does, and with what.
struct Control {
    Word word = Word::Unknown;
    int arg = 0;
    bool CharState::*flag = nullptr;
    int CharState::*colour = nullptr;
    int ParaState::*length = nullptr;
    int Pict::*pict = nullptr;

    constexpr Control() = default;
    constexpr Control(Word w, int a = 0) : word(w), arg(a) {}
    constexpr Control(Word w, bool CharState::*field) : word(w), flag(field) {}
    constexpr Control(Word w, int CharState::*field) : word(w), colour(field) {}
    constexpr Control(Word w, int ParaState::*field) : word(w), length(field) {}
    constexpr Control(Word w, int Pict::*field) : word(w), pict(field) {}
};

// Words of one kind, each with the value or the field it acts on.
template <typename Value> using Words = std::initializer_list<std::pair<const char*, Value>>;

// Each word is looked up once per use.
const Control& controlOf(std::string_view w) {
    static const std::unordered_map<std::string_view, Control> words = [] {
        std::unordered_map<std::string_view, Control> m;
        // Destinations whose content is never shown.
        static const std::string skipped =
            "stylesheet info header headerl headerr headerf footer footerl footerr footerf footnote "
            "annotation atnid atnauthor xe tc txe rxe fldinst themedata colorschememapping latentstyles "
            "datastore listtable listoverridetable rsidtbl generator xmlnstbl mmathPr pgdsctbl nonshppict "
            "private template docvar filetbl revtbl userprops objdata objclass bkmkstart bkmkend pn "
            "pnseclvl shpinst sp sn sv wgrffmtfilter pgptbl ftnsep ftnsepc ftncn aftnsep aftnsepc aftncn "
            "title subject author operator keywords comment doccomm company buptim creatim revtim printim "
            "hlinkbase listpicture passwordhash protusertbl background ud fchars lchars shptxt blipuid "
            "panose falt fname category manager nextfile oldcprops oldpprops oldsprops oldtprops pxe ftnalt "
            "dptxbxtext";
        for (size_t at = 0; at < skipped.size();) {
            const size_t end = std::min(skipped.find(' ', at), skipped.size());
            m.emplace(std::string_view(skipped).substr(at, end - at), Word::SkippedDestination);
            at = end + 1;
        }
        // Groups whose text is shown.
        for (const char* x :
             {"shppict", "fldrslt", "field", "listtext", "pntext", "upr", "result", "object", "shp"})
            m.emplace(x, Word::ShownGroup);
        for (const char* x : {"ul", "uld", "uldb", "ulw", "uldash", "ulth", "ulwave"})
            m.emplace(x, Control(Word::CharFlag, &CharState::underline));
        for (const char* x : {"wbitmap", "macpict", "pmmetafile"})
            m.emplace(x, Control(Word::PictFormat, int(PictKind::Other)));
        const auto add = [&m](Word kind, auto list) {
            for (const auto& [x, value] : list)
                m.emplace(x, Control(kind, value));
        };
        add(Word::Colour, Words<int>{{"red", 0}, {"green", 1}, {"blue", 2}});
        add(Word::PictFormat, Words<int>{{"pngblip", int(PictKind::Png)},
                                         {"jpegblip", int(PictKind::Jpeg)},
                                         {"dibitmap", int(PictKind::Dib)},
                                         {"wmetafile", int(PictKind::Wmf)},
                                         {"emfblip", int(PictKind::Emf)}});
        add(Word::PictSize, Words<int Pict::*>{{"picw", &Pict::picw},
                                               {"pich", &Pict::pich},
                                               {"picwgoal", &Pict::goalw},
                                               {"pichgoal", &Pict::goalh}});
        add(Word::PictScale, Words<int Pict::*>{{"picscalex", &Pict::scalex}, {"picscaley", &Pict::scaley}});
        add(Word::Character, Words<int>{{"line", 0x2028},
                                        {"tab", '\t'},
                                        {"emdash", 0x2014},
                                        {"endash", 0x2013},
                                        {"bullet", 0x2022},
                                        {"lquote", 0x2018},
                                        {"rquote", 0x2019},
                                        {"ldblquote", 0x201C},
                                        {"rdblquote", 0x201D},
                                        {"emspace", 0x2003},
                                        {"enspace", 0x2002},
                                        {"qmspace", 0x2005}});
        add(Word::CodePage, Words<int>{{"ansicpg", 0}, {"mac", 10000}, {"pc", 437}, {"pca", 850}});
        add(Word::CharFlag, Words<bool CharState::*>{{"b", &CharState::bold},
                                                     {"i", &CharState::italic},
                                                     {"strike", &CharState::strike},
                                                     {"striked", &CharState::strike},
                                                     {"v", &CharState::hidden}});
        add(Word::CharColour, Words<int CharState::*>{{"cf", &CharState::fg},
                                                      {"cb", &CharState::bg},
                                                      {"highlight", &CharState::bg},
                                                      {"chcbpat", &CharState::bg}});
        add(Word::Vertical, Words<int>{{"super", 1}, {"sub", -1}, {"nosupersub", 0}});
        add(Word::Align, Words<int>{{"ql", 0}, {"qc", 1}, {"qr", 2}, {"qj", 3}});
        add(Word::Length, Words<int ParaState::*>{{"li", &ParaState::li},
                                                  {"ri", &ParaState::ri},
                                                  {"fi", &ParaState::fi},
                                                  {"sb", &ParaState::sb},
                                                  {"sa", &ParaState::sa},
                                                  {"sl", &ParaState::sl}});
        add(Word::TabKind, Words<int>{{"tqc", 1}, {"tqr", 2}, {"tqdec", 3}});
        // The words that are a kind of their own.
        for (const auto& [x, word] : Words<Word>{
                 {"bin", Word::Bin},
                 {"fonttbl", Word::FontTable},
                 {"colortbl", Word::ColorTable},
                 {"pict", Word::Pict},
                 {"fcharset", Word::Fcharset},
                 {"cpg", Word::Cpg},
                 {"par", Word::Par},
                 {"sect", Word::Par},
                 {"page", Word::Page},
                 {"u", Word::U},
                 {"uc", Word::Uc},
                 {"deff", Word::Deff},
                 {"plain", Word::Plain},
                 {"f", Word::F},
                 {"fs", Word::Fs},
                 {"ulnone", Word::UlNone},
                 {"pard", Word::Pard},
                 {"slmult", Word::SlMult},
                 {"tx", Word::Tx},
                 {"intbl", Word::InTbl},
                 {"trowd", Word::Trowd},
                 {"cellx", Word::Cellx},
                 {"cell", Word::Cell},
                 {"nestcell", Word::Cell},
                 {"row", Word::Row},
                 {"nestrow", Word::Row},
             })
            m.emplace(x, word);
        return m;
    }();
    static const Control unknown;
    const auto it = words.find(w);
    return it == words.end() ? unknown : it->second;
}

int codePageOfCharset(int charset) {
    switch (charset) {
    case 238:
        return 1250;
    case 204:
        return 1251;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 163:
        return 1258;
    case 222:
        return 874;
    default:
        return 0;
    }
}

using ByteTable = std::array<QChar, 256>;

// One byte to text in a single-byte code page; tables built on first use.
const ByteTable& byteTable(int codePage) {
    static std::map<int, std::unique_ptr<ByteTable>> tables;
    auto& slot = tables[codePage];
    if (!slot) {
        slot = std::make_unique<ByteTable>();
        QStringDecoder dec;
        if (codePage != 1252 && codePage != 0) {
            const std::string name = codePage == 10000 ? "macintosh"
                                     : codePage == 437 ? "IBM437"
                                     : codePage == 850 ? "IBM850"
                                                       : "windows-" + std::to_string(codePage);
            dec = QStringDecoder(name.c_str());
        }
        for (int b = 0; b < 256; ++b) {
            QChar c;
            if (dec.isValid()) {
                const char byte = char(b);
                QString s = dec.decode(QByteArrayView(&byte, 1));
                c = s.isEmpty() ? QChar(0xFFFD) : s.at(0);
            } else {
                const char byte = char(b);
                c = toQt(std::string_view(&byte, 1)).at(0);
            }
            (*slot)[size_t(b)] = c;
        }
    }
    return *slot;
}

// The bytes of a symbol font, as the signs they draw.
const ByteTable& symbolTable(SymbolFont font) {
    static const auto make = [](SymbolFont f) {
        ByteTable t;
        for (int b = 0; b < 256; ++b)
            t[size_t(b)] = QChar(b < 0x20 ? char16_t(b) : symbolCharacter(f, char16_t(0xF000 | b)));
        return t;
    };
    static const ByteTable symbol = make(SymbolFont::Symbol), wingdings = make(SymbolFont::Wingdings);
    return font == SymbolFont::Wingdings ? wingdings : symbol;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A byte that no writer puts into RTF: control codes other than blanks.
bool isControlByte(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\r' && c != '\n';
}

class Reader {
  public:
    Reader(std::string_view in, QTextDocument& doc) : s_(in), doc_(doc), cur_(&doc) { stack_.emplace_back(); }

    // Reads the whole document; says what was found damaged.
    RtfDamage run() {
        const size_t n = s_.size();
        while (i_ < n) {
            const unsigned char c = static_cast<unsigned char>(s_[i_]);
            // After the brace that closes the document only blanks and
            // end-of-file marks may follow.
            if (ended_ && c != ' ' && c != '\r' && c != '\n' && c != '\t' && c != 0 && c != 0x1A)
                afterEnd_ = true;
            switch (c) {
            case '{':
                ++i_;
                skip_ = 0;
                push();
                break;
            case '}':
                ++i_;
                skip_ = 0;
                pop();
                break;
            case '\\':
                control();
                break;
            case '\r':
            case '\n':
                ++i_;
                break;
            case '\t':
                ++i_;
                controlWord(Control(Word::Character, '\t'), false, 0);
                break;
            default:
                if (c < 0x20) {
                    ++i_;
                    garbled_ = garbled_ || !ended_ || (c != 0 && c != 0x1A);
                } else {
                    characters();
                }
            }
        }
        // Whatever is left open at the end of a truncated file is closed.
        const bool cutShort = stack_.size() > 1 || overflow_ > 0;
        if (cutShort) endDocument();
        while (stack_.size() > 1 || overflow_ > 0)
            pop();
        finish();
        if (cutShort || binCut_) return RtfDamage::CutShort;
        if (afterEnd_) return RtfDamage::Unbalanced;
        if (garbled_) return RtfDamage::Garbled;
        if (badPicture_) return RtfDamage::Picture;
        return RtfDamage::None;
    }

  private:
    State& st() { return stack_.back(); }
    const State& st() const { return stack_.back(); }

    void push() {
        if (int(stack_.size()) >= kMaxKeptDepth) {
            ++overflow_;
            return;
        }
        State copy = st();
        copy.star = false;
        stack_.push_back(std::move(copy));
    }

    void pop() {
        if (overflow_ > 0) {
            --overflow_;
            return;
        }
        if (stack_.size() <= 1) return; // a stray "}" ends nothing
        if (stack_.size() == 2) endDocument();
        const Dest ending = st().dest;
        const bool endsPict = ending == Dest::Pict && stack_[stack_.size() - 2].dest != Dest::Pict;
        const bool endsFont = ending == Dest::FontTable;
        stack_.pop_back();
        if (endsPict) picture();
        if (endsFont) commitFont();
    }

    // A run of plain bytes (not a brace, backslash or control code): text,
    // a font or colour table entry, or picture data.
    void characters() {
        const size_t n = s_.size();
        State& s = st();
        if (s.dest == Dest::Pict) {
            pictureData();
            return;
        }
        if (s.dest != Dest::Text || skip_ > 0) {
            byte(static_cast<unsigned char>(s_[i_++]));
            return;
        }
        const bool shown = !s.ch.hidden;
        if (shown) startRun();
        const ByteTable& table = tableOf(s.ch.font);
        // Appended a buffer at a time: a character at a time costs more
        // than reading it. Line ends inside the run are not text.
        std::array<QChar, 256> buffer;
        size_t used = 0;
        while (i_ < n) {
            const unsigned char c = static_cast<unsigned char>(s_[i_]);
            if (c == '\r' || c == '\n') {
                ++i_;
                continue;
            }
            if (c < 0x20 || c == '\\' || c == '{' || c == '}') break;
            buffer[used++] = table[c];
            ++i_;
            if (used == buffer.size()) {
                if (shown) pending_.append(buffer.data(), qsizetype(used));
                used = 0;
            }
        }
        if (shown) pending_.append(buffer.data(), qsizetype(used));
    }

    // Hex digits of a picture, two to a byte; blanks between them.
    void pictureData() {
        const size_t n = s_.size();
        while (i_ < n) {
            const char c = s_[i_];
            const int h = hexValue(c);
            if (h < 0) {
                if (c == ' ' || c == '\r' || c == '\n') {
                    ++i_;
                    continue;
                }
                if (static_cast<unsigned char>(c) < 0x20 || c == '\\' || c == '{' || c == '}') return;
                ++i_; // not a hex digit: not picture data
                continue;
            }
            ++i_;
            pictureDigit(h);
        }
    }

    // One hex digit of picture data: the second of a pair completes a byte.
    void pictureDigit(int h) {
        if (pict_.nibble < 0) {
            pict_.nibble = h;
            return;
        }
        if (pict_.data.size() < kMaxPictureBytes) pict_.data.push_back(char(pict_.nibble * 16 + h));
        pict_.nibble = -1;
    }

    void control() {
        const size_t n = s_.size();
        ++i_; // the backslash
        if (i_ >= n) return;
        const char c = s_[i_];
        if (isLetter(c)) {
            const WordRead w = readWord();
            controlWord(controlOf(w.name), w.hasParam, w.value);
            return;
        }
        ++i_;
        switch (c) {
        case '\'': {
            int v = 0, got = 0;
            while (got < 2 && i_ < n) {
                const int h = hexValue(s_[i_]);
                if (h < 0) break;
                v = v * 16 + h;
                ++got;
                ++i_;
            }
            if (got > 0) byte(static_cast<unsigned char>(v), true);
            break;
        }
        case '\\':
        case '{':
        case '}':
            byte(static_cast<unsigned char>(c));
            break;
        case '~':
            special(0x00A0);
            break;
        case '_':
            special(0x2011);
            break;
        case '*':
            st().star = true;
            break;
        case '\r':
        case '\n':
            controlWord(Word::Par, false, 0);
            break;
        default:
            consumeSkip();
            break;
        }
    }

    struct WordRead {
        std::string_view name;
        bool hasParam = false;
        int value = 0;
    };

    // The control word whose letters start at i_: its name (32 letters at
    // the most) and its number, when one follows. The blank that ends it
    // belongs to it.
    WordRead readWord() {
        const size_t n = s_.size();
        const size_t start = i_;
        while (i_ < n && i_ - start < 32 && isLetter(s_[i_]))
            ++i_;
        WordRead w{s_.substr(start, i_ - start)};
        const bool negative = i_ + 1 < n && s_[i_] == '-' && isDigit(s_[i_ + 1]);
        if (negative) ++i_;
        long long value = 0;
        for (int digits = 0; i_ < n && isDigit(s_[i_]); ++digits, ++i_) {
            if (digits < 10) value = value * 10 + (s_[i_] - '0');
            w.hasParam = true;
        }
        if (i_ < n && s_[i_] == ' ') ++i_;
        w.value = int(std::clamp(negative ? -value : value, -2147483647LL, 2147483647LL));
        return w;
    }

    bool consumeSkip() {
        if (skip_ > 0) {
            --skip_;
            return true;
        }
        return false;
    }

    void controlWord(const Control& c, bool hasParam, int v) {
        State& s = st();
        // Binary data is skipped (or kept as picture data) wherever it is.
        if (c.word == Word::Bin) {
            binary(hasParam ? v : 0);
            return;
        }
        const bool star = s.star;
        s.star = false;
        if (s.dest == Dest::Skip) return;

        // Destinations.
        switch (c.word) {
        case Word::FontTable:
            s.dest = Dest::FontTable;
            return;
        case Word::ColorTable:
            s.dest = Dest::ColorTable;
            colour_.reset();
            return;
        case Word::Pict:
            s.dest = Dest::Pict;
            pict_ = Pict{};
            return;
        case Word::SkippedDestination:
            skipGroup();
            return;
        case Word::ShownGroup:
            return;
        default:
            break;
        }

        switch (s.dest) {
        case Dest::FontTable:
            fontWord(c, hasParam, v);
            return;
        case Dest::ColorTable:
            if (c.word == Word::Colour) {
                if (!colour_) colour_.emplace();
                (*colour_)[size_t(c.arg)] = std::clamp(v, 0, 255);
            }
            return;
        case Dest::Pict:
            if (c.word == Word::PictFormat) pict_.kind = PictKind(c.arg);
            if (c.word == Word::PictSize || (c.word == Word::PictScale && hasParam)) pict_.*c.pict = v;
            return;
        default:
            break;
        }
        if (star) {
            // An optional destination this reader does not know.
            skipGroup();
            return;
        }
        textWord(c, hasParam, v);
    }

    // \binN: N bytes of binary data follow, the file's end cutting them
    // short. Returns them and passes over them.
    std::string_view binaryData(int v) {
        if (v <= 0) return {};
        const size_t left = s_.size() - i_;
        if (size_t(v) > left) binCut_ = true;
        const std::string_view data = s_.substr(i_, std::min(size_t(v), left));
        i_ += data.size();
        return data;
    }

    // Binary data is kept when it is a picture's.
    void binary(int v) {
        const std::string_view data = binaryData(v);
        if (st().dest == Dest::Pict && pict_.data.size() < kMaxPictureBytes)
            pict_.data.append(data.substr(0, kMaxPictureBytes - pict_.data.size()));
    }

    // A destination that is not shown: its group is passed over to its
    // closing brace, its binary data included.
    void skipGroup() {
        if (overflow_ == 0) st().dest = Dest::Skip;
        const size_t n = s_.size();
        int depth = 1;
        while (i_ < n) {
            const unsigned char c = static_cast<unsigned char>(s_[i_++]);
            if (c == '{') {
                ++depth;
            } else if (c == '}') {
                if (--depth == 0) {
                    skip_ = 0;
                    pop();
                    return;
                }
            } else if (c == '\\') {
                if (i_ >= n) break;
                if (!isLetter(s_[i_])) {
                    ++i_; // an escaped character
                    continue;
                }
                const WordRead w = readWord();
                if (w.name == "bin") binaryData(w.value);
            } else if (isControlByte(c)) {
                garbled_ = true;
            }
        }
        // The file ended inside the group: it stays open, and the document
        // is reported as cut short.
    }

    void fontWord(const Control& c, bool hasParam, int v) {
        if (c.word == Word::F) {
            commitFont();
            fontId_ = v;
            fontName_.clear();
            fontCodePage_ = 0;
        } else if (c.word == Word::Fcharset) {
            fontCodePage_ = codePageOfCharset(v);
        } else if (c.word == Word::Cpg && hasParam) {
            fontCodePage_ = v;
        }
    }

    void commitFont() {
        if (fontId_ < 0) return;
        QString name = fontName_.trimmed();
        if (name.endsWith(QLatin1Char(';'))) name.chop(1);
        name = name.trimmed();
        fonts_[fontId_] = FontDef{name, fontCodePage_, symbolFontNamed(name)};
        fontId_ = -1;
        fontName_.clear();
        fontsChanged();
    }

    // Formats and byte tables made from the font and colour tables are made
    // again when those change.
    void fontsChanged() {
        flush();
        charFormats_.clear();
        tableFont_ = kNoFont;
    }

    // A length in twips, kept within the largest page a document can
    // describe (22 inches): a damaged number of ten digits would otherwise
    // make a paragraph billions of pixels high or wide, and laying it out
    // into pages would never end.
    static int measure(int v) {
        constexpr int kMaxTwips = 22 * 1440;
        return std::clamp(v, -kMaxTwips, kMaxTwips);
    }

    void textWord(const Control& c, bool hasParam, int v) {
        State& s = st();
        CharState& ch = s.ch;
        ParaState& p = s.para;
        const bool on = !hasParam || v != 0;
        switch (c.word) {
        case Word::Character:
            special(char16_t(c.arg));
            break;
        case Word::Par:
            if (!consumeSkip()) paragraph();
            break;
        case Word::Page:
            paragraph();
            pageBreak_ = true;
            break;
        case Word::U: {
            const int code = v < 0 ? v + 65536 : v;
            if (code >= 0 && code <= 0xFFFF) put(QChar(symbolCharacter(symbolsOf(ch.font), char16_t(code))));
            skip_ = s.uc;
            break;
        }
        case Word::Uc:
            s.uc = std::clamp(v, 0, 16);
            break;
        case Word::CodePage:
            docCodePage_ = c.arg ? c.arg : v;
            fontsChanged();
            break;
        case Word::Deff:
            defaultFont_ = v;
            if (ch.font < 0) ch.font = v;
            fontsChanged();
            break;
        case Word::Plain:
            ch = CharState{};
            ch.font = defaultFont_;
            break;
        case Word::F:
            ch.font = v;
            break;
        case Word::Fs:
            ch.halfPoints = hasParam ? std::clamp(v, 2, 3276) : 24;
            break;
        case Word::CharFlag:
            ch.*c.flag = on;
            break;
        case Word::UlNone:
            ch.underline = false;
            break;
        case Word::CharColour:
            ch.*c.colour = v;
            break;
        case Word::Vertical:
            ch.vertical = c.arg;
            break;
        case Word::Pard:
            p = ParaState{};
            break;
        case Word::Align:
            p.align = c.arg;
            break;
        case Word::Length:
            p.*c.length = measure(v);
            break;
        case Word::SlMult:
            p.slmult = on;
            break;
        case Word::TabKind:
            p.nextTabType = c.arg;
            break;
        case Word::Tx:
            if (!p.tabs || p.tabs->size() < kMaxTabs) {
                auto tabs = p.tabs ? std::make_shared<Tabs>(*p.tabs) : std::make_shared<Tabs>();
                tabs->emplace_back(measure(v), p.nextTabType);
                p.tabs = std::move(tabs);
            }
            p.nextTabType = 0;
            break;
        case Word::InTbl:
            p.inTable = true;
            break;
        case Word::Trowd:
            cellx_.clear();
            break;
        case Word::Cellx:
            if (cellx_.size() < 63) cellx_.push_back(measure(v));
            break;
        case Word::Cell:
            cell();
            break;
        case Word::Row:
            row();
            break;
        default:
            consumeSkip();
            break;
        }
    }

    void special(char16_t c) {
        if (consumeSkip()) return;
        put(QChar(c));
    }

    void byte(unsigned char c, bool hex = false) {
        State& s = st();
        switch (s.dest) {
        case Dest::Skip:
            return;
        case Dest::Pict: {
            const int h = hex ? -1 : hexValue(char(c));
            if (h >= 0) pictureDigit(h);
            return;
        }
        case Dest::ColorTable:
            if (c == ';') {
                colours_.push_back(colour_ ? QColor((*colour_)[0], (*colour_)[1], (*colour_)[2]) : QColor());
                colour_.reset();
                fontsChanged();
            }
            return;
        case Dest::FontTable:
            if (fontId_ >= 0 && fontName_.size() < 256) {
                const int cp = fontCodePage_ ? fontCodePage_ : docCodePage_;
                fontName_.append(byteTable(cp)[c]);
            }
            return;
        case Dest::Text:
            break;
        }
        if (consumeSkip()) return;
        if (c < 0x20 && c != '\t') return;
        put(tableOf(s.ch.font)[c]);
    }

    // The byte table of a font: its code page's, or its signs when it is a
    // symbol font. Kept for the last font asked.
    const ByteTable& tableOf(int font) {
        if (font != tableFont_) {
            const auto it = fonts_.find(font);
            if (it != fonts_.end() && it->second.symbols != SymbolFont::None)
                bytes_ = &symbolTable(it->second.symbols);
            else
                bytes_ = &byteTable(it != fonts_.end() && it->second.codePage ? it->second.codePage
                                                                              : docCodePage_);
            tableFont_ = font;
        }
        return *bytes_;
    }

    SymbolFont symbolsOf(int font) const {
        const auto it = fonts_.find(font >= 0 ? font : defaultFont_);
        return it != fonts_.end() ? it->second.symbols : SymbolFont::None;
    }

    // Text goes into the pending run, which a change of character format
    // (or anything else put into the document) writes out.
    void startRun() {
        syncTable();
        if (!(st().ch == pendingCh_)) {
            flush();
            pendingCh_ = st().ch;
        }
    }

    void put(QChar c) {
        if (st().ch.hidden || st().dest != Dest::Text) return;
        startRun();
        pending_.append(c);
    }

    const QTextCharFormat& charFormat(const CharState& ch) {
        auto it = charFormats_.find(ch);
        if (it != charFormats_.end()) return it->second;
        QTextCharFormat f;
        // Text of a symbol font is read as Unicode characters, which the
        // symbol font's own encoding does not draw: it takes the text font.
        auto font = fonts_.find(ch.font >= 0 ? ch.font : defaultFont_);
        if (font != fonts_.end() && font->second.symbols != SymbolFont::None)
            font = fonts_.find(defaultFont_);
        if (font != fonts_.end() && !font->second.name.isEmpty() && font->second.symbols == SymbolFont::None)
            f.setFontFamilies({font->second.name});
        f.setFontPointSize(ch.halfPoints / 2.0);
        if (ch.bold) f.setFontWeight(QFont::Bold);
        if (ch.italic) f.setFontItalic(true);
        if (ch.underline) f.setFontUnderline(true);
        if (ch.strike) f.setFontStrikeOut(true);
        if (ch.fg > 0 && ch.fg < int(colours_.size()) && colours_[size_t(ch.fg)].isValid())
            f.setForeground(colours_[size_t(ch.fg)]);
        if (ch.bg > 0 && ch.bg < int(colours_.size()) && colours_[size_t(ch.bg)].isValid())
            f.setBackground(colours_[size_t(ch.bg)]);
        if (ch.vertical > 0) f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        if (ch.vertical < 0) f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        return charFormats_.emplace(ch, f).first->second;
    }

    void flush() {
        if (pending_.isEmpty()) return;
        cur_.insertText(pending_, charFormat(pendingCh_));
        pending_.clear();
    }

    QTextBlockFormat blockFormat(const ParaState& p, bool pageBreak) const {
        QTextBlockFormat f;
        static constexpr Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                   Qt::AlignJustify};
        f.setAlignment(aligns[p.align]);
        f.setLeftMargin(p.li / 15.0);
        f.setRightMargin(p.ri / 15.0);
        f.setTextIndent(p.fi / 15.0);
        f.setTopMargin(p.sb / 15.0);
        f.setBottomMargin(p.sa / 15.0);
        if (p.sl != 0) {
            if (p.slmult)
                f.setLineHeight(std::clamp(std::abs(p.sl) * 100.0 / 240.0, 50.0, 500.0),
                                QTextBlockFormat::ProportionalHeight);
            else
                f.setLineHeight(std::abs(p.sl) / 15.0,
                                p.sl > 0 ? QTextBlockFormat::MinimumHeight : QTextBlockFormat::FixedHeight);
        }
        if ((p.tabs && !p.tabs->empty()) || p.fi < 0) {
            // A document's stops are measured from the paragraph's left
            // edge, the layout's from where the line starts: the first line,
            // which holds a list item's number and its tab, starts at the
            // left indent plus the first-line indent. A hanging first line
            // also stops at the left indent, so that the text after the
            // number lines up with the item's wrapped lines.
            const int start = p.li + p.fi;
            QList<QTextOption::Tab> tabs;
            auto add = [&](int pos, int type) {
                if (pos > start)
                    tabs.append(QTextOption::Tab((pos - start) / 15.0, type == 2   ? QTextOption::RightTab
                                                                       : type == 1 ? QTextOption::CenterTab
                                                                       : type == 3 ? QTextOption::DelimiterTab
                                                                                   : QTextOption::LeftTab));
            };
            bool hanging = p.fi < 0;
            if (p.tabs)
                for (auto [pos, type] : *p.tabs) {
                    if (hanging && pos >= p.li) {
                        if (pos > p.li) add(p.li, 0);
                        hanging = false;
                    }
                    add(pos, type);
                }
            if (hanging) add(p.li, 0);
            f.setTabPositions(tabs);
        }
        if (pageBreak) f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        return f;
    }

    // The block being written takes the current paragraph format. A block
    // begun by a paragraph mark has the format of the one before it, so
    // most paragraphs need nothing set.
    void applyBlockFormat() {
        const ParaState& p = st().para;
        if (blockKnown_ && blockBreak_ == pageBreak_ && blockPara_ == p) return;
        flush();
        cur_.setBlockFormat(blockFormat(p, pageBreak_));
        blockPara_ = p;
        blockBreak_ = pageBreak_;
        blockKnown_ = true;
    }

    void paragraph() {
        syncTable();
        applyBlockFormat();
        pageBreak_ = false;
        // The mark goes with the text, in the format of the text before it.
        if (!st().ch.hidden) startRun();
        pending_.append(QChar::ParagraphSeparator);
    }

    // Tables: a paragraph marked "in table" opens one (or the next row or
    // cell of the open one); a paragraph without the mark closes it.
    void syncTable() {
        if (st().para.inTable) {
            if (!table_) {
                startTable();
            } else if (rowDone_) {
                flush();
                table_->appendRows(1);
                ++row_;
                col_ = 0;
                rowDone_ = false;
                cellPending_ = false;
                moveTo(table_->cellAt(row_, 0).firstCursorPosition());
            } else if (cellPending_) {
                flush();
                if (col_ >= table_->columns()) table_->appendColumns(1);
                moveTo(table_->cellAt(row_, col_).firstCursorPosition());
                cellPending_ = false;
            }
        } else if (table_) {
            flush();
            QTextCursor after = table_->lastCursorPosition();
            after.movePosition(QTextCursor::NextBlock);
            moveTo(after);
            table_ = nullptr;
        }
    }

    // The cursor goes elsewhere: the block there has a format of its own.
    void moveTo(const QTextCursor& c) {
        cur_ = c;
        blockKnown_ = false;
    }

    void startTable() {
        flush();
        const int columns = std::max<int>(1, int(cellx_.size()));
        QTextTableFormat tf;
        tf.setBorder(1);
        tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        tf.setCellPadding(3);
        tf.setCellSpacing(0);
        if (!cellx_.empty()) {
            QList<QTextLength> widths;
            int left = 0;
            for (int x : cellx_) {
                widths.append(QTextLength(QTextLength::FixedLength, std::max(10, x - left) / 15.0));
                left = x;
            }
            tf.setColumnWidthConstraints(widths);
        }
        table_ = cur_.insertTable(1, columns, tf);
        row_ = col_ = 0;
        rowDone_ = cellPending_ = false;
        moveTo(table_->cellAt(0, 0).firstCursorPosition());
    }

    void cell() {
        if (!st().para.inTable && !table_) st().para.inTable = true;
        syncTable();
        applyBlockFormat();
        flush();
        ++col_;
        cellPending_ = true;
    }

    void row() {
        if (!table_) return;
        flush();
        rowDone_ = true;
        cellPending_ = false;
    }

    void picture() {
        if (st().dest != Dest::Text) return;
        QImage img;
        if (pict_.kind == PictKind::Png || pict_.kind == PictKind::Jpeg) {
            if (complete(pict_))
                img.loadFromData(reinterpret_cast<const uchar*>(pict_.data.data()),
                                 qsizetype(pict_.data.size()));
        } else if (pict_.kind == PictKind::Dib) {
            img = dibImage(pict_.data);
        }
        const bool decoded =
            pict_.kind == PictKind::Png || pict_.kind == PictKind::Jpeg || pict_.kind == PictKind::Dib;
        if ((decoded && img.isNull()) || pict_.nibble >= 0) badPicture_ = true;
        // The size the document asks for, in twips.
        double w = pict_.goalw, h = pict_.goalh;
        if (w <= 0 || h <= 0) {
            if (!img.isNull()) {
                w = img.width() * 15.0;
                h = img.height() * 15.0;
            } else if (pict_.kind == PictKind::Wmf || pict_.kind == PictKind::Emf) {
                w = pict_.picw * 1440.0 / 2540.0; // hundredths of a millimetre
                h = pict_.pich * 1440.0 / 2540.0;
            } else {
                w = pict_.picw * 15.0;
                h = pict_.pich * 15.0;
            }
        }
        w = w * std::clamp(pict_.scalex, 1, 1000) / 100.0;
        h = h * std::clamp(pict_.scaley, 1, 1000) / 100.0;
        const int pw = std::clamp(int(w / 15.0 + 0.5), 1, kMaxPicturePixels);
        const int ph = std::clamp(int(h / 15.0 + 0.5), 1, kMaxPicturePixels);
        if (img.isNull()) {
            // A picture we do not draw (a metafile) keeps its place as an
            // empty frame.
            img = QImage(std::min(pw, 800), std::min(ph, 800), QImage::Format_ARGB32);
            img.fill(Qt::transparent);
            QPainter p(&img);
            p.setPen(QColor(160, 160, 160));
            p.drawRect(img.rect().adjusted(0, 0, -1, -1));
        }
        const QString name = QStringLiteral("rtfimage:/%1").arg(++images_);
        doc_.addResource(QTextDocument::ImageResource, QUrl(name), img);
        QTextImageFormat f;
        f.setName(name);
        f.setWidth(pw);
        f.setHeight(ph);
        syncTable();
        flush();
        cur_.insertImage(f);
        pict_ = Pict{};
    }

    // A PNG ends with its IEND chunk, a JPEG with its end mark: without
    // them the picture was cut, and a decoder would draw its top part only.
    static bool complete(const Pict& p) {
        std::string_view d = p.data;
        while (!d.empty() && d.back() == '\0')
            d.remove_suffix(1);
        if (p.kind == PictKind::Png) return d.size() >= 12 && d.substr(d.size() - 12).find("IEND") != d.npos;
        if (p.kind == PictKind::Jpeg) return d.size() >= 2 && d.substr(d.size() - 2) == "\xFF\xD9";
        return true;
    }

    static QImage dibImage(const std::string& dib) {
        if (dib.size() < 40) return {};
        auto u32 = [&](size_t at) {
            return quint32(quint8(dib[at])) | quint32(quint8(dib[at + 1])) << 8 |
                   quint32(quint8(dib[at + 2])) << 16 | quint32(quint8(dib[at + 3])) << 24;
        };
        const quint32 headerSize = u32(0);
        if (headerSize < 12 || headerSize > dib.size()) return {};
        quint32 bits = 0, used = 0, compression = 0;
        if (headerSize >= 40) {
            bits = quint32(quint8(dib[14])) | quint32(quint8(dib[15])) << 8;
            compression = u32(16);
            used = u32(32);
        } else {
            bits = quint32(quint8(dib[10])) | quint32(quint8(dib[11])) << 8;
        }
        quint64 palette = used ? used : (bits <= 8 ? (1u << bits) : 0);
        if (palette > 256) return {};
        palette *= headerSize >= 40 ? 4 : 3;
        if (compression == 3 && headerSize == 40) palette += 12;
        if (compression == 0 || compression == 3) {
            // Rows of uncompressed pixels: all of them must be there.
            const qint64 width = headerSize >= 40 ? qint32(u32(4)) : quint16(u32(4));
            const qint64 height = headerSize >= 40 ? qint32(u32(8)) : quint16(u32(6));
            const quint64 stride = (quint64(std::abs(width)) * bits + 31) / 32 * 4;
            if (headerSize + palette + stride * quint64(std::abs(height)) > dib.size()) return {};
        }
        const quint64 offset = 14 + headerSize + palette;
        const quint64 total = 14 + dib.size();
        QByteArray bmp;
        bmp.reserve(qsizetype(total));
        bmp.append("BM");
        for (quint64 v : {total, quint64(0), offset})
            for (int k = 0; k < 4; ++k)
                bmp.append(char((v >> (8 * k)) & 0xFF));
        bmp.append(dib.data(), qsizetype(dib.size()));
        return QImage::fromData(bmp, "BMP");
    }

    // The brace that closes the document, or the end of a file cut short:
    // the last paragraph, which may have no mark, takes the paragraph
    // format in effect there.
    void endDocument() {
        if (!ended_ && !table_) applyBlockFormat();
        ended_ = true;
    }

    void finish() {
        flush();
        table_ = nullptr;
    }

    static constexpr int kNoFont = -2147483647 - 1;

    std::string_view s_;
    size_t i_ = 0;
    QTextDocument& doc_;
    QTextCursor cur_;
    std::vector<State> stack_;
    int overflow_ = 0;
    int skip_ = 0;

    QString pending_;
    CharState pendingCh_;
    std::unordered_map<CharState, QTextCharFormat, CharStateHash> charFormats_;
    int tableFont_ = kNoFont;
    const ByteTable* bytes_ = nullptr;

    // The paragraph format the block being written has.
    bool blockKnown_ = false;
    ParaState blockPara_;
    bool blockBreak_ = false;

    int docCodePage_ = 1252;
    int defaultFont_ = 0;
    std::map<int, FontDef> fonts_;
    int fontId_ = -1;
    QString fontName_;
    int fontCodePage_ = 0;

    std::vector<QColor> colours_;
    // The colour being read in the colour table; none when the entry names
    // no channel, the automatic colour.
    std::optional<Rgb> colour_;

    Pict pict_;
    int images_ = 0;

    QTextTable* table_ = nullptr;
    std::vector<int> cellx_;
    int row_ = 0, col_ = 0;
    bool rowDone_ = false, cellPending_ = false;
    bool pageBreak_ = false;

    bool ended_ = false;      // the brace that closes the document was read
    bool afterEnd_ = false;   // something other than blanks followed it
    bool binCut_ = false;     // binary data ran past the end of the file
    bool garbled_ = false;    // control bytes that no writer puts in RTF
    bool badPicture_ = false; // a picture whose data is cut or does not decode
};

} // namespace

bool looksLikeRtf(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\t'))
        ++i;
    return bytes.substr(i, 5) == "{\\rtf";
}

RtfDamage readRtf(std::string_view bytes, QTextDocument& doc) {
    doc.clear();
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    RtfDamage damage = RtfDamage::None;
    if (bytes.find_first_not_of(" \t\r\n") == bytes.npos) {
        damage = RtfDamage::Empty;
    } else if (!looksLikeRtf(bytes)) {
        // Text is shown as it is; bytes that are not text show nothing.
        const bool binary = std::any_of(bytes.begin(), bytes.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != 0x1A;
        });
        damage = binary ? RtfDamage::NotText : RtfDamage::NotRtf;
        if (!binary) doc.setPlainText(toQt(bytes));
    } else {
        // One edit: the layout runs once at the end, not after every run.
        QTextCursor edit(&doc);
        edit.beginEditBlock();
        Reader r(bytes, doc);
        damage = r.run();
        edit.endEditBlock();
    }
    doc.setUndoRedoEnabled(undo);
    return damage;
}

std::string rtfDamageText(RtfDamage damage) {
    // In the order of RtfDamage.
    static constexpr std::array<const char*, 8> kTexts = {
        "",
        "The document is empty.",
        "The document is not in RTF: it is shown as plain text.",
        "The document is neither RTF nor text: nothing of it can be shown.",
        "The document is cut short: the part before the cut is shown.",
        "The document's braces do not pair: what could be read is shown.",
        "The document holds bytes that are not text: what could be read is shown.",
        "A picture in the document is cut or cannot be read: an empty frame holds its place.",
    };
    static_assert(kTexts.size() == size_t(RtfDamage::Picture) + 1, "a sentence for every damage");
    return kTexts[size_t(damage)];
}

} // namespace vb
