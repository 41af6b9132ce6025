// Colour reduction to 256 palette entries: Wu's greedy variance cuts of the colour cube give
// the first palette, k-means over the picture's distinct colours refines it, and every pixel
// takes its nearest palette colour (no dithering, so that similar frames stay alike).

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "imgctl/dib.h"

namespace tavrine::imgctl {

namespace {

constexpr int kMaxColours = 256;
constexpr int kSide = 33;  // 32 cells of 5 bits per channel, plus the zero plane of the sums
constexpr int kRefineRounds = 24;

struct ColourCount {
    uint32_t rgb;  // red << 16 | green << 8 | blue
    uint32_t count;
};

struct Rgb {
    int32_t r, g, b;
};

inline int32_t redOf(uint32_t rgb) { return static_cast<int32_t>((rgb >> 16) & 0xFF); }
inline int32_t greenOf(uint32_t rgb) { return static_cast<int32_t>((rgb >> 8) & 0xFF); }
inline int32_t blueOf(uint32_t rgb) { return static_cast<int32_t>(rgb & 0xFF); }

// Cumulative moments of the colour histogram over 32 x 32 x 32 cells (Wu 1991).
class WuCube {
  public:
    explicit WuCube(const std::vector<ColourCount>& colours)
        : wt_(kCells, 0), mr_(kCells, 0), mg_(kCells, 0), mb_(kCells, 0), m2_(kCells, 0.0) {
        for (const ColourCount& c : colours) {
            const int32_t r = redOf(c.rgb), g = greenOf(c.rgb), b = blueOf(c.rgb);
            const size_t i = at((r >> 3) + 1, (g >> 3) + 1, (b >> 3) + 1);
            const int64_t n = c.count;
            wt_[i] += n;
            mr_[i] += n * r;
            mg_[i] += n * g;
            mb_[i] += n * b;
            m2_[i] += static_cast<double>(n) * (r * r + g * g + b * b);
        }
        accumulate();
    }

    // A box of cells: lower bounds exclusive, upper bounds inclusive.
    struct Box {
        int lo[3];
        int hi[3];
    };

    struct Moments {
        int64_t w, r, g, b;
    };

    Moments moments(const Box& x) const {
        return {volume(x, wt_), volume(x, mr_), volume(x, mg_), volume(x, mb_)};
    }

    // Returns the sum of squared deviations from the box's mean colour.
    double variance(const Box& x) const {
        const Moments m = moments(x);
        if (m.w == 0) return 0.0;
        const double m2 = volume(x, m2_);
        const double s = static_cast<double>(m.r) * m.r + static_cast<double>(m.g) * m.g +
                         static_cast<double>(m.b) * m.b;
        return m2 - s / static_cast<double>(m.w);
    }

    // Splits |a| into |a| and |b| at the plane that leaves the least variance; false when the
    // box cannot be split.
    bool cut(Box& a, Box& b) const {
        const Moments whole = moments(a);
        double best = 0.0;
        int bestDir = -1, bestPos = -1;
        for (int dir = 0; dir < 3; ++dir) {
            for (int pos = a.lo[dir] + 1; pos < a.hi[dir]; ++pos) {
                Box half = a;
                half.hi[dir] = pos;
                const Moments h = moments(half);
                if (h.w == 0) continue;
                const Moments o{whole.w - h.w, whole.r - h.r, whole.g - h.g, whole.b - h.b};
                if (o.w == 0) continue;
                const double score = spread(h) + spread(o);
                if (score > best) {
                    best = score;
                    bestDir = dir;
                    bestPos = pos;
                }
            }
        }
        if (bestDir < 0) return false;
        b = a;
        a.hi[bestDir] = bestPos;
        b.lo[bestDir] = bestPos;
        return true;
    }

  private:
    static constexpr size_t kCells = size_t{kSide} * kSide * kSide;

    static size_t at(int r, int g, int b) {
        return (static_cast<size_t>(r) * kSide + static_cast<size_t>(g)) * kSide +
               static_cast<size_t>(b);
    }

    static double spread(const Moments& m) {
        const double s = static_cast<double>(m.r) * m.r + static_cast<double>(m.g) * m.g +
                         static_cast<double>(m.b) * m.b;
        return s / static_cast<double>(m.w);
    }

    template <typename T>
    static T volume(const Box& x, const std::vector<T>& m) {
        const int r0 = x.lo[0], r1 = x.hi[0], g0 = x.lo[1], g1 = x.hi[1];
        const int b0 = x.lo[2], b1 = x.hi[2];
        return m[at(r1, g1, b1)] - m[at(r1, g1, b0)] - m[at(r1, g0, b1)] + m[at(r1, g0, b0)] -
               m[at(r0, g1, b1)] + m[at(r0, g1, b0)] + m[at(r0, g0, b1)] - m[at(r0, g0, b0)];
    }

