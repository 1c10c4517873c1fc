#include "core/module1.h"
#include "core/scramble.h"
#include "platform/rich_text_pages.h"
#include "platform/richtext.h"
#include "platform/rtf_reader.h"
#include "platform/vbstring.h"
#include "support/fixtures.h"
#include "support/harness.h"
#include "support/tools.h"

#include <QAbstractScrollArea>
#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>
#include <QTextTable>
#include <filesystem>
#include <fstream>

using namespace testing_support;

namespace {

// The document's text with paragraphs joined by "|".
QString textOf(const QTextDocument& doc) {
    return doc.toPlainText().replace(QLatin1Char('\n'), QLatin1Char('|'));
}

// One document serves every read of a test; each read replaces its content.
QTextDocument& read(std::string_view rtf) {
    static QTextDocument* doc = new QTextDocument;
    vb::readRtf(rtf, *doc);
    return *doc;
}

// The character format at the first occurrence of text.
QTextCharFormat formatAt(const QTextDocument& doc, const QString& text) {
    const int at = doc.toPlainText().indexOf(text);
    EXPECT_GE(at, 0) << text.toStdString();
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    c.setPosition(at + 1);
    return c.charFormat();
}

QTextBlockFormat blockAt(const QTextDocument& doc, const QString& text) {
    return doc.findBlock(doc.toPlainText().indexOf(text)).blockFormat();
}

std::string hex(const QByteArray& bytes) {
    return bytes.toHex().toStdString();
}

QByteArray encoded(const QImage& img, const char* format) {
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return b;
}

// A document with Word's list bullets and signs from its symbol fonts, as
// Word writes them: the bullets at letter codes of Symbol and Wingdings.
const char* const kWordStyleDocument =
    R"({\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\froman\fcharset0 Times New Roman;})"
    R"({\f1\froman\fcharset2\fprq2 Symbol;}{\f2\fnil\fcharset2\fprq2 Wingdings;}{\f3\fmodern\fcharset0 Courier New;}})"
    R"({\*\listtable{\list\listtemplateid1\listhybrid)"
    R"({\listlevel\levelnfc23\leveljc0\levelfollow0\levelstartat1{\leveltext\'01\u-3913 ?;}{\levelnumbers;}\f1\fi-360\li720})"
    R"({\listlevel\levelnfc23\leveljc0\levelfollow0\levelstartat1{\leveltext\'01o;}{\levelnumbers;}\f3\fi-360\li1440})"
    R"({\listlevel\levelnfc23\leveljc0\levelfollow0\levelstartat1{\leveltext\'01\u-3929 ?;}{\levelnumbers;}\f2\fi-360\li2160})"
    R"({\listname ;}\listid1})"
    R"({\list\listtemplateid2\listhybrid{\listlevel\levelnfc23\leveljc0\levelfollow0\levelstartat1)"
    R"({\leveltext\'01\u-3880 ?;}{\levelnumbers;}\f2\fi-360\li720}{\listname ;}\listid2}})"
    R"({\*\listoverridetable{\listoverride\listid1\listoverridecount0\ls1}{\listoverride\listid2\listoverridecount0\ls2}})"
    R"(\pard\plain\fs28 Controlli\par)"
    R"({\listtext\pard\plain\f1\fs28 \'b7\tab}\pard\ls1\ilvl0\fi-360\li720\fs28 cinghia\par)"
    R"({\listtext\pard\plain\f3\fs28 o\tab}\pard\ls1\ilvl1\fi-360\li1440\fs28 tenditore\par)"
    R"({\listtext\pard\plain\f2\fs28 \'a7\tab}\pard\ls1\ilvl2\fi-360\li2160\fs28 rullo\par)"
    R"({\listtext\pard\plain\f2\fs28 \'d8\tab}\pard\ls2\ilvl0\fi-360\li720\fs28 pompa\par)"
    R"(\pard\plain\fs28 Segni: {\f1 \'b3 \'b1 \'ae \'b0 \'a5 \'6d} {\f2 \'fc \'fb}\par})";

} // namespace

