#pragma once
// Files dropped onto the main window from a file manager: which of them the window takes.

#include <QString>

class QMimeData;

namespace tavrine::ui {

// What a dropped file is opened as.
enum class DroppedKind {
    None,      // refused: not one local design or Position-Info File
    Design,    // a GemCad design (.asc or .gem), opened as "Open Design..." opens one
    Position,  // a Position-Info File (.gpi), restored as "Restore Position" restores one
};

// The file a drop carries and what it is opened as.
struct DroppedFile {
    DroppedKind kind = DroppedKind::None;
    QString path;  // the local file (empty for None)
};

// Returns the file data carries as a text/uri-list of exactly one local file whose name ends in
// ".asc", ".gem" or ".gpi" (in any case); anything else (several files, a remote address, text,
// another name, null data) is None.
DroppedFile droppedFile(const QMimeData* data);

}  // namespace tavrine::ui
