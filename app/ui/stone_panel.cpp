#include "app/ui/stone_panel.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>

#include "app/model/model_record.h"
#include "app/settings/stone_table.h"
#include "app/ui/control_table.h"

namespace tavrine::ui {

namespace {

constexpr int R = kStoneBoxRight;

const QColor kOutline(0xFF, 0x00, 0x00);        // COLORREF 0x0000FF
const QColor kTextColour(0xFF, 0xC8, 0x00);     // COLORREF 0x00C8FF
const QColor kHeadingColour(0xF0, 0xF0, 0x00);  // COLORREF 0x00F0F0
const QColor kLineColour(0xE0, 0xE0, 0xAA);     // COLORREF 0x00AAE0E0

const char* const kJapaneseModels[kModelListRows] = {
    "ブリリアント (R)",
    "ブリリアント (O)",
    "ブリリアントⅡ(R)",
    "ブリリアントⅡ(O)",
    "ブリリアントⅢ(R)",
    "ブリリアントⅢ(O)",
    "A.クッションカット",
    "エメラルドカット",
    "シザースカット",
    "マザリンカット",
    "オールドシングル",
    "ブリオレットカット",
    "ダブルローズカット",
    "バゲットカット",
    "球体",
    "60面体",
    "32面体",
    "正20面体",
    "正12面体",
    "正８面体",
    "正６面体",
    "正４面体",
    "---------------",
    "楕円体 *",
    "柱体 *",
    "錘体 *",
    "14面体 *",
    "26面体 *",
};

// TextOut with an opaque black background; (x, y) is the top-left corner of the text cell.
void textOut(QPainter& painter, const QFont& font, int x, int y, const QString& text,
             const QColor& colour) {
    const QFontMetrics metrics(font);
    painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), Qt::black);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QPoint(x, y + metrics.ascent()), text);
}

struct HelpLine {
    const char* text;
    int size;
    bool heading;
    int y;
};

// The keyboard help for each button placement.
const HelpLine kHelpPlacedButtons[] = {
    {"keyboard controls", 8, true, 28},
    {"[ view point ]", 6, true, 48},
    {"rotation around -", 6, false, 64},
    {"local X-axis : up/down", 6, false, 78},
    {"local Y-axis : right/left", 6, false, 92},
    {"local Z-axis : z / x", 6, false, 106},
    {"[ light ray ]", 6, true, 124},
    {"local X-axis : shift + up/down", 6, false, 140},
    {"global Y-axis : shift + right/left", 6, false, 154},
};
const HelpLine kHelpNoButtons[] = {
    {"keyboard controls", 8, true, 28},
    {"[ view point ]", 6, true, 48},
    {"cursor/z,x key", 8, false, 62},
    {"( object-wise )", 6, false, 80},
    {"rotation around local-", 6, false, 94},
    {"up/down   : X-axis", 6, false, 108},
    {"right/left: Y-axis", 6, false, 122},
    {"z / x     : Z-axis", 6, false, 136},
    {"[ light ray ]", 6, true, 154},
    {"shift + cursor key", 8, false, 168},
    {"rotation around-", 6, false, 186},
    {"sft + up/down   : local X-axis", 6, false, 200},
    {"    + right/left: global Y-axis", 6, false, 214},
};

const char* const kIndexTable[] = {
    "diamond  : 2.42",       "tavrine  : 1.70 ~1.89", "sapphire : 1.76 ~1.77",
    "topaz    : 1.62 ~1.63", "emerald  : 1.57 ~1.58", "crystal  : 1.54 ~1.55",
    "glass    : 1.42 ~1.56",
};

// A one-pixel frame just outside a panel box (whose right and bottom are its last pixels).
void frameBox(QPainter& painter, const PanelRect& box) {
    const int left = box.left - 1;
    const int top = box.top - 1;
    const int right = box.right + 1;
    const int bottom = box.bottom + 1;
    painter.fillRect(QRect(left, top, right - left + 1, 1), kOutline);
    painter.fillRect(QRect(left, bottom, right - left + 1, 1), kOutline);
    painter.fillRect(QRect(left, top, 1, bottom - top + 1), kOutline);
    painter.fillRect(QRect(right, top, 1, bottom - top + 1), kOutline);
}

// The value of the leading decimal digits of text from position `from`, like atoi.
int leadingInteger(const QString& text, int from) {
    int value = 0;
    for (int k = from; k < text.size() && text[k].isDigit() && k < from + 9; ++k) {
        value = value * 10 + text[k].digitValue();
    }
    return value;
}

}  // namespace

QStringList stoneListCaptions(bool japanese) {
    QStringList list;
    for (int k = 0; k < kStoneCount; ++k) {
        list << QString::fromUtf8(stoneCaption(k, japanese));
    }
    return list;
}

QStringList modelListCaptions(bool japanese) {
    QStringList list;
    for (int k = 0; k < kModelListRows; ++k) {
        list << QString::fromUtf8(japanese ? kJapaneseModels[k] : modelCaption(k));
    }
    return list;
}

QStringList colourListCaptions(bool japanese) {
    QStringList list;
    for (int k = 0; k < kColourCount; ++k) {
        list << QString::fromUtf8(colourCaption(k, japanese));
    }
    return list;
}

