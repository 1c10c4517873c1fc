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
#include <map>
#include <memory>
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

// The control words the reader knows; each is looked up once per use.
enum class Word {
    Unknown,
    Bin,
    FontTable,
    ColorTable,
    Pict,
    SkippedDestination,
    ShownGroup,
    // Font table
    Fcharset,
    Cpg,
    // Colour table
    Red,
    Green,
    Blue,
    // Pictures
    PngBlip,
    JpegBlip,
    DiBitmap,
    WMetafile,
    EmfBlip,
    OtherPicture,
    PicW,
    PicH,
    PicWGoal,
    PicHGoal,
    PicScaleX,
    PicScaleY,
    // Text
    Par,
    Line,
    Tab,
    Page,
    U,
    Uc,
    AnsiCpg,
    Mac,
    Pc,
    Pca,
    Deff,
    Plain,
    F,
    Fs,
    B,
    I,
    Ul,
    UlNone,
    Strike,
    V,
    Cf,
    Cb,
    Super,
    Sub,
    NoSuperSub,
    Pard,
    Ql,
    Qc,
    Qr,
    Qj,
    Li,
    Ri,
    Fi,
    Sb,
    Sa,
    Sl,
    SlMult,
    Tqr,
    Tqc,
    Tqdec,
    Tx,
    InTbl,
    Trowd,
    Cellx,
    Cell,
    Row,
    EmDash,
    EnDash,
    Bullet,
    LQuote,
    RQuote,
    LDblQuote,
    RDblQuote,
    EmSpace,
    EnSpace,
    QmSpace,
};

