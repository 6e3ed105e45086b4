#include "ui/FileDialogs.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QMessageBox>
#include <QSpinBox>
#include <QUrl>

namespace pivora {
namespace {

QString Decode(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// Where a dialog starts: the folder, or, when its name does not survive the
// way to text and back, its nearest parent folder that does.
QString StartFolder(const std::string& dir) {
    std::string folder = dir;
    while (!folder.empty() && QFile::encodeName(Decode(folder)).toStdString() != folder) {
        const std::size_t slash = folder.rfind('/');
        folder = slash == std::string::npos ? std::string() : folder.substr(0, slash ? slash : 1);
    }
    return Decode(folder);
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The one entry of dir that Qt shows as shown; nothing when none or several.
std::optional<std::string> EntryShownAs(const std::string& dir, const QString& shown) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return std::nullopt;
    std::optional<std::string> found;
    int matches = 0;
    while (const dirent* entry = ::readdir(d)) {
        if (QFile::decodeName(entry->d_name) == shown) {
            found = entry->d_name;
            ++matches;
        }
    }
    ::closedir(d);
    return matches == 1 ? found : std::nullopt;
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
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
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

    std::optional<ExportChoice> ChooseExportFile(const std::string& initialDir,
                                                 const std::string& baseName) override {
        QFileDialog dialog(parent_, QStringLiteral("Export"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The window asks before a file is replaced, whichever dialog chose it.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        const io::ExportFormat formats[] = {io::ExportFormat::Xyz, io::ExportFormat::GaussianInput,
                                            io::ExportFormat::OrcaInput};
        QStringList filters;
        for (const io::ExportFormat format : formats) {
            const std::string_view name = io::ExportFormatName(format);
            filters << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        }
        dialog.setNameFilters(filters);
        const std::string offered = baseName + ".xyz";
        if (!initialDir.empty()) dialog.setDirectory(StartFolder(initialDir));
        dialog.selectFile(Decode(offered));
        // The offered name follows the chosen format.
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
                const auto index = filters.indexOf(filter);
                if (index < 0) return;
                const std::string_view ext = io::ExportExtension(formats[index]);
                dialog.selectFile(
                    Decode(baseName) + '.' +
                    QString::fromLatin1(ext.data(), static_cast<qsizetype>(ext.size())));
            });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        const auto index = std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter()));
        ExportChoice choice{ChosenPath(dialog.selectedFiles().front()), formats[index]};
        if (QFileInfo(dialog.selectedFiles().front()).suffix().isEmpty()) {
            choice.path += '.';
            choice.path += io::ExportExtension(choice.format);
        }
        return choice;
    }

    std::optional<std::pair<int, int>> AskChargeAndMultiplicity(int charge,
                                                                int multiplicity) override {
        QDialog dialog(parent_);
        dialog.setWindowTitle(QStringLiteral("Charge and Multiplicity"));
        auto* layout = new QFormLayout(&dialog);
        auto* chargeBox = new QSpinBox(&dialog);
        chargeBox->setRange(-50, 50);
        chargeBox->setValue(charge);
        auto* multiplicityBox = new QSpinBox(&dialog);
        multiplicityBox->setRange(1, 20);
        multiplicityBox->setValue(multiplicity);
        layout->addRow(QStringLiteral("Total charge:"), chargeBox);
        layout->addRow(QStringLiteral("Spin multiplicity:"), multiplicityBox);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        layout->addRow(buttons);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return std::pair{chargeBox->value(), multiplicityBox->value()};
    }

    bool ConfirmReplace(const std::string& path) override {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Pivora"),
                        QFileInfo(Decode(path)).fileName() + QStringLiteral(" already exists."),
                        QMessageBox::Yes | QMessageBox::No, parent_);
        box.setTextFormat(Qt::PlainText);
        box.setInformativeText(QStringLiteral("Replace it? Its content will be lost."));
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }

    CloseAnswer AskToSaveChanges(Leaving leaving) override {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Pivora"),
                        QStringLiteral("The molecule has changes that are not saved."),
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent_);
        box.setInformativeText(leaving == Leaving::Close
                                   ? QStringLiteral("Save them before closing?")
                                   : QStringLiteral("Save them before another file is opened? "
                                                    "Opening it also clears the undo history."));
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
        if (!initialDir.empty()) dialog.setDirectory(StartFolder(initialDir));
        // After the directory: a name with a directory of its own moves the
        // dialog there, as the offered output name next to its input does.
        if (fileName) dialog.selectFile(Decode(*fileName));
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty()) return std::nullopt;
        return ChosenPath(files.front());
    }

    QWidget* parent_;
};

}  // namespace

std::unique_ptr<FileDialogs> MakeQtFileDialogs(QWidget* parent) {
    return std::make_unique<QtFileDialogs>(parent);
}

std::string ChosenPath(const QString& chosen) {
    const std::string encoded = QFile::encodeName(chosen).toStdString();
    if (Exists(encoded)) return encoded;
    std::string path;  // the bytes of the parts so far
    const QStringList parts = chosen.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const std::string folder = i == 0 ? "." : path.empty() ? "/" : path;
        const std::string prefix = i == 0 ? std::string() : path + '/';
        std::string part = QFile::encodeName(parts[i]).toStdString();
        if (!part.empty() && !Exists(prefix + part)) {
            if (std::optional<std::string> entry = EntryShownAs(folder, parts[i])) part = *entry;
        }
        path = prefix + part;
    }
    return path;
}

std::string LocalFilePath(const QUrl& url) {
    const QString host = url.host();
    if (!host.isEmpty() && host != QLatin1String("localhost"))
        return QFile::encodeName(url.toLocalFile()).toStdString();
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

}  // namespace pivora
