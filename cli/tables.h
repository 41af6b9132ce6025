#pragma once
// The stone, colour and model tables as the command-line tool prints them.

#include <cstdio>

namespace tavrine::cli {

// Prints the stone list: index, name, refractive index, dispersion spread, default model and
// colour, and a line on what choosing a stone sets.
void printStoneTable(std::FILE* out);

// Prints the colour list: index and name.
void printColourTable(std::FILE* out);

// Prints the model list: index, caption, vertex and facet counts of every buildable entry,
// the transformable models with their default parameters, then what the markers of the
// captions mean and why index 22 is missing.
void printModelTable(std::FILE* out);

// Returns how many terminal columns a UTF-8 text takes: two for each East Asian wide or
// full-width character, one for every other character.
int displayWidth(const char* text);

}  // namespace tavrine::cli
