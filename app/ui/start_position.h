#pragma once
// The Position-Info File named on the viewer's command line.

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

// Reads the Position-Info File at path and, when it is sound, takes its settings into the
// session (stone, model, colour, refractive index, switches, sizes), keeping the record for the
// view, stone pose and light that the start-up restores. A file that cannot be read or holds a
// value out of range changes nothing and gives the refusal the headless renderer prints.
StartPosition takeStartPosition(const std::string& path, Session& session);

}  // namespace tavrine::ui
