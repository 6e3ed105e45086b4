// Pivora: start-up, the event loop and shut-down.

#include <QApplication>
#include <QTimer>
#include <optional>
#include <string>

#include "base/LargeMemory.h"
#include "files/FileIo.h"
#include "model/AtomTable.h"
#include "ui/EventGuard.h"
#include "ui/HelpWindow.h"
#include "ui/Language.h"
#include "ui/MainWindow.h"
#include "ui/Startup.h"

namespace {

// The molecule and the remembered paths of the run.
pivora::ProgramState State;

}  // namespace

int main(int argc, char* argv[]) {
    pivora::ReturnLargeBlocksToTheSystem();
    QApplication application(argc, argv);
    pivora::StartUp();
    // Before the windows, which show the language's texts from the start.
    pivora::SetLanguage(pivora::StoredLanguage());
    State.Paths.StartDir = pivora::CurrentDirectory();

    pivora::MainWindow form1(State);
    pivora::HelpWindow form2;
    form1.SetHelpWindow(&form2);
    form1.ShowCentered();
    form1.RestoreView3D();

    // A file named on the command line (the desktop's "Open with") opens as
    // File > Open would open it, once the window is up.
    // QApplication took its own options out of argv.
    if (const std::optional<std::string> path = pivora::CommandLineFile(argc, argv)) {
        QTimer::singleShot(
            0, &form1, [&form1, path = *path] { pivora::Guarded([&] { form1.OpenFile(path); }); });
    }

    // The loop ends when the main window closes; the help window never holds
    // it open.
    QApplication::exec();
    return 0;
}
