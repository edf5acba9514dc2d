// The field table: every record of a stage and the TOML key of each item.
#include "toml/field_table.h"

#include <charconv>
#include <cmath>

#include "core/design_methods.h"

namespace darnek::toml_input {

const Code* CodeSet::ByName(std::string_view name) const {
  for (const Code& c : Codes)
    if (c.Name == name) return &c;
  return nullptr;
}

const Code* CodeSet::ByNumber(int number, int group) const {
  for (const Code& c : Codes)
    if (c.Number == number && c.Group == group) return &c;
  return nullptr;
}

std::string CodeSet::Names() const {
  std::string out;
  for (size_t i = 0; i < Codes.size(); ++i) {
    if (i > 0) out += i + 1 == Codes.size() ? " or " : ", ";
    out += "\"" + std::string(Codes[i].Name) + "\"";
  }
  return out;
}

std::string RealText(double value) {
  char buffer[64];
  const double magnitude = std::fabs(value);
  const bool plain = value == 0 || (magnitude >= 1e-5 && magnitude < 1e15);
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    plain ? std::chars_format::fixed : std::chars_format::scientific);
  std::string text(buffer, result.ptr);
  const size_t e = text.find('e');
  if (e == std::string::npos) {
    if (text.find('.') == std::string::npos) text += ".0";
    return text;
  }
  // 1e-08 reads better as 1e-8, 2.5e+07 as 2.5e7.
  std::string mantissa = text.substr(0, e);
  std::string exponent = text.substr(e + 1);
  const bool negative = exponent[0] == '-';
  if (exponent[0] == '-' || exponent[0] == '+') exponent.erase(0, 1);
  while (exponent.size() > 1 && exponent[0] == '0') exponent.erase(0, 1);
  if (mantissa.find('.') == std::string::npos) mantissa += ".0";
  return mantissa + "e" + (negative ? "-" : "") + exponent;
}

std::string_view EnglishUnit(Unit unit) {
  switch (unit) {
    case Unit::None:
      return "";
    case Unit::Length:
      return "in";
    case Unit::Feet:
      return "ft";
    case Unit::SectionLength:
      return "in";
    case Unit::SectionArea:
      return "in²";
    case Unit::SectionInertia:
      return "in⁴";
    case Unit::Stress:
      return "lb/in²";
    case Unit::TieBackArea:
      return "in²";
    case Unit::Force:
      return "lb";
    case Unit::Moment:
      return "lb·in";
    case Unit::Curvature:
      return "rad/in";
    case Unit::UnitWeight:
      return "lb/in³";
    case Unit::LinePressure:
      return "lb/in";
    case Unit::Surcharge:
      return "lb, lb/in, lb/in²";
    case Unit::SurchargeLength:
      return "in";
    case Unit::Spring:
      return "lb/in";
    case Unit::RotationalSpring:
      return "lb·in/rad";
    case Unit::Degrees:
      return "degrees";
    case Unit::Radians:
      return "radians";
    case Unit::Percent:
      return "%";
    case Unit::Station:
      return "station";
    case Unit::Strain:
      return "strain";
    case Unit::SectionModulus:
      return "in³";
  }
  return "";
}

std::string_view SiUnit(Unit unit) {
  switch (unit) {
    case Unit::Length:
      return "m";
    case Unit::Feet:
      return "m";
    case Unit::SectionLength:
      return "mm";
    case Unit::SectionArea:
      return "mm²";
    case Unit::SectionInertia:
      return "mm⁴";
    case Unit::Stress:
      return "kN/m²";
    case Unit::TieBackArea:
      return "m²";
    case Unit::Force:
      return "kN";
    case Unit::Moment:
      return "kN·m";
    case Unit::Curvature:
      return "rad/m";
    case Unit::UnitWeight:
      return "kN/m³";
    case Unit::LinePressure:
      return "kN/m";
    case Unit::Surcharge:
      return "kN, kN/m, kN/m²";
    case Unit::SurchargeLength:
      return "mm";
    case Unit::Spring:
      return "kN/m";
    case Unit::RotationalSpring:
      return "kN·m/rad";
    case Unit::SectionModulus:
      return "mm³";
    default:
      return EnglishUnit(unit);
  }
}

