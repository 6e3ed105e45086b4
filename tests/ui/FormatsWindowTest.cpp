// The files of other programs in the window: what the caption says after an
// open, Export and the clipboard, the question before a file is replaced,
// and a file dropped on the window.

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <cctype>
#include <functional>
#include <optional>

#include "UiTest.h"
#include "files/DirectoryMemory.h"
#include "ui/Startup.h"

namespace pivora::test {
namespace {

constexpr char kTwoFrames[] =
    "2\nstep 1\nO 0 0 0\nC 1 0 0\n"
    "2\nstep 2\nO 0 0 0\nC 1.5 0 0\n";

class FormatsWindow : public FormTest {
  protected:
    MainWindow& f() { return Form(); }
};

TEST_F(FormatsWindow, TheCaptionNamesTheFileItsFrameAndTheUnsavedMark) {
    EXPECT_EQ(f().windowTitle(), "Rotating Molecues in Cartesian Coordinates (Pivora 1.0)");
    OpenFromMenu(WriteFile("scan.xyz", kTwoFrames));
    EXPECT_EQ(
        f().windowTitle(),
        "Rotating Molecues in Cartesian Coordinates (scan.xyz[*], frame 2 of 2 - Pivora 1.0)");
    EXPECT_EQ(state.Atoms.AtomX[2], 1.5);
    EXPECT_FALSE(f().isWindowModified());
    const std::string log =
        WriteFile("job.log",
                  " Charge =  0 Multiplicity = 1\n"
                  "                         Standard orientation:\n"
                  " ---------------------------------------------------------------------\n"
                  " Center     Atomic      Atomic             Coordinates (Angstroms)\n"
                  " Number     Number       Type             X           Y           Z\n"
                  " ---------------------------------------------------------------------\n"
                  "      1          8           0        0.000000    0.000000    0.119262\n"
                  "      2          1           0        0.000000    0.763239   -0.477047\n"
                  " ---------------------------------------------------------------------\n");
    OpenFromMenu(log);
    EXPECT_TRUE(errors.shown.empty());
    EXPECT_EQ(state.Atoms.AtomName[1], "O");
    EXPECT_TRUE(f().windowTitle().contains("job.log[*], Gaussian's standard orientation"));
    // Coordinates in bohr are converted, and the caption says so.
    OpenFromMenu(WriteFile("bohr.gjf", "# HF/STO-3G Units=AU\n\nt\n\n0 1\nH 0 0 0\nH 0 0 1.4\n\n"));
    EXPECT_TRUE(errors.shown.empty());
    EXPECT_EQ(state.Atoms.AtomZ[2], static_cast<double>(1.4L * 0.529177210903L));
    EXPECT_TRUE(f().windowTitle().contains("bohr.gjf[*], converted from bohr - "))
        << f().windowTitle().toStdString();
}

TEST_F(FormatsWindow, SaveAndExportAskBeforeAFileIsReplaced) {
    OpenFromMenu(WriteFile("mol.xyz", kThreeAtoms));
    const std::string out = WriteFile("mol.out", "a calculation's output\n");
    Dialogs().replaceAnswer = false;
    Dialogs().saveAnswers.push_back(out);
    Ui(f()).saveAction->trigger();
    EXPECT_EQ(Dialogs().replaceQuestions, std::vector<std::string>{out});
    EXPECT_EQ(ReadAll(out), "a calculation's output\n");
    EXPECT_EQ(state.Paths.OutFileName, "");
    Dialogs().exportAnswers.push_back({out, io::ExportFormat::Xyz});
    Ui(f()).exportAction->trigger();
    EXPECT_EQ(ReadAll(out), "a calculation's output\n");
    // A new name asks nothing; yes replaces.
    const std::string fresh = files.File("fresh.out");
    Dialogs().saveAnswers.push_back(fresh);
    Ui(f()).saveAction->trigger();
    EXPECT_EQ(Dialogs().replaceQuestions.size(), 2u);
    Dialogs().replaceAnswer = true;
    Dialogs().saveAnswers.push_back(out);
    Ui(f()).saveAction->trigger();
    EXPECT_EQ(ReadAll(out), ReadAll(fresh));
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(FormatsWindow, ExportWritesTheChosenFormatWithTheChargeItKnowsOrAsks) {
    OpenFromMenu(WriteFile("mol.xyz", "Fe1 0 0 0\nC2 1.5 0 0.25\n"));
    EXPECT_TRUE(Dialogs().exportNames.empty());
    const std::string xyz = files.File("mol-out.xyz");
    Dialogs().exportAnswers.push_back({xyz, io::ExportFormat::Xyz});
    Ui(f()).exportAction->trigger();
    EXPECT_EQ(Dialogs().exportNames.back(), files.File("mol-oriented"));
    EXPECT_EQ(ReadAll(xyz),
              "2\nmol.xyz oriented by Pivora, coordinates in angstrom\n"
              "Fe      0.000000000     0.000000000     0.000000000\n"
              "C       1.500000000     0.000000000     0.250000000\n");
    EXPECT_TRUE(Dialogs().chargeQuestions.empty());  // XYZ carries none
    // A turned molecule stays unsaved after an export, which keeps only the
    // elements: closing the window still asks.
    Ui(f()).angleZ->setText("30");
    Ui(f()).rotateZ->click();
    Dialogs().exportAnswers.push_back({xyz, io::ExportFormat::Xyz});
    Ui(f()).exportAction->trigger();
    EXPECT_TRUE(f().isWindowModified());
    f().close();  // answered Cancel
    EXPECT_EQ(Dialogs().closeQuestions, 1);

    // A headerless file has no charge: the user is asked, 0 and 1 offered.
    const std::string gjf = files.File("mol.gjf");
    Dialogs().exportAnswers.push_back({gjf, io::ExportFormat::GaussianInput});
    Ui(f()).exportAction->trigger();  // cancelled at the question: nothing written
    EXPECT_EQ(Dialogs().chargeQuestions, (std::vector<std::pair<int, int>>{{0, 1}}));
    EXPECT_EQ(ReadAll(gjf), "");
    Dialogs().chargeAnswer = std::pair{2, 3};
    Dialogs().exportAnswers.push_back({gjf, io::ExportFormat::GaussianInput});
    Ui(f()).exportAction->trigger();
    EXPECT_NE(ReadAll(gjf).find("\n2 3\nFe "), std::string::npos);

    // A Gaussian input brings its own charge: no question.
    Dialogs().closeAnswer = FileDialogs::CloseAnswer::Discard;  // the turn above
    OpenFromMenu(WriteFile("in.gjf", "# HF/3-21G\n\ntitle\n\n-1 2\nFe 0 0 0\nC 1 0 0\n\n"));
    const std::size_t asked = Dialogs().chargeQuestions.size();
    const std::string inp = files.File("in.inp");
    Dialogs().exportAnswers.push_back({inp, io::ExportFormat::OrcaInput});
    Ui(f()).exportAction->trigger();
    EXPECT_EQ(Dialogs().chargeQuestions.size(), asked);
    EXPECT_NE(ReadAll(inp).find("* xyz -1 2\n"), std::string::npos);
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(FormatsWindow, LabelsThatNameNoElementAreRefusedAndNothingIsWritten) {
    OpenFromMenu(WriteFile("mol.xyz", "Q1 0 0 0\nC2 1 0 0\nX3 2 0 0\n"));
    const std::string xyz = files.File("out.xyz");
    Dialogs().exportAnswers.push_back({xyz, io::ExportFormat::Xyz});
    Ui(f()).exportAction->trigger();
    ASSERT_EQ(errors.shown.size(), 1u);
    EXPECT_NE(errors.shown[0].find("Q1"), std::string::npos);
    EXPECT_NE(errors.shown[0].find("X3"), std::string::npos);
    EXPECT_FALSE(IsPlainFile(xyz));
}

TEST_F(FormatsWindow, CopyAsPutsTheExportTextOnTheClipboard) {
    OpenFromMenu(WriteFile("mol.xyz", "Fe1 0 0 0\nC2 1.5 0 0.25\n"));
    f().CopyAsClick(io::ExportFormat::Xyz);
    EXPECT_EQ(QApplication::clipboard()->text(),
              "2\nmol.xyz oriented by Pivora, coordinates in angstrom\n"
              "Fe      0.000000000     0.000000000     0.000000000\n"
              "C       1.500000000     0.000000000     0.250000000\n");
}

TEST_F(FormatsWindow, AFileDroppedOnTheWindowOpensAsFileOpenOpensIt) {
    f().show();
    const std::string path = WriteFile("dropped.xyz", kThreeAtoms);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    Drop(data);
    EXPECT_EQ(state.Atoms.AtomCount, 3);
    EXPECT_EQ(state.Paths.InFileName, path);
    EXPECT_EQ(ReadAll(DirinfPath(start.path())), files.path() + "\r\n");
    // A file that fails shows its failure, as Open would.
    QMimeData bad;
    bad.setUrls({QUrl::fromLocalFile(QString::fromStdString(files.File("missing.xyz")))});
    Drop(bad);
    EXPECT_EQ(errors.shown, std::vector<std::string>{"ファイルが見つかりません."});
    EXPECT_EQ(state.Atoms.AtomCount, 3);
}

// A name that is not UTF-8 (a Latin-1 "é") opens by every way into the
// window: the open dialog's answer, a drop, the command line. Its bytes
// reach the file; only the caption shows a stand-in character.
TEST_F(FormatsWindow, ANameThatIsNoUtf8OpensByEveryWay) {
    f().show();
    const std::string name = "caf\xe9.xyz";
    const std::string path = WriteFile(name, kThreeAtoms);
    const std::string other = WriteFile("other.xyz", "Fe 0 0 0\n");
    // What a file manager sends: the name's bytes, percent-encoded.
    std::string uri = "file://";
    for (const unsigned char c : path) {
        static const char kHex[] = "0123456789ABCDEF";
        if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_') {
            uri += static_cast<char>(c);
        } else {
            uri += {'%', kHex[c >> 4], kHex[c & 15]};
        }
    }
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"the open dialog", [&] { OpenFromMenu(path); }},
        {"a drop",
         [&] {
             QMimeData data;
             data.setData("text/uri-list", QByteArray::fromStdString(uri + "\r\n"));
             Drop(data);
         }},
        {"the command line",
         [&] {
             ASSERT_EQ(::chdir(files.path().c_str()), 0);
             std::string program = "pivora";
             std::string argument = name;
             char* argv[] = {program.data(), argument.data(), nullptr};
             const std::optional<std::string> file = CommandLineFile(2, argv);
             ASSERT_TRUE(file.has_value());
             Guarded([&] { f().OpenFile(*file); });
         }},
    };
    for (const auto& [way, open] : ways) {
        SCOPED_TRACE(way);
        OpenFromMenu(other);
        ASSERT_EQ(state.Atoms.AtomCount, 1);
        open();
        EXPECT_EQ(errors.shown, std::vector<std::string>{});
        EXPECT_EQ(state.Atoms.AtomCount, 3);
        EXPECT_EQ(state.Paths.InFileName, path);
        EXPECT_TRUE(f().windowTitle().contains(QString::fromUtf8("caf\uFFFD.xyz[*]")))
            << f().windowTitle().toStdString();
    }
}

}  // namespace
}  // namespace pivora::test
