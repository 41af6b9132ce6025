#pragma once
// The stone and model tables as the command-line tool prints them.

#include <cstdio>

namespace tavrine::cli {

// Prints the stone list: index, name, refractive index, dispersion spread, default model and
// colour.
void printStoneTable(std::FILE* out);

// Prints the model list: index, caption, vertex and facet counts of every buildable entry,
// the transformable models with their default parameters.
void printModelTable(std::FILE* out);

}  // namespace tavrine::cli
