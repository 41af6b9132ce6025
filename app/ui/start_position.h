#pragma once
// The Position-Info File or design file named on the viewer's command line.

#include <optional>
#include <string>

#include "app/output/position_info.h"
#include "app/session/session.h"

namespace tavrine::ui {

// What reading the command line's Position-Info File gave.
struct StartPosition {
    std::optional<PositionInfo> info;  // the record, when it was read and taken
    std::string refusal;               // why the file was refused ("" when it was not)
};

// Reads the Position-Info File at path and, when it is sound, starts the session at it
// (startAtPosition: every setting of the record), keeping the record for the view, stone pose
// and light that the start-up restores. A file that cannot be read or holds a
// value out of range changes nothing and gives the refusal the headless renderer prints. A
// record of a design reopens the design it names first; a design that cannot be read refuses
// the file with the reader's message.
StartPosition takeStartPosition(const std::string& path, Session& session);

// Opens the design file at path as the current model (its refractive index proposed); info stays
// empty, so the view is reset as at any start-up. A refused design changes nothing and gives the
// reader's message (file, line, problem) as the refusal.
StartPosition takeStartDesign(const std::string& path, Session& session);

// Returns whether path names a design file (it ends in ".asc" or ".gem", in any case).
bool isDesignFileName(const std::string& path);

// Returns whether path names a Position-Info File (it ends in ".gpi", in any case).
bool isPositionFileName(const std::string& path);

}  // namespace tavrine::ui
