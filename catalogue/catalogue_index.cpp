#include "catalogue/catalogue_index.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "catalogue/design_folder.h"
#include "catalogue/number_text.h"
#include "util/atomic_file.h"
#include "util/file_read.h"
#include "util/path_text.h"
#include "util/program_exit.h"

namespace tavrine::catalogue {

namespace {

constexpr const char* kProgram = "tavrine-catalogue";

// The largest figures.json read; the catalogue writes a few hundred bytes.
constexpr size_t kMaxFiguresSize = 1u << 20;

// The figures a card shows and the page sorts by, with the key of catalogue.csv and
// figures.json, the words of the page and the unit after the number; percentages are written
// to hundredths, as tavrine-render prints them.
struct Figure {
    const char* key;
    const char* label;
    const char* unit;
    std::optional<double> DesignFigures::*value;
    bool percent() const { return unit[0] != '\0'; }
};

constexpr Figure kFigures[] = {
    {"ri", "refractive index", "", &DesignFigures::ri},
    {"brightness_iso", "brightness (ISO)", " %", &DesignFigures::brightnessIso},
    {"brightness_cos", "brightness (COS)", " %", &DesignFigures::brightnessCos},
    {"tilt_avg", "tilt-averaged brightness", " %", &DesignFigures::tiltAverage},
    {"dark", "dark area", " %", &DesignFigures::dark},
};

// The text of a figure of f in the CSV and the page; empty when it was not computed.
std::string cell(const Figure& figure, const DesignFigures& f) {
    const std::optional<double>& value = f.*figure.value;
    if (!value) return std::string();
    if (!figure.percent()) return numberText(*value);
    char text[400];  // room for the largest double in fixed notation
    std::snprintf(text, sizeof text, "%.2f", *value);
    return text;
}

std::string cell(const std::optional<int32_t>& value) {
    return value ? std::to_string(*value) : std::string();
}

// A CSV cell: quoted when it holds a comma, a quote or a line break, its quotes doubled.
std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// Text for HTML, in an element or a quoted attribute.
std::string html(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// A folder name as one segment of a relative URL: every byte but letters, digits and -._~
// percent-encoded.
std::string urlSegment(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
            b == '-' || b == '.' || b == '_' || b == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[b >> 4];
            encoded += kHex[b & 15];
        }
    }
    return encoded;
}

std::string shownFigure(const Figure& figure, const DesignFigures& f) {
    const std::string text = cell(figure, f);
    return text.empty() ? std::string("&mdash;") : text + figure.unit;
}

std::string card(const IndexEntry& e, size_t order) {
    const DesignFigures& f = e.figures;
    const std::string base = std::string(kDesignsFolder) + "/" + urlSegment(e.folder) + "/";
    std::string s = "<article class=\"card\" data-order=\"" + std::to_string(order) +
                    "\" data-title=\"" + html(f.title) + "\" data-file=\"" + html(f.file) +
                    "\" data-facets=\"" + cell(f.facets) + "\"";
    for (const Figure& figure : kFigures) {
        s += std::string(" data-") + figure.key + "=\"" + cell(figure, f) + "\"";
    }
    s += " data-seconds=\"" + numberText(f.seconds) + "\">\n";
    s += "<h2>" + html(f.title) + "</h2>\n<p class=\"file\">" + html(f.file) + "</p>\n";
    s += "<div class=\"pictures\">";
    if (e.still) s += "<img src=\"" + base + kStillFile + "\" alt=\"still\">";
    if (e.turntable) s += "<img src=\"" + base + kTurntableFile + "\" alt=\"turntable\">";
    s += "</div>\n<div class=\"details\">\n<table>\n<tr><th>facets</th><td>" +
         (f.facets ? cell(f.facets) : "&mdash;") + "</td></tr>\n";
    for (const Figure& figure : kFigures) {
        s += std::string("<tr><th>") + figure.label + "</th><td>" + shownFigure(figure, f) +
             "</td></tr>\n";
    }
    s += "<tr><th>seconds</th><td>" + numberText(f.seconds) + " s</td></tr>\n</table>\n";
    if (e.tiltPlot) {
        s += "<img class=\"tilt\" src=\"" + base + kTiltPlotFile + "\" alt=\"tilt plot\">\n";
    } else {
        s += "<p class=\"tilt none\">no tilt plot</p>\n";
    }
    return s + "</div>\n</article>\n";
}

constexpr const char* kPageHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Design catalogue</title>
<style>
body { font-family: sans-serif; margin: 1em; background: #f4f4f4; color: #222; }
header { display: flex; flex-wrap: wrap; gap: 1em; align-items: baseline; }
h1 { margin: 0; font-size: 1.5em; }
#cards { display: flex; flex-wrap: wrap; gap: 1em; margin-top: 1em; }
.card { background: #fff; border: 1px solid #ccc; border-radius: 6px; padding: 0.75em; }
.card h2 { font-size: 1.1em; margin: 0; max-width: 32em; overflow-wrap: anywhere; }
.file { color: #666; margin: 0.2em 0 0.5em; overflow-wrap: anywhere; }
.pictures { display: flex; gap: 0.5em; }
.pictures img { max-width: 256px; height: auto; background: #000; }
.details { display: flex; gap: 1em; align-items: flex-start; margin-top: 0.5em; }
img.tilt { max-width: 240px; height: auto; }
.tilt.none { color: #888; font-style: italic; margin: 0; }
table { border-collapse: collapse; }
th { text-align: left; font-weight: normal; color: #555; padding-right: 1em; }
td { text-align: right; font-variant-numeric: tabular-nums; }
#refused li { margin: 0.3em 0; overflow-wrap: anywhere; }
</style>
</head>
<body>
)";

constexpr const char* kSortScript = R"(<script>
// Sorts the cards by the chosen figure; designs without that figure stay last.
(function () {
  var cards = document.getElementById('cards');
  var key = document.getElementById('sort-key');
  var order = document.getElementById('sort-order');
  function sortCards() {
    var k = 'data-' + key.value;
    var numeric = key.options[key.selectedIndex].hasAttribute('data-numeric');
    var down = order.value === 'descending';
    var list = Array.prototype.slice.call(cards.querySelectorAll('.card'));
    list.sort(function (a, b) {
      var x = a.getAttribute(k), y = b.getAttribute(k);
      if (x === '' || y === '') return (x === '') - (y === '');
      var c = numeric ? Number(x) - Number(y) : x.localeCompare(y);
      return (down ? -c : c) || a.getAttribute('data-order') - b.getAttribute('data-order');
    });
    list.forEach(function (card) { cards.appendChild(card); });
  }
  key.addEventListener('change', sortCards);
  order.addEventListener('change', sortCards);
})();
</script>
)";

// Reads OUT/designs into entries (sorted by folder name) and the folders left out with why.
bool gatherEntries(const std::string& designs, std::vector<IndexEntry>& entries,
                   std::vector<std::string>& leftOut, std::string* reason) {
    std::unique_ptr<DIR, int (*)(DIR*)> stream(::opendir(designs.c_str()), ::closedir);
    if (!stream) {
        *reason = std::strerror(errno);
        return false;
    }
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream.get());
        if (entry == nullptr) break;
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    if (errno != 0) {
        *reason = std::strerror(errno);
        return false;
    }
    std::sort(names.begin(), names.end());
    auto isFile = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    };
    for (const std::string& name : names) {
        const std::string folder = designs + "/" + name;
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        const std::string shown = util::quotedPath(std::string(kDesignsFolder) + "/" + name);
        if (!isFile(folder + "/" + kDoneFile)) {
            leftOut.push_back(shown + ": no done mark (its shard has not finished it)");
            continue;
        }
        std::vector<uint8_t> bytes;
        std::string problem;
        IndexEntry e;
        e.folder = name;
        if (!util::readWholeFile(folder + "/" + kFiguresFile, kMaxFiguresSize, bytes, &problem) ||
            !parseFiguresJson(std::string(bytes.begin(), bytes.end()), e.figures, &problem)) {
            leftOut.push_back(shown + ": " + kFiguresFile + ": " + problem);
            continue;
        }
        e.still = isFile(folder + "/" + kStillFile);
        e.turntable = isFile(folder + "/" + kTurntableFile);
        e.tiltPlot = isFile(folder + "/" + kTiltPlotFile);
        entries.push_back(std::move(e));
    }
    return true;
}

}  // namespace

std::string catalogueCsv(const std::vector<IndexEntry>& entries) {
    std::string csv = "design,file,status,facets";
    for (const Figure& figure : kFigures) csv += std::string(",") + figure.key;
    csv += ",reason\n";
    for (const IndexEntry& e : entries) {
        const DesignFigures& f = e.figures;
        csv += csvField(f.title) + "," + csvField(f.file) + "," + statusName(f.status) + "," +
               cell(f.facets);
        for (const Figure& figure : kFigures) csv += "," + cell(figure, f);
        csv += "," + csvField(f.reason) + "\n";
    }
    return csv;
}

std::string indexHtml(const std::vector<IndexEntry>& entries) {
    size_t refusedCount = 0;
    for (const IndexEntry& e : entries) refusedCount += e.figures.status == DesignStatus::Refused;
    std::string page = kPageHead;
    page += "<header>\n<h1>Design catalogue</h1>\n<p>" +
            std::to_string(entries.size() - refusedCount) + " designs, " +
            std::to_string(refusedCount) + " refused</p>\n";
    page +=
        "<label>Sort by <select id=\"sort-key\">\n<option value=\"file\">file name</option>\n"
        "<option value=\"title\">title</option>\n"
        "<option value=\"facets\" data-numeric>facets</option>\n";
    for (const Figure& figure : kFigures) {
        page += std::string("<option value=\"") + figure.key + "\" data-numeric>" + figure.label +
                "</option>\n";
    }
    page +=
        "<option value=\"seconds\" data-numeric>seconds</option>\n</select></label>\n"
        "<select id=\"sort-order\"><option value=\"ascending\">ascending</option>"
        "<option value=\"descending\">descending</option></select>\n</header>\n";
    page += "<main id=\"cards\">\n";
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].figures.status == DesignStatus::Done) page += card(entries[i], i);
    }
    page += "</main>\n";
    if (refusedCount > 0) {
        page += "<section id=\"refused\">\n<h2>Refused designs</h2>\n<ul>\n";
        for (const IndexEntry& e : entries) {
            if (e.figures.status != DesignStatus::Refused) continue;
            page +=
                "<li><b>" + html(e.figures.file) + "</b>: " + html(e.figures.reason) + "</li>\n";
        }
        page += "</ul>\n</section>\n";
    }
    return page + kSortScript + "</body>\n</html>\n";
}

