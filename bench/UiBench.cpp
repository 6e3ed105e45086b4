// The main window driven offscreen: File > Open and File > Save of a million
// atoms, grid included, and the memory the program then holds; the peak
// memory of a first open and of an open over another, each in a fresh
// process; centering, a turn, a fit and a selection change on that
// molecule, each with its grid refresh, its redraw and the repaint that
// follows; the redraw with the atoms shown, at the usual scale and with
// every atom on the panes (bonds left out), and with the bonds of 50,000
// atoms; the 3-D view: a frame while the mouse turns it,
// of 10,000 atoms as balls and sticks and of a million as points, and what
// showing it adds to the start.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSettings>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "BenchFiles.h"
#include "model/AtomTable.h"
#include "ui/FileDialogs.h"
#include "ui/MainWindow.h"
#include "ui/Startup.h"
#include "ui/View3D.h"
#include "ui/WindowProbe.h"

namespace pivora::bench {
namespace {

using test::Ui;

constexpr int kAtoms = 1000000;

// Qt needs one application object before the first window; it goes when the
// benchmarks are done, after every window (see AtBenchmarksEnd).
void EnsureApplication() {
    static QApplication* application = nullptr;
    if (application != nullptr) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "pivora_bench";
    static char* argv[] = {name, nullptr};
    application = new QApplication(argc, argv);
    StartUp();
    // The settings the 3-D view keeps go to the scratch folder, not the
    // user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(ScratchDir()));
    AtBenchmarksEnd([] {
        delete application;
        application = nullptr;
    });
}

// Every dialog is answered with the same path.
class AnsweringDialogs : public FileDialogs {
  public:
    explicit AnsweringDialogs(std::string path) : path_(std::move(path)) {}
    std::optional<std::string> ChooseInputFile(const std::string&) override { return path_; }
    std::optional<std::string> ChooseOutputFile(const std::string&, const std::string&) override {
        return path_;
    }
    std::optional<std::string> ChooseRecipeToSave(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseRecipeToApply(const std::string&) override {
        return std::nullopt;
    }
    std::optional<ExportChoice> ChooseExportFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::pair<int, int>> AskChargeAndMultiplicity(int, int) override {
        return std::nullopt;
    }
    bool ConfirmReplace(const std::string&) override { return true; }
    CloseAnswer AskToSaveChanges(Leaving) override { return CloseAnswer::Discard; }

  private:
    std::string path_;
};

double ResidentMegabytes() {
    return StatusMegabytes("VmRSS:");
}

// The child: pivora_bench --memory-child OPENS PATH opens PATH in a fresh
// window OPENS times (1: a first open; 2: an open over another), paints the
// grid after each, and prints its peak and resident memory in megabytes.
int MemoryChild(int argc, char** argv) {
    if (argc != 4) return 2;
    const int opens = std::atoi(argv[2]);
    EnsureApplication();
    ProgramState program;
    program.Paths.StartDir = ScratchDir();
    {
        MainWindow form(program, std::make_unique<AnsweringDialogs>(argv[3]));
        form.show();
        QApplication::processEvents();
        for (int i = 0; i < opens; ++i) {
            form.OpenClick();
            QApplication::processEvents();
        }
        std::printf("%.1f %.1f %d\n", StatusMegabytes("VmHWM:"), ResidentMegabytes(),
                    program.Atoms.AtomCount);
        std::fflush(stdout);
    }
    ReleaseBenchmarkObjects();
    return 0;
}

const bool kMemoryChildSet = (SetMemoryChild(MemoryChild), true);

struct Memory {
    double peak = 0;
    double resident = 0;
};

// Runs this program as a memory child and reads what it prints.
Memory MeasureInChild(int opens, const std::string& path) {
    int out[2];
    if (::pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string count = std::to_string(opens);
    char* const args[] = {const_cast<char*>("pivora_bench"), const_cast<char*>(kMemoryChild),
                          const_cast<char*>(count.c_str()), const_cast<char*>(path.c_str()),
                          nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    Memory memory;
    std::string text;
    char buffer[256];
    ssize_t got;
    while ((got = ::read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, got);
    ::close(out[0]);
    if (spawned != 0) return {};
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::sscanf(text.c_str(), "%lf %lf", &memory.peak, &memory.resident);
    return memory;
}

void BM_Open1Click(benchmark::State& state) {
    EnsureApplication();
    ProgramState program;
    program.Paths.StartDir = ScratchDir();
    MainWindow form(program, std::make_unique<AnsweringDialogs>(AtomFile(kAtoms)));
    form.show();
    for (auto _ : state) {
        form.OpenClick();
        QApplication::processEvents();  // the grid's paint of its visible rows
    }
    state.counters["atoms"] = program.Atoms.AtomCount;
    state.counters["resident_MB"] = ResidentMegabytes();
}
BENCHMARK(BM_Open1Click)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Save1Click(benchmark::State& state) {
    EnsureApplication();
    ProgramState program;
    program.Paths.StartDir = ScratchDir();
    program.Atoms = MakeTable(kAtoms);
    MainWindow form(program, std::make_unique<AnsweringDialogs>(ScratchDir() + "/saved.out"));
    for (auto _ : state) form.SaveClick();
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kAtoms) * 59);
}
BENCHMARK(BM_Save1Click)->Unit(benchmark::kMillisecond)->Iterations(5);

// The peak (VmHWM) of a fresh program that opens a file of n atoms once,
// against that of one that opens it and then opens it again over the first:
// what an open over another molecule costs beside the molecule itself.
void BM_OpenPeakMemory(benchmark::State& state) {
    const std::string& path = AtomFile(static_cast<int>(state.range(0)));
    Memory first, again;
    for (auto _ : state) {
        first = MeasureInChild(1, path);
        again = MeasureInChild(2, path);
    }
    state.counters["first_open_peak_MB"] = first.peak;
    state.counters["first_open_resident_MB"] = first.resident;
    state.counters["reopen_peak_MB"] = again.peak;
    state.counters["reopen_resident_MB"] = again.resident;
    state.counters["reopen_over_first"] = first.peak > 0 ? again.peak / first.peak : 0;
}
BENCHMARK(BM_OpenPeakMemory)
    ->Arg(1000000)
    ->Arg(5000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// One window for each file (the million atoms unless named) opened, with
// Vector1 from atom 1 to atom 2, shared by the cases below; the open is
// measured above.
MainWindow& LoadedForm(const std::string& path = AtomFile(kAtoms)) {
    static std::map<std::string, std::pair<ProgramState*, MainWindow*>> forms;
    auto& [program, form] = forms[path];
    if (form == nullptr) {
        EnsureApplication();
        program = new ProgramState;
        program->Paths.StartDir = ScratchDir();
        form = new MainWindow(*program, std::make_unique<AnsweringDialogs>(path));
        AtBenchmarksEnd([&program = program, &form = form] {
            delete form;
            form = nullptr;
            delete program;
            program = nullptr;
        });
        form->show();
        form->OpenClick();
        Ui(*form).vectorAtoms[0][0]->SetValue(1);
        Ui(*form).vectorAtoms[0][4]->SetValue(2);
        QApplication::processEvents();
    }
    return *form;
}

void BM_CenterClick(benchmark::State& state) {
    MainWindow& form = LoadedForm();
    Ui(form).centerAtoms[0]->SetValue(1);
    Ui(form).centerAtoms[1]->SetValue(2);
    for (auto _ : state) {
        form.CenterClick();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_CenterClick)->Unit(benchmark::kMillisecond);

void BM_RotateZClick(benchmark::State& state) {
    MainWindow& form = LoadedForm();
    Ui(form).angleZ->SetText("1");
    for (auto _ : state) {
        form.RotateZClick();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_RotateZClick)->Unit(benchmark::kMillisecond);

void BM_FitXClick(benchmark::State& state) {
    MainWindow& form = LoadedForm();
    for (auto _ : state) {
        // A vector off the axis each time, so that every fit turns by 45
        // degrees; the redraw at its end rewrites the boxes.
        Ui(form).components[0][0]->SetText("1");
        Ui(form).components[0][1]->SetText("1");
        form.FitXClick();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_FitXClick)->Unit(benchmark::kMillisecond);

// Edit > Undo and Edit > Redo of a turn, each with its grid refresh and the
// repaint of the panes as they were: one iteration is the pair.
void BM_UndoRedoClick(benchmark::State& state) {
    MainWindow& form = LoadedForm();
    Ui(form).angleZ->SetText("1");
    form.RotateZClick();
    QApplication::processEvents();
    for (auto _ : state) {
        form.UndoClick();
        QApplication::processEvents();
        form.RedoClick();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_UndoRedoClick)->Unit(benchmark::kMillisecond);

void BM_SelectionChange(benchmark::State& state) {
    MainWindow& form = LoadedForm();
    int head = 2;
    for (auto _ : state) {
        head = head == 2 ? 3 : 2;
        Ui(form).vectorAtoms[0][4]->SetValue(head);  // SEV5Change: the name box and one redraw
        QApplication::processEvents();
    }
}
BENCHMARK(BM_SelectionChange)->Unit(benchmark::kMicrosecond);

// Redraws of form with View > Show Atoms on at the scale the case gives: the
// redraw, its record for undo and the repaint of the three panes.
void TimeRedrawsWithAtoms(benchmark::State& state, MainWindow& form) {
    Ui(form).plotScale->SetValue(static_cast<int>(state.range(0)));
    Ui(form).showAtomsAction->setChecked(true);
    QApplication::processEvents();
    for (auto _ : state) {
        form.Redraw();
        QApplication::processEvents();
    }
    state.counters["atoms"] = form.Commands().Atoms().AtomCount;
    state.counters["bonds"] = static_cast<double>(form.Commands().Bonds().size());
    Ui(form).showAtomsAction->setChecked(false);
    Ui(form).plotScale->SetValue(10);
}

// The million atoms, whose bonds are left out: at scale 10 about one atom in
// a hundred lies on each pane, at 100 every one does, about 22 to a pixel.
void BM_RedrawWithAtoms(benchmark::State& state) {
    TimeRedrawsWithAtoms(state, LoadedForm());
}
BENCHMARK(BM_RedrawWithAtoms)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// A crystal of n-icosane, C20H42 (a wax), of about n atoms: chains side
// by side, 4.5 angstrom apart, each a zigzag of carbons 1.54 angstrom apart
// with two hydrogens on each carbon and one more at each end.
const std::string& WaxFile(int n) {
    static std::map<int, std::string> files;
    auto found = files.find(n);
    if (found != files.end()) return found->second;
    const std::string path = ScratchDir() + "/wax-" + std::to_string(n) + ".xyz";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    constexpr int kCarbons = 20;
    const double half = std::acos(-1.0 / 3) / 2;
    const double along = 1.54 * std::sin(half);
    const double across = 1.54 * std::cos(half);
    const int chains = n / (3 * kCarbons + 2);
    const int side = static_cast<int>(std::ceil(std::sqrt(chains)));
    for (int chain = 0; chain < chains; ++chain) {
        const double y0 = 4.5 * (chain % side);
        const double z0 = 4.5 * (chain / side);
        const auto carbon = [&](int k, double& x, double& y) {
            x = k * along;
            y = y0 + ((k % 2 != 0) ? across : 0.0);
        };
        for (int k = 0; k < kCarbons; ++k) {
            double x, y;
            carbon(k, x, y);
            std::fprintf(out, "C %.6f %.6f %.6f\n", x, y, z0);
            const double away = (k % 2 != 0) ? 1 : -1;
            for (const double up : {1.0, -1.0})
                std::fprintf(out, "H %.6f %.6f %.6f\n", x, y + away * 1.09 * std::cos(half),
                             z0 + up * 1.09 * std::sin(half));
            if (k == 0 || k == kCarbons - 1) {
                double nx, ny;
                carbon(k == 0 ? -1 : kCarbons, nx, ny);
                const double f = 1.09 / 1.54;
                std::fprintf(out, "H %.6f %.6f %.6f\n", x + f * (nx - x), y + f * (ny - y), z0);
            }
        }
    }
    std::fclose(out);
    return files.emplace(n, path).first->second;
}

// With the bonds: a crystal of wax of 50,000 atoms, the most the panes draw
// bonds for (at 10 XY shows a corner of it, at 100 the whole of it).
void BM_RedrawWithBonds(benchmark::State& state) {
    TimeRedrawsWithAtoms(state, LoadedForm(WaxFile(50000)));
}
BENCHMARK(BM_RedrawWithBonds)->ArgName("scale")->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// The first redraw with the atoms shown, or one after a change of shape:
// the bonds of that crystal found and the panes' atoms and sticks worked
// out (the engine alone, nothing painted).
void BM_RedrawFindingBonds(benchmark::State& state) {
    AtomTable atoms;
    Engine engine(atoms);
    engine.EnableHistory(false);
    engine.Open(WaxFile(50000));
    engine.SetShowAtoms(true);
    for (auto _ : state) {
        engine.ShapeChanged();
        engine.Redraw();
    }
    state.counters["bonds"] = static_cast<double>(engine.Bonds().size());
}
BENCHMARK(BM_RedrawFindingBonds)->Unit(benchmark::kMillisecond);

// A window with path opened and its 3-D view shown, both kept for the run.
View3DWindow& ViewOf(const std::string& path) {
    static std::map<std::string, MainWindow*> forms;
    MainWindow*& form = forms[path];
    if (form == nullptr) {
        EnsureApplication();
        auto* program = new ProgramState;
        program->Paths.StartDir = ScratchDir();
        form = new MainWindow(*program, std::make_unique<AnsweringDialogs>(path));
        AtBenchmarksEnd([&form, program] {
            delete form;
            form = nullptr;
            delete program;
        });
        form->show();
        form->OpenClick();
        Ui(*form).vectorAtoms[0][0]->SetValue(1);
        Ui(*form).vectorAtoms[0][4]->SetValue(2);
        Ui(*form).view3DAction->setChecked(true);
        // The window's first size, whatever room the screen leaves beside
        // the main window.
        form->View3D()->Canvas()->setFixedSize(520, 520);
        QApplication::processEvents();
    }
    return *form->View3D();
}

// One frame while the left button turns the view: the move of the mouse,
// the turn, the whole scene drawn and put on the screen.
void TurnFrames(benchmark::State& state, View3DWindow& view) {
    QWidget* canvas = view.Canvas();
    const QPointF middle(canvas->width() / 2.0, canvas->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, middle, canvas->mapToGlobal(middle), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &press);
    int step = 0;
    for (auto _ : state) {
        // Round and round a small circle, 4 pixels a frame.
        const double angle = ++step * 0.1;
        const QPointF at = middle + QPointF(40 * std::cos(angle), 40 * std::sin(angle));
        QMouseEvent move(QEvent::MouseMove, at, canvas->mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &move);
        canvas->repaint();
    }
    QMouseEvent release(QEvent::MouseButtonRelease, middle, canvas->mapToGlobal(middle),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &release);
    state.counters["bonds"] = static_cast<double>(view.Bonds().size());
    state.counters["pixels"] = canvas->width() * canvas->height();
}

void BM_View3DTurnBallsAndSticks(benchmark::State& state) {
    TurnFrames(state, ViewOf(WaxFile(static_cast<int>(state.range(0)))));
}
BENCHMARK(BM_View3DTurnBallsAndSticks)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_View3DTurnPoints(benchmark::State& state) {
    TurnFrames(state, ViewOf(AtomFile(kAtoms)));
}
BENCHMARK(BM_View3DTurnPoints)->Unit(benchmark::kMillisecond);

// The window made, shown and painted as at start-up, with the 3-D view shown
// at start (as the last run left it) or not: the difference is what the view
// adds to the start.
void BM_StartUpWindow(benchmark::State& state) {
    const bool withView = state.range(0) != 0;
    EnsureApplication();
    {
        // Leaves the setting as the case wants it.
        ProgramState program;
        MainWindow form(program);
        Ui(form).view3DAction->setChecked(true);
        Ui(form).view3DAction->setChecked(withView);
    }
    for (auto _ : state) {
        auto program = std::make_unique<ProgramState>();
        program->Paths.StartDir = ScratchDir();
        auto form = std::make_unique<MainWindow>(*program);
        form->ShowCentered();
        form->RestoreView3D();
        QApplication::processEvents();
        state.PauseTiming();
        if (withView != (form->View3D() != nullptr)) state.SkipWithError("3-D view not as set");
        form.reset();
        program.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpWindow)->ArgName("view3d")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pivora::bench