PanelLayout panelLayout(bool largerFont, bool japanese) {
    constexpr int kRowHeight = 20;
    constexpr int kFirstRow = 87;  // 2 pixels above the first label
    constexpr int kRowStep = 34;
    int stoneX = japanese ? R - 123 : R - 131;
    int stoneWidth = 91;
    int modelX = R - 131;
    int modelWidth = 117;
    int colourWidth = 91;
    if (largerFont) {
        stoneWidth += japanese ? 12 : 4;
        modelWidth += 16;
        modelX -= 16;
        colourWidth += japanese ? 16 : 4;
    }
    PanelLayout layout;
    layout.stoneList = QRect(stoneX, kFirstRow, stoneWidth, kRowHeight);
    layout.modelList = QRect(modelX, kFirstRow + kRowStep, modelWidth, kRowHeight);
    layout.colourList = QRect(R - 131, kFirstRow + 2 * kRowStep, colourWidth, kRowHeight);
    layout.indexField = QRect(R - 119, kFirstRow + 3 * kRowStep, 54, kRowHeight);
    layout.indexUpDown = QRect(R - 65, kFirstRow + 3 * kRowStep, 16, kRowHeight);
    return layout;
}

QFont panelFont(int size) {
    QFont font;
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(2 * size);
    font.setWeight(QFont::Normal);
    return font;
}

QFont gothicFont(int pixelHeight) {
    QFont font;
    font.setFamilies({QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("IPAGothic"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelHeight);
    return font;
}

void paintPanel(QImage& surface, bool largerFont, bool japanese, bool buttonPlacement) {
    (void)largerFont;  // the larger font moves the lists only (panelLayout)
    surface.fill(Qt::black);
    QPainter painter(&surface);
    painter.setRenderHint(QPainter::Antialiasing, false);

    // Title.
    textOut(painter, panelFont(10), R - 196, 26, QStringLiteral("t  a  v  r  i  n  e"),
            kTextColour);
    textOut(painter, panelFont(5), R - 91, 52, QStringLiteral("version 4.06"), kTextColour);

    // Keyboard help.
    const HelpLine* help = buttonPlacement ? kHelpPlacedButtons : kHelpNoButtons;
    const size_t helpCount =
        buttonPlacement ? std::size(kHelpPlacedButtons) : std::size(kHelpNoButtons);
    for (size_t k = 0; k < helpCount; ++k) {
        textOut(painter, panelFont(help[k].size), 60, help[k].y, QString::fromUtf8(help[k].text),
                help[k].heading ? kHeadingColour : kLineColour);
    }

    // Refractive-index table.
    textOut(painter, panelFont(8), 284, 28, QStringLiteral("refractive index*"), kHeadingColour);
    int y = 52;
    for (const char* line : kIndexTable) {
        textOut(painter, panelFont(6), 292, y, QString::fromUtf8(line), kLineColour);
        y += 14;
    }
    y += 14;  // one line left free
    for (const char* line :
         {"*refractive index =", "{ speed of light in a vacuum", " / speed of light in medium }"}) {
        textOut(painter, panelFont(6), 264, y, QString::fromUtf8(line), kLineColour);
        y += 14;
    }

    // Frames of the three boxes.
    frameBox(painter, kRenderArea);
    frameBox(painter, kPreviewBox);
    frameBox(painter, kIndicatorBox);

    // The stone box and its labels.
    painter.setPen(kTextColour);
    painter.setBrush(Qt::black);
    painter.drawRoundedRect(QRectF(R - 224 + 0.5, 75 + 0.5, 224, 151), 2.0, 2.0);
    const char* const english[4] = {"stone :", "cut   :", "color :", "ref.idx :"};
    const char* const japaneseLabels[4] = {"石の種類 :", "カット :", "色 :", "屈折率 :"};
    for (int k = 0; k < 4; ++k) {
        int x = R - 203;
        int labelY = 89 + 34 * k;
        if (japanese) {
            labelY += 2;
            if (k > 0) {
                x += 4;
            }
            textOut(painter, gothicFont(16), x, labelY, QString::fromUtf8(japaneseLabels[k]),
                    kTextColour);
        } else {
            textOut(painter, panelFont(8), x, labelY, QString::fromUtf8(english[k]), kTextColour);
        }
    }
}

QString formatRefractiveIndex(double value) {
    const auto hundredths = static_cast<long>(std::lround(value * 100.0));
    return QString::asprintf("%ld.%02ld", hundredths / 100, hundredths % 100);
}

QString stepRefractiveIndex(const QString& text, int step) {
    const QString field = text.left(7);
    const int whole = leadingInteger(field.left(1), 0);
    int hundredths = leadingInteger(field, 2);
    if (field.size() == 3) {
        hundredths *= 10;
    }
    int value = whole * 100 + hundredths + step;
    value = std::clamp(value, 100, 300);
    return QString::asprintf("%d.%02d", value / 100, value % 100);
}

double readRefractiveIndex(const QString& text) {
    // A decimal number between optional blanks, as the C library's atof reads it in the "C"
    // locale.
    const QString trimmed = text.trimmed();
    int end = 0;
    if (end < trimmed.size() && (trimmed[end] == '+' || trimmed[end] == '-')) {
        ++end;
    }
    while (end < trimmed.size() && trimmed[end].isDigit()) {
        ++end;
    }
    if (end < trimmed.size() && trimmed[end] == '.') {
        ++end;
        while (end < trimmed.size() && trimmed[end].isDigit()) {
            ++end;
        }
    }
    // Anything after the number (" 2.42x") makes the text not a number.
    if (end < trimmed.size()) {
        return 0.0;
    }
    bool ok = false;
    const double value = trimmed.left(end).toDouble(&ok);
    return ok ? value : 0.0;
}

bool refractiveIndexInRange(double value) { return value >= 1.0 && value <= 3.0; }

}  // namespace tavrine::ui