int runIndexCommand(const std::string& out, std::FILE* outStream, std::FILE* err) {
    const std::string designs = out + "/" + kDesignsFolder;
    std::vector<IndexEntry> entries;
    std::vector<std::string> leftOut;
    std::string reason;
    if (!gatherEntries(designs, entries, leftOut, &reason)) {
        std::fprintf(err, "%s: %s\n", kProgram, util::cannotText("read", designs, reason).c_str());
        return util::kExitFileError;
    }
    for (const std::string& line : leftOut) {
        std::fprintf(err, "%s: left out %s\n", kProgram, line.c_str());
    }
    const std::pair<std::string, std::string> files[] = {
        {out + "/" + kCatalogueCsvFile, catalogueCsv(entries)},
        {out + "/" + kIndexHtmlFile, indexHtml(entries)},
    };
    for (const auto& [path, text] : files) {
        if (!util::writeFileAtomically(path, text.data(), text.size(), &reason)) {
            std::fprintf(err, "%s: %s\n", kProgram,
                         util::cannotText("write", path, reason).c_str());
            return util::kExitFileError;
        }
        std::fprintf(outStream, "wrote %s\n", util::quotedPath(path).c_str());
    }
    return util::finishOutput(kProgram, outStream, err) ? util::kExitOk : util::kExitFileError;
}

}  // namespace tavrine::catalogue