TEST(Rtf, CharacterFormatsFontsAndColours) {
    auto& doc = read(R"({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\fmodern Courier New;}})"
                     R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
                     R"(\f0\fs20 plain {\b bold} {\i italic} {\ul under}{\ulnone  none} {\strike gone} )"
                     R"({\f1\fs32 big} {\cf1 red} {\cf2\highlight1 blue} x\super 2\nosupersub  end\b0 .})");
    EXPECT_EQ(textOf(doc), "plain bold italic under none gone big red blue x2 end.");
    auto plain = formatAt(doc, "plain");
    EXPECT_EQ(plain.fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_DOUBLE_EQ(plain.fontPointSize(), 10.0);
    EXPECT_FALSE(plain.font().bold());
    EXPECT_TRUE(formatAt(doc, "bold").font().bold());
    EXPECT_FALSE(formatAt(doc, " italic").font().bold()); // the group ended the bold
    EXPECT_TRUE(formatAt(doc, "italic").font().italic());
    EXPECT_TRUE(formatAt(doc, "under").font().underline());
    EXPECT_FALSE(formatAt(doc, "none").font().underline());
    EXPECT_TRUE(formatAt(doc, "gone").font().strikeOut());
    auto big = formatAt(doc, "big");
    EXPECT_EQ(big.fontFamilies().toStringList(), QStringList{"Courier New"});
    EXPECT_DOUBLE_EQ(big.fontPointSize(), 16.0);
    EXPECT_EQ(formatAt(doc, "red").foreground().color(), QColor(255, 0, 0));
    auto blue = formatAt(doc, "blue");
    EXPECT_EQ(blue.foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(blue.background().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatAt(doc, "2").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(formatAt(doc, "end").verticalAlignment(), QTextCharFormat::AlignNormal);
    // Every kind of underline, the other words for strike-through and for
    // the background colour, and subscript.
    auto& more = read(R"({\rtf1{\colortbl;\red0\green128\blue0;})"
                      R"({\uld dotted} {\uldb double} {\ulw words} {\uldash dashed} {\ulth thick} )"
                      R"({\ulwave wave} {\striked struck} {\chcbpat1 shaded} {\cb1 behind} H{\sub 2}O})");
    for (const char* underlined : {"dotted", "double", "words", "dashed", "thick", "wave"})
        EXPECT_TRUE(formatAt(more, underlined).font().underline()) << underlined;
    EXPECT_TRUE(formatAt(more, "struck").font().strikeOut());
    EXPECT_EQ(formatAt(more, "shaded").background().color(), QColor(0, 128, 0));
    EXPECT_EQ(formatAt(more, "behind").background().color(), QColor(0, 128, 0));
    EXPECT_EQ(formatAt(more, "2").verticalAlignment(), QTextCharFormat::AlignSubScript);
    EXPECT_EQ(formatAt(more, "O").verticalAlignment(), QTextCharFormat::AlignNormal);
}

TEST(Rtf, ParagraphsAlignmentIndentsSpacingAndTabs) {
    auto& doc = read(R"({\rtf1\ansi )"
                     R"(\pard\qc centre\par)"
                     R"(\pard\qr right\line same\par)"
                     R"(\pard\qj\li720\ri360\fi-360\sb120\sa240 indented\par)"
                     R"(\pard\sl360\slmult1 spaced\par)"
                     R"(\pard\tx1440\tqr\tx4320 a\tab b\tab c\par)"
                     R"(\pard last})");
    EXPECT_EQ(textOf(doc), "centre|right|same|indented|spaced|a\tb\tc|last");
    EXPECT_EQ(blockAt(doc, "centre").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(blockAt(doc, "right").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    auto ind = blockAt(doc, "indented");
    EXPECT_EQ(ind.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    EXPECT_DOUBLE_EQ(ind.leftMargin(), 48);
    EXPECT_DOUBLE_EQ(ind.rightMargin(), 24);
    EXPECT_DOUBLE_EQ(ind.textIndent(), -24);
    EXPECT_DOUBLE_EQ(ind.topMargin(), 8);
    EXPECT_DOUBLE_EQ(ind.bottomMargin(), 16);
    auto sp = blockAt(doc, "spaced");
    EXPECT_EQ(sp.lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
    EXPECT_DOUBLE_EQ(sp.lineHeight(), 150);
    auto tabs = blockAt(doc, "a\tb").tabPositions();
    ASSERT_EQ(tabs.size(), 2);
    EXPECT_DOUBLE_EQ(tabs[0].position, 96);
    EXPECT_EQ(tabs[1].type, QTextOption::RightTab);
    EXPECT_EQ(blockAt(doc, "last").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    // \ql undoes a centring; a negative line spacing is exact, a positive
    // one a least; centred and decimal stops; \sect ends a paragraph.
    auto& kinds = read(R"({\rtf1 \pard\qc\ql\sl-300 exact\par\pard\sl300 least\sect )"
                       R"(\pard\tqc\tx1440\tqdec\tx2880 x\tab y\tab z\par})");
    EXPECT_EQ(textOf(kinds), "exact|least|x\ty\tz|");
    const QTextBlockFormat exact = blockAt(kinds, "exact");
    EXPECT_EQ(exact.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(exact.lineHeightType(), int(QTextBlockFormat::FixedHeight));
    EXPECT_DOUBLE_EQ(exact.lineHeight(), 20);
    EXPECT_EQ(blockAt(kinds, "least").lineHeightType(), int(QTextBlockFormat::MinimumHeight));
    const auto stops = blockAt(kinds, "x\ty").tabPositions();
    ASSERT_EQ(stops.size(), 2);
    EXPECT_EQ(stops[0].type, QTextOption::CenterTab);
    EXPECT_EQ(stops[1].type, QTextOption::DelimiterTab);
    // Paragraphs in one character format, the paragraph format changing
    // between them, and a hidden paragraph that still ends its line.
    auto& runs =
        read(R"({\rtf1 \pard\li300 uno\par due\par\pard tre\par{\v nascosto}\par\li600 quattro\par})");
    EXPECT_EQ(textOf(runs), "uno|due|tre||quattro|");
    EXPECT_DOUBLE_EQ(blockAt(runs, "uno").leftMargin(), 20);
    EXPECT_DOUBLE_EQ(blockAt(runs, "due").leftMargin(), 20);
    EXPECT_DOUBLE_EQ(blockAt(runs, "tre").leftMargin(), 0);
    EXPECT_DOUBLE_EQ(blockAt(runs, "quattro").leftMargin(), 40);
    // The last paragraph needs no mark to keep its format, in a whole
    // document and in one cut short; a format that ended with its group
    // before the end is not the last paragraph's.
    for (const char* rtf : {R"({\rtf1 uno\par\pard\qc fine})", R"({\rtf1 uno\par{\pard\qc fine)"})
        EXPECT_EQ(blockAt(read(rtf), "fine").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter) << rtf;
    EXPECT_EQ(blockAt(read(R"({\rtf1 uno\par{\pard\qc fine}})"), "fine").alignment() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignLeft);
}

namespace {

// A list item laid out: where its first line (the number) starts, where the
// text after the number's tab starts, and where each wrapped line starts.
struct ItemLayout {
    double number = -1, text = -1;
    std::vector<double> wrapped;
};
ItemLayout itemLayout(QTextDocument& doc, const QString& text, double width) {
    doc.setTextWidth(width);
    const QTextBlock block = doc.findBlock(doc.toPlainText().indexOf(text));
    const QTextLayout* tl = block.layout();
    const double x = doc.documentLayout()->blockBoundingRect(block).left();
    ItemLayout item;
    EXPECT_GE(tl->lineCount(), 2) << text.toStdString();
    if (tl->lineCount() < 1) return item;
    const QTextLine first = tl->lineAt(0);
    item.number = x + first.cursorToX(0);
    item.text = x + first.cursorToX(block.text().indexOf(QLatin1Char('\t')) + 1);
    for (int i = 1; i < tl->lineCount(); ++i)
        item.wrapped.push_back(x + tl->lineAt(i).cursorToX(tl->lineAt(i).textStart()));
    return item;
}

} // namespace

TEST(Rtf, NumberedItemsKeepTheirHangingIndent) {
    // The number stands at the first-line indent and its tab reaches the
    // left indent, where the item's wrapped lines start: with the stop
    // written (\tx), and with none, the hanging indent being a stop itself.
    const std::string words =
        "Ruotare l'albero motore nel senso di marcia fino a portare il cilindro 1 al PMS "
        "e allineare le tacche di riferimento delle pulegge";
    auto& doc = read("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}"
                     "\\pard\\fi-360\\li720\\sa80\\tx720\\f0\\fs22 2.\\tab uno " +
                     words +
                     "\\par "
                     "\\pard\\li360\\fi-240\\f0\\fs22 {\\'95}\\tab due " +
                     words +
                     "\\par "
                     "\\pard\\li720\\fi-360\\tx360\\tx1440\\tqr\\tx2880 3.\\tab tre\\tab x\\tab y\\par}");
    const QTextBlockFormat item = blockAt(doc, "uno");
    EXPECT_DOUBLE_EQ(item.leftMargin(), 48);
    EXPECT_DOUBLE_EQ(item.textIndent(), -24);
    for (const char* text : {"uno", "due"}) {
        SCOPED_TRACE(text);
        const QTextBlockFormat f = blockAt(doc, text);
        const ItemLayout l = itemLayout(doc, text, 300);
        EXPECT_NEAR(l.number, f.leftMargin() + f.textIndent() + doc.documentMargin(), 0.5);
        EXPECT_NEAR(l.text, f.leftMargin() + doc.documentMargin(), 0.5);
        ASSERT_FALSE(l.wrapped.empty());
        for (double x : l.wrapped)
            EXPECT_NEAR(x, l.text, 0.5);
    }
    // Stops before the line's start are passed over; the others keep their
    // places on the page and their kinds, the hanging one among them.
    const auto tabs = blockAt(doc, "tre").tabPositions();
    ASSERT_EQ(tabs.size(), 3);
    EXPECT_DOUBLE_EQ(tabs[0].position, 24);
    EXPECT_DOUBLE_EQ(tabs[1].position, 72);
    EXPECT_DOUBLE_EQ(tabs[2].position, 168);
    EXPECT_EQ(tabs[2].type, QTextOption::RightTab);

    // The belt document of the sample data, as its viewer shows it.
    core::InitKeys();
    std::ifstream in(std::string(SAMPLE_DATA_DIR) + "/cng/dis/tx_ita/x00001.rtf", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    core::decodeHeader(bytes, core::SecondKey);
    QTextDocument belt;
    ASSERT_EQ(vb::readRtf(bytes, belt), vb::RtfDamage::None);
    const ItemLayout step = itemLayout(belt, "Ruotare l'albero", 400);
    ASSERT_FALSE(step.wrapped.empty());
    EXPECT_NEAR(step.wrapped[0], step.text, 0.5);
    EXPECT_GT(step.text, step.number + 10);
}

TEST(Rtf, CodePagesAndUnicode) {
    // \'hh in Windows-1252 by default, in the document's code page, and in a
    // font's character set.
    EXPECT_EQ(textOf(read(R"({\rtf1\ansi Citt\'e0 \'80 \'93x\'94})")), QString::fromUtf8("Città € “x”"));
    EXPECT_EQ(textOf(read(R"({\rtf1\ansi\ansicpg1251 \'c4\'e0})")), QString::fromUtf8("Да"));
    EXPECT_EQ(textOf(read(R"({\rtf1\mac \'8e})")), QString::fromUtf8("é"));
    EXPECT_EQ(textOf(read(R"({\rtf1\pc \'9b})")), QString::fromUtf8("¢"));
    EXPECT_EQ(textOf(read(R"({\rtf1\pca \'9b})")), QString::fromUtf8("ø"));
    EXPECT_EQ(textOf(read(R"({\rtf1{\fonttbl{\f0\cpg1251 Arial;}{\f1\cpg Arial;}}\f0 \'c4\f1 \'c4})")),
              QString::fromUtf8("ДÄ"));
    EXPECT_EQ(
        textOf(read(R"({\rtf1\ansi{\fonttbl{\f0 Arial;}{\f1\fcharset238 Arial CE;}}\f1 \'b9\f0 \'b9})")),
        QString::fromUtf8("ą¹"));
    // \uN and its fallback: one character by default, \ucN others.
    EXPECT_EQ(textOf(read(R"({\rtf1 a\u8364?b\uc2\u8212--c\uc0\u946 d\u-3913?})")),
              QString::fromUtf8("a€b—cβd•?"));                                    // \uc0: no fallback
    EXPECT_EQ(textOf(read(R"({\rtf1 \u8364\'80 x})")), QString::fromUtf8("€ x")); // hex fallback skipped
    // A pair of surrogates makes one character.
    EXPECT_EQ(textOf(read(R"({\rtf1 \u-10179?\u-8704?})")), QString::fromUtf8("😀"));
    EXPECT_EQ(read(R"({\rtf1 \{x\}\\ a\~b\emdash\bullet\lquote q\rquote})")
                  .toRawText()
                  .chopped(0)
                  .remove(QChar::ParagraphSeparator),
              QString::fromUtf8("{x}\\ a\u00A0b—•‘q’"));
    EXPECT_EQ(textOf(read(R"({\rtf1 a\endash\ldblquote b\rdblquote\emspace\enspace\qmspace c})")),
              QString::fromUtf8("a–“b”\u2003\u2002\u2005c"));
}

TEST(Rtf, SignsOfSymbolFontsBecomeTheirCharacters) {
    // At letter codes in Symbol and Wingdings, as Word writes list bullets.
    const QString text = read(kWordStyleDocument).toPlainText();
    EXPECT_TRUE(text.contains(QString::fromUtf8("•\tcinghia"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("o\ttenditore")));
    EXPECT_TRUE(text.contains(QString::fromUtf8("▪\trullo")));
    EXPECT_TRUE(text.contains(QString::fromUtf8("➢\tpompa")));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Segni: ≥ ± → ° ∞ μ ✔ ✗")));
    // In the private-use range, in a symbol font and in a text font: a
    // bullet of Wingdings or Symbol; a code with no sign stays as it is.
    EXPECT_EQ(
        textOf(
            read(R"({\rtf1{\fonttbl{\f0 Arial;}{\f1 Wingdings;}{\f2 Symbol;}})"
                 R"(\f1\u61548?\u61607?\f2\u61548?\u61623?\f0\u61623?\u61607?\u61548?\u61521?\f1\u61473?})")),
        QString::fromUtf8("●▪λ••▪●Θ") + QChar(0xF021));
    // The signs are drawn in the text font, not in the symbol font.
    auto& doc = read(R"({\rtf1\deff0{\fonttbl{\f0 Arial;}{\f1\fcharset2 Symbol;}}\f1 \'b7})");
    EXPECT_EQ(formatAt(doc, QString::fromUtf8("•")).fontFamilies().toStringList(), QStringList{"Arial"});
}

TEST(Rtf, DestinationsAreSkippedOrShownAndNothingIsFollowed) {
    auto& doc = read(R"({\rtf1\ansi{\info{\title Secret}{\author X}}{\stylesheet{\s0 Normal;}})"
                     R"({\*\unknowndest hidden {nested} text}{\*\generator Writer;})"
                     R"({\header head}{\footer foot}A)"
                     R"({\field{\*\fldinst HYPERLINK "file:///etc/passwd"}{\fldrslt link}})"
                     R"({\object\objemb{\*\objdata 01050000}{\result shown}} {\v invisible}B)"
                     R"({\pntext 1.}{\upr C{\*\ud D}}{\shp{\*\shpinst E}F}})");
    EXPECT_EQ(textOf(doc), "Alinkshown B1.CF");
    // A destination ends at its own brace, whatever it holds: escaped
    // braces, binary data with braces in it, nested groups.
    EXPECT_EQ(textOf(read("{\\rtf1 a{\\*\\datastore \\bin4 }}{{ {x{y}}}b{\\info{\\title \\}\\{\\\\}}c}")),
              "abc");
    EXPECT_EQ(vb::readRtf("{\\rtf1 a{\\*\\datastore \\bin9 }}", doc), vb::RtfDamage::CutShort);
}

TEST(Rtf, TablesBecomeDocumentTables) {
    auto& doc = read(R"({\rtf1\ansi before\par)"
                     R"(\trowd\cellx1500\cellx4500\pard\intbl A1\cell B1\cell\row)"
                     R"(\trowd\cellx1500\cellx4500\pard\intbl A2\cell \b B2\b0\cell\row)"
                     R"(\pard after\par})");
    QTextTable* table = nullptr;
    for (QTextFrame* f : doc.rootFrame()->childFrames())
        if ((table = qobject_cast<QTextTable*>(f))) break;
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows(), 2);
    EXPECT_EQ(table->columns(), 2);
    auto cellText = [&](int r, int c) {
        QTextTableCell cell = table->cellAt(r, c);
        QTextCursor cur = cell.firstCursorPosition();
        cur.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        return cur.selectedText();
    };
    EXPECT_EQ(cellText(0, 0), "A1");
    EXPECT_EQ(cellText(0, 1), "B1");
    EXPECT_EQ(cellText(1, 0), "A2");
    EXPECT_EQ(cellText(1, 1), "B2");
    EXPECT_TRUE(formatAt(doc, "B2").font().bold());
    auto widths = table->format().columnWidthConstraints();
    ASSERT_EQ(widths.size(), 2);
    EXPECT_DOUBLE_EQ(widths[1].rawValue(), 200);
    EXPECT_TRUE(doc.toPlainText().startsWith("before"));
    EXPECT_TRUE(doc.toPlainText().trimmed().endsWith("after"));
    // Cells and rows of a nested table go into the table that holds them.
    auto& nested = read(R"({\rtf1 \trowd\cellx1500\cellx4500\pard\intbl A\nestcell B\nestcell\nestrow )"
                        R"(C\nestcell D\nestcell\nestrow\pard after\par})");
    table = nullptr;
    for (QTextFrame* f : nested.rootFrame()->childFrames())
        if ((table = qobject_cast<QTextTable*>(f))) break;
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows(), 2);
    EXPECT_EQ(table->columns(), 2);
    EXPECT_EQ(cellText(1, 1), "D");
}

TEST(Rtf, PicturesOfEveryKind) {
    QImage img(30, 20, QImage::Format_RGB32);
    img.fill(QColor(10, 200, 30));
    const std::string png = hex(encoded(img, "PNG"));
    const std::string jpg = encoded(img, "JPG").toStdString();
    QByteArray bmp = encoded(img, "BMP");
    const std::string dib = hex(bmp.mid(14));
    std::string rtf = "{\\rtf1 a{\\pict\\pngblip\\picw30\\pich20 " + png + "}b";
    rtf += "{\\pict\\jpegblip\\picwgoal900\\pichgoal600\\bin" + std::to_string(jpg.size()) + " " + jpg + "}c";
    rtf += "{\\pict\\dibitmap0\\picw30\\pich20 " + dib + "}d";
    rtf += "{\\pict\\wmetafile8\\picw2540\\pich1270\\picwgoal1440\\pichgoal720 0100090000}e";
    rtf +=
        "{\\*\\shppict{\\pict\\emfblip\\picw100\\pich100 01000000}}{\\nonshppict{\\pict\\wmetafile8 00}}f}";
    auto& doc = read(rtf);
    std::vector<QTextImageFormat> images;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                images.push_back(it.fragment().charFormat().toImageFormat());
    ASSERT_EQ(images.size(), 5u); // the non-shape copy is not shown twice
    EXPECT_EQ(textOf(doc).remove(QChar::ObjectReplacementCharacter), "abcdef");
    auto resource = [&](int i) {
        return doc.resource(QTextDocument::ImageResource, QUrl(images[size_t(i)].name())).value<QImage>();
    };
    EXPECT_EQ(resource(0).size(), QSize(30, 20));
    EXPECT_EQ(resource(0).pixelColor(5, 5), QColor(10, 200, 30));
    EXPECT_DOUBLE_EQ(images[1].width(), 60); // the goal size, in twips
    EXPECT_FALSE(resource(1).isNull());
    EXPECT_EQ(resource(2).size(), QSize(30, 20));
    EXPECT_EQ(resource(2).pixelColor(5, 5), QColor(10, 200, 30));
    EXPECT_DOUBLE_EQ(images[3].width(), 96); // metafile: an empty frame of its size
    EXPECT_DOUBLE_EQ(images[3].height(), 48);
    EXPECT_FALSE(resource(3).isNull());
    // Scaled in percent; pictures of other kinds are frames of their size.
    auto& more = read("{\\rtf1 {\\pict\\pngblip\\picw30\\pich20\\picscalex50\\picscaley200 " + png +
                      "}{\\pict\\wbitmap0\\picw12\\pich8 00}{\\pict\\macpict\\picw14\\pich9 00}"
                      "{\\pict\\pmmetafile4\\picw16\\pich10 00}}");
    images.clear();
    for (QTextBlock b = more.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                images.push_back(it.fragment().charFormat().toImageFormat());
    ASSERT_EQ(images.size(), 4u);
    EXPECT_DOUBLE_EQ(images[0].width(), 15);
    EXPECT_DOUBLE_EQ(images[0].height(), 40);
    for (size_t i = 1; i < 4; ++i)
        EXPECT_EQ(QSizeF(images[i].width(), images[i].height()), QSizeF(10 + 2 * i, 7 + i)) << i;
}

TEST(Rtf, PlainTextWhenNotRtf) {
    EXPECT_FALSE(vb::looksLikeRtf("hello {\\rtf1}"));
    EXPECT_TRUE(vb::looksLikeRtf("\r\n {\\rtf1 x}"));
    EXPECT_EQ(textOf(read("Linea uno\r\nCitt\xE0")), QString::fromUtf8("Linea uno|Città"));
    EXPECT_EQ(textOf(read("")), "");
}

TEST(Rtf, DamagedInputNeverStopsTheReader) {
    // Truncated in a group, in a control word, in a hex escape.
    EXPECT_EQ(textOf(read(R"({\rtf1 {\b abc)")), "abc");
    EXPECT_EQ(textOf(read(R"({\rtf1 abc\)")), "abc");
    EXPECT_EQ(textOf(read(R"({\rtf1 abc\'4)")), "abc");
    EXPECT_EQ(textOf(read(R"({\rtf1 a}}}}b{{)")), "ab"); // stray closers end nothing
    // A binary length far past the end, or negative.
    EXPECT_EQ(textOf(read(R"({\rtf1 x\bin999999999 yz})")), "x");
    EXPECT_EQ(textOf(read(R"({\rtf1 x\bin-5 yz})")), "xyz");
    // Deep nesting costs nothing.
    std::string deep = "{\\rtf1 ";
    deep += std::string(200000, '{') + "deep" + std::string(200000, '}') + " end}";
    EXPECT_EQ(textOf(read(deep)), "deep end");
    std::string unclosed = "{\\rtf1 " + std::string(100000, '{') + "open";
    EXPECT_EQ(textOf(read(unclosed)), "open");
    // Huge numbers and words.
    EXPECT_EQ(textOf(read(R"({\rtf1\fs99999999999999 a\u99999999999 b\li-99999999999 c})")), "ac");
    EXPECT_TRUE(textOf(read("{\\rtf1 \\" + std::string(100, 'x') + " ok}")).endsWith("x ok"));
    // Lengths of ten digits stay within a page, so the document can be laid
    // out and paged in no time.
    {
        auto& big =
            read(R"({\rtf1\pard\sa9999999999\sb9999999999\li9999999999\fi9999999999\tx9999999999 a\par)"
                 R"(\trowd\cellx9999999999\pard\intbl b\cell\row})");
        const QTextBlockFormat f = big.begin().blockFormat();
        EXPECT_LE(f.bottomMargin(), 22 * 96);
        EXPECT_LE(f.topMargin(), 22 * 96);
        EXPECT_LE(f.leftMargin(), 22 * 96);
        QImage page(200, 200, QImage::Format_RGB32);
        QElapsedTimer t;
        t.start();
        vb::RichTextPages pages(big, &page, 180);
        int from = 0, n = 0;
        for (; n < 1000 && from < pages.length(); ++n) {
            const int next = pages.formatRange(nullptr, QRectF(0, 0, 180, 180), from);
            if (next <= from) break;
            from = next;
        }
        EXPECT_LT(t.elapsed(), 5000);
    }
    // Binary garbage after a valid start.
    std::string garbage = "{\\rtf1 ";
    for (int i = 0; i < 5000; ++i)
        garbage += char((i * 7919) & 0xFF);
    read(garbage);
    // A picture with bad data is an empty frame.
    auto& doc = read(R"({\rtf1 {\pict\pngblip\picw10\pich10 zz0102}x})");
    EXPECT_EQ(textOf(doc).remove(QChar::ObjectReplacementCharacter), "x");
}

TEST(Rtf, DamagedDocumentsAreToldApartAndShownAsFarAsTheyRead) {
    for (const auto& d : damagedDocuments()) {
        QTextDocument doc;
        EXPECT_EQ(vb::readRtf(d.bytes, doc), d.damage) << d.form;
        const QString text = doc.toPlainText();
        if (d.shown.empty())
            EXPECT_TRUE(text.trimmed().isEmpty()) << d.form;
        else
            EXPECT_TRUE(text.contains(QString::fromStdString(d.shown)))
                << d.form << ": " << text.toStdString();
        for (QChar c : text)
            EXPECT_FALSE(c.unicode() < 0x20 && c != '\t' && c != '\n' && c != QChar::LineSeparator)
                << d.form << ": control " << int(c.unicode());
        EXPECT_FALSE(vb::rtfDamageText(d.damage).empty());
    }
    // Each damage is told in its own words; a sound document needs none.
    EXPECT_EQ(vb::rtfDamageText(vb::RtfDamage::None), "");
    const std::pair<vb::RtfDamage, const char*> told[] = {
        {vb::RtfDamage::Empty, "is empty"},      {vb::RtfDamage::NotRtf, "not in RTF"},
        {vb::RtfDamage::NotText, "neither RTF"}, {vb::RtfDamage::CutShort, "cut short"},
        {vb::RtfDamage::Unbalanced, "braces"},   {vb::RtfDamage::Garbled, "bytes that are not text"},
        {vb::RtfDamage::Picture, "A picture"}};
    for (const auto& [damage, words] : told)
        EXPECT_NE(vb::rtfDamageText(damage).find(words), std::string::npos) << words;
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(Qt::blue);
    QTextDocument doc;
    auto picture = [&](const char* kind, const QByteArray& data) {
        return vb::readRtf(
            "{\\rtf1 a{\\pict\\" + std::string(kind) + " " + data.toHex().toStdString() + "}b}", doc);
    };
    const QByteArray jpg = encoded(img, "JPG"), png = encoded(img, "PNG"), dib = encoded(img, "BMP").mid(14);
    EXPECT_EQ(picture("jpegblip", jpg), vb::RtfDamage::None);
    EXPECT_EQ(picture("jpegblip", jpg.left(jpg.size() * 2 / 3)), vb::RtfDamage::Picture);
    EXPECT_EQ(picture("pngblip", png), vb::RtfDamage::None);
    EXPECT_EQ(picture("pngblip", png.left(png.size() - 12)), vb::RtfDamage::Picture);
    EXPECT_EQ(picture("dibitmap0", dib), vb::RtfDamage::None);
    EXPECT_EQ(picture("dibitmap0", dib.left(dib.size() / 2)), vb::RtfDamage::Picture);
    EXPECT_EQ(picture("pngblip", "zz"), vb::RtfDamage::Picture);
    EXPECT_EQ(picture("wmetafile8", "0100090000"), vb::RtfDamage::None); // not drawn, not damaged
    EXPECT_EQ(vb::readRtf("{\\rtf1 a{\\pict\\pngblip 0}b}", doc), vb::RtfDamage::Picture); // half a byte
}

TEST(Rtf, SoundDocumentsAreNotDamaged) {
    // Ends as writers end a file: blanks, a NUL, an end-of-file mark.
    QTextDocument doc;
    for (const std::string& ok :
         std::vector<std::string>{"{\\rtf1 x}", "\r\n {\\rtf1 x}\r\n", std::string("{\\rtf1 x}\r\n\0\0", 14),
                                  "{\\rtf1 x}\x1A", "{\\rtf1 {}{\\b}}", std::string(kWordStyleDocument)})
        EXPECT_EQ(vb::readRtf(ok, doc), vb::RtfDamage::None) << ok;
    // Every document of the sample data.
    core::InitKeys();
    int documents = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(SAMPLE_DATA_DIR)) {
        if (e.path().extension() != ".rtf") continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const bool second = e.path().string().find("/cng/") != std::string::npos;
        core::decodeHeader(bytes, second ? core::SecondKey : core::Key);
        EXPECT_EQ(vb::readRtf(bytes, doc), vb::RtfDamage::None) << e.path();
        ++documents;
    }
    EXPECT_GE(documents, 9);
}

TEST(Rtf, TenMegabyteDocument) {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    while (rtf.size() < 10u << 20)
        rtf += "Riga {\\b di prova} con testo \\'e8 lungo abbastanza per riempire una pagina.\\par\n";
    rtf += "}";
    QElapsedTimer t;
    t.start();
    auto& doc = read(rtf);
    EXPECT_GT(doc.blockCount(), 100000);
    EXPECT_TRUE(formatAt(doc, "di prova").font().bold());
    EXPECT_LT(t.elapsed(), 60000);
}

namespace {

// The document drawn as the rich-text box draws it, 600 pixels wide.
QImage drawn(QTextDocument& doc) {
    doc.setTextWidth(600);
    QImage shot(600, int(doc.size().height()) + 1, QImage::Format_RGB32);
    shot.fill(Qt::white);
    QPainter painter(&shot);
    doc.drawContents(&painter);
    return shot;
}

// Where the character at position pos of a drawn document is.
QRect glyphRect(QTextDocument& doc, int pos) {
    const QTextBlock block = doc.findBlock(pos);
    const QTextLayout* layout = block.layout();
    const QTextLine line = layout->lineForTextPosition(pos - block.position());
    const QPointF origin = doc.documentLayout()->blockBoundingRect(block).topLeft();
    const int x1 = int(origin.x() + line.cursorToX(pos - block.position()));
    const int x2 = int(origin.x() + line.cursorToX(pos + 1 - block.position()));
    return QRect(x1, int(origin.y() + line.y()), std::max(1, x2 - x1), int(line.height()));
}

// True when the glyph drawn in rect is solid: the middle of its ink is ink.
// An empty box (no glyph in any font) is ink around nothing.
bool solidGlyph(const QImage& shot, const QRect& rect) {
    long sx = 0, sy = 0, n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (shot.rect().contains(x, y) && qGray(shot.pixel(x, y)) < 128) sx += x, sy += y, ++n;
    if (n < 4) return false;
    return qGray(shot.pixel(int(sx / n), int(sy / n))) < 128;
}

} // namespace

TEST(Rtf, DocumentWrittenByAWordProcessor) {
    // Converted by LibreOffice Writer at test time (the set-up in the README
    // installs it, so its absence is a fault of the test machine): a page of
    // HTML, and a document with Word's list bullets that Writer reads and
    // writes again in its own way.
    const QString soffice = QStandardPaths::findExecutable("soffice");
    ASSERT_FALSE(soffice.isEmpty()) << "LibreOffice Writer is not installed (libreoffice-writer-nogui)";
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("in"));
    const QString html = dir.filePath("in/doc.html");
    const QString word = dir.filePath("in/word.rtf");
    {
        std::ofstream f(html.toStdString());
        f << "<html><head><meta charset=\"utf-8\"></head><body>"
             "<h1>Distribuzione</h1><p>Testo <b>grassetto</b> e <i>corsivo</i> con accenti: però città.</p>"
             "<p style=\"text-align:center\">Centrato</p>"
             "<table border=\"1\"><tr><td>Coppia</td><td>25 "
             "Nm</td></tr><tr><td>Angolo</td><td>90°</td></tr></table>"
             "<ul><li>primo</li><li>secondo</li></ul></body></html>";
        std::ofstream(word.toStdString(), std::ios::binary) << kWordStyleDocument;
    }
    ASSERT_TRUE(testing_support::runTool(
        soffice,
        {"--headless", "--norestore", "-env:UserInstallation=file://" + dir.filePath("profile"),
         "--convert-to", "rtf:Rich Text Format", "--outdir", dir.filePath("out"), html, word},
        180000));
    auto converted = [&](const char* name) {
        std::ifstream in(dir.filePath(QString("out/") + name).toStdString(), std::ios::binary);
        EXPECT_TRUE(in.good()) << name << " was not written";
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    const std::string rtf = converted("doc.rtf");
    auto& doc = read(rtf);
    const QString text = doc.toPlainText();
    EXPECT_TRUE(text.contains("Distribuzione"));
    EXPECT_TRUE(text.contains(QString::fromUtf8("però città"))) << text.toStdString();
    EXPECT_TRUE(text.contains("primo"));
    EXPECT_TRUE(formatAt(doc, "grassetto").font().bold());
    EXPECT_TRUE(formatAt(doc, "corsivo").font().italic());
    EXPECT_EQ(blockAt(doc, "Centrato").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    bool table = false;
    for (QTextFrame* f : doc.rootFrame()->childFrames())
        table = table || qobject_cast<QTextTable*>(f);
    EXPECT_TRUE(table);
    EXPECT_TRUE(text.contains(QString::fromUtf8("90°")));
    EXPECT_FALSE(text.contains("Writer")); // the generator destination is not text

    // Writer keeps Word's bullets as private-use characters, and drops
    // their font in the list labels: each becomes its sign.
    const std::string bullets = converted("word.rtf");
    ASSERT_NE(bullets.find("\\u61623"), std::string::npos) << "Writer wrote the bullet otherwise";
    QTextDocument& box = read(bullets);
    const QString shown = box.toPlainText();
    for (QChar c : shown)
        EXPECT_FALSE(c.unicode() >= 0xF000 && c.unicode() <= 0xF0FF) << std::hex << int(c.unicode());
    EXPECT_TRUE(shown.contains(QString::fromUtf8("•\tcinghia"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QString::fromUtf8("o\ttenditore")));
    EXPECT_TRUE(shown.contains(QString::fromUtf8("▪\trullo")));
    EXPECT_TRUE(shown.contains(QString::fromUtf8("➢\tpompa")));
    EXPECT_TRUE(shown.contains(QString::fromUtf8("Segni: ≥ ± → ° ∞ μ ✔ ✗"))) << shown.toStdString();
    // Drawn as signs, not as empty boxes.
    const QImage shot = drawn(box);
    for (const char* sign : {"•", "▪"}) {
        const int at = shown.indexOf(QString::fromUtf8(sign));
        ASSERT_GE(at, 0) << sign;
        EXPECT_TRUE(solidGlyph(shot, glyphRect(box, at))) << sign;
    }
    // What a missing glyph looks like, so that the check above can fail.
    QTextDocument& unknown = read("{\\rtf1\\fs28 x}");
    const QFont font = formatAt(unknown, "x").font();
    unknown.setPlainText(QChar(0xF0B7));
    unknown.setDefaultFont(font);
    EXPECT_FALSE(solidGlyph(drawn(unknown), glyphRect(unknown, 0)));
}

TEST_F(WindowTest, RichTextBoxIsReadOnlyAndClickable) {
    vb::Form f("Scratch");
    vb::RichTextBox box(f, "RTB1");
    box.setTextRTF(R"({\rtf1 Uno\par Due})");
    EXPECT_EQ(box.Text(), "Uno\r\nDue");
    EXPECT_EQ(box.TextRTF(), R"({\rtf1 Uno\par Due})");
    int clicks = 0, keys = 0;
    box.Click = [&] { ++clicks; };
    box.KeyDown = [&](int, int) { ++keys; };
    f.Show();
    box.widget()->setFocus();
    QTest::keyClicks(box.widget(), "xyz");
    QTest::keyClick(box.widget(), Qt::Key_Delete);
    QTest::keyClick(box.widget(), Qt::Key_Backspace);
    EXPECT_EQ(box.Text(), "Uno\r\nDue");
    EXPECT_EQ(keys, 5);
    auto* viewport = static_cast<QAbstractScrollArea*>(box.widget())->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    box.setSelStart(1);
    box.setSelLength(2);
    EXPECT_EQ(box.SelStart(), 1);
    EXPECT_EQ(box.SelLength(), 2);
}

TEST(Rtf, PagesBreakBetweenLinesAndKeepEveryLine) {
    QTextDocument doc;
    std::string rtf = "{\\rtf1 ";
    for (int i = 1; i <= 120; ++i)
        rtf += "Riga " + std::to_string(i) + "\\par ";
    rtf += "}";
    vb::readRtf(rtf, doc);
    QImage page(400, 300, QImage::Format_RGB32);
    vb::RichTextPages pages(doc, &page, 380);
    int from = 0, count = 0;
    std::vector<int> starts;
    while (from < pages.length() && count < 100) {
        starts.push_back(from);
        QPainter p(&page);
        const int next = pages.formatRange(&p, QRectF(10, 10, 380, 280), from);
        ASSERT_GT(next, from);
        from = next;
        ++count;
    }
    EXPECT_GT(count, 3);
    EXPECT_LT(count, 100);
    // Each page after the first starts at the beginning of a line.
    for (size_t i = 1; i < starts.size(); ++i)
        EXPECT_EQ(doc.findBlock(starts[i]).position(), starts[i]);
    // An empty document is one page.
    QTextDocument empty;
    vb::RichTextPages none(empty, &page, 380);
    EXPECT_EQ(none.formatRange(nullptr, QRectF(0, 0, 380, 280), 0), none.length());
}
