// Numeric constants shared by the soil profile and the p-y models. Several are
// single-precision values widened to double on purpose: the curves the solver
// receives were always formed with these values, and the last digits show in
// the scratch file.
#pragma once

namespace darnek::soil {

constexpr double Single(float value) { return static_cast<double>(value); }

// Unit weight of water on the p-y side: kN/m3 and lb/in3.
inline constexpr double kUnitWeightWaterSI = Single(9.81f);
inline constexpr double kUnitWeightWaterEnglish = Single(0.036f);

// One foot, the width of the continuous-wall forms: 12 in, and in metres
// twelve single-precision inches of 0.0254 m (0.30479999631643295).
inline constexpr double kReferenceWidthSI = 12 * Single(0.0254f);
inline constexpr double kReferenceWidthEnglish = 12.0;

// The three values of pi the models were written with.
inline constexpr double kPiProfile = Single(3.14159f);  // profile step
inline constexpr double kPi = Single(3.1416f);          // PHI conversion, sand
// Degrees per radian for the excavation slope.
inline constexpr double kDegreesPerRadian = Single(57.2958f);

// Tolerances of the profile: thicknesses and depths below these count as zero.
inline constexpr double kMinDepth = 1e-6;
inline constexpr double kMinStep = 1e-5;
// Smallest deflection at which a p-y secant is formed.
inline constexpr double kSmallDeflection = 1e-14;
// Values at boundaries of the strength curve below this count as absent.
inline constexpr double kAbsentValue = 1e-20;

// Width ratio WA/WP from which the wall counts as spaced elements (below it,
// a continuous wall); the closely-spaced reduction applies up to 3.1.
inline constexpr double kSpacedRatio = Single(1.1f);
inline constexpr double kIsolatedRatio = Single(3.1f);

// Offset of the first and last curve of a layer from its boundaries: 0.1 in,
// and in metres the single-precision 0.1 divided by ten (0.010000000149011612).
inline constexpr double kCurveOffsetEnglish = Single(0.1f);
inline constexpr double kCurveOffsetSI = Single(0.1f) / 10;

// Number of points of each side of a generated curve.
inline constexpr int kSidePoints = 17;

}  // namespace darnek::soil