namespace {

// ------------------------------------------------------------ codes
const CodeSet kUnits{{{1, "english"}, {2, "si"}}};
const CodeSet kEarthPressure{
    {{0, "none"}, {1, "specified"}, {2, "generated"}, {3, "apparent"}, {5, "apparent_soft_clay"}}};
const CodeSet kPyCurves{{{0, "user"}, {2, "generated"}}};
const CodeSet kShapes{{{0, "general", 0},
                       {1, "circular_pipe", 0},
                       {2, "rectangular_pipe", 0},
                       {3, "i_section", 0},
                       {4, "h_section", 0},
                       {5, "aisc_section", 0},
                       {6, "sheet_piling", 0},
                       {1, "round_concrete_shaft", 1},
                       {2, "cased_concrete_shaft", 1},
                       {3, "rectangular_concrete_pile", 1},
                       {4, "round_prestressed_pile", 1},
                       {5, "square_prestressed_pile", 1},
                       {6, "octagonal_prestressed_pile", 1},
                       {7, "steel_pipe_pile", 1},
                       {8, "steel_h_pile", 1},
                       {9, "steel_i_pile", 1},
                       {10, "steel_aisc_pile", 1},
                       {11, "user_ei", 1}},
                      false};
const CodeSet kLayouts{{{1, "circle"}, {2, "rectangle"}, {3, "positions"}}};
const CodeSet kSteelCores{{{0, "none"}, {1, "pipe"}, {2, "h_or_i_section"}}};
const CodeSet kSurchargeTypes{{{1, "point"}, {2, "line"}, {3, "strip"}}};
const CodeSet kLoadings{{{1, "static"}, {0, "cyclic"}}};
const CodeSet kSoilTypes{{{1, "soft_clay"},
                          {2, "stiff_clay_below_water"},
                          {3, "stiff_clay_above_water"},
                          {4, "sand"},
                          {5, "silt"},
                          {6, "rock"},
                          {7, "weak_rock"}}};
// Flags: the record's value for false, then for true.
const CodeSet kFlag01{{{0, "false"}, {1, "true"}}};
const CodeSet kLinked{{{1, "false"}, {2, "true"}}};

// ------------------------------------------------------------ conditions
bool IsElastic(const Scope& s) { return s.Get("SectionNonlinear") == 0; }
bool IsNonlinear(const Scope& s) { return s.Get("SectionNonlinear") != 0; }
bool IsTapered(const Scope& s) { return s.Get("SectionTapered") >= 1; }
int NonlinearType(const Scope& s) { return static_cast<int>(s.Get("SectionShapeCode")); }
bool IsAiscPile(const Scope& s) { return NonlinearType(s) == 10; }
bool HasGeometry(const Scope& s) {
  const int t = NonlinearType(s);
  return t == 2 || t == 3 || (t >= 5 && t <= 10);
}
bool HasRebars(const Scope& s) { return NonlinearType(s) >= 1 && NonlinearType(s) <= 3; }
bool HasStrands(const Scope& s) { return NonlinearType(s) >= 4 && NonlinearType(s) <= 6; }
bool HasTransverse(const Scope& s) { return NonlinearType(s) >= 1 && NonlinearType(s) <= 6; }
bool IsUserEI(const Scope& s) { return NonlinearType(s) == 11; }
bool RebarPositions(const Scope& s) { return s.Get("RebarLayout") == 3 && s.Get("NumRebars") >= 1; }
bool StrandPositions(const Scope& s) { return s.Get("StrandLayout") == 3 && s.Get("NumStrands") >= 1; }
bool HasEITables(const Scope& s) { return s.Get("NonlinearEIOption") > 0; }
bool HasOwnTable(const Scope& s) { return IsNonlinear(s) && NonlinearType(s) != 11; }
bool HasPyFactors(const Scope& s) { return s.Get("NumPyModificationFactors") > 0; }
bool ReadsGround(const Scope& s) { return s.Get("EarthPressureOption") >= 2 || s.Get("PyCurveOption") == 2; }
bool SpecifiedPressure(const Scope& s) { return s.Get("EarthPressureOption") == 1; }
bool HasUserCurves(const Scope& s) { return s.Get("NumUserPyCurves") > 0; }
bool IsRock(const Scope& s) { return s.Get("SoilTypeCode") == 6 || s.Get("SoilTypeCode") == 7; }
bool IsWeakRock(const Scope& s) { return s.Get("SoilTypeCode") == 7; }

// ------------------------------------------------------------ field makers
constexpr Default kRequired{};
constexpr Default Zero{DefaultKind::Value, 0, {}};
constexpr Default One{DefaultKind::Value, 1, {}};

Field Key(std::string_view item, Type type, std::string_view key, std::string_view meaning, Unit unit,
          Default fallback, double slash = 0) {
  Field f;
  f.Item = item;
  f.Type = type;
  f.Key = key;
  f.Meaning = meaning;
  f.Unit = unit;
  f.Fallback = fallback;
  f.Slash = slash;
  return f;
}

Field Real(std::string_view item, std::string_view key, std::string_view meaning, Unit unit,
           Default fallback = kRequired, double slash = 0) {
  return Key(item, Type::Real, key, meaning, unit, fallback, slash);
}

Field Int(std::string_view item, std::string_view key, std::string_view meaning, Unit unit = Unit::None,
          Default fallback = kRequired) {
  return Key(item, Type::Integer, key, meaning, unit, fallback);
}

Field CodeKey(std::string_view item, std::string_view key, std::string_view meaning, const CodeSet& codes,
              Default fallback = kRequired, double slash = 0) {
  Field f = Key(item, Type::Code, key, meaning, Unit::None, fallback, slash);
  f.Codes = &codes;
  return f;
}

Field FlagKey(std::string_view item, std::string_view key, std::string_view meaning, const CodeSet& codes,
              double slash = 0) {
  Field f = Key(item, Type::Flag, key, meaning, Unit::None,
                Default{DefaultKind::Value, double(codes.Codes[0].Number), {}}, slash);
  f.Codes = &codes;
  return f;
}

Field TextKey(std::string_view item, std::string_view key, std::string_view meaning, Default fallback) {
  return Key(item, Type::Text, key, meaning, Unit::None, fallback);
}

Field Derived(std::string_view item, From from, std::string_view key = {}, std::string_view meaning = {},
              Type type = Type::Integer) {
  Field f;
  f.Item = item;
  f.Type = type;
  f.From = from;
  f.Key = key;
  f.Meaning = meaning;
  return f;
}

Field Count(std::string_view item, std::string_view array) { return Derived(item, From::Count, array); }

Field Unused(std::string_view item, Type type = Type::Real) {
  return Derived(item, From::Zero, {}, {}, type);
}

Field ChangedByAnalysis(Field f) {
  f.AnalysisChanges = true;
  return f;
}

Field AtEnd(Field f, End end) {
  f.End = end;
  return f;
}

Field Alt(Field f, std::string_view alt_key, Condition when, Unit unit, std::string_view meaning) {
  f.AltKey = alt_key;
  f.AltWhen = when;
  f.AltUnit = unit;
  f.AltMeaning = meaning;
  return f;
}

// ------------------------------------------------------------ records
std::vector<Field> Geometry(End end) {
  return {
      AtEnd(Real("diameter", "diameter", "equivalent or external diameter", Unit::SectionLength, Zero), end),
      AtEnd(Real("internal diameter", "internal_diameter", "internal diameter", Unit::SectionLength, Zero),
            end),
      AtEnd(Real("external width", "external_width", "external width (width of sheet piling)",
                 Unit::SectionLength, Zero),
            end),
      AtEnd(Real("external depth", "external_depth", "external depth (depth of sheet piling)",
                 Unit::SectionLength, Zero),
            end),
      AtEnd(Real("internal width", "internal_width", "internal width", Unit::SectionLength, Zero), end),
      AtEnd(Real("internal depth", "internal_depth", "internal depth", Unit::SectionLength, Zero), end),
      AtEnd(Real("flange thickness", "flange_thickness", "flange thickness", Unit::SectionLength, Zero), end),
      AtEnd(Real("web thickness", "web_thickness", "web thickness", Unit::SectionLength, Zero), end)};
}

std::vector<Field> Properties(End end) {
  std::vector<Field> f{
      AtEnd(Real("property 1", "area", "cross-section area (kept, not used by the analysis)",
                 Unit::SectionArea, Zero),
            end),
      Unused("property 2"),
      Unused("property 3"),
      AtEnd(Real("second moment of area I", "moment_of_inertia", "second moment of area I",
                 Unit::SectionInertia),
            end),
      Unused("property 5"),
      Unused("property 6"),
      Unused("property 7"),
      Unused("property 8"),
      AtEnd(Real("Young's modulus E", "elastic_modulus", "Young's modulus E", Unit::Stress), end),
      Unused("property 10"),
      Unused("extra real")};
  if (end == End::Top) {
    f.push_back(Derived(
        "SectionTapered", From::Tapered, "tapered",
        "true: a tapered section, whose I·E varies linearly from top to bottom over each wall section "
        "that uses it; implied by any value given as a [top, bottom] pair"));
  }
  return f;
}

std::vector<Field> SoilValues(End end) {
  return {
      AtEnd(Real("UnitWeight", "unit_weight", "unit weight", Unit::UnitWeight), end),
      AtEnd(Alt(Real("S", "shear_strength", "undrained shear strength c (not for rock and weak rock)",
                     Unit::Stress, Zero),
                "compressive_strength", IsRock, Unit::Stress,
                "rock and weak rock: uniaxial compressive strength, in place of `shear_strength`"),
            end),
      AtEnd(Real("PHI", "friction_angle_deg", "friction angle", Unit::Degrees, Zero), end),
      AtEnd(Alt(Real("E50", "e50", "strain at 50 % of the strength (not for weak rock)", Unit::Strain, Zero),
                "krm", IsWeakRock, Unit::None, "weak rock: the strain factor krm, in place of `e50`"),
            end),
      AtEnd(Alt(Real("SoilModulusK", "subgrade_modulus", "modulus of subgrade reaction k (not for weak rock)",
                     Unit::UnitWeight, Zero),
                "rock_modulus", IsWeakRock, Unit::Stress,
                "weak rock: the initial rock modulus Eir, in place of `subgrade_modulus`"),
            end),
      AtEnd(
          Alt(Real("RQD or OptionalCoefficient", "active_coefficient",
                   "active earth pressure coefficient Ka given for the layer, 0: computed (not for rock and "
                   "weak rock)",
                   Unit::None, Zero),
              "rqd_percent", IsRock, Unit::Percent,
              "rock and weak rock: the rock quality designation RQD, in place of `active_coefficient`"),
          end)};
}

struct Records {
  Record Title{"T",
               "title line",
               {TextKey("Title", "title", "the stage's title; the engine reads its first 70 characters",
                        Default{DefaultKind::Text, 0, ""})},
               false,
               true};
  Record C1{
      "C1",
      "first control line",
      {Derived("UnitSystemCode", From::Units, "units", "unit system: \"english\" or \"si\"", Type::Code),
       Count("NumSpecifiedDeflections", "specified_condition"), Count("NumWallSections", "wall_section"),
       Count("NumCrossSections", "cross_section"), Count("NumPyModificationFactors", "py_factor"),
       CodeKey(
           "EarthPressureOption", "earth_pressure",
           "the earth-pressure load: \"none\"; \"specified\" (the diagram `specified_pressure`); "
           "\"generated\" from the soil layers; \"apparent\" (code 3), the apparent-pressure diagram for "
           "anchored walls; \"apparent_soft_clay\" (code 5), its variant that rises over a quarter of the "
           "excavation when the first layer is soft clay, with the active pressure at the excavation level "
           "from "
           "each layer's given coefficient",
           kEarthPressure),
       CodeKey("PyCurveOption", "py_curves",
               "\"generated\": p-y curves generated from the soil layers (user curves, if any, are added); "
               "\"user\": only the `py_curve` tables",
               kPyCurves),
       Count("NumUserPyCurves", "py_curve"), Derived("NumStages", From::Stages),
       Count("NonlinearEIOption", "ei_table"), Count("NumTieBacks", "tie_back"),
       FlagKey("HingeOption", "tie_back_hinges",
               "true: zero moment (a hinge) at every tie-back station except that of the first tie-back",
               kFlag01)},
      true};
  Record C2{
      "C2",
      "second control line",
      {Int("NumIncrements", "increments", "increments of the wall; stations 0 (top) to `increments` (tip)"),
       Real("IncrementLength", "increment_length", "length h of one increment", Unit::Length),
       Real("MaxAllowableDeflection", "max_deflection", "a deflection beyond it ends the stage's iteration",
            Unit::Length),
       Real("DeflectionTolerance", "deflection_tolerance", "closure tolerance of the iteration",
            Unit::Length),
       Real("DividingDepth", "dividing_depth",
            "depth below the top of the wall, normally the excavation level: stations at or below it carry "
            "continued p-y curves and the width `soil_resistance_width`",
            Unit::Length),
       Real("ResultWidth", "result_width", "width by which the results are given per width", Unit::Length),
       Real("WallHeight", "wall_height", "height of the wall", Unit::Length),
       Int("MaxIterations", "max_iterations",
           "iteration limit; 0: one linear solution; negative: the run ends after the control lines"),
       Unused("item 9 (not used)", Type::Integer), Unused("item 10 (not used)", Type::Integer)},
      true};
  Record S{
      "S",
      "specified deflection and slope row",
      {Derived("Case", From::Case, "case",
               "1 deflection, 2 slope, 3 both: implied by which of `deflection` and `slope_rad` are given"),
       Int("Sta", "station", "station", Unit::Station),
       Real("SpecDeflection", "deflection", "specified deflection", Unit::Length, Zero),
       Real("SpecSlope", "slope_rad", "specified slope", Unit::Radians, Zero)}};
  Record W{"W",
           "wall section row",
           {Real("SectionTop", "top", "depth of the top of the wall section", Unit::Feet),
            Real("SectionBottom", "bottom", "depth of its bottom", Unit::Feet),
            Int("SectionNumber", "cross_section",
                "the cross section used, counted 1, 2, … in the order of `cross_section`")}};
  Record X1{
      "X1",
      "record X1",
      {Derived("identifier", From::Position), Derived("identifier", From::Position),
       CodeKey(
           "SectionShapeCode", "shape",
           "the first seven names are elastic shapes (the shape decides which values the report shows; the "
           "analysis uses I and E), the others nonlinear section types",
           kShapes),
       Derived("SectionNonlinear", From::Nonlinear)}};
  Record X2{"X2",
            "record X2 (SectionName)",
            {TextKey("SectionName", "name", "section name (the report shows 32 characters)",
                     Default{DefaultKind::Text, 0, ""})}};
  Record Xe1{"XE1", "top geometry row", Geometry(End::Top)};
  Record Xe2{"XE2", "top property row", Properties(End::Top)};
  Record Xe3{"XE3", "bottom geometry row", Geometry(End::Bottom)};
  Record Xe4{"XE4", "bottom property row", Properties(End::Bottom)};
  Record Xe5{
      "XE5",
      "closing record",
      {Unused("integer 1", Type::Integer), Unused("integer 2", Type::Integer),
       Real("thickness", "thickness", "wall thickness, printed as THICKNESS", Unit::SectionLength, Zero),
       Unused("integer 3", Type::Integer), Unused("integer 4", Type::Integer)}};
  Record Xe6{"XE6",
             "second name",
             {TextKey("text", "aisc_name", "AISC section name (shape \"aisc_section\")",
                      Default{DefaultKind::Text, 0, "NONE"})}};
  Record N1{
      "N1",
      "nonlinear main row",
      {Real("equivalent diameter", "diameter", "equivalent diameter", Unit::SectionLength),
       Real("equivalent second moment of area", "moment_of_inertia", "equivalent second moment of area",
            Unit::SectionInertia),
       Real("concrete strength FC", "concrete_strength", "concrete strength FC", Unit::Stress, Zero),
       Real("steel modulus ES", "steel_modulus", "modulus ES of the steel section (pipe, H/I shape or core)",
            Unit::Stress, Zero),
       Real("steel yield FY", "steel_yield", "yield strength FY of that steel", Unit::Stress, Zero),
       Real("ESH", "hardening_strain", "strain ESH at the onset of strain hardening", Unit::Strain, Zero),
       Real("ESU", "ultimate_strain", "ultimate strain ESU", Unit::Strain, Zero),
       Real("FU/FY", "ultimate_to_yield_ratio", "ratio FU/FY", Unit::None, Zero),
       Real("equivalent Young's modulus", "elastic_modulus", "equivalent Young's modulus", Unit::Stress)}};
  Record Na{"NA", "AISC section name", {TextKey("text", "aisc_name", "AISC section name", kRequired)}};
  Record Ng{
      "NG",
      "geometry record",
      {CodeKey("GeometryCode", "steel_core", "the steel core of a cased shaft", kSteelCores, Zero),
       Real("external width", "external_width", "external width", Unit::SectionLength, Zero),
       Real("external depth", "external_depth", "external depth", Unit::SectionLength, Zero),
       Real("web thickness", "web_thickness", "web thickness", Unit::SectionLength, Zero),
       Real("flange thickness", "flange_thickness", "flange thickness", Unit::SectionLength, Zero),
       Real("casing diameter", "casing_diameter", "casing diameter", Unit::SectionLength, Zero),
       Real("casing thickness", "casing_thickness", "casing thickness", Unit::SectionLength, Zero),
       Real("steel diameter", "steel_diameter", "steel (pipe) diameter", Unit::SectionLength, Zero),
       Real("steel thickness", "steel_thickness", "steel (pipe) wall thickness", Unit::SectionLength, Zero),
       Real("casing modulus", "casing_modulus", "casing modulus", Unit::Stress, Zero),
       Real("casing yield", "casing_yield", "casing yield strength", Unit::Stress, Zero)}};
  Record Nr{"NR",
            "reinforcement record",
            {[] {
               Field f = Derived("NumRebars", From::CountOrRows, "rebars.count",
                                 "number of bars (implied by `positions` when they are given)");
               f.Rows = "rebars.positions";
               return f;
             }(),
             Real("bar diameter", "rebars.diameter", "bar diameter", Unit::SectionLength, Zero),
             Real("bar area", "rebars.area", "area of one bar", Unit::SectionArea, Zero),
             Real("ES of reinforcement", "rebars.modulus", "ES of the bars", Unit::Stress, Zero),
             Real("FY of reinforcement", "rebars.yield_strength", "FY of the bars", Unit::Stress, Zero),
             Real("cover", "rebars.cover", "cover", Unit::SectionLength, Zero),
             CodeKey("RebarLayout", "rebars.layout",
                     "\"circle\" (evenly on a circle), \"rectangle\" (along the perimeter of a rectangle) or "
                     "\"positions\" (given by `positions`)",
                     kLayouts)}};
  Record NrRow{"NRP",
               "rebar position",
               {Real("X", "x", "x of the bar centre from the centre of the section", Unit::SectionLength),
                Real("Y", "y", "y of the bar centre", Unit::SectionLength)}};
  Record Ns{"NS",
            "strand record",
            {[] {
               Field f = Derived("NumStrands", From::CountOrRows, "strands.count",
                                 "number of strands (implied by `positions` when they are given)");
               f.Rows = "strands.positions";
               return f;
             }(),
             Real("strand diameter", "strands.diameter", "strand diameter", Unit::SectionLength, Zero),
             Real("strand area", "strands.area", "area of one strand", Unit::SectionArea, Zero),
             Real("FU of strand", "strands.ultimate_strength", "FU of the strands", Unit::Stress, Zero),
             Real("initial prestress force", "strands.prestress_force",
                  "initial prestress force of the section", Unit::Force, Zero),
             Real("cover", "strands.cover", "cover", Unit::SectionLength, Zero),
             CodeKey("StrandLayout", "strands.layout", "as for `rebars`", kLayouts)}};
  Record NsRow{"NSP",
               "strand position",
               {Real("X", "x", "x of the strand centre from the centre of the section", Unit::SectionLength),
                Real("Y", "y", "y of the strand centre", Unit::SectionLength)}};
  Record Nt{
      "NT",
      "transverse reinforcement record",
      {Int("number of transverse bars", "transverse.count", "number of transverse bars (legs)", Unit::None,
           Zero),
       Real("transverse bar diameter", "transverse.diameter", "bar diameter", Unit::SectionLength, Zero),
       Real("transverse bar area", "transverse.area", "area of one bar", Unit::SectionArea, Zero),
       Real("spacing", "transverse.spacing", "spacing", Unit::SectionLength, Zero),
       Real("FY of transverse reinforcement", "transverse.yield_strength", "FY of the transverse bars",
            Unit::Stress, Zero)}};
  Record Ni{"NI",
            "nonlinear EI index",
            {Int("NonlinearEIIndex", "ei_table_number",
                 "the `ei_table` (1, 2, …) whose moment-curvature table the section uses")}};
  Record M0{"M0", "nonlinear EI tables, count record", {Count("number of tables (not used)", "ei_table")}};
  Record M1{"M1",
            "nonlinear EI table",
            {Real("EITableValue", "axial_thrust", "axial thrust of the table", Unit::Force, Zero),
             Derived("table number (not used)", From::Position), Count("EITablePoints", "points")}};
  Record M2{"M2",
            "point",
            {Real("curvature", "curvature", "curvature", Unit::Curvature),
             Real("moment", "moment", "moment", Unit::Moment)}};
  Record G1{"G1",
            "moment-curvature table of a cross section",
            {[] {
               Field f = Derived("section number", From::Position);
               f.Check = true;
               return f;
             }(),
             Real("axial thrust", "axial_thrust", "axial thrust of the section's moment-curvature table",
                  Unit::Force, Zero),
             Count("SectionTablePoints", "moment_curvature")}};
  Record G2{"G2",
            "point",
            {Real("curvature", "curvature", "curvature", Unit::Curvature),
             Real("moment", "moment", "moment", Unit::Moment)}};
  Record K0{"K0", "stiffness and load count", {Count("NumStiffnessRows", "load")}};
  Record K1{"K1",
            "stiffness and load row",
            {FlagKey("CONTD", "linked",
                     "true: linked to the next `load`, the values varying linearly between them (CONTD 2)",
                     kLinked, 1),
             Int("FROM", "from_station", "first station", Unit::Station),
             Key("TO", Type::Integer, "to_station", "last station", Unit::Station,
                 Default{DefaultKind::SameAs, 0, "from_station"}),
             Real("Q", "lateral_load", "transverse load per station", Unit::Force, Zero),
             Real("T", "torque", "torque, a couple at `from_station`", Unit::Moment, Zero),
             Real("P", "axial_load", "axial load", Unit::Force, Zero)}};
  Record R0{"R0", "restraint count", {Count("NumRestraints", "restraint")}};
  Record R1{
      "R1",
      "restraint row",
      {Int("FROM", "from_station", "first station", Unit::Station),
       Key("TO", Type::Integer, "to_station", "last station", Unit::Station,
           Default{DefaultKind::SameAs, 0, "from_station"}),
       FlagKey("CONTD", "linked", "true: linked to the next `restraint` (CONTD 2)", kLinked, 1),
       Real("lateral stiffness", "lateral_stiffness", "lateral stiffness per station", Unit::Spring, Zero),
       Real("rotational stiffness", "rotational_stiffness", "rotational stiffness per station",
            Unit::RotationalSpring, Zero)}};
  Record R2{"R2",
            "tie-back row",
            {Real("depth", "depth", "depth below the top of the wall", Unit::Feet),
             Real("area", "area", "area", Unit::TieBackArea),
             Real("elastic modulus", "elastic_modulus", "elastic modulus", Unit::Stress),
             Real("unbonded length", "unbonded_length", "unbonded length", Unit::Feet),
             Real("horizontal angle", "angle_deg", "angle below the horizontal", Unit::Degrees, Zero),
             Real("anchor spacing", "spacing", "spacing of the anchors along the wall", Unit::Feet),
             Real("prestress force", "prestress", "prestress force of one anchor", Unit::Force, Zero)}};
  Record F0{
      "F0",
      "p-y modification factors, combination record",
      {FlagKey("CombineAutoReduction", "py_factors_with_spacing_reduction",
               "true: the automatic reduction for closely spaced elements is multiplied by the `py_factor` "
               "P-FACTOR; false: the table alone",
               kFlag01)},
      true};
  Record F1{"F1",
            "p-y modification factor row",
            {Real("depth", "depth", "depth below the top of the wall", Unit::Length),
             Real("P-FACTOR", "p_factor", "multiplier of p", Unit::None, One, 1),
             Real("Y-FACTOR", "y_factor", "multiplier of y", Unit::None, One, 1)}};
  Record E1{
      "E1",
      "wall-and-water record",
      {Real("FreeHeight", "ground.excavation_depth",
            "depth of the excavation level below the top of the wall", Unit::Length),
       Real("WA", "ground.earth_pressure_width", "width of the wall for earth pressure", Unit::Length),
       Real("WP", "ground.soil_resistance_width", "width of the wall for soil resistance", Unit::Length),
       Real("WaterDepthBackfill", "ground.water_depth_backfill",
            "depth of the backfill water table below the top of the wall (negative: none)", Unit::Length),
       Real("WaterDepthExcavation", "ground.water_depth_excavation",
            "depth of the water table on the excavation side below the top of the wall", Unit::Length),
       Real("ActiveModificationFactor", "ground.active_pressure_factor", "multiplies the active pressure",
            Unit::None, One),
       ChangedByAnalysis(FlagKey(
           "WaterPressureFlag", "ground.water_pressure_in_drained_layers",
           "true: the water pressure below the backfill water table is added in drained layers", kFlag01)),
       Real("BackfillSlope", "ground.backfill_slope_deg", "slope of the backfill surface", Unit::Degrees,
            Zero),
       Real("ExcavationSlope", "ground.excavation_slope_deg", "slope of the excavation-side ground",
            Unit::Degrees, Zero)},
      true};
  Record E2{
      "E2",
      "surcharge record",
      {Real("SurfacePressure", "ground.surface_pressure", "uniform pressure on the backfill surface",
            Unit::Stress, Zero),
       Real("horizontal distance", "ground.resultant_surcharge_distance",
            "horizontal distance of the one surcharge used for the per-layer resultants when there is no "
            "`surcharge`",
            Unit::Length, Zero),
       Real("point load", "ground.resultant_point_load", "its point load", Unit::Force, Zero),
       Real("line load", "ground.resultant_line_load", "its line load", Unit::LinePressure, Zero),
       Real("strip load", "ground.resultant_strip_load", "its strip load", Unit::Stress, Zero),
       Real("strip width", "ground.resultant_strip_width", "its strip width", Unit::Length, Zero)},
      true};
  Record E3{"E3", "surcharge count", {Count("number of surcharge loads", "surcharge")}};
  Record E4{
      "E4",
      "surcharge load",
      {CodeKey("type", "type", "the kind of load", kSurchargeTypes, kRequired, 1),
       Real("magnitude", "magnitude", "point load, line load or strip pressure", Unit::Surcharge),
       Real("horizontal distance", "horizontal_distance",
            "horizontal distance from the wall (to the middle of a strip)", Unit::SurchargeLength, Zero),
       Real("strip width", "strip_width", "strip width", Unit::SurchargeLength, Zero),
       Real("vertical distance", "vertical_distance", "height of the load above the top of the wall",
            Unit::SurchargeLength, Zero),
       Real("factor", "factor", "the load used is magnitude × factor", Unit::None, One, 0)}};
  Record E5{
      "E5",
      "soil control record",
      {Count("NumSoilLayers", "soil_layer"),
       CodeKey("LoadingType", "ground.loading", "static or cyclic loading of the soil", kLoadings, One, 1),
       ChangedByAnalysis(Real("NumCycles", "ground.cycles",
                              "number of load cycles of cyclic loading (0: 100)", Unit::None, Zero))},
      true};
  Record L1{"L1",
            "soil layer, record L1",
            {CodeKey("SoilTypeCode", "type", "the soil of the layer", kSoilTypes),
             Real("LayerBottomDepth", "bottom_depth", "depth of the layer bottom below the top of the wall",
                  Unit::Length)}};
  Record L2{"L2", "soil layer, record L2 (layer top)", SoilValues(End::Top)};
  Record L3{"L3", "soil layer, record L3 (layer bottom)", SoilValues(End::Bottom)};
  Record P0{"P0", "specified pressure count", {Count("number of pressure points", "specified_pressure")}};
  Record P1{
      "P1",
      "specified pressure point",
      {Real("depth", "depth", "depth below the top of the wall", Unit::Length),
       Real("pressure", "pressure", "pressure as a force per unit length of wall (not multiplied by a width)",
            Unit::LinePressure)}};
  Record Y1{"Y1",
            "user p-y curve",
            {Int("station", "station", "station of the curve", Unit::Station), Count("CurvePoints", "points"),
             Real("P-MULTIPLIER", "p_multiplier", "multiplier of p", Unit::None, One, 1),
             Real("Y-MULTIPLIER", "y_multiplier", "multiplier of y", Unit::None, One, 1)}};
  Record Y2{"Y2",
            "point",
            {Real("y", "y", "deflection", Unit::Length),
             Real("p", "p", "soil resistance per unit length of wall, normally of opposite sign to y",
                  Unit::LinePressure)}};
};

const Records& R() {
  static const Records records;
  return records;
}

Node Rec(const Record& r) {
  Node n;
  n.Kind = NodeKind::Rec;
  n.Record = &r;
  return n;
}
Node Each(std::string_view key, std::string_view count_item, std::string_view element,
          std::vector<Node> children) {
  Node n;
  n.Kind = NodeKind::Each;
  n.Key = key;
  n.CountItem = count_item;
  n.Element = element;
  n.Children = std::move(children);
  return n;
}
Node Rows(std::string_view key, std::string_view count_item, std::string_view element, const Record& r) {
  Node n;
  n.Kind = NodeKind::Rows;
  n.Record = &r;
  n.Key = key;
  n.CountItem = count_item;
  n.Element = element;
  return n;
}
Node When(Condition c, std::string_view why, std::vector<Node> children) {
  Node n;
  n.Kind = NodeKind::When;
  n.When = c;
  n.Why = why;
  n.Children = std::move(children);
  return n;
}

std::vector<Node> BuildStage() {
  const Records& r = R();
  return {
      Rec(r.Title),
      Rec(r.C1),
      Rec(r.C2),
      Each("specified_condition", "NumSpecifiedDeflections", "a specified deflection and/or slope",
           {Rec(r.S)}),
      Each("wall_section", "NumWallSections", "a stretch of wall with one cross section", {Rec(r.W)}),
      Each("cross_section", "NumCrossSections", "a cross section",
           {Rec(r.X1), Rec(r.X2),
            When(IsElastic, "for an elastic shape",
                 {Rec(r.Xe1), Rec(r.Xe2), When(IsTapered, "for a tapered section", {Rec(r.Xe3), Rec(r.Xe4)}),
                  Rec(r.Xe5), Rec(r.Xe6)}),
            When(IsNonlinear, "for a nonlinear section type",
                 {Rec(r.N1), When(IsAiscPile, "for \"steel_aisc_pile\"", {Rec(r.Na)}),
                  When(HasGeometry,
                       "for the cased shaft, the rectangular and the square and octagonal prestressed piles "
                       "and the steel piles",
                       {Rec(r.Ng)}),
                  When(HasRebars, "for the concrete shafts and the rectangular concrete pile",
                       {Rec(r.Nr), When(RebarPositions, "with `rebars.layout = \"positions\"`",
                                        {Rows("rebars.positions", "NumRebars", "one bar", r.NrRow)})}),
                  When(HasStrands, "for the prestressed piles",
                       {Rec(r.Ns), When(StrandPositions, "with `strands.layout = \"positions\"`",
                                        {Rows("strands.positions", "NumStrands", "one strand", r.NsRow)})}),
                  When(HasTransverse, "for the concrete shafts and piles", {Rec(r.Nt)}),
                  When(IsUserEI, "for \"user_ei\"", {Rec(r.Ni)})})}),
      When(HasEITables, "when there are `ei_table` tables",
           {Rec(r.M0), Each("ei_table", "NonlinearEIOption", "a user moment-curvature (nonlinear EI) table",
                            {Rec(r.M1), Rows("points", "EITablePoints",
                                             "one point of the table, in increasing curvature", r.M2)})}),
      Each("cross_section", "NumCrossSections", "a cross section",
           {When(HasOwnTable, "for the nonlinear section types other than \"user_ei\"",
                 {Rec(r.G1),
                  Rows("moment_curvature", "SectionTablePoints",
                       "the section's moment-curvature table, one point per row, in increasing curvature",
                       r.G2)})}),
      Rec(r.K0),
      Each("load", "NumStiffnessRows", "loads over a range of stations", {Rec(r.K1)}),
      Rec(r.R0),
      Each("restraint", "NumRestraints", "springs over a range of stations", {Rec(r.R1)}),
      Each("tie_back", "NumTieBacks", "a tie-back anchor", {Rec(r.R2)}),
      When(HasPyFactors, "when there are `py_factor` tables",
           {Rec(r.F0), Each("py_factor", "NumPyModificationFactors",
                            "factors on the generated p-y curves at one depth, interpolated between depths",
                            {Rec(r.F1)})}),
      When(ReadsGround, "with generated earth pressure or generated p-y curves",
           {Rec(r.E1), Rec(r.E2), Rec(r.E3),
            Each("surcharge", "number of surcharge loads", "a surcharge load", {Rec(r.E4)}), Rec(r.E5),
            Each("soil_layer", "NumSoilLayers", "a soil layer, from the top down",
                 {Rec(r.L1), Rec(r.L2), Rec(r.L3)})}),
      When(SpecifiedPressure, "with `earth_pressure = \"specified\"`",
           {Rec(r.P0),
            Rows("specified_pressure", "number of pressure points",
                 "the active earth pressure diagram, one point per row, depths not decreasing", r.P1)}),
      When(HasUserCurves, "when there are `py_curve` tables",
           {Each("py_curve", "NumUserPyCurves", "a user p-y curve",
                 {Rec(r.Y1),
                  Rows("points", "CurvePoints", "one point of the curve per row, in increasing y", r.Y2)})}),
  };
}

}  // namespace

