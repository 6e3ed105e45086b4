// Pivora: start-up, the event loop and shut-down.

#include <QApplication>
#include <clocale>

#include "model/AtomTable.h"
#include "model/FileIo.h"
#include "ui/Startup.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"

namespace {

// The molecule and the remembered paths of the run.
pivora::ProgramState State;

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Qt adopts the user's C locale; the C library must keep reading and
    // writing numbers with ".".
    std::setlocale(LC_NUMERIC, "C");

    pivora::InstallArithmeticSetting();
    pivora::ApplyRegionalSettings();
    State.Paths.StartDir = pivora::CurrentDirectory();
    // The name the desktop groups the program's windows under. Not the
    // display name: Qt would append that to every window's caption.
    QApplication::setApplicationName(pivora::kApplicationTitle);

    pivora::TForm1 form1(State);
    pivora::TForm2 form2;
    form1.SetHelpWindow(&form2);
    form1.ShowCentred();

    // The loop ends when the main window closes; the help window never holds
    // it open.
    QApplication::exec();
    return 0;
}
