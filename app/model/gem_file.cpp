#include "app/model/gem_file.h"

// The layout of a .gem as published descriptions of the format give it (GemCad documents it
// as its own and publishes none; independent readers decoded it from real files). Every number
// is little-endian; there is no header and no magic number. GemCad's frame has z up (towards
// the table) and states a facet by the vector p with p . x = 1 for the points x of its plane.
//
//   facet record, repeated until the end mark:
//     f64 px, f64 py, f64 pz   8 + 8 + 8  the plane vector p; distance 1/|p|, normal p/|p|
//     i32 tier                 4          groups the facets of one tier; a key only (files
//                                         number tiers from 0, from 1 or with gaps)
//     u8 n, n bytes            1 + n      "NAME<TAB>INSTRUCTION", Windows-1252
//     corners, repeated:       4 + 24     i32 1, then f64 x, y, z of one corner of the facet
//     i32 0                    4          end of the corners
//   f64 -99999.0               8          end of the facets, where the next px would be
//   trailer:
//     i32 symmetry             4          rotational symmetry order
//     i32 mirror               4          0 or 1
//     i32 gear                 4          teeth of the index gear, negative for clockwise
//     f64 refractive index     8
//     u32                      4          meaning unknown (0x7FFF in published files): not used
//     f64 gear offset          8          the index at the viewer
//     8 times u8 n, n bytes    1 + n      headings H1 to H4, then footnotes F1 to F4
//   optionally a preform (the rough the design is cut from), not used here:
//     u8 7, "preform"          8
//     a facet list with its end mark and a trailer, as above
//
// A facet's index is where its normal points round the gear: at index i the horizontal part of
// p points at 90 - 360 (i - offset) / gear degrees from +x towards +y; its angle is that of p
// from the z axis, on the pavilion side when pz is negative. So GemCad's (x, y, z) is this
// model's (x, -z, y), which puts every facet where the .asc of the same design puts it. Some
// published files hold corners at p . x = 0.81 throughout rather than 1 (corners and planes
// scaled apart); the planes decide the stone and the corners only check the file.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "app/model/design_text.h"
#include "app/model/geometry_steps.h"

namespace tavrine {

namespace {

constexpr double kEndOfFacets = -99999.0;
constexpr int32_t kMaxGemFacets = kMaxFacets;
constexpr int32_t kMaxGemGearTeeth = 720;
// Facet planes nearer the centre or farther than these are refused.
constexpr double kNearestPlane = 1e-9;
constexpr double kFarthestPlane = 1e6;
// Every corner of one facet list lies at p . x = s for one s in this range, give or take the
// spread.
constexpr double kLowestCornerScale = 0.5;
constexpr double kHighestCornerScale = 1.5;
constexpr double kCornerSpread = 1e-3;

// The text in UTF-8, control characters as spaces, without white space at either end.
std::string windows1252ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            out.push_back(' ');
        } else {
            appendWindows1252(out, c);
        }
    }
    const size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

// "1 byte follows" or "N bytes follow".
std::string follow(size_t count) {
    return std::to_string(count) + (count == 1 ? " byte follows" : " bytes follow");
}

