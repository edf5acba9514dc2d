// Echo of the cross sections: identity, type, the input properties of each
// section with their unit labels, and the table of diameters and second
// moments. Values are printed as input (SI dimensions in millimetres).
#include <string>
#include <string_view>

#include "core/report_helpers.h"
#include "input/input_echo.h"
#include "input/stage_tables.h"

namespace darnek::input {

using Type = NonlinearSectionType;

bool HasGeometryRecord(NonlinearSectionType type) {
  switch (type) {
    case Type::CasedConcreteShaft:
    case Type::RectangularConcretePile:
    case Type::SquarePrestressedPile:
    case Type::OctagonalPrestressedPile:
    case Type::SteelPipePile:
    case Type::SteelHPile:
    case Type::SteelIPile:
    case Type::SteelAiscPile:
      return true;
    default:
      return false;
  }
}

bool HasReinforcementRecord(NonlinearSectionType type) {
  return type == Type::RoundConcreteShaft || type == Type::CasedConcreteShaft ||
         type == Type::RectangularConcretePile;
}

bool HasStrandRecord(NonlinearSectionType type) {
  return type == Type::RoundPrestressedPile || type == Type::SquarePrestressedPile ||
         type == Type::OctagonalPrestressedPile;
}

// The concrete sections.
bool HasTransverseRecord(NonlinearSectionType type) {
  return HasReinforcementRecord(type) || HasStrandRecord(type);
}

bool HasOwnMomentCurvatureTable(const CrossSection& section) {
  return section.SectionNonlinear == SectionKind::Nonlinear &&
         section.Nonlinear.SectionType != Type::UserDefinedEI;
}

namespace {

constexpr const char* kElasticTypeNames[7] = {
    " GENERAL SECTION  ", " CIRCULAR PIPE    ", " RECTANGULAR PIPE ", " I SECTION        ",
    " H SECTION        ", " AISC SECTION     ", " SHEET PILING     "};

constexpr const char* kNonlinearTypeNames[11] = {
    " ROUND CONCRETE SHAFT       ", " ROUND CONC. SHAFT, CASING (AND STEEL SECTION)",
    " RECTANGULAR CONCRETE PILE  ", " ROUND PRESTRESSED PILE     ",
    " SQUARE PRESTRESSED PILE    ", " OCTOGONAL PRESTRESSED PILE ",
    " STEEL PIPE PILE            ", " STEEL H SECTION PILE       ",
    " STEEL I SECTION PILE       ", " STEEL AISC SECTION PILE    ",
    " USER DEFINED EI            "};

enum class Unit { None, Length, Area, Stress, Force };

// Composes the echo lines of one section with the report's labels.
class SectionEcho {
 public:
  explicit SectionEcho(RunContext& ctx) : out_(ctx.Report), labels_(ctx.Data.Run.Labels) {}

  std::string UnitText(Unit unit) const {
    switch (unit) {
      case Unit::Length:
        return labels_.SmallLengthLabel;
      case Unit::Area:
        return labels_.SmallLengthLabel + "**" + "2";
      case Unit::Stress:
        return labels_.ForceLabel3b + "/" + labels_.LengthLabel2 + "**" + "2";
      case Unit::Force:
        return labels_.ForceLabel3b;
      case Unit::None:
        break;
    }
    return "";
  }

  // A blank, the name in 20 columns, ": ".
  static std::string Label(std::string_view name) { return " " + PadRight(name, 20) + ": "; }

  void Real(std::string_view name, double value, Unit unit) {
    WriteBlanks(out_, 5);
    out_.Append(Label(name));
    WriteReal(out_, 13, 5, value);
    WriteBlanks(out_, 1);
    out_.Append(UnitText(unit));
    EndLine(out_);
  }

  void Tapered(std::string_view name, double top, double bottom, Unit unit) {
    const std::string text = UnitText(unit);
    WriteBlanks(out_, 5);
    out_.Append(Label(name));
    WriteReal(out_, 14, 5, top);
    WriteBlanks(out_, 1);
    out_.Append(PadRight(text, 9));
    WriteReal(out_, 14, 5, bottom);
    WriteBlanks(out_, 1);
    out_.Append(text);
    EndLine(out_);
  }