const std::vector<Node>& StageSchema() {
  static const std::vector<Node> schema = BuildStage();
  return schema;
}

namespace {

const CodeSet kMethods{{{0, "allowable"}, {1, "factors"}, {2, "eurocode7"}}, false};
const CodeSet kApproaches{{{0, "DA1"}, {1, "DA2"}, {2, "DA2*"}, {3, "DA3"}}, false};
const CodeSet kDefinitions{{{0, "passive"}, {1, "net_pressure"}, {2, "strength"}}, false};
const CodeSet kModulusBases{{{0, "elastic"}, {1, "plastic"}}, false};

constexpr Default kNone{DefaultKind::None, 0, {}};
constexpr Default kMethod{DefaultKind::Method, 0, {}};

Field Optional(std::string_view item, std::string_view key, std::string_view meaning, Unit unit) {
  return Real(item, key, meaning, unit, kNone);
}

struct DesignRecords {
  // The factors are keys of the sub-table `[design.factors]`.
  std::vector<std::string> FactorKeys = [] {
    std::vector<std::string> keys;
    for (const design_methods::FactorRule& rule : design_methods::Factors())
      keys.push_back("factors." + std::string(rule.Key));
    return keys;
  }();
  Record Table{
      "design",
      "design table",
      {CodeKey("Method", "method",
               "the design method: \"allowable\" (allowable stresses and factors of safety, each with a "
               "default), \"factors\" (every factor given in `factors`) or \"eurocode7\" (EN 1997-1 partial "
               "factors by design approach, docs/eurocode7.md)",
               kMethods, Default{DefaultKind::Value, 0, {}}),
       CodeKey("Approach", "approach",
               "eurocode7: the design approach, \"DA1\" (combinations 1 and 2), \"DA2\" (factors on "
               "actions), \"DA2*\" (factors on their effects) or \"DA3\"",
               kApproaches, Default{DefaultKind::Value, 0, {}}),
       Optional("ExcavationAllowance", "excavation_allowance",
                "eurocode7: the unplanned excavation below the excavation level at the ultimate limit state; "
                "by default 10 % of the retained height (of the height below the lowest tie-back when there "
                "is one), at most 0.5 m",
                Unit::Length),
       [] {
         Field f = FlagKey("ExcavationControlled", "excavation_controlled",
                           "eurocode7: true when the excavation level is controlled on site: no unplanned "
                           "excavation",
                           kFlag01);
         return f;
       }(),
       CodeKey("EmbedmentDefinition", "embedment_definition",
               "what the factor of safety of the embedment is on: \"passive\" (the passive resistance is "
               "divided by it), \"net_pressure\" (the net passive pressure) or \"strength\" (tan φ and c)",
               kDefinitions, kMethod),
       CodeKey("ModulusBasis", "modulus_basis",
               "the bending resistance uses the \"elastic\" or the \"plastic\" section modulus",
               kModulusBases, kMethod),
       Optional("DeflectionLimit", "deflection_limit", "the largest deflection allowed", Unit::Length),
       Optional("DeflectionLimitRatio", "deflection_limit_ratio",
                "the largest deflection allowed as a fraction of the retained height (the excavation level); "
                "`deflection_limit` takes precedence",
                Unit::None),
       [] {
         Field f = FlagKey("StrengthReduction", "strength_reduction",
                           "false: no factor of safety by strength reduction (it analyses each stage about a "
                           "dozen times more)",
                           kFlag01);
         f.Fallback = Default{DefaultKind::Value, 1, {}};
         return f;
       }()}};
  Record Factors{"factors", "design factors", FactorFields(FactorKeys)};
  std::vector<std::string> PartialKeys = [] {
    std::vector<std::string> keys;
    for (const design_methods::PartialFactorRule& rule : design_methods::PartialFactorRules())
      keys.push_back("partial_factors." + std::string(rule.Key));
    return keys;
  }();
  std::vector<std::string> PartialMeanings = [] {
    std::vector<std::string> texts;
    for (const design_methods::PartialFactorRule& rule : design_methods::PartialFactorRules())
      texts.push_back("eurocode7: " + std::string(rule.Symbol) + ", " + std::string(rule.Source));
    return texts;
  }();
  Record Partial{"partial_factors", "partial factors", PartialFields(PartialKeys, PartialMeanings)};
  Record Section{
      "section",
      "design data of a cross section",
      {Int("CrossSection", "cross_section",
           "the cross section (1, 2, … in the order of a stage's `cross_section` tables), in every stage"),
       Optional("YieldStrength", "yield_strength", "yield strength fy", Unit::Stress),
       Optional("SectionModulus", "section_modulus",
                "elastic section modulus W; by default I over half the section's depth (`external_depth`, or "
                "`diameter` of a pipe)",
                Unit::SectionModulus),
       Optional("PlasticModulus", "plastic_modulus",
                "plastic section modulus, for `modulus_basis = \"plastic\"`", Unit::SectionModulus),
       Optional("ShearArea", "shear_area",
                "shear area Av; by default the webs of sheet piling (web thickness × (depth − flange "
                "thickness), one web per pile width), d·tw of an I or H shape and half the area of a tube",
                Unit::SectionArea),
       Optional("Area", "area", "area for the axial load; by default the cross section's `area`",
                Unit::SectionArea),
       Optional("MomentResistance", "moment_resistance",
                "nominal bending resistance, in place of fy times the modulus (a concrete shaft)",
                Unit::Moment),
       Optional("ShearResistance", "shear_resistance", "nominal shear resistance, in place of fy times Av",
                Unit::Force),
       Int("SectionClass", "section_class",
           "eurocode7: the section class of EN 1993-5, 1 or 2 (plastic modulus) or 3 (elastic modulus); by "
           "default as `modulus_basis`",
           Unit::None, kNone),
       Optional("BetaB", "beta_b",
                "eurocode7: the factor beta_B of EN 1993-5 on the bending resistance of U-piles whose "
                "interlocks may not transmit shear (the national annex gives it); 1 by default",
                Unit::None)}};
  Record TieBack{
      "tie_back",
      "design data of a tie-back",
      {Int("Number", "number", "the tie-back (1, 2, … in the order of a stage's `tie_back` tables)"),
       Optional("Capacity", "capacity", "the resistance of one anchor (the pull-out of its bond)",
                Unit::Force),
       Optional("TendonArea", "tendon_area", "area of the tendon; by default the tie-back's `area`",
                Unit::TieBackArea),
       Optional("TendonStrength", "tendon_strength", "ultimate tensile strength of the tendon",
                Unit::Stress)}};

