#pragma once
// The Qt application that drawing a chart needs, made on Qt's offscreen platform for a program
// that has none, so that plots are drawn without a display; and writing a drawn file.

#include <QByteArray>
#include <string>

namespace tavrine::plot {

// Makes sure a Qt Widgets application exists: returns true when one does, or when none did and
// one was made on the offscreen platform (it then lives until the process ends). Returns false
// with the reason in *error when another kind of Qt application runs (one without widgets),
// which cannot draw charts. Call on the main thread the first time.
bool ensurePlotApplication(std::string* error);

// Replaces the file at path by bytes, whole or not at all (see util::AtomicFile); returns false
// with "cannot write PATH: REASON" in *error when it cannot.
bool writePlotFile(const std::string& path, const QByteArray& bytes, std::string* error);

}  // namespace tavrine::plot
