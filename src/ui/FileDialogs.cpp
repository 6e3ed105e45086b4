#include "ui/FileDialogs.h"

#include <QFile>
#include <QFileDialog>

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