  static std::vector<Field> PartialFields(const std::vector<std::string>& keys,
                                          const std::vector<std::string>& meanings) {
    std::vector<Field> fields;
    const std::span<const design_methods::PartialFactorRule> rules = design_methods::PartialFactorRules();
    for (size_t i = 0; i < rules.size(); ++i)
      fields.push_back(Real(rules[i].Key, keys[i], meanings[i], Unit::None,
                            Default{DefaultKind::Value, rules[i].Recommended, {}}));
    return fields;
  }

  static std::vector<Field> FactorFields(const std::vector<std::string>& keys) {
    std::vector<Field> fields;
    const std::span<const design_methods::FactorRule> rules = design_methods::Factors();
    for (size_t i = 0; i < rules.size(); ++i)
      fields.push_back(Real(rules[i].Key, keys[i], rules[i].Meaning, Unit::None, kMethod));
    return fields;
  }
};

std::vector<Node> BuildDesign() {
  static const DesignRecords r;
  std::vector<Node> nodes{Rec(r.Table), Rec(r.Factors), Rec(r.Partial)};
  nodes.push_back(Each("section", "", "the strength of one cross section", {Rec(r.Section)}));
  nodes.push_back(Each("tie_back", "", "the strength of one tie-back", {Rec(r.TieBack)}));
  return nodes;
}

}  // namespace

