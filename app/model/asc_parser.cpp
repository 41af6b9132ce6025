// The reader of GemCad's text designs (.asc), declared in gemcad_design.h.

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>
#include <utility>
#include <vector>

#include "app/model/design_text.h"
#include "app/model/gemcad_design.h"

namespace tavrine {

namespace {

// A design has at most one facet per tier and per index, so these bound the file's facets.
constexpr size_t kMaxTiers = kMaxFacets;
constexpr size_t kMaxTierIndexes = kMaxFacets;

// Whether the bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing above
// U+10FFFF.
bool isUtf8(const std::string& text, size_t begin) {
    const size_t n = text.size();
    size_t i = begin;
    while (i < n) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t code = 0;
        uint32_t least = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2, code = c & 0x1F, least = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3, code = c & 0x0F, least = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4, code = c & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (n - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

// One line of the file as UTF-8: read as Windows-1252 unless the file is UTF-8; control
// characters other than the tab become spaces.
std::string decodeLine(const char* begin, size_t size, bool utf8) {
    std::string out;
    out.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(begin[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) {
            out.push_back(' ');
        } else if (c < 0x80 || utf8) {
            out.push_back(static_cast<char>(c));
        } else {
            appendWindows1252(out, c);
        }
    }
    return out;
}

struct Token {
    std::string text;
    size_t begin = 0;  // offset in the line
};

std::vector<Token> tokenize(const std::string& line) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        const size_t begin = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        tokens.push_back({line.substr(begin, i - begin), begin});
    }
    return tokens;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

enum class NumberRead { Ok, Malformed, OutOfRange };

// A decimal number: optional sign, digits with an optional point, optional exponent. Read the
// same whatever the C locale says; a number beyond the doubles is out of range.
NumberRead readNumber(const std::string& text, double& value) {
    size_t i = 0;
    const size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t mantissa = i;
    size_t digits = 0;
    while (i < n && isDigit(text[i])) ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return NumberRead::Malformed;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < n && isDigit(text[i])) ++i, ++expDigits;
        if (expDigits == 0) return NumberRead::Malformed;
    }
    if (i != n) return NumberRead::Malformed;
    double v = 0.0;
    const auto result = std::from_chars(text.data() + mantissa, text.data() + n, v);
    if (result.ec == std::errc::result_out_of_range || !std::isfinite(v)) {
        return NumberRead::OutOfRange;
    }
    if (result.ec != std::errc() || result.ptr != text.data() + n) return NumberRead::Malformed;
    value = text[0] == '-' ? -v : v;
    return NumberRead::Ok;
}

std::string quoted(const std::string& text) {
    return "\"" + (text.size() > 40 ? text.substr(0, 40) + "..." : text) + "\"";
}

bool sameIgnoringCase(const std::string& text, const char* word) {
    size_t i = 0;
    for (; word[i] != '\0'; ++i) {
        if (i >= text.size() ||
            std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(word[i])) {
            return false;
        }
    }
    return i == text.size();
}

// The "a" record being read; it runs on over continuation lines.
struct OpenTier {
    enum class Expect { Angle, Distance, Index, Name, Instruction };
    DesignTier tier;
    Expect expect = Expect::Angle;
};

// The reader's state between lines.
struct Parser {
    const std::string& fileName;
    GemCadDesign design;
    int32_t symmetryLine = 0;
    bool tierOpen = false;
    OpenTier open;
    std::string error;

    bool fail(int32_t line, const std::string& problem) {
        error = designLineMessage(fileName, line, problem);
        return false;
    }

    bool number(int32_t line, const Token& token, const char* what, double& value) {
        switch (readNumber(token.text, value)) {
        case NumberRead::Ok:
            return true;
        case NumberRead::OutOfRange:
            return fail(line,
                        std::string("the ") + what + " " + quoted(token.text) + " is out of range");
        case NumberRead::Malformed:
            break;
        }
        return fail(line,
                    std::string("malformed number ") + quoted(token.text) + " for the " + what);
    }

    // Reads a whole number of at most kMaxGearTeeth in size; returns 0 with ok true when it is
    // larger (or too large for any number), for the caller's range message.
    bool wholeNumber(int32_t line, const Token& token, const char* what, int32_t& value) {
        double v = 0.0;
        const NumberRead read = readNumber(token.text, v);
        if (read == NumberRead::Malformed || (read == NumberRead::Ok && v != std::floor(v))) {
            return fail(line, "malformed number " + quoted(token.text) + " for the " + what);
        }
        value =
            read == NumberRead::Ok && std::fabs(v) <= kMaxGearTeeth ? static_cast<int32_t>(v) : 0;
        return true;
    }

