#include "support/harness.h"

#include "app/windows.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/start_window.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/printer.h"
#include "platform/program_folder.h"
#include "sampledata/sampledata.h"
#include "selection/main_window.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

namespace testing_support {

int ScriptedServices::msgBox(const std::string& prompt, int flags, const std::optional<std::string>& title) {
    boxes.push_back({prompt, flags, title});
    if (onBox) onBox(boxes.back());
    if (!answers.empty()) {
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    return (flags & 7) == vb::vbYesNo ? vb::vbYes : vb::vbOK;
}

void ScriptedServices::showModal(vb::Form& form, vb::Form* owner) {
    shown.push_back(form.Name());
    QPointer<vb::Form> f(&form);
    if (onShow) onShow(&form, form.Name());
    if (realWindows) {
        if (f) f->runModalLoop(owner);
        return;
    }
    if (f && !f->isUnloaded()) f->Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ScriptedServices::showModalMissing(const std::string& name, vb::Form* /*owner*/) {
    shown.push_back(name);
    if (onShow) onShow(nullptr, name);
}

bool ScriptedServices::showPrinterDialog(vb::PrinterObject& printer) {
    ++printerDialogs;
    if (realWindows) return vb::DesktopServices().showPrinterDialog(printer);
    PrinterAnswer a;
    if (!printerAnswers.empty()) {
        a = printerAnswers.front();
        printerAnswers.pop_front();
    }
    if (!a.accept) return false;
    if (a.colorMode) printer.setColorMode(a.colorMode);
    if (a.orientation) printer.setOrientation(a.orientation);
    return true;
}

void ScriptedServices::endProgram() {
    ended = true;
    status = vb::exitStatus();
    throw vb::ProgramEnded{status};
}

std::string copySampleData(const QTemporaryDir& dir) {
    namespace fs = std::filesystem;
    const fs::path src(SAMPLE_DATA_DIR);
    const fs::path dst(dir.path().toStdString());
    for (const auto& entry : fs::directory_iterator(src)) {
        // Only the data folders: the build folder also holds the programs.
        if (!entry.is_directory()) continue;
        fs::copy(entry.path(), dst / entry.path().filename(), fs::copy_options::recursive);
    }
    return dst.string();
}

void setProgramFolderForTests(const std::string& path) {
    vb::setProgramFolder(path);
}

void WindowTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    appPath_ = copySampleData(dir_);
    vb::setProgramFolder(appPath_);
    // Its data copy stands for the program's own folder, leftovers included.
    vb::proveProgramFolderForTests();
    vb::setServices(&svc);
    vb::resetProgramEnd();
    core::resetModule();
    core::clearScrambledTargets();
    registerAllWindows();
    // No test ever reaches a real printer.
    vb::Printer().reset();
    vb::Printer().setPdfOutput(appPath_ + "/print-%1.pdf");
    // Any real modal window (one that did not go through the service object)
    // fails the test and is closed, so that no test can hang.
    auto* t = new QTimer(qApp);
    t->setInterval(200);
    QObject::connect(t, &QTimer::timeout, [this] {
        if (svc.realWindows) return;
        if (QWidget* w = QApplication::activeModalWidget()) {
            ADD_FAILURE() << "unexpected modal window: " << w->windowTitle().toStdString();
            w->close();
            if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
        }
    });
    t->start();
    watchdog_ = 1;
    t->setObjectName("watchdog");
}

void WindowTest::TearDown() {
    {
        SCOPED_TRACE("onShow");
        svc.onShow.expectRan("left at the end of the test");
    }
    {
        SCOPED_TRACE("onBox");
        svc.onBox.expectRan("left at the end of the test");
    }
    if (QApplication::activeModalWidget()) ADD_FAILURE() << "modal window left open";
    for (QObject* o : qApp->children())
        if (o->objectName() == "watchdog") delete o;
    vb::FormRegistry::unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    vb::Printer().reset();
    vb::setServices(nullptr);
    vb::setProgramFolder("");
    vb::resetProgramEnd();
}

std::string WindowTest::printFile(int job) const {
    return appPath_ + "/print-" + std::to_string(job) + ".pdf";
}

void WindowTest::startProgram() {
    vb::FormRegistry::get("Form1");
}

selection::Form2& WindowTest::chooseVehicle(const std::string& brand, const std::string& family,
                                            const std::string& model) {
    startProgram();
    selection::Form2& f = selection::Form2::get();
    for (int i = 0; i < f.ListaMarche.ListCount(); ++i)
        if (f.ListaMarche.List(i) == brand) f.ListaMarche.setListIndex(i);
    EXPECT_EQ(core::BrandName, brand);
    for (int r = 0; r < f.GridFamiglie.Rows(); ++r)
        if (f.GridFamiglie.TextMatrix(r, 0) == family && f.GridFamiglie.Row() != r) f.GridFamiglie.setRow(r);
    EXPECT_EQ(core::FamilyName, family);
    for (int r = 1; r < f.MSGrid1.Rows(); ++r)
        if (f.MSGrid1.TextMatrix(r, 0) == model) {
            if (f.MSGrid1.Row() != r) f.MSGrid1.setRow(r);
            break;
        }
    EXPECT_EQ(f.MSGrid1.TextMatrix(f.MSGrid1.Row(), 0), model);
    return f;
}

QProcessEnvironment childEnvironment(const std::vector<std::pair<QString, QString>>& variables) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    for (const auto& [name, value] : variables)
        env.insert(name, value);
    return env;
}

void startChildTest(QProcess& child, const QString& test,
                    const std::vector<std::pair<QString, QString>>& variables) {
    child.setProcessEnvironment(childEnvironment(variables));
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=" + test});
}

std::vector<std::string> childTestOutputs(const QString& test, const char* variable,
                                          const std::vector<std::string>& values) {
    std::vector<std::unique_ptr<QProcess>> children;
    for (const std::string& value : values) {
        children.push_back(std::make_unique<QProcess>());
        startChildTest(*children.back(), test, {{variable, QString::fromStdString(value)}});
    }
    std::vector<std::string> outputs;
    for (std::size_t i = 0; i < values.size(); ++i) {
        SCOPED_TRACE(values[i]);
        QProcess& child = *children[i];
        const bool ended = child.waitForFinished(120000);
        outputs.push_back(child.readAll().toStdString());
        EXPECT_TRUE(ended) << outputs.back();
        EXPECT_EQ(child.exitCode(), 0) << outputs.back();
    }
    return outputs;
}

void expectPassedWithoutOpenat2(const QStringList& tests,
                                const std::vector<std::pair<QString, QString>>& variables, bool retry) {
    QProcess child;
    std::vector<std::pair<QString, QString>> all = variables;
    all.emplace_back(kNoOpenat2, retry ? kOpenat2Retry : "1");
    startChildTest(child, tests.join(':'), all);
    ASSERT_TRUE(child.waitForFinished(100000)) << tests.join(' ').toStdString();
    const std::string said = child.readAll().toStdString();
    EXPECT_EQ(child.exitCode(), 0) << said;
    EXPECT_NE(said.find(retry ? kOpenat2RetrySaid : kWithoutOpenat2Said), std::string::npos) << said;
    for (const QString& test : tests)
        EXPECT_NE(said.find("[       OK ] " + test.toStdString() + " ("), std::string::npos) << said;
}

void chooseLanguageOnceShown(QTimer& timer, int index) {
    QObject::connect(&timer, &QTimer::timeout, [&timer, index] {
        vb::Form* start = vb::FormRegistry::existing("Form1");
        if (!start || !start->isVisible()) return;
        timer.stop();
        QTest::mouseClick(static_cast<core::Form1*>(start)->Command1(index).widget(), Qt::LeftButton);
        vb::requestEnd(0);
    });
    timer.start(10);
}

QWidget* widgetAt(QWidget& window, QPoint p) {
    QWidget* w = window.childAt(p);
    return w ? w : &window;
}

std::string nameOf(QWidget* w) {
    for (QObject* o = w; o; o = o->parent()) {
        const QVariant v = o->property("vbControl");
        if (v.isValid()) return static_cast<vb::Control*>(v.value<void*>())->Name();
        if (auto* f = qobject_cast<vb::Form*>(o)) return f->Name();
    }
    return w ? w->metaObject()->className() : "nothing";
}

void moveAt(QWidget& window, QPoint p) {
    QWidget* w = widgetAt(window, p);
    const QPoint local = w->mapFrom(&window, p);
    QMouseEvent e(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void clickAt(QWidget& window, QPoint p) {
    QWidget* w = widgetAt(window, p);
    const QPoint local = w->mapFrom(&window, p);
    QTest::mouseMove(w, local);
    QTest::mouseClick(w, Qt::LeftButton, {}, local);
}

} // namespace testing_support

namespace testing_support {
void WindowTest::useDataSet(int fillerBrands) {
    sampledata::Options o;
    o.fillerBrands = fillerBrands;
    // The writer scrambles with the program's keys, which SetUp has reset.
    core::InitKeys();
    core::InitIdentityTable();
    sampledata::writeSampleData(appPath_, o);
}
} // namespace testing_support
