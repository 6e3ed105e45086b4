// The main window driven offscreen: File > Open and File > Save of a million
// atoms, grid included, and the memory the program then holds; centering,
// a turn, a fit and a selection change on that molecule, each with its grid
// refresh, its redraw and the repaint that follows; the redraw with the atoms
// shown, at the usual scale and with every atom on the panes.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "BenchFiles.h"
#include "model/AtomTable.h"
#include "ui/FileDialogs.h"
#include "ui/Startup.h"
#include "ui/Unit1.h"

namespace pivora::bench {
namespace {

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
    CloseAnswer AskToSaveChanges() override { return CloseAnswer::Discard; }

  private:
    std::string path_;
};

// Resident memory of the process in megabytes, from /proc.
double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024.0;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

void BM_Open1Click(benchmark::State& state) {
    EnsureApplication();
    ProgramState program;
    program.Paths.StartDir = ScratchDir();
    TForm1 form(program, std::make_unique<AnsweringDialogs>(AtomFile(kAtoms)));
    form.show();
    for (auto _ : state) {
        form.Open1Click();
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
    TForm1 form(program, std::make_unique<AnsweringDialogs>(ScratchDir() + "/saved.out"));
    for (auto _ : state) form.Save1Click();
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kAtoms) * 59);
}
BENCHMARK(BM_Save1Click)->Unit(benchmark::kMillisecond)->Iterations(5);

// One window with the million atoms opened and Vector1 from atom 1 to atom 2,
// shared by the cases below; the open is measured above.
TForm1& LoadedForm() {
    static ProgramState* program = nullptr;
    static TForm1* form = nullptr;
    if (form == nullptr) {
        EnsureApplication();
        program = new ProgramState;
        program->Paths.StartDir = ScratchDir();
        form = new TForm1(*program, std::make_unique<AnsweringDialogs>(AtomFile(kAtoms)));
        AtBenchmarksEnd([] {
            delete form;
            form = nullptr;
            delete program;
            program = nullptr;
        });
        form->show();
        form->Open1Click();
        form->SEV1->SetValue(1);
        form->SEV5->SetValue(2);
        QApplication::processEvents();
    }
    return *form;
}

void BM_CenterClick(benchmark::State& state) {
    TForm1& form = LoadedForm();
    form.SpinEdit1->SetValue(1);
    form.SpinEdit2->SetValue(2);
    for (auto _ : state) {
        form.CenterClick();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_CenterClick)->Unit(benchmark::kMillisecond);

void BM_RotateZClick(benchmark::State& state) {
    TForm1& form = LoadedForm();
    form.Zangle->SetText("1");
    for (auto _ : state) {
        form.RotateZClick();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_RotateZClick)->Unit(benchmark::kMillisecond);

void BM_FitXClick(benchmark::State& state) {
    TForm1& form = LoadedForm();
    for (auto _ : state) {
        // A vector off the axis each time, so that every fit turns by 45
        // degrees; the redraw at its end rewrites the boxes.
        form.VX->SetText("1");
        form.VY->SetText("1");
        form.FitXClick();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_FitXClick)->Unit(benchmark::kMillisecond);

void BM_SelectionChange(benchmark::State& state) {
    TForm1& form = LoadedForm();
    int head = 2;
    for (auto _ : state) {
        head = head == 2 ? 3 : 2;
        form.SEV5->SetValue(head);  // SEV5Change: the name box and one redraw
        QApplication::processEvents();
    }
}
BENCHMARK(BM_SelectionChange)->Unit(benchmark::kMicrosecond);

// View > Show Atoms on, the scale as given: at 10 about one atom in a hundred
// lies on each pane, at 100 every one does, about 22 to a pixel. The redraw,
// its record for undo and the repaint of the three panes.
void BM_RedrawWithAtoms(benchmark::State& state) {
    TForm1& form = LoadedForm();
    form.SpinEdit3->SetValue(static_cast<int>(state.range(0)));
    form.ShowAtoms1->setChecked(true);
    QApplication::processEvents();
    for (auto _ : state) {
        form.DispVecClick();
        QApplication::processEvents();
    }
    form.ShowAtoms1->setChecked(false);
    form.SpinEdit3->SetValue(10);
}
BENCHMARK(BM_RedrawWithAtoms)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pivora::bench