std::string shown(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// One facet record as read, in GemCad's frame.
struct GemFacet {
    size_t offset = 0;  // of the record in the file
    Vec3 p{0, 0, 0};
    int32_t tier = 0;
    std::string label;  // name and instruction as stored
};

// What a trailer states.
struct GemTrailer {
    int32_t symmetry = 1;
    bool mirror = false;
    int32_t gear = 96;
    double refractiveIndex = 0.0;
    double gearOffset = 0.0;
    std::vector<std::string> texts;  // the eight headings and footnotes, as stored
};

class GemReader {
  public:
    GemReader(const uint8_t* data, size_t size, const std::string& fileName)
        : data_(data), size_(size), fileName_(fileName) {}

    bool read(std::vector<GemFacet>& facets, GemTrailer& trailer) {
        if (size_ > kMaxDesignFileSize) {
            return fail(kMaxDesignFileSize, "the file is larger than 4 MiB");
        }
        if (!facetList(facets, "facet")) return false;
        if (facets.empty()) return fail(0, "the design has no facets");
        if (!readTrailer(trailer)) return false;
        if (pos_ == size_) return true;

        // What follows the trailer can only be the preform: read it to check the file.
        const size_t at = pos_;
        std::string mark;
        if (!text("the preform's mark", mark) || mark != "preform") {
            return fail(at, follow(size_ - at) + " the trailer without beginning a preform");
        }
        std::vector<GemFacet> preform;
        GemTrailer preformTrailer;
        if (!facetList(preform, "preform facet") || !readTrailer(preformTrailer)) return false;
        if (pos_ != size_) {
            return fail(pos_, follow(size_ - pos_) + " the preform");
        }
        return true;
    }

    const std::string& error() const { return error_; }

  private:
    bool fail(size_t offset, const std::string& problem) {
        error_ = gemFileMessage(fileName_, offset, problem);
        return false;
    }

    // Checks that count bytes remain at the read position.
    bool need(size_t count, const std::string& what) {
        if (size_ - pos_ >= count) return true;
        return fail(pos_, "the file ends inside " + what + " (" + std::to_string(count) +
                              " bytes needed, " + std::to_string(size_ - pos_) + " left)");
    }

    uint64_t bits(size_t count) {
        uint64_t value = 0;
        for (size_t k = 0; k < count; ++k)
            value |= static_cast<uint64_t>(data_[pos_ + k]) << (8 * k);
        pos_ += count;
        return value;
    }

    double f64() {
        const uint64_t value = bits(8);
        double d = 0.0;
        std::memcpy(&d, &value, sizeof d);
        return d;
    }

    int32_t i32() { return static_cast<int32_t>(static_cast<uint32_t>(bits(4))); }

    // Reads a text of one length byte and that many bytes.
    bool text(const std::string& what, std::string& out) {
        if (!need(1, what)) return false;
        const size_t length = data_[pos_++];
        if (size_ - pos_ < length) {
            return fail(pos_ - 1, what + " of " + std::to_string(length) +
                                      " bytes runs past the end of the file (" +
                                      std::to_string(size_ - pos_) + " bytes left)");
        }
        out.assign(reinterpret_cast<const char*>(data_ + pos_), length);
        pos_ += length;
        return true;
    }

    // Reads facet records up to the end mark; facets of one list share one corner scale.
    bool facetList(std::vector<GemFacet>& facets, const std::string& kind) {
        bool scaled = false;
        double scale = 0.0;
        for (;;) {
            const size_t start = pos_;
            if (!need(8, "the " + kind + " list (it has no end mark -99999)")) return false;
            GemFacet facet;
            facet.offset = start;
            facet.p.x = f64();
            if (facet.p.x == kEndOfFacets) return true;
            if (facets.size() >= static_cast<size_t>(kMaxGemFacets)) {
                return fail(start, "more than 2400 " + kind + "s");
            }
            if (!need(16, "a " + kind + "'s plane")) return false;
            facet.p.y = f64();
            facet.p.z = f64();
            const Vec3& p = facet.p;
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                return fail(start, "the " + kind + "'s plane vector is not a finite number");
            }
            const double length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
            if (length == 0.0) {
                return fail(start, "the " + kind +
                                       "'s plane vector is zero: a plane through "
                                       "the centre");
            }
            const double distance = 1.0 / length;
            if (!(distance >= kNearestPlane)) {
                return fail(start, "the " + kind + "'s plane passes through the centre (at " +
                                       shown(distance) + ")");
            }
            if (distance > kFarthestPlane) {
                return fail(start, "the " + kind + "'s plane lies " + shown(distance) +
                                       " from the centre, farther than 1000000");
            }
            if (!need(4, "a " + kind + "'s tier")) return false;
            facet.tier = i32();
            if (!text("a " + kind + "'s name", facet.label)) return false;
            for (;;) {
                const size_t at = pos_;
                if (!need(4, "a " + kind + "'s corners")) return false;
                const int32_t mark = i32();
                if (mark == 0) break;
                if (mark != 1) {
                    return fail(at, "a corner mark of " + std::to_string(mark) +
                                        ", neither 0 (the last corner) nor 1 (a corner)");
                }
                if (!need(24, "a corner")) return false;
                const double x = f64();
                const double y = f64();
                const double z = f64();
                const double s = p.x * x + p.y * y + p.z * z;
                if (!scaled) {
                    scaled = s >= kLowestCornerScale && s <= kHighestCornerScale;
                    scale = s;
                }
                if (!scaled || !(std::fabs(s - scale) <= kCornerSpread)) {
                    return fail(at + 4, "a corner lies far off its " + kind +
                                            "'s plane (p.x = " + shown(s) + ", not 1)");
                }
            }
            facets.push_back(std::move(facet));
        }
    }

    bool readTrailer(GemTrailer& trailer) {
        const size_t at = pos_;
        if (!need(32, "the trailer")) return false;
        trailer.symmetry = i32();
        const int32_t mirror = i32();
        trailer.gear = i32();
        trailer.refractiveIndex = f64();
        bits(4);  // not used: its meaning is unknown
        trailer.gearOffset = f64();
        const int64_t gear = trailer.gear;
        const int64_t teeth = gear < 0 ? -gear : gear;
        if (gear == 0 || teeth > kMaxGemGearTeeth) {
            return fail(at + 8, "an index gear of " + std::to_string(gear) +
                                    " teeth is out of range (1 to 720, negative for clockwise)");
        }
        if (trailer.symmetry < 1 || trailer.symmetry > teeth) {
            return fail(at, "a symmetry of " + std::to_string(trailer.symmetry) +
                                " is out of range 1 to the gear's " + std::to_string(teeth) +
                                " teeth");
        }
        if (mirror != 0 && mirror != 1) {
            return fail(at + 4, "a mirror flag of " + std::to_string(mirror) + ", neither 0 nor 1");
        }
        trailer.mirror = mirror == 1;
        if (!(trailer.refractiveIndex >= 1.0 && trailer.refractiveIndex <= 5.0)) {
            return fail(at + 12, "a refractive index of " + shown(trailer.refractiveIndex) +
                                     " is out of range 1 to 5");
        }
        if (!(std::fabs(trailer.gearOffset) <= teeth)) {
            return fail(at + 24, "the gear's offset " + shown(trailer.gearOffset) +
                                     " is beyond its " + std::to_string(teeth) + " teeth");
        }
        trailer.texts.assign(8, "");
        for (int k = 0; k < 8; ++k) {
            const std::string what = (k < 4 ? "heading " : "footnote ") + std::to_string(k % 4 + 1);
            if (!text(what, trailer.texts[static_cast<size_t>(k)])) return false;
        }
        return true;
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    const std::string& fileName_;
    std::string error_;
};

// The lines of texts, converted, without the empty ones at the end.
std::vector<std::string> textLines(const std::vector<std::string>& texts, size_t first) {
    std::vector<std::string> lines;
    for (size_t k = first; k < first + 4; ++k) lines.push_back(windows1252ToUtf8(texts[k]));
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

}  // namespace

std::string gemFileMessage(const std::string& fileName, size_t offset, const std::string& problem) {
    return designByteMessage(fileName, static_cast<int64_t>(offset), problem);
}

bool isGemFile(const uint8_t* data, size_t size) {
    if (size == 0) return false;
    size_t i = 0;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) i = 3;
    while (i < size && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n')) {
        ++i;
    }
    static const char kText[] = "gemcad";
    bool text = size - i >= 6;
    for (size_t k = 0; text && k < 6; ++k) {
        text = std::tolower(static_cast<unsigned char>(data[i + k])) == kText[k];
    }
    return !text && std::memchr(data, 0, size) != nullptr;
}