  void Integer(std::string_view name, int value) {
    WriteBlanks(out_, 5);
    out_.Append(Label(name));
    WriteInt(out_, 13, value);
    EndLine(out_);
  }

  void Text(std::string_view name, std::string_view text) {
    WriteBlanks(out_, 5);
    out_.Append(Label(name));
    WriteTrimmedText(out_, text);
    EndLine(out_);
  }

  // Bar positions: the label on the first row only.
  void Positions(std::string_view name, const std::vector<double>& x, const std::vector<double>& y) {
    for (size_t i = 0; i < x.size(); ++i) {
      WriteBlanks(out_, 5);
      out_.Append(i == 0 ? Label(name) : std::string(23, ' '));
      WriteReal(out_, 13, 5, x[i]);
      WriteReal(out_, 13, 5, y[i]);
      WriteBlanks(out_, 1);
      out_.Append(UnitText(Unit::Length));
      EndLine(out_);
    }
  }

 private:
  OutputUnit& out_;
  const UnitLabels& labels_;
};

// One echoed property of an elastic section: a geometry column (8 reals) or a
// property column (10 reals), each with its top and bottom value.
struct ElasticProperty {
  const char* Name;
  bool PropertyRow;
  int Column;
  input::Unit Unit;
};

std::vector<ElasticProperty> ElasticProperties(ElasticShape shape) {
  const ElasticProperty diameter{"EQUIV. DIAMETER", false, 0, Unit::Length};
  const ElasticProperty width{"EXTERNAL WIDTH", false, 2, Unit::Length};
  const ElasticProperty depth{"EXTERNAL DEPTH", false, 3, Unit::Length};
  const ElasticProperty flange{"FLANGE THICKNESS", false, 6, Unit::Length};
  const ElasticProperty web{"WEB THICKNESS", false, 7, Unit::Length};
  switch (shape) {
    case ElasticShape::General:
      return {diameter, {"YOUNG MODULUS", true, 8, Unit::Stress}};
    case ElasticShape::CircularPipe:
      return {{"EXTERNAL DIAMETER", false, 0, Unit::Length}, {"INTERNAL DIAMETER", false, 1, Unit::Length}};
    case ElasticShape::RectangularPipe:
      return {diameter,
              width,
              depth,
              {"INTERNAL WIDTH", false, 4, Unit::Length},
              {"INTERNAL DEPTH", false, 5, Unit::Length}};
    case ElasticShape::ISection:
    case ElasticShape::HSection:
    case ElasticShape::AiscSection:
      return {diameter, width, depth, flange, web};
    case ElasticShape::SheetPiling:
      return {{"WIDTH", false, 2, Unit::Length}, {"DEPTH", false, 3, Unit::Length}, web};
    default:
      return {};
  }
}

void EchoElastic(SectionEcho& echo, OutputUnit& out, const CrossSection& c) {
  out.Write("( 5X ' CROSS SECTION TYPE  :' A )", kElasticTypeNames[CodeNumber(c.SectionShapeCode)]);
  if (c.SectionShapeCode == ElasticShape::AiscSection) echo.Text("AISC SECTION NAME", c.SecondName);
  const bool tapered = c.SectionTapered == SectionTaper::Tapered;
  if (tapered) out.Write("( 5X ' TAPERED SECTION       ' '         TOP                  BOTTOM' )");
  for (const ElasticProperty& p : ElasticProperties(c.SectionShapeCode)) {
    const double top = p.PropertyRow ? c.Properties[0][p.Column] : c.Geometry[0][p.Column];
    const double bottom = p.PropertyRow ? c.Properties[1][p.Column] : c.Geometry[1][p.Column];
    if (tapered) {
      echo.Tapered(p.Name, top, bottom, p.Unit);
    } else {
      echo.Real(p.Name, top, p.Unit);
    }
  }
  echo.Real("THICKNESS", c.Thickness, Unit::Length);
}

void EchoNonlinear(SectionEcho& echo, OutputUnit& out, const CrossSection& c) {
  const NonlinearSectionData& nl = c.Nonlinear;
  const NonlinearSectionType type = nl.SectionType;
  const auto& main = nl.MainRow;
  const auto& geo = nl.GeometryRow;
  out.Write("( 5X ' CROSS SECTION TYPE  :' A )", kNonlinearTypeNames[CodeNumber(type) - 1]);
  echo.Real("EQUIV. DIAMETER", main[MainDiameter], Unit::Length);
  if (type == Type::SteelAiscPile) echo.Text("AISC SECTION NAME", c.SecondName);

  const auto shape_lines = [&] {
    echo.Real("EXTERNAL WIDTH", geo[GeoWidth], Unit::Length);
    echo.Real("EXTERNAL DEPTH", geo[GeoDepth], Unit::Length);
    echo.Real("FLANGE THICKNESS", geo[GeoFlange], Unit::Length);
    echo.Real("WEB THICKNESS", geo[GeoWeb], Unit::Length);
  };
  const auto pipe_lines = [&] {
    echo.Real("STEEL DIAMETER", geo[GeoSteelDiameter], Unit::Length);
    echo.Real("STEEL THICKNESS", geo[GeoSteelThickness], Unit::Length);
  };
  bool has_steel = false;
  switch (type) {
    case Type::CasedConcreteShaft:
      echo.Real("CASING DIAMETER", geo[GeoCasingDiameter], Unit::Length);
      echo.Real("CASING THICKNESS", geo[GeoCasingThickness], Unit::Length);
      echo.Real("ES CASING", geo[GeoCasingEs], Unit::Stress);
      echo.Real("FY CASING", geo[GeoCasingFy], Unit::Stress);
      if (nl.GeometryCode == SteelCore::Pipe) pipe_lines();
      if (nl.GeometryCode == SteelCore::Shape) shape_lines();
      has_steel = nl.GeometryCode != SteelCore::None;
      break;
    case Type::RectangularConcretePile:
    case Type::SquarePrestressedPile:
    case Type::OctagonalPrestressedPile:
      echo.Real("EXTERNAL WIDTH", geo[GeoWidth], Unit::Length);
      echo.Real("EXTERNAL DEPTH", geo[GeoDepth], Unit::Length);
      break;
    case Type::SteelPipePile:
      pipe_lines();
      has_steel = true;
      break;
    case Type::SteelHPile:
    case Type::SteelIPile:
    case Type::SteelAiscPile:
      shape_lines();
      has_steel = true;
      break;
    default:
      break;
  }
  if (HasTransverseRecord(type)) echo.Real("CONCRETE FC", main[MainConcreteFc], Unit::Stress);
  if (has_steel) {
    echo.Real("ES STEEL", main[MainSteelEs], Unit::Stress);
    echo.Real("FY STEEL", main[MainSteelFy], Unit::Stress);
  }
  if (HasReinforcementRecord(type)) {
    const SectionReinforcement& r = nl.Rebars;
    echo.Integer("NUMBER REBARS", r.NumRebars);
    echo.Real("DIAMETER REINF.", r.Diameter, Unit::Length);
    echo.Real("AREA REINFORCEMENT", r.Area, Unit::Area);
    echo.Real("ES REINFORCEMENT", r.Modulus, Unit::Stress);
    echo.Real("FY REINFORCEMENT", r.Yield, Unit::Stress);
    echo.Integer("REINF. LAYOUT", CodeNumber(r.Layout));
    echo.Real("COVER", r.Cover, Unit::Length);
    echo.Positions("REINF. COORDS", r.X, r.Y);
  }
  if (HasStrandRecord(type)) {
    const SectionStrands& p = nl.Strands;
    echo.Integer("NUMBER STRANDS", p.NumStrands);
    echo.Real("DIAMETER STRAND", p.Diameter, Unit::Length);
    echo.Real("AREA STRAND", p.Area, Unit::Area);
    echo.Real("FU STRAND", p.Ultimate, Unit::Stress);
    echo.Real("INITIAL PRESS. FORCE", p.InitialForce, Unit::Force);
    echo.Integer("STRAND LAYOUT", CodeNumber(p.Layout));
    echo.Real("COVER", p.Cover, Unit::Length);
    echo.Positions("STRAND COORDS", p.X, p.Y);
  }
  if (HasTransverseRecord(type)) {
    const SectionTransverseReinforcement& t = nl.Transverse;
    echo.Integer("NUMBER TR. REBARS", t.NumBars);
    echo.Real("DIAMETER TR. REINF.", t.Diameter, Unit::Length);
    echo.Real("AREA TRANSV. REINF.", t.Area, Unit::Area);
    echo.Real("SPACING TR. REINF.", t.Spacing, Unit::Length);
    echo.Real("FY TRANSV. REINF.", t.Yield, Unit::Stress);
  }
  if (HasReinforcementRecord(type) || has_steel) {
    echo.Real("ESH", main[MainEsh], Unit::None);
    echo.Real("ESU", main[MainEsu], Unit::None);
    echo.Real("FU/FY", main[MainFuFy], Unit::None);
  }
  echo.Real("EQ. YOUNG MODULUS", main[MainModulus], Unit::Stress);
  if (type == Type::UserDefinedEI) echo.Integer("NONLINEAR EI INDEX", nl.NonlinearEIIndex);
}

void PropertiesRow(OutputUnit& out, int section, double diameter, double inertia, const char* tag) {
  WriteBlanks(out, 5);
  WriteInt(out, 5, section);
  WriteBlanks(out, 1);
  WriteReal(out, 14, 5, diameter);
  WriteReal(out, 14, 5, inertia);
  if (tag != nullptr) {
    WriteBlanks(out, 2);
    WriteChars(out, tag, 3);
  }
  EndLine(out);
}

void PropertiesHeading(OutputUnit& out, const UnitLabels& labels) {
  out.Write("( / 5X '  SECT' 11X 'DIAM,' A2 5X '  I,' A2 A2 A1 )", labels.SmallLengthLabel,
            labels.SmallLengthLabel, "**", "4");
}

void EchoPropertiesTable(RunContext& ctx) {
  OutputUnit& out = ctx.Report;
  const UnitLabels& labels = ctx.Data.Run.Labels;
  const auto& sections = ctx.Data.CrossSections;
  out.Write("( / / 5X '* CROSS SECTIONS PROPERTIES *' )");
  out.Write("( / 5X '         ELASTIC SECTIONS         ' )");
  PropertiesHeading(out, labels);
  for (size_t i = 0; i < sections.size(); ++i) {
    const CrossSection& c = sections[i];
    if (c.SectionNonlinear != SectionKind::Elastic) continue;
    const int s = static_cast<int>(i) + 1;
    if (c.SectionTapered == SectionTaper::Tapered) {
      PropertiesRow(out, s, c.Geometry[0][0], c.Properties[0][3], "TOP");
      PropertiesRow(out, s, c.Geometry[1][0], c.Properties[1][3], "BOT");
    } else {
      PropertiesRow(out, s, c.Geometry[0][0], c.Properties[0][3], nullptr);
    }
  }
  out.Write("( / 5X '         NONLINEAR SECTIONS       ' )");
  PropertiesHeading(out, labels);
  for (size_t i = 0; i < sections.size(); ++i) {
    const CrossSection& c = sections[i];
    if (c.SectionNonlinear == SectionKind::Elastic) continue;
    PropertiesRow(out, static_cast<int>(i) + 1, c.Nonlinear.MainRow[MainDiameter],
                  c.Nonlinear.MainRow[MainInertia], nullptr);
  }
}

}  // namespace

void EchoCrossSections(RunContext& ctx) {
  OutputUnit& out = ctx.Report;
  SectionEcho echo(ctx);
  out.Write("( / 5X '* CROSS SECTIONS *' )");
  const auto& sections = ctx.Data.CrossSections;
  for (size_t i = 0; i < sections.size(); ++i) {
    const CrossSection& c = sections[i];
    out.Write("( / 5X ' CROSS SECTION       : ' I5 / 5X ' SECTION NAME        : ' A32 )",
              static_cast<int>(i) + 1, PadRight(c.SectionName, 80));
    if (c.SectionNonlinear == SectionKind::Elastic) {
      out.Write("( 5X ' TYPE                : ' ' ELASTIC' )");
      EchoElastic(echo, out, c);
    } else {
      out.Write("( 5X ' TYPE                : ' ' NONLINEAR' )");
      EchoNonlinear(echo, out, c);
    }
  }
  EchoPropertiesTable(ctx);
}

}  // namespace darnek::input
