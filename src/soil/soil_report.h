// The soil subsystem's writer, its only file that writes: compound unit
// labels, the depth unit of the p-y tables, the profile's echo, and the
// generated curves as the report and the p-y scratch file show them (the
// models only compute them).
#pragma once

#include <array>
#include <span>
#include <string>

#include "core/fortran_format.h"
#include "core/run_context.h"
#include "soil/py_frame.h"

namespace darnek::soil {

// Depth printed in the p-y report: feet for English problems, metres for SI.
double ReportDepth(const ProblemData& d, double x);
// Its two-character label ("FT" or " M").
std::string DepthLabel(const ProblemData& d);
// LBS/IN**2, LBS/IN**3, LBS/IN (and the SI forms), from the label block.
std::string StressLabel(const UnitLabels& labels);
std::string UnitWeightLabel(const UnitLabels& labels);
std::string ForcePerLengthLabel(const UnitLabels& labels);

// "SOIL LAYERS AND STRENGTH DATA".
void WriteSoilProfile(RunContext& ctx);
// "REDUCTION FACTORS FOR CLOSELY-SPACED WALL ELEMENTS" (when a table is
// given) and the heading "P-Y CURVES DATA".
void WritePyCurvesHeading(RunContext& ctx);

// The fields of a generated side's points as the p-y scratch file holds
// them (core/printed_value.h): empty where a field shows no number.
struct PrintedSide {
  SidePoints P{}, Y{};
  std::array<bool, kSidePoints> PShown{}, YShown{};
};

// The writer of a run's p-y curves: the user's curves and each generated side
// to the p-y scratch file (none when `scratch` is null: the run discards
// the file), each side to the report. It only writes: the values the solver
// takes are computed beside it (GeneratePyCurves), which takes them from the
// digits the scratch file gets where it is kept.
class CurveWriter : public CurveOutput {
 public:
  CurveWriter(RunContext& ctx, OutputUnit* scratch) : ctx_(ctx), scratch_(scratch) { record_.reserve(80); }
  // The head of the file: the number of curves (`generated` and the
  // user's) and the user's curves with their multipliers applied.
  void WriteHead(int generated, std::span<const UserPyCurve> user);
  void BeginCurve(const CurveFrame& f) override;
  void StrengthCurveExceeded(double z) override;
  void WriteSide(const CurveLayout& layout, const CurveFrame& f, const SideResult& result) override;
  // The same, and where the scratch file is kept (true) the value of every
  // point's fields there, from the digits written.
  bool WriteSide(const CurveLayout& layout, const CurveFrame& f, const SideResult& result,
                 PrintedSide& printed);

 private:
  void EndLine();

  RunContext& ctx_;
  OutputUnit* scratch_;
  std::string record_;
  fortran::FieldRecord row_;  // a point of a generated curve
};

}  // namespace darnek::soil
