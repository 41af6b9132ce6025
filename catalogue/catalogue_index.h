#pragma once
// `tavrine-catalogue index`: the design folders of a catalogue gathered into catalogue.csv and
// index.html.

#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/design_figures.h"

namespace tavrine::catalogue {

// One complete design folder: its name (the design's file name) and its figures, and which
// pictures it holds.
struct IndexEntry {
    std::string folder;
    DesignFigures figures;
    bool still = false;
    bool turntable = false;
    bool tiltPlot = false;
};

// Returns catalogue.csv for entries: the header line
// design,file,status,facets,ri,brightness_iso,brightness_cos,tilt_avg,dark,reason, then one row
// per entry in their order (design is the title); figures not computed are empty cells, and a
// cell holding a comma, a quote or a line break is quoted, its quotes doubled.
std::string catalogueCsv(const std::vector<IndexEntry>& entries);

// Returns index.html for entries: a page that loads nothing from the network, one card per done
// design (its still, its turntable, its tilt plot when there is one, its figures), the refused
// designs with their reasons, and a few lines of script that sort the cards by any figure.
// Every text from a design file is escaped, every folder name percent-encoded in the links.
std::string indexHtml(const std::vector<IndexEntry>& entries);

// Gathers OUT/designs/*/ (those with a done mark and readable figures.json, in the order of their
// names) into OUT/catalogue.csv and OUT/index.html, each written beside its target and renamed;
// names the folders left out on err. Returns 0, or 1 when OUT/designs cannot be read or a file
// cannot be written, with a message on err; "wrote PATH" lines go to out.
int runIndexCommand(const std::string& out, std::FILE* outStream, std::FILE* err);

}  // namespace tavrine::catalogue
