#pragma once
// A main window on injected dialog answers, with a recording error box, a
// start-up directory and a folder for coordinate files of its own.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Error.h"
#include "files/FileIo.h"
#include "model/AtomTable.h"
#include "numeric/DecimalText.h"
#include "support/TempDir.h"
#include "ui/ErrorBox.h"
#include "ui/EventGuard.h"
#include "ui/FileDialogs.h"
#include "ui/MainWindow.h"
#include "ui/WindowProbe.h"

namespace pivora::test {

// Answers the dialogs from queues (nothing queued: the user cancels) and
// remembers what each dialog was started with.
class FakeDialogs : public FileDialogs {
  public:
    std::optional<std::string> ChooseInputFile(const std::string& initialDir) override {
        openDirs.push_back(initialDir);
        return Next(openAnswers);
    }
    std::optional<std::string> ChooseOutputFile(const std::string& initialDir,
                                                const std::string& fileName) override {
        saveDirs.push_back(initialDir);
        saveNames.push_back(fileName);
        return Next(saveAnswers);
    }

    std::optional<std::string> ChooseRecipeToSave(const std::string&,
                                                  const std::string& fileName) override {
        recipeNames.push_back(fileName);
        return Next(recipeAnswers);
    }
    std::optional<std::string> ChooseRecipeToApply(const std::string&) override {
        return Next(recipeAnswers);
    }
    std::optional<ExportChoice> ChooseExportFile(const std::string&,
                                                 const std::string& baseName) override {
        exportNames.push_back(baseName);
        if (exportAnswers.empty()) return std::nullopt;
        ExportChoice answer = exportAnswers.front();
        exportAnswers.pop_front();
        return answer;
    }
    std::optional<std::pair<int, int>> AskChargeAndMultiplicity(int charge,
                                                                int multiplicity) override {
        chargeQuestions.push_back({charge, multiplicity});
        return chargeAnswer;
    }
    bool ConfirmReplace(const std::string& path) override {
        replaceQuestions.push_back(path);
        return replaceAnswer;
    }
    CloseAnswer AskToSaveChanges(Leaving leaving) override {
        ++(leaving == Leaving::Close ? closeQuestions : openQuestions);
        return closeAnswer;
    }

    std::deque<std::string> openAnswers, saveAnswers, recipeAnswers;
    std::vector<std::string> openDirs, saveDirs, saveNames, recipeNames;
    CloseAnswer closeAnswer = CloseAnswer::Cancel;
    int closeQuestions = 0;
    int openQuestions = 0;
    std::deque<ExportChoice> exportAnswers;
    std::vector<std::string> exportNames, replaceQuestions;
    std::vector<std::pair<int, int>> chargeQuestions;
    std::optional<std::pair<int, int>> chargeAnswer;  // nothing: the user cancels
    bool replaceAnswer = true;

  private:
    static std::optional<std::string> Next(std::deque<std::string>& answers) {
        if (answers.empty()) return std::nullopt;
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Records what the error box would show; restores the real box, the
// separator and the current directory afterwards.
class ErrorRecorder {
  public:
    ErrorRecorder() {
        SetErrorBox([this](const std::string& text, const std::string& detail) {
            shown.push_back(text);
            details.push_back(detail);
        });
    }
    ~ErrorRecorder() {
        SetErrorBox({});
        SetDecimalSeparator('.');
        if (!cwd_.empty()) (void)::chdir(cwd_.c_str());
    }
    std::vector<std::string> shown;
    std::vector<std::string> details;  // one for each shown text, "" for none

  private:
    std::string cwd_ = CurrentDirectory();
};

class FormTest : public ::testing::Test {
  protected:
    FormTest() { state.Paths.StartDir = start.path(); }

    MainWindow& Form() {
        if (!form_) {
            auto dialogs = std::make_unique<FakeDialogs>();
            dialogs_ = dialogs.get();
            form_ = std::make_unique<MainWindow>(state, std::move(dialogs));
        }
        return *form_;
    }
    FakeDialogs& Dialogs() {
        Form();
        return *dialogs_;
    }
    // Starts over as after a restart in the same start-up directory.
    void Restart() {
        form_.reset();
        state = ProgramState();
        state.Paths.StartDir = start.path();
    }

    // File > Open as the user picks it, answering the dialog with path.
    void OpenFromMenu(const std::string& path) {
        Dialogs().openAnswers.push_back(path);
        Ui(Form()).openAction->trigger();
    }
    // What the desktop sends: the drag comes in, then the drop.
    void Drop(QMimeData& data) {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&Form(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Form(), &drop);
    }
    std::string WriteFile(const std::string& name, const std::string& bytes) {
        return files.Write(name, bytes);
    }
    // Shows the window and makes it the active one: focus moves, and boxes
    // apply their limits on leaving, only in the active window. False when
    // the platform would not activate it.
    bool ShowActive() {
        Form().show();
        Form().activateWindow();
        return QTest::qWaitForWindowActive(&Form());
    }
    // Replaces the whole text of a box by typing, as the user does.
    template <typename Box>
    void TypeOver(Box* box, const std::string& text) {
        box->setFocus();
        box->selectAll();
        // Typing over the selection replaces it in one change.
        if (text.empty()) QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, QString::fromStdString(text));
    }

    ErrorRecorder errors;
    TempDir start;
    TempDir files;
    ProgramState state;

  private:
    FakeDialogs* dialogs_ = nullptr;
    std::unique_ptr<MainWindow> form_;
};

// The three-line molecule that the open tests start from.
inline constexpr char kThreeAtoms[] = "C1 0.1 0.2 0.3\nO1 1.5 -2 0.3\nH1 0 0 0\n";

}  // namespace pivora::test
