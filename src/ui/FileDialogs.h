#pragma once
// The window's dialogs, behind an interface so that tests can answer them.
// Paths are POSIX byte strings.

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "io/MoleculeWriter.h"

class QString;
class QUrl;
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
    // filter and no default extension, and leaves the question whether to
    // replace an existing file to ConfirmReplace. The chosen full path, or
    // nothing when the user cancels.
    virtual std::optional<std::string> ChooseOutputFile(const std::string& initialDir,
                                                        const std::string& fileName) = 0;

    // Where to write a recipe, or which recipe to run; nothing when the user
    // cancels.
    virtual std::optional<std::string> ChooseRecipeToSave(const std::string& initialDir,
                                                          const std::string& fileName) = 0;
    virtual std::optional<std::string> ChooseRecipeToApply(const std::string& initialDir) = 0;

    // The export dialog: starts in initialDir with baseName and the chosen
    // format's extension offered, with a
    // choice of the formats; the chosen path (with the format's extension
    // when it had none) and format, or nothing when the user cancels.
    struct ExportChoice {
        std::string path;
        io::ExportFormat format;
    };
    virtual std::optional<ExportChoice> ChooseExportFile(const std::string& initialDir,
                                                         const std::string& baseName) = 0;

    // Total charge and spin multiplicity for a Gaussian or ORCA input, the
    // boxes filled with the given values; nothing when the user cancels.
    virtual std::optional<std::pair<int, int>> AskChargeAndMultiplicity(int charge,
                                                                        int multiplicity) = 0;

    // Whether an existing file may be replaced.
    virtual bool ConfirmReplace(const std::string& path) = 0;

    // The molecule has changes that were not saved, and the window is to
    // close, or another file is to take the molecule's place.
    enum class CloseAnswer { Save, Discard, Cancel };
    enum class Leaving { Close, Open };
    virtual CloseAnswer AskToSaveChanges(Leaving leaving = Leaving::Close) = 0;
};

// The dialogs as QFileDialog shows them, modal to parent.
std::unique_ptr<FileDialogs> MakeQtFileDialogs(QWidget* parent);

// Paths stay bytes from the file system to the file's reading. Qt holds
// names as text, and a name that is not valid in the locale's encoding (a
// Latin-1 "é" under UTF-8) becomes text with a stand-in character, which
// names no file.

// The bytes of a path a dialog chose: each part that names nothing as Qt
// encodes it is looked up among its folder's entries by the text Qt showed
// for it, and taken when exactly one entry shows so. A part that names
// nothing yet (a new file to save) stays as Qt encodes it.
std::string ChosenPath(const QString& chosen);

// The bytes of a local file's URL (a drop): its percent-encoded bytes as
// they are, not their decoding as text.
std::string LocalFilePath(const QUrl& url);

}  // namespace pivora
