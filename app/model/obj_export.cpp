#include "app/model/obj_export.h"

#include <charconv>

#include "util/atomic_file.h"
#include "util/path_text.h"

namespace tavrine {

namespace {

void appendDouble(std::string& out, double value) {
    // %.17g in the C locale, whatever locale the program runs in.
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    out.append(buffer, result.ptr);
}

void appendInt(std::string& out, int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Returns an empty string for a model that can be written, else what is wrong with it.
std::string checkModel(const Vertex* vertices, int32_t vertexCount, const Facet* facets,
                       int32_t facetCount) {
    if (vertexCount < 0 || facetCount < 0) return "negative vertex or facet count";
    if ((vertexCount > 0 && vertices == nullptr) || (facetCount > 0 && facets == nullptr)) {
        return "no vertex or facet array";
    }
    for (int32_t i = 0; i < facetCount; ++i) {
        const Facet& f = facets[i];
        if (f.vertexCount < 3 || f.vertexCount > 16) {
            return "facet " + std::to_string(i) + " has " + std::to_string(f.vertexCount) +
                   " corners";
        }
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            if (f.vertexIndex[k] < 0 || f.vertexIndex[k] >= vertexCount) {
                return "facet " + std::to_string(i) + " refers to vertex " +
                       std::to_string(f.vertexIndex[k]) + " of " + std::to_string(vertexCount);
            }
        }
    }
    return {};
}

std::string objText(const Vertex* vertices, int32_t vertexCount, const Facet* facets,
                    int32_t facetCount) {
    std::string out;
    out.reserve(static_cast<size_t>(vertexCount) * 64 + static_cast<size_t>(facetCount) * 48 + 64);
    out += "# Tavrine model: ";
    appendInt(out, vertexCount);
    out += " vertices, ";
    appendInt(out, facetCount);
    out += " facets\n";
    for (int32_t i = 0; i < vertexCount; ++i) {
        out += "v ";
        appendDouble(out, vertices[i].x);
        out += ' ';
        appendDouble(out, vertices[i].y);
        out += ' ';
        appendDouble(out, vertices[i].z);
        out += '\n';
    }
    // Our corners run clockwise seen from outside; OBJ readers expect counter-clockwise.
    for (int32_t i = 0; i < facetCount; ++i) {
        const Facet& f = facets[i];
        out += 'f';
        for (int32_t k = f.vertexCount - 1; k >= 0; --k) {
            out += ' ';
            appendInt(out, static_cast<int64_t>(f.vertexIndex[k]) + 1);
        }
        out += '\n';
    }
    return out;
}

bool fail(std::string* error, const std::string& message) {
    if (error != nullptr) *error = message;
    return false;
}

}  // namespace

bool writeObj(const std::string& path, const Vertex* vertices, int32_t vertexCount,
              const Facet* facets, int32_t facetCount, std::string* error) {
    const std::string failure = util::cannotText("write", path, "") + ": ";
    const std::string problem = checkModel(vertices, vertexCount, facets, facetCount);
    if (!problem.empty()) return fail(error, failure + problem);
    const std::string text = objText(vertices, vertexCount, facets, facetCount);

    util::AtomicFile file;
    if (!file.open(path) || !file.write(text.data(), text.size()) || !file.commit()) {
        return fail(error, failure + file.reason());
    }
    return true;
}

}  // namespace tavrine
