#include "ui/FileDialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

namespace pivora {
namespace {

QString Decode(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

class QtFileDialogs : public FileDialogs {
  public:
    explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}

    std::optional<std::string> ChooseInputFile(const std::string& initialDir) override {
        QFileDialog dialog(parent_);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // AnyFile rather than ExistingFile: a typed name of a missing file is
        // accepted, and the read then reports it.
        dialog.setFileMode(QFileDialog::AnyFile);
        return Run(dialog, initialDir, nullptr);
    }

    std::optional<std::string> ChooseOutputFile(const std::string& initialDir,
                                                const std::string& fileName) override {
        QFileDialog dialog(parent_);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        return Run(dialog, initialDir, &fileName);
    }

    std::optional<std::string> ChooseRecipeToSave(const std::string& initialDir,
                                                  const std::string& fileName) override {
        QFileDialog dialog(parent_, QStringLiteral("Save Recipe"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters(
            {QStringLiteral("Pivora recipes (*.recipe)"), QStringLiteral("All files (*)")});
        return Run(dialog, initialDir, &fileName);
    }

    std::optional<std::string> ChooseRecipeToApply(const std::string& initialDir) override {
        QFileDialog dialog(parent_, QStringLiteral("Apply Recipe"));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(
            {QStringLiteral("Pivora recipes (*.recipe)"), QStringLiteral("All files (*)")});
        return Run(dialog, initialDir, nullptr);
    }

    CloseAnswer AskToSaveChanges() override {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Pivora"),
                        QStringLiteral("The molecule has changes that are not saved."),
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent_);
        box.setInformativeText(QStringLiteral("Save them before closing?"));
        box.setDefaultButton(QMessageBox::Save);
        switch (box.exec()) {
            case QMessageBox::Save:
                return CloseAnswer::Save;
            case QMessageBox::Discard:
                return CloseAnswer::Discard;
            default:
                return CloseAnswer::Cancel;
        }
    }

  private:
    static std::optional<std::string> Run(QFileDialog& dialog, const std::string& initialDir,
                                          const std::string* fileName) {
        if (!initialDir.empty()) dialog.setDirectory(Decode(initialDir));
        // After the directory: a name with a directory of its own moves the
        // dialog there, as the offered output name next to its input does.
        if (fileName) dialog.selectFile(Decode(*fileName));
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty()) return std::nullopt;
        return QFile::encodeName(files.front()).toStdString();
    }

    QWidget* parent_;
};

}  // namespace

std::unique_ptr<FileDialogs> MakeQtFileDialogs(QWidget* parent) {
    return std::make_unique<QtFileDialogs>(parent);
}

}  // namespace pivora
