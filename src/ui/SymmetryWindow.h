#pragma once
// Tools > Symmetry: the point group of the molecule in the main window at a
// tolerance, its axes and planes with the atoms on them, and the commands
// that use them. A window of its own beside the main window, not modal. It
// follows every command of the main window, undo and redo included (the
// main window refreshes it after each); its own commands run through the
// main window, one undo step each, recorded for the recipe.

#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "view/Redraw.h"

class QLabel;
class QRect;
class QTreeWidget;

namespace pivora {

class Button;
class TextBox;
class MainWindow;

class SymmetryWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SymmetryWindow(MainWindow& form);

    // Shows the window beside mainFrame (the main window's outer rectangle):
    // to its right where the screen has room, else to its left, else over
    // its right edge; and brings it to the front.
    void ShowBeside(const QRect& mainFrame);
    // Brings the group, the elements and the buttons up to the molecule and
    // the tolerance as they are now. Nothing while the window is hidden;
    // nothing either when neither changed since the last time.
    void Refresh();

    QLabel* GroupLabel;  // "Point group: D6h"
    TextBox* Tolerance;  // angstrom, 0.01 at start
    // Why there is no group: a tolerance that is no number or out of range,
    // no molecule, a molecule the search refuses. Hidden otherwise.
    QLabel* Note;
    // One row an element: its symbol, its direction (an axis) or normal (a
    // plane), the atoms on it.
    QTreeWidget* Elements;
    Button* SetVector1;  // the chosen row's direction becomes the vector
    Button* SetVector2;
    Button* Symmetrize;
    Button* StandardFrame;
    QLabel* Status;  // what the last command of this window did

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // A row's direction and the name its vector gets ("C6 axis").
    struct Choice {
        std::array<double, 3> direction;
        std::string name;
    };
    void Update();
    void ShowNote(const QString& text);
    void EnableButtons();
    void SetAsVector(VectorId vector);
    void SymmetrizeClick();
    void StandardFrameClick();
    // The atoms of an element as plain text, and all of them for its tool tip.
    QString AtomList(const std::vector<int>& atoms, bool whole) const;
    void SetStatus(const QString& text);

    MainWindow& form_;
    std::vector<Choice> choices_;  // by the index each row holds
    std::string symbol_;           // the group shown, "" for none
    // What the elements were found for: the coordinates and the tolerance's
    // text and separator.
    bool known_ = false;
    std::uint64_t version_ = 0;
    std::string toleranceText_;
    char separator_ = 0;
    // The coordinates the status speaks of; it goes back to its hint when
    // they change otherwise.
    std::uint64_t statusVersion_ = 0;
};

}  // namespace pivora
