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

enum class Dest { Text, FontTable, ColorTable, Pict, Skip };

struct CharState {
    int font = -1;
    int halfPoints = 24;
    bool bold = false, italic = false, underline = false, strike = false, hidden = false;
    int fg = 0, bg = 0;
    int vertical = 0; // 1 superscript, -1 subscript
    bool operator==(const CharState&) const = default;
};

struct ParaState {
    int align = 0; // 0 left, 1 centre, 2 right, 3 justified
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0, sl = 0;
    bool slmult = false, inTable = false;
    int nextTabType = 0;
    std::vector<std::pair<int, int>> tabs; // twips, type
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

// One byte to text in a single-byte code page; tables built on first use.
const std::array<QChar, 256>& byteTable(int codePage) {
    static std::map<int, std::unique_ptr<std::array<QChar, 256>>> tables;
    auto& slot = tables[codePage];
    if (!slot) {
        slot = std::make_unique<std::array<QChar, 256>>();
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

bool isSkippedDestination(std::string_view w) {
    static const char* const words[] = {"stylesheet",
                                        "info",
                                        "header",
                                        "headerl",
                                        "headerr",
                                        "headerf",
                                        "footer",
                                        "footerl",
                                        "footerr",
                                        "footerf",
                                        "footnote",
                                        "annotation",
                                        "atnid",
                                        "atnauthor",
                                        "xe",
                                        "tc",
                                        "txe",
                                        "rxe",
                                        "fldinst",
                                        "themedata",
                                        "colorschememapping",
                                        "latentstyles",
                                        "datastore",
                                        "listtable",
                                        "listoverridetable",
                                        "rsidtbl",
                                        "generator",
                                        "xmlnstbl",
                                        "mmathPr",
                                        "pgdsctbl",
                                        "nonshppict",
                                        "private",
                                        "template",
                                        "docvar",
                                        "filetbl",
                                        "revtbl",
                                        "userprops",
                                        "objdata",
                                        "objclass",
                                        "bkmkstart",
                                        "bkmkend",
                                        "pn",
                                        "pnseclvl",
                                        "shpinst",
                                        "sp",
                                        "sn",
                                        "sv",
                                        "wgrffmtfilter",
                                        "pgptbl",
                                        "ftnsep",
                                        "ftnsepc",
                                        "ftncn",
                                        "aftnsep",
                                        "aftnsepc",
                                        "aftncn",
                                        "title",
                                        "subject",
                                        "author",
                                        "operator",
                                        "keywords",
                                        "comment",
                                        "doccomm",
                                        "company",
                                        "buptim",
                                        "creatim",
                                        "revtim",
                                        "printim",
                                        "hlinkbase",
                                        "listpicture",
                                        "passwordhash",
                                        "protusertbl",
                                        "background",
                                        "ud",
                                        "fchars",
                                        "lchars",
                                        "shptxt",
                                        "blipuid",
                                        "panose",
                                        "falt",
                                        "fname",
                                        "category",
                                        "manager",
                                        "nextfile",
                                        "oldcprops",
                                        "oldpprops",
                                        "oldsprops",
                                        "oldtprops",
                                        "pxe",
                                        "ftnalt",
                                        "dptxbxtext"};
    for (const char* x : words)
        if (w == x) return true;
    return false;
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
            if (c == '{') {
                ++i_;
                skip_ = 0;
                push();
            } else if (c == '}') {
                ++i_;
                skip_ = 0;
                pop();
            } else if (c == '\\') {
                control();
            } else if (c == '\r' || c == '\n') {
                ++i_;
            } else {
                ++i_;
                if (c == '\t')
                    controlWord("tab", false, 0);
                else if (c < 0x20)
                    garbled_ = garbled_ || !ended_ || (c != 0 && c != 0x1A);
                else
                    byte(c);
            }
        }
        // Whatever is left open at the end of a truncated file is closed.
        const bool cutShort = stack_.size() > 1 || overflow_ > 0;
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
        const Dest ending = st().dest;
        const bool endsPict = ending == Dest::Pict && stack_[stack_.size() - 2].dest != Dest::Pict;
        const bool endsFont = ending == Dest::FontTable;
        stack_.pop_back();
        if (stack_.size() == 1) ended_ = true;
        if (endsPict) picture();
        if (endsFont) commitFont();
    }

    void control() {
        const size_t n = s_.size();
        ++i_; // the backslash
        if (i_ >= n) return;
        const char c = s_[i_];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            const size_t start = i_;
            while (i_ < n && i_ - start < 32 &&
                   ((s_[i_] >= 'a' && s_[i_] <= 'z') || (s_[i_] >= 'A' && s_[i_] <= 'Z')))
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
            controlWord(word, hasParam, int(value));
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
        case '-':
            consumeSkip();
            break;
        case '*':
            st().star = true;
            break;
        case '\r':
        case '\n':
            controlWord("par", false, 0);
            break;
        case '|':
        case ':':
        default:
            consumeSkip();
            break;
        }
    }

