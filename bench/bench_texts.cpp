// Rich text and marked-up pages:
//   BM_RtfIntoRichTextBox/BM_SameContentAsHtml: one document of about 1 MB
//     (argument: megabytes), loaded into the rich-text box through our RTF
//     reader, against Qt's own HTML import of the same content into a
//     document; at 10 MB they show how each grows;
//   BM_RtfAgainstHtml: the two in turn in every iteration, so that both see
//     the same machine; its counter "ratio" is the RTF time over the HTML
//     time. Run it with --benchmark_repetitions=9 and read the median;
//   BM_MarkupPage2000Lines: opening a 2,000-line marked-up page on a
//     full-screen window and painting the window.
#include "bench_support.h"
#include "core/markup_page.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "platform/controls.h"
#include "platform/richtext.h"
#include "platform/rtf_reader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTextDocument>
#include <benchmark/benchmark.h>
#include <map>
#include <string>

namespace {

struct Content {
    std::string rtf, html;
};

// The same paragraphs in both forms: bold, italic, colour, sizes, accented
// letters, and a small table every fifty paragraphs; about megabytes MB of RTF.
const Content& content(int megabytes = 1) {
    static std::map<int, Content> made;
    auto [it, fresh] = made.try_emplace(megabytes);
    if (fresh) {
        Content& c = it->second;
        c.rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}"
                "{\\colortbl;\\red192\\green0\\blue0;\\red0\\green0\\blue160;}\\f0\\fs20 ";
        c.html = "<html><body style=\"font-family:Arial; font-size:10pt\">";
        for (int i = 0; c.rtf.size() < (size_t(megabytes) << 20); ++i) {
            const std::string n = std::to_string(i);
            c.rtf += "\\pard\\sa100\\qj Paragrafo " + n +
                     ": la cinghia {\\b va sostituita} ogni {\\i sessantamila} chilometri, "
                     "{\\cf1 controllare} il tenditore e la pompa dell\\'e0cqua {\\f1\\fs24 prima} "
                     "del montaggio.\\par\n";
            c.html += "<p style=\"margin-bottom:5px; text-align:justify\">Paragrafo " + n +
                      ": la cinghia <b>va sostituita</b> ogni <i>sessantamila</i> chilometri, "
                      "<span style=\"color:#c00000\">controllare</span> il tenditore e la pompa "
                      "dell&agrave;cqua <span style=\"font-family:'Times New Roman'; font-size:12pt\">prima"
                      "</span> del montaggio.</p>\n";
            if (i % 50 == 49) {
                c.rtf += "\\trowd\\cellx3000\\cellx6000\\pard\\intbl Coppia\\cell 25 Nm\\cell\\row"
                         "\\trowd\\cellx3000\\cellx6000\\pard\\intbl Angolo\\cell 90\\'b0\\cell\\row\\pard\n";
                c.html +=
                    "<table border=\"1\"><tr><td width=\"200\">Coppia</td><td width=\"200\">25 Nm</td></tr>"
                    "<tr><td>Angolo</td><td>90&deg;</td></tr></table>\n";
            }
        }
        c.rtf += "}";
        c.html += "</body></html>";
    }
    return it->second;
}

void BM_RtfIntoRichTextBox(benchmark::State& state) {
    vb::Form form("Bench");
    vb::RichTextBox box(form, "RTB1");
    const std::string& rtf = content(int(state.range(0))).rtf;
    for (auto _ : state) {
        box.setTextRTF(rtf);
        benchmark::DoNotOptimize(box.document().blockCount());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(rtf.size()));
}
BENCHMARK(BM_RtfIntoRichTextBox)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_RtfIntoDocument(benchmark::State& state) {
    QTextDocument doc;
    const std::string& rtf = content().rtf;
    for (auto _ : state) {
        vb::readRtf(rtf, doc);
        benchmark::DoNotOptimize(doc.blockCount());
    }
}
BENCHMARK(BM_RtfIntoDocument)->Unit(benchmark::kMillisecond);

void BM_SameContentAsHtml(benchmark::State& state) {
    QTextDocument doc;
    const QString html = QString::fromStdString(content(int(state.range(0))).html);
    for (auto _ : state) {
        doc.setHtml(html);
        benchmark::DoNotOptimize(doc.blockCount());
    }
}
BENCHMARK(BM_SameContentAsHtml)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_RtfAgainstHtml(benchmark::State& state) {
    vb::Form form("Bench");
    vb::RichTextBox box(form, "RTB1");
    QTextDocument doc;
    const Content& c = content(int(state.range(0)));
    const QString html = QString::fromStdString(c.html);
    double rtfSeconds = 0, htmlSeconds = 0;
    QElapsedTimer t;
    for (auto _ : state) {
        t.start();
        box.setTextRTF(c.rtf);
        benchmark::DoNotOptimize(box.document().blockCount());
        rtfSeconds += double(t.nsecsElapsed()) / 1e9;
        t.start();
        doc.setHtml(html);
        benchmark::DoNotOptimize(doc.blockCount());
        htmlSeconds += double(t.nsecsElapsed()) / 1e9;
    }
    const double n = double(state.iterations());
    state.counters["rtf_ms"] = rtfSeconds * 1000 / n;
    state.counters["html_ms"] = htmlSeconds * 1000 / n;
    state.counters["ratio"] = rtfSeconds / htmlSeconds;
}
BENCHMARK(BM_RtfAgainstHtml)->Arg(1)->Unit(benchmark::kMillisecond);

std::string pageOf2000Lines() {
    std::string bytes;
    for (int i = 1; i <= 2000; ++i) {
        std::string line = "Riga " + std::to_string(i) + " [valore] di prova {nota} del testo";
        bytes += core::ScrambleString(line) + "\r\n";
    }
    return bytes;
}

void BM_MarkupPage2000Lines(benchmark::State& state) {
    vb::Form form("Bench");
    form.setWidth(15360);
    form.setHeight(11520);
    form.setFontName("Courier");
    form.setFontSize(9.75);
    vb::VScrollBar bar(form, "VScroll1");
    core::MarkupPage page(form, bar);
    const std::string bytes = pageOf2000Lines();
    QImage screen(form.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        page.load(bytes, 720);
        form.render(&screen);
        benchmark::DoNotOptimize(page.LineCount);
    }
}
BENCHMARK(BM_MarkupPage2000Lines)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    static BenchServices services;
    vb::setServices(&services);
    core::InitKeys();
    core::InitIdentityTable();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
