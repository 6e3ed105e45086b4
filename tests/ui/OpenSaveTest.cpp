// File > Open and File > Save as the user drives them: the dialogs, the
// directory memory, the grid, the center-atom boxes and the vector limits.

#include <sys/stat.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <fstream>
#include <string>
#include <vector>

#include "UiTest.h"
#include "files/DirectoryMemory.h"
#include "support/AllocationLimit.h"
#include "support/Promptly.h"

namespace pivora::test {
namespace {

// What an open leaves in the controls that it refreshes.
struct Shown {
    int rows;
    std::vector<std::string> firstRow;
    std::string spin1, spin2, edit1, edit2;
    int spinMax, vectorMax;
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s) {
    out << s.rows << " rows [";
    for (const auto& cell : s.firstRow) out << cell << ";";
    return out << "] " << s.spin1 << "/" << s.spin2 << " " << s.edit1 << "/" << s.edit2 << " max "
               << s.spinMax << "/" << s.vectorMax;
}

Shown Snapshot(MainWindow& f) {
    std::vector<std::string> row;
    for (int c = 0; c < 4; ++c) row.push_back(Ui(f).atomGrid->Cells(c, 1).toStdString());
    return {Ui(f).atomGrid->RowCount(),       row,
            Ui(f).centerAtoms[0]->Text(),     Ui(f).centerAtoms[1]->Text(),
            Ui(f).centerNames[0]->Text(),     Ui(f).centerNames[1]->Text(),
            Ui(f).centerAtoms[0]->MaxValue(), Ui(f).vectorAtoms[1][7]->MaxValue()};
}

TEST_F(FormTest, OpenOfThreeLinesFillsGridBoxesAndLimits) {
    OpenFromMenu(WriteFile("mol.xyz", kThreeAtoms));
    MainWindow& f = Form();
    EXPECT_TRUE(errors.shown.empty());
    ASSERT_EQ(Ui(f).atomGrid->RowCount(), 4);
    const char* expected[4][4] = {{"", "", "", ""},
                                  {"C1", "0.1", "0.2", "0.3"},
                                  {"O1", "1.5", "-2", "0.3"},
                                  {"H1", "0", "0", "0"}};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) EXPECT_EQ(Ui(f).atomGrid->Cells(c, r), expected[r][c]);
    }
    EXPECT_EQ(Ui(f).centerNames[0]->Text(), "C1");
    EXPECT_EQ(Ui(f).centerNames[1]->Text(), "O1");
    EXPECT_EQ(Ui(f).centerAtoms[0]->Text(), "1");
    EXPECT_EQ(Ui(f).centerAtoms[1]->Text(), "2");
    for (SpinBox* box :
         {Ui(f).centerAtoms[0], Ui(f).centerAtoms[1], Ui(f).vectorAtoms[0][0],
          Ui(f).vectorAtoms[0][7], Ui(f).vectorAtoms[1][0], Ui(f).vectorAtoms[1][7]}) {
        EXPECT_EQ(box->MaxValue(), 3) << box->objectName().toStdString();
    }
    EXPECT_EQ(Ui(f).centerAtoms[0]->MinValue(), 1);
    EXPECT_EQ(Ui(f).vectorAtoms[0][0]->MinValue(), 0);
    EXPECT_EQ(Ui(f).plotScale->MaxValue(), 100);
}

struct OpenCase {
    const char* name;
    const char* before;  // a file opened first, or nullptr
    const char* file;
    Shown shown;
};