    // Turns the cell counts into sums over every box from the origin.
    template <typename T>
    static void sum3(std::vector<T>& m) {
        for (int r = 1; r < kSide; ++r) {
            for (int g = 1; g < kSide; ++g) {
                for (int b = 1; b < kSide; ++b) {
                    m[at(r, g, b)] += m[at(r - 1, g, b)] + m[at(r, g - 1, b)] + m[at(r, g, b - 1)] -
                                      m[at(r - 1, g - 1, b)] - m[at(r - 1, g, b - 1)] -
                                      m[at(r, g - 1, b - 1)] + m[at(r - 1, g - 1, b - 1)];
                }
            }
        }
    }

    void accumulate() {
        sum3(wt_);
        sum3(mr_);
        sum3(mg_);
        sum3(mb_);
        sum3(m2_);
    }

    std::vector<int64_t> wt_, mr_, mg_, mb_;
    std::vector<double> m2_;
};

// Returns the mean colours of up to |limit| boxes cut greedily by largest variance.
std::vector<Rgb> wuPalette(const std::vector<ColourCount>& colours, int limit) {
    const WuCube cube(colours);
    std::vector<WuCube::Box> boxes(static_cast<size_t>(limit));
    std::vector<double> score(static_cast<size_t>(limit), 0.0);
    boxes[0] = {{0, 0, 0}, {32, 32, 32}};
    score[0] = cube.variance(boxes[0]);
    int used = 1;
    while (used < limit) {
        size_t next = 0;
        for (size_t i = 1; i < static_cast<size_t>(used); ++i) {
            if (score[i] > score[next]) next = i;
        }
        if (score[next] <= 0.0) break;
        WuCube::Box& a = boxes[next];
        WuCube::Box& b = boxes[static_cast<size_t>(used)];
        if (!cube.cut(a, b)) {
            score[next] = 0.0;
            continue;
        }
        score[next] = cube.variance(a);
        score[static_cast<size_t>(used)] = cube.variance(b);
        ++used;
    }
    std::vector<Rgb> palette;
    for (int i = 0; i < used; ++i) {
        const WuCube::Moments m = cube.moments(boxes[static_cast<size_t>(i)]);
        if (m.w == 0) continue;
        palette.push_back({static_cast<int32_t>((m.r + m.w / 2) / m.w),
                           static_cast<int32_t>((m.g + m.w / 2) / m.w),
                           static_cast<int32_t>((m.b + m.w / 2) / m.w)});
    }
    return palette;
}

// Exact nearest-colour search over a palette sorted by green: the green distance bounds the
// full distance, so the scan outwards from the query's green stops early. Ties go to the lower
// palette index.
class Nearest {
  public:
    explicit Nearest(const std::vector<Rgb>& palette) : palette_(palette) {
        order_.resize(palette.size());
        for (size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<int32_t>(i);
        std::sort(order_.begin(), order_.end(), [&](int32_t a, int32_t b) {
            const int32_t ga = palette[static_cast<size_t>(a)].g;
            const int32_t gb = palette[static_cast<size_t>(b)].g;
            return ga != gb ? ga < gb : a < b;
        });
        greens_.reserve(order_.size());
        for (int32_t i : order_) greens_.push_back(palette[static_cast<size_t>(i)].g);
    }

    int32_t find(int32_t r, int32_t g, int32_t b, int64_t* distance) const {
        const auto start = std::lower_bound(greens_.begin(), greens_.end(), g) - greens_.begin();
        int64_t best = INT64_MAX;
        int32_t bestIndex = 0;
        auto visit = [&](size_t k) {
            const int32_t i = order_[k];
            const Rgb& c = palette_[static_cast<size_t>(i)];
            const int64_t dr = c.r - r, dg = c.g - g, db = c.b - b;
            const int64_t d = dr * dr + dg * dg + db * db;
            if (d < best || (d == best && i < bestIndex)) {
                best = d;
                bestIndex = i;
            }
        };
        for (size_t k = static_cast<size_t>(start); k < order_.size(); ++k) {
            const int64_t dg = greens_[k] - g;
            if (dg * dg > best) break;
            visit(k);
        }
        for (size_t k = static_cast<size_t>(start); k-- > 0;) {
            const int64_t dg = g - greens_[k];
            if (dg * dg > best) break;
            visit(k);
        }
        if (distance != nullptr) *distance = best;
        return bestIndex;
    }

  private:
    const std::vector<Rgb>& palette_;
    std::vector<int32_t> order_;
    std::vector<int32_t> greens_;
};

// Moves each palette colour to the rounded mean of the colours nearest to it until nothing
// changes; slots left without colours are moved to the worst-served colours. Returns the
// palette index of each distinct colour.
std::vector<int32_t> refine(const std::vector<ColourCount>& colours, std::vector<Rgb>& palette) {
    std::vector<int32_t> assign(colours.size(), -1);
    std::vector<int64_t> error(colours.size(), 0);
    for (int round = 0;; ++round) {
        const Nearest nearest(palette);
        size_t changed = 0;
        std::vector<std::array<int64_t, 4>> sums(palette.size(), {0, 0, 0, 0});
        for (size_t d = 0; d < colours.size(); ++d) {
            const uint32_t rgb = colours[d].rgb;
            const int64_t n = colours[d].count;
            int64_t dist = 0;
            const int32_t k = nearest.find(redOf(rgb), greenOf(rgb), blueOf(rgb), &dist);
            if (k != assign[d]) ++changed;
            assign[d] = k;
            error[d] = dist * n;
            auto& s = sums[static_cast<size_t>(k)];
            s[0] += n;
            s[1] += n * redOf(rgb);
            s[2] += n * greenOf(rgb);
            s[3] += n * blueOf(rgb);
        }
        if (round == kRefineRounds || (changed == 0 && round > 0)) break;
        std::vector<size_t> empty;
        for (size_t k = 0; k < palette.size(); ++k) {
            const auto& s = sums[k];
            if (s[0] == 0) {
                empty.push_back(k);
                continue;
            }
            palette[k] = {static_cast<int32_t>((s[1] + s[0] / 2) / s[0]),
                          static_cast<int32_t>((s[2] + s[0] / 2) / s[0]),
                          static_cast<int32_t>((s[3] + s[0] / 2) / s[0])};
        }
        if (empty.empty()) continue;
        // Give each unused slot the distinct colour with the largest weighted error.
        std::vector<size_t> worst(colours.size());
        for (size_t d = 0; d < worst.size(); ++d) worst[d] = d;
        const size_t take = std::min(empty.size(), worst.size());
        std::partial_sort(
            worst.begin(), worst.begin() + static_cast<std::ptrdiff_t>(take), worst.end(),
            [&](size_t a, size_t b) { return error[a] != error[b] ? error[a] > error[b] : a < b; });
        for (size_t e = 0; e < take; ++e) {
            if (error[worst[e]] == 0) break;
            const uint32_t rgb = colours[worst[e]].rgb;
            palette[empty[e]] = {redOf(rgb), greenOf(rgb), blueOf(rgb)};
        }
    }
    return assign;
}

}  // namespace

Dib quantize(const Dib& source) {
    Dib out;
    if (!out.allocate(source.width, source.height, 8)) return out;
    // The distinct colours of the picture with their pixel counts, in colour order.
    std::vector<uint32_t> all;
    all.reserve(static_cast<size_t>(source.width) * static_cast<size_t>(source.height));
    for (int32_t r = 0; r < source.height; ++r) {
        for (int32_t x = 0; x < source.width; ++x) {
            const ColorRef c = source.colourAt(x, r);
            all.push_back(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
        }
    }
    std::vector<uint32_t> sorted = all;
    std::sort(sorted.begin(), sorted.end());
    std::vector<ColourCount> colours;
    for (uint32_t v : sorted) {
        if (colours.empty() || colours.back().rgb != v) {
            colours.push_back({v, 1});
        } else {
            ++colours.back().count;
        }
    }

    std::vector<Rgb> palette;
    std::vector<int32_t> assign;
    if (colours.size() <= kMaxColours) {
        // Few enough colours: the palette is the colours themselves.
        for (size_t d = 0; d < colours.size(); ++d) {
            palette.push_back(
                {redOf(colours[d].rgb), greenOf(colours[d].rgb), blueOf(colours[d].rgb)});
            assign.push_back(static_cast<int32_t>(d));
        }
    } else {
        palette = wuPalette(colours, kMaxColours);
        // Slots Wu could not fill start on the first colour; refinement moves them.
        while (palette.size() < kMaxColours) palette.push_back(palette.front());
        assign = refine(colours, palette);
    }

    out.paletteSize = static_cast<int32_t>(palette.size());
    for (size_t k = 0; k < palette.size(); ++k) {
        uint8_t* q = out.palette.data() + k * 4;
        q[0] = static_cast<uint8_t>(palette[k].b);
        q[1] = static_cast<uint8_t>(palette[k].g);
        q[2] = static_cast<uint8_t>(palette[k].r);
        q[3] = 0;
    }
    size_t i = 0;
    for (int32_t r = 0; r < source.height; ++r) {
        uint8_t* row = out.storedRow(r);
        for (int32_t x = 0; x < source.width; ++x, ++i) {
            const auto d =
                std::lower_bound(colours.begin(), colours.end(), all[i],
                                 [](const ColourCount& c, uint32_t v) { return c.rgb < v; }) -
                colours.begin();
            row[x] = static_cast<uint8_t>(assign[static_cast<size_t>(d)]);
        }
    }
    out.refresh();
    return out;
}

}  // namespace tavrine::imgctl