const std::vector<Node>& DesignSchema() {
  static const std::vector<Node> schema = BuildDesign();
  return schema;
}

// ------------------------------------------------------------ reliability
namespace {

const CodeSet kStudyMethods{{{0, "mc"}, {1, "lhs"}, {2, "form"}}, false};
const CodeSet kDistributions{{{0, "normal"}, {1, "lognormal"}, {2, "truncated_normal"}, {3, "uniform"}},
                             false};

constexpr Default kFromModel{DefaultKind::Model, 0, {}};

// A parameter of a distribution is in the unit of the value it targets.
Field Parameter(std::string_view item, std::string_view key, std::string_view meaning, Default fallback) {
  return Real(item, key, meaning, Unit::None, fallback);
}

struct ReliabilityRecords {
  Record Table{
      "reliability",
      "reliability table",
      {CodeKey("Method", "method",
               "how the probabilities are found: \"mc\" (Monte Carlo), \"lhs\" (Latin hypercube) or \"form\" "
               "(the first-order reliability method: the design point, beta and alpha of each check); "
               "`--method` overrides it",
               kStudyMethods, Default{DefaultKind::Value, 1, {}}),
       Int("Samples", "samples",
           "the number of samples of \"mc\" and \"lhs\", 1 or more; `--samples` overrides it", Unit::None,
           Default{DefaultKind::Value, 1000, {}}),
       Int("Seed", "seed",
           "the seed of the samples, 0 or more: the same seed gives the same samples on any number of "
           "threads "
           "or workers; `--seed` overrides it",
           Unit::None, One),
       [] {
         Field f = FlagKey("StrengthReduction", "strength_reduction",
                           "false: leave the strength-reduction check out of the analyses (it costs 6 to 10 "
                           "analyses a check)",
                           kFlag01);
         f.Fallback = One;
         return f;
       }(),
       Real("Confidence", "confidence", "the confidence of the intervals of Pf, between 0 and 1", Unit::None,
            Default{DefaultKind::Value, 0.95, {}})}};
  Record Matrix{"correlation_matrix",
                "correlation matrix",
                {Real("Rho", "rho_1 … rho_n",
                      "the correlations of the variable with each variable, from -1 to 1 (1 on the diagonal)",
                      Unit::None)}};
  Record Variable{
      "variable",
      "uncertain input",
      {TextKey("Name", "name", "the variable's name in the outputs and in `correlation`",
               Default{DefaultKind::SameAs, 0, "target"}),
       TextKey(
           "Target", "target",
           "the value it sets, `TABLE [NUMBER], KEY`: a key of a stage's table or element (`soil_layer 1, "
           "friction_angle_deg`, `ground, water_depth_backfill`), set in every stage that has it; with "
           "`design.` in front a key of the design data (`design.tie_back 1, capacity`)",
           kRequired),
       CodeKey("Distribution", "distribution",
               "the distribution: \"normal\" and \"lognormal\" (mean, sd or cov), \"truncated_normal\" "
               "(mean, sd or cov of the parent normal; lower, upper) or \"uniform\" (lower, upper); refused "
               "where it can give a value the target cannot take",
               kDistributions),
       Parameter(
           "Mean", "mean",
           "the mean, in the target's unit (of the parent normal for a truncated normal; a uniform takes "
           "none)",
           kFromModel),
       Parameter("Sd", "sd", "the standard deviation, in the target's unit; or `cov`", kNone),
       Parameter("Cov", "cov", "the coefficient of variation: sd = cov × mean", kNone),
       Parameter("Lower", "lower", "the lower bound of a truncated normal or a uniform, in the target's unit",
                 kNone),
       Parameter("Upper", "upper", "the upper bound of a truncated normal or a uniform, in the target's unit",
                 kNone)}};
  Record Correlation{
      "correlation",
      "correlation of two variables",
      {Key("Variables", Type::Names, "variables", "the names of the two variables", Unit::None, kRequired),
       Real("Rho", "rho",
            "the correlation of the standard normals behind them, between -1 and 1; given pairs override "
            "`correlation_matrix`",
            Unit::None)}};
};

std::vector<Node> BuildReliability() {
  static const ReliabilityRecords r;
  return {Rec(r.Table), Each("variable", "", "one uncertain input", {Rec(r.Variable)}),
          Each("correlation", "", "the correlation of two variables", {Rec(r.Correlation)}),
          Rows("correlation_matrix", "",
               "the correlations of the variables as a matrix, a row per variable in their order", r.Matrix)};
}

}  // namespace