class OpenTable : public FormTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenTable, CenterAtomBoxesFollowTheAtomCount) {
    const OpenCase& c = GetParam();
    if (c.before) OpenFromMenu(WriteFile("before.xyz", c.before));
    OpenFromMenu(WriteFile("mol.xyz", c.file));
    EXPECT_TRUE(errors.shown.empty());
    EXPECT_EQ(Snapshot(Form()), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    AtomCounts, OpenTable,
    ::testing::Values(
        // The upper limit 0 lies below the lower limit 1: a set value ends at 0.
        OpenCase{"Empty", nullptr, "", {1, {"", "", "", ""}, "0", "0", "None", "None", 0, 0}},
        // Both limits 1: no limit applies and the second centering box keeps 2, a spare slot.
        OpenCase{
            "One", nullptr, "Fe 0 0 0\n", {2, {"Fe", "0", "0", "0"}, "1", "2", "Fe", "", 1, 1}},
        OpenCase{"OneAfterThree",
                 kThreeAtoms,
                 "Fe 0 0 0\n",
                 {2, {"Fe", "0", "0", "0"}, "1", "2", "Fe", "", 1, 1}},
        // The second centering box already shows 2: its name box must still name the new atom 2.
        OpenCase{"ThreeWhileSpinEdit2ShowsTwo",
                 "A 0 0 0\n",
                 kThreeAtoms,
                 {4, {"C1", "0.1", "0.2", "0.3"}, "1", "2", "C1", "O1", 3, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, OpenKeepsVectorSelectionsAndNamesThemInTheNewMolecule) {
    OpenFromMenu(WriteFile("a.xyz", kThreeAtoms));
    MainWindow& f = Form();
    Ui(f).vectorAtoms[0][0]->SetValue(1);
    Ui(f).vectorAtoms[0][2]->SetValue(3);
    Ui(f).vectorAtoms[0][4]->SetValue(2);
    ASSERT_EQ(Ui(f).atomNames[0][2]->Text(), "H1");
    ASSERT_EQ(Ui(f).components[0][0]->Text(),
              "1.45");  // (1.5, -2, 0.3) - ((0.1, 0.2, 0.3) + (0, 0, 0)) / 2
    OpenFromMenu(WriteFile("b.xyz", "N7 1 1 1\nC8 2 3 4\n"));
    EXPECT_EQ(Ui(f).vectorAtoms[0][2]->Text(), "3");
    EXPECT_EQ(Ui(f).vectorAtoms[0][2]->MaxValue(), 2);
    // Atom 3 is no atom of the new molecule; the vector runs from N7 to C8.
    EXPECT_EQ(Ui(f).atomNames[0][0]->Text(), "N7");
    EXPECT_EQ(Ui(f).atomNames[0][2]->Text(), "");
    EXPECT_EQ(Ui(f).atomNames[0][4]->Text(), "C8");
    EXPECT_EQ(
        (std::vector<std::string>{Ui(f).components[0][0]->Text(), Ui(f).components[0][1]->Text(),
                                  Ui(f).components[0][2]->Text()}),
        (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(FormTest, CancelledOpenChangesNothing) {
    Ui(Form()).openAction->trigger();  // nothing queued: the user cancels
    EXPECT_EQ(Snapshot(Form()),
              (Shown{10, {"", "", "", ""}, "1", "1", "Edit1", "Edit2", 100, 100}));
    EXPECT_FALSE(IsPlainFile(DirinfPath(start.path())));

    const std::string path = WriteFile("a.xyz", kThreeAtoms);
    OpenFromMenu(path);
    const std::string dirinf = ReadAll(DirinfPath(start.path()));
    const Shown before = Snapshot(Form());
    Ui(Form()).openAction->trigger();  // nothing queued: the user cancels
    EXPECT_EQ(Dialogs().openDirs.size(), 3u);
    EXPECT_EQ(Snapshot(Form()), before);
    EXPECT_EQ(state.Paths.InFileName, path);
    EXPECT_EQ(state.Atoms.AtomCount, 3);
    EXPECT_EQ(ReadAll(DirinfPath(start.path())), dirinf);
    EXPECT_TRUE(errors.shown.empty());
}

struct FailedOpen {
    const char* name;
    std::string (*make)(TempDir& files);  // the path the user picks
    const char* message;
};

class FailedOpenTable : public FormTest, public ::testing::WithParamInterface<FailedOpen> {};

TEST_P(FailedOpenTable, LeavesGridBoxesAndTableAsTheyWere) {
    OpenFromMenu(WriteFile("good.xyz", kThreeAtoms));
    Ui(Form()).centerAtoms[1]->SetValue(3);
    const Shown before = Snapshot(Form());
    const AtomTable table = state.Atoms;

    const std::string chosen = GetParam().make(files);
    OpenFromMenu(chosen);

    EXPECT_EQ(errors.shown, std::vector<std::string>{GetParam().message});
    EXPECT_EQ(Snapshot(Form()), before);
    EXPECT_EQ(state.Atoms.AtomCount, table.AtomCount);
    EXPECT_EQ(state.Atoms.AtomName, table.AtomName);
    EXPECT_EQ(state.Atoms.AtomX, table.AtomX);
    // The choice itself is remembered before the file is read.
    EXPECT_EQ(state.Paths.InFileName, chosen);
    EXPECT_EQ(ReadAll(DirinfPath(start.path())), DirectoryPart(chosen) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedOpenTable,
    ::testing::Values(
        FailedOpen{
            "BadFieldOnLineTwo",
            [](TempDir& d) { return d.Write("bad.xyz", "N1 1 2 3\nN2 1 abc 3\nN3 0 0 0\n"); },
            "'abc' は浮動小数点数ではありません."},
        FailedOpen{"TooFewFields", [](TempDir& d) { return d.Write("short.xyz", "N1 1 2\n"); },
                   "'' は浮動小数点数ではありません."},
        FailedOpen{"MissingFile", [](TempDir& d) { return d.File("missing.xyz"); },
                   "ファイルが見つかりません."},
        FailedOpen{"MissingDirectory", [](TempDir& d) { return d.File("nowhere/mol.xyz"); },
                   "ファイル名の指定が間違っています."},
        FailedOpen{"DirectoryInPlaceOfFile",
                   [](TempDir& d) {
                       const std::string dir = d.File("folder.xyz");
                       ::mkdir(dir.c_str(), 0755);
                       return dir;
                   },
                   "ファイルへのアクセスが拒否されました."}),
    [](const auto& info) { return std::string(info.param.name); });

// Memory that runs out while the grid copies the new molecule, or while it
// is read: the box says so, and the molecule and the grid both stay.
TEST_F(FormTest, AnOpenThatRunsOutOfMemoryKeepsMoleculeAndGrid) {
    OpenFromMenu(WriteFile("good.xyz", kThreeAtoms));
    const Shown before = Snapshot(Form());
    const AtomTable table = state.Atoms;
    // 600 labels of 4000 bytes: each fits, the grid's one block of them
    // (2.4 MB) does not. The reader's buffer is 1 MB.
    std::string longLabels;
    for (int i = 0; i < 600; ++i) longLabels += std::string(4000, 'L') + " 1 2 3\n";
    const std::string forTheGrid = WriteFile("labels.xyz", longLabels);
    // 100000 atoms: the reader's array of labels alone is 3.2 MB.
    std::string manyAtoms;
    for (int i = 0; i < 100000; ++i) manyAtoms += "N 1 2 3\n";
    const std::string forTheReader = WriteFile("many.xyz", manyAtoms);

    for (const std::string& path : {forTheGrid, forTheReader}) {
        SCOPED_TRACE(path);
        errors.shown.clear();
        {
            const AllocationLimit limit(3 << 19);
            OpenFromMenu(path);
        }
        EXPECT_EQ(errors.shown, std::vector<std::string>{"メモリが足りません."});
        EXPECT_EQ(Snapshot(Form()), before);
        EXPECT_EQ(state.Atoms.AtomCount, table.AtomCount);
        EXPECT_EQ(state.Atoms.AtomName, table.AtomName);
        EXPECT_EQ(state.Atoms.AtomX, table.AtomX);
    }
    // With the memory back, the same file opens.
    OpenFromMenu(forTheGrid);
    EXPECT_EQ(state.Atoms.AtomCount, 600);
    EXPECT_EQ(Ui(Form()).atomGrid->RowCount(), 601);
}

// The one report of a refused device, FIFO or socket; kind names it.
void ExpectRefusedAsNotRegular(const ErrorRecorder& errors, const char* kind) {
    EXPECT_EQ(errors.shown, std::vector<std::string>{"ファイルへのアクセスが拒否されました."});
    ASSERT_EQ(errors.details.size(), 1u);
    EXPECT_NE(errors.details[0].find(kind), std::string::npos) << errors.details[0];
}

// A device is no coordinate file: /dev/null read as empty would have replaced
// the molecule by none, /dev/zero would never end.
TEST_F(FormTest, AnOpenOfADeviceIsRefused) {
    OpenFromMenu(WriteFile("good.xyz", kThreeAtoms));
    const Shown before = Snapshot(Form());
    OpenFromMenu("/dev/null");
    ExpectRefusedAsNotRegular(errors, "character device");
    EXPECT_EQ(Snapshot(Form()), before);
    EXPECT_EQ(state.Atoms.AtomCount, 3);
    // A FIFO and the devices whose reading waits: refused at once, under an
    // alarm that ends the run should the window wait for them.
    for (const HangingCase& c : kHangingCases) {
        SCOPED_TRACE(c.name);
        std::string reason;
        const std::string path = HangingPath(c, files, reason);
        if (path.empty()) continue;
        errors.shown.clear();
        errors.details.clear();
        ::alarm(10);
        OpenFromMenu(path);
        ::alarm(0);
        ExpectRefusedAsNotRegular(errors, c.detailWord);
        EXPECT_EQ(Snapshot(Form()), before);
    }
}

TEST_F(FormTest, ASaveOntoAFifoIsRefusedAndTheFifoStays) {
    OpenFromMenu(WriteFile("mol.xyz", kThreeAtoms));
    const std::string fifo = files.File("mol.out");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    Dialogs().saveAnswers.push_back(fifo);
    Ui(Form()).saveAction->trigger();
    ExpectRefusedAsNotRegular(errors, "FIFO");
    struct stat st;
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(FormTest, DirectoryMemoryStartsTheNextRunsOpenDialog) {
    const std::string sub = files.File("molecules");
    ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
    // No memory yet: the dialog starts in the current directory.
    ASSERT_EQ(::chdir(files.path().c_str()), 0);
    OpenFromMenu(files.Write("molecules/a.xyz", kThreeAtoms));
    EXPECT_EQ(Dialogs().openDirs.front(), files.path());
    EXPECT_EQ(ReadAll(DirinfPath(start.path())), sub + "\r\n");

    Restart();
    ASSERT_EQ(::chdir(files.path().c_str()), 0);
    Ui(Form()).openAction->trigger();
    EXPECT_EQ(Dialogs().openDirs, std::vector<std::string>{sub});
    EXPECT_EQ(state.Paths.LastDir, sub);
}

TEST_F(FormTest, SaveOffersTheInputNameWithOutInTheLastDirectory) {
    Ui(Form()).saveAction->trigger();
    // Before any open: ".out" alone, in the dialog's own default directory.
    EXPECT_EQ(Dialogs().saveNames.back(), ".out");
    EXPECT_EQ(Dialogs().saveDirs.back(), "");

    const std::string input = WriteFile("benzene.xyz", kThreeAtoms);
    OpenFromMenu(input);
    Ui(Form()).saveAction->trigger();
    EXPECT_EQ(Dialogs().saveNames.back(), files.File("benzene.out"));
    EXPECT_EQ(Dialogs().saveDirs.back(), files.path());
    EXPECT_TRUE(state.Paths.OutFileName.empty());  // both dialogs were cancelled
    EXPECT_FALSE(IsPlainFile(files.File("benzene.out")));
}

TEST_F(FormTest, SaveReplacesTheChosenFileAndReadsBack) {
    OpenFromMenu(WriteFile("mol.xyz", "C1 0.1 -1.5 2.25\nFe 0 0 123.456\n"));
    const std::string out = WriteFile("mol.out", "old content that is longer than the new one\n");
    Dialogs().saveAnswers.push_back(out);
    Ui(Form()).saveAction->trigger();
    EXPECT_TRUE(errors.shown.empty());
    EXPECT_EQ(state.Paths.OutFileName, out);
    EXPECT_EQ(ReadAll(out),
              "C1              0.100000000   -1.500000000    2.250000000\r\n"
              "Fe              0.000000000    0.000000000   123.456000000\r\n");

    OpenFromMenu(out);
    EXPECT_EQ(Ui(Form()).atomGrid->Cells(0, 2), "Fe");
    EXPECT_EQ(Ui(Form()).atomGrid->Cells(3, 2), "123.456");
    EXPECT_EQ(Ui(Form()).centerNames[0]->Text(), "C1");
}

TEST_F(FormTest, FailedSaveKeepsTheChosenNameAndReportsOnce) {
    OpenFromMenu(WriteFile("mol.xyz", kThreeAtoms));
    const std::string folder = files.File("folder.out");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    Dialogs().saveAnswers.push_back(folder);
    Ui(Form()).saveAction->trigger();
    EXPECT_EQ(errors.shown, std::vector<std::string>{"ファイルへのアクセスが拒否されました."});
    EXPECT_EQ(state.Paths.OutFileName, folder);
    EXPECT_EQ(state.Atoms.AtomCount, 3);
}

// Runs answer on the modal dialog as soon as it shows.
void WhenTheDialogShows(std::function<void(QFileDialog&)> answer) {
    QTimer::singleShot(0, [answer = std::move(answer)] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

TEST(QtDialogs, OpenStartsInTheDirectoryAndAcceptsAMissingName) {
    TempDir dir;
    QWidget parent;
    const auto dialogs = MakeQtFileDialogs(&parent);
    WhenTheDialogShows([&](QFileDialog& d) {
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(d.fileMode(), QFileDialog::AnyFile);
        EXPECT_TRUE(d.defaultSuffix().isEmpty());
        EXPECT_EQ(QFile::encodeName(d.directory().absolutePath()).toStdString(), dir.path());
        d.selectFile(QFile::decodeName(QByteArray::fromStdString(dir.File("missing.xyz"))));
        static_cast<QDialog&>(d).accept();
    });
    EXPECT_EQ(dialogs->ChooseInputFile(dir.path()), dir.File("missing.xyz"));
}

// A name that is not UTF-8 shows in the dialog with a stand-in character;
// choosing it gives its own bytes, not those of the stand-in. A folder of
// such a name, which the dialog cannot enter, starts it in its parent.
TEST(QtDialogs, ANameThatIsNoUtf8ComesBackAsItsBytes) {
    TempDir dir;
    const std::string folder = dir.File("d\xe9p\xf4t");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string path = folder + "/caf\xe9.xyz";
    std::ofstream(path) << kThreeAtoms;
    QWidget parent;
    const auto dialogs = MakeQtFileDialogs(&parent);
    WhenTheDialogShows([&](QFileDialog& d) {
        EXPECT_EQ(QFile::encodeName(d.directory().absolutePath()).toStdString(), dir.path());
        d.selectFile(QFile::decodeName(QByteArray::fromStdString(path)));
        static_cast<QDialog&>(d).accept();
    });
    EXPECT_EQ(dialogs->ChooseInputFile(folder), path);
    // A new name to save under stays as it was typed.
    EXPECT_EQ(ChosenPath(QFile::decodeName(QByteArray::fromStdString(folder)) + "/new.out"),
              folder + "/new.out");
}

TEST(QtDialogs, SaveOffersTheNameReplacesWithoutAskingAndCanBeCancelled) {
    TempDir dir;
    const std::string existing = dir.Write("mol.out", "old");
    QWidget parent;
    const auto dialogs = MakeQtFileDialogs(&parent);
    WhenTheDialogShows([&](QFileDialog& d) {
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(d.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_TRUE(d.defaultSuffix().isEmpty());
        static_cast<QDialog&>(d).accept();  // an overwrite question would block here
    });
    EXPECT_EQ(dialogs->ChooseOutputFile(dir.path(), existing), existing);

    WhenTheDialogShows([](QFileDialog& d) { d.reject(); });
    EXPECT_EQ(dialogs->ChooseOutputFile(dir.path(), existing), std::nullopt);
}

}  // namespace
}  // namespace pivora::test