    static int hexValue(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    bool consumeSkip() {
        if (skip_ > 0) {
            --skip_;
            return true;
        }
        return false;
    }

    void controlWord(std::string_view w, bool hasParam, int v) {
        State& s = st();
        // Binary data is skipped (or kept as picture data) wherever it is.
        if (w == "bin") {
            const size_t len = hasParam && v > 0 ? std::min<size_t>(size_t(v), s_.size() - i_) : 0;
            if (hasParam && v > 0 && size_t(v) > s_.size() - i_) binCut_ = true;
            if (s.dest == Dest::Pict && pict_.data.size() < kMaxPictureBytes)
                pict_.data.append(s_.substr(i_, std::min(len, kMaxPictureBytes - pict_.data.size())));
            i_ += len;
            return;
        }
        const bool star = s.star;
        s.star = false;
        if (s.dest == Dest::Skip) return;

        // Destinations.
        if (w == "fonttbl") {
            s.dest = Dest::FontTable;
            return;
        }
        if (w == "colortbl") {
            s.dest = Dest::ColorTable;
            colourPending_ = QColor(0, 0, 0);
            colourSeen_ = false;
            return;
        }
        if (w == "pict") {
            s.dest = Dest::Pict;
            pict_ = Pict{};
            return;
        }
        if (isSkippedDestination(w)) {
            s.dest = Dest::Skip;
            return;
        }
        if (w == "shppict" || w == "fldrslt" || w == "field" || w == "listtext" || w == "pntext" ||
            w == "upr" || w == "result" || w == "object" || w == "shp") {
            return; // groups whose text is shown
        }

        if (s.dest == Dest::FontTable) {
            fontWord(w, hasParam, v);
            return;
        }
        if (s.dest == Dest::ColorTable) {
            if (w == "red") colourPending_.setRed(std::clamp(v, 0, 255)), colourSeen_ = true;
            if (w == "green") colourPending_.setGreen(std::clamp(v, 0, 255)), colourSeen_ = true;
            if (w == "blue") colourPending_.setBlue(std::clamp(v, 0, 255)), colourSeen_ = true;
            return;
        }
        if (s.dest == Dest::Pict) {
            pictWord(w, hasParam, v);
            return;
        }
        if (star) {
            // An optional destination this reader does not know.
            s.dest = Dest::Skip;
            return;
        }
        textWord(w, hasParam, v);
    }

    void fontWord(std::string_view w, bool hasParam, int v) {
        if (w == "f") {
            commitFont();
            fontId_ = v;
            fontName_.clear();
            fontCodePage_ = 0;
        } else if (w == "fcharset") {
            fontCodePage_ = codePageOfCharset(v);
        } else if (w == "cpg" && hasParam) {
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
    }

    void pictWord(std::string_view w, bool hasParam, int v) {
        if (w == "pngblip")
            pict_.kind = PictKind::Png;
        else if (w == "jpegblip")
            pict_.kind = PictKind::Jpeg;
        else if (w == "dibitmap")
            pict_.kind = PictKind::Dib;
        else if (w == "wmetafile")
            pict_.kind = PictKind::Wmf;
        else if (w == "emfblip")
            pict_.kind = PictKind::Emf;
        else if (w == "wbitmap" || w == "macpict" || w == "pmmetafile")
            pict_.kind = PictKind::Other;
        else if (w == "picw")
            pict_.picw = v;
        else if (w == "pich")
            pict_.pich = v;
        else if (w == "picwgoal")
            pict_.goalw = v;
        else if (w == "pichgoal")
            pict_.goalh = v;
        else if (w == "picscalex" && hasParam)
            pict_.scalex = v;
        else if (w == "picscaley" && hasParam)
            pict_.scaley = v;
    }

    void textWord(std::string_view w, bool hasParam, int v) {
        State& s = st();
        CharState& ch = s.ch;
        ParaState& p = s.para;
        const bool on = !hasParam || v != 0;
        if (w == "par" || w == "sect") {
            if (!consumeSkip()) paragraph();
        } else if (w == "line") {
            special(0x2028);
        } else if (w == "tab") {
            special('\t');
        } else if (w == "page") {
            paragraph();
            pageBreak_ = true;
        } else if (w == "u") {
            const int code = v < 0 ? v + 65536 : v;
            if (code >= 0 && code <= 0xFFFF) put(QChar(symbolCharacter(symbolsOf(ch.font), char16_t(code))));
            skip_ = s.uc;
        } else if (w == "uc") {
            s.uc = std::clamp(v, 0, 16);
        } else if (w == "ansicpg") {
            docCodePage_ = v;
        } else if (w == "mac") {
            docCodePage_ = 10000;
        } else if (w == "pc") {
            docCodePage_ = 437;
        } else if (w == "pca") {
            docCodePage_ = 850;
        } else if (w == "deff") {
            defaultFont_ = v;
            if (ch.font < 0) ch.font = v;
        } else if (w == "plain") {
            ch = CharState{};
            ch.font = defaultFont_;
        } else if (w == "f") {
            ch.font = v;
        } else if (w == "fs") {
            ch.halfPoints = hasParam ? std::clamp(v, 2, 3276) : 24;
        } else if (w == "b") {
            ch.bold = on;
        } else if (w == "i") {
            ch.italic = on;
        } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" || w == "ulth" ||
                   w == "ulwave") {
            ch.underline = on;
        } else if (w == "ulnone") {
            ch.underline = false;
        } else if (w == "strike" || w == "striked") {
            ch.strike = on;
        } else if (w == "v") {
            ch.hidden = on;
        } else if (w == "cf") {
            ch.fg = v;
        } else if (w == "cb" || w == "highlight" || w == "chcbpat") {
            ch.bg = v;
        } else if (w == "super") {
            ch.vertical = 1;
        } else if (w == "sub") {
            ch.vertical = -1;
        } else if (w == "nosupersub") {
            ch.vertical = 0;
        } else if (w == "pard") {
            p = ParaState{};
        } else if (w == "ql") {
            p.align = 0;
        } else if (w == "qc") {
            p.align = 1;
        } else if (w == "qr") {
            p.align = 2;
        } else if (w == "qj") {
            p.align = 3;
        } else if (w == "li") {
            p.li = v;
        } else if (w == "ri") {
            p.ri = v;
        } else if (w == "fi") {
            p.fi = v;
        } else if (w == "sb") {
            p.sb = v;
        } else if (w == "sa") {
            p.sa = v;
        } else if (w == "sl") {
            p.sl = v;
        } else if (w == "slmult") {
            p.slmult = on;
        } else if (w == "tqr") {
            p.nextTabType = 2;
        } else if (w == "tqc") {
            p.nextTabType = 1;
        } else if (w == "tqdec") {
            p.nextTabType = 3;
        } else if (w == "tx") {
            if (p.tabs.size() < 64) p.tabs.emplace_back(v, p.nextTabType);
            p.nextTabType = 0;
        } else if (w == "intbl") {
            p.inTable = true;
        } else if (w == "trowd") {
            cellx_.clear();
        } else if (w == "cellx") {
            if (cellx_.size() < 63) cellx_.push_back(v);
        } else if (w == "cell" || w == "nestcell") {
            cell();
        } else if (w == "row" || w == "nestrow") {
            row();
        } else if (w == "emdash") {
            special(0x2014);
        } else if (w == "endash") {
            special(0x2013);
        } else if (w == "bullet") {
            special(0x2022);
        } else if (w == "lquote") {
            special(0x2018);
        } else if (w == "rquote") {
            special(0x2019);
        } else if (w == "ldblquote") {
            special(0x201C);
        } else if (w == "rdblquote") {
            special(0x201D);
        } else if (w == "emspace") {
            special(0x2003);
        } else if (w == "enspace") {
            special(0x2002);
        } else if (w == "qmspace") {
            special(0x2005);
        } else {
            consumeSkip();
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
        const auto it = fonts_.find(s.ch.font);
        if (it != fonts_.end() && it->second.symbols != SymbolFont::None) {
            put(QChar(symbolCharacter(it->second.symbols, char16_t(0xF000 | c))));
            return;
        }
        const int cp = it != fonts_.end() && it->second.codePage ? it->second.codePage : docCodePage_;
        put(byteTable(cp)[c]);
    }

    SymbolFont symbolsOf(int font) const {
        const auto it = fonts_.find(font >= 0 ? font : defaultFont_);
        return it != fonts_.end() ? it->second.symbols : SymbolFont::None;
    }

    // Text into the pending run; a change of character format closes it.
    void put(QChar c) {
        if (st().ch.hidden || st().dest != Dest::Text) return;
        syncTable();
        if (!(st().ch == pendingCh_)) {
            flush();
            pendingCh_ = st().ch;
        }
        pending_.append(c);
    }

    QTextCharFormat charFormat(const CharState& ch) const {
        QTextCharFormat f;
        // Text of a symbol font is read as Unicode characters, which the
        // symbol font's own encoding does not draw: it takes the text font.
        auto it = fonts_.find(ch.font >= 0 ? ch.font : defaultFont_);
        if (it != fonts_.end() && it->second.symbols != SymbolFont::None) it = fonts_.find(defaultFont_);
        if (it != fonts_.end() && !it->second.name.isEmpty() && it->second.symbols == SymbolFont::None)
            f.setFontFamilies({it->second.name});
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
        return f;
    }

    void flush() {
        if (pending_.isEmpty()) return;
        cur_.insertText(pending_, charFormat(pendingCh_));
        pending_.clear();
    }

    QTextBlockFormat blockFormat() const {
        const ParaState& p = st().para;
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
        if (!p.tabs.empty()) {
            QList<QTextOption::Tab> tabs;
            for (auto [pos, type] : p.tabs)
                tabs.append(QTextOption::Tab(pos / 15.0, type == 2   ? QTextOption::RightTab
                                                         : type == 1 ? QTextOption::CenterTab
                                                         : type == 3 ? QTextOption::DelimiterTab
                                                                     : QTextOption::LeftTab));
            f.setTabPositions(tabs);
        }
        if (pageBreak_) f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        return f;
    }

    void paragraph() {
        syncTable();
        flush();
        cur_.setBlockFormat(blockFormat());
        pageBreak_ = false;
        cur_.insertBlock();
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
                cur_ = table_->cellAt(row_, 0).firstCursorPosition();
            } else if (cellPending_) {
                flush();
                if (col_ >= table_->columns()) table_->appendColumns(1);
                cur_ = table_->cellAt(row_, col_).firstCursorPosition();
                cellPending_ = false;
            }
        } else if (table_) {
            flush();
            cur_ = table_->lastCursorPosition();
            cur_.movePosition(QTextCursor::NextBlock);
            table_ = nullptr;
        }
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
        cur_ = table_->cellAt(0, 0).firstCursorPosition();
    }

    void cell() {
        if (!st().para.inTable && !table_) st().para.inTable = true;
        syncTable();
        flush();
        cur_.setBlockFormat(blockFormat());
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

    void finish() {
        flush();
        if (table_) {
            table_ = nullptr;
            return;
        }
        cur_.setBlockFormat(blockFormat());
    }

    std::string_view s_;
    size_t i_ = 0;
    QTextDocument& doc_;
    QTextCursor cur_;
    std::vector<State> stack_;
    int overflow_ = 0;
    int skip_ = 0;

    QString pending_;
    CharState pendingCh_;

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

    bool ended_ = false;      // the brace that closes the document was read
    bool afterEnd_ = false;   // something other than blanks followed it
    bool binCut_ = false;     // binary data ran past the end of the file
    bool garbled_ = false;    // control bytes that no writer puts in RTF
    bool badPicture_ = false; // a picture whose data is cut or does not decode

    QTextTable* table_ = nullptr;
    std::vector<int> cellx_;
    int row_ = 0, col_ = 0;
    bool rowDone_ = false, cellPending_ = false;
    bool pageBreak_ = false;
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
