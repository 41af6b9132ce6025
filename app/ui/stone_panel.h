#pragma once
// The stone setting panel: the captions of the three lists, where the lists and the
// refractive-index field stand, the painting of the panel's texts and frames, and the
// refractive-index field's text rules.

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace tavrine::ui {

// Row of the cut list that separates the fixed models from the transformable ones; it is never
// taken as a model.
inline constexpr int kSeparatorRow = 22;
// Number of rows of the cut list.
inline constexpr int kModelListRows = 28;

// Returns the captions of the stone, cut and colour lists, in list order.
QStringList stoneListCaptions(bool japanese);
QStringList modelListCaptions(bool japanese);
QStringList colourListCaptions(bool japanese);

// Where the lists, the field and its up-down control stand in the client area.
struct PanelLayout {
    QRect stoneList;
    QRect modelList;
    QRect colourList;
    QRect indexField;
    QRect indexUpDown;
};

// Returns the places of the panel's controls for the "Use Larger Font" and "Japanese" settings.
PanelLayout panelLayout(bool largerFont, bool japanese);

// Returns the font the panel writes with: Verdana (or its nearest match) 2 x size pixels high.
QFont panelFont(int size);
// Returns the Japanese-capable control font of the given pixel height.
QFont gothicFont(int pixelHeight);

// Paints the panel into surface (the main window's client-sized surface): black ground, title,
// keyboard help for the button placement, the refractive-index table, the frames of the three
// boxes and the rounded stone box with its labels.
void paintPanel(QImage& surface, bool largerFont, bool japanese, bool buttonPlacement);

// Returns the field text of a refractive index: the value rounded to hundredths as "%d.%02d".
QString formatRefractiveIndex(double value);

// Returns the field text after one up (+1) or down (-1) step of the up-down control: the whole
// part from the first character, the hundredths from the third character on (times 10 when the
// text is exactly 3 characters), plus the step, kept within 1.00..3.00.
QString stepRefractiveIndex(const QString& text, int step);

// Reads the field text as a number: a decimal number between optional blanks; 0 for any other
// text (" 2.42x" included), which the range check then refuses.
double readRefractiveIndex(const QString& text);

// Returns whether a refractive index is within 1.00..3.00.
bool refractiveIndexInRange(double value);

// The message of a refractive index outside its range.
inline constexpr const char* kRefractiveIndexMessage =
    "Refractive index must be set within the range of 1.00 to 3.00.";

}  // namespace tavrine::ui