const std::vector<Node>& ReliabilitySchema() {
  static const std::vector<Node> schema = BuildReliability();
  return schema;
}

const CodeSet& StudyMethodCodes() { return kStudyMethods; }
const CodeSet& DistributionCodes() { return kDistributions; }

const std::vector<Field>& FileFields() {
  static const std::vector<Field> fields{
      CodeKey("UnitSystemCode", "units",
              "the unit system of the file; a `[[stage]]` may give its own `units`", kUnits),
      FlagKey("StageMemory", "stage_memory",
              "each stage starts from the deflections, soil-spring states and tie-back locks of the stage "
              "before it (docs/modelling.md); false: every stage is analysed alone",
              kFlag01),
      Real("UnloadFactor", "unload_factor",
           "with `stage_memory`: a soil spring's unload/reload stiffness over the slope of its curve's first "
           "segment; a number greater than 0",
           Unit::None, One),
      Real("CurveSpacing", "curve_spacing",
           "generated p-y curves every this much below the excavation level and at every layer boundary "
           "and the water table, so that results converge as it shrinks and do not depend on how a soil "
           "is split into layers (docs/modelling.md); none: five curves per layer",
           Unit::Length, Zero)};
  return fields;
}

const CodeSet& UnitCodes() { return kUnits; }
const CodeSet& ShapeCodes() { return kShapes; }

}  // namespace darnek::toml_input