Word wordOf(std::string_view w) {
    static const std::unordered_map<std::string_view, Word> words = [] {
        std::unordered_map<std::string_view, Word> m;
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
            m.emplace(x, Word::Ul);
        for (const char* x : {"wbitmap", "macpict", "pmmetafile"})
            m.emplace(x, Word::OtherPicture);
        const std::pair<const char*, Word> rest[] = {
            {"bin", Word::Bin},
            {"fonttbl", Word::FontTable},
            {"colortbl", Word::ColorTable},
            {"pict", Word::Pict},
            {"fcharset", Word::Fcharset},
            {"cpg", Word::Cpg},
            {"red", Word::Red},
            {"green", Word::Green},
            {"blue", Word::Blue},
            {"pngblip", Word::PngBlip},
            {"jpegblip", Word::JpegBlip},
            {"dibitmap", Word::DiBitmap},
            {"wmetafile", Word::WMetafile},
            {"emfblip", Word::EmfBlip},
            {"picw", Word::PicW},
            {"pich", Word::PicH},
            {"picwgoal", Word::PicWGoal},
            {"pichgoal", Word::PicHGoal},
            {"picscalex", Word::PicScaleX},
            {"picscaley", Word::PicScaleY},
            {"par", Word::Par},
            {"sect", Word::Par},
            {"line", Word::Line},
            {"tab", Word::Tab},
            {"page", Word::Page},
            {"u", Word::U},
            {"uc", Word::Uc},
            {"ansicpg", Word::AnsiCpg},
            {"mac", Word::Mac},
            {"pc", Word::Pc},
            {"pca", Word::Pca},
            {"deff", Word::Deff},
            {"plain", Word::Plain},
            {"f", Word::F},
            {"fs", Word::Fs},
            {"b", Word::B},
            {"i", Word::I},
            {"ulnone", Word::UlNone},
            {"strike", Word::Strike},
            {"striked", Word::Strike},
            {"v", Word::V},
            {"cf", Word::Cf},
            {"cb", Word::Cb},
            {"highlight", Word::Cb},
            {"chcbpat", Word::Cb},
            {"super", Word::Super},
            {"sub", Word::Sub},
            {"nosupersub", Word::NoSuperSub},
            {"pard", Word::Pard},
            {"ql", Word::Ql},
            {"qc", Word::Qc},
            {"qr", Word::Qr},
            {"qj", Word::Qj},
            {"li", Word::Li},
            {"ri", Word::Ri},
            {"fi", Word::Fi},
            {"sb", Word::Sb},
            {"sa", Word::Sa},
            {"sl", Word::Sl},
            {"slmult", Word::SlMult},
            {"tqr", Word::Tqr},
            {"tqc", Word::Tqc},
            {"tqdec", Word::Tqdec},
            {"tx", Word::Tx},
            {"intbl", Word::InTbl},
            {"trowd", Word::Trowd},
            {"cellx", Word::Cellx},
            {"cell", Word::Cell},
            {"nestcell", Word::Cell},
            {"row", Word::Row},
            {"nestrow", Word::Row},
            {"emdash", Word::EmDash},
            {"endash", Word::EnDash},
            {"bullet", Word::Bullet},
            {"lquote", Word::LQuote},
            {"rquote", Word::RQuote},
            {"ldblquote", Word::LDblQuote},
            {"rdblquote", Word::RDblQuote},
            {"emspace", Word::EmSpace},
            {"enspace", Word::EnSpace},
            {"qmspace", Word::QmSpace},
        };
        for (const auto& [x, word] : rest)
            m.emplace(x, word);
        return m;
    }();
    const auto it = words.find(w);
    return it == words.end() ? Word::Unknown : it->second;
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
                controlWord(Word::Tab, false, 0);
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
            if (pict_.nibble < 0) {
                pict_.nibble = h;
            } else {
                if (pict_.data.size() < kMaxPictureBytes) pict_.data.push_back(char(pict_.nibble * 16 + h));
                pict_.nibble = -1;
            }
        }
    }

    void control() {
        const size_t n = s_.size();
        ++i_; // the backslash
        if (i_ >= n) return;
        const char c = s_[i_];
        if (isLetter(c)) {
            const size_t start = i_;
            while (i_ < n && i_ - start < 32 && isLetter(s_[i_]))
                ++i_;
            const std::string_view word = s_.substr(start, i_ - start);
            bool hasParam = false;
            long long value = 0;
            bool negative = false;
            if (i_ < n && s_[i_] == '-' && i_ + 1 < n && s_[i_ + 1] >= '0' && s_[i_ + 1] <= '9') {
                negative = true;
                ++i_;
            }
            int digits = 0;
            while (i_ < n && s_[i_] >= '0' && s_[i_] <= '9') {
                if (digits < 10) value = value * 10 + (s_[i_] - '0');
                ++digits;
                ++i_;
                hasParam = true;
            }
            if (i_ < n && s_[i_] == ' ') ++i_;
            value = std::clamp(negative ? -value : value, -2147483647LL, 2147483647LL);
            controlWord(wordOf(word), hasParam, int(value));
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

    bool consumeSkip() {
        if (skip_ > 0) {
            --skip_;
            return true;
        }
        return false;
    }

    void controlWord(Word w, bool hasParam, int v) {
        State& s = st();
        // Binary data is skipped (or kept as picture data) wherever it is.
        if (w == Word::Bin) {
            binary(hasParam ? v : 0);
            return;
        }
        const bool star = s.star;
        s.star = false;
        if (s.dest == Dest::Skip) return;

        // Destinations.
        switch (w) {
        case Word::FontTable:
            s.dest = Dest::FontTable;
            return;
        case Word::ColorTable:
            s.dest = Dest::ColorTable;
            colourPending_ = QColor(0, 0, 0);
            colourSeen_ = false;
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
            fontWord(w, hasParam, v);
            return;
        case Dest::ColorTable:
            if (w == Word::Red) colourPending_.setRed(std::clamp(v, 0, 255)), colourSeen_ = true;
            if (w == Word::Green) colourPending_.setGreen(std::clamp(v, 0, 255)), colourSeen_ = true;
            if (w == Word::Blue) colourPending_.setBlue(std::clamp(v, 0, 255)), colourSeen_ = true;
            return;
        case Dest::Pict:
            pictWord(w, hasParam, v);
            return;
        default:
            break;
        }
        if (star) {
            // An optional destination this reader does not know.
            skipGroup();
            return;
        }
        textWord(w, hasParam, v);
    }

    // \binN: N bytes of binary data follow, kept when they are a picture's.
    void binary(int v) {
        if (v <= 0) return;
        const size_t left = s_.size() - i_;
        if (size_t(v) > left) binCut_ = true;
        const size_t len = std::min(size_t(v), left);
        if (st().dest == Dest::Pict && pict_.data.size() < kMaxPictureBytes)
            pict_.data.append(s_.substr(i_, std::min(len, kMaxPictureBytes - pict_.data.size())));
        i_ += len;
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
                const size_t start = i_;
                while (i_ < n && i_ - start < 32 && isLetter(s_[i_]))
                    ++i_;
                if (s_.substr(start, i_ - start) != "bin") continue;
                long long v = 0;
                int digits = 0;
                while (i_ < n && s_[i_] >= '0' && s_[i_] <= '9') {
                    if (digits++ < 10) v = v * 10 + (s_[i_] - '0');
                    ++i_;
                }
                if (i_ < n && s_[i_] == ' ') ++i_;
                if (v > 0) {
                    if (size_t(v) > n - i_) binCut_ = true;
                    i_ += std::min(size_t(v), n - i_);
                }
            } else if (isControlByte(c)) {
                garbled_ = true;
            }
        }
        // The file ended inside the group: it stays open, and the document
        // is reported as cut short.
    }

    void fontWord(Word w, bool hasParam, int v) {
        if (w == Word::F) {
            commitFont();
            fontId_ = v;
            fontName_.clear();
            fontCodePage_ = 0;
        } else if (w == Word::Fcharset) {
            fontCodePage_ = codePageOfCharset(v);
        } else if (w == Word::Cpg && hasParam) {
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

    void pictWord(Word w, bool hasParam, int v) {
        switch (w) {
        case Word::PngBlip:
            pict_.kind = PictKind::Png;
            break;
        case Word::JpegBlip:
            pict_.kind = PictKind::Jpeg;
            break;
        case Word::DiBitmap:
            pict_.kind = PictKind::Dib;
            break;
        case Word::WMetafile:
            pict_.kind = PictKind::Wmf;
            break;
        case Word::EmfBlip:
            pict_.kind = PictKind::Emf;
            break;
        case Word::OtherPicture:
            pict_.kind = PictKind::Other;
            break;
        case Word::PicW:
            pict_.picw = v;
            break;
        case Word::PicH:
            pict_.pich = v;
            break;
        case Word::PicWGoal:
            pict_.goalw = v;
            break;
        case Word::PicHGoal:
            pict_.goalh = v;
            break;
        case Word::PicScaleX:
            if (hasParam) pict_.scalex = v;
            break;
        case Word::PicScaleY:
            if (hasParam) pict_.scaley = v;
            break;
        default:
            break;
        }
    }

    // A length in twips, kept within the largest page a document can
    // describe (22 inches): a damaged number of ten digits would otherwise
    // make a paragraph billions of pixels high or wide, and laying it out
    // into pages would never end.
    static int measure(int v) {
        constexpr int kMaxTwips = 22 * 1440;
        return std::clamp(v, -kMaxTwips, kMaxTwips);
    }

    void textWord(Word w, bool hasParam, int v) {
        State& s = st();
        CharState& ch = s.ch;
        ParaState& p = s.para;
        const bool on = !hasParam || v != 0;
        switch (w) {
        case Word::Par:
            if (!consumeSkip()) paragraph();
            break;
        case Word::Line:
            special(0x2028);
            break;
        case Word::Tab:
            special('\t');
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
        case Word::AnsiCpg:
            docCodePage_ = v;
            fontsChanged();
            break;
        case Word::Mac:
            docCodePage_ = 10000;
            fontsChanged();
            break;
        case Word::Pc:
            docCodePage_ = 437;
            fontsChanged();
            break;
        case Word::Pca:
            docCodePage_ = 850;
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
        case Word::B:
            ch.bold = on;
            break;
        case Word::I:
            ch.italic = on;
            break;
        case Word::Ul:
            ch.underline = on;
            break;
        case Word::UlNone:
            ch.underline = false;
            break;
        case Word::Strike:
            ch.strike = on;
            break;
        case Word::V:
            ch.hidden = on;
            break;
        case Word::Cf:
            ch.fg = v;
            break;
        case Word::Cb:
            ch.bg = v;
            break;
        case Word::Super:
            ch.vertical = 1;
            break;
        case Word::Sub:
            ch.vertical = -1;
            break;
        case Word::NoSuperSub:
            ch.vertical = 0;
            break;
        case Word::Pard:
            p = ParaState{};
            break;
        case Word::Ql:
            p.align = 0;
            break;
        case Word::Qc:
            p.align = 1;
            break;
        case Word::Qr:
            p.align = 2;
            break;
        case Word::Qj:
            p.align = 3;
            break;
        case Word::Li:
            p.li = measure(v);
            break;
        case Word::Ri:
            p.ri = measure(v);
            break;
        case Word::Fi:
            p.fi = measure(v);
            break;
        case Word::Sb:
            p.sb = measure(v);
            break;
        case Word::Sa:
            p.sa = measure(v);
            break;
        case Word::Sl:
            p.sl = measure(v);
            break;
        case Word::SlMult:
            p.slmult = on;
            break;
        case Word::Tqr:
            p.nextTabType = 2;
            break;
        case Word::Tqc:
            p.nextTabType = 1;
            break;
        case Word::Tqdec:
            p.nextTabType = 3;
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
        case Word::EmDash:
            special(0x2014);
            break;
        case Word::EnDash:
            special(0x2013);
            break;
        case Word::Bullet:
            special(0x2022);
            break;
        case Word::LQuote:
            special(0x2018);
            break;
        case Word::RQuote:
            special(0x2019);
            break;
        case Word::LDblQuote:
            special(0x201C);
            break;
        case Word::RDblQuote:
            special(0x201D);
            break;
        case Word::EmSpace:
            special(0x2003);
            break;
        case Word::EnSpace:
            special(0x2002);
            break;
        case Word::QmSpace:
            special(0x2005);
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
        case Dest::Pict:
            if (!hex) {
                const int h = hexValue(char(c));
                if (h < 0) return;
                if (pict_.nibble < 0) {
                    pict_.nibble = h;
                } else {
                    if (pict_.data.size() < kMaxPictureBytes)
                        pict_.data.push_back(char(pict_.nibble * 16 + h));
                    pict_.nibble = -1;
                }
            }
            return;
        case Dest::ColorTable:
            if (c == ';') {
                colours_.push_back(colourSeen_ ? colourPending_ : QColor());
                colourPending_ = QColor(0, 0, 0);
                colourSeen_ = false;
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
    QColor colourPending_;
    bool colourSeen_ = false;

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
    switch (damage) {
    case RtfDamage::None:
        return {};
    case RtfDamage::Empty:
        return "The document is empty.";
    case RtfDamage::NotRtf:
        return "The document is not in RTF: it is shown as plain text.";
    case RtfDamage::NotText:
        return "The document is neither RTF nor text: nothing of it can be shown.";
    case RtfDamage::CutShort:
        return "The document is cut short: the part before the cut is shown.";
    case RtfDamage::Unbalanced:
        return "The document's braces do not pair: what could be read is shown.";
    case RtfDamage::Garbled:
        return "The document holds bytes that are not text: what could be read is shown.";
    case RtfDamage::Picture:
        return "A picture in the document is cut or cannot be read: an empty frame holds its place.";
    }
    return {};
}

} // namespace vb