bool parseGemFile(const uint8_t* data, size_t size, const std::string& fileName,
                  GemCadDesign& design, std::string* error) {
    std::vector<GemFacet> facets;
    GemTrailer trailer;
    GemReader reader(data, size, fileName);
    if (!reader.read(facets, trailer)) {
        if (error != nullptr) *error = reader.error();
        return false;
    }

    GemCadDesign read;
    read.gearTeeth = trailer.gear;
    read.gearOffset = trailer.gearOffset;
    read.symmetry = trailer.symmetry;
    read.mirror = trailer.mirror;
    read.refractiveIndex = trailer.refractiveIndex;
    read.heading = textLines(trailer.texts, 0);
    read.footnotes = textLines(trailer.texts, 4);

    // One tier per tier number, described by its first facet; each facet's plane in the
    // model's frame, GemCad's (x, y, z) being the model's (x, -z, y).
    const double teeth = std::abs(trailer.gear);
    std::map<int32_t, int32_t> tierOf;
    for (const GemFacet& f : facets) {
        const double length = std::sqrt(f.p.x * f.p.x + f.p.y * f.p.y + f.p.z * f.p.z);
        DesignFacetPlane plane;
        plane.normal = {f.p.x / length, f.p.z / length, -f.p.y / length};
        plane.distance = 1.0 / length;
        const auto found = tierOf.find(f.tier);
        if (found == tierOf.end()) {
            DesignTier tier;
            tier.line = static_cast<int32_t>(f.offset);
            tier.pavilion = std::signbit(f.p.z);
            const double angle = std::acos(std::min(1.0, std::fabs(plane.normal.y))) * 180.0 / kPi;
            tier.angle = tier.pavilion && angle > 0.0 ? -angle : angle;
            tier.distance = plane.distance;
            const size_t tab = f.label.find('\t');
            tier.name = windows1252ToUtf8(f.label.substr(0, tab));
            if (tab != std::string::npos)
                tier.instruction = windows1252ToUtf8(f.label.substr(tab + 1));
            plane.tier = static_cast<int32_t>(read.tiers.size());
            tierOf.emplace(f.tier, plane.tier);
            read.tiers.push_back(std::move(tier));
        } else {
            plane.tier = found->second;
        }
        // The index: where the horizontal part of the normal points round the gear.
        const double turn = std::atan2(f.p.x, f.p.y) / (2.0 * kPi);
        double index = std::fmod(trailer.gearOffset + trailer.gear * turn, teeth);
        if (index < 0.0) index += teeth;
        if (index >= teeth - 1e-9) index = 0.0;
        read.tiers[static_cast<size_t>(plane.tier)].indexes.push_back(index);
        read.planes.push_back(plane);
    }
    design = std::move(read);
    return true;
}

}  // namespace tavrine
