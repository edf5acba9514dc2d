// The codes that the input records carry, one enum each with exactly the
// values that docs/input-format.md names. The reader converts a code as it
// reads it and rejects any other value with its line, record and item: a file
// that writes an unknown code has not said what it means, and the engine used
// to give such codes a meaning silently (an SI water weight for an inch-pound
// wall, soft clay without strength for soil type 9).
#pragma once

#include <cstddef>
#include <string_view>

#include "core/code_traits.h"

namespace darnek {

namespace detail {

template <class E, std::size_t N>
constexpr bool FromListed(int code, E& value, const int (&codes)[N]) {
  for (int c : codes) {
    if (c == code) {
      value = static_cast<E>(code);
      return true;
    }
  }
  return false;
}

}  // namespace detail

// The numeric code as the report and the plot file print it.
template <class E>
constexpr int CodeNumber(E value) {
  return static_cast<int>(value);
}

// First control line, item 1. It chooses the working units as well as the
// labels (tie-back and wall-section depths in feet, SI surcharge positions in
// millimetres, the unit weight of water), so no other code can stand in for
// one of the two systems.
enum class UnitSystem : int { English = 1, SI = 2 };
template <>
struct CodeTraits<UnitSystem> {
  static constexpr std::string_view kCodes = "1 English units, 2 SI units";
  static constexpr bool FromInt(int code, UnitSystem& value) {
    return detail::FromListed(code, value, {1, 2});
  }
};

// First control line, item 6.
enum class EarthPressureMode : int {
  None = 0,              // no earth-pressure load
  SpecifiedDiagram = 1,  // the diagram of record P
  Active = 2,            // generated active earth, water and surcharge pressure
  // Apparent-pressure trapezoids for anchored walls, generated from the same
  // profile: 3 leaves the surcharge out of the trapezoid's resultant; 5 keeps
  // it, takes the soft-clay trapezoid when the top layer is soft clay and uses
  // the OptionalCoefficient as Ka even where it is not given.
  ApparentPressure = 3,
  ApparentPressureWithSurcharge = 5,
};
template <>
struct CodeTraits<EarthPressureMode> {
  static constexpr std::string_view kCodes =
      "0 no earth pressure, 1 specified pressure diagram, 2 generated active pressure, 3 or 5 generated "
      "apparent pressure; 4 (soil springs built from the pressure diagram above the dividing depth) is not "
      "supported";
  static constexpr bool FromInt(int code, EarthPressureMode& value) {
    return detail::FromListed(code, value, {0, 1, 2, 3, 5});
  }
};
// Options 2, 3 and 5 generate the pressure from the soil block.
constexpr bool GeneratesEarthPressure(EarthPressureMode mode) {
  return mode == EarthPressureMode::Active || mode == EarthPressureMode::ApparentPressure ||
         mode == EarthPressureMode::ApparentPressureWithSurcharge;
}
constexpr bool IsApparentPressure(EarthPressureMode mode) {
  return mode == EarthPressureMode::ApparentPressure ||
         mode == EarthPressureMode::ApparentPressureWithSurcharge;
}

// First control line, item 7: 0 and 1 both mean the user curves alone.
enum class PyCurveSource : int { UserCurves = 1, Generated = 2 };
template <>
struct CodeTraits<PyCurveSource> {
  static constexpr std::string_view kCodes = "0 or 1 user p-y curves only, 2 generated p-y curves";
  static constexpr bool FromInt(int code, PyCurveSource& value) {
    if (code == 0) code = 1;
    return detail::FromListed(code, value, {1, 2});
  }
};

// First control line, item 12.
enum class HingeModel : int { None = 0, AtLowerTieBacks = 1 };
template <>
struct CodeTraits<HingeModel> {
  static constexpr std::string_view kCodes =
      "0 no hinges, 1 zero moment at every tie-back station except the first";
  static constexpr bool FromInt(int code, HingeModel& value) {
    return detail::FromListed(code, value, {0, 1});
  }
};

// Record S, item 1.
enum class ConditionCase : int { Deflection = 1, Slope = 2, DeflectionAndSlope = 3 };
template <>
struct CodeTraits<ConditionCase> {
  static constexpr std::string_view kCodes = "1 deflection, 2 slope, 3 deflection and slope";
  static constexpr bool FromInt(int code, ConditionCase& value) {
    return detail::FromListed(code, value, {1, 2, 3});
  }
};

// CONTD of the stiffness-and-load and restraint rows.
enum class RowLink : int { Standalone = 1, Linked = 2 };
template <>
struct CodeTraits<RowLink> {
  static constexpr std::string_view kCodes = "1 the row stands alone, 2 the row is linked to the next row";
  static constexpr bool FromInt(int code, RowLink& value) { return detail::FromListed(code, value, {1, 2}); }
};

// Record X1, item 4.
enum class SectionKind : int { Elastic = 0, Nonlinear = 1 };
template <>
struct CodeTraits<SectionKind> {
  static constexpr std::string_view kCodes = "0 elastic section, 1 nonlinear section";
  static constexpr bool FromInt(int code, SectionKind& value) {
    return detail::FromListed(code, value, {0, 1});
  }
};

// Record X1, item 3, of an elastic section: which properties the echo shows.
enum class ElasticShape : int {
  General = 0,
  CircularPipe = 1,
  RectangularPipe = 2,
  ISection = 3,
  HSection = 4,
  AiscSection = 5,
  SheetPiling = 6,
};
template <>
struct CodeTraits<ElasticShape> {
  static constexpr std::string_view kCodes =
      "0 general section, 1 circular pipe, 2 rectangular pipe, 3 I section, 4 H section, 5 AISC section, "
      "6 sheet piling";
  static constexpr bool FromInt(int code, ElasticShape& value) {
    return detail::FromListed(code, value, {0, 1, 2, 3, 4, 5, 6});
  }
};

// Record X1, item 3, of a nonlinear section: which records follow its main row.
enum class NonlinearSectionType : int {
  RoundConcreteShaft = 1,
  CasedConcreteShaft = 2,
  RectangularConcretePile = 3,
  RoundPrestressedPile = 4,
  SquarePrestressedPile = 5,
  OctagonalPrestressedPile = 6,
  SteelPipePile = 7,
  SteelHPile = 8,
  SteelIPile = 9,
  SteelAiscPile = 10,
  UserDefinedEI = 11,
};
template <>
struct CodeTraits<NonlinearSectionType> {
  static constexpr std::string_view kCodes =
      "1 round concrete shaft, 2 cased shaft, 3 rectangular concrete pile, 4 round prestressed pile, "
      "5 square prestressed pile, 6 octagonal prestressed pile, 7 steel pipe, 8 steel H section, "
      "9 steel I section, 10 steel AISC section, 11 user-defined EI";
  static constexpr bool FromInt(int code, NonlinearSectionType& value) {
    return detail::FromListed(code, value, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  }
};

// The 12th value of record XE2.
enum class SectionTaper : int { Uniform = 0, Tapered = 1 };
template <>
struct CodeTraits<SectionTaper> {
  static constexpr std::string_view kCodes = "0 uniform section, 1 tapered section (bottom rows follow)";
  static constexpr bool FromInt(int code, SectionTaper& value) {
    return detail::FromListed(code, value, {0, 1});
  }
};

// GeometryCode of record NG: the steel core of a cased shaft.
enum class SteelCore : int { None = 0, Pipe = 1, Shape = 2 };
template <>
struct CodeTraits<SteelCore> {
  static constexpr std::string_view kCodes = "0 no steel core, 1 steel pipe, 2 H or I shape";
  static constexpr bool FromInt(int code, SteelCore& value) {
    return detail::FromListed(code, value, {0, 1, 2});
  }
};

// Layout of records NR and NS.
enum class BarLayout : int { Circle = 1, Rectangle = 2, Positions = 3 };
template <>
struct CodeTraits<BarLayout> {
  static constexpr std::string_view kCodes =
      "1 evenly on a circle, 2 evenly along a rectangle, 3 positions given";
  static constexpr bool FromInt(int code, BarLayout& value) {
    return detail::FromListed(code, value, {1, 2, 3});
  }
};

// Record F0.
enum class ReductionCombination : int { TableAlone = 0, WithAutomatic = 1 };
template <>
struct CodeTraits<ReductionCombination> {
  static constexpr std::string_view kCodes =
      "0 the table alone, 1 the table times the automatic reduction for closely spaced elements";
  static constexpr bool FromInt(int code, ReductionCombination& value) {
    return detail::FromListed(code, value, {0, 1});
  }
};

// Record E1, item 7.
enum class WaterPressure : int { NotAdded = 0, Added = 1 };
template <>
struct CodeTraits<WaterPressure> {
  static constexpr std::string_view kCodes =
      "0 not added, 1 water pressure added below the backfill water table in drained layers";
  static constexpr bool FromInt(int code, WaterPressure& value) {
    return detail::FromListed(code, value, {0, 1});
  }
};

// Record E4, item 1.
enum class SurchargeType : int { Point = 1, Line = 2, Strip = 3 };
template <>
struct CodeTraits<SurchargeType> {
  static constexpr std::string_view kCodes = "1 point load, 2 line load, 3 strip load";
  static constexpr bool FromInt(int code, SurchargeType& value) {
    return detail::FromListed(code, value, {1, 2, 3});
  }
};

// Record E5, item 2.
enum class Loading : int { Cyclic = 0, Static = 1 };
template <>
struct CodeTraits<Loading> {
  static constexpr std::string_view kCodes = "0 cyclic loading, 1 static loading";
  static constexpr bool FromInt(int code, Loading& value) { return detail::FromListed(code, value, {0, 1}); }
};

// Record L1, item 1: the p-y model of the layer, and for the earth pressure
// whether it is drained (sand and the types below it).
enum class SoilType : int {
  SoftClay = 1,
  StiffClayBelowWater = 2,
  StiffClayAboveWater = 3,
  Sand = 4,
  Silt = 5,
  Rock = 6,
  WeakRock = 7,
};
template <>
struct CodeTraits<SoilType> {
  static constexpr std::string_view kCodes =
      "1 soft clay, 2 stiff clay below the water table, 3 stiff clay above the water table, 4 sand, 5 silt, "
      "6 rock, 7 weak rock";
  static constexpr bool FromInt(int code, SoilType& value) {
    return detail::FromListed(code, value, {1, 2, 3, 4, 5, 6, 7});
  }
};
constexpr bool IsClay(SoilType type) {
  return type == SoilType::SoftClay || type == SoilType::StiffClayBelowWater ||
         type == SoilType::StiffClayAboveWater;
}
constexpr bool IsRock(SoilType type) { return type == SoilType::Rock || type == SoilType::WeakRock; }

}  // namespace darnek
