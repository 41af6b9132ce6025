#pragma once
// "Open Design... (&O)" of the File menu: a GemCad design file becomes the last row of the cut
// list, its refractive index is proposed in the field and the engine rebuilds the model.

#include <QObject>
#include <QString>
#include <string>

#include "app/output/position_info.h"
#include "app/session/session.h"

namespace tavrine::ui {

class MainWindow;

// The caption of the design file dialog and the title of its refusal message.
inline constexpr const char* kOpenDesignCaption = "Open Design";
// What the file dialog lists.
inline constexpr const char* kDesignFileFilter = "GemCad Design (*.asc *.ASC);;All Files (*)";

// Opens design files for the main window. The folder the dialog opens in is kept for the run
// only (it starts at the working folder), so the settings file stays as it is.
class DesignOpener : public QObject {
    Q_OBJECT
  public:
    // window and session (whose settings the window shows) must outlive the opener. Shows the
    // session's open design (one named on the command line) as the cut list's last row.
    DesignOpener(MainWindow& window, Session& session);

    // The menu item: asks first while a rendering runs (No keeps everything), then lets the
    // user choose a file and opens it.
    void openFromMenu();
    // Opens the design file at path: on success it is the cut list's last row and current, its
    // refractive index is in the field, the view and light are reset as for the brilliant and
    // the engine rebuilds the model. A refused file shows the reader's message and changes
    // nothing. Call only while no rendering runs. Returns whether the design was opened.
    bool openFile(const QString& path);
    // Opens the design a Position-Info record names before the record's settings are taken (as
    // Restore Position does); the cut list gains its row. A design that cannot be read shows
    // the reader's message and changes nothing; returns false then.
    bool openRecordedDesign(const PositionInfo& record);

    // Makes the cut list's design row match the session: present with the design's title when
    // a design is open, and current when it is the chosen model.
    void showDesignRow();

    // The folder the next file dialog opens in ("" for the working folder).
    const QString& folder() const { return folder_; }

  private:
    void refuse(const std::string& message);

    MainWindow& window_;
    Session& session_;
    QString folder_;
};

}  // namespace tavrine::ui
