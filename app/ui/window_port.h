#pragma once
// The main window as its helpers (the design opener, the picture outputs) see it, so that they
// need not know the window class.

#include <QMessageBox>
#include <cstdint>

#include "app/engine/abort_confirmation.h"

class QAction;
class QMenu;
class QWidget;

namespace tavrine {
class DialogHost;
}  // namespace tavrine

namespace tavrine::ui {

class DesignOpener;
class RenderWindow;

// What the main window offers its helpers. Every call is made on the GUI thread.
class WindowPort {
  public:
    virtual ~WindowPort() = default;

    // Returns the window itself: the parent of the helpers' dialogs and message boxes.
    virtual QWidget* widget() = 0;
    // Returns the control with the given id, the menu action with the given command id
    // (nullptr when unknown) and the render window (nullptr in the fixed-size mode).
    virtual QWidget* control(int32_t id) const = 0;
    virtual QAction* action(int32_t commandId) const = 0;
    virtual RenderWindow* renderWindow() const = 0;
    // Returns whether a rendering runs (from the Render request to its end notification).
    virtual bool renderBusy() const = 0;
    // Hands a restored position to the engine as the window protocol does.
    virtual void postRestoredPosition() = 0;
    // Asks the given abort question (Yes/No, No by default); on Yes posts Abort. Returns the
    // answer.
    virtual QMessageBox::StandardButton confirmAbort(const char* question) = 0;
    // Reads the field into the refractive index; refuses a value outside 1.00..3.00 with a
    // message and gives the field the focus. Returns whether the value was taken.
    virtual bool checkRefractiveIndex() = 0;
    // Selects the stored stone, model and colour and writes the refractive index into the field.
    virtual void showSelection() = 0;
    // Makes model modelIndex current as a choice from the cut list would (no busy check).
    virtual void makeModelCurrent(int32_t modelIndex) = 0;
    // Returns the settings dialogs' view of the window.
    virtual DialogHost& dialogHost() const = 0;
    // Returns what opens designs (nullptr when none was set).
    virtual DesignOpener* designOpener() const = 0;
    // Returns the submenu "Recent Designs (&R)" of the File menu.
    virtual QMenu* recentDesignsMenu() const = 0;
};

}  // namespace tavrine::ui
