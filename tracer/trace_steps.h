#pragma once
// The steps of following one ray through the stone, shared by the exported tracer and the faster
// path of the render job so that each is written once: the ray frame, the edge and plane tests of
// the facet search, the hit point, the mirror and refracted directions, the Fresnel weight, the
// absorption and the shading of the rays that end, in the Studio lighting and under the dome of
// the ISO and COS lightings.
//
// The order of every operation is part of the result (pictures are compared to the last bit), so
// the formulas are written out term by term and left to right; whoever includes this header must
// build with floating-point contraction off.

#include <cmath>
#include <cstdint>

#include "tracer/tvrt.h"

namespace tavrine {
namespace steps {

inline double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Returns the index (0 = x, 1 = y, 2 = z) of the largest component of |d|; ties go to the
// later axis.
inline int dominantAxis(const Vec3& d) {
    const double ax = std::fabs(d.x);
    const double ay = std::fabs(d.y);
    const double az = std::fabs(d.z);
    if (ay >= ax) {
        return az >= ay ? 2 : 1;
    }
    return az >= ax ? 2 : 0;
}

// The component of d on the axis dominantAxis returned.
inline double onAxis(const Vec3& d, int axis) { return axis == 0 ? d.x : (axis == 1 ? d.y : d.z); }

// The first two axes of the ray's own right-handed frame (e1, e2, d): the ray becomes the third
// axis.
struct RayFrame {
    Vec3 e1;
    Vec3 e2;
};

inline RayFrame rayFrame(const Vec3& d) {
    RayFrame f{};
    if (std::fabs(d.y) <= 1.0 / std::sqrt(2.0)) {
        const double c = std::sqrt(d.x * d.x + d.z * d.z);
        f.e1 = Vec3{d.z / c, 0.0, -d.x / c};
        f.e2 = Vec3{-d.x * d.y / c, c, -d.y * d.z / c};
    } else {
        const double c = std::sqrt(d.y * d.y + d.z * d.z);
        f.e1 = Vec3{c, -d.x * d.y / c, -d.x * d.z / c};
        f.e2 = Vec3{0.0, d.z / c, -d.y / c};
    }
    return f;
}

// A corner r (relative to the ray's origin) in the ray frame.
inline Vec3 project(const RayFrame& f, const Vec3& d, const Vec3& r) {
    return Vec3{dot(f.e1, r), dot(f.e2, r), dot(d, r)};
}

// The edge test's value for the projected corner p and its neighbour q: the ray passes on the
// right side of the edge when it is not negative.
inline double edgeCross(const Vec3& p, const Vec3& q) { return p.x * q.y - p.y * q.x; }

// plane · D, the plane test's p.
inline double planeAlong(const double plane[4], const Vec3& d) {
    return plane[0] * d.x + plane[1] * d.y + plane[2] * d.z;
}

// True when the plane is so nearly parallel to the ray that the facet is skipped rather than
// divided by (dk is the ray's dominant component).
inline bool nearlyParallel(double dk, double p) { return std::fabs(dk * p) < 0.0000001; }

// Returns the point where the ray meets the plane (pa, pb, pc, pd), with p = plane · D already
// known: the dominant coordinate is solved first and the other two, in ascending axis order,
// follow from it along the ray.
inline Vec3 hitPoint(int axis, const Vec3& o, const Vec3& d, const double plane[4], double p) {
    const double pa = plane[0];
    const double pb = plane[1];
    const double pc = plane[2];
    const double pd = plane[3];
    Vec3 h{};
    if (axis == 0) {
        h.x = -(d.x * pd + pb * (d.x * o.y - d.y * o.x) + pc * (d.x * o.z - d.z * o.x)) / p;
        h.y = o.y + d.y * (h.x - o.x) / d.x;
        h.z = o.z + d.z * (h.x - o.x) / d.x;
    } else if (axis == 1) {
        h.y = -(d.y * pd + pa * (d.y * o.x - d.x * o.y) + pc * (d.y * o.z - d.z * o.y)) / p;
        h.x = o.x + d.x * (h.y - o.y) / d.y;
        h.z = o.z + d.z * (h.y - o.y) / d.y;
    } else {
        h.z = -(d.z * pd + pa * (d.z * o.x - d.x * o.z) + pb * (d.z * o.y - d.y * o.z)) / p;
        h.x = o.x + d.x * (h.z - o.z) / d.z;
        h.y = o.y + d.y * (h.z - o.z) / d.z;
    }
    return h;
}

// |H − O|.
inline double distance(const Vec3& o, const Vec3& h) {
    const Vec3 s{h.x - o.x, h.y - o.y, h.z - o.z};
    return std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z);
}

// The two directions leaving a facet and their cosines.
struct Bounce {
    Vec3 reflected;
    Vec3 refracted;
    double cosI;
    double cosT;
    bool isRefracted;  // false under total internal reflection
    Vec3 h;            // cosI times the normal facing along the ray
};

// The mirror direction and cosI, which do not depend on the refractive indexes: the normal
// facing along the ray is −N outside, N inside.
inline void mirror(const Vec3& d, const Vec3& normal, bool inside, Bounce& b) {
    const Vec3 m = inside ? normal : Vec3{-normal.x, -normal.y, -normal.z};
    b.cosI = dot(d, m);
    b.h = Vec3{b.cosI * m.x, b.cosI * m.y, b.cosI * m.z};
    b.reflected = Vec3{d.x - 2.0 * b.h.x, d.y - 2.0 * b.h.y, d.z - 2.0 * b.h.z};
}

// The index ratio of the refraction: outer over stone entering, stone over outer leaving.
inline double indexRatio(double outerIndex, double stoneIndex, bool inside) {
    return inside ? stoneIndex / outerIndex : outerIndex / stoneIndex;
}

// The refracted direction for the index ratio, after mirror(); beyond unit length of the
// tangential part nothing gets through.
inline void refract(const Vec3& d, double ratio, Bounce& b) {
    const Vec3& h = b.h;
    const Vec3 t{(d.x - h.x) * ratio, (d.y - h.y) * ratio, (d.z - h.z) * ratio};
    const double s = t.x * t.x + t.y * t.y + t.z * t.z;
    if (s > 1.0) {
        b.refracted = Vec3{0.0, 0.0, 0.0};
        b.cosT = 0.0;
        b.isRefracted = false;
        return;
    }
    b.cosT = std::sqrt(1.0 - s);
    const double hl = std::sqrt(h.x * h.x + h.y * h.y + h.z * h.z);
    b.refracted = Vec3{t.x + b.cosT * h.x / hl, t.y + b.cosT * h.y / hl, t.z + b.cosT * h.z / hl};
    b.isRefracted = true;
}

// Fresnel weight: the fifth power entering the stone, the first power leaving it (1 under total
// internal reflection, where cosT is 0).
inline double fresnel(double r0, const Bounce& b, bool inside) {
    if (!inside) {
        const double e = 1.0 - b.cosI;
        return r0 + (1.0 - r0) * (e * e * e * e * e);
    }
    return r0 + (1.0 - r0) * (1.0 - b.cosT);
}

// Subtracts absorption × length from a channel, stopping at 0.
inline void absorb(double* channel, double absorption, double length) {
    *channel -= absorption * length;
    if (*channel < 0.0) {
        *channel = 0.0;
    }
}

// What the shading of a ray that ends reads: the main light's direction, the backdrop, the light
// volumes and the stone colour's absorption, and which lighting shades it (a TraceLightingKind)
// with the cosine of the head shadow's half angle for the dome.
struct Lighting {
    Vec3 lightDirection;
    int32_t backdrop[3];
    int32_t mainLight;
    int32_t backLight;
    int32_t fillLight;
    int32_t narrowHighlight;
    double absorption[3];
    int32_t kind;
    double headShadowCosine;
};

// True under the ISO and COS lightings, whose dome replaces the Studio lights and backdrop.
inline bool underDome(const Lighting& l) { return l.kind == kTraceIso || l.kind == kTraceCos; }

// The dome's radiance along the direction d of a ray that has left the stone: nothing for a ray
// through the back (Dz not negative, or not a number) or inside the head shadow (-Dz above
// cos h); else 1 under ISO and -Dz under COS.
inline double domeLight(const Vec3& d, const Lighting& l) {
    if (!(d.z < 0.0)) {
        return 0.0;
    }
    const double up = -d.z;
    if (up > l.headShadowCosine) {
        return 0.0;
    }
    return l.kind == kTraceCos ? up : 1.0;
}

// Three channel values.
struct Rgb {
    double r;
    double g;
    double b;
};

// Returns D · L, or 0 when the ray points away from the main light.
inline double lightCosine(const Vec3& d, const Lighting& l) {
    const double c = dot(d, l.lightDirection);
    return c < 0.0 ? 0.0 : c;
}

// A ray inside the stone at the depth limit gets a dim colour, brighter only against a bright
// backdrop with the back light above 100 percent; under the dome it brings nothing.
inline Rgb shadeTrapped(const Lighting& l) {
    if (underDome(l)) {
        return Rgb{0.0, 0.0, 0.0};
    }
    const int32_t k = (l.backdrop[0] * l.backdrop[0] + l.backdrop[1] * l.backdrop[1] +
                       l.backdrop[2] * l.backdrop[2]) /
                      65025;
    double v = static_cast<double>(k);
    if (k > 1) {
        v = 1.0;
    }
    const double base = 0.05 - 0.03 * v;
    double extra = 0.0;
    if (l.backLight >= 100) {
        extra = (l.backLight - 100) * 0.01 * 0.2;
    }
    return Rgb{l.backdrop[0] * extra / 256 + base, l.backdrop[1] * extra / 256 + base,
               l.backdrop[2] * extra / 256 + base};
}

// The primary ray's reflection off the outer surface, a white glare that is a sharp power of the
// cosine to the main light (c^16, or c^32 with the narrow highlight); under the dome, the dome's
// light along d.
inline double shadeGlare(const Vec3& d, const Lighting& l) {
    if (underDome(l)) {
        return domeLight(d, l);
    }
    const double c = lightCosine(d, l);
    const double c8 = c * c * c * c * c * c * c * c;
    double g = c8 * c8;
    if (l.narrowHighlight != 0) {
        g = g * g;
    }
    return l.mainLight * g * 0.05;
}

// How much of the backdrop a leaving ray with z component dz sees before the back light: 100
// along or away from the eye, falling to 0 as the ray turns back towards it (dz from 0 to −0.5).
// A dz that is not a number counts as not negative, so no such value reaches the integer
// conversion.
inline int32_t backdropShare(double dz) {
    if (!(dz < 0.0)) {
        return 100;
    }
    const double b = 100 + 200 * dz;
    // Truncation towards zero, then negatives to 0: every b below 0 gives 0.
    return b < 0.0 ? 0 : static_cast<int32_t>(b);
}

// A ray that has left the stone sees the backdrop (tinted by the stone colour) when it runs away
// from the eye, the fill light when it comes back towards it, and the main light in proportion
// to the cosine. The result is not clamped and may be negative. Under the dome it brings the
// dome's white light along d.
inline Rgb shadeLeaving(const Vec3& d, const Lighting& l) {
    if (underDome(l)) {
        const double v = domeLight(d, l);
        return Rgb{v, v, v};
    }
    const double c = lightCosine(d, l);

    int32_t kb = 0;
    if (!(l.backdrop[0] == 0 && l.backdrop[1] == 0 && l.backdrop[2] == 0)) {
        kb = static_cast<int32_t>(backdropShare(d.z) * l.backLight * 0.01);
    }

    int32_t kf = 0;
    if (d.z < 0.0) {
        kf = static_cast<int32_t>(-100 * d.z);
    }

    const double w = l.fillLight * 0.12 * kf * 0.01 + 0.175 * l.mainLight * c;
    return Rgb{
        ((l.backdrop[0] - 1000 * l.absorption[0]) * kb * (1.0 / 255.0) * 0.110565 + w) * 0.01,
        ((l.backdrop[1] - 1000 * l.absorption[1]) * kb * (1.0 / 255.0) * 0.110565 + w) * 0.01,
        ((l.backdrop[2] - 1000 * l.absorption[2]) * kb * (1.0 / 255.0) * 0.110565 + w) * 0.01};
}

}  // namespace steps
}  // namespace tavrine
