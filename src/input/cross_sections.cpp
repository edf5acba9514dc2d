// Cross-section groups: elastic (uniform or tapered) and nonlinear sections,
// the copies of I and E that the flexural rigidity uses, and the check that
// every wall section names a stored section.
#include <cmath>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/plain_text.h"
#include "core/report_helpers.h"
#include "input/input_checks.h"
#include "input/input_echo.h"
#include "input/stage_tables.h"

namespace darnek::input {
namespace {

constexpr std::string_view kGeometryNames[8] = {"equivalent or external diameter",
                                                "internal diameter",
                                                "external width",
                                                "external depth",
                                                "internal width",
                                                "internal depth",
                                                "flange thickness",
                                                "web thickness"};

constexpr std::string_view kPropertyNames[10] = {
    "property 1", "property 2", "property 3", "second moment of area I", "property 5",
    "property 6", "property 7", "property 8", "Young's modulus E",       "property 10"};

constexpr std::string_view kMainNames[9] = {"equivalent diameter",
                                            "equivalent second moment of area",
                                            "concrete strength FC",
                                            "steel modulus ES",
                                            "steel yield FY",
                                            "ESH",
                                            "ESU",
                                            "FU/FY",
                                            "equivalent Young's modulus"};

constexpr std::string_view kGeometryRowNames[10] = {
    "external width",   "external depth", "web thickness",   "flange thickness", "casing diameter",
    "casing thickness", "steel diameter", "steel thickness", "casing modulus",   "casing yield"};

// A millimetre to the fourth is 1e-12 m^4; the divisor is held in single
// precision (999999995904), as the flexural rigidity of SI walls always was.
const double kMm4PerM4 = static_cast<double>(1.0e12f);

std::string SectionRecord(int s, std::string_view what) {
  return "cross section " + std::to_string(s) + ", " + std::string(what);
}

template <size_t N>
void ReadRow(ListReader& reader, const std::string& record, std::array<double, N>& row,
             const std::string_view (&names)[N], std::vector<ListReader::Field> tail = {}) {
  std::vector<ListReader::Field> fields;
  fields.reserve(N + tail.size());
  for (size_t i = 0; i < N; ++i) fields.push_back({names[i], &row[i]});
  for (const auto& f : tail) fields.push_back(f);
  reader.Read(record, fields);
}

void ReadName(ListReader& reader, const std::string& record, std::string& name) {
  name.clear();
  reader.Read(record, {{"text", &name}});
  // Shown in the report as the title is: no control characters.
  name = PadRight(BlankControls(name), 80);
}

void ReadElasticSection(ListReader& reader, int s, CrossSection& c) {
  ReadRow(reader, SectionRecord(s, "top geometry row"), c.Geometry[0], kGeometryNames);
  ReadRow(reader, SectionRecord(s, "top property row"), c.Properties[0], kPropertyNames,
          {{"extra real", &c.ExtraReal[0]}, {"SectionTapered", &c.SectionTapered}});
  c.InertiaPlace = {reader.ItemLine(3), SectionRecord(s, "top property row"), 4,
                    std::string(kPropertyNames[3])};
  if (c.SectionTapered == SectionTaper::Tapered) {
    ReadRow(reader, SectionRecord(s, "bottom geometry row"), c.Geometry[1], kGeometryNames);
    ReadRow(reader, SectionRecord(s, "bottom property row"), c.Properties[1], kPropertyNames,
            {{"extra real", &c.ExtraReal[1]}});
  } else {
    c.Geometry[1] = c.Geometry[0];
    c.Properties[1] = c.Properties[0];
    c.ExtraReal[1] = c.ExtraReal[0];
  }
  reader.Read(SectionRecord(s, "closing record"), {{"integer 1", &c.ClosingIntegers[0]},
                                                   {"integer 2", &c.ClosingIntegers[1]},
                                                   {"thickness", &c.Thickness},
                                                   {"integer 3", &c.ClosingIntegers[2]},
                                                   {"integer 4", &c.ClosingIntegers[3]}});
  ReadName(reader, SectionRecord(s, "second name"), c.SecondName);
}

// Bars or strands: the record, then one (X, Y) row per bar when the layout
// gives positions.
template <class Group>
void ReadBarPositions(ListReader& reader, int s, std::string_view what, int count, BarLayout layout,
                      Group& group) {
  group.X.clear();
  group.Y.clear();
  if (layout != BarLayout::Positions || count < 1) return;
  if (count > kMaxSectionBars) throw StorageExceeded();
  for (int i = 0; i < count; ++i) {
    double x = 0, y = 0;
    reader.Read(SectionRecord(s, std::string(what) + " position " + std::to_string(i + 1)),
                {{"X", &x}, {"Y", &y}});
    group.X.push_back(x);
    group.Y.push_back(y);
  }
}

void ReadNonlinearSection(RunContext& ctx, ListReader& reader, int s, CrossSection& c) {
  NonlinearSectionData& nl = c.Nonlinear;
  const NonlinearSectionType type = nl.SectionType;
  ReadRow(reader, SectionRecord(s, "nonlinear main row"), nl.MainRow, kMainNames);
  c.InertiaPlace = {reader.ItemLine(MainInertia), SectionRecord(s, "nonlinear main row"),
                    static_cast<int>(MainInertia) + 1, std::string(kMainNames[MainInertia])};
  if (type == NonlinearSectionType::SteelAiscPile)
    ReadName(reader, SectionRecord(s, "AISC section name"), c.SecondName);
  if (HasGeometryRecord(type)) {
    std::vector<ListReader::Field> fields{{"GeometryCode", &nl.GeometryCode}};
    for (size_t i = 0; i < nl.GeometryRow.size(); ++i)
      fields.push_back({kGeometryRowNames[i], &nl.GeometryRow[i]});
    reader.Read(SectionRecord(s, "geometry record"), fields);
  }
  if (HasReinforcementRecord(type)) {
    SectionReinforcement& r = nl.Rebars;
    const std::string record = SectionRecord(s, "reinforcement record");
    reader.Read(record, {{"number of rebars", &r.NumRebars},
                         {"bar diameter", &r.Diameter},
                         {"bar area", &r.Area},
                         {"ES of reinforcement", &r.Modulus},
                         {"FY of reinforcement", &r.Yield},
                         {"cover", &r.Cover},
                         {"layout", &r.Layout}});
    if (r.Layout == BarLayout::Positions)
      WarnNegativeCount(ctx, reader, record, 0, "number of rebars", r.NumRebars);
    ReadBarPositions(reader, s, "rebar", r.NumRebars, r.Layout, r);
  }
  if (HasStrandRecord(type)) {
    SectionStrands& p = nl.Strands;
    const std::string record = SectionRecord(s, "strand record");
    reader.Read(record, {{"number of strands", &p.NumStrands},
                         {"strand diameter", &p.Diameter},
                         {"strand area", &p.Area},
                         {"FU of strand", &p.Ultimate},
                         {"initial prestress force", &p.InitialForce},
                         {"cover", &p.Cover},
                         {"layout", &p.Layout}});
    if (p.Layout == BarLayout::Positions)
      WarnNegativeCount(ctx, reader, record, 0, "number of strands", p.NumStrands);
    ReadBarPositions(reader, s, "strand", p.NumStrands, p.Layout, p);
  }
  if (HasTransverseRecord(type)) {
    SectionTransverseReinforcement& t = nl.Transverse;
    reader.Read(SectionRecord(s, "transverse reinforcement record"),
                {{"number of transverse bars", &t.NumBars},
                 {"transverse bar diameter", &t.Diameter},
                 {"transverse bar area", &t.Area},
                 {"spacing", &t.Spacing},
                 {"FY of transverse reinforcement", &t.Yield}});
  }
  if (type == NonlinearSectionType::UserDefinedEI)
    reader.Read(SectionRecord(s, "nonlinear EI index"), {{"NonlinearEIIndex", &nl.NonlinearEIIndex}});
}

// I and E of each end for the flexural rigidity; SI second moments are input
// in mm^4 and the analysis works in metres.
void FillRigidityCopies(const ProblemData& d, CrossSection& c) {
  const bool si = d.C1.UnitSystemCode == UnitSystem::SI;
  const bool elastic = c.SectionNonlinear == SectionKind::Elastic;
  for (int end = 0; end < 2; ++end) {
    const double i = elastic ? c.Properties[end][3] : c.Nonlinear.MainRow[MainInertia];
    c.I[end] = si ? i / kMm4PerM4 : i;
    c.E[end] = elastic ? c.Properties[end][8] : c.Nonlinear.MainRow[MainModulus];
  }
}

CrossSection ReadSection(RunContext& ctx, ListReader& reader, int s) {
  CrossSection c;
  const std::string x1 = SectionRecord(s, "record X1");
  int shape = 0;
  reader.Read(x1, {{"identifier", &c.Identifier},
                   {"identifier", &c.Identifier},
                   {"SectionShapeCode", &shape},
                   {"SectionNonlinear", &c.SectionNonlinear}});
  // The shape code names an elastic shape or a nonlinear type, by item 4.
  if (c.SectionNonlinear == SectionKind::Elastic) {
    c.SectionShapeCode = reader.ToCode<ElasticShape>(x1, 2, "SectionShapeCode", shape);
  } else {
    c.Nonlinear.SectionType = reader.ToCode<NonlinearSectionType>(x1, 2, "SectionShapeCode", shape);
  }
  ReadName(reader, SectionRecord(s, "record X2 (SectionName)"), c.SectionName);
  if (c.SectionNonlinear == SectionKind::Elastic) {
    ReadElasticSection(reader, s, c);
  } else {
    ReadNonlinearSection(ctx, reader, s, c);
  }
  FillRigidityCopies(ctx.Data, c);
  return c;
}

}  // namespace

void ReadCrossSections(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.Data;
  const int n = d.C1.NumCrossSections;
  if (n > kMaxCrossSections) throw StorageExceeded();
  d.CrossSections.clear();
  for (int s = 1; s <= n; ++s) d.CrossSections.push_back(ReadSection(ctx, reader, s));
  EchoCrossSections(ctx);

  // The flexural rigidity looks the section up by this number.
  for (size_t w = 0; w < d.WallSections.size(); ++w) {
    const int number = d.WallSections[w].SectionNumber;
    if (number < 1 || number > static_cast<int>(d.CrossSections.size()))
      throw InputError("wall section " + std::to_string(w + 1) + " uses cross section " +
                       std::to_string(number) + ", but the stage defines " +
                       std::to_string(d.CrossSections.size()) + " cross sections");
    // A wall without bending stiffness has no solution; the nonlinear
    // sections' tables are checked when they are read.
    const CrossSection& c = d.CrossSections[static_cast<size_t>(number - 1)];
    if (c.SectionNonlinear != SectionKind::Elastic) continue;
    for (int end = 0; end < 2; ++end) {
      const double ei = c.I[end] * c.E[end];
      if (!(ei > 0) || !std::isfinite(ei))
        throw InputError("wall section " + std::to_string(w + 1) + " uses cross section " +
                         std::to_string(number) + ", whose flexural rigidity I x E at its " +
                         (end == 0 ? "top" : "bottom") + " end is " + NumberText(ei) +
                         ": it must be positive and finite");
    }
  }
}

}  // namespace darnek::input