    bool gear(int32_t line, const std::vector<Token>& t) {
        if (t.size() < 2) return fail(line, "the index gear line gives no number of teeth");
        int32_t teeth = 0;
        if (!wholeNumber(line, t[1], "teeth of the index gear", teeth)) return false;
        if (teeth == 0) {
            return fail(line, "an index gear of " + t[1].text + " teeth is out of range (1 to " +
                                  std::to_string(kMaxGearTeeth) + ", negative for clockwise)");
        }
        double offset = 0.0;
        if (t.size() >= 3 && !number(line, t[2], "offset of the gear", offset)) {
            return false;
        }
        if (std::fabs(offset) > std::abs(teeth)) {
            return fail(line, "the gear's offset " + t[2].text + " is beyond its " +
                                  std::to_string(std::abs(teeth)) + " teeth");
        }
        design.gearTeeth = teeth;
        design.gearOffset = offset;
        return true;
    }

    bool symmetry(int32_t line, const std::vector<Token>& t) {
        if (t.size() < 2) return fail(line, "the symmetry line gives no symmetry");
        int32_t order = 0;
        if (!wholeNumber(line, t[1], "symmetry", order)) return false;
        if (order < 1) {
            return fail(line, "a symmetry of " + t[1].text + " is out of range 1 to the gear's " +
                                  "teeth (at most " + std::to_string(kMaxGearTeeth) + ")");
        }
        bool mirror = false;
        if (t.size() >= 3) {
            const std::string& m = t[2].text;
            if (m == "y" || m == "Y") {
                mirror = true;
            } else if (m != "n" && m != "N") {
                return fail(line, "the mirror symmetry must be y or n, not " + quoted(m));
            }
        }
        design.symmetry = order;
        design.mirror = mirror;
        symmetryLine = line;
        return true;
    }

    bool refractiveIndex(int32_t line, const std::vector<Token>& t) {
        if (t.size() < 2) return fail(line, "the refractive index line gives no index");
        double ri = 0.0;
        if (!number(line, t[1], "refractive index", ri)) return false;
        if (!(ri >= 1.0 && ri <= 5.0)) {
            return fail(line, "a refractive index of " + t[1].text + " is out of range 1 to 5");
        }
        design.refractiveIndex = ri;
        return true;
    }

    // Reads the tokens of the open tier from first on: the angle, the distance, then indexes,
    // each perhaps followed by "n" and its name, then perhaps "G" and the cutting instruction,
    // which takes the rest of the line.
    bool tierTokens(int32_t line, const std::string& text, const std::vector<Token>& t,
                    size_t first) {
        DesignTier& tier = open.tier;
        for (size_t k = first; k < t.size(); ++k) {
            const Token& token = t[k];
            switch (open.expect) {
            case OpenTier::Expect::Angle:
                if (!number(line, token, "angle", tier.angle)) return false;
                if (tier.angle < -90.0 || tier.angle > 90.0) {
                    return fail(line,
                                "an angle of " + token.text + " degrees is out of range -90 to 90");
                }
                tier.pavilion = token.text[0] == '-';     // "-0" is the culet
                if (tier.angle == 0.0) tier.angle = 0.0;  // the side is in pavilion, not in -0
                open.expect = OpenTier::Expect::Distance;
                break;
            case OpenTier::Expect::Distance:
                if (!number(line, token, "distance", tier.distance)) return false;
                if (tier.distance < 0.0 && tier.angle == 0.0 && !tier.pavilion) {
                    // The other way of writing the culet: angle 0, distance below the centre.
                    tier.pavilion = true;
                    tier.distance = -tier.distance;
                }
                if (!(tier.distance > 0.0) || tier.distance > 1e6) {
                    return fail(line, "a facet distance of " + token.text +
                                          " is out of range (above 0, at most 1000000; "
                                          "negative only for a culet at angle 0)");
                }
                open.expect = OpenTier::Expect::Index;
                break;
            case OpenTier::Expect::Index:
                if (token.text == "n") {
                    open.expect = OpenTier::Expect::Name;
                } else if (token.text == "G") {
                    tier.instruction = trimDesignText(text.substr(token.begin + 1));
                    open.expect = OpenTier::Expect::Instruction;
                    return true;
                } else {
                    if (tier.indexes.size() >= kMaxTierIndexes) {
                        return fail(line, "more than 2400 indexes: more than 2400 facets");
                    }
                    double index = 0.0;
                    if (!number(line, token, "index", index)) return false;
                    tier.indexes.push_back(index);
                }
                break;
            case OpenTier::Expect::Name:
                // The one word after "n" names the index before it, whatever it looks like.
                if (tier.name.empty()) tier.name = token.text;
                open.expect = OpenTier::Expect::Index;
                break;
            case OpenTier::Expect::Instruction:
                return true;
            }
        }
        return true;
    }

