#pragma once
// The layout of a catalogue's folder: OUT/designs/NAME/ per design, the files in it, and the
// done mark that says the folder is complete for one design file and one set of options.

#include <string>

namespace tavrine::catalogue {

// The folder of the design folders inside the catalogue's folder.
inline constexpr const char* kDesignsFolder = "designs";

// The files of a design's folder.
inline constexpr const char* kStillFile = "still.png";
inline constexpr const char* kTurntableFile = "turntable.gif";
inline constexpr const char* kTiltCsvFile = "tilt.csv";
inline constexpr const char* kTiltPlotFile = "tilt.svg";
inline constexpr const char* kFiguresFile = "figures.json";
inline constexpr const char* kDoneFile = "done";

// The catalogue's own files in its folder.
inline constexpr const char* kCatalogueCsvFile = "catalogue.csv";
inline constexpr const char* kIndexHtmlFile = "index.html";

// Returns OUT/designs/NAME for the catalogue folder out and the design file named name.
inline std::string designFolderOf(const std::string& out, const std::string& name) {
    return out + "/" + kDesignsFolder + "/" + name;
}

// Returns the text of the done mark for the digests of a design file's bytes and of the options
// text (outputOptionsText); a folder whose mark holds exactly this text is complete.
inline std::string doneMarkText(const std::string& designDigest, const std::string& optionsDigest) {
    return "design sha256:" + designDigest + "\noptions sha256:" + optionsDigest + "\n";
}

}  // namespace tavrine::catalogue
