#pragma once
// "Open Design... (&O)" and "Recent Designs (&R)" of the File menu and a design dropped onto the
// main window: a GemCad design file becomes the last row of the cut list, its refractive index is
// proposed in the field and the engine rebuilds the model.

#include <QObject>
#include <QString>
#include <string>
#include <vector>

#include "app/output/position_info.h"
#include "app/session/session.h"

namespace tavrine::ui {

class WindowPort;

// The caption of the design file dialog and the title of its refusal message.
inline constexpr const char* kOpenDesignCaption = "Open Design";
// What the file dialog lists.
inline constexpr const char* kDesignFileFilter =
    "GemCad Design (*.asc *.ASC *.gem *.GEM);;All Files (*)";

// Opens design files for the main window. The folder the dialog opens in is kept for the run
// only (it starts at the working folder), so the settings file stays as it is; the designs
// opened last are kept in their own file (see recent_designs.h).
class DesignOpener : public QObject {
    Q_OBJECT
  public:
    // window and session (whose settings the window shows) must outlive the opener. Shows the
    // session's open design (one named on the command line) as the cut list's last row and
    // puts it first in the list of recent designs kept at recentFile ("" keeps no list), which
    // is read now and again whenever a design is added to it or removed.
    DesignOpener(WindowPort& window, Session& session, std::string recentFile = {});

    // The menu item: asks first while a rendering runs (No keeps everything), then lets the
    // user choose a file and opens it.
    void openFromMenu();
    // A design dropped onto the window or chosen from "Recent Designs (&R)": asks first while a
    // rendering runs (No keeps everything), then opens the file at path. A recent design that
    // is gone is removed from the list with a message naming it.
    void openDropped(const QString& path);
    void openRecent(const QString& path);
    // Opens the design file at path: on success it is the cut list's last row and current, its
    // refractive index is in the field, the view and light are reset as for the brilliant, the
    // engine rebuilds the model and the file heads the recent designs. A refused file shows the
    // reader's message and changes nothing. Call only while no rendering runs. Returns whether
    // the design was opened.
    bool openFile(const QString& path);
    // Shows the design of a record the session has just applied (as Restore Position does): the
    // cut list gains its row and, for a record of a design, it heads the recent designs.
    void showRecordedDesign(const PositionInfo& record);
    // Shows the reader's message for a design that cannot be opened.
    void refuse(const std::string& message);

    // Makes the cut list's design row match the session: present with the design's title when
    // a design is open, and current when it is the chosen model.
    void showDesignRow();
    // Fills the window's "Recent Designs (&R)" with the recent designs, most recent first; the
    // submenu is disabled when there are none.
    void showRecentDesigns();

    // The folder the next file dialog opens in ("" for the working folder).
    const QString& folder() const { return folder_; }
    // The recent designs as last shown, most recent first.
    const std::vector<std::string>& recentDesigns() const { return recent_; }

  private:
    bool mayOpen();
    void noteRecent();

    WindowPort& window_;
    Session& session_;
    std::string recentFile_;
    std::vector<std::string> recent_;
    QString folder_;
};

}  // namespace tavrine::ui