    bool closeTier() {
        if (!tierOpen) return true;
        tierOpen = false;
        if (open.expect == OpenTier::Expect::Angle || open.expect == OpenTier::Expect::Distance ||
            open.tier.indexes.empty()) {
            return fail(open.tier.line, "a tier needs an angle, a distance and at least one index");
        }
        design.tiers.push_back(std::move(open.tier));
        return true;
    }

    // Checks what can only be checked once the gear is known.
    bool finish() {
        const int32_t teeth = std::abs(design.gearTeeth);
        if (design.symmetry > teeth) {
            return fail(symmetryLine, "a symmetry of " + std::to_string(design.symmetry) +
                                          " is more than the " + std::to_string(teeth) +
                                          " teeth of the index gear");
        }
        for (const DesignTier& tier : design.tiers) {
            for (double index : tier.indexes) {
                if (index < -teeth || index > teeth) {
                    char shown[32];
                    std::snprintf(shown, sizeof shown, "%g", index);
                    return fail(tier.line, std::string("index ") + shown +
                                               " is beyond the index gear of " +
                                               std::to_string(teeth) + " teeth");
                }
            }
        }
        return true;
    }

    bool firstLine(const std::string& raw) {
        const std::string first = trimDesignText(raw);
        const bool gemcad =
            first.size() >= 6 && sameIgnoringCase(first.substr(0, 6), "GemCad") &&
            (first.size() == 6 || first[6] == ' ' || first[6] == '\t' || isDigit(first[6]));
        if (!gemcad) {
            return fail(1, "not a GemCad file (the first line does not begin with \"GemCad\")");
        }
        design.version = trimDesignText(first.substr(6));
        return true;
    }

    bool record(int32_t line, const std::string& raw, std::vector<Token>& t) {
        // A keyword glued to its number ("g96") is the keyword and the number.
        const std::string& head = t[0].text;
        if (head.size() > 1 &&
            (head[0] == 'g' || head[0] == 'y' || head[0] == 'I' || head[0] == 'a') &&
            (isDigit(head[1]) || head[1] == '-' || head[1] == '+' || head[1] == '.')) {
            Token rest{head.substr(1), t[0].begin + 1};
            t[0].text.resize(1);
            t.insert(t.begin() + 1, std::move(rest));
        }
        const std::string& key = t[0].text;
        const bool keyword = key == "g" || key == "y" || key == "I" || key == "H" || key == "F" ||
                             key == "a" || sameIgnoringCase(key, "GemCad");
        if (!keyword) {
            if (!tierOpen) return true;  // a line this reader does not know
            if (open.expect == OpenTier::Expect::Instruction) {
                std::string& instruction = open.tier.instruction;
                instruction += (instruction.empty() ? "" : "\n") + trimDesignText(raw);
                return true;
            }
            return tierTokens(line, raw, t, 0);
        }
        if (!closeTier()) return false;
        if (key == "g") return gear(line, t);
        if (key == "y") return symmetry(line, t);
        if (key == "I") return refractiveIndex(line, t);
        if (key == "H" || key == "F") {
            const std::string rest = trimDesignText(raw.substr(t[0].begin + 1));
            (key == "H" ? design.heading : design.footnotes).push_back(rest);
            return true;
        }
        if (key == "a") {
            if (design.tiers.size() >= kMaxTiers) {
                return fail(line, "more than 2400 tiers: more than 2400 facets");
            }
            tierOpen = true;
            open = OpenTier{};
            open.tier.line = line;
            return tierTokens(line, raw, t, 1);
        }
        return true;  // a repeated "GemCad" line
    }

    bool parse(const std::string& bytes) {
        size_t pos = 0;
        if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;  // the UTF-8 byte-order mark
        const bool utf8 = isUtf8(bytes, pos);
        const size_t size = bytes.size();
        int32_t line = 0;
        while (line == 0 || pos < size) {
            // A line ends at CR LF, LF or a lone CR.
            size_t end = pos;
            while (end < size && bytes[end] != '\n' && bytes[end] != '\r') ++end;
            ++line;
            if (end - pos > kMaxDesignLine) return fail(line, "the line is longer than 1 MB");
            const std::string raw = decodeLine(bytes.data() + pos, end - pos, utf8);
            pos = end + (end + 1 < size && bytes[end] == '\r' && bytes[end + 1] == '\n' ? 2 : 1);
            if (line == 1) {
                if (!firstLine(raw)) return false;
                continue;
            }
            std::vector<Token> t = tokenize(raw);
            if (t.empty()) continue;
            if (!record(line, raw, t)) return false;
        }
        return closeTier() && finish();
    }
};

}  // namespace

bool parseGemCadDesign(const std::string& text, const std::string& fileName, GemCadDesign& design,
                       std::string* error) {
    Parser parser{fileName, GemCadDesign{}, 0, false, {}, {}};
    if (!parser.parse(text)) {
        if (error != nullptr) *error = parser.error;
        return false;
    }
    design = std::move(parser.design);
    return true;
}

}  // namespace tavrine
