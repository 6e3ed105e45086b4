#pragma once
// The window's dialogs, behind an interface so that tests can answer them.
// Paths are POSIX byte strings.

#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace pivora {

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;

    // The open dialog: starts in initialDir (the current directory when it is
    // empty), has no filter and no default extension, and accepts the name of
    // a file that does not exist. The chosen full path, or nothing when the
    // user cancels.
    virtual std::optional<std::string> ChooseInputFile(const std::string& initialDir) = 0;

    // The save dialog: starts in initialDir with fileName offered, has no
    // filter and no default extension, and replaces an existing file without
    // asking. The chosen full path, or nothing when the user cancels.
    virtual std::optional<std::string> ChooseOutputFile(const std::string& initialDir,
                                                        const std::string& fileName) = 0;

    // Where to write a recipe (the dialog asks before it replaces a file), or
    // which recipe to run; nothing when the user cancels.
    virtual std::optional<std::string> ChooseRecipeToSave(const std::string& initialDir,
                                                          const std::string& fileName) = 0;
    virtual std::optional<std::string> ChooseRecipeToApply(const std::string& initialDir) = 0;

    // The window closes while the molecule has changes that were not saved.
    enum class CloseAnswer { Save, Discard, Cancel };
    virtual CloseAnswer AskToSaveChanges() = 0;
};

// The dialogs as QFileDialog shows them, modal to parent.
std::unique_ptr<FileDialogs> MakeQtFileDialogs(QWidget* parent);

}  // namespace pivora
